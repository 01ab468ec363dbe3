#include "render/bitmap.h"

#include <zlib.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kMagic[8] = {'a', 'B', 'i', 't', 'm', 'a', 'p', '\0'};

// Deflate cannot expand better than 1032:1 (a 258-byte match in two bits), so a
// compressed payload of c bytes never inflates to more than about 1032 * c.
constexpr uint64_t kMaxInflateRatio = 1032;

int32_t ReadI32(const uint8_t* p) {
  uint32_t v = uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
               (uint32_t{p[3]} << 24);
  int32_t result;
  std::memcpy(&result, &v, sizeof result);
  return result;
}

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

void WriteI32(uint8_t* p, int32_t v) {
  uint32_t u;
  std::memcpy(&u, &v, sizeof u);
  WriteU32(p, u);
}

void BuildHeader(const aBitmap& bitmap, uint8_t* header) {
  std::memcpy(header, bitmap.magic, 8);
  WriteI32(header + 8, bitmap.width);
  WriteI32(header + 12, bitmap.height);
  WriteI32(header + 16, bitmap.compression);
  for (int i = 0; i < 3; ++i) WriteU32(header + 20 + 4 * i, bitmap.reserved[i]);
}

// Zero-filled buffer of n bytes; an empty picture has no buffer. Sets ok to false
// when the allocation fails.
uint8_t* AllocPixels(int64_t n, bool& ok) {
  ok = true;
  if (n <= 0) return nullptr;
  auto* p = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(n), 1));
  if (!p) ok = false;
  return p;
}

// Checks that the record is self-consistent; returns its byte count or a
// negative result code.
int64_t CheckRecord(const aBitmap& bitmap) {
  int64_t n = BitmapByteCount(bitmap.width, bitmap.height);
  if (n < 0) return kBitmapBadSize;
  if (n > 0 && !bitmap.pixels) return kBitmapInvalid;
  return n;
}

int32_t WriteFile(const char* path, const uint8_t* header, const uint8_t* body, size_t bodyLength) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return kBitmapCannotOpen;
  bool ok = std::fwrite(header, 1, kBitmapHeaderSize, f) == kBitmapHeaderSize;
  if (ok && bodyLength > 0) ok = std::fwrite(body, 1, bodyLength, f) == bodyLength;
  if (std::fclose(f) != 0) ok = false;
  return ok ? kBitmapOk : kBitmapCannotOpen;
}

// Separable running-sum box blur. Red, green and blue are summed as their
// distance from white ("deficit") so that samples outside the picture (white)
// contribute nothing; alpha is summed directly (outside alpha is 0). With
// D = (2r+1)^2 the exact truncated means are then
//   alpha = floor(sum / D),  colour = floor((255 D - deficit) / D) = 255 - ceil(deficit / D).
// Division by the blur's divisor D: every output value divides a window sum,
// so the 32-bit case multiplies by a reciprocal fixed once per picture
// (Granlund and Montgomery's method, exact for every 32-bit numerator).
struct Divider32 {
  uint32_t d, magic;
  int shift;
  explicit Divider32(uint32_t divisor) : d(divisor), magic(0), shift(0) {
    while (shift < 32 && (uint64_t{1} << shift) < divisor) ++shift;  // ceil(log2 d)
    if (shift > 0) magic = static_cast<uint32_t>(((uint64_t{1} << 32) * ((uint64_t{1} << shift) - divisor)) / divisor + 1);
  }
  uint32_t operator()(uint32_t n) const {
    if (shift == 0) return n;  // d = 1
    const uint32_t t = static_cast<uint32_t>((uint64_t{magic} * n) >> 32);
    return (t + ((n - t) >> 1)) >> (shift - 1);
  }
};
struct Divider64 {
  uint64_t d;
  explicit Divider64(uint64_t divisor) : d(divisor) {}
  uint64_t operator()(uint64_t n) const { return n / d; }
};
template <typename Sum>
struct DividerFor;
template <>
struct DividerFor<uint32_t> {
  using Type = Divider32;
};
template <>
struct DividerFor<uint64_t> {
  using Type = Divider64;
};

