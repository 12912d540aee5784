// What the fuzz targets, the soak and the tests share (HACKING.md).
#pragma once
#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/input.h"
#include "app/random.h"
#include "app/script.h"
#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "units/combat.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace play
{
namespace fs = std::filesystem;

[[noreturn]] inline void Fail(const char* what) { std::fprintf(stderr, "fuzz: %s\n", what), std::abort(); }

// `dir`, or a fresh folder removed at exit, with an empty map folder and copies (a load creates missing files) of the
// art and sound of `game`.
inline std::string GameDir(const fs::path& game, std::string dir = "")
{
    static std::vector<std::string> made;
    if (dir.empty()) {
        dir = (fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string()) + "/gamevrak-XXXXXX";
        if (!mkdtemp(dir.data()))
            Fail("cannot make a folder");
        if (made.empty())
            std::atexit([] {
                std::error_code ec;
                for (const std::string& d : made)
                    fs::remove_all(d, ec);
            });
        made.push_back(dir);
    }
    std::error_code ec;
    fs::create_directories(fs::path(dir) / "map", ec);
    for (const char* f : {"bmp_cross", "bmp_unit", "bmp_land", "bmp_dungeon", "bmp_structure", "bmp_item", "sound"})
        fs::copy(game / f, fs::path(dir) / f, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    return dir;
}

// The memory that play, the console and loads change, the route cells aside.
using Regions = std::vector<std::pair<void*, size_t>>;
inline Regions GameState()
{
    size_t cells = LayerCells * WorldLayers, units = sizeof(Unit) * MaxUnits, effects = sizeof(Effect) * MaxEffects;
    Regions state = {{MainMap, cells}, {FlagMap, cells}, {UnitTable, units}, {EffectTable, effects}};
    state.insert(state.end(), {{LayerBuffer, ScreenWidth * ScreenHeight * 4}, {ConsoleLine, sizeof ConsoleLine}});
    state.insert(state.end(), {{&MonsterCyclePeriod, 4}, {&PathFinders[0].WindowSide, 4}});
    for (int32_t* v : {&ViewX, &ViewY, &ViewLayer, &CurrentUnit, &FrameCounter, &MiniMapX, &MiniMapY, &MiniMapOn,
                       &ConsoleOpen, &ShowCursorCross, &PixelZoom, &ScreenSaverOn, &ConsoleLength, &QuitRequested})
        state.push_back({v, sizeof *v});
    return state;
}
inline std::vector<std::vector<uint8_t>> Start;
inline fs::path Home, Dir; // where the process started, and the game's folder

// Dropping the route arrays' whole pages (MADV_DONTNEED) zeros them without writing; the ends are written.
inline void AdviseRoutes(int advice)
{
    for (int i = 0; i < 4; ++i) {
        uint8_t* p = reinterpret_cast<uint8_t*>(i % 2 ? PathFinders[i / 2].RouteY : PathFinders[i / 2].RouteX);
        uintptr_t page = sysconf(_SC_PAGESIZE), a = reinterpret_cast<uintptr_t>(p), e = a + 4 * MaxUnits * PathCap;
        uintptr_t pa = (a + page - 1) / page * page, pe = std::max(pa, e / page * page);
        if (madvise(reinterpret_cast<void*>(pa), pe - pa, advice) != 0)
            pa = pe = e;
        std::memset(p, 0, advice == MADV_DONTNEED ? pa - a : 0);
        std::memset(p + (pe - a), 0, advice == MADV_DONTNEED ? e - pe : 0);
    }
}

// Starts the game in `dir` on the headless backend and keeps its start state. The process is in `dir` only while it
// runs an input: the fuzzer's paths stay relative to where it started.
inline void StartGameOnce(const fs::path& dir)
{
    Home = fs::current_path();
    fs::current_path(Dir = dir);
    HeadlessReset();
    if (!StartGame())
        Fail("the game did not start");
    std::atexit(FreeWorld);
    AdviseRoutes(MADV_HUGEPAGE); // a fault for 2 MB, not 4 KB, as loads sweep them
    for (auto [p, n] : GameState())
        Start.emplace_back(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + n);
    fs::current_path(Home);
}

inline void ResetGame()
{
    HeadlessReset();
    ClearInputFlags();
    ResetPathFinders();
    AdviseRoutes(MADV_DONTNEED);
    Regions state = GameState();
    for (size_t i = 0; i < state.size(); ++i)
        std::memcpy(state[i].first, Start[i].data(), Start[i].size());
    OpenMainWindow(); // at the zoom of the start
    Srand(PlatformTimeSeconds());
}

inline uint64_t* Ends = nullptr; // where RunFrames leaves a hash of how the game ended

// Up to `frames` frames, then the reset: within the run, or libFuzzer runs it again to look for a leak.
inline void RunFrames(int32_t frames)
{
    fs::current_path(Dir);
    HeadlessDeliverFrame(0);
    TakeFrameInput(0);
    for (int32_t i = 0; i < frames && QuitRequested == 0; ++i) {
        RunFrame();
        HeadlessAdvanceClock(1.0 / 60.0);
    }
    Regions state = GameState();
    state.push_back({&RandState, sizeof RandState});
    state.push_back({const_cast<uint8_t*>(HeadlessLastFrame().data()), HeadlessLastFrame().size()});
    for (auto [p, n] : state)
        for (size_t i = 0; Ends && i < n; ++i)
            *Ends = (*Ends ^ static_cast<const uint8_t*>(p)[i]) * 1099511628211ull;
    ResetGame();
    fs::current_path(Home);
}

// `reference`, `other`, `reference` again: unless the two reference runs end alike, a crash found would depend on the
// inputs before it.
inline void CheckResetIsComplete(int (*run)(const uint8_t*, size_t), const std::vector<uint8_t>& reference,
                                 const std::vector<uint8_t>& other)
{
    uint64_t ends[3] = {};
    for (int k = 0; k < 3; ++k)
        run((Ends = &ends[k], k == 1 ? other.data() : reference.data()), k == 1 ? other.size() : reference.size());
    Ends = nullptr;
    if (ends[0] != ends[2] || ends[0] == ends[1])
        Fail(ends[0] == ends[1] ? "the reset check's inputs end alike" : "the reset leaves state behind");
}

struct Bytes {
    const uint8_t* data;
    size_t size, pos;
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    uint32_t Le(int n)
    {
        uint32_t v = Byte();
        return n > 1 ? v | Le(n - 1) << 8 : v;
    }
};

// Play: operations of two bytes (what % 7, and a value), some with one more.
// Events land on the current frame until an operation moves it on.
//   0 time passes: 1 + value % 32 frames     4 right click
//   1 a play key; 255 and 254 save (F1, F2)  5 pointer to view cell (value % 5, next % 5),
//   2 pointer to pixel (value, next) scaled     beside a member centred by 6
//   3 left click                             6 next member, centred at view cell (2, 2)
inline std::vector<ScriptEvent> DecodePlay(Bytes& in, int32_t from, int32_t until)
{
    static const int32_t KEYS[] = {
        KEY_K,    KEY_D,  KEY_S,     KEY_N,    KEY_M,           KEY_LEFT_BRACKET, KEY_RIGHT_BRACKET,
        KEY_LEFT, KEY_UP, KEY_RIGHT, KEY_DOWN, KEY_KEYPAD_PLUS, KEY_KEYPAD_MINUS, KEY_F3,
        KEY_F4,   KEY_F5, KEY_F6,    KEY_TAB,  KEY_ENTER,       KEY_ESCAPE};
    std::vector<ScriptEvent> out;
    for (int32_t at = from; at < until && in.pos < in.size;) {
        uint8_t op = in.Byte() % 7, a = in.Byte();
        if (op == 0)
            at += 1 + a % 32;
        else if (op == 1)
            out.push_back({at, SCRIPT_KEY, a == 255 ? KEY_F1 : a == 254 ? KEY_F2 : KEYS[a % 20], 0});
        else if (op == 2 || op == 5)
            out.push_back({at, SCRIPT_MOUSE, op == 2 ? a * 640 / 256 : a % 5 * 16 + 8,
                           op == 2 ? in.Byte() * 480 / 256 : in.Byte() % 5 * 16 + 8});
        else if (op == 3 || op == 4)
            out.push_back({at, op == 3 ? SCRIPT_LCLICK : SCRIPT_RCLICK, 0, 0});
        else
            for (int32_t key : {KEY_RIGHT_BRACKET, KEY_LEFT, KEY_LEFT, KEY_DOWN, KEY_DOWN})
                out.push_back({at++, SCRIPT_KEY, key, 0});
    }
    return out;
}

inline void QueueScript(const std::vector<ScriptEvent>& events)
{
    for (const ScriptEvent& e : events)
        if (e.kind == SCRIPT_CLOCK)
            HeadlessQueueClock(e.frame, e.seconds);
        else
            HeadlessQueue(e.frame, ScriptInput(e));
}
} // namespace play
