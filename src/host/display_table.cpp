#include "host/display_table.h"

int32_t displayCount = 1;
DisplayRect displayRects[kDisplayCapacity] = {{0, 0, 640, 480}};
DisplayRect desktopRect = {0, 0, 640, 480};

void ResetDisplayTable() { SetUniformDisplays(1, 640, 480); }

void SetUniformDisplays(int count, int32_t width, int32_t height) {
    if (count < 1) count = 1;
    if (count > kDisplayCapacity) count = kDisplayCapacity;
    displayCount = count;
    for (int i = 0; i < kDisplayCapacity; ++i)
        displayRects[i] = i < count ? DisplayRect{i * width, 0, (i + 1) * width, height} : DisplayRect{0, 0, 0, 0};
    desktopRect = DisplayRect{0, 0, count * width, height};
}
