#include "fuzz_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/console.h"
#include "app/input.h"
#include "app/random.h"
#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "units/combat.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

#ifndef FUZZ_GAME_DIR
#define FUZZ_GAME_DIR ""
#endif

namespace fs = std::filesystem;

namespace
{
constexpr double START_CLOCK = 1000000000.0;
const char* const DATA_FOLDERS[] = {"bmp_cross",     "bmp_unit", "bmp_land", "bmp_dungeon",
                                    "bmp_structure", "bmp_item", "sound"};

struct StartState {
    std::vector<uint8_t> main_map;
    std::vector<uint8_t> flag_map;
    std::vector<Unit> units;
    std::vector<Effect> effects;
    std::vector<uint8_t> layer_buffer;
    int32_t current_unit;
    int32_t view_x, view_y, view_layer;
    int32_t frame_counter;
    int32_t console_open;
    float cycle_period;
    int32_t minimap_on, minimap_x, minimap_y;
    int32_t show_cross;
    int32_t screen_saver;
    int32_t screen_width, screen_height, pixel_zoom;
    int32_t window_side;
};

StartState Start;
std::vector<std::string> ScratchDirs;

void CellToPixel(int32_t cx, int32_t cy, int32_t* px, int32_t* py)
{
    *px = (cx - ViewX) * 16 + 8;
    *py = (cy - ViewY) * 16 + 8;
}

void RemoveScratchDirs()
{
    std::error_code ec;
    for (const std::string& dir : ScratchDirs)
        fs::remove_all(dir, ec);
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz set-up failed: %s\n", what);
    std::abort();
}

// Copies rather than links, so that a load which creates missing files never
// writes into the build's own game folder.
void CopyGameData(const fs::path& into)
{
    const char* from = std::getenv("GAMEVRAK_GAME_DIR");
    fs::path source = from && *from ? fs::path(from) : fs::path(FUZZ_GAME_DIR);
    std::error_code ec;
    for (const char* folder : DATA_FOLDERS)
        if (fs::is_directory(source / folder, ec))
            fs::copy(source / folder, into / folder, fs::copy_options::recursive, ec);
}

void TakeSnapshot()
{
    size_t cells = static_cast<size_t>(LayerCells) * static_cast<size_t>(WorldLayers);
    Start.main_map.assign(MainMap, MainMap + cells);
    Start.flag_map.assign(FlagMap, FlagMap + cells);
    Start.units.assign(UnitTable, UnitTable + MaxUnits);
    Start.effects.assign(EffectTable, EffectTable + MaxEffects);
    size_t pixels = static_cast<size_t>(ScreenWidth) * static_cast<size_t>(ScreenHeight) * 4;
    Start.layer_buffer.assign(LayerBuffer, LayerBuffer + pixels);
    Start.current_unit = CurrentUnit;
    Start.view_x = ViewX;
    Start.view_y = ViewY;
    Start.view_layer = ViewLayer;
    Start.frame_counter = FrameCounter;
    Start.console_open = ConsoleOpen;
    Start.cycle_period = MonsterCyclePeriod;
    Start.minimap_on = MiniMapOn;
    Start.minimap_x = MiniMapX;
    Start.minimap_y = MiniMapY;
    Start.show_cross = ShowCursorCross;
    Start.screen_saver = ScreenSaverOn;
    Start.screen_width = ScreenWidth;
    Start.screen_height = ScreenHeight;
    Start.pixel_zoom = PixelZoom;
    Start.window_side = PathFinders[0].WindowSide;
}

} // namespace

std::string MakeScratchDir(const char* tag)
{
    std::error_code ec;
    std::string base = fs::is_directory("/dev/shm", ec) ? "/dev/shm" : fs::temp_directory_path(ec).string();
    std::string pattern = base + "/gamevrak-" + tag + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        Fail("cannot make a scratch folder");
    if (ScratchDirs.empty())
        std::atexit(RemoveScratchDirs);
    ScratchDirs.push_back(buffer.data());
    return ScratchDirs.back();
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size)
{
    return WriteSegmentedFile(path, size, {{0, data, size}});
}

