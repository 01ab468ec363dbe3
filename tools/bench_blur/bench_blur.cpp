// Box blur at the renderer's largest case: a padded 128 x 128 glyph, radius 8.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include "render/bitmap.h"
#include "blur_reference.h"

namespace {

constexpr int kSide = 128;
constexpr int kRadius = 8;

std::vector<uint8_t> GlyphLikePicture() {
  std::mt19937 rng(7);
  std::vector<uint8_t> pixels(kSide * kSide * 4, 255);
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = static_cast<uint8_t>(rng());
  return pixels;
}

void BM_BlurRunningSum(benchmark::State& state) {
  const std::vector<uint8_t> source = GlyphLikePicture();
  aBitmap picture(kSide, kSide);
  std::memcpy(picture.pixels, source.data(), source.size());
  // The cost does not depend on the content, so the picture is blurred again and again.
  for (auto _ : state) {
    benchmark::DoNotOptimize(BlurBitmap(picture, kRadius));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BlurRunningSum)->Unit(benchmark::kMicrosecond);

void BM_BlurReference(benchmark::State& state) {
  const std::vector<uint8_t> source = GlyphLikePicture();
  std::vector<uint8_t> out(source.size());
  for (auto _ : state) {
    ReferenceBoxBlur(source.data(), out.data(), kSide, kSide, kRadius);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BlurReference)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
