// The cost of one frame on Mesa's software rasteriser, without a window
// system: a screenful of rain is simulated, then held (the grids keep their
// layers) and drawn again and again. The rasteriser works on the calling
// thread (LP_NUM_THREADS=0 unless set), so the CPU time per iteration is the
// whole frame's: the grid walk, GL's front end and every fragment. Figures
// are steady on a busy machine, unlike frame rates under Wine.
// BM_LargestRecord simulates and draws the largest grid on one and on four
// displays; with GALLIUM_NOOP=1 it measures the program's own CPU cost.
//   kvs_bench_frame [--benchmark_filter=...]
#include <GL/osmesa.h>
#include <benchmark/benchmark.h>

#include <ctime>
#include <cstdlib>
#include <functional>
#include <vector>

#include "artwork_payloads.h"
#include "effects/effects.h"
#include "host/display_table.h"
#include "host/frametime.h"
#include "render/gl_api.h"
#include "render/render.h"
#include "render/renderer_parts.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

namespace {

uint32_t FixedClock() { return 4242; }

ExtensionProc ResolveWithOSMesa(const char* name) {
  return reinterpret_cast<ExtensionProc>(OSMesaGetProcAddress(name));
}

enum Look { kDefaults = 0, kHeavy = 1 };

// A renderer on an OSMesa context of width x height with a screenful of rain
// on `displays` displays side by side; `change` adjusts the settings.
OSMesaContext SetUp(benchmark::State& state, std::vector<uint8_t>& pixels, int displays, int width, int height,
                    const std::function<void()>& change) {
  SetRendererBitmapLoader(ArtworkLoader);
  SetExtensionResolver(ResolveWithOSMesa);
  SetEvaluatorClock(FixedClock);
  ResetEffectModules();
  SetUniformDisplays(displays, width / displays, height);
  SetDefaultSettings();
  FillDefaultLocalOptions(localOptions);
  settings.textEnabled = 0;
  settings.jumpInStart = 1;
  change();
  pixels.assign(static_cast<size_t>(width) * height * 4, 0);
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_BGRA, 24, 0, 0, nullptr);
  if (!context || !OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, width, height)) {
    state.SkipWithError("no OSMesa context");
    return nullptr;
  }
  renderer.measure = true;
  InitRenderer(nullptr, false);
  SetRenderWindowSize(width, height);
  InitEvaluator();
  for (int frame = 0; frame < 60; ++frame) {
    ClearCodeGrids(displayCount);
    AdvanceFrameTime(frame == 0, 33);
  }
  return context;
}

void TearDown(OSMesaContext context) {
  FreeCodeGrids();
  ShutdownEvaluator();
  ReleaseExtensionRegistry(renderer.extensions);
  OSMesaDestroyContext(context);
  ResetDisplayTable();
}

// state.range(0): look; range(1) x range(2): the screen.
void BM_HeldFrame(benchmark::State& state) {
  std::vector<uint8_t> pixels;
  const bool heavy = state.range(0) == kHeavy;
  OSMesaContext context = SetUp(state, pixels, 1, static_cast<int>(state.range(1)), static_cast<int>(state.range(2)),
                                [heavy] {
                                  if (!heavy) return;
                                  settings.motionBlurDepth = 8;
                                  settings.halo = 255;
                                });
  if (!context) return;
  uint64_t fragments = 0;
  for (auto _ : state) {
    ClearColorBuffer();
    RenderFrame(0);
    glFinish();
    fragments = renderer.gridFragments + renderer.smallFragments + renderer.composeFragments;
  }
  state.counters["layers"] = static_cast<double>(renderer.layersDrawn);
  state.counters["Mfragments"] = static_cast<double>(fragments) / 1e6;
  TearDown(context);
}

// The largest grid the settings allow, 263 x 261 cells on range(0) displays
// sharing 1024 x 768: every iteration simulates 16 ms and draws the frame, as
// the saver does. Meant for GALLIUM_NOOP=1 (nothing rasterised): the
// program's own CPU cost, split into simulation, grid walk and submission.
void BM_LargestRecord(benchmark::State& state) {
  std::vector<uint8_t> pixels;
  OSMesaContext context = SetUp(state, pixels, static_cast<int>(state.range(0)), 1024, 768, [] {
    settings.columns = 263;
    settings.rows = 261;
  });
  if (!context) return;
  // Long enough for the streams to fill the grid.
  for (int frame = 0; frame < 2 * 261; ++frame) {
    ClearCodeGrids(displayCount);
    AdvanceFrameTime(false, 16);
  }
  // Processor time of this thread: a busy machine stretches wall-clock times.
  const auto cpuNanos = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000000000u + static_cast<uint64_t>(t.tv_nsec);
  };
  uint64_t simNs = 0, renderNs = 0, layers = 0;
  for (auto _ : state) {
    const uint64_t t0 = cpuNanos();
    ClearCodeGrids(displayCount);
    AdvanceFrameTime(false, 16);
    const uint64_t t1 = cpuNanos();
    ClearColorBuffer();
    RenderFrame(320);
    glFinish();
    renderNs += cpuNanos() - t1;
    simNs += t1 - t0;
    layers += renderer.layersDrawn;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["sim_cpu_ms"] = static_cast<double>(simNs) / n / 1e6;
  state.counters["render_cpu_ms"] = static_cast<double>(renderNs) / n / 1e6;
  state.counters["layers"] = static_cast<double>(layers) / n;
  TearDown(context);
}
BENCHMARK(BM_LargestRecord)->ArgNames({"displays"})->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeldFrame)
    ->ArgNames({"heavy", "w", "h"})
    ->Args({kDefaults, 1024, 768})
    ->Args({kDefaults, 1920, 1080})
    ->Args({kHeavy, 1024, 768})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  setenv("LP_NUM_THREADS", "0", 0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
