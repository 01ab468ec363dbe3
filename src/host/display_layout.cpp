#include "host/display_layout.h"

#include <cstdio>

namespace {

const char* g_logPath = nullptr;

void AppendLog(const char* text) {
    if (!g_logPath) return;
    std::FILE* file = std::fopen(g_logPath, "a");
    if (!file) return;  // no log, nothing reported
    std::fputs(text, file);
    std::fclose(file);
}

}  // namespace

void MergeDisplayRect(DisplayRect& u, const DisplayRect& r) {
    if (r.left < u.left) u.left = r.left;
    if (r.top < u.top) u.top = r.top;
    if (r.right > u.right) u.right = r.right;
    if (r.bottom > u.bottom) u.bottom = r.bottom;
}

int FormatDisplayLogBefore(char* out, size_t capacity, uint32_t index, const DisplayRect& r,
                           const DisplayRect& before) {
    const int n = std::snprintf(out, capacity, "display %u: %d %d %d %d\n - before: %d %d %d %d\n", index,
                                static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                                static_cast<int>(r.bottom), static_cast<int>(before.left),
                                static_cast<int>(before.top), static_cast<int>(before.right),
                                static_cast<int>(before.bottom));
    return n < 0 ? 0 : n;
}

int FormatDisplayLogAfter(char* out, size_t capacity, const DisplayRect& after) {
    const int n = std::snprintf(out, capacity, " - after: %d %d %d %d\n", static_cast<int>(after.left),
                                static_cast<int>(after.top), static_cast<int>(after.right),
                                static_cast<int>(after.bottom));
    return n < 0 ? 0 : n;
}

void BeginDisplayEnumeration(const char* logPath) {
    g_logPath = logPath;
    displayCount = 0;
    desktopRect = DisplayRect{kUnionSentinel, kUnionSentinel, -kUnionSentinel, -kUnionSentinel};
}

bool AddEnumeratedDisplay(const DisplayRect& r) {
    if (displayCount < 0) displayCount = 0;
    if (displayCount >= kDisplayCapacity) return false;
    char line[160];
    displayRects[displayCount] = r;
    FormatDisplayLogBefore(line, sizeof line, static_cast<uint32_t>(displayCount), r, desktopRect);
    AppendLog(line);
    MergeDisplayRect(desktopRect, r);
    FormatDisplayLogAfter(line, sizeof line, desktopRect);
    AppendLog(line);
    ++displayCount;
    return displayCount < kDisplayCapacity;
}

bool EndDisplayEnumeration() {
    g_logPath = nullptr;
    if (displayCount > 0) {
        for (int i = displayCount; i < kDisplayCapacity; ++i) displayRects[i] = DisplayRect{0, 0, 0, 0};
        return true;
    }
    UsePrimaryScreenOnly(0, 0);
    return false;
}

void SplitIntoTestDisplays(const DisplayRect& area, int count) {
    const int64_t width = static_cast<int64_t>(area.right) - area.left;
    const int64_t height = static_cast<int64_t>(area.bottom) - area.top;
    if (count < 1 || count > kDisplayCapacity || width <= 0 || height <= 0) return;
    int columns = 1;
    while (columns * columns < count) ++columns;
    const int rows = (count + columns - 1) / columns;
    const DisplayRect whole = area;
    for (int i = 0; i < kDisplayCapacity; ++i) {
        if (i >= count) {
            displayRects[i] = DisplayRect{0, 0, 0, 0};
            continue;
        }
        const int64_t c = i % columns, r = i / columns;
        displayRects[i] = DisplayRect{static_cast<int32_t>(whole.left + width * c / columns),
                                      static_cast<int32_t>(whole.top + height * r / rows),
                                      static_cast<int32_t>(whole.left + width * (c + 1) / columns),
                                      static_cast<int32_t>(whole.top + height * (r + 1) / rows)};
    }
    displayCount = count;
    desktopRect = whole;
}

void UsePrimaryScreenOnly(int32_t width, int32_t height) {
    displayCount = 1;
    displayRects[0] = DisplayRect{0, 0, width, height};
    for (int i = 1; i < kDisplayCapacity; ++i) displayRects[i] = DisplayRect{0, 0, 0, 0};
    desktopRect = displayRects[0];
}