// A channel's contribution to the sums: colour as its deficit from white,
// alpha as it is.
inline uint32_t Sample(const uint8_t* pixel, int c) { return c < 3 ? 255u - pixel[c] : pixel[c]; }

// Channels kFirst..3 of every pixel; the row sums hold them (4 - kFirst per
// pixel). The horizontal pass reads all of src before the vertical pass
// writes dst, so dst may be src. Sum must hold min(2r+1, w) * min(2r+1, h) *
// 255 and D.
template <typename Sum, int kFirst>
void BlurPasses(const uint8_t* src, uint8_t* dst, uint32_t* rowSums, Sum* columnSums, int32_t w,
                int32_t h, int32_t r, Sum divisor) {
  constexpr int kCount = 4 - kFirst;
  const size_t rowValues = static_cast<size_t>(w) * kCount;
  // Horizontal pass: rowSums[y][x][c] = sum over x' in [x - r, x + r] inside the row.
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = src + static_cast<size_t>(w) * 4 * static_cast<size_t>(y);
    uint32_t* out = rowSums + rowValues * static_cast<size_t>(y);
    uint32_t acc[kCount] = {};
    const int32_t first = r < w - 1 ? r : w - 1;
    for (int32_t x = 0; x <= first; ++x)
      for (int c = 0; c < kCount; ++c) acc[c] += Sample(in + 4 * x, kFirst + c);
    for (int32_t x = 0; x < w; ++x) {
      uint32_t* o = out + kCount * static_cast<size_t>(x);
      for (int c = 0; c < kCount; ++c) o[c] = acc[c];
      if (int64_t{x} + r + 1 < w) {
        const uint8_t* p = in + 4 * static_cast<size_t>(x + r + 1);
        for (int c = 0; c < kCount; ++c) acc[c] += Sample(p, kFirst + c);
      }
      if (int64_t{x} - r >= 0) {
        const uint8_t* p = in + 4 * static_cast<size_t>(x - r);
        for (int c = 0; c < kCount; ++c) acc[c] -= Sample(p, kFirst + c);
      }
    }
  }
  // Vertical pass over the row sums, one window of rows for all columns at once.
  for (size_t i = 0; i < rowValues; ++i) columnSums[i] = 0;
  const int32_t firstRow = r < h - 1 ? r : h - 1;
  for (int32_t y = 0; y <= firstRow; ++y) {
    const uint32_t* row = rowSums + rowValues * static_cast<size_t>(y);
    for (size_t i = 0; i < rowValues; ++i) columnSums[i] += row[i];
  }
  const typename DividerFor<Sum>::Type divide(divisor);
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* out = dst + static_cast<size_t>(w) * 4 * static_cast<size_t>(y) + kFirst;
    for (size_t i = 0; i < rowValues; i += kCount, out += 4) {
      for (int c = 0; c < kCount; ++c) {
        const Sum sum = columnSums[i + c];
        if (kFirst + c == 3) {
          out[c] = static_cast<uint8_t>(divide(sum));
        } else {
          const Sum ceiling = sum == 0 ? 0 : divide(sum - 1) + 1;
          out[c] = static_cast<uint8_t>(255 - ceiling);
        }
      }
    }
    if (int64_t{y} + r + 1 < h) {
      const uint32_t* row = rowSums + rowValues * static_cast<size_t>(y + r + 1);
      for (size_t i = 0; i < rowValues; ++i) columnSums[i] += row[i];
    }
    if (int64_t{y} - r >= 0) {
      const uint32_t* row = rowSums + rowValues * static_cast<size_t>(y - r);
      for (size_t i = 0; i < rowValues; ++i) columnSums[i] -= row[i];
    }
  }
}

