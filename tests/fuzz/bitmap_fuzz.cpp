// libFuzzer target: the ABITMAP loader, twice into one record (the reuse path),
// then the pixel operations the renderer applies, on pictures of modest size.
#include "render/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    aBitmap bitmap;
    if (LoadBitmapMemory(bitmap, data, size) != kBitmapOk) return 0;
    LoadBitmapMemory(bitmap, data, size);
    if (int64_t{bitmap.width} * bitmap.height > 65536) return 0;
    const uint8_t knob = size > 32 ? data[size - 1] : 0;
    BlurBitmap(bitmap, knob % 9 - 1);
    ScaleBitmap(bitmap, knob / 64.0f);
    PadBitmap(bitmap, knob % 5, knob % 3, knob % 7, 1, 0xff00ff00u);
    return 0;
}
