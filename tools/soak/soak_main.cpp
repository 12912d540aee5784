// gamevrak-soak: a long run of generated random play through the replay
// runner, watching the resident memory.
//
// The replay runner's own main (tools/replay/replay_main.cpp, built in here as
// ReplayMain) runs the generated script; the link wraps its calls of RunFrame
// and FreeWorld so that the resident set size can be read after the warm-up
// frames and right before the orderly end. The run fails when the replay fails
// or when the memory at the end exceeds the warm-up figure by more than the
// allowed share.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/shell.h"
#include "assets/sound.h"
#include "platform/headless/headless.h"
#include "units/unit.h"

int ReplayMain(int argc, char** argv);

extern "C" void __real__Z8RunFramev();
extern "C" void __real__Z9FreeWorldv();

namespace fs = std::filesystem;

namespace
{
const char* const DATA_FOLDERS[] = {"bmp_cross",     "bmp_unit", "bmp_land", "bmp_dungeon",
                                    "bmp_structure", "bmp_item", "sound"};

struct Watch {
    int64_t frames = 0;
    int64_t warmup_frames = 1000;
    int64_t sample_every = 10000;
    int64_t rss_after_warmup = -1; // kB
    int64_t rss_at_end = -1;
    int64_t rss_peak = 0;
    std::vector<std::pair<int64_t, int64_t>> samples;
    // What the play did, as evidence that it was play.
    std::string activity;
};
Watch W;

// VmRSS of this process in kB, -1 when it cannot be read.
int64_t ResidentKb()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::strtoll(line.c_str() + 6, nullptr, 10);
    return -1;
}

void Sample()
{
    int64_t kb = ResidentKb();
    if (kb > W.rss_peak)
        W.rss_peak = kb;
    W.samples.push_back({W.frames, kb});
}

struct Options {
    int64_t frames = 100000;
    uint32_t seed = 1;
    double tolerance = 0.05;
    std::string game_dir;
    std::string work_dir;
    std::string script_out;
    bool keep = false;
    bool script_only = false;
    bool close_at_end = false;
};

int Usage()
{
    std::fprintf(stderr, "usage: gamevrak-soak [--frames N] [--seed S] [--tolerance SHARE] [--game DIR] "
                         "[--work DIR] [--script-out FILE] [--keep] [--script-only] [--close-at-end]\n"
                         "  --script-only   prepare the game folder and write the script, run nothing\n"
                         "  --close-at-end  close the window in the last frame: the game's own orderly end\n");
    return 2;
}

// ---- the generated play -----------------------------------------------------------

class ScriptWriter
{
  public:
    ScriptWriter(uint32_t seed, int64_t frames) : rng_(seed), frames_(frames) {}

