// The start world and its population, from zero-filled memory.
#include <benchmark/benchmark.h>

#include "app/rules.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/worldgen.h"

static void BM_BuildStartWorldAndSeedUnits(benchmark::State& state)
{
    WorldSide = 1024;
    LayerCells = WorldSide * WorldSide;
    WorldLayers = 3;
    MaxUnits = 3000;
    for (auto _ : state) {
        AllocateGrids();
        AllocateUnitTable();
        BuildStartWorld();
        SeedUnits();
        benchmark::DoNotOptimize(MainMap[CellIndex(512, 512, 1)]);
        benchmark::DoNotOptimize(UnitTable[MaxUnits - 1].cell_x);
        FreeUnitTable();
        FreeGrids();
    }
}
BENCHMARK(BM_BuildStartWorldAndSeedUnits)->Unit(benchmark::kMillisecond);
