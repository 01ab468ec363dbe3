// The pictures of the screensaver: every ABITMAP resource by id, the program
// icon and the close-button bitmaps, all drawn from code.
#pragma once

#include <cstdint>
#include <vector>

#include "raster.h"
#include "render/bitmap.h"

namespace artgen {

constexpr int kGlyphCount = 55;
constexpr int kLetterCount = 52;
// Character codes that have letter pictures.
extern const int kLetterCodes[kLetterCount];

const char* const* GlyphDesign(int glyph);
std::vector<Stroke> LetterStrokes(int code);

// Every ABITMAP id, in ascending order.
std::vector<int> ArtworkIds();
// Width and height the picture of `id` must have; false for an id not in the set.
bool ArtworkSize(int id, int& width, int& height);
// Draws the picture of `id`; false for an id not in the set.
bool BuildArtwork(int id, aBitmap& out);

// Program icon: an .ico file with 16, 32 and 48 pixel 32-bit images.
std::vector<uint8_t> BuildIconFile();
// Close button pictures as 24 x 24 .bmp files: 0 normal, 1 mouse over, 2 pressed.
std::vector<uint8_t> BuildCloseButtonFile(int state);

}  // namespace artgen
