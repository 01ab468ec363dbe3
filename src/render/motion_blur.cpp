// The ring of remembered frames: each frame the grids are drawn small into the
// corner of the back buffer, copied into the oldest slot of the ring, and the
// whole ring is composed over the cleared window with weights that rise from
// the oldest frame to the newest.
#include "host/display_table.h"
#include "render/gl_api.h"
#include "render/render.h"
#include "render/renderer_parts.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"

namespace {

// Where the motion blur allocation failure is reported from: the renderer's
// unit and line, as the fatal message has always named them.
constexpr int kMotionBlurFailureLine = 246;
constexpr uint32_t kMotionBlurDescription = 9104;

}  // namespace

void CreateMotionBlurTextures() {
    int32_t n = settings.motionBlurDepth;
    if (n < 0) n = 0;
    if (n > kMaxMotionBlurFrames) n = kMaxMotionBlurFrames;
    renderer.motionBlurCount = n;
    renderer.motionBlurRing = 0;
    if (n == 0) return;
    const int32_t size = renderer.motionBlurSize;
    void* zero = AllocZeroed(static_cast<size_t>(size) * static_cast<size_t>(size));
    if (!zero)
        ReportFatalError(kMotionBlurDescription, "render.cpp", kMotionBlurFailureLine, "int InitRenderer(HWND, bool)");
    const GLint internal = localOptions.compressedBlurTextures ? GL_COMPRESSED_RGB_ARB : GL_R3_G3_B2;
    glGenTextures(n, renderer.motionBlurTextures);
    for (int32_t i = 0; i < n; ++i) {
        glBindTexture(GL_TEXTURE_2D, renderer.motionBlurTextures[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        glTexImage2D(GL_TEXTURE_2D, 0, internal, size, size, 0, GL_ALPHA, GL_UNSIGNED_BYTE, zero);
    }
    FreeMemory(zero);
}

void ComposeMotionBlur(int32_t n) {
    const int32_t size = renderer.motionBlurSize;
    const int32_t w = renderer.windowWidth;
    const int32_t h = renderer.windowHeight;

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, size, size);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, w, h, 0.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    SetGridPassView(ApplyCameraZoom(w, h), size, size, &renderer.smallFragments);
    DrawCodeGrids();

    glBindTexture(GL_TEXTURE_2D, renderer.motionBlurTextures[renderer.motionBlurRing]);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, size, size);
    glClear(GL_COLOR_BUFFER_BIT);
    ApplyOrthoProjection(w, h);

    const float wd = static_cast<float>(desktopRect.right - desktopRect.left);
    const float hd = static_cast<float>(desktopRect.bottom - desktopRect.top);
    const bool radial = settings.radialBlur != 0;
    const float diffuse = settings.radialDiffuse;
    // The oldest frame's weight is 0 (for n > 1): its quad would add nothing.
    for (int32_t k = n > 1 ? 1 : 0; k < n; ++k) {
        const float c = MotionBlurWeight(k, n);
        const float d = radial ? RadialBlurInset(k, n, diffuse) : 0.0f;
        glColor3f(c, c, c);
        glLoadIdentity();
        glBindTexture(GL_TEXTURE_2D, renderer.motionBlurTextures[MotionBlurSlot(renderer.motionBlurRing, k, n)]);
        // A fan of four corners: drawn as one rectangle where the rasteriser can.
        glBegin(GL_TRIANGLE_FAN);
        glTexCoord2f(d, 1.0f - d);
        glVertex2f(0.0f, 0.0f);
        glTexCoord2f(1.0f - d, 1.0f - d);
        glVertex2f(wd, 0.0f);
        glTexCoord2f(1.0f - d, d);
        glVertex2f(wd, hd);
        glTexCoord2f(d, d);
        glVertex2f(0.0f, hd);
        glEnd();
        if (renderer.measure) {
            const float cw = wd < static_cast<float>(w) ? wd : static_cast<float>(w);
            const float ch = hd < static_cast<float>(h) ? hd : static_cast<float>(h);
            if (cw > 0.0f && ch > 0.0f) renderer.composeFragments += static_cast<uint64_t>(cw * ch);
        }
    }
    renderer.motionBlurRing += 1;
    if (renderer.motionBlurRing >= n) renderer.motionBlurRing = 0;
}