// Blurs channels kFirst..3 in place, with the working memory of `scratch`
// (grown as needed) or, without one, memory of its own.
template <int kFirst>
int32_t BlurChannels(aBitmap& bitmap, int32_t radius, BlurScratch* scratch) {
  if (radius < 1) return kBitmapInvalid;
  const int64_t n = CheckRecord(bitmap);
  if (n < 0) return static_cast<int32_t>(n);
  if (n == 0) return kBitmapOk;
  const int32_t w = bitmap.width;
  const int32_t h = bitmap.height;
  constexpr size_t kCount = 4 - kFirst;
  const uint64_t side = 2 * static_cast<uint64_t>(radius) + 1;
  const uint64_t divisor = side * side;  // < 2^64 for every 32-bit radius
  const uint64_t spanX = side < static_cast<uint64_t>(w) ? side : static_cast<uint64_t>(w);
  const uint64_t spanY = side < static_cast<uint64_t>(h) ? side : static_cast<uint64_t>(h);
  const bool narrow = divisor <= UINT32_MAX && spanX * spanY * 255 <= UINT32_MAX;
  const size_t rowBytes = static_cast<size_t>(n) / 4 * kCount * sizeof(uint32_t);
  const size_t bytes = rowBytes + static_cast<size_t>(w) * kCount * sizeof(uint64_t);
  BlurScratch own{nullptr, 0};
  BlurScratch& work = scratch ? *scratch : own;
  if (work.bytes < bytes) {
    void* grown = std::malloc(bytes);
    if (!grown) return kBitmapNoMemory;
    std::free(work.memory);
    work.memory = grown;
    work.bytes = bytes;
  }
  auto* rowSums = static_cast<uint32_t*>(work.memory);
  void* columnSums = static_cast<uint8_t*>(work.memory) + rowBytes;
  if (narrow) {
    BlurPasses<uint32_t, kFirst>(bitmap.pixels, bitmap.pixels, rowSums, static_cast<uint32_t*>(columnSums), w, h,
                                 radius, static_cast<uint32_t>(divisor));
  } else {
    BlurPasses<uint64_t, kFirst>(bitmap.pixels, bitmap.pixels, rowSums, static_cast<uint64_t*>(columnSums), w, h,
                                 radius, divisor);
  }
  FreeBlurScratch(own);
  return kBitmapOk;
}

}  // namespace

aBitmap::aBitmap() : width(0), height(0), compression(0), reserved{0, 0, 0}, pixels(nullptr) {
  std::memcpy(magic, kMagic, sizeof magic);
}

aBitmap::aBitmap(int32_t w, int32_t h) : aBitmap() {
  int64_t n = BitmapByteCount(w, h);
  if (n < 0) return;
  bool ok;
  pixels = AllocPixels(n, ok);
  if (!ok) return;
  width = w;
  height = h;
}

aBitmap::~aBitmap() { std::free(pixels); }

int64_t BitmapByteCount(int32_t width, int32_t height) {
  if (width < 0 || height < 0 || width > kBitmapMaxSide || height > kBitmapMaxSide) return -1;
  int64_t count = int64_t{width} * height;
  if (count > kBitmapMaxPixels) return -1;
  return count * 4;
}

