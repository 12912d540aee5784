// gamevrak-replay: the real game on the headless backend, driven by a script.
#include <cmath>
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

namespace
{
const std::map<std::string, int32_t>& KeyNames()
{
    static const std::map<std::string, int32_t> names = [] {
        std::map<std::string, int32_t> m = {
            {"Left", 37},        {"Up", 38},           {"Right", 39},        {"Down", 40},         {"Escape", 27},
            {"Tab", 9},          {"Enter", 13},        {"Backspace", 8},     {"Space", 32},        {"Shift", 16},
            {"KeypadPlus", 107}, {"KeypadMinus", 109}, {"LeftBracket", 219}, {"RightBracket", 221}};
        for (char c = 'A'; c <= 'Z'; ++c)
            m[std::string(1, c)] = c;
        for (char c = '0'; c <= '9'; ++c)
            m[std::string(1, c)] = c;
        for (int f = 1; f <= 12; ++f) {
            char name[4];
            std::snprintf(name, sizeof name, "F%d", f);
            m[name] = 111 + f;
        }
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

// `type TEXT`: small letters, digits and spaces, one key-down a frame.
bool ParseText(std::istringstream& in, HeadlessEvent e, std::vector<HeadlessEvent>* out)
{
    std::string text;
    std::getline(in >> std::ws, text);
    text.erase(text.find_last_not_of(" \t\r") + 1);
    if (text.empty())
        return false;
    e.kind = HEADLESS_KEY;
    for (char c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c != ' ' && (c < '0' || c > '9'))
            return false;
        e.a = c;
        out->push_back(e);
        ++e.frame;
    }
    return true;
}

// `key NAME N` repeats the key-down on N frames in a row.
bool ParseEvent(const std::string& event, std::istringstream& in, HeadlessEvent* e, int32_t* count)
{
    std::string a, b, extra;
    if (event == "key") {
        if (!(in >> a) || ((in >> b) && (!ParseInt(b, count) || *count < 1 || *count > 100000)) || (in >> extra))
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

bool ParseLine(const std::string& line, std::vector<HeadlessEvent>* out)
{
    std::istringstream in(line);
    std::string frame, event;
    in >> frame >> event;
    HeadlessEvent e{};
    if (!ParseInt(frame, &e.frame) || e.frame < 0)
        return false;
    if (event == "type")
        return ParseText(in, e, out);
    int32_t count = 1;
    if (!ParseEvent(event, in, &e, &count))
        return false;
    for (int32_t i = 0; i < count; ++i, ++e.frame)
        out->push_back(e);
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
bool LoadScript(const std::string& path)
{
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "cannot read script %s\n", path.c_str());
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::string text = line;
        size_t hash = text.find('#');
        if (hash != std::string::npos)
            text.resize(hash);
        if (text.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::vector<HeadlessEvent> events;
        if (!ParseLine(text, &events)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::fprintf(stderr, "%s:%d: malformed script line: %s\n", path.c_str(), number, line.c_str());
            return false;
        }
        for (const HeadlessEvent& e : events)
            HeadlessQueue(e);
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

    HeadlessReset(clock);
    HeadlessSetCellMapper(CellToPixel);
    if (!script.empty() && !LoadScript(script))
        return 2;
    // Shot paths are relative to where the runner was started, not to the game directory.
    std::error_code ec;
    for (Shot& shot : shots)
        shot.path = std::filesystem::absolute(shot.path, ec).string();
    std::filesystem::current_path(dir, ec);
    if (ec) {
        std::fprintf(stderr, "cannot enter %s\n", dir.c_str());
        return 2;
    }

    if (!StartGame()) {
        FreeWorld();
        return 0;
    }
    HeadlessDeliverFrame(0);
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
    std::printf("frames %lld\n", static_cast<long long>(run));
    if (MainMap && FlagMap) {
        size_t cells = static_cast<size_t>(LayerCells) * static_cast<size_t>(WorldLayers);
        std::printf("mainmap %s\n", Sha256Hex(MainMap, cells).c_str());
        std::printf("flagmap %s\n", Sha256Hex(FlagMap, cells).c_str());
    }
    std::fflush(stdout);
    FreeWorld();
    return shots_ok ? 0 : 1;
}
