// The renderer's arithmetic: quads, halo passes, motion blur weights and inset,
// camera zoom and the glyph look-up of texture names.
#include <gtest/gtest.h>

#include <limits>

#include <cmath>

#include "render/geometry.h"
#include "render/textures.h"

namespace {

struct Box {
  float left, top, right, bottom;
};

// The rectangle of a quad, checking its corner order and the constant parts.
Box QuadBox(const QuadArrays& q, int set, int display) {
  const float* v = &q.vertices[QuadFirstVertex(set, display) * 4];
  const float* t = &q.texCoords[QuadFirstVertex(set, display) * 4];
  const Box box{v[0], v[1], v[8], v[9]};
  // top-left, top-right, bottom-right, bottom-left
  EXPECT_EQ(v[4], box.right);
  EXPECT_EQ(v[5], box.top);
  EXPECT_EQ(v[12], box.left);
  EXPECT_EQ(v[13], box.bottom);
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(v[c * 4 + 2], 0.0f);
    EXPECT_EQ(v[c * 4 + 3], 1.0f);
    EXPECT_EQ(t[c * 4 + 2], 0.0f);
    EXPECT_EQ(t[c * 4 + 3], 1.0f);
  }
  EXPECT_FLOAT_EQ(t[0], 0.01f);
  EXPECT_FLOAT_EQ(t[1], 0.01f);
  EXPECT_FLOAT_EQ(t[4], 0.99f);
  EXPECT_FLOAT_EQ(t[9], 0.99f);
  EXPECT_FLOAT_EQ(t[12], 0.01f);
  EXPECT_FLOAT_EQ(t[13], 0.99f);
  return box;
}

TEST(RendererGeometry, CellSizesAreSinglePrecisionQuotients) {
  const DisplayGeometry g = MakeDisplayGeometry(1024, 768, 80, 40);
  EXPECT_FLOAT_EQ(g.cellWidth, 12.8f);
  EXPECT_FLOAT_EQ(g.cellHeight, 19.2f);
  EXPECT_FLOAT_EQ(g.halfCellWidth, 6.4f);
  EXPECT_FLOAT_EQ(g.halfCellHeight, 9.6f);
  EXPECT_FLOAT_EQ(g.width, 1024.0f);
  const DisplayGeometry none = MakeDisplayGeometry(1024, 768, 0, -3);
  EXPECT_EQ(none.cellWidth, 0.0f);
  EXPECT_EQ(none.cellHeight, 0.0f);
}

TEST(RendererGeometry, QuadsAtCharacterSizeOne) {
  QuadArrays q{};
  const DisplayGeometry g = MakeDisplayGeometry(800, 400, 80, 40);  // 10 x 10 cells
  BuildDisplayQuads(q, 3, g, 1.0f, 0);
  const Box glyph = QuadBox(q, kGlyphQuad, 3);
  EXPECT_FLOAT_EQ(glyph.left, 0.0f);
  EXPECT_FLOAT_EQ(glyph.right, 10.0f);
  EXPECT_FLOAT_EQ(glyph.bottom, 10.0f);
  // Two cells wide, centred on the cell.
  const Box large = QuadBox(q, kLargeGlyphQuad, 3);
  EXPECT_FLOAT_EQ(large.left, -5.0f);
  EXPECT_FLOAT_EQ(large.right, 15.0f);
  EXPECT_FLOAT_EQ(large.top, -5.0f);
  // 1 + 1.6 cells.
  const Box halo = QuadBox(q, kHaloQuad, 3);
  EXPECT_FLOAT_EQ(halo.right - halo.left, 26.0f);
  EXPECT_FLOAT_EQ(halo.left, -8.0f);
  // Without vertical blur the blur quad is the large glyph quad.
  const Box blur = QuadBox(q, kVerticalBlurQuad, 3);
  EXPECT_FLOAT_EQ(blur.left, -5.0f);
  EXPECT_FLOAT_EQ(blur.bottom, 15.0f);
}

