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

// The full-window quad's corners (x and y as 0 or 1 times the desktop's
// width and height) and whether each texture coordinate sits at the inset d
// (0) or at 1 - d (1): the remembered frames are upside down.
constexpr float kComposeCorners[4][4] = {{0, 0, 0, 1}, {1, 0, 1, 1}, {1, 1, 1, 0}, {0, 1, 0, 0}};

float InsetCoord(float far, float d) { return far != 0.0f ? 1.0f - d : d; }

// Frames k = first..n-1 of the ring composed in one full-window quad: texture
// unit j mixes its frame into what the units before it made, r = a T + (1 - a) r,
// where a is the frame's weight over the weights so far. The weights sum to 1,
// so the last unit holds the weighted sum of the frames, rounded once instead
// of once per frame. False (nothing drawn) when the units are too few.
bool ComposeInOneQuad(int32_t first, int32_t n, float wd, float hd, bool radial, float diffuse) {
    const int32_t frames = n - first;
    if (frames < 2 || frames > renderer.composeUnits) return false;
    const auto activeTexture = EntryPointAs<PFNGLACTIVETEXTUREARBPROC>(renderer.extensions, "glActiveTextureARB");
    const auto multiTexCoord = EntryPointAs<PFNGLMULTITEXCOORD2FARBPROC>(renderer.extensions, "glMultiTexCoord2fARB");
    float insets[kMaxMotionBlurFrames] = {};
    float weights = 0.0f;
    for (int32_t j = 0; j < frames; ++j) {
        const int32_t k = first + j;
        const float w = MotionBlurWeight(k, n);
        weights += w;
        const float a = weights > 0.0f ? w / weights : 0.0f;
        const GLfloat mix[4] = {a, a, a, a};
        insets[j] = radial ? RadialBlurInset(k, n, diffuse) : 0.0f;
        activeTexture(GL_TEXTURE0_ARB + j);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, renderer.motionBlurTextures[MotionBlurSlot(renderer.motionBlurRing, k, n)]);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, j == 0 ? GL_REPLACE : GL_INTERPOLATE_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_PREVIOUS_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB_ARB, GL_CONSTANT_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB_ARB, GL_SRC_COLOR);
        glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, mix);
        // Alpha 1 (the vertex colour's): the sum is added as it is.
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_PRIMARY_COLOR_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
    }
    glColor3f(1.0f, 1.0f, 1.0f);
    glLoadIdentity();
    glBegin(GL_QUADS);
    for (const auto& c : kComposeCorners) {
        for (int32_t j = 0; j < frames; ++j)
            multiTexCoord(GL_TEXTURE0_ARB + j, InsetCoord(c[2], insets[j]), InsetCoord(c[3], insets[j]));
        glVertex2f(c[0] * wd, c[1] * hd);
    }
    glEnd();
    for (int32_t j = frames - 1; j >= 0; --j) {
        activeTexture(GL_TEXTURE0_ARB + j);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        if (j > 0) glDisable(GL_TEXTURE_2D);
    }
    return true;
}

// The same frames as ComposeInOneQuad, a full-window quad each.
void ComposeFrameByFrame(int32_t first, int32_t n, float wd, float hd, bool radial, float diffuse, uint64_t window) {
    for (int32_t k = first; k < n; ++k) {
        const float c = MotionBlurWeight(k, n);
        const float d = radial ? RadialBlurInset(k, n, diffuse) : 0.0f;
        glColor3f(c, c, c);
        glLoadIdentity();
        glBindTexture(GL_TEXTURE_2D, renderer.motionBlurTextures[MotionBlurSlot(renderer.motionBlurRing, k, n)]);
        glBegin(GL_QUADS);
        for (const auto& corner : kComposeCorners) {
            glTexCoord2f(InsetCoord(corner[2], d), InsetCoord(corner[3], d));
            glVertex2f(corner[0] * wd, corner[1] * hd);
        }
        glEnd();
        if (renderer.measure) renderer.composeFragments += window;
    }
}

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
    ComposeRememberedFrames(n);
    renderer.motionBlurRing += 1;
    if (renderer.motionBlurRing >= n) renderer.motionBlurRing = 0;
}

void ComposeRememberedFrames(int32_t n) {
    const int32_t w = renderer.windowWidth;
    const int32_t h = renderer.windowHeight;
    ApplyOrthoProjection(w, h);

    const float wd = static_cast<float>(desktopRect.right - desktopRect.left);
    const float hd = static_cast<float>(desktopRect.bottom - desktopRect.top);
    const bool radial = settings.radialBlur != 0;
    const float diffuse = settings.radialDiffuse;
    // The oldest frame's weight is 0 (for n > 1): its quad would add nothing.
    const int32_t first = n > 1 ? 1 : 0;
    const float cw = wd < static_cast<float>(w) ? wd : static_cast<float>(w);
    const float ch = hd < static_cast<float>(h) ? hd : static_cast<float>(h);
    const uint64_t window = cw > 0.0f && ch > 0.0f ? static_cast<uint64_t>(cw * ch) : 0;
    if (ComposeInOneQuad(first, n, wd, hd, radial, diffuse)) {
        if (renderer.measure) renderer.composeFragments += window;
    } else {
        ComposeFrameByFrame(first, n, wd, hd, radial, diffuse, window);
    }
}

