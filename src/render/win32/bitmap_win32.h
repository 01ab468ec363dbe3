// Device-side helpers of aBitmap: resource loading and conversions to GDI
// bitmaps for the settings window and the fade-out window.
#pragma once

#include <windows.h>

#include "render/bitmap.h"

// Reads the "ABITMAP" resource with the numeric id from the module (null: the
// running program). -10 when the resource cannot be found, loaded or locked,
// -4 when it is shorter than a header; otherwise as LoadBitmapMemory.
int32_t LoadBitmapResource(aBitmap& bitmap, int id, HMODULE module = nullptr);

// Paints the picture unscaled with its top-left corner at (x, y). Picture byte 0
// goes to the device's blue channel, byte 2 to red. Returns 0, -9 when the
// conversion buffer cannot be allocated, -10 when nothing could be painted.
int32_t DrawBitmapToDevice(const aBitmap& bitmap, HDC deviceContext, int x, int y);

// A new top-down 32-bit device bitmap with colour premultiplied by alpha (for
// UpdateLayeredWindow); the caller deletes it. Null on failure.
HBITMAP CreatePremultipliedBitmap(const aBitmap& bitmap);
