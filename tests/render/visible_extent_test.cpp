// Cutting quads to the texels that can show, checked against a slow reference
// sampler: mipmap levels made by 2 x 2 averaging, bilinear samples with a
// transparent border, at both levels a filter may use.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/visible_extent.h"

namespace {

struct Picture {
  int width, height;
  std::vector<uint8_t> rgba;
};

// Soft blobs of random size and place on a transparent canvas.
Picture RandomPicture(uint32_t& seed, int width, int height) {
  auto next = [&seed](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<uint32_t>(n));
  };
  Picture p{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4, 255)};
  const int cx = next(width), cy = next(height), r = 1 + next(width / 2);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - cx, y - cy) / r;
      p.rgba[(static_cast<size_t>(y) * width + x) * 4 + 3] = d < 1.0 ? static_cast<uint8_t>(255 * (1 - d)) : 0;
    }
  return p;
}

// The alpha of mipmap level `level` (2 x 2 averages, rounded).
std::vector<int> Level(const Picture& p, int level, int* w, int* h) {
  std::vector<int> a(static_cast<size_t>(p.width) * p.height);
  for (size_t i = 0; i < a.size(); ++i) a[i] = p.rgba[i * 4 + 3];
  *w = p.width;
  *h = p.height;
  for (int l = 0; l < level && (*w > 1 || *h > 1); ++l) {
    const int nw = *w > 1 ? *w / 2 : 1, nh = *h > 1 ? *h / 2 : 1;
    std::vector<int> next(static_cast<size_t>(nw) * nh);
    for (int y = 0; y < nh; ++y)
      for (int x = 0; x < nw; ++x) {
        int sum = 0;
        for (int k = 0; k < 4; ++k)
          sum += a[static_cast<size_t>(std::min(y * 2 + k / 2, *h - 1)) * *w + std::min(x * 2 + k % 2, *w - 1)];
        next[static_cast<size_t>(y) * nw + x] = (sum + 2) / 4;
      }
    a.swap(next);
    *w = nw;
    *h = nh;
  }
  return a;
}

// Bilinear alpha at (s, t) of a level, texels outside it transparent.
double Sample(const std::vector<int>& a, int w, int h, double s, double t) {
  const double u = s * w - 0.5, v = t * h - 0.5;
  const int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(std::floor(v));
  const double fx = u - x0, fy = v - y0;
  auto at = [&](int x, int y) { return x < 0 || y < 0 || x >= w || y >= h ? 0 : a[static_cast<size_t>(y) * w + x]; };
  return (1 - fy) * ((1 - fx) * at(x0, y0) + fx * at(x0 + 1, y0)) + fy * ((1 - fx) * at(x0, y0 + 1) + fx * at(x0 + 1, y0 + 1));
}

