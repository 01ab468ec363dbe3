// The display table: the displays the saver covers, in desktop coordinates.
// The host fills it from the display enumeration; until then it describes one
// display.
#pragma once

#include <cstdint>

constexpr int kDisplayCapacity = 16;

struct DisplayRect {
    int32_t left, top, right, bottom;
};

extern int32_t displayCount;                       // 1..16
extern DisplayRect displayRects[kDisplayCapacity];  // each display's rectangle
extern DisplayRect desktopRect;                     // union of the rectangles in use

// One display of 640 x 480 at the origin.
void ResetDisplayTable();
// `count` displays (clamped to 1..16) of width x height, side by side from the
// origin; desktopRect becomes their union.
void SetUniformDisplays(int count, int32_t width, int32_t height);
