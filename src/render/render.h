// The renderer: set-up of the GL state, the texture tables, the motion blur ring
// and the quads of every display (InitRenderer), and the composition of a frame
// from the code grids with halo, vertical blur, motion blur and the camera zoom
// (RenderFrame). Needs a current GL context; no Windows headers. The units:
// render.cpp (set-up, grid passes, frame), glyph_textures.cpp (texture tables),
// motion_blur.cpp (the ring of remembered frames), text.cpp (bitmap text).
#pragma once

#include <cstdarg>
#include <cstdint>

#include "render/bitmap.h"
#include "render/extensions.h"
#include "render/geometry.h"

constexpr int kMaxMotionBlurFrames = 63;

struct RendererState {
    ExtensionRegistry extensions;  // built once per InitRenderer, kept for the process
    int32_t maxAnisotropy;         // 1 until queried
    int32_t motionBlurSize;        // side of each remembered frame
    int32_t motionBlurCount;       // frames in the ring (the clamped motion blur depth)
    int32_t motionBlurRing;        // slot written next
    uint32_t motionBlurTextures[kMaxMotionBlurFrames];
    DisplayGeometry displays[kQuadDisplaySlots];
    QuadArrays quads;
    bool vertexBuffers;   // the quads live in buffer objects 1 and 2
    int32_t windowWidth;  // W and H of the frame composition
    int32_t windowHeight;
    uint32_t layersDrawn;  // cell layers drawn by the last RenderFrame
    // Pixels covered by the quads of the last RenderFrame (when `measure` is
    // set): the full-size grid pass, motion blur's small grid pass, and the
    // composition of the remembered frames.
    uint64_t gridFragments;
    uint64_t smallFragments;
    uint64_t composeFragments;
    // Grid passes collect their quads and draw them by texture: the same
    // picture as layer-by-layer drawing with far fewer draws. Set before
    // InitRenderer to draw every layer on its own instead.
    bool directLayers;
    // The grid passes cut every quad down to the part of its texture that can
    // show. Set to draw them whole (comparisons and measurements).
    bool wholeQuads;
    // A halo of more than one full pass is drawn as one quad of the summed
    // colour through the texture combiners (when the driver has them).
    bool oneHaloQuad;
    // Remembered frames one full-window quad can compose: the texture units
    // that can mix them (0 without multitexturing and the combiners).
    int32_t composeUnits;
    // Time measurement of the last RenderFrame (when `measure` is set): the
    // grid walk that collects the quads, and the GL calls that submit them.
    bool measure;
    uint64_t walkMicros;
    uint64_t submitMicros;
};

extern RendererState renderer;

// Where InitRenderer gets its pictures by resource id (the Win32 layer reads the
// program's ABITMAP resources). Without a loader every load fails.
typedef int32_t (*RendererBitmapLoader)(aBitmap& bitmap, int id);
void SetRendererBitmapLoader(RendererBitmapLoader loader);

// Builds every mipmap level of the bound texture where the driver cannot make
// them itself (gluBuild2DMipmaps' arguments and result). Natively GLU is linked;
// the Win32 layer installs GLU found at its first use. Without a builder only
// the full-size level is uploaded.
typedef int (*RendererMipmapBuilder)(unsigned target, int internalFormat, int width, int height, unsigned format,
                                     unsigned type, const void* pixels);
void SetRendererMipmapBuilder(RendererMipmapBuilder builder);

// Everything the frames need, once, with the window's context current. The
// window is not used; `lowTextures` selects the 2000-range pictures. Returns 0.
int InitRenderer(void* window, bool lowTextures);

// The size of the window frames are composed for (the GL context's size).
void SetRenderWindowSize(int32_t width, int32_t height);

// One frame into the back buffer (the caller cleared it and filled the grids);
// `units` is the frame's simulated time, passed to the console start intro.
int RenderFrame(int32_t units);

// Every layer of every used cell of every display, then the crash flashes.
void DrawCodeGrids();
// One layer with its vertical blur and halo.
void DrawCellLayer(int display, uint32_t column, uint32_t row, uint32_t texture, uint32_t quad, float red, float green,
                   float blue);

// A mipmapped alpha texture of the picture; returns its name.
uint32_t CreateGlyphTexture(const aBitmap& bitmap);
// An RGBA texture of the picture in the top-left corner of a power-of-two canvas.
uint32_t CreatePaddedTexture(const aBitmap& bitmap, int32_t border);
// The filters of the bound texture from the local options.
void ApplyTextureFilter();

// Identity model-view, viewport and a y-down orthographic projection of
// width x height (one unit per pixel), depth test off.
void ApplyOrthoProjection(int32_t width, int32_t height);

// Clears the colour buffer (the start of every frame).
void ClearColorBuffer();

// Display lists of a bitmap font, one per character code.
struct BitmapFont {
    uint32_t listBase;
    int32_t listCount;
    int32_t charWidth;
};

// Formats at most 2047 characters and draws them from raster position (x, y).
// -1 without a format, else 0.
int PrintTextV(const BitmapFont& font, int32_t x, int32_t y, const char* format, va_list args);
// The formatted text PrintTextV draws (tests): at most 2047 characters.
int FormatPrintText(char* out, int capacity, const char* format, va_list args);

// The counter line at the top-left corner of the first display: a half-dark
// strip with "FPS: ...; MOUSE: ...; TRACERS: ..." (string 9002) over it.
void DrawCounterLine(const BitmapFont& font, int32_t fps, int32_t mouse, int32_t tracers);

// Drains GL's error flags; returns the first error found (0 for none).
uint32_t TakeGLError();
