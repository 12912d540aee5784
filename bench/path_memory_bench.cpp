// Resident memory of the pathfinders: the large arrays should cost nothing
// until a search uses them. Reported as counters (kB) beside the search time.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{
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
    HeadlessReset();
    PrepareStartUp();
    PopulateWorld();
    for (int32_t i = 0; i < LayerCells; ++i)
        if (MainMap[LayerCells + i] == CELL_DOOR)
            MainMap[LayerCells + i] = CELL_FLOOR;
    const Unit& first = UnitTable[CurrentUnit];
    int64_t created = 0, searched = 0, restarted = 0, nodes = 0;
    for (auto _ : state) {
        FreePathFinders();
        const int64_t without = ResidentKb();
        CreatePathFinders();
        created = ResidentKb() - without;
        StartSearch(&PathFinders[0], first.cell_x, first.cell_y, 1, 1, 1, 1024);
        for (int slice = 0; slice < 8 && SearchSteps(&PathFinders[0], 131072) == 0; ++slice) {
        }
        MarkSearchedCells();
        searched = ResidentKb() - without - created;
        nodes = PathFinders[0].LastNode + 1;
        StartSearch(&PathFinders[0], first.cell_x, first.cell_y, 1, 1, 1, 1024);
        restarted = ResidentKb() - without - created - searched;
    }
    state.counters["created_kB"] = static_cast<double>(created);
    state.counters["searched_kB"] = static_cast<double>(searched);
    state.counters["restarted_kB"] = static_cast<double>(restarted);
    state.counters["nodes"] = static_cast<double>(nodes);
    FreeWorld();
}
} // namespace

BENCHMARK(BM_PathFinderResidentMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
