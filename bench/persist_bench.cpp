// Saving and loading one slot (the headless clock skips the one-second pauses).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "app/shell.h"
#include "persist/save.h"
#include "platform/headless/headless.h"
#include "units/unit.h"
#include "world/grid.h"
#include "world/pathfind.h"

namespace
{
struct SlotDir {
    std::filesystem::path home = std::filesystem::current_path();
    std::filesystem::path dir;

    SlotDir()
    {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("gamevrak-bench-" + std::to_string(rd()));
        std::filesystem::create_directories(dir / "map");
        std::filesystem::current_path(dir);
        HeadlessReset();
        PrepareStartUp();
        // Touch every route page so that the runs measure files, not first faults.
        for (int p = 0; p < 2; ++p)
            for (size_t i = 0; i < static_cast<size_t>(MaxUnits) * PathCap; ++i)
                PathFinders[p].RouteX[i] = PathFinders[p].RouteY[i] = static_cast<uint32_t>(i);
    }
    ~SlotDir()
    {
        FreeWorld();
        std::filesystem::current_path(home);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

void BM_SaveSlot(benchmark::State& state)
{
    SlotDir slot;
    for (auto _ : state)
        SaveSlot(1);
    state.SetBytesProcessed(state.iterations() * int64_t{150885472});
}
BENCHMARK(BM_SaveSlot)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_LoadSlot(benchmark::State& state)
{
    SlotDir slot;
    SaveSlot(1);
    for (auto _ : state)
        LoadSlot(1);
    state.SetBytesProcessed(state.iterations() * int64_t{150885472});
}
BENCHMARK(BM_LoadSlot)->Unit(benchmark::kMillisecond)->Iterations(5);
} // namespace