int32_t LoadBitmapMemory(aBitmap& bitmap, const void* data, size_t length) {
  if (!data || length < kBitmapHeaderSize) return kBitmapShort;
  const auto* payload = static_cast<const uint8_t*>(data);
  if (std::strncmp(reinterpret_cast<const char*>(payload), bitmap.magic, 8) != 0) {
    return kBitmapBadMagic;
  }

  // The whole header is checked before the record changes.
  const int32_t width = ReadI32(payload + 8);
  const int32_t height = ReadI32(payload + 12);
  const int32_t compression = ReadI32(payload + 16);
  const int64_t n = BitmapByteCount(width, height);
  if (n < 0) return kBitmapBadSize;
  if (compression < 0 || compression > 1) return kBitmapBadCompression;
  const size_t rest = length - kBitmapHeaderSize;
  if (compression == 0 && static_cast<uint64_t>(rest) < static_cast<uint64_t>(n)) {
    return kBitmapShort;
  }
  if (compression == 1 &&
      static_cast<uint64_t>(n) > (static_cast<uint64_t>(rest) + 1) * kMaxInflateRatio) {
    return kBitmapShort;
  }

  if (width != bitmap.width || height != bitmap.height) {
    bool ok;
    uint8_t* fresh = AllocPixels(n, ok);
    if (!ok) return kBitmapNoMemory;
    std::free(bitmap.pixels);
    bitmap.pixels = fresh;
    bitmap.width = width;
    bitmap.height = height;
  }
  bitmap.compression = compression;
  for (int i = 0; i < 3; ++i) bitmap.reserved[i] = ReadU32(payload + 20 + 4 * i);

  const uint8_t* body = payload + kBitmapHeaderSize;
  if (compression == 0) {
    if (n > 0) std::memcpy(bitmap.pixels, body, static_cast<size_t>(n));
    return kBitmapOk;
  }

  if (rest > ULONG_MAX) return kBitmapShort;
  uLongf produced = static_cast<uLongf>(n);
  // uncompress needs a writable target even for an empty picture.
  Bytef spare = 0;
  Bytef* target = bitmap.pixels ? bitmap.pixels : &spare;
  switch (uncompress(target, &produced, body, static_cast<uLong>(rest))) {
    case Z_OK:
      return static_cast<int64_t>(produced) == n ? kBitmapOk : kBitmapWrongLength;
    case Z_MEM_ERROR:
      return kBitmapNoMemory;
    case Z_BUF_ERROR:
      return kBitmapShort;
    default:
      return kBitmapCorrupt;
  }
}

int32_t LoadBitmapFile(aBitmap& bitmap, const char* path) {
  FILE* f = path ? std::fopen(path, "rb") : nullptr;
  if (!f) return kBitmapCannotOpen;
  long size = -1;
  if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
  if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
    std::fclose(f);
    return kBitmapCannotOpen;
  }
  // The header alone says how much is needed; a file larger than any valid
  // payload of the accepted sizes is refused before it is read.
  const uint64_t largest = kBitmapHeaderSize + static_cast<uint64_t>(kBitmapMaxPixels) * 4 + 65536;
  if (static_cast<uint64_t>(size) > largest) {
    std::fclose(f);
    return kBitmapBadSize;
  }
  auto* buffer = static_cast<uint8_t*>(std::malloc(size > 0 ? static_cast<size_t>(size) : 1));
  if (!buffer) {
    std::fclose(f);
    return kBitmapNoMemory;
  }
  const size_t got = std::fread(buffer, 1, static_cast<size_t>(size), f);
  std::fclose(f);
  const int32_t result = LoadBitmapMemory(bitmap, buffer, got);
  std::free(buffer);
  return result;
}

int32_t SaveBitmapFile(aBitmap& bitmap, const char* path) {
  bitmap.compression = 0;
  const int64_t n = CheckRecord(bitmap);
  if (n < 0) return static_cast<int32_t>(n);
  uint8_t header[kBitmapHeaderSize];
  BuildHeader(bitmap, header);
  return WriteFile(path, header, bitmap.pixels, static_cast<size_t>(n));
}

