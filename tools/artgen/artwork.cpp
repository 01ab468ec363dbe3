#include "artwork.h"

#include <algorithm>
#include <cmath>

namespace artgen {

namespace {

const char* const kDesigns[kGlyphCount][kDesignCells] = {
#include "glyph_designs.inc"
};

// Sharp glyphs fill 2..62; the half-scale looks sit in 17..47, so that after
// their blur or smear they stay inside 11..52.
constexpr float kSharpOrigin = 2.0f, kSharpSize = 60.0f;
constexpr float kHalfOrigin = 17.0f, kHalfSize = 30.0f;

Plane SharpGlyph(int glyph) {
  Plane plane(64, 64);
  DrawDesign(plane, kDesigns[glyph], kSharpOrigin, kSharpOrigin, kSharpSize);
  return plane;
}

Plane HalfGlyph(int glyph) {
  Plane plane(64, 64);
  DrawDesign(plane, kDesigns[glyph], kHalfOrigin, kHalfOrigin, kHalfSize);
  return plane;
}

void BlurredGlyph(int glyph, aBitmap& out) {
  PlaneToWhiteBitmap(HalfGlyph(glyph), out);
  BlurBitmap(out, 3);
  BlurBitmap(out, 3);
  ScaleBitmap(out, 1.15f);
}

void SmearedGlyph(int glyph, aBitmap& out) {
  PlaneToWhiteBitmap(HalfGlyph(glyph), out);
  SmearHorizontally(out, 3);
  SmearHorizontally(out, 3);
  ScaleBitmap(out, 1.3f);
}

void GlowGlyph(int glyph, aBitmap& out) {
  PlaneToWhiteBitmap(Dilate(HalfGlyph(glyph), 1), out);
  BlurBitmap(out, 1);
  ScaleBitmap(out, 1.6f);
}

// Letters: x unit 10 px, y unit 7.4 px, stroke 5 px, so the shapes sit in
// about 7..56 on both axes.
Plane LetterPlane(int code) {
  Plane plane(64, 64);
  DrawStrokes(plane, LetterStrokes(code), 12.0f, 9.2f, 10.0f, 7.4f, 5.0f);
  return plane;
}

void LowDetail(const aBitmap& source, int side, aBitmap& out) {
  PlaneToWhiteBitmap(Downsample(BitmapAlpha(source), source.width / side), out);
}

float Clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }

float SmoothStep(float edge0, float edge1, float x) {
  const float t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3.0f - 2.0f * t);
}

void Spot(bool square, aBitmap& out) {
  aBitmap fresh(32, 32);
  std::swap(out.pixels, fresh.pixels);
  out.width = out.height = 32;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const float px = x + 0.5f - 16.0f, py = y + 0.5f - 16.0f;
      float alpha;
      if (square) {
        // Signed distance to a rounded square of half side 11, corner radius 4.
        const float qx = std::fabs(px) - 7.0f, qy = std::fabs(py) - 7.0f;
        const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        const float d = outside + std::min(std::max(qx, qy), 0.0f) - 4.0f;
        alpha = 1.0f - SmoothStep(-3.0f, 3.5f, d);
      } else {
        const float r = std::hypot(px, py) / 15.0f;
        const float falloff = Clamp01(1.0f - r * r);
        alpha = falloff * falloff;
      }
      uint8_t* p = out.pixels + (y * 32 + x) * 4;
      p[0] = p[1] = p[2] = 255;
      p[3] = static_cast<uint8_t>(std::lround(Clamp01(alpha) * 255.0f));
    }
  }
}

