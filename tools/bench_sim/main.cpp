// One frame of the code rain: the grids are cleared and 16 ms of time at the
// default speed (320 units) go through the simulation and the (idle) effect
// registry, after a warm-up that fills the screen.
#include <benchmark/benchmark.h>

#include "effects/effects.h"
#include "host/display_table.h"
#include "host/frametime.h"
#include "render/textures.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

namespace {

uint32_t FixedClock() { return 4242; }

void SetUp(int columns, int rows, int displays) {
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
    ResetEffectModules();
    AllocCodeGrids(displayCount, columns, rows);
    // Warm-up: long enough for streams to cover the screen and the pool to settle.
    for (int i = 0; i < 20 * rows; ++i) {
        ClearCodeGrids(displayCount);
        AdvanceFrameTime(false, 16);
    }
}

void TearDown() {
    FreeCodeGrids();
    ShutdownEvaluator();
}

void Frame(benchmark::State& state, int columns, int rows, int displays) {
    SetUp(columns, rows, displays);
    long tracers = 0, layers = 0;
    for (auto _ : state) {
        ClearCodeGrids(displayCount);
        AdvanceFrameTime(false, 16);
        benchmark::ClobberMemory();
    }
    tracers = CountActiveTracers();
    for (int d = 0; d < displayCount; ++d) layers += CountUsedLayers(codeGrids[d]);
    state.counters["tracers"] = static_cast<double>(tracers);
    state.counters["layers"] = static_cast<double>(layers);
    TearDown();
}

void BM_FrameDefaults(benchmark::State& state) { Frame(state, 80, 40, 1); }
void BM_FrameLargest(benchmark::State& state) { Frame(state, 263, 261, 4); }

}  // namespace

BENCHMARK(BM_FrameDefaults)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameLargest)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
