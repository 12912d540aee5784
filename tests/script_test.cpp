// The replay script: every event and key through its text and back, and a session recorded on the headless backend that
// replays to its own end.
#include <sstream>

#include "app/recorder.h"
#include "app/script.h"
#include "app/summary.h"
#include "fixture.h"
#include "game_play.h"

TEST(Script, EveryEventAndKeyReadsBackAsWritten)
{
    std::vector<ScriptEvent> events = {{3, SCRIPT_MOUSE, -5, 480},    {4, SCRIPT_CELL, 1023, -1000000000},
                                       {5, SCRIPT_LCLICK, 0, 0},      {6, SCRIPT_RCLICK, 0, 0},
                                       {7, SCRIPT_CLOSE, 0, 0},       {8, SCRIPT_CLOCK, 0, 0, 4294967295u},
                                       {1000000000, SCRIPT_KEY, 0, 0}};
    for (int32_t code = 0; code < 256; ++code)
        events.push_back({code, SCRIPT_KEY, code, 0});
    std::string text = FormatScriptHeader(77, 1);
    for (const ScriptEvent& e : events)
        text += FormatScriptEvent(e);
    std::istringstream in(text);
    ScriptHeader header;
    std::vector<ScriptEvent> back;
    int bad = 0;
    std::string bad_text;
    ASSERT_TRUE(ParseScript(in, &header, &back, &bad, &bad_text)) << bad << ": " << bad_text;
    EXPECT_EQ(std::make_tuple(header.has_clock, header.clock, header.zoom), std::make_tuple(true, 77u, 1));
    EXPECT_EQ(back, events);
    // The names a person types, and the short forms only a person writes.
    for (auto [event, line] : {std::pair{ScriptEvent{12, SCRIPT_KEY, KEY_LEFT_BRACKET, 0}, "12 key LeftBracket\n"},
                               {{0, SCRIPT_KEY, 3, 0}, "0 key 03\n"},
                               {{0, SCRIPT_KEY, '3', 0}, "0 key 3\n"},
                               {{9, SCRIPT_KEY, KEY_F12, 0}, "9 key F12\n"},
                               {{9, SCRIPT_KEY, 145, 0}, "9 key 145\n"}})
        EXPECT_EQ(FormatScriptEvent(event), line);
    back.clear();
    ASSERT_TRUE(ParseScriptLine("5 key KeypadMinus 2", &back) && ParseScriptLine("9 type a1 ", &back));
    EXPECT_EQ(
        back,
        (std::vector<ScriptEvent>{
            {5, SCRIPT_KEY, 109, 0}, {6, SCRIPT_KEY, 109, 0}, {9, SCRIPT_KEY, 'A', 0}, {10, SCRIPT_KEY, '1', 0}}));
}

namespace
{
// The game from start-up on the script's events for `frames` frames, as the replay runner plays it; recorded to
// `record` unless empty. The summary it ends with. The clock steps `tick` seconds a frame: a replay takes a load's seed
// from the file, not from its clock.
std::string Play(const std::vector<ScriptEvent>& events, uint32_t clock, double tick, const std::string& record)
{
    HeadlessReset(clock);
    std::tie(FrameCounter, QuitRequested, ConsoleOpen, ScreenSaverOn, MonsterCyclePeriod) =
        std::make_tuple(0, 0, 0, 0, 30.0f);
    std::tie(MiniMapOn, MiniMapX, MiniMapY, ShowCursorCross) = std::make_tuple(1, 518, 338, 1);
    ClearInputFlags();
    play::QueueScript(events);
    EXPECT_TRUE(record.empty() || StartRecording(record.c_str()));
    EXPECT_TRUE(StartGame());
    HeadlessDeliverFrame(0);
    TakeFrameInput(0);
    int32_t run = 0;
    for (; run < 1000 && QuitRequested == 0; ++run) {
        RunFrame();
        HeadlessAdvanceClock(tick);
    }
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    PrintPlaySummary(out, run);
    std::fclose(out);
    std::string summary(text, size);
    std::free(text);
    FinishRecording();
    FreeWorld();
    return summary;
}
} // namespace

// Member 36 walks next to a fire beetle, which strikes it; after a load has reseeded, the player strikes back and turns
// away. The file holds each line in the frame that read it, and replays to the end the session had.
TEST(Script, ASessionRecordedOnTheHeadlessBackendReplaysToTheSameEnd)
{
    std::vector<ScriptEvent> session;
    std::string text =
        "1 key Left 10\n11 key Down 5\n20 cell 938 552\n20 rclick\n30 rclick\n31 cell 941 549\n300 key F3\n"
        "470 cell 937 552\n488 cell 936 560\n495 close\n";
    for (int frame = 480; frame < 490; ++frame)
        text += std::to_string(frame) + " lclick\n";
    std::istringstream script(text);
    ScriptHeader header;
    int bad = 0;
    std::string bad_text;
    ASSERT_TRUE(ParseScript(script, &header, &session, &bad, &bad_text));
    const fs::path file = fs::temp_directory_path() / ("gamevrak-record-" + std::to_string(std::random_device{}()));
    // Without a map folder the load finds nothing and only reseeds.
    const fs::path home = fs::current_path(), dir = fs::path(file.string() + ".d");
    fs::create_directories(dir);
    fs::current_path(dir);
    const std::string played = Play(session, 4321, 0.25, file.string());

    std::ifstream in(file);
    std::vector<ScriptEvent> recorded;
    ScriptHeader recorded_header;
    ASSERT_TRUE(ParseScript(in, &recorded_header, &recorded, &bad, &bad_text)) << bad << ": " << bad_text;
    std::ifstream again(file);
    std::string comments, line;
    while (std::getline(again, line))
        if (line.rfind("# ", 0) == 0 && line.find(' ', 2) != std::string::npos && line.find("GAMEVRAK") == line.npos)
            comments += line.substr(2) + "\n";
    fs::remove(file);
    EXPECT_EQ(std::make_tuple(recorded_header.clock, recorded_header.zoom), std::make_tuple(4321u, 2));
    // The pointer in the pixels of the view scrolled to (932, 544), after the other input of its frame; the load's
    // clock, 300 quarter seconds on, in the frame of the load.
    std::string want = "0 mouse 0 479\n1 key Left 10\n11 key Down 5\n20 rclick\n20 mouse 104 136\n30 rclick\n"
                       "31 mouse 152 88\n300 key F3\n300 clock 4396\n470 mouse 88 136\n";
    for (int frame = 480; frame < 490; ++frame)
        want += std::to_string(frame) + " lclick\n" + (frame == 488 ? "488 mouse 72 264\n" : "");
    std::vector<ScriptEvent> expected;
    std::istringstream lines(want + "495 close\n");
    while (std::getline(lines, line))
        ASSERT_TRUE(ParseScriptLine(line, &expected)) << line;
    EXPECT_EQ(recorded, expected);
    EXPECT_EQ(comments, played) << "the summary the file carries";
    EXPECT_EQ(played.substr(0, played.find('\n')), "frames 495");
    EXPECT_EQ(Play(recorded, recorded_header.clock, 1.0, ""), played);
    fs::current_path(home);
    fs::remove_all(dir);
}