bool WriteSegmentedFile(const std::string& path, uint64_t size, const std::vector<FileSegment>& segments)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
    for (const FileSegment& s : segments) {
        if (!ok || s.offset >= size || s.size == 0)
            continue;
        size_t n = static_cast<size_t>(std::min<uint64_t>(s.size, size - s.offset));
        size_t done = 0;
        while (ok && done < n) {
            ssize_t w = pwrite(fd, s.data + done, n - done, static_cast<off_t>(s.offset + done));
            ok = w > 0;
            if (ok)
                done += static_cast<size_t>(w);
        }
    }
    return close(fd) == 0 && ok;
}

void KeepFuzzerPathsAbsolute(int* argc, char*** argv)
{
    static const char* const PATH_FLAGS[] = {"-artifact_prefix=",    "-exact_artifact_path=", "-dict=",
                                             "-merge_control_file=", "-features_dir=",        "-data_flow_trace="};
    static std::vector<std::string> args;
    static std::vector<char*> pointers;
    std::error_code ec;
    bool has_prefix = false;
    for (int i = 0; i < *argc; ++i) {
        std::string arg = (*argv)[i];
        if (i > 0 && !arg.empty() && arg[0] != '-') {
            arg = fs::absolute(arg, ec).string();
        } else {
            for (const char* flag : PATH_FLAGS) {
                size_t n = std::strlen(flag);
                if (arg.compare(0, n, flag) == 0 && arg.size() > n) {
                    // The prefix keeps its trailing slash, which fs::absolute would too.
                    arg = flag + fs::absolute(arg.substr(n), ec).string();
                    has_prefix = has_prefix || std::strcmp(flag, "-artifact_prefix=") == 0;
                }
            }
        }
        args.push_back(arg);
    }
    if (!has_prefix)
        args.push_back("-artifact_prefix=" + fs::current_path(ec).string() + "/");
    for (std::string& arg : args)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    *argc = static_cast<int>(args.size());
    *argv = pointers.data();
}

void StartFuzzGame(const char* tag)
{
    std::string dir = MakeScratchDir(tag);
    std::error_code ec;
    fs::create_directory(fs::path(dir) / "map", ec);
    CopyGameData(dir);
    fs::current_path(dir, ec);
    if (ec)
        Fail("cannot enter the scratch folder");
    HeadlessReset(START_CLOCK);
    HeadlessSetCellMapper(CellToPixel);
    if (!StartGame())
        Fail("the game did not start");
    // The orderly end, so that nothing the game started outlives it.
    std::atexit(FreeWorld);
    TakeSnapshot();
}

void ResetFuzzGame()
{
    HeadlessReset(START_CLOCK);
    ClearInputFlags();
    QuitRequested = 0;
    ConsoleOpen = Start.console_open;
    ScreenSaverOn = Start.screen_saver;
    FreeConsole();
    InitConsole();
    MonsterCyclePeriod = Start.cycle_period;
    MiniMapOn = Start.minimap_on;
    MiniMapX = Start.minimap_x;
    MiniMapY = Start.minimap_y;
    ShowCursorCross = Start.show_cross;
    FrameCounter = Start.frame_counter;
    ViewX = Start.view_x;
    ViewY = Start.view_y;
    ViewLayer = Start.view_layer;
    CurrentUnit = Start.current_unit;

    // A zoom key may have remade buffers and window at another size.
    SetScreenSize(Start.screen_width, Start.screen_height);
    PixelZoom = Start.pixel_zoom;
    OpenMainWindow();
    std::memcpy(LayerBuffer, Start.layer_buffer.data(), Start.layer_buffer.size());

    std::memcpy(MainMap, Start.main_map.data(), Start.main_map.size());
    std::memcpy(FlagMap, Start.flag_map.data(), Start.flag_map.size());
    std::memcpy(UnitTable, Start.units.data(), Start.units.size() * sizeof(Unit));
    std::memcpy(EffectTable, Start.effects.data(), Start.effects.size() * sizeof(Effect));
    // Made anew by the game's own functions rather than patched back: the
    // search keeps private bookkeeping of which parts of its arrays are dirty.
    // The start-up then set only the window side.
    FreePathFinders();
    CreatePathFinders();
    if (!PathFinders)
        Fail("no pathfinders");
    PathFinders[0].WindowSide = Start.window_side;
    Srand(PlatformTimeSeconds());
}

