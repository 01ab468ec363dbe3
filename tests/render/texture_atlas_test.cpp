// Packing pictures into atlas pages: slots at multiples of their side, no two
// overlapping, gutters where a picture has no transparent margin of its own,
// pages no larger than their slots need, and the texels copied in place.
#include <gtest/gtest.h>

#include <vector>

#include "render/texture_atlas.h"

namespace {

// A side x side picture, transparent but for an opaque square `margin` texels
// from its edges whose alpha is its texel's position.
std::vector<uint8_t> Picture(int side, int margin) {
  std::vector<uint8_t> rgba(static_cast<size_t>(side) * side * 4, 0);
  for (int y = margin; y < side - margin; ++y)
    for (int x = margin; x < side - margin; ++x) rgba[(static_cast<size_t>(y) * side + x) * 4 + 3] = 1 + (x + y) % 250;
  return rgba;
}

TEST(TextureAtlas, SlotsAreAlignedApartAndCopiedInPlace) {
  static AtlasBuilder atlas;
  ResetAtlas(atlas, 256);
  struct Kind { int side, margin, count; };
  const Kind kinds[] = {{128, 33, 3}, {64, 11, 9}, {8, 0, 20}, {32, 1, 2}};
  uint32_t name = 1;
  for (const Kind& k : kinds)
    for (int i = 0; i < k.count; ++i) ASSERT_TRUE(AddAtlasPicture(atlas, name++, Picture(k.side, k.margin).data(), k.side, k.side, true));
  // Not kept: pictures that are not square powers of two, or too large.
  EXPECT_FALSE(AddAtlasPicture(atlas, 99, Picture(24, 0).data(), 24, 24, true));
  EXPECT_FALSE(AddAtlasPicture(atlas, 99, Picture(512, 0).data(), 512, 512, true));
  EXPECT_FALSE(AddAtlasPicture(atlas, 99, Picture(64, 0).data(), 64, 32, true));

  // 128-slots: 3 need a 256 page; 64-slots: 9 plus two 32-pictures with gutters
  // (slots of 64) need 256; 8-pictures get gutters of 4: 20 slots of 16 need 128.
  ASSERT_EQ(PlaceAtlasPictures(atlas), 3);
  EXPECT_EQ(atlas.sides[0], 256);
  EXPECT_EQ(atlas.sides[1], 256);
  EXPECT_EQ(atlas.sides[2], 128);
  std::vector<std::vector<int>> owner(3, std::vector<int>(256 * 256, -1));
  for (int i = 0; i < atlas.count; ++i) {
    const AtlasEntry& e = atlas.entries[i];
    ASSERT_GE(e.page, 0);
    EXPECT_EQ(e.gutter, e.side == 8 || e.side == 32 ? e.side / 2 : 0) << i;
    const int slot = e.side + 2 * e.gutter;
    const int sx = e.x - e.gutter, sy = e.y - e.gutter;
    EXPECT_EQ(sx % slot, 0) << i;
    EXPECT_EQ(sy % slot, 0) << i;
    ASSERT_LE(sx + slot, atlas.sides[e.page]);
    ASSERT_LE(sy + slot, atlas.sides[e.page]);
    for (int y = sy; y < sy + slot; ++y)
      for (int x = sx; x < sx + slot; ++x) {
        ASSERT_EQ(owner[e.page][y * 256 + x], -1) << "slots " << i << " and " << owner[e.page][y * 256 + x] << " overlap";
        owner[e.page][y * 256 + x] = i;
      }
  }
  // Every picture's texels at its place; its gutter transparent.
  std::vector<uint8_t> page(256 * 256);
  for (int p = 0; p < 3; ++p) {
    std::fill(page.begin(), page.end(), 0);
    FillAtlasPage(atlas, p, page.data());
    for (int i = 0; i < atlas.count; ++i) {
      const AtlasEntry& e = atlas.entries[i];
      if (e.page != p) continue;
      const std::vector<uint8_t> source = Picture(e.side, e.side == 8 ? 0 : e.side == 32 ? 1 : e.side == 64 ? 11 : 33);
      for (int y = -e.gutter; y < e.side + e.gutter; ++y)
        for (int x = -e.gutter; x < e.side + e.gutter; ++x) {
          const bool inside = x >= 0 && y >= 0 && x < e.side && y < e.side;
          const int expected = inside ? source[(static_cast<size_t>(y) * e.side + x) * 4 + 3] : 0;
          ASSERT_EQ(page[(e.y + y) * atlas.sides[p] + e.x + x], expected) << i << " at " << x << "," << y;
        }
    }
  }
  FreeAtlas(atlas);
}

TEST(TextureAtlas, PicturesBeyondTheLastPageStayOut) {
  static AtlasBuilder atlas;
  ResetAtlas(atlas, 64);
  const std::vector<uint8_t> picture = Picture(64, 20);
  for (int i = 0; i < kAtlasMaxPages + 2; ++i) ASSERT_TRUE(AddAtlasPicture(atlas, 1 + i, picture.data(), 64, 64, i % 2 == 0));
  // Pictures drawn from their page first, each on pages of their own.
  EXPECT_EQ(PlaceAtlasPictures(atlas), kAtlasMaxPages);
  int placed = 0;
  for (int i = 0; i < atlas.count; ++i) {
    const AtlasEntry& e = atlas.entries[i];
    if (e.page < 0) continue;
    ++placed;
    EXPECT_EQ(atlas.drawn[e.page], e.drawn) << i;
  }
  EXPECT_EQ(placed, kAtlasMaxPages);
  EXPECT_EQ(atlas.entries[0].page, 0);
  EXPECT_EQ(atlas.entries[1].page, (kAtlasMaxPages + 2) / 2);
  FreeAtlas(atlas);
}

}  // namespace