TEST(RendererGeometry, SmallAndLargeCharactersAndTheVerticalBlurQuad) {
  QuadArrays q{};
  const DisplayGeometry g = MakeDisplayGeometry(800, 400, 80, 40);
  BuildDisplayQuads(q, 0, g, 0.5f, 8);
  // Half a cell wide; the large glyph quad 1 + s = 1.1 cells (s = 0.1).
  const Box glyph = QuadBox(q, kGlyphQuad, 0);
  EXPECT_FLOAT_EQ(glyph.right - glyph.left, 5.0f);
  EXPECT_FLOAT_EQ(glyph.left, 2.5f);
  const Box large = QuadBox(q, kLargeGlyphQuad, 0);
  EXPECT_NEAR(large.right - large.left, 11.0f, 1e-4);
  EXPECT_FLOAT_EQ(LargeGlyphScale(0.5f), 0.1f);
  EXPECT_FLOAT_EQ(LargeGlyphScale(2.0f), 2.0f);
  // Level 8: p = 1.5, q = 3; widths 1 + p s and 1 + q s cells.
  const Box blur = QuadBox(q, kVerticalBlurQuad, 0);
  EXPECT_NEAR(blur.right - blur.left, 10.0f * (1.0f + 1.5f * 0.1f), 1e-4);
  EXPECT_NEAR(blur.bottom - blur.top, 10.0f * (1.0f + 3.0f * 0.1f), 1e-4);

  BuildDisplayQuads(q, 15, g, 2.0f, 0);
  const Box big = QuadBox(q, kGlyphQuad, 15);
  EXPECT_FLOAT_EQ(big.left, -5.0f);
  EXPECT_FLOAT_EQ(big.right, 15.0f);
  // Slots outside 0..15 are ignored.
  BuildDisplayQuads(q, 16, g, 1.0f, 0);
  BuildDisplayQuads(q, -1, g, 1.0f, 0);
}

TEST(RendererGeometry, StoredSizesOfAnyValueKeepEveryQuadNearItsCell) {
  const DisplayGeometry g = MakeDisplayGeometry(800, 400, 80, 40);  // 10 x 10 pixel cells
  const float sizes[] = {1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN(), 2.0f};
  for (float size : sizes) {
    for (int32_t level : {INT32_MAX, INT32_MIN, 15}) {
      QuadArrays q{};
      BuildDisplayQuads(q, 0, g, size, level);
      for (int set = 0; set < kQuadSets; ++set) {
        const Box b = QuadBox(q, set, 0);
        // The largest is the vertical blur quad at size 2 and level 15: 1 + 4.75 x 2 cells tall.
        for (float edge : {b.left, b.top, b.right, b.bottom}) {
          EXPECT_TRUE(edge >= -48.0f && edge <= 58.0f) << size << " " << level << " set " << set << ": " << edge;
        }
      }
    }
  }
}

TEST(RendererGeometry, HaloPasses) {
  // 72, 96 and 192 are checked in the pixels (render_gl_test.cpp).
  HaloPlan p = PlanHalo(255);
  EXPECT_EQ(p.whole, 2);
  EXPECT_TRUE(p.partial);
  EXPECT_NEAR(p.fraction, 0.65625f, 1e-5);
  p = PlanHalo(1);
  EXPECT_EQ(p.whole, 0);
  EXPECT_TRUE(p.partial);
  EXPECT_NEAR(p.fraction, 1.0f / 96, 1e-6);
  p = PlanHalo(0);
  EXPECT_EQ(p.whole, 0);
  EXPECT_FALSE(p.partial);
}

