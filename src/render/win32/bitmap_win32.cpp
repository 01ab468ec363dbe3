#include "render/win32/bitmap_win32.h"

#include <cstdlib>
#include <cstring>

int32_t LoadBitmapResource(aBitmap& bitmap, int id, HMODULE module) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "ABITMAP");
  if (!found) return kBitmapInvalid;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return kBitmapInvalid;
  const void* data = LockResource(loaded);
  if (!data) return kBitmapInvalid;
  const DWORD size = SizeofResource(module, found);
  if (size < kBitmapHeaderSize) return kBitmapShort;
  return LoadBitmapMemory(bitmap, data, size);
}

int32_t DrawBitmapToDevice(const aBitmap& bitmap, HDC deviceContext, int x, int y) {
  const int64_t n = BitmapByteCount(bitmap.width, bitmap.height);
  if (n <= 0 || !bitmap.pixels) return kBitmapInvalid;
  const int w = bitmap.width;
  const int h = bitmap.height;
  auto* bits = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(n)));
  if (!bits) return kBitmapNoMemory;
  // Bottom-up: the picture's top row is the last row of the device bitmap.
  for (int row = 0; row < h; ++row) {
    const uint8_t* in = bitmap.pixels + static_cast<size_t>(row) * w * 4;
    uint32_t* out = bits + static_cast<size_t>(h - 1 - row) * w;
    for (int col = 0; col < w; ++col, in += 4) {
      out[col] = uint32_t{in[2]} * 65536u + uint32_t{in[1]} * 256u + uint32_t{in[0]};
    }
  }
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const int lines = SetDIBitsToDevice(deviceContext, x, y, static_cast<DWORD>(w),
                                      static_cast<DWORD>(h), 0, 0, 0, static_cast<UINT>(h), bits,
                                      &info, DIB_RGB_COLORS);
  std::free(bits);
  return lines > 0 ? kBitmapOk : kBitmapInvalid;
}

HBITMAP CreatePremultipliedBitmap(const aBitmap& bitmap) {
  const int64_t n = BitmapByteCount(bitmap.width, bitmap.height);
  if (n <= 0 || !bitmap.pixels) return nullptr;
  BITMAPINFO info;
  std::memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = bitmap.width;
  info.bmiHeader.biHeight = -bitmap.height;  // top-down: row 0 at the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP result = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!result || !bits) {
    if (result) DeleteObject(result);
    return nullptr;
  }
  GdiFlush();  // nothing of GDI may still be writing to the section
  const uint8_t* in = bitmap.pixels;
  auto* out = static_cast<uint8_t*>(bits);
  for (int64_t i = 0; i < n; i += 4) {
    const unsigned alpha = in[i + 3];
    out[i + 0] = static_cast<uint8_t>(alpha * in[i + 2] / 255);  // blue
    out[i + 1] = static_cast<uint8_t>(alpha * in[i + 1] / 255);  // green
    out[i + 2] = static_cast<uint8_t>(alpha * in[i + 0] / 255);  // red
    out[i + 3] = static_cast<uint8_t>(alpha);
  }
  return result;
}
