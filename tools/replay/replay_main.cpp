// gamevrak-replay: the real game on the headless backend, driven by a script.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/input.h"
#include "app/script.h"
#include "app/shell.h"
#include "app/summary.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace
{
bool ParseCount(const std::string& s, int64_t* out)
{
    if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos || s.size() > 18)
        return false;
    *out = std::strtoll(s.c_str(), nullptr, 10);
    return true;
}

bool ParseSeconds(const std::string& s, double* out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (*end != 0 || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

// Reads the whole script before anything runs: a bad line stops the runner
// before the first frame.
bool LoadScript(const std::string& path, ScriptHeader* header, std::vector<ScriptEvent>* script)
{
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "cannot read script %s\n", path.c_str());
        return false;
    }
    int number = 0;
    std::string line;
    if (!ParseScript(in, header, script, &number, &line)) {
        std::fprintf(stderr, "%s:%d: malformed script line: %s\n", path.c_str(), number, line.c_str());
        return false;
    }
    return true;
}

struct Shot {
    int64_t frame;
    std::string path;
    bool written;
};

// The picture as presented at the end of the frame, which later buffer
// changes of the same frame (a zoom switch) do not touch.
bool WriteShot(const Shot& shot)
{
    int32_t w = 0, h = 0;
    HeadlessLastFrameSize(&w, &h);
    if (w <= 0 || h <= 0) {
        std::fprintf(stderr, "no frame presented for shot %s\n", shot.path.c_str());
        return false;
    }
    if (!WritePng(shot.path.c_str(), HeadlessLastFrame().data(), w, h)) {
        std::fprintf(stderr, "cannot write %s\n", shot.path.c_str());
        return false;
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    std::string dir = ".";
    std::string script;
    int64_t frames = 1;
    double clock = 1000000000.0;
    std::vector<std::string> shot_args;
    // CLI11 converts what these checks let through; they keep its looser readings (signs, hex, inf) out.
    auto count = [](const std::string& s) {
        int64_t n;
        return ParseCount(s, &n) ? std::string() : "not a whole number: " + s;
    };
    auto seconds = [](const std::string& s) {
        double v;
        return ParseSeconds(s, &v) ? std::string() : "not a number of seconds: " + s;
    };
    auto shot_form = [&](const std::string& s) {
        size_t colon = s.find(':');
        return colon != std::string::npos && colon + 1 < s.size() && count(s.substr(0, colon)).empty()
                   ? std::string()
                   : "not FRAME:FILE.png: " + s;
    };
    CLI::App app{"The game on a headless backend, driven by a script.", "gamevrak-replay"};
    app.add_option("--dir", dir, "the game folder to run in (default: the current one)")->type_name("DIR");
    app.add_option("--frames", frames, "frames to run (default 1), fewer when the game quits")
        ->type_name("N")
        ->check(count);
    app.add_option("--script", script, "the input, one event per line")->type_name("FILE");
    CLI::Option* clock_option =
        app.add_option("--clock", clock, "the wall clock the start-up seed reads, in seconds (default 1000000000)")
            ->type_name("SECONDS")
            ->check(seconds);
    app.add_option("--shot", shot_args, "write the picture of frame FRAME as a PNG (repeatable)")
        ->type_name("FRAME:FILE.png")
        ->check(shot_form);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    bool clock_given = clock_option->count() > 0;
    std::vector<Shot> shots;
    for (const std::string& arg : shot_args) {
        size_t colon = arg.find(':');
        Shot s{0, arg.substr(colon + 1), false};
        ParseCount(arg.substr(0, colon), &s.frame);
        shots.push_back(s);
    }

    ScriptHeader header;
    std::vector<ScriptEvent> events;
    if (!script.empty() && !LoadScript(script, &header, &events))
        return 2;
    HeadlessReset(clock_given || !header.has_clock ? clock : header.clock);
    for (const ScriptEvent& e : events) {
        if (e.kind == SCRIPT_CLOCK)
            HeadlessQueueClock(e.frame, e.seconds);
        else
            HeadlessQueue(e.frame, ScriptInput(e));
    }
    // Shot paths are relative to where the runner was started, not to the game directory.
    std::error_code ec;
    for (Shot& shot : shots)
        shot.path = std::filesystem::absolute(shot.path, ec).string();
    std::filesystem::current_path(dir, ec);
    if (ec) {
        std::fprintf(stderr, "cannot enter %s\n", dir.c_str());
        return 2;
    }

    if (!StartGame(header.zoom)) {
        FreeWorld();
        return 0;
    }
    HeadlessDeliverFrame(0);
    TakeFrameInput(0);
    int64_t run = 0;
    bool shots_ok = true;
    while (run < frames && QuitRequested == 0) {
        RunFrame();
        HeadlessAdvanceClock(1.0 / 60.0);
        for (Shot& shot : shots) {
            if (shot.frame == run) {
                shot.written = WriteShot(shot);
                shots_ok = shots_ok && shot.written;
            }
        }
        ++run;
    }
    for (const Shot& shot : shots)
        if (shot.frame >= run)
            std::fprintf(stderr, "frame %lld was not reached: no %s\n", static_cast<long long>(shot.frame),
                         shot.path.c_str());
    PrintPlaySummary(stdout, run);
    FreeWorld();
    return shots_ok ? 0 : 1;
}
