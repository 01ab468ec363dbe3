// Bitmap text from the display lists of a font, and the counter line.
#include <cstdio>

#include "host/display_table.h"
#include "render/gl_api.h"
#include "render/render.h"
#include "settings/strings.h"

namespace {

constexpr uint32_t kCounterFormat = 9002;
constexpr int kPrintCapacity = 2048;

}  // namespace

int FormatPrintText(char* out, int capacity, const char* format, va_list args) {
    if (!format || capacity <= 0) return -1;
    const int n = std::vsnprintf(out, static_cast<size_t>(capacity), format, args);
    if (n < 0) {
        out[0] = '\0';
        return 0;
    }
    return n < capacity ? n : capacity - 1;
}

int PrintTextV(const BitmapFont& font, int32_t x, int32_t y, const char* format, va_list args) {
    if (!format) return -1;
    char text[kPrintCapacity];
    const int length = FormatPrintText(text, sizeof text, format, args);
    glPushAttrib(GL_LIST_BIT);
    glListBase(font.listBase);
    glRasterPos2i(x, y);
    glCallLists(length, GL_UNSIGNED_BYTE, text);
    glPopAttrib();
    return 0;
}

namespace {
int PrintTextAt(const BitmapFont& font, int32_t x, int32_t y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = PrintTextV(font, x, y, format, args);
    va_end(args);
    return result;
}
}  // namespace

void DrawCounterLine(const BitmapFont& font, int32_t fps, int32_t mouse, int32_t tracers) {
    const float dx = static_cast<float>(displayRects[0].left - desktopRect.left);
    const float dy = static_cast<float>(displayRects[0].top - desktopRect.top);
    glDisable(GL_TEXTURE_2D);
    glPushAttrib(GL_COLOR_BUFFER_BIT);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glLoadIdentity();
    glColor4f(0.0f, 0.0f, 0.0f, 0.5f);
    glTranslatef(dx, dy, 0.0f);
    glRectf(5.0f, 15.0f, 400.0f, 35.0f);
    glPopAttrib();
    glLoadIdentity();
    glColor3f(1.0f, 1.0f, 1.0f);
    glTranslatef(dx, dy, 0.0f);
    PrintTextAt(font, 10, 30, GetString(kCounterFormat), fps, mouse, tracers);
    glEnable(GL_TEXTURE_2D);
}
