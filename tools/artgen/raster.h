// Coverage planes and the two shape languages of the artwork: cell designs
// (code glyphs) and stroked polylines (letters, labels).
#pragma once

#include <cstdint>
#include <vector>

#include "render/bitmap.h"

namespace artgen {

// Single-channel coverage, 0..1, row 0 at the top.
struct Plane {
  int width = 0;
  int height = 0;
  std::vector<float> value;

  Plane() = default;
  Plane(int w, int h) : width(w), height(h), value(static_cast<size_t>(w) * h, 0.0f) {}
  float& at(int x, int y) { return value[static_cast<size_t>(y) * width + x]; }
  float at(int x, int y) const { return value[static_cast<size_t>(y) * width + x]; }
};

// A code glyph design: 8 rows of 8 cells. '#' filled, '.' empty, and four
// half cells cut along a diagonal, named after the corner they fill:
// 'L' lower left, 'J' lower right, 'F' upper left, '7' upper right.
constexpr int kDesignCells = 8;
using Design = const char* const[kDesignCells];

// Adds (as a union) the design scaled into the square of side `size` whose
// top-left corner is (left, top), with 8 x 8 samples per pixel.
void DrawDesign(Plane& plane, const char* const* design, float left, float top, float size);

// A polyline in design units; `closed` joins the last point to the first.
struct Stroke {
  std::vector<float> points;  // x0, y0, x1, y1, ...
  bool closed = false;
};

// Adds the strokes with round joins and caps: each design point (x, y) lands on
// pixel (left + x * scaleX, top + y * scaleY); `thickness` is in pixels.
void DrawStrokes(Plane& plane, const std::vector<Stroke>& strokes, float left, float top,
                 float scaleX, float scaleY, float thickness);

// Morphological operations and resampling on planes.
Plane Dilate(const Plane& plane, int radius);  // maximum over a (2r+1)^2 square
Plane Downsample(const Plane& plane, int factor);  // area average

// White picture whose alpha is round(coverage * 255).
void PlaneToWhiteBitmap(const Plane& plane, aBitmap& out);
// The alpha channel of a picture as coverage.
Plane BitmapAlpha(const aBitmap& bitmap);

// Horizontal box smear of the alpha channel (radius r, divisor 2r+1, outside 0),
// in place on a white picture.
void SmearHorizontally(aBitmap& bitmap, int radius);

}  // namespace artgen
