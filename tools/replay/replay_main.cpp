// gamevrak-replay: the real game on the headless backend, driven by a script.
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
int Usage()
{
    std::fprintf(stderr, "usage: gamevrak-replay [--dir DIR] [--frames N] [--script FILE] [--clock SECONDS] "
                         "[--shot FRAME:FILE.png]...\n");
    return 2;
}

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
    bool clock_given = false;
    std::vector<Shot> shots;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc)
            return Usage();
        std::string value = argv[++i];
        if (arg == "--dir")
            dir = value;
        else if (arg == "--frames") {
            if (!ParseCount(value, &frames))
                return Usage();
        } else if (arg == "--script")
            script = value;
        else if (arg == "--clock") {
            if (!ParseSeconds(value, &clock))
                return Usage();
            clock_given = true;
        } else if (arg == "--shot") {
            size_t colon = value.find(':');
            Shot shot{0, "", false};
            if (colon == std::string::npos || colon + 1 >= value.size() ||
                !ParseCount(value.substr(0, colon), &shot.frame))
                return Usage();
            shot.path = value.substr(colon + 1);
            shots.push_back(shot);
        } else
            return Usage();
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
