// The running-sum box blur against the literal definition.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "render/bitmap.h"
#include "blur_reference.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Mostly white or transparent pictures with a few arbitrary pixels: the glyph
// case, plus enough variety that truncation and rounding differences show.
Bytes RandomPicture(std::mt19937& rng, int w, int h) {
  Bytes out(static_cast<size_t>(w) * h * 4);
  const int style = static_cast<int>(rng() % 3);
  for (size_t i = 0; i < out.size(); i += 4) {
    for (int c = 0; c < 4; ++c) {
      uint8_t v = static_cast<uint8_t>(rng());
      if (style == 1) v = (c < 3) ? 255 : ((rng() % 4 == 0) ? v : 0);
      if (style == 2) v = (rng() % 2) ? 255 : 0;
      out[i + c] = v;
    }
  }
  return out;
}

// Also the alpha-only blur, through working memory shared by every call (so
// that it grows and is reused): its alpha is the reference's, its colour the
// original.
void ExpectFastEqualsReference(const Bytes& pixels, int w, int h, int radius, BlurScratch& scratch) {
  aBitmap picture(w, h), alpha(w, h);
  std::memcpy(picture.pixels, pixels.data(), pixels.size());
  std::memcpy(alpha.pixels, pixels.data(), pixels.size());
  ASSERT_EQ(BlurBitmap(picture, radius), kBitmapOk);
  ASSERT_EQ(BlurBitmapAlpha(alpha, radius, &scratch), kBitmapOk);
  Bytes expected(pixels.size());
  ReferenceBoxBlur(pixels.data(), expected.data(), w, h, radius);
  ASSERT_EQ(0, std::memcmp(picture.pixels, expected.data(), expected.size()))
      << w << " x " << h << " radius " << radius;
  for (size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(alpha.pixels[i], i % 4 == 3 ? expected[i] : pixels[i]) << w << " x " << h << " radius " << radius;
}

TEST(BoxBlur, RunningSumMatchesTheDefinitionOverRandomPictures) {
  std::mt19937 rng(1234);
  BlurScratch scratch{nullptr, 0};
  for (int i = 0; i < 300; ++i) {
    const int w = 1 + static_cast<int>(rng() % 24);
    const int h = 1 + static_cast<int>(rng() % 24);
    // Radii up to twice the larger side: windows wider than the picture.
    const int radius = 1 + static_cast<int>(rng() % (2 * (w > h ? w : h)));
    ExpectFastEqualsReference(RandomPicture(rng, w, h), w, h, radius, scratch);
  }
  // The renderer's largest shapes (halo pictures of 8 x 8 are among the random ones).
  ExpectFastEqualsReference(RandomPicture(rng, 128, 128), 128, 128, 8, scratch);
  ExpectFastEqualsReference(RandomPicture(rng, 64, 64), 64, 64, 3, scratch);
  FreeBlurScratch(scratch);
}

// Radii whose window covers the whole picture from every pixel: every output
// pixel is the same closed-form mean. Large enough to need wide sums.
TEST(BoxBlur, HugeRadiiUseExactWideArithmetic) {
  std::mt19937 rng(99);
  const int w = 5, h = 4;
  const Bytes pixels = RandomPicture(rng, w, h);
  for (const int radius : {40000, 1 << 20, INT32_MAX}) {
    unsigned __int128 side = 2 * static_cast<unsigned __int128>(radius) + 1;
    unsigned __int128 divisor = side * side;
    uint8_t expected[4];
    for (int c = 0; c < 4; ++c) {
      unsigned __int128 sum = 0;
      for (int i = 0; i < w * h; ++i) sum += pixels[i * 4 + c];
      if (c < 3) sum += (divisor - w * h) * 255;
      expected[c] = static_cast<uint8_t>(sum / divisor);
    }
    aBitmap picture(w, h), alpha(w, h);
    std::memcpy(picture.pixels, pixels.data(), pixels.size());
    std::memcpy(alpha.pixels, pixels.data(), pixels.size());
    ASSERT_EQ(BlurBitmap(picture, radius), kBitmapOk);
    ASSERT_EQ(BlurBitmapAlpha(alpha, radius, nullptr), kBitmapOk);
    for (int i = 0; i < w * h; ++i) {
      for (int c = 0; c < 4; ++c) {
        ASSERT_EQ(picture.pixels[i * 4 + c], expected[c]) << "radius " << radius << " c " << c;
      }
      ASSERT_EQ(alpha.pixels[i * 4 + 3], expected[3]) << "radius " << radius;
    }
  }
}

}  // namespace
