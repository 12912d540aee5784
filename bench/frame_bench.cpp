// The whole frame, headless, at the start view: median time of RunFrame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "world/mapview.h"
#include "world/pathfind.h"

namespace
{

void BM_RunFrameAtStartView(benchmark::State& state)
{
    HeadlessReset();
    StartGame();
    std::vector<double> ms;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        RunFrame();
        auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms.empty() ? 0.0 : ms[ms.size() / 2];
    state.counters["p90_ms"] = ms.empty() ? 0.0 : ms[ms.size() * 9 / 10];
    FreeWorld();
}
BENCHMARK(BM_RunFrameAtStartView)->Iterations(600)->Unit(benchmark::kMillisecond);

// The same after a whole-layer search has left its marks over the layer.
void BM_RunFrameAfterWholeLayerSearch(benchmark::State& state)
{
    HeadlessReset();
    StartGame();
    StartSearch(&PathFinders[0], ViewX, ViewY, 1, 1, 1, 1024);
    SearchSteps(&PathFinders[0], 1 << 20);
    std::vector<double> ms;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        RunFrame();
        auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms.empty() ? 0.0 : ms[ms.size() / 2];
    FreeWorld();
}
BENCHMARK(BM_RunFrameAfterWholeLayerSearch)->Iterations(300)->Unit(benchmark::kMillisecond);

// The two parts of the frame that this file's subjects own, alone.
void BM_MapViewAndMiniMap(benchmark::State& state)
{
    HeadlessReset();
    StartGame();
    for (auto _ : state) {
        ClearScreen();
        DrawMapView();
        DrawMiniMap();
        benchmark::DoNotOptimize(ScreenBuffer[1000]);
    }
    FreeWorld();
}
BENCHMARK(BM_MapViewAndMiniMap)->Unit(benchmark::kMicrosecond);

void BM_SearchMarks(benchmark::State& state)
{
    HeadlessReset();
    StartGame();
    if (state.range(0) == 1) {
        StartSearch(&PathFinders[0], ViewX, ViewY, 1, 1, 1, 1024);
        SearchSteps(&PathFinders[0], 1 << 20);
    }
    for (auto _ : state)
        MarkSearchedCells();
    FreeWorld();
}
BENCHMARK(BM_SearchMarks)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