    int64_t Uniform(int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng_); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < p; }

    void Event(int64_t frame, const std::string& text)
    {
        if (frame >= 1 && frame < frames_)
            lines_.push_back(std::to_string(frame) + " " + text);
    }
    // Closes the window while the last frame pumps its messages.
    void CloseAtEnd() { lines_.push_back(std::to_string(frames_) + " close"); }
    void Key(int64_t frame, const std::string& name) { Event(frame, "key " + name); }
    void Pointer(int64_t frame, int64_t x, int64_t y)
    {
        Event(frame, "mouse " + std::to_string(x) + " " + std::to_string(y));
    }

    // Tab, the text one key a frame, Enter, Tab. Returns the frame after it.
    int64_t Command(int64_t frame, const std::string& text)
    {
        Key(frame++, "Tab");
        for (char c : text) {
            if (c == ' ')
                Key(frame++, "Space");
            else
                Key(frame++, std::string(1, static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c)));
        }
        Key(frame++, "Enter");
        Key(frame++, "Tab");
        return frame;
    }

    // One stretch of play starting at `frame`; returns where the next begins.
    int64_t Episode(int64_t frame)
    {
        // A member just selected stands at the view's origin cell; two steps
        // left and down then put it at view cell (2, 2), with all eight
        // neighbours on the screen. Returns the first frame after that.
        auto select_and_centre = [&](int64_t f) {
            Key(f, "RightBracket");
            Key(f + 1, "Left");
            Key(f + 2, "Left");
            Key(f + 3, "Down");
            Key(f + 4, "Down");
            return f + 5;
        };
        // The pixel of a cell beside the member (or the member's own).
        auto beside = [&](int64_t dx, int64_t dy, int64_t* x, int64_t* y) {
            *x = 8 + 16 * (2 + dx);
            *y = 8 + 16 * (2 + dy);
        };
        int64_t x = 0, y = 0;
        switch (Uniform(0, 12)) {
        case 0: // select a party member
            Key(frame, Chance(0.5) ? "RightBracket" : "LeftBracket");
            return frame + Uniform(2, 30);
        case 1: // select, then walk somewhere on the screen
            Key(frame, "RightBracket");
            Pointer(frame + 2, Uniform(0, 639), Uniform(0, 479));
            Event(frame + 3, "rclick");
            return frame + Uniform(30, 400);
        case 2: { // pick up next to the member, then the action keys there
            int64_t f = select_and_centre(frame);
            beside(Uniform(-1, 1), Uniform(-1, 1), &x, &y);
            Pointer(f, x, y);
            Event(f + 1, "lclick");
            if (Chance(0.5))
                Key(f + 2, "K");
            if (Chance(0.5))
                Key(f + 3, "D");
            if (Chance(0.3))
                Key(f + 4, "S");
            return f + Uniform(5, 60);
        }
        case 12: { // let monsters come, then strike at every neighbour in turn
            int64_t f = select_and_centre(frame) + Uniform(30, 300);
            for (int64_t i = 0; i < 120; ++i) {
                static const int dirs[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
                beside(dirs[(i / 3) % 8][0], dirs[(i / 3) % 8][1], &x, &y);
                Pointer(f + i, x, y);
                Event(f + i, "lclick");
            }
            return f + 121;
        }
        case 3: // a left click anywhere: selection by click
            Pointer(frame, Uniform(0, 639), Uniform(0, 479));
            Event(frame + 1, "lclick");
            return frame + Uniform(2, 20);
        case 4: { // scroll
            static const char* const arrows[] = {"Left", "Up", "Right", "Down"};
            int64_t steps = Uniform(1, 20);
            const char* arrow = arrows[Uniform(0, 3)];
            for (int64_t i = 0; i < steps; ++i)
                Key(frame + i, arrow);
            return frame + steps + 1;
        }
        case 5: // change layer and come back
            Key(frame, "KeypadPlus");
            Key(frame + Uniform(5, 60), "KeypadMinus");
            return frame + 70;
        case 6: // the mini-map
            Pointer(frame, Uniform(0, 639), Uniform(0, 479));
            Key(frame + 1, "N");
            if (Chance(0.5)) {
                Pointer(frame + 3, Uniform(0, 639), Uniform(0, 479));
                Event(frame + 4, "rclick");
            }
            return frame + Uniform(5, 40);
        case 7: { // the console
            std::string text;
            switch (Uniform(0, 5)) {
            case 0: text = "su " + std::to_string(Uniform(0, 2999)); break;
            case 1:
                text =
                    "env4teleport " + std::to_string(Uniform(0, 1100)) + " " + std::to_string(Uniform(0, 1100)) + " 1";
                break;
            case 2: text = "env4cyclestep " + std::to_string(Uniform(20, 60)); break;
            case 3: text = Chance(0.5) ? "corner1" : "env4emptyx1"; break;
            case 4: text = Chance(0.5) ? "env4grass" : "env4dirt"; break;
            default: {
                int64_t after = Command(frame, "screensavertoggle");
                return Command(after + Uniform(10, 100), "screensavertoggle");
            }
            }
            return Command(frame, text) + Uniform(1, 30);
        }
        case 8: // zoom out and back in
            Key(frame, "F5");
            Key(frame + Uniform(5, 50), "F6");
            return frame + 60;
        case 9: // wait and watch the monsters
            return frame + Uniform(50, 600);
        default: { // walk order to a cell near the member, then a click there
            int64_t f = select_and_centre(frame);
            beside(Uniform(-2, 3), Uniform(-2, 3), &x, &y);
            Pointer(f, x, y);
            Event(f + 1, "rclick");
            Event(f + Uniform(60, 200), "lclick");
            return f + 210;
        }
        }
    }

    // A few saves and loads: one of each slot within the warm-up, so that the
    // route arrays are all in memory before it ends, and a few later on.
    void SavesAndLoads(int64_t warmup)
    {
        Key(warmup * 1 / 10, "F1");
        Key(warmup * 3 / 10, "F3");
        Key(warmup * 5 / 10, "F2");
        Key(warmup * 7 / 10, "F4");
        Key(frames_ * 4 / 10, "F1");
        Key(frames_ * 6 / 10, "F4");
        Key(frames_ * 8 / 10, "F3");
    }

    bool Write(const std::string& path)
    {
        std::ofstream out(path);
        out << "# generated by gamevrak-soak\n";
        for (const std::string& line : lines_)
            out << line << "\n";
        return static_cast<bool>(out);
    }

    size_t Count() const { return lines_.size(); }

  private:
    std::mt19937 rng_;
    int64_t frames_;
    std::vector<std::string> lines_;
};

