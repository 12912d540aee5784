// Start-up to the first presented frame against the world generation and
// seeding alone, in processor time; and the resident memory of a fresh game
// process after start-up and after the things that make it grow.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/console.h"
#include "app/random.h"
#include "app/rules.h"
#include "app/shell.h"
#include "persist/save.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"
#include "world/worldgen.h"

namespace fs = std::filesystem;

namespace
{
// The texture sets are read from the game folder, as in a real start.
void EnterGameFolder()
{
    static bool entered = false;
    if (!entered)
        PlatformEnterGameDirectory(nullptr);
    entered = true;
}

double CpuMs() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double ResidentMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return -1.0;
}

// Runs in a process of its own (this program started again), so that nothing
// an earlier benchmark allocated is counted. Each figure includes the steps
// before it, as in one session of play.
void ProbeResidentMemory()
{
    EnterGameFolder();
    HeadlessReset();
    if (!StartGame())
        std::exit(1);
    RunFrame();
    std::printf("rss start-up %.1f\n", ResidentMb());

    // Everything reachable on the first party member's layer, doors opened.
    for (int32_t i = 0; i < LayerCells; ++i)
        if (MainMap[LayerCells + i] == CELL_DOOR)
            MainMap[LayerCells + i] = CELL_FLOOR;
    const Unit& first = UnitTable[CurrentUnit];
    StartSearch(&PathFinders[0], first.cell_x, first.cell_y, 1, 1, 1, 1024);
    while (SearchSteps(&PathFinders[0], 131072) == 0) {
    }
    RunFrame();
    std::printf("rss whole-layer-search %.1f\n", ResidentMb());

    fs::path scratch = fs::temp_directory_path() / ("gamevrak-bench-" + std::to_string(std::time(nullptr)));
    fs::create_directories(scratch / "map");
    fs::current_path(scratch);
    SaveSlot(1);
    LoadSlot(1);
    RunFrame();
    std::printf("rss save-and-load %.1f\n", ResidentMb());
    fs::remove_all(scratch);

    ScreenSaverOn = 1;
    for (int i = 0; i < 200; ++i)
        RunFrame();
    std::printf("rss screen-saver %.1f\n", ResidentMb());
    std::fflush(stdout);
    std::_Exit(0);
}
} // namespace

static void BM_StartUpCpuAgainstWorldAlone(benchmark::State& state)
{
    EnterGameFolder();
    double start_up = 0.0, world = 0.0;
    for (auto _ : state) {
        double t0 = CpuMs();
        HeadlessReset();
        if (!StartGame()) {
            state.SkipWithError("the window did not open");
            break;
        }
        RunFrame();
        double t1 = CpuMs();
        FreeWorld();
        AllocateGrids();
        AllocateUnitTable();
        double t2 = CpuMs();
        Srand(99);
        BuildStartWorld();
        SeedUnits();
        double t3 = CpuMs();
        FreeGrids();
        FreeUnitTable();
        start_up += t1 - t0;
        world += t3 - t2;
    }
    state.counters["start_up_ms"] = start_up / static_cast<double>(state.iterations());
    state.counters["world_ms"] = world / static_cast<double>(state.iterations());
    state.counters["ratio"] = start_up / world;
}
BENCHMARK(BM_StartUpCpuAgainstWorldAlone)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(5);

static void BM_ResidentMemory(benchmark::State& state)
{
    if (std::getenv("GAMEVRAK_BENCH_MEMORY_PROBE"))
        ProbeResidentMemory();
    std::string command = "GAMEVRAK_BENCH_MEMORY_PROBE=1 '" + fs::read_symlink("/proc/self/exe").string() +
                          "' --benchmark_filter=^BM_ResidentMemory/ 2>/dev/null";
    for (auto _ : state) {
        std::FILE* probe = popen(command.c_str(), "r");
        char line[256], name[64];
        double mb = 0.0;
        while (probe && std::fgets(line, sizeof line, probe))
            if (std::sscanf(line, "rss %63s %lf", name, &mb) == 2)
                state.counters[std::string(name) + "_MB"] = mb;
        if (!probe || pclose(probe) != 0)
            state.SkipWithError("the probe process failed");
    }
}
BENCHMARK(BM_ResidentMemory)->Unit(benchmark::kMillisecond)->Iterations(1);