TEST(VisibleExtent, NoPixelThatCanShowIsCutAway) {
  uint32_t seed = 7;
  long cutPixels = 0, wholePixels = 0;
  for (int round = 0; round < 300; ++round) {
    const int width = 4 << (round % 5), height = 4 << ((round / 5) % 5);
    const Picture p = RandomPicture(seed, width, height);
    const TextureFilterKind kind = static_cast<TextureFilterKind>(round % 3);
    RecordTextureExtent(5, p.rgba.data(), width, height, kind, false);
    const TextureExtent* e = FindTextureExtent(5);
    ASSERT_NE(e, nullptr);
    // Quads from a few pixels to several times the picture, drawn at full or small scale.
    const float qw = 3.0f + static_cast<float>((seed >> 4) % 90), qh = 3.0f + static_cast<float>((seed >> 12) % 90);
    const LayerQuad whole{-qw / 3, -qh / 4, qw * 2 / 3, qh * 3 / 4, 0.01f, 0.01f, 0.99f, 0.99f};
    const float scale = round % 4 == 0 ? 0.25f : 1.0f;
    LayerQuad cut{};
    const bool shows = TrimLayerQuad(*e, whole, scale, scale, &cut);
    // The levels the filter reads: the nearest one (either way when close to
    // halfway) or the two around the level of detail.
    const double lod = std::log2(std::max(width * 0.98 / (qw * scale), height * 0.98 / (qh * scale)));
    int first = static_cast<int>(std::floor(lod)), last = first + 1;
    if (kind == kFilterNearestMip) {
      first = static_cast<int>(std::floor(lod + 0.4));
      last = static_cast<int>(std::floor(lod + 0.6));
    }
    if (kind == kFilterOneLevel) first = last = 0;
    for (int level = std::max(first, 0); level <= std::max(last, 0); ++level) {
      int lw = 0, lh = 0;
      const std::vector<int> a = Level(p, level, &lw, &lh);
      // Pixel centres of the whole quad at this scale.
      for (double py = std::ceil(whole.top * scale - 0.5) + 0.5; py < whole.bottom * scale; py += 1.0)
        for (double px = std::ceil(whole.left * scale - 0.5) + 0.5; px < whole.right * scale; px += 1.0) {
          const double s = 0.01 + (px / scale - whole.left) / (whole.right - whole.left) * 0.98;
          const double t = 0.01 + (py / scale - whole.top) / (whole.bottom - whole.top) * 0.98;
          if (Sample(a, lw, lh, s, t) <= kInvisibleAlpha + 0.5) continue;
          ASSERT_TRUE(shows) << "round " << round;
          ASSERT_GE(px / scale, cut.left) << "round " << round << " level " << level;
          ASSERT_LE(px / scale, cut.right) << "round " << round;
          ASSERT_GE(py / scale, cut.top) << "round " << round;
          ASSERT_LE(py / scale, cut.bottom) << "round " << round;
        }
    }
    wholePixels += static_cast<long>((whole.right - whole.left) * (whole.bottom - whole.top));
    if (shows) cutPixels += static_cast<long>((cut.right - cut.left) * (cut.bottom - cut.top));
  }
  // The cut is worth having: blobs cover about a quarter of their pictures.
  EXPECT_LT(cutPixels, wholePixels * 3 / 4);
}

TEST(VisibleExtent, CutsAGlyphPictureByHand) {
  // A 128 x 128 picture visible in texels 33..94 (a 64 x 64 glyph padded by
  // half its size), drawn on a 25.6-pixel quad: 4.9 texels per pixel, level 2
  // (32 texels) with the nearest level. The box widens by a texel per level:
  // 16..47 at level 1, 7..24 at level 2; bilinear filtering reaches half a
  // texel further, 6.5/32 .. 25.5/32, and the cut one pixel (0.98/25.6) more.
  std::vector<uint8_t> rgba(128 * 128 * 4, 0);
  for (int y = 33; y <= 94; ++y)
    for (int x = 33; x <= 94; ++x) rgba[(y * 128 + x) * 4 + 3] = 200;
  RecordTextureExtent(9, rgba.data(), 128, 128, kFilterNearestMip, false);
  const LayerQuad whole{0.0f, 0.0f, 25.6f, 25.6f, 0.01f, 0.01f, 0.99f, 0.99f};
  LayerQuad cut{};
  ASSERT_TRUE(TrimLayerQuad(*FindTextureExtent(9), whole, 1.0f, 1.0f, &cut));
  const double margin = 0.98 / 25.6;
  EXPECT_NEAR(cut.s0, 6.5 / 32 - margin, 1e-6);
  EXPECT_NEAR(cut.s1, 25.5 / 32 + margin, 1e-6);
  EXPECT_NEAR(cut.left, (cut.s0 - 0.01) / 0.98 * 25.6, 1e-4);
  EXPECT_NEAR(cut.bottom, (cut.t1 - 0.01) / 0.98 * 25.6, 1e-4);
  // At level 0 with a single-level filter the box itself: 32.5/128 .. 95.5/128.
  RecordTextureExtent(9, rgba.data(), 128, 128, kFilterOneLevel, false);
  ASSERT_TRUE(TrimLayerQuad(*FindTextureExtent(9), whole, 1.0f, 1.0f, &cut));
  EXPECT_NEAR(cut.s0, 32.5 / 128 - margin, 1e-6);
}

