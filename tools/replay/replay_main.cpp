// gamevrak-replay: the real game on the headless backend, driven by a script.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "sha256.h"
#include "world/grid.h"

namespace {
const std::map<std::string, int32_t>& KeyNames()
{
    static const std::map<std::string, int32_t> names = [] {
        std::map<std::string, int32_t> m = {
            {"Left", 37},       {"Up", 38},       {"Right", 39},          {"Down", 40},        {"Escape", 27},
            {"Tab", 9},         {"Enter", 13},    {"Backspace", 8},       {"Space", 32},       {"Shift", 16},
            {"KeypadPlus", 107}, {"KeypadMinus", 109}, {"LeftBracket", 219}, {"RightBracket", 221}};
        for (char c = 'A'; c <= 'Z'; ++c)
            m[std::string(1, c)] = c;
        for (char c = '0'; c <= '9'; ++c)
            m[std::string(1, c)] = c;
        for (int f = 1; f <= 12; ++f)
            m["F" + std::to_string(f)] = 111 + f;
        return m;
    }();
    return names;
}

bool ParseInt(const std::string& s, int32_t* out)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    long v = std::strtol(s.c_str(), &end, 10);
    if (*end != 0 || v < -1000000000L || v > 1000000000L)
        return false;
    *out = static_cast<int32_t>(v);
    return true;
}

bool ParseLine(const std::string& line, HeadlessEvent* e)
{
    std::istringstream in(line);
    std::string frame, event, a, b, extra;
    in >> frame >> event;
    if (!ParseInt(frame, &e->frame) || e->frame < 0)
        return false;
    e->a = e->b = 0;
    if (event == "key") {
        if (!(in >> a) || (in >> extra))
            return false;
        auto it = KeyNames().find(a);
        if (it != KeyNames().end())
            e->a = it->second;
        else if (!ParseInt(a, &e->a) || e->a < 0 || e->a > 255)
            return false;
        e->kind = HEADLESS_KEY;
        return true;
    }
    if (event == "mouse" || event == "cell") {
        if (!(in >> a >> b) || (in >> extra) || !ParseInt(a, &e->a) || !ParseInt(b, &e->b))
            return false;
        e->kind = event == "mouse" ? HEADLESS_MOUSE : HEADLESS_CELL;
        return true;
    }
    if (in >> extra)
        return false;
    if (event == "lclick")
        e->kind = HEADLESS_LCLICK;
    else if (event == "rclick")
        e->kind = HEADLESS_RCLICK;
    else if (event == "close")
        e->kind = HEADLESS_CLOSE;
    else
        return false;
    return true;
}

void CellToPixel(int32_t cx, int32_t cy, int32_t* px, int32_t* py)
{
    *px = (cx - ViewX) * 16 + 8;
    *py = (cy - ViewY) * 16 + 8;
}

int Usage()
{
    std::fprintf(stderr, "usage: gamevrak-replay [--dir DIR] [--frames N] [--script FILE] [--clock SECONDS] "
                         "[--shot FRAME:FILE.png]...\n");
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    std::string dir = ".";
    std::string script;
    int64_t frames = 1;
    double clock = 1000000000.0;
    std::vector<std::pair<int64_t, std::string>> shots;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc)
            return Usage();
        std::string value = argv[++i];
        if (arg == "--dir")
            dir = value;
        else if (arg == "--frames")
            frames = std::atoll(value.c_str());
        else if (arg == "--script")
            script = value;
        else if (arg == "--clock")
            clock = std::atof(value.c_str());
        else if (arg == "--shot") {
            size_t colon = value.find(':');
            if (colon == std::string::npos)
                return Usage();
            shots.emplace_back(std::atoll(value.substr(0, colon).c_str()), value.substr(colon + 1));
        } else
            return Usage();
    }

    HeadlessReset(clock);
    HeadlessSetCellMapper(CellToPixel);
    if (!script.empty()) {
        std::ifstream in(script);
        if (!in) {
            std::fprintf(stderr, "cannot read script %s\n", script.c_str());
            return 2;
        }
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            size_t hash = line.find('#');
            if (hash != std::string::npos)
                line.resize(hash);
            if (line.find_first_not_of(" \t\r") == std::string::npos)
                continue;
            HeadlessEvent e{};
            if (!ParseLine(line, &e)) {
                std::fprintf(stderr, "%s:%d: malformed script line: %s\n", script.c_str(), number, line.c_str());
                return 2;
            }
            HeadlessQueue(e);
        }
    }
    // Shot paths are relative to where the runner was started, not to the game directory.
    std::error_code ec;
    for (auto& shot : shots)
        shot.second = std::filesystem::absolute(shot.second, ec).string();
    std::filesystem::current_path(dir, ec);
    if (ec) {
        std::fprintf(stderr, "cannot enter %s\n", dir.c_str());
        return 2;
    }

    if (!StartGame())
        return 0;
    HeadlessDeliverFrame(0);
    int64_t run = 0;
    while (run < frames && QuitRequested == 0) {
        RunFrame();
        HeadlessAdvanceClock(1.0 / 60.0);
        for (const auto& shot : shots)
            if (shot.first == run)
                WritePng(shot.second.c_str(), HeadlessLastFrame().data(), ScreenWidth, ScreenHeight);
        ++run;
    }
    std::printf("frames %lld\n", static_cast<long long>(run));
    size_t cells = static_cast<size_t>(LayerCells) * static_cast<size_t>(WorldLayers);
    std::printf("mainmap %s\n", Sha256Hex(MainMap, cells).c_str());
    std::printf("flagmap %s\n", Sha256Hex(FlagMap, cells).c_str());
    FreeWorld();
    return 0;
}
