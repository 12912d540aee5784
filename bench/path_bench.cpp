// One 131,072-expansion slice of a whole-layer search on the start world with
// every layer-1 door opened: the game's search against the plain linear scan
// of tests/support/path_reference.h. Each run reports the median slice time. And the
// resident memory of the pathfinders: the large arrays should cost nothing
// until a search uses them (counters in kB).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "app/shell.h"
#include "gfx/draw.h"
#include "path_reference.h"
#include "platform/headless/headless.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{

constexpr int32_t SLICE = 131072;

struct OpenedStartWorld {
    int32_t sx = 0, sy = 0;
    OpenedStartWorld()
    {
        HeadlessReset();
        PrepareStartUp();
        PopulateWorld();
        for (int32_t i = 0; i < LayerCells; ++i)
            if (MainMap[LayerCells + i] == CELL_DOOR)
                MainMap[LayerCells + i] = CELL_FLOOR;
        sx = UnitTable[CurrentUnit].cell_x;
        sy = UnitTable[CurrentUnit].cell_y;
    }
    ~OpenedStartWorld() { FreeWorld(); }
};

// The goal (1, 1) lies walled in: the search runs over everything reachable.
template <typename Start, typename Steps>
double TimeSlice(PathFinder* pf, const OpenedStartWorld& w, int32_t slice, Start start, Steps steps)
{
    start(pf, w.sx, w.sy, 1, 1, 1, 1024);
    for (int32_t i = 0; i < slice; ++i)
        steps(pf, SLICE);
    // Processor time: the machine is shared, and wall time counts the others' work.
    std::clock_t t0 = std::clock();
    benchmark::DoNotOptimize(steps(pf, SLICE));
    std::clock_t t1 = std::clock();
    return 1000.0 * static_cast<double>(t1 - t0) / CLOCKS_PER_SEC;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

void BM_WholeLayerSlice(benchmark::State& state)
{
    OpenedStartWorld world;
    const int32_t slice = static_cast<int32_t>(state.range(0));
    std::vector<double> ms;
    for (auto _ : state) {
        state.PauseTiming();
        double t = TimeSlice(&PathFinders[0], world, slice, StartSearch, SearchSteps);
        state.ResumeTiming();
        ms.push_back(t);
    }
    state.counters["median_ms"] = Median(ms);
    state.counters["fastest_ms"] = *std::min_element(ms.begin(), ms.end());
    state.counters["expansions_per_s"] = SLICE / (Median(ms) / 1000.0);
    state.counters["nodes"] = PathFinders[0].LastNode + 1;
}
BENCHMARK(BM_WholeLayerSlice)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Iterations(15)->Unit(benchmark::kMillisecond);

// Both searches on the first slice in the same run; speedup = linear / game median.
void BM_WholeLayerSliceAgainstLinearScan(benchmark::State& state)
{
    OpenedStartWorld world;
    PathFinder* ref = pathref::Create();
    std::vector<double> game, linear;
    for (auto _ : state) {
        game.push_back(TimeSlice(&PathFinders[0], world, 0, StartSearch, SearchSteps));
        linear.push_back(TimeSlice(ref, world, 0, pathref::StartSearch, pathref::SearchSteps));
    }
    state.counters["game_median_ms"] = Median(game);
    state.counters["linear_median_ms"] = Median(linear);
    state.counters["speedup"] = Median(linear) / Median(game);
    pathref::Free(ref);
}
BENCHMARK(BM_WholeLayerSliceAgainstLinearScan)->Iterations(5)->Unit(benchmark::kMillisecond);

int64_t ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    return -1;
}

// Both pathfinders made anew, then a whole-layer search through everything
// reachable from the first party member once the doors are open, then a second
// search of the same size, which clears only what the first one wrote.
void BM_PathFinderResidentMemory(benchmark::State& state)
{
    OpenedStartWorld w;
    int64_t created = 0, searched = 0, restarted = 0, nodes = 0;
    for (auto _ : state) {
        FreePathFinders();
        const int64_t without = ResidentKb();
        CreatePathFinders();
        created = ResidentKb() - without;
        StartSearch(&PathFinders[0], w.sx, w.sy, 1, 1, 1, 1024);
        for (int slice = 0; slice < 8 && SearchSteps(&PathFinders[0], 131072) == 0; ++slice) {
        }
        MarkSearchedCells();
        searched = ResidentKb() - without - created;
        nodes = PathFinders[0].LastNode + 1;
        StartSearch(&PathFinders[0], w.sx, w.sy, 1, 1, 1, 1024);
        restarted = ResidentKb() - without - created - searched;
    }
    state.counters["created_kB"] = static_cast<double>(created);
    state.counters["searched_kB"] = static_cast<double>(searched);
    state.counters["restarted_kB"] = static_cast<double>(restarted);
    state.counters["nodes"] = static_cast<double>(nodes);
}
BENCHMARK(BM_PathFinderResidentMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
} // namespace