// Settings window banners, 500 x 40, opaque. Red always equals blue, so the
// pictures look the same whichever of the two channels a device reads first.
// 1001 runs along the top (its bright edge at the bottom, dark towards the
// close button on the right); 1002 mirrors it along the bottom.
void Banner(bool top, aBitmap& out) {
  constexpr int kW = 500, kH = 40;
  Plane glyphs(kW, kH);
  for (int i = 0; i < 24; ++i) {
    const int glyph = (i * 37 + 11) % kGlyphCount;
    DrawDesign(glyphs, kDesigns[glyph], 8.0f + i * 19.0f, 12.0f, 15.0f);
  }
  aBitmap fresh(kW, kH);
  std::swap(out.pixels, fresh.pixels);
  out.width = kW;
  out.height = kH;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const int gx = top ? x : kW - 1 - x;   // distance from the bright end
      const int gy = top ? y : kH - 1 - y;   // distance from the outer edge
      const float t = gx / static_cast<float>(kW - 1);
      const float fade = std::pow(1.0f - t, 1.6f);
      float green = 6.0f + 58.0f * fade * (0.55f + 0.45f * gy / (kH - 1.0f));
      float grey = 2.0f + 10.0f * fade;
      const float code = glyphs.at(gx, y) * std::pow(1.0f - t, 1.2f);
      green += 70.0f * code;
      grey += 22.0f * code;
      const int edge = kH - 1 - gy;  // 0 at the inner edge
      if (edge <= 1) {
        const float line = (edge == 0 ? 1.0f : 0.55f) * (0.25f + 0.75f * std::pow(1.0f - t, 0.8f));
        green = std::max(green, 200.0f * line);
        grey = std::max(grey, 60.0f * line);
      }
      uint8_t* p = out.pixels + (y * kW + x) * 4;
      p[0] = p[2] = static_cast<uint8_t>(std::min(255.0f, grey));
      p[1] = static_cast<uint8_t>(std::min(255.0f, green));
      p[3] = 255;
    }
  }
}

void PutU16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// BITMAPINFOHEADER
void PutInfoHeader(std::vector<uint8_t>& out, int w, int h, int bits, uint32_t imageSize) {
  PutU32(out, 40);
  PutU32(out, static_cast<uint32_t>(w));
  PutU32(out, static_cast<uint32_t>(h));
  PutU16(out, 1);
  PutU16(out, static_cast<unsigned>(bits));
  PutU32(out, 0);  // BI_RGB
  PutU32(out, imageSize);
  PutU32(out, 2835);
  PutU32(out, 2835);
  PutU32(out, 0);
  PutU32(out, 0);
}

struct Rgba {
  float r, g, b, a;
};

// The icon at one size: a dark rounded tile with a bright glyph and, on the
// larger sizes, two faint falling streaks.
std::vector<Rgba> IconImage(int size) {
  std::vector<Rgba> image(static_cast<size_t>(size) * size);
  const float radius = size / 5.0f;
  Plane glyph(size, size);
  const float inset = size * 0.16f;
  DrawDesign(glyph, kDesigns[8], inset, inset, size - 2 * inset);
  Plane streaks(size, size);
  if (size >= 32) {
    const float unit = size / 48.0f;
    DrawStrokes(streaks, {Stroke{{0, 0, 0, 1}, false}}, 5.5f * unit, 4 * unit, 1, 12 * unit, 2 * unit);
    DrawStrokes(streaks, {Stroke{{0, 0, 0, 1}, false}}, 42.5f * unit, 30 * unit, 1, 14 * unit, 2 * unit);
  }
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float px = x + 0.5f, py = y + 0.5f;
      const float qx = std::fabs(px - size / 2.0f) - (size / 2.0f - radius);
      const float qy = std::fabs(py - size / 2.0f) - (size / 2.0f - radius);
      const float d = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) +
                      std::min(std::max(qx, qy), 0.0f) - radius;
      const float tile = Clamp01(0.5f - d);
      const float v = py / size;
      Rgba c{0.0f, 0.10f - 0.06f * v, 0.03f - 0.02f * v, tile};
      const float s = streaks.at(x, y) * 0.55f;
      c.g += s * 0.6f;
      c.r += s * 0.1f;
      c.b += s * 0.15f;
      const float g = glyph.at(x, y);
      const Rgba bright{0.55f - 0.35f * v, 1.0f - 0.25f * v, 0.55f - 0.3f * v, 1.0f};
      c.r = c.r * (1 - g) + bright.r * g;
      c.g = c.g * (1 - g) + bright.g * g;
      c.b = c.b * (1 - g) + bright.b * g;
      image[static_cast<size_t>(y) * size + x] = c;
    }
  }
  return image;
}

