#include "raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace artgen {

namespace {

bool CellCovers(char cell, float fx, float fy) {
  switch (cell) {
    case '#':
      return true;
    case 'L':
      return fy >= fx;
    case 'J':
      return fx + fy >= 1.0f;
    case 'F':
      return fx + fy <= 1.0f;
    case '7':
      return fx >= fy;
    default:
      return false;
  }
}

float SegmentDistance(float px, float py, float ax, float ay, float bx, float by) {
  const float dx = bx - ax, dy = by - ay;
  const float lengthSq = dx * dx + dy * dy;
  float t = lengthSq > 0.0f ? ((px - ax) * dx + (py - ay) * dy) / lengthSq : 0.0f;
  t = std::min(1.0f, std::max(0.0f, t));
  const float ex = ax + t * dx - px, ey = ay + t * dy - py;
  return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

void DrawDesign(Plane& plane, const char* const* design, float left, float top, float size) {
  constexpr int kSamples = 8;
  const float cell = size / kDesignCells;
  const int x0 = std::max(0, static_cast<int>(std::floor(left)));
  const int y0 = std::max(0, static_cast<int>(std::floor(top)));
  const int x1 = std::min(plane.width, static_cast<int>(std::ceil(left + size)));
  const int y1 = std::min(plane.height, static_cast<int>(std::ceil(top + size)));
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      int hits = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        const float v = (y + (sy + 0.5f) / kSamples - top) / cell;
        if (v < 0.0f || v >= kDesignCells) continue;
        const int row = static_cast<int>(v);
        for (int sx = 0; sx < kSamples; ++sx) {
          const float u = (x + (sx + 0.5f) / kSamples - left) / cell;
          if (u < 0.0f || u >= kDesignCells) continue;
          const int col = static_cast<int>(u);
          if (CellCovers(design[row][col], u - col, v - row)) ++hits;
        }
      }
      float& out = plane.at(x, y);
      out = std::max(out, hits / static_cast<float>(kSamples * kSamples));
    }
  }
}

void DrawStrokes(Plane& plane, const std::vector<Stroke>& strokes, float left, float top,
                 float scaleX, float scaleY, float thickness) {
  const float half = thickness * 0.5f;
  for (const Stroke& stroke : strokes) {
    const size_t count = stroke.points.size() / 2;
    const size_t segments = stroke.closed ? count : (count > 1 ? count - 1 : 1);
    for (size_t s = 0; s < segments; ++s) {
      const size_t a = s, b = count > 1 ? (s + 1) % count : s;
      const float ax = left + stroke.points[2 * a] * scaleX;
      const float ay = top + stroke.points[2 * a + 1] * scaleY;
      const float bx = left + stroke.points[2 * b] * scaleX;
      const float by = top + stroke.points[2 * b + 1] * scaleY;
      const int x0 = std::max(0, static_cast<int>(std::floor(std::min(ax, bx) - half - 1)));
      const int y0 = std::max(0, static_cast<int>(std::floor(std::min(ay, by) - half - 1)));
      const int x1 = std::min(plane.width - 1, static_cast<int>(std::ceil(std::max(ax, bx) + half + 1)));
      const int y1 = std::min(plane.height - 1, static_cast<int>(std::ceil(std::max(ay, by) + half + 1)));
      for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
          const float d = SegmentDistance(x + 0.5f, y + 0.5f, ax, ay, bx, by);
          const float coverage = std::min(1.0f, std::max(0.0f, half + 0.5f - d));
          float& out = plane.at(x, y);
          out = std::max(out, coverage);
        }
      }
    }
  }
}

Plane Dilate(const Plane& plane, int radius) {
  Plane out(plane.width, plane.height);
  for (int y = 0; y < plane.height; ++y) {
    for (int x = 0; x < plane.width; ++x) {
      float best = 0.0f;
      for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
          const int sx = x + dx, sy = y + dy;
          if (sx >= 0 && sy >= 0 && sx < plane.width && sy < plane.height) {
            best = std::max(best, plane.at(sx, sy));
          }
        }
      }
      out.at(x, y) = best;
    }
  }
  return out;
}

Plane Downsample(const Plane& plane, int factor) {
  Plane out(plane.width / factor, plane.height / factor);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) {
      float sum = 0.0f;
      for (int dy = 0; dy < factor; ++dy) {
        for (int dx = 0; dx < factor; ++dx) sum += plane.at(x * factor + dx, y * factor + dy);
      }
      out.at(x, y) = sum / static_cast<float>(factor * factor);
    }
  }
  return out;
}

void PlaneToWhiteBitmap(const Plane& plane, aBitmap& out) {
  aBitmap fresh(plane.width, plane.height);
  std::swap(out.pixels, fresh.pixels);
  out.width = plane.width;
  out.height = plane.height;
  for (size_t i = 0; i < plane.value.size(); ++i) {
    const float v = std::min(1.0f, std::max(0.0f, plane.value[i]));
    uint8_t* p = out.pixels + 4 * i;
    p[0] = p[1] = p[2] = 255;
    p[3] = static_cast<uint8_t>(std::lround(v * 255.0f));
  }
}

Plane BitmapAlpha(const aBitmap& bitmap) {
  Plane out(bitmap.width, bitmap.height);
  for (size_t i = 0; i < out.value.size(); ++i) out.value[i] = bitmap.pixels[4 * i + 3] / 255.0f;
  return out;
}

void SmearHorizontally(aBitmap& bitmap, int radius) {
  const int w = bitmap.width;
  std::vector<int> row(static_cast<size_t>(w));
  for (int y = 0; y < bitmap.height; ++y) {
    uint8_t* line = bitmap.pixels + static_cast<size_t>(y) * w * 4;
    for (int x = 0; x < w; ++x) row[x] = line[4 * x + 3];
    for (int x = 0; x < w; ++x) {
      int sum = 0;
      for (int k = std::max(0, x - radius); k <= std::min(w - 1, x + radius); ++k) sum += row[k];
      line[4 * x + 3] = static_cast<uint8_t>(sum / (2 * radius + 1));
    }
  }
}

}  // namespace artgen
