// The cost of one frame on Mesa's software rasteriser, without a window
// system: a screenful of rain is simulated, then held (the grids keep their
// layers) and drawn again and again. The rasteriser works on the calling
// thread (LP_NUM_THREADS=0 unless set), so the CPU time per iteration is the
// whole frame's: the grid walk, GL's front end and every fragment. Figures
// are steady on a busy machine, unlike frame rates under Wine.
//   kvs_bench_frame [--benchmark_filter=...]
#include <GL/osmesa.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
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

// state.range(0): look; range(1) x range(2): the screen.
void BM_HeldFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(1));
  const int height = static_cast<int>(state.range(2));
  SetRendererBitmapLoader(ArtworkLoader);
  SetExtensionResolver(ResolveWithOSMesa);
  SetEvaluatorClock(FixedClock);
  ResetEffectModules();
  SetUniformDisplays(1, width, height);
  SetDefaultSettings();
  FillDefaultLocalOptions(localOptions);
  settings.textEnabled = 0;
  settings.jumpInStart = 1;
  if (state.range(0) == kHeavy) {
    settings.motionBlurDepth = 8;
    settings.halo = 255;
  }
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  OSMesaContext context = OSMesaCreateContextExt(OSMESA_BGRA, 24, 0, 0, nullptr);
  if (!context || !OSMesaMakeCurrent(context, pixels.data(), GL_UNSIGNED_BYTE, width, height)) {
    state.SkipWithError("no OSMesa context");
    return;
  }
  renderer.measure = true;
  InitRenderer(nullptr, false);
  SetRenderWindowSize(width, height);
  InitEvaluator();
  for (int frame = 0; frame < 60; ++frame) {
    ClearCodeGrids(displayCount);
    AdvanceFrameTime(frame == 0, 33);
  }
  uint64_t fragments = 0;
  for (auto _ : state) {
    ClearColorBuffer();
    RenderFrame(0);
    glFinish();
    fragments = renderer.gridFragments + renderer.smallFragments + renderer.composeFragments;
  }
  state.counters["layers"] = static_cast<double>(renderer.layersDrawn);
  state.counters["Mfragments"] = static_cast<double>(fragments) / 1e6;
  FreeCodeGrids();
  ShutdownEvaluator();
  ReleaseExtensionRegistry(renderer.extensions);
  OSMesaDestroyContext(context);
  ResetDisplayTable();
}
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
