#include "render/bitmap.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void PutI32(Bytes& out, int32_t v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

// A payload assembled independently of the savers.
Bytes Header(int32_t width, int32_t height, int32_t compression, const char* magic = "aBitmap") {
  Bytes out(8, 0);
  std::memcpy(out.data(), magic, std::strlen(magic) < 8 ? std::strlen(magic) : 8);
  // The last reserved word is arbitrary, as in shipped payloads.
  for (int32_t v : {width, height, compression, 0, 0, 0x5EED1234}) PutI32(out, v);
  return out;
}

Bytes Deflate(const Bytes& raw) {
  uLongf length = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(length);
  EXPECT_EQ(compress2(out.data(), &length, raw.data(), static_cast<uLong>(raw.size()), 9), Z_OK);
  out.resize(length);
  return out;
}

Bytes Payload(int32_t w, int32_t h, const Bytes& pixels, bool compressed) {
  Bytes out = Header(w, h, compressed), body = compressed ? Deflate(pixels) : pixels;
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes RandomPixels(std::mt19937& rng, int32_t w, int32_t h) {
  Bytes out(static_cast<size_t>(w) * h * 4);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

int32_t Load(aBitmap& bitmap, const Bytes& payload) {
  return LoadBitmapMemory(bitmap, payload.data(), payload.size());
}

Bytes PixelsOf(const aBitmap& bitmap) {
  const size_t n = static_cast<size_t>(bitmap.width) * bitmap.height * 4;
  return bitmap.pixels ? Bytes(bitmap.pixels, bitmap.pixels + n) : Bytes();
}

void Fill(aBitmap& bitmap, const Bytes& pixels) {
  ASSERT_EQ(pixels.size(), static_cast<size_t>(bitmap.width) * bitmap.height * 4);
  if (!pixels.empty()) std::memcpy(bitmap.pixels, pixels.data(), pixels.size());
}

std::string TempPath(const char* name) { return ::testing::TempDir() + "kvs_bitmap_" + name; }

TEST(BitmapRecord, ConstructorsGiveAZeroedBufferOrAnEmptyPicture) {
  aBitmap sized(7, 3);
  EXPECT_EQ(sized.GetBitmapWidth(), 7);
  EXPECT_EQ(PixelsOf(sized), Bytes(7 * 3 * 4, 0));

  // Sizes that cannot describe a buffer give an empty picture, not a wrapped one.
  aBitmap negative(-4, 10);
  EXPECT_EQ(negative.width, 0);
  EXPECT_EQ(negative.height, 0);
  EXPECT_EQ(negative.pixels, nullptr);
  aBitmap huge(100000, 100000);
  EXPECT_EQ(huge.width, 0);
  EXPECT_EQ(huge.pixels, nullptr);
}

TEST(BitmapFile, RoundTripsRawAndCompressed) {
  std::mt19937 rng(11);
  for (int compressed = 0; compressed < 2; ++compressed) {
    aBitmap picture(13, 5);
    const Bytes pixels = RandomPixels(rng, 13, 5);
    Fill(picture, pixels);
    const uint32_t reserved[3] = {1, 0xFFFFFFFFu, 77};
    std::memcpy(picture.reserved, reserved, sizeof reserved);
    const std::string path = TempPath(compressed ? "round_z" : "round_raw");
    const int32_t saved = compressed ? SaveBitmapFileCompressed(picture, path.c_str())
                                     : SaveBitmapFile(picture, path.c_str());
    ASSERT_EQ(saved, kBitmapOk);
    EXPECT_EQ(picture.compression, compressed);

    aBitmap loaded;
    ASSERT_EQ(LoadBitmapFile(loaded, path.c_str()), kBitmapOk);
    EXPECT_EQ(loaded.width, 13);
    EXPECT_EQ(loaded.height, 5);
    EXPECT_EQ(loaded.compression, compressed);
    EXPECT_EQ(0, std::memcmp(loaded.reserved, reserved, sizeof reserved));
    EXPECT_EQ(PixelsOf(loaded), pixels);
    std::remove(path.c_str());
  }
}

TEST(BitmapFile, EmptyPictureRoundTripsAndMissingFilesFail) {
  aBitmap empty;
  const std::string path = TempPath("empty");
  ASSERT_EQ(SaveBitmapFileCompressed(empty, path.c_str()), kBitmapOk);
  aBitmap loaded(3, 3);
  EXPECT_EQ(LoadBitmapFile(loaded, path.c_str()), kBitmapOk);
  EXPECT_EQ(loaded.width, 0);
  EXPECT_EQ(loaded.height, 0);
  EXPECT_EQ(loaded.pixels, nullptr);
  std::remove(path.c_str());

  EXPECT_EQ(LoadBitmapFile(loaded, TempPath("does_not_exist").c_str()), kBitmapCannotOpen);
  const std::string unwritable = TempPath("no_such_dir/x/picture");
  aBitmap picture(2, 2);
  EXPECT_EQ(SaveBitmapFile(picture, unwritable.c_str()), kBitmapCannotOpen);
  EXPECT_EQ(SaveBitmapFileCompressed(picture, unwritable.c_str()), kBitmapCannotOpen);

  // A file shorter than a header is a short payload.
  const std::string shortFile = TempPath("short");
  std::ofstream(shortFile) << "aBitmap";
  EXPECT_EQ(LoadBitmapFile(picture, shortFile.c_str()), kBitmapShort);
  std::remove(shortFile.c_str());
}

TEST(BitmapLoad, EqualSizesReuseTheBufferOthersReplaceIt) {
  std::mt19937 rng(5);
  aBitmap picture;
  const Bytes first = RandomPixels(rng, 8, 8);
  ASSERT_EQ(Load(picture, Payload(8, 8, first, true)), kBitmapOk);
  const uint8_t* buffer = picture.pixels;
  const Bytes second = RandomPixels(rng, 8, 8);
  ASSERT_EQ(Load(picture, Payload(8, 8, second, false)), kBitmapOk);
  EXPECT_EQ(picture.pixels, buffer);
  EXPECT_EQ(picture.compression, 0);
  EXPECT_EQ(PixelsOf(picture), second);

  const Bytes third = RandomPixels(rng, 4, 16);
  ASSERT_EQ(Load(picture, Payload(4, 16, third, true)), kBitmapOk);
  EXPECT_EQ(picture.width, 4);
  EXPECT_EQ(picture.height, 16);
  EXPECT_EQ(PixelsOf(picture), third);
}

TEST(BitmapLoad, RejectsBadHeadersWithTheirCodes) {
  const Bytes pixels(2 * 2 * 4, 9);
  aBitmap picture(2, 2);

  EXPECT_EQ(Load(picture, Bytes(31, 0)), kBitmapShort);
  EXPECT_EQ(LoadBitmapMemory(picture, nullptr, 64), kBitmapShort);

  Bytes wrongMagic = Payload(2, 2, pixels, false);
  wrongMagic[6] = 'q';
  EXPECT_EQ(Load(picture, wrongMagic), kBitmapBadMagic);

  // A record whose magic was never set accepts nothing.
  aBitmap unset;
  std::memset(unset.magic, 0, sizeof unset.magic);
  std::memcpy(unset.magic, "other", 5);
  EXPECT_EQ(Load(unset, Payload(2, 2, pixels, false)), kBitmapBadMagic);
  EXPECT_EQ(Load(unset, Payload(2, 2, pixels, true)), kBitmapBadMagic);

  Bytes badCompression = Payload(2, 2, pixels, false);
  badCompression[16] = 2;
  EXPECT_EQ(Load(picture, badCompression), kBitmapBadCompression);
  badCompression[16] = 0xFF;  // -1 is no compression scheme either
  badCompression[17] = badCompression[18] = badCompression[19] = 0xFF;
  EXPECT_EQ(Load(picture, badCompression), kBitmapBadCompression);

  Bytes shortRaw = Payload(2, 2, pixels, false);
  shortRaw.pop_back();
  EXPECT_EQ(Load(picture, shortRaw), kBitmapShort);

  // None of the header failures touched the record.
  EXPECT_EQ(picture.width, 2);
  EXPECT_EQ(PixelsOf(picture), Bytes(16, 0));
}

TEST(BitmapLoad, UntrustedSizesFailWithoutAllocating) {
  aBitmap picture(3, 3);
  const uint8_t* buffer = picture.pixels;
  const Bytes none;
  for (const auto& size : std::vector<std::pair<int32_t, int32_t>>{
           {-1, 4}, {4, -1}, {INT32_MIN, INT32_MIN}, {INT32_MAX, 2}, {kBitmapMaxSide + 1, 1},
           {kBitmapMaxSide, kBitmapMaxSide}, {65536, 65536}}) {
    EXPECT_EQ(Load(picture, Payload(size.first, size.second, none, false)), kBitmapBadSize)
        << size.first << " x " << size.second;
    EXPECT_EQ(Load(picture, Header(size.first, size.second, 1)), kBitmapBadSize);
  }
  // Within the limits, but far more than a few bytes of deflate can ever give.
  Bytes tiny = Header(8000, 8000, 1);
  tiny.insert(tiny.end(), {0x78, 0xDA, 0x03, 0x00});
  EXPECT_EQ(Load(picture, tiny), kBitmapShort);
  EXPECT_EQ(Load(picture, Payload(8000, 8000, none, false)), kBitmapShort);
  EXPECT_EQ(picture.width, 3);
  EXPECT_EQ(picture.pixels, buffer);

  // The ratio bound admits what zlib really produces from uniform pixels.
  const Bytes blank(1024 * 1024 * 4, 0);
  aBitmap big;
  ASSERT_EQ(Load(big, Payload(1024, 1024, blank, true)), kBitmapOk);
  EXPECT_EQ(big.width, 1024);
}

TEST(BitmapLoad, CompressedStreamFaultsMapToTheirCodes) {
  std::mt19937 rng(3);
  const Bytes pixels = RandomPixels(rng, 4, 4);
  aBitmap picture;

  // Inflates to fewer bytes than the picture needs.
  Bytes fewer = Header(4, 4, 1);
  const Bytes packedFew = Deflate(Bytes(pixels.begin(), pixels.begin() + 40));
  fewer.insert(fewer.end(), packedFew.begin(), packedFew.end());
  EXPECT_EQ(Load(picture, fewer), kBitmapWrongLength);
  EXPECT_EQ(picture.width, 4);  // the record took the new size and stays usable

  // Inflates to more bytes than the picture holds.
  Bytes more = Header(4, 4, 1);
  const Bytes packedMore = Deflate(Bytes(200, 7));
  more.insert(more.end(), packedMore.begin(), packedMore.end());
  EXPECT_EQ(Load(picture, more), kBitmapShort);

  Bytes garbage = Header(4, 4, 1);
  for (int i = 0; i < 40; ++i) garbage.push_back(static_cast<uint8_t>(0xA5 ^ i));
  EXPECT_EQ(Load(picture, garbage), kBitmapCorrupt);

  Bytes checksum = Payload(4, 4, pixels, true);
  checksum.back() ^= 0x01;  // Adler-32 trailer
  EXPECT_EQ(Load(picture, checksum), kBitmapCorrupt);

  Bytes truncated = Payload(4, 4, pixels, true);
  truncated.resize(truncated.size() - 10);
  const int32_t result = Load(picture, truncated);
  EXPECT_TRUE(result == kBitmapCorrupt || result == kBitmapShort) << result;

  // After all of that the same record still loads a good payload.
  ASSERT_EQ(Load(picture, Payload(4, 4, pixels, true)), kBitmapOk);
  EXPECT_EQ(PixelsOf(picture), pixels);
}

// The blur is checked against its definition in blur_test.cpp.
TEST(BitmapOps, ScaleAndBorderExamples) {
  aBitmap alpha(2, 1);
  Fill(alpha, {10, 20, 30, 200, 255, 255, 255, 100});
  ASSERT_EQ(ScaleBitmap(alpha, 1.5f), kBitmapOk);
  EXPECT_EQ(PixelsOf(alpha), (Bytes{15, 30, 45, 255, 255, 255, 255, 150}));
  Fill(alpha, {10, 20, 30, 200, 255, 255, 255, 101});
  ASSERT_EQ(ScaleBitmap(alpha, 0.5f), kBitmapOk);
  EXPECT_EQ(PixelsOf(alpha), (Bytes{5, 10, 15, 100, 127, 127, 127, 50}));

  aBitmap glyph(64, 64);
  Bytes opaque(64 * 64 * 4, 255);
  Fill(glyph, opaque);
  ASSERT_EQ(PadBitmap(glyph, 32, 32, 32, 32, 0), kBitmapOk);
  ASSERT_EQ(glyph.width, 128);
  ASSERT_EQ(glyph.height, 128);
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const bool inside = x >= 32 && x < 96 && y >= 32 && y < 96;
      const uint8_t* p = glyph.pixels + (y * 128 + x) * 4;
      for (int c = 0; c < 4; ++c) ASSERT_EQ(p[c], inside ? 255 : 0) << x << "," << y;
    }
  }

  // Uneven border: byte 0 of the colour is red.
  aBitmap small(1, 1);
  Fill(small, {1, 2, 3, 4});
  ASSERT_EQ(PadBitmap(small, 1, 0, 0, 2, 0x44332211u), kBitmapOk);
  EXPECT_EQ(small.width, 2);
  EXPECT_EQ(small.height, 3);
  EXPECT_EQ(PixelsOf(small), (Bytes{0x11, 0x22, 0x33, 0x44, 1, 2, 3, 4,  //
                                    0x11, 0x22, 0x33, 0x44, 0x11, 0x22, 0x33, 0x44,  //
                                    0x11, 0x22, 0x33, 0x44, 0x11, 0x22, 0x33, 0x44}));
}