TEST(VisibleExtent, WhatCannotBeCutStaysWholeOrIsLeftOut) {
  std::vector<uint8_t> rgba(16 * 16 * 4, 0);
  const LayerQuad whole{-3.0f, -4.0f, 9.0f, 11.0f, 0.01f, 0.01f, 0.99f, 0.99f};
  LayerQuad cut{};
  // Nothing visible (alpha 2 at most): nothing to draw.
  rgba[(5 * 16 + 5) * 4 + 3] = kInvisibleAlpha;
  RecordTextureExtent(3, rgba.data(), 16, 16, kFilterLinearMip, false);
  EXPECT_FALSE(TrimLayerQuad(*FindTextureExtent(3), whole, 1.0f, 1.0f, &cut));
  // Visible up to the edges: the whole quad, every value exactly kept.
  rgba[3] = rgba[(16 * 16 - 1) * 4 + 3] = 255;
  RecordTextureExtent(3, rgba.data(), 16, 16, kFilterLinearMip, false);
  ASSERT_TRUE(TrimLayerQuad(*FindTextureExtent(3), whole, 1.0f, 1.0f, &cut));
  EXPECT_EQ(std::memcmp(&cut, &whole, sizeof cut), 0);
  // A repeating texture visible at its edge wraps around: not recorded.
  RecordTextureExtent(3, rgba.data(), 16, 16, kFilterOneLevel, true);
  EXPECT_EQ(FindTextureExtent(3), nullptr);
  // Sides that are not powers of two, missing pictures, name 0 and names
  // beyond the table: not recorded.
  RecordTextureExtent(4, rgba.data(), 12, 16, kFilterOneLevel, false);
  RecordTextureExtent(0, rgba.data(), 16, 16, kFilterOneLevel, false);
  RecordTextureExtent(kTextureExtentCapacity, rgba.data(), 16, 16, kFilterOneLevel, false);
  RecordTextureExtent(6, nullptr, 16, 16, kFilterOneLevel, false);
  EXPECT_EQ(FindTextureExtent(4), nullptr);
  EXPECT_EQ(FindTextureExtent(0), nullptr);
  EXPECT_EQ(FindTextureExtent(kTextureExtentCapacity), nullptr);
  EXPECT_EQ(FindTextureExtent(6), nullptr);
  // Quads without area or with NaN corners are drawn as they are.
  rgba[3] = rgba[(16 * 16 - 1) * 4 + 3] = 0;
  rgba[(8 * 16 + 8) * 4 + 3] = 255;
  RecordTextureExtent(3, rgba.data(), 16, 16, kFilterLinearMip, false);
  const LayerQuad flat{2.0f, 2.0f, 2.0f, 9.0f, 0.01f, 0.01f, 0.99f, 0.99f};
  const LayerQuad broken{std::nanf(""), 0.0f, 9.0f, 9.0f, 0.01f, 0.01f, 0.99f, 0.99f};
  ASSERT_TRUE(TrimLayerQuad(*FindTextureExtent(3), flat, 1.0f, 1.0f, &cut));
  EXPECT_EQ(cut.right, flat.right);
  ASSERT_TRUE(TrimLayerQuad(*FindTextureExtent(3), broken, 1.0f, 1.0f, &cut));
  EXPECT_TRUE(std::isnan(cut.left));
  // The cache of cuts follows a new picture under the same name, and draws
  // names it does not know whole.
  LayerQuad first{}, second{};
  uint32_t drawn = 0;
  ASSERT_TRUE(CutLayerQuad(3, whole, 1.0f, 1.0f, &first, &drawn));
  rgba[(8 * 16 + 8) * 4 + 3] = 0;
  rgba[(2 * 16 + 2) * 4 + 3] = 255;
  RecordTextureExtent(3, rgba.data(), 16, 16, kFilterLinearMip, false);
  ASSERT_TRUE(CutLayerQuad(3, whole, 1.0f, 1.0f, &second, &drawn));
  EXPECT_LT(second.left, first.left);
  ClearTextureExtents();
  EXPECT_EQ(FindTextureExtent(3), nullptr);
  ASSERT_TRUE(CutLayerQuad(3, whole, 1.0f, 1.0f, &cut, &drawn));
  EXPECT_EQ(std::memcmp(&cut, &whole, sizeof cut), 0);
}

}  // namespace
