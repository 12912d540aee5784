// The per-frame play rules on the seed-99 world at the start view: a frame
// with the movement tick (pursuit of every monster against every party member,
// walking and chasing), a frame without it, and the effects pass over a full table.
#include <benchmark/benchmark.h>

#include "app/rules.h"
#include "app/shell.h"
#include "gfx/draw.h"
#include "platform/headless/headless.h"
#include "units/combat.h"
#include "units/unit.h"

namespace
{

void BM_PlayRulesTickFrame(benchmark::State& state)
{
    HeadlessReset();
    StartGame();
    for (auto _ : state) {
        FrameCounter = 0; // every frame a tick and a beat
        RunPlayRules();
        benchmark::DoNotOptimize(UnitTable[MaxUnits - 1].cell_x);
    }
    FreeWorld();
}
BENCHMARK(BM_PlayRulesTickFrame)->Unit(benchmark::kMicrosecond);

void BM_PlayRulesPlainFrame(benchmark::State& state)
{
    HeadlessReset();
    StartGame();
    for (auto _ : state) {
        FrameCounter = 1;
        RunPlayRules();
        benchmark::DoNotOptimize(UnitTable[MaxUnits - 1].hit_points);
    }
    FreeWorld();
}
BENCHMARK(BM_PlayRulesPlainFrame)->Unit(benchmark::kMicrosecond);

void BM_UpdateEffectsFullTable(benchmark::State& state)
{
    HeadlessReset();
    StartGame();
    for (auto _ : state) {
        state.PauseTiming();
        for (int32_t i = 0; i < MaxEffects; ++i) {
            int32_t kind = i % 2 == 0 ? EFFECT_FIRE : EFFECT_DAMAGE;
            AddEffect(kind, 3, 0, 10, static_cast<float>(ViewX * 16 + (i * 7) % 600),
                      static_cast<float>(ViewY * 16 + (i * 13) % 440));
        }
        state.ResumeTiming();
        UpdateEffects();
        state.PauseTiming();
        for (int32_t i = 0; i < MaxEffects; ++i)
            EffectTable[i].active = 0;
        state.ResumeTiming();
    }
    FreeWorld();
}
BENCHMARK(BM_UpdateEffectsFullTable)->Unit(benchmark::kMicrosecond);

} // namespace