uint8_t Byte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

}  // namespace

const int kLetterCodes[kLetterCount] = {
    34, 39, 40, 41, 42, 43, 44, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56,
    57, 58, 59, 60, 61, 62, 63, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75,
    76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 92};

const char* const* GlyphDesign(int glyph) { return kDesigns[glyph]; }

std::vector<int> ArtworkIds() {
  std::vector<int> ids;
  for (int base : {0, 100, 200, 300}) {
    for (int i = 0; i < kGlyphCount; ++i) ids.push_back(base + i);
  }
  for (int code : kLetterCodes) ids.push_back(400 + code);
  for (int code : kLetterCodes) ids.push_back(700 + code);
  for (int id : {1001, 1002, 1003, 1004}) ids.push_back(id);
  for (int base : {2000, 2100, 2200, 2300}) {
    for (int i = 0; i < kGlyphCount; ++i) ids.push_back(base + i);
  }
  return ids;
}

bool ArtworkSize(int id, int& width, int& height) {
  const std::vector<int> ids = ArtworkIds();
  if (!std::binary_search(ids.begin(), ids.end(), id)) return false;
  if (id == 1001 || id == 1002) {
    width = 500;
    height = 40;
  } else if (id == 1003 || id == 1004) {
    width = height = 32;
  } else if (id >= 2000 && id < 2100) {
    width = height = 4;
  } else if (id >= 2100) {
    width = height = 8;
  } else {
    width = height = 64;
  }
  return true;
}

bool BuildArtwork(int id, aBitmap& out) {
  int width, height;
  if (!ArtworkSize(id, width, height)) return false;
  const int family = id / 100;
  const int index = id % 100;
  if (id < 100) {
    PlaneToWhiteBitmap(SharpGlyph(id), out);
  } else if (family == 1) {
    BlurredGlyph(index, out);
  } else if (family == 2) {
    SmearedGlyph(index, out);
  } else if (family == 3) {
    GlowGlyph(index, out);
  } else if (id >= 400 && id < 700) {
    PlaneToWhiteBitmap(LetterPlane(id - 400), out);
  } else if (id >= 700 && id < 1000) {
    PlaneToWhiteBitmap(LetterPlane(id - 700), out);
    SmearHorizontally(out, 9);
    SmearHorizontally(out, 9);
    ScaleBitmap(out, 2.5f);
  } else if (id == 1001 || id == 1002) {
    Banner(id == 1001, out);
  } else if (id == 1003 || id == 1004) {
    Spot(id == 1004, out);
  } else {
    aBitmap full;
    const int look = (id - 2000) / 100;
    if (look == 0) {
      PlaneToWhiteBitmap(SharpGlyph(index), full);
    } else if (look == 1) {
      BlurredGlyph(index, full);
    } else if (look == 2) {
      SmearedGlyph(index, full);
    } else {
      GlowGlyph(index, full);
    }
    LowDetail(full, width, out);
  }
  out.compression = 0;
  out.reserved[0] = out.reserved[1] = out.reserved[2] = 0;
  return out.width == width && out.height == height;
}

