// aBitmap: the in-memory picture record, its payload format and the few pixel
// operations the renderer bakes into textures. Portable: no Windows headers.
//
// Payload ("ABITMAP" resource data or file), little-endian:
//   0  8  magic "aBitmap\0"
//   8  4  width (signed)
//   12 4  height (signed)
//   16 4  compression: 0 raw, 1 one zlib stream
//   20 12 three reserved words, carried through unchanged
//   32 .. pixels: width * height * 4 bytes (R, G, B, A; row 0 is the top row),
//         raw or deflated
#pragma once

#include <cstddef>
#include <cstdint>

// Result codes of every bitmap operation.
enum : int32_t {
  kBitmapOk = 0,
  kBitmapCannotOpen = -1,      // file cannot be opened or created
  kBitmapBadMagic = -2,        // payload magic differs from the record's
  kBitmapBadCompression = -3,  // compression value greater than 1
  kBitmapShort = -4,           // payload too short, or (de)compressor output buffer too small
  kBitmapCorrupt = -5,         // compressed data corrupt
  kBitmapWrongLength = -6,     // inflated length differs from width * height * 4
  kBitmapStreamError = -7,     // compressor reported a stream error
  kBitmapBadSize = -8,         // width or height negative, or the picture would be too large
  kBitmapNoMemory = -9,        // an allocation failed
  kBitmapInvalid = -10,        // resource missing, or an argument out of range
};

// Largest accepted side and pixel count. Payload sizes are untrusted: anything
// beyond these is refused with kBitmapBadSize before any allocation.
constexpr int32_t kBitmapMaxSide = 16384;
constexpr int64_t kBitmapMaxPixels = int64_t{64} * 1024 * 1024;

constexpr size_t kBitmapHeaderSize = 32;

struct aBitmap {
  char magic[8];
  int32_t width;
  int32_t height;
  int32_t compression;
  uint32_t reserved[3];
  uint8_t* pixels;  // width * height * 4 bytes, null when the picture is empty

  // Magic set, every number 0, no pixel buffer.
  aBitmap();
  // Magic set, the given size and a zero-filled buffer. A size that is negative,
  // too large or cannot be allocated leaves an empty (0 x 0) picture.
  aBitmap(int32_t width, int32_t height);
  ~aBitmap();

  aBitmap(const aBitmap&) = delete;
  aBitmap& operator=(const aBitmap&) = delete;

  int32_t GetBitmapWidth() const { return width; }
  int32_t GetBitmapHeight() const { return height; }
};

// Byte count of a width x height picture, or -1 when either side is negative or
// the picture exceeds kBitmapMaxSide / kBitmapMaxPixels.
int64_t BitmapByteCount(int32_t width, int32_t height);

// Reads one payload (resource data or file contents) into the record. The shared
// path of every loader. Equal sizes reuse the record's buffer; a failed load can
// leave the record with the payload's size and a zero-filled or partly filled
// buffer, which stays usable for the next load.
int32_t LoadBitmapMemory(aBitmap& bitmap, const void* data, size_t length);

int32_t LoadBitmapFile(aBitmap& bitmap, const char* path);
// Both savers set the record's compression (0 or 1) and write header and pixels.
int32_t SaveBitmapFile(aBitmap& bitmap, const char* path);
int32_t SaveBitmapFileCompressed(aBitmap& bitmap, const char* path);

// Working memory of the blurs: given to a run of blurs, it is allocated once
// (and grown when a picture needs more) instead of once per picture.
struct BlurScratch {
  void* memory;
  size_t bytes;
};
void FreeBlurScratch(BlurScratch& scratch);

// Box blur of radius >= 1 in place. Every output channel is the truncated mean
// of the (2r+1)^2 square around the pixel; samples outside the picture count as
// white with alpha 0. Runs in time independent of the radius. `scratch` may be
// null (the blur then allocates its own).
int32_t BlurBitmap(aBitmap& bitmap, int32_t radius, BlurScratch* scratch = nullptr);
// The same for the alpha channel alone, for pictures whose colour is not used
// (alpha textures); red, green and blue keep their values.
int32_t BlurBitmapAlpha(aBitmap& bitmap, int32_t radius, BlurScratch* scratch);
// Every channel becomes trunc(factor * value), capped at 255; factor > 0.
int32_t ScaleBitmap(aBitmap& bitmap, float factor);
// Surrounds the picture with a border of the packed colour (byte 0 red, 1 green,
// 2 blue, 3 alpha); the widths must not be negative.
int32_t PadBitmap(aBitmap& bitmap, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  uint32_t colour);
