#include "sheet.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "artwork.h"

namespace artgen {

namespace {

void PutU32BigEndian(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutU32BigEndian(out, static_cast<uint32_t>(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
  PutU32BigEndian(out, static_cast<uint32_t>(crc));
}

struct Sheet {
  int width, height;
  std::vector<uint8_t> rgb;

  Sheet(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0) {}

  void Fill(int x, int y, int w, int h, uint8_t grey) {
    for (int row = y; row < y + h && row < height; ++row) {
      for (int col = x; col < x + w && col < width; ++col) {
        uint8_t* p = &rgb[(static_cast<size_t>(row) * width + col) * 3];
        p[0] = p[1] = p[2] = grey;
      }
    }
  }

  // Composites the picture over what is there, each source pixel drawn as a
  // zoom x zoom block.
  void Paste(const aBitmap& picture, int x, int y, int zoom) {
    for (int row = 0; row < picture.height * zoom; ++row) {
      for (int col = 0; col < picture.width * zoom; ++col) {
        const int tx = x + col, ty = y + row;
        if (tx >= width || ty >= height) continue;
        const uint8_t* s = picture.pixels + ((row / zoom) * picture.width + col / zoom) * 4;
        uint8_t* d = &rgb[(static_cast<size_t>(ty) * width + tx) * 3];
        for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * s[3] + d[c] * (255 - s[3])) / 255);
      }
    }
  }

  // The id in the letter font, 8 pixels high.
  void Label(int id, int x, int y) {
    const std::string text = std::to_string(id);
    Plane plane(static_cast<int>(text.size()) * 7 + 2, 11);
    for (size_t i = 0; i < text.size(); ++i) {
      DrawStrokes(plane, LetterStrokes(text[i]), 1.5f + 7.0f * i, 1.5f, 1.2f, 1.25f, 1.1f);
    }
    for (int row = 0; row < plane.height; ++row) {
      for (int col = 0; col < plane.width; ++col) {
        const int tx = x + col, ty = y + row;
        if (tx >= width || ty >= height) continue;
        uint8_t* d = &rgb[(static_cast<size_t>(ty) * width + tx) * 3];
        const float a = plane.at(col, row);
        const uint8_t ink[3] = {120, 220, 120};
        for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>(ink[c] * a + d[c] * (1 - a));
      }
    }
  }
};

constexpr int kMargin = 8;
constexpr int kColumns = 16;

// Lays pictures out in rows of tiles; returns the y below the last row.
int Section(Sheet* sheet, const std::vector<int>& ids, int top, int tileWidth, int tileHeight,
            int zoom, int columns) {
  const int stepX = tileWidth + 6, stepY = tileHeight + 14;
  for (size_t i = 0; i < ids.size(); ++i) {
    const int x = kMargin + static_cast<int>(i % columns) * stepX;
    const int y = top + static_cast<int>(i / columns) * stepY;
    if (sheet) {
      aBitmap picture;
      BuildArtwork(ids[i], picture);
      sheet->Fill(x, y, picture.width * zoom, picture.height * zoom, 28);
      sheet->Paste(picture, x, y, zoom);
      sheet->Label(ids[i], x, y + picture.height * zoom + 1);
    }
  }
  const int rows = static_cast<int>((ids.size() + columns - 1) / columns);
  return top + rows * stepY + 8;
}

std::vector<int> Range(int base, int count) {
  std::vector<int> ids;
  for (int i = 0; i < count; ++i) ids.push_back(base + i);
  return ids;
}

int Layout(Sheet* sheet) {
  int y = kMargin;
  for (int base : {0, 100, 200, 300}) y = Section(sheet, Range(base, kGlyphCount), y, 64, 64, 1, kColumns);
  std::vector<int> letters, glows;
  for (int code : kLetterCodes) {
    letters.push_back(400 + code);
    glows.push_back(700 + code);
  }
  y = Section(sheet, letters, y, 64, 64, 1, kColumns);
  y = Section(sheet, glows, y, 64, 64, 1, kColumns);
  y = Section(sheet, {1001, 1002}, y, 500, 40, 1, 2);
  y = Section(sheet, {1003, 1004}, y, 64, 64, 2, kColumns);
  y = Section(sheet, Range(2000, kGlyphCount), y, 32, 32, 8, 28);
  for (int base : {2100, 2200, 2300}) y = Section(sheet, Range(base, kGlyphCount), y, 32, 32, 4, 28);
  return y;
}

}  // namespace

std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> filtered;
  filtered.reserve(static_cast<size_t>(height) * (width * 3 + 1));
  for (int y = 0; y < height; ++y) {
    filtered.push_back(0);  // filter: none
    const auto row = rgb.begin() + static_cast<std::ptrdiff_t>(y) * width * 3;
    filtered.insert(filtered.end(), row, row + width * 3);
  }
  uLongf packedLength = compressBound(static_cast<uLong>(filtered.size()));
  std::vector<uint8_t> packed(packedLength);
  if (compress2(packed.data(), &packedLength, filtered.data(), static_cast<uLong>(filtered.size()), 6) != Z_OK) {
    return {};
  }
  packed.resize(packedLength);

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutU32BigEndian(header, static_cast<uint32_t>(width));
  PutU32BigEndian(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter set, no interlace
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}

bool WriteContactSheet(const char* path) {
  const int height = Layout(nullptr);
  const int width = 2 * kMargin + kColumns * (64 + 6);
  Sheet sheet(width, height);
  Layout(&sheet);
  const std::vector<uint8_t> png = EncodePng(width, height, sheet.rgb);
  FILE* f = std::fopen(path, "wb");
  if (!f || png.empty()) {
    if (f) std::fclose(f);
    return false;
  }
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace artgen