std::vector<uint8_t> BuildIconFile() {
  const int sizes[3] = {16, 32, 48};
  std::vector<std::vector<uint8_t>> images;
  for (int size : sizes) {
    const std::vector<Rgba> image = IconImage(size);
    const int maskRow = ((size + 31) / 32) * 4;
    std::vector<uint8_t> dib;
    PutInfoHeader(dib, size, size * 2, 32, static_cast<uint32_t>(size * size * 4 + maskRow * size));
    for (int y = size - 1; y >= 0; --y) {  // bottom-up
      for (int x = 0; x < size; ++x) {
        const Rgba& c = image[static_cast<size_t>(y) * size + x];
        dib.push_back(Byte(c.b));
        dib.push_back(Byte(c.g));
        dib.push_back(Byte(c.r));
        dib.push_back(Byte(c.a));
      }
    }
    for (int y = size - 1; y >= 0; --y) {  // AND mask: set where fully transparent
      std::vector<uint8_t> row(static_cast<size_t>(maskRow), 0);
      for (int x = 0; x < size; ++x) {
        if (Byte(image[static_cast<size_t>(y) * size + x].a) == 0) {
          row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
      }
      dib.insert(dib.end(), row.begin(), row.end());
    }
    images.push_back(dib);
  }
  std::vector<uint8_t> file;
  PutU16(file, 0);
  PutU16(file, 1);  // icon
  PutU16(file, 3);
  uint32_t offset = 6 + 16 * 3;
  for (int i = 0; i < 3; ++i) {
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(0);  // colour count
    file.push_back(0);
    PutU16(file, 1);   // planes
    PutU16(file, 32);  // bits per pixel
    PutU32(file, static_cast<uint32_t>(images[i].size()));
    PutU32(file, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
  return file;
}

std::vector<uint8_t> BuildCloseButtonFile(int state) {
  constexpr int kSide = 24;
  Plane cross(kSide, kSide);
  DrawStrokes(cross, {Stroke{{7, 7, 17, 17}, false}, Stroke{{17, 7, 7, 17}, false}}, 0, 0, 1, 1,
              3.0f);
  // Colours as (red, green, blue) 0..1.
  Rgba background{0, 0, 0, 1}, ink{0x5F / 255.0f, 0xAF / 255.0f, 0x5F / 255.0f, 1};
  Rgba frame = background;
  if (state == 1) {
    background = {0x0C / 255.0f, 0x2C / 255.0f, 0x0C / 255.0f, 1};
    frame = {0x3F / 255.0f, 0x9F / 255.0f, 0x3F / 255.0f, 1};
    ink = {0x7F / 255.0f, 0xDF / 255.0f, 0x7F / 255.0f, 1};
  } else if (state == 2) {
    background = {0x3F / 255.0f, 0xDF / 255.0f, 0x3F / 255.0f, 1};
    frame = {0x7F / 255.0f, 0xFF / 255.0f, 0x7F / 255.0f, 1};
    ink = {0, 0x18 / 255.0f, 0, 1};
  }
  std::vector<uint8_t> pixels;
  for (int y = kSide - 1; y >= 0; --y) {  // bottom-up, rows of 72 bytes need no padding
    for (int x = 0; x < kSide; ++x) {
      const bool edge = x == 1 || y == 1 || x == kSide - 2 || y == kSide - 2;
      const bool inside = x >= 1 && y >= 1 && x <= kSide - 2 && y <= kSide - 2;
      Rgba c = (edge && inside) ? frame : background;
      if (!inside && state != 0) c = {0, 0, 0, 1};
      const float k = cross.at(x, y);
      pixels.push_back(Byte(c.b * (1 - k) + ink.b * k));
      pixels.push_back(Byte(c.g * (1 - k) + ink.g * k));
      pixels.push_back(Byte(c.r * (1 - k) + ink.r * k));
    }
  }
  std::vector<uint8_t> file;
  file.push_back('B');
  file.push_back('M');
  PutU32(file, static_cast<uint32_t>(14 + 40 + pixels.size()));
  PutU32(file, 0);
  PutU32(file, 14 + 40);
  PutInfoHeader(file, kSide, kSide, 24, static_cast<uint32_t>(pixels.size()));
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

}  // namespace artgen
