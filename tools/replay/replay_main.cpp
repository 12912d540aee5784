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

#include "app/recorder.h"
#include "app/shell.h"
#include "app/summary.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

namespace
{
// The names the recording game writes.
const std::map<std::string, int32_t>& KeyNames()
{
    static const std::map<std::string, int32_t> names = [] {
        std::map<std::string, int32_t> m;
        for (int32_t code = 0; code < 256; ++code)
            if (const char* name = ScriptKeyName(code))
                m[name] = code;
        return m;
    }();
    return names;
}

// What the script's header says: the clock of the start-up seed and the start zoom.
struct ScriptHeader {
    bool has_clock = false;
    double clock = 0.0;
    int32_t zoom = 2;
};

bool ParseUnsigned(const std::string& s, uint32_t* out)
{
    if (s.empty() || s.size() > 10 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long long v = std::strtoull(s.c_str(), nullptr, 10);
    if (v > 4294967295ull)
        return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

// `clock SECONDS` and `zoom N`, without a frame, before the first event.
bool ParseHeaderLine(const std::string& line, ScriptHeader* header)
{
    std::istringstream in(line);
    std::string word, value, extra;
    if (!(in >> word >> value) || (in >> extra))
        return false;
    uint32_t n = 0;
    if (word == "clock" && ParseUnsigned(value, &n)) {
        header->has_clock = true;
        header->clock = n;
        return true;
    }
    if (word == "zoom" && ParseUnsigned(value, &n) && n >= 1 && n <= 5) {
        header->zoom = static_cast<int32_t>(n);
        return true;
    }
    return false;
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
    if (event == "clock") {
        if (!(in >> a) || (in >> extra) || !ParseUnsigned(a, &e->seconds))
            return false;
        e->kind = HEADLESS_CLOCK;
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
bool LoadScript(const std::string& path, ScriptHeader* header, std::vector<HeadlessEvent>* script)
{
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "cannot read script %s\n", path.c_str());
        return false;
    }
    std::string line;
    int number = 0;
    bool events = false;
    while (std::getline(in, line)) {
        ++number;
        std::string text = line;
        size_t hash = text.find('#');
        if (hash != std::string::npos)
            text.resize(hash);
        if (text.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (!events && ParseHeaderLine(text, header))
            continue;
        events = true;
        if (!ParseLine(text, script)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            std::fprintf(stderr, "%s:%d: malformed script line: %s\n", path.c_str(), number, line.c_str());
            return false;
        }
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
    std::vector<HeadlessEvent> events;
    if (!script.empty() && !LoadScript(script, &header, &events))
        return 2;
    HeadlessReset(clock_given || !header.has_clock ? clock : header.clock);
    HeadlessSetCellMapper(CellToPixel);
    for (const HeadlessEvent& e : events)
        HeadlessQueue(e);
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