bool PrepareWorkDir(const Options& o, std::string* work)
{
    std::error_code ec;
    if (!o.work_dir.empty()) {
        fs::create_directories(o.work_dir, ec);
        *work = fs::absolute(o.work_dir, ec).string();
    } else {
        std::string pattern = (fs::temp_directory_path(ec) / "gamevrak-soak-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data()))
            return false;
        *work = buffer.data();
    }
    fs::create_directories(fs::path(*work) / "map", ec);
    // Copied, not linked: a missing picture is created empty by the loader,
    // which must not happen in the build's own folder.
    for (const char* folder : DATA_FOLDERS) {
        fs::path from = fs::path(o.game_dir) / folder;
        if (fs::is_directory(from, ec))
            fs::copy(from, fs::path(*work) / folder, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
                     ec);
    }
    return fs::is_directory(fs::path(*work) / "map", ec);
}
} // namespace

// The replay runner's frames pass through here.
extern "C" void __wrap__Z8RunFramev()
{
    __real__Z8RunFramev();
    ++W.frames;
    if (W.frames == W.warmup_frames) {
        Sample();
        W.rss_after_warmup = W.samples.back().second;
    } else if (W.frames % W.sample_every == 0) {
        Sample();
    }
}

// Blows and spells by the sounds they made, the dead and the party's gold.
std::string DescribeActivity()
{
    int64_t swish = 0, fire = 0;
    for (const HeadlessSound& sound : HeadlessSounds()) {
        swish += sound.path == SOUND_SWISH;
        fire += sound.path == SOUND_FIRE;
    }
    int64_t dead = 0;
    double party_gold = 0.0;
    for (int32_t u = 0; UnitTable && u < MaxUnits; ++u) {
        dead += !(UnitTable[u].hit_points > 0.0f);
        if (UnitTable[u].faction == FACTION_PARTY)
            party_gold += UnitTable[u].gold;
    }
    char text[200];
    std::snprintf(text, sizeof text, "%lld blow sounds, %lld fire sounds, %lld units down, party gold %.0f, unit %d",
                  static_cast<long long>(swish), static_cast<long long>(fire), static_cast<long long>(dead), party_gold,
                  CurrentUnit);
    return text;
}

extern "C" void __wrap__Z9FreeWorldv()
{
    Sample();
    W.rss_at_end = W.samples.back().second;
    W.activity = DescribeActivity();
    __real__Z9FreeWorldv();
}

