// The generated pictures: where each kind puts its ink (the samples are checked
// through the saver's decoder in tests/sound/vorbis_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>

#include "artwork.h"
#include "render/bitmap.h"

namespace {

using artgen::BuildArtwork;

struct Box {
  int left = 64, top = 64, right = -1, bottom = -1;  // inclusive; empty when right < left
};

Box AlphaBox(const aBitmap& picture) {
  Box box;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (picture.pixels[(y * picture.width + x) * 4 + 3] == 0) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

double Coverage(const aBitmap& picture) {
  double sum = 0;
  for (int i = 0; i < picture.width * picture.height; ++i) sum += picture.pixels[i * 4 + 3];
  return sum / (255.0 * picture.width * picture.height);
}

// Every picture of the table at its size is checked on the built screensaver's
// resources (resources_wine_test.cpp); here what each kind must look like.
TEST(Artwork, LettersSpotsAndBanners) {
  aBitmap none;
  EXPECT_FALSE(BuildArtwork(400 + '@', none));
  EXPECT_FALSE(BuildArtwork(55, none));
  EXPECT_FALSE(BuildArtwork(2055, none));
  for (int code : artgen::kLetterCodes) {
    aBitmap letter, glow;
    ASSERT_TRUE(BuildArtwork(400 + code, letter));
    ASSERT_TRUE(BuildArtwork(700 + code, glow));
    const Box box = AlphaBox(letter);
    EXPECT_GE(box.left, 6) << code;
    EXPECT_GE(box.top, 6) << code;
    EXPECT_LE(box.right, 57) << code;
    EXPECT_LE(box.bottom, 58) << code;
    // The glow runs sideways, well past the letter on both sides.
    const Box wide = AlphaBox(glow);
    EXPECT_LE(wide.left, std::max(0, box.left - 14)) << code;
    EXPECT_GE(wide.right, std::min(63, box.right + 14)) << code;
    EXPECT_EQ(wide.top, box.top) << code;
  }

  for (int id : {1003, 1004}) {
    aBitmap spot;
    ASSERT_TRUE(BuildArtwork(id, spot));
    EXPECT_GE(spot.pixels[(16 * 32 + 16) * 4 + 3], 250) << id;
    EXPECT_EQ(spot.pixels[3], 0) << id;  // corner
    EXPECT_EQ(spot.pixels[(16 * 32) * 4 + 3], 0) << id;  // edge middle: soft to nothing
  }
  aBitmap round, square;
  ASSERT_TRUE(BuildArtwork(1003, round));
  ASSERT_TRUE(BuildArtwork(1004, square));
  EXPECT_GT(Coverage(square), Coverage(round));

  for (int id : {1001, 1002}) {
    aBitmap banner;
    ASSERT_TRUE(BuildArtwork(id, banner));
    for (int i = 0; i < 500 * 40; ++i) {
      const uint8_t* p = banner.pixels + i * 4;
      ASSERT_EQ(p[3], 255) << id;
      ASSERT_EQ(p[0], p[2]) << id;  // red equals blue: immune to channel order
      ASSERT_GE(p[1], p[0]) << id;  // green dominates
    }
  }
}

}  // namespace
