// Start-up to the first presented frame on the headless backend, and the
// trigonometric tables it builds alongside.
#include <benchmark/benchmark.h>

#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"

// The texture sets are read from the game folder, as in a real start.
static void EnterGameFolder()
{
    static bool entered = false;
    if (!entered)
        PlatformEnterGameDirectory(nullptr);
    entered = true;
}

static void BM_StartUpToFirstFrame(benchmark::State& state)
{
    EnterGameFolder();
    for (auto _ : state) {
        HeadlessReset();
        if (!StartGame()) {
            state.SkipWithError("the window did not open");
            break;
        }
        RunFrame();
        benchmark::DoNotOptimize(HeadlessPresentCount());
        FreeWorld();
    }
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same, but waiting for the tables as well: close to the start-up alone
// while the tables are built in parallel with it.
static void BM_StartUpToFirstFrameAndTables(benchmark::State& state)
{
    EnterGameFolder();
    for (auto _ : state) {
        HeadlessReset();
        if (!StartGame()) {
            state.SkipWithError("the window did not open");
            break;
        }
        RunFrame();
        WaitTrigTables();
        benchmark::DoNotOptimize(SinTable);
        FreeWorld();
    }
}
BENCHMARK(BM_StartUpToFirstFrameAndTables)->Unit(benchmark::kMillisecond)->UseRealTime();

// The tables on their own: what start-up would pay if it built them in line.
static void BM_TrigTables(benchmark::State& state)
{
    for (auto _ : state) {
        BuildTrigTables();
        WaitTrigTables();
        benchmark::DoNotOptimize(SinTable[3599999]);
        FreeTrigTables();
    }
}
BENCHMARK(BM_TrigTables)->Unit(benchmark::kMillisecond)->UseRealTime();
