// The resources of the built screensaver (KVS_SCR): every picture of the table
// through LoadBitmapResource (the samples are loaded by the sound binding test);
// and the two device conversions of aBitmap.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "render/win32/bitmap_win32.h"
#include "settings/win32/dialog_driver.h"

namespace {

class ShippedResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = dialogtest::LoadShippedScreensaver();
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << "KVS_SCR does not name a loadable module"; }

  static HMODULE module_;
};

HMODULE ShippedResources::module_ = nullptr;

struct Picture {
  int id, width, height;
};

std::vector<Picture> PictureTable() {
  std::vector<Picture> table;
  for (int base : {0, 100, 200, 300}) {
    for (int i = 0; i <= 54; ++i) table.push_back({base + i, 64, 64});
  }
  std::vector<int> codes = {34, 39, 40, 41, 42, 43, 44, 92};
  for (int c = 46; c <= 63; ++c) codes.push_back(c);
  for (int c = 65; c <= 90; ++c) codes.push_back(c);
  for (int c : codes) {
    table.push_back({400 + c, 64, 64});
    table.push_back({700 + c, 64, 64});
  }
  table.push_back({1001, 500, 40});
  table.push_back({1002, 500, 40});
  table.push_back({1003, 32, 32});
  table.push_back({1004, 32, 32});
  for (int i = 0; i <= 54; ++i) table.push_back({2000 + i, 4, 4});
  for (int base : {2100, 2200, 2300}) {
    for (int i = 0; i <= 54; ++i) table.push_back({base + i, 8, 8});
  }
  return table;
}

TEST_F(ShippedResources, EveryPictureOfTheTableLoadsAtItsSize) {
  const std::vector<Picture> table = PictureTable();
  ASSERT_EQ(table.size(), 548u);
  aBitmap bitmap;  // one working record for all, as the renderer uses it
  for (const Picture& picture : table) {
    ASSERT_EQ(LoadBitmapResource(bitmap, picture.id, module_), kBitmapOk) << picture.id;
    EXPECT_EQ(bitmap.GetBitmapWidth(), picture.width) << picture.id;
    EXPECT_EQ(bitmap.GetBitmapHeight(), picture.height) << picture.id;
    EXPECT_EQ(bitmap.compression, 1) << picture.id;
    if (picture.id != 1001 && picture.id != 1002) {
      int opaque = 0;
      for (int i = 0; i < picture.width * picture.height; ++i) {
        ASSERT_EQ(bitmap.pixels[i * 4], 255) << picture.id;
        opaque += bitmap.pixels[i * 4 + 3] != 0;
      }
      EXPECT_GT(opaque, 0) << picture.id;
    }
  }
}

TEST_F(ShippedResources, CodesWithoutPicturesAreNotFound) {
  aBitmap bitmap(2, 2);
  for (int id : {400 + 64, 400 + 35, 700 + 45, 700 + 91, 55, 155, 2055, 1005}) {
    EXPECT_EQ(LoadBitmapResource(bitmap, id, module_), kBitmapInvalid) << id;
  }
  EXPECT_EQ(bitmap.width, 2);  // untouched
  // The test program itself carries no pictures.
  EXPECT_EQ(LoadBitmapResource(bitmap, 0), kBitmapInvalid);
}

// A top-down 32-bit section selected into a memory DC, cleared to zero.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP section = nullptr;
  HGDIOBJ previous = nullptr;
  uint8_t* bits = nullptr;
  int width, height;

  Canvas(int w, int h) : width(w), height(h) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* memory = nullptr;
    dc = CreateCompatibleDC(nullptr);
    section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    bits = static_cast<uint8_t*>(memory);
    previous = SelectObject(dc, section);
    if (bits) std::memset(bits, 0, static_cast<size_t>(w) * h * 4);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(section);
    DeleteDC(dc);
  }
  const uint8_t* At(int x, int y) const { return bits + (y * width + x) * 4; }
};

TEST(DeviceConversion, DrawPaintsUnscaledWithRowZeroOnTopAndByteZeroAsBlue) {
  Canvas canvas(5, 4);
  ASSERT_NE(canvas.bits, nullptr);
  aBitmap picture(2, 2);
  const uint8_t pixels[16] = {10, 20, 30, 255, 40, 50, 60, 255,  // top row
                              70, 80, 90, 255, 1, 2, 3, 0};       // bottom row
  std::memcpy(picture.pixels, pixels, sizeof pixels);
  ASSERT_EQ(DrawBitmapToDevice(picture, canvas.dc, 1, 2), kBitmapOk);
  GdiFlush();
  // Device memory is blue, green, red: byte 0 of the picture lands in blue; alpha
  // is ignored (painted as it stands). The rows around stay clear.
  const auto row = [&](int y) {
    std::vector<int> colours;
    for (int x = 0; x < 5; ++x) colours.insert(colours.end(), canvas.At(x, y), canvas.At(x, y) + 3);
    return colours;
  };
  EXPECT_EQ(row(1), std::vector<int>(15, 0));
  EXPECT_EQ(row(2), (std::vector<int>{0, 0, 0, 10, 20, 30, 40, 50, 60, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(row(3), (std::vector<int>{0, 0, 0, 70, 80, 90, 1, 2, 3, 0, 0, 0, 0, 0, 0}));

  aBitmap empty;
  EXPECT_EQ(DrawBitmapToDevice(empty, canvas.dc, 0, 0), kBitmapInvalid);
}

TEST(DeviceConversion, PremultipliedBitmapScalesColourByAlpha) {
  aBitmap picture(2, 2);
  const uint8_t pixels[16] = {200, 100, 50, 128, 10, 20, 30, 255,  //
                              255, 255, 255, 0, 255, 0, 0, 1};
  std::memcpy(picture.pixels, pixels, sizeof pixels);
  HBITMAP bitmap = CreatePremultipliedBitmap(picture);
  ASSERT_NE(bitmap, nullptr);
  DIBSECTION info;
  ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.dsBm.bmWidth, 2);
  EXPECT_EQ(info.dsBm.bmHeight, 2);
  EXPECT_EQ(info.dsBm.bmBitsPixel, 32);
  const auto* bits = static_cast<const uint8_t*>(info.dsBm.bmBits);
  ASSERT_NE(bits, nullptr);
  // Top-down: the first row in memory is the picture's top row.
  const uint8_t expected[16] = {50 * 128 / 255, 100 * 128 / 255, 200 * 128 / 255, 128,
                                30, 20, 10, 255,
                                0, 0, 0, 0,
                                0, 0, 1, 1};
  EXPECT_EQ(0, std::memcmp(bits, expected, sizeof expected));
  DeleteObject(bitmap);

  aBitmap empty;
  EXPECT_EQ(CreatePremultipliedBitmap(empty), nullptr);
}

}  // namespace