TEST(BitmapOps, InvalidArgumentsLeaveThePictureUnchanged) {
  std::mt19937 rng(8);
  aBitmap picture(5, 4);
  const Bytes pixels = RandomPixels(rng, 5, 4);
  Fill(picture, pixels);
  const uint8_t* buffer = picture.pixels;

  EXPECT_EQ(BlurBitmap(picture, 0), kBitmapInvalid);
  EXPECT_EQ(BlurBitmap(picture, -3), kBitmapInvalid);
  EXPECT_EQ(ScaleBitmap(picture, 0.0f), kBitmapInvalid);
  EXPECT_EQ(ScaleBitmap(picture, -1.0f), kBitmapInvalid);
  EXPECT_EQ(ScaleBitmap(picture, std::nanf("")), kBitmapInvalid);
  EXPECT_EQ(PadBitmap(picture, -1, 0, 0, 0, 0), kBitmapInvalid);
  EXPECT_EQ(PadBitmap(picture, 0, 0, 0, -1, 0), kBitmapInvalid);
  EXPECT_EQ(PadBitmap(picture, INT32_MAX, 0, INT32_MAX, 0, 0), kBitmapBadSize);
  EXPECT_EQ(picture.width, 5);
  EXPECT_EQ(picture.height, 4);
  EXPECT_EQ(picture.pixels, buffer);
  EXPECT_EQ(PixelsOf(picture), pixels);

  // An infinite factor saturates everything but zero.
  Fill(picture, Bytes(5 * 4 * 4, 0));
  picture.pixels[1] = 1;
  ASSERT_EQ(ScaleBitmap(picture, std::numeric_limits<float>::infinity()), kBitmapOk);
  EXPECT_EQ(picture.pixels[0], 0);
  EXPECT_EQ(picture.pixels[1], 255);
}

}  // namespace