int32_t SaveBitmapFileCompressed(aBitmap& bitmap, const char* path) {
  bitmap.compression = 1;
  const int64_t n = CheckRecord(bitmap);
  if (n < 0) return static_cast<int32_t>(n);
  // trunc(1.001 n) + 32 bytes: always above deflate's worst case for level 9.
  const size_t capacity = static_cast<size_t>(n) + static_cast<size_t>(n) / 1000 + 32;
  auto* packed = static_cast<uint8_t*>(std::malloc(capacity));
  if (!packed) return kBitmapNoMemory;
  uLongf packedLength = static_cast<uLongf>(capacity);
  static const Bytef kNothing = 0;
  const Bytef* source = bitmap.pixels ? bitmap.pixels : &kNothing;
  int32_t result;
  switch (compress2(packed, &packedLength, source, static_cast<uLong>(n), 9)) {
    case Z_OK:
      result = kBitmapOk;
      break;
    case Z_MEM_ERROR:
      result = kBitmapNoMemory;
      break;
    case Z_BUF_ERROR:
      result = kBitmapShort;
      break;
    default:
      result = kBitmapStreamError;
      break;
  }
  if (result == kBitmapOk) {
    uint8_t header[kBitmapHeaderSize];
    BuildHeader(bitmap, header);
    result = WriteFile(path, header, packed, static_cast<size_t>(packedLength));
  }
  std::free(packed);
  return result;
}

int32_t BlurBitmap(aBitmap& bitmap, int32_t radius, BlurScratch* scratch) {
  return BlurChannels<0>(bitmap, radius, scratch);
}

int32_t BlurBitmapAlpha(aBitmap& bitmap, int32_t radius, BlurScratch* scratch) {
  return BlurChannels<3>(bitmap, radius, scratch);
}

void FreeBlurScratch(BlurScratch& scratch) {
  std::free(scratch.memory);
  scratch = BlurScratch{nullptr, 0};
}

int32_t ScaleBitmap(aBitmap& bitmap, float factor) {
  if (!(factor > 0.0f)) return kBitmapInvalid;
  const int64_t n = CheckRecord(bitmap);
  if (n < 0) return static_cast<int32_t>(n);
  uint8_t table[256];
  table[0] = 0;  // also for an infinite factor, where the product would be NaN
  for (int v = 1; v < 256; ++v) {
    // Stored as a float so that x87 builds truncate the same single-precision
    // product as everyone else, not an extended-precision one.
    volatile float product = factor * static_cast<float>(v);
    table[v] = product >= 255.0f ? 255 : static_cast<uint8_t>(product);
  }
  for (int64_t i = 0; i < n; ++i) bitmap.pixels[i] = table[bitmap.pixels[i]];
  return kBitmapOk;
}

int32_t PadBitmap(aBitmap& bitmap, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  uint32_t colour) {
  if (left < 0 || top < 0 || right < 0 || bottom < 0) return kBitmapInvalid;
  const int64_t n = CheckRecord(bitmap);
  if (n < 0) return static_cast<int32_t>(n);
  const int64_t newWidth = int64_t{left} + bitmap.width + right;
  const int64_t newHeight = int64_t{top} + bitmap.height + bottom;
  if (newWidth > kBitmapMaxSide || newHeight > kBitmapMaxSide) return kBitmapBadSize;
  const int64_t count = BitmapByteCount(static_cast<int32_t>(newWidth), static_cast<int32_t>(newHeight));
  if (count < 0) return kBitmapBadSize;
  bool ok;
  uint8_t* padded = AllocPixels(count, ok);
  if (!ok) return kBitmapNoMemory;
  const uint8_t fill[4] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                           static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 24)};
  for (int64_t i = 0; i < count; i += 4) std::memcpy(padded + i, fill, 4);
  const size_t oldRow = static_cast<size_t>(bitmap.width) * 4;
  const size_t newRow = static_cast<size_t>(newWidth) * 4;
  for (int32_t y = 0; y < bitmap.height && oldRow > 0; ++y) {
    std::memcpy(padded + newRow * static_cast<size_t>(top + y) + static_cast<size_t>(left) * 4,
                bitmap.pixels + oldRow * static_cast<size_t>(y), oldRow);
  }
  std::free(bitmap.pixels);
  bitmap.pixels = padded;
  bitmap.width = static_cast<int32_t>(newWidth);
  bitmap.height = static_cast<int32_t>(newHeight);
  return kBitmapOk;
}