TEST(RendererGeometry, MotionBlurWeightsRiseAndSumToOne) {
  EXPECT_FLOAT_EQ(MotionBlurWeight(0, 1), 1.0f);
  EXPECT_FLOAT_EQ(MotionBlurWeight(0, 2), 0.0f);
  EXPECT_FLOAT_EQ(MotionBlurWeight(1, 2), 1.0f);
  EXPECT_NEAR(MotionBlurWeight(1, 4), 1.0f / 6, 1e-6);
  EXPECT_NEAR(MotionBlurWeight(3, 4), 0.5f, 1e-6);
  for (int n = 1; n <= 63; ++n) {
    double sum = 0;
    for (int k = 0; k < n; ++k) sum += MotionBlurWeight(k, n);
    EXPECT_NEAR(sum, 1.0, 1e-4) << n;
    EXPECT_NEAR(MotionBlurWeight(n - 1, n), n == 1 ? 1.0 : 2.0 / n, 1e-5);
  }
  // The newest frame is the one just written; the oldest is written next.
  EXPECT_EQ(MotionBlurSlot(2, 3, 4), 2);
  EXPECT_EQ(MotionBlurSlot(2, 0, 4), 3);
  EXPECT_EQ(MotionBlurSlot(0, 0, 1), 0);
  EXPECT_NEAR(RadialBlurInset(0, 4, 0.3f), 0.09f, 1e-6);
  EXPECT_NEAR(RadialBlurInset(2, 4, 1.0f), 0.15f, 1e-6);
  EXPECT_EQ(RadialBlurInset(0, 0, 1.0f), 0.0f);
}

TEST(RendererGeometry, CameraZoomShowsTheMiddleOfTheWindow) {
  float zoom = 0.0f;
  OrthoBounds b = CameraZoomBounds(1000, 800, &zoom);
  EXPECT_EQ(b.left, 0.0);
  EXPECT_EQ(b.right, 1000.0);
  EXPECT_EQ(b.bottom, 800.0);
  EXPECT_EQ(b.top, 0.0);
  zoom = 0.5f;
  b = CameraZoomBounds(1000, 800, &zoom);
  EXPECT_DOUBLE_EQ(b.left, 250.0);
  EXPECT_DOUBLE_EQ(b.right, 750.0);
  EXPECT_DOUBLE_EQ(b.bottom, 600.0);
  EXPECT_DOUBLE_EQ(b.top, 200.0);
  zoom = std::nanf("");
  b = CameraZoomBounds(1000, 800, &zoom);
  EXPECT_EQ(b.right, 1000.0);
}

TEST(RendererGeometry, GlyphIndexOfATextureName) {
  // Glyphs 100+g, blurred 200+g, rotator blur 300+g, glow 400+g, halo 500+g, spot 2.
  FillPlaceholderTextureTables();
  const TextureTables& t = textureTables;
  bool glow = true;
  EXPECT_EQ(FindGlyphIndex(t, 107, &glow), 7);
  EXPECT_FALSE(glow);
  EXPECT_EQ(FindGlyphIndex(t, 254, &glow), 54);
  EXPECT_EQ(FindGlyphIndex(t, 300, &glow), 0);
  EXPECT_EQ(FindGlyphIndex(t, 420, &glow), 20);
  EXPECT_TRUE(glow);
  EXPECT_EQ(FindGlyphIndex(t, 520, &glow), -1) << "halo textures are not looked up";
  EXPECT_FALSE(glow);
  EXPECT_EQ(FindGlyphIndex(t, 2, nullptr), -1);
  EXPECT_EQ(FindGlyphIndex(t, 0, nullptr), -1);
}

TEST(RendererGeometry, PaddedCanvasSides) {
  EXPECT_EQ(PaddedCanvasSide(0), 4);
  EXPECT_EQ(PaddedCanvasSide(4), 4);
  EXPECT_EQ(PaddedCanvasSide(5), 8);
  EXPECT_EQ(PaddedCanvasSide(16), 16);
  EXPECT_EQ(PaddedCanvasSide(500), 512);
  EXPECT_EQ(PaddedCanvasSide(1024), 1024);
  EXPECT_EQ(PaddedCanvasSide(1025), 2048);
  EXPECT_EQ(PaddedCanvasSide(5000), 2048);
}

}  // namespace