int main(int argc, char** argv)
{
    Options o;
    std::error_code ec;
    o.game_dir = fs::canonical("/proc/self/exe", ec).parent_path().string();
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--keep" || arg == "--script-only" || arg == "--close-at-end") {
            (arg == "--keep" ? o.keep : arg == "--script-only" ? o.script_only : o.close_at_end) = true;
            continue;
        }
        if (i + 1 >= argc)
            return Usage();
        std::string value = argv[++i];
        char* end = nullptr;
        if (arg == "--frames") {
            o.frames = std::strtoll(value.c_str(), &end, 10);
            if (*end || o.frames <= 0)
                return Usage();
        } else if (arg == "--seed") {
            o.seed = static_cast<uint32_t>(std::strtoul(value.c_str(), &end, 10));
            if (*end)
                return Usage();
        } else if (arg == "--tolerance") {
            o.tolerance = std::strtod(value.c_str(), &end);
            if (*end || !(o.tolerance >= 0.0))
                return Usage();
        } else if (arg == "--game")
            o.game_dir = value;
        else if (arg == "--work")
            o.work_dir = value;
        else if (arg == "--script-out")
            o.script_out = value;
        else
            return Usage();
    }
    // Short runs keep their warm-up to a fifth of the frames.
    W.warmup_frames = std::min<int64_t>(1000, std::max<int64_t>(1, o.frames / 5));
    W.sample_every = std::max<int64_t>(1, std::min<int64_t>(10000, o.frames / 10));

    std::string work;
    if (!PrepareWorkDir(o, &work)) {
        std::fprintf(stderr, "cannot prepare a game folder for the soak\n");
        return 2;
    }
    ScriptWriter script(o.seed, o.frames);
    // One member selected first, so that the first actions have someone to act for.
    script.Key(1, "RightBracket");
    script.SavesAndLoads(W.warmup_frames);
    for (int64_t frame = 5; frame < o.frames;)
        frame = script.Episode(frame);
    if (o.close_at_end)
        script.CloseAtEnd();
    // Absolute, because the replay runner enters the game folder before reading it.
    std::string script_path =
        o.script_out.empty() ? (fs::path(work) / "soak-script.txt").string() : fs::absolute(o.script_out, ec).string();
    if (!script.Write(script_path)) {
        std::fprintf(stderr, "cannot write %s\n", script_path.c_str());
        return 2;
    }
    std::printf("soak: %lld frames, seed %u, %zu events, game folder %s\n", static_cast<long long>(o.frames), o.seed,
                script.Count(), work.c_str());
    std::printf("soak: replay with: gamevrak-replay --dir %s --frames %lld --script %s\n", work.c_str(),
                static_cast<long long>(o.frames), script_path.c_str());
    std::fflush(stdout);
    if (o.script_only)
        return 0;

    std::string frames_text = std::to_string(o.frames);
    std::vector<std::string> args = {"gamevrak-replay", "--dir",    work,       "--frames",
                                     frames_text,       "--script", script_path};
    std::vector<char*> arg_pointers;
    for (std::string& a : args)
        arg_pointers.push_back(a.data());
    arg_pointers.push_back(nullptr);
    int replay = ReplayMain(static_cast<int>(args.size()), arg_pointers.data());

    for (const auto& [frame, kb] : W.samples)
        std::printf("soak: frame %lld rss %lld kB\n", static_cast<long long>(frame), static_cast<long long>(kb));
    std::printf("soak: play: %s\n", W.activity.c_str());
    bool ok = replay == 0;
    if (replay != 0)
        std::printf("soak: FAIL: the replay runner returned %d\n", replay);
    if (W.frames != o.frames) {
        std::printf("soak: FAIL: %lld of %lld frames ran\n", static_cast<long long>(W.frames),
                    static_cast<long long>(o.frames));
        ok = false;
    }
    if (W.rss_after_warmup <= 0 || W.rss_at_end <= 0) {
        std::printf("soak: FAIL: the resident memory could not be read\n");
        ok = false;
    } else {
        double growth =
            static_cast<double>(W.rss_at_end - W.rss_after_warmup) / static_cast<double>(W.rss_after_warmup);
        std::printf("soak: rss after %lld frames %lld kB, at the end %lld kB (%+.2f%%), peak %lld kB\n",
                    static_cast<long long>(W.warmup_frames), static_cast<long long>(W.rss_after_warmup),
                    static_cast<long long>(W.rss_at_end), growth * 100.0, static_cast<long long>(W.rss_peak));
        if (growth > o.tolerance) {
            std::printf("soak: FAIL: resident memory grew by more than %.1f%%\n", o.tolerance * 100.0);
            ok = false;
        }
    }
    if (ok && !o.keep && o.work_dir.empty())
        fs::remove_all(work, ec);
    std::printf("soak: %s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