namespace
{
struct Fnv {
    uint64_t h = 1469598103934665603ull;
    void Bytes(const void* data, size_t size)
    {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        // Eight bytes a step: the route arrays alone are 144 MB.
        size_t words = size / 8;
        for (size_t i = 0; i < words; ++i) {
            uint64_t w;
            std::memcpy(&w, p + 8 * i, 8);
            h = (h ^ w) * 1099511628211ull;
        }
        for (size_t i = words * 8; i < size; ++i)
            h = (h ^ p[i]) * 1099511628211ull;
    }
    template <class T> void Value(const T& v) { Bytes(&v, sizeof v); }
};
} // namespace

uint64_t GameFingerprint()
{
    Fnv f;
    size_t cells = static_cast<size_t>(LayerCells) * static_cast<size_t>(WorldLayers);
    f.Bytes(MainMap, cells);
    f.Bytes(FlagMap, cells);
    f.Bytes(UnitTable, sizeof(Unit) * static_cast<size_t>(MaxUnits));
    f.Bytes(EffectTable, sizeof(Effect) * static_cast<size_t>(MaxEffects));
    size_t units = static_cast<size_t>(MaxUnits);
    for (int i = 0; i < 2; ++i) {
        const PathFinder& pf = PathFinders[i];
        f.Bytes(pf.RouteIndex, units * sizeof(int32_t));
        f.Bytes(pf.RouteLength, units * sizeof(uint32_t));
        f.Bytes(pf.RouteX, units * PathCap * sizeof(uint32_t));
        f.Bytes(pf.RouteY, units * PathCap * sizeof(uint32_t));
        const int32_t scalars[] = {pf.RunningUnit, pf.NextUnit,   pf.WindowX, pf.WindowY, pf.WindowSide,
                                   pf.Failed,      pf.Iterations, pf.Result,  pf.Active};
        f.Value(scalars);
    }
    const int32_t shell[] = {ViewX,       ViewY,     ViewLayer, CurrentUnit, FrameCounter,  QuitRequested,
                             ConsoleOpen, MiniMapOn, MiniMapX,  MiniMapY,    ScreenSaverOn, ConsoleLength};
    f.Value(shell);
    f.Value(MonsterCyclePeriod);
    f.Value(RandState);
    f.Bytes(HeadlessLastFrame().data(), HeadlessLastFrame().size());
    return f.h;
}

void CheckResetIsComplete(int (*test_one_input)(const uint8_t*, size_t), const std::vector<uint8_t>& reference,
                          const std::vector<uint8_t>& other)
{
    test_one_input(reference.data(), reference.size());
    uint64_t first = GameFingerprint();
    test_one_input(other.data(), other.size());
    uint64_t between = GameFingerprint();
    test_one_input(reference.data(), reference.size());
    uint64_t second = GameFingerprint();
    if (first != second)
        Fail("the same input ended differently after another one: the reset leaves state behind");
    if (first == between)
        Fail("the reset check's two inputs end alike, so it proves nothing");
}

void RunFuzzFrames(int32_t frames)
{
    HeadlessDeliverFrame(0);
    for (int32_t i = 0; i < frames && QuitRequested == 0; ++i) {
        RunFrame();
        HeadlessAdvanceClock(1.0 / 60.0);
    }
}
