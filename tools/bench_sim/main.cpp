// One frame of the code rain: the grids are cleared and 16 ms of time at the
// default speed (320 units) go through the simulation and the effect registry,
// after a warm-up that fills the screen. The Frame cases measure the rain with
// an idle registry; the Effect cases the rain with one effect running all the
// time (started again whenever it ends), the others kept from starting.
#include <benchmark/benchmark.h>

#include <chrono>

#include "effects/effects.h"
#include "effects/modules.h"
#include "host/display_table.h"
#include "host/frametime.h"
#include "render/textures.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

namespace {

uint32_t FixedClock() { return 4242; }

void SetUp(int columns, int rows, int displays, bool effects) {
    SetDefaultSettings();
    settings.columns = columns;
    settings.rows = rows;
    // The incoming text empties the screen while it runs; measure the rain itself.
    settings.textEnabled = 0;
    SetUniformDisplays(displays, 1920, 1080);
    ApplyMultiDisplayOverrides(settings, displayCount);
    SetEvaluatorClock(FixedClock);
    FillPlaceholderTextureTables();
    InitEvaluator();
    if (effects) {
        // Key only: the measured effect is the only one that runs.
        settings.dejaVuInterval = settings.burstMovementInterval = settings.burstStillInterval = 255;
        settings.burstTraceInterval = settings.smallBurstsInterval = settings.dropsInterval = 255;
        settings.lightningsInterval = settings.crashInterval = settings.supermanInterval = 255;
        InitEffectModules();
    } else {
        ResetEffectModules();
    }
    AllocCodeGrids(displayCount, columns, rows);
    // Warm-up: long enough for streams to cover the screen and the pool to settle.
    for (int i = 0; i < 20 * rows; ++i) {
        ClearCodeGrids(displayCount);
        AdvanceFrameTime(false, 16);
    }
}

// The effect's own share of a frame: its steps, timed (the trigger included).
uint64_t g_effectNanos = 0;
void TimedEffectStep(int units) {
    const auto t0 = std::chrono::steady_clock::now();
    StepEffectModules(units);
    g_effectNanos += static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - t0).count());
}
const FrameTimeHooks kTimedEffects = {nullptr, nullptr, TimedEffectStep};

void TearDown() {
    FreeCodeGrids();
    ShutdownEvaluator();
}

void Frame(benchmark::State& state, int columns, int rows, int displays, int effect = -1) {
    SetUp(columns, rows, displays, effect >= 0);
    long tracers = 0, layers = 0;
    g_effectNanos = 0;
    for (auto _ : state) {
        if (effect >= 0 && !IsEffectRunning()) TriggerEffect(effect);
        ClearCodeGrids(displayCount);
        AdvanceFrameTime(false, 16, &kTimedEffects);
        benchmark::ClobberMemory();
    }
    state.counters["effect_us"] = static_cast<double>(g_effectNanos) / 1000.0 / static_cast<double>(state.iterations());
    tracers = CountActiveTracers();
    for (int d = 0; d < displayCount; ++d) layers += CountUsedLayers(codeGrids[d]);
    state.counters["tracers"] = static_cast<double>(tracers);
    state.counters["layers"] = static_cast<double>(layers);
    TearDown();
}

void BM_FrameDefaults(benchmark::State& state) { Frame(state, 80, 40, 1); }
void BM_FrameLargest(benchmark::State& state) { Frame(state, 263, 261, 4); }
void BM_EffectDefaults(benchmark::State& state, int effect) { Frame(state, 80, 40, 1, effect); }
void BM_EffectLargest(benchmark::State& state, int effect) { Frame(state, 263, 261, 4, effect); }

}  // namespace

BENCHMARK(BM_FrameDefaults)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectDefaults, dejavu, kEffectDejaVu)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectDefaults, movement, kEffectMovementBurst)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectDefaults, still, kEffectStillBurst)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectDefaults, trace, kEffectTraceBurst)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectDefaults, smallbursts, kEffectSmallBursts)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectDefaults, drops, kEffectDrops)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameLargest)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectLargest, dejavu, kEffectDejaVu)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectLargest, movement, kEffectMovementBurst)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectLargest, still, kEffectStillBurst)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectLargest, trace, kEffectTraceBurst)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectLargest, smallbursts, kEffectSmallBursts)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_EffectLargest, drops, kEffectDrops)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
