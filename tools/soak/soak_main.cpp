// gamevrak-soak [--frames N] [--seed S] [--work DIR] [--script-only] [--close-at-end]: long random play
// whose allocated memory must stay flat (the resident memory, shown, grows as tables are first touched):
// the fuzz targets' play (game_play.h) from a seeded random stream, without Escape, with saves and
// loads at set frames. DIR/soak-script.txt gets it for the replay runner; --script-only stops there.
#include <malloc.h>

#include <CLI/CLI.hpp>
#include <random>

#include "game_play.h"

using namespace play;

int main(int argc, char** argv)
{
    int32_t frames = 100000;
    uint32_t seed = 1;
    std::string work;
    bool script_only = false, close_at_end = false;
    CLI::App app{"Long random play whose allocated memory must stay flat.", "gamevrak-soak"};
    app.add_option("--frames", frames, "frames to play (default 100000)")->check(CLI::Range(5, 100000000));
    app.add_option("--seed", seed, "seed of the random play (default 1)");
    app.add_option("--work", work, "the folder to play in (default: a fresh one)");
    app.add_flag("--script-only", script_only, "only write the script");
    app.add_flag("--close-at-end", close_at_end, "close the window after the last frame");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    int32_t warm = std::min(1000, frames / 5);
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(std::max(frames, 0) * 4u); // more than the frames take
    std::generate(bytes.begin(), bytes.end(), rng);
    Bytes in{bytes.data(), bytes.size(), 0};
    std::vector<ScriptEvent> events;
    for (const ScriptEvent& e : DecodePlay(in, 1, frames))
        if (e.kind != SCRIPT_KEY || (e.a != KEY_ESCAPE && (e.a < KEY_F1 || e.a > KEY_F4)))
            events.push_back(e);
    for (int i = 0; i < 6; ++i) // F1, F3, F2 and F4 in the warm-up, then F1 and F4
        events.push_back(
            {i < 4 ? warm * (i + 1) / 5 : frames * (i - 2) / 4, SCRIPT_KEY, KEY_F1 + "\0\2\1\3\0\3"[i], 0});
    if (close_at_end)
        events.push_back({frames, SCRIPT_CLOSE, 0, 0}); // while the last frame pumps its messages
    fs::path dir = GameDir(fs::canonical("/proc/self/exe").parent_path(), work);
    std::ofstream script(dir / "soak-script.txt");
    for (const ScriptEvent& e : events)
        script << FormatScriptEvent(e);
    std::printf("soak: %d frames, %zu events in %s\n", frames, events.size(), (dir / "soak-script.txt").c_str());
    if (!script.flush() || script_only)
        return script ? 0 : 2;

    StartGameOnce(dir);
    fs::current_path(dir);
    QueueScript(events);
    HeadlessDeliverFrame(0);
    TakeFrameInput(0);
    size_t warmed = 0, allocated = 0;
    for (int32_t run = 1; run <= frames && QuitRequested == 0; ++run) {
        RunFrame();
        HeadlessAdvanceClock(1.0 / 60.0);
        struct mallinfo2 heap = mallinfo2();
        allocated = heap.uordblks + heap.hblkhd;
        warmed = run == warm ? allocated : warmed;
        std::ifstream status(run == warm || run % 10000 == 0 ? "/proc/self/status" : "");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0)
                std::printf("soak: frame %d: %zu kB allocated, resident%s\n", run, allocated / 1024, line.c_str() + 6);
    }
    bool ok = FrameCounter == frames && allocated <= warmed * 1.05;
    std::printf("soak: %s\n", ok ? "PASS" : "FAIL: frames missing, or the allocated memory grew by more than 5%");
    FreeWorld();
    return ok ? 0 : 1;
}
