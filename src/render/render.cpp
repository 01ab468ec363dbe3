#include "render/render.h"

#include <chrono>
#include <cstdio>
#include <cstring>

#include "effects/hooks.h"
#include "host/display_table.h"
#include "render/gl_api.h"
#include "render/layer_batch.h"
#include "render/textures.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "settings/strings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

RendererState renderer;

namespace {

// Where the motion blur allocation failure is reported from.
constexpr int kMotionBlurFailureLine = 246;
constexpr uint32_t kMotionBlurDescription = 9104;
constexpr uint32_t kCounterFormat = 9002;
constexpr int kPrintCapacity = 2048;

RendererBitmapLoader g_loader = nullptr;
// Quads of the grid pass in progress.
LayerBatch g_batch;

uint64_t NowMicros() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

int32_t LoadPicture(aBitmap& bitmap, int id) { return g_loader ? g_loader(bitmap, id) : kBitmapInvalid; }

// Resource ids of the glyph families in normal and low-texture mode.
enum GlyphFamily : int { kFamilyGlyph = 0, kFamilyBlurred = 100, kFamilyRotator = 200, kFamilyGlow = 300 };
constexpr int kLowTextureBase = 2000;
constexpr int kHaloBase = 2100;
constexpr int kLetterBase = 400;
constexpr int kLetterGlowBase = 700;
constexpr int kSpotId = 1003;
constexpr int kSquareSpotId = 1004;

void PrepareBlurredAndEnglowed(aBitmap& work) {
    const int32_t blur = settings.charBlurLevel;
    const float englow = settings.charEnglow;
    if (blur != 0) BlurBitmap(work, blur);
    if (englow != 1.0f) ScaleBitmap(work, englow);
}

void BuildGlyphTable(aBitmap& work, uint32_t* table, int family, bool lowTextures) {
    for (int g = 0; g < kGlyphCount; ++g) {
        LoadPicture(work, (lowTextures ? kLowTextureBase : 0) + family + g);
        if (family == kFamilyGlyph) {
            const int32_t blur = settings.charBlurLevel;
            const float englow = settings.charEnglow;
            if (blur != 0) {
                const int32_t w = work.width / 2;
                const int32_t h = work.height / 2;
                PadBitmap(work, w, h, w, h, 0);
                BlurBitmap(work, blur);
            }
            if (englow != 1.0f) ScaleBitmap(work, englow);
        } else {
            PrepareBlurredAndEnglowed(work);
        }
        table[g] = CreateGlyphTexture(work);
    }
}

void ApplyCameraZoom(int32_t w, int32_t h) {
    float zoom = incomingText.cameraZoom;
    if (!(zoom > 0.0f)) return;
    const OrthoBounds b = CameraZoomBounds(w, h, &zoom);
    incomingText.cameraZoom = zoom;
    // A zoom of 1 leaves no area to show; the whole window stays in view
    // rather than an invalid projection.
    if (!(b.left < b.right && b.top < b.bottom)) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(b.left, b.right, b.bottom, b.top, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void DrawQuad(int set, int display) { glDrawArrays(GL_QUADS, QuadFirstVertex(set, display), kVerticesPerQuad); }

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
    ApplyCameraZoom(w, h);
    DrawCodeGrids();

    glBindTexture(GL_TEXTURE_2D, renderer.motionBlurTextures[renderer.motionBlurRing]);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, size, size);
    glClear(GL_COLOR_BUFFER_BIT);
    ApplyOrthoProjection(w, h);

    const float wd = static_cast<float>(desktopRect.right - desktopRect.left);
    const float hd = static_cast<float>(desktopRect.bottom - desktopRect.top);
    const bool radial = settings.radialBlur != 0;
    const float diffuse = settings.radialDiffuse;
    for (int32_t k = 0; k < n; ++k) {
        const float c = MotionBlurWeight(k, n);
        const float d = radial ? RadialBlurInset(k, n, diffuse) : 0.0f;
        glColor3f(c, c, c);
        glLoadIdentity();
        glBindTexture(GL_TEXTURE_2D, renderer.motionBlurTextures[MotionBlurSlot(renderer.motionBlurRing, k, n)]);
        glBegin(GL_QUADS);
        glTexCoord2f(d, 1.0f - d);
        glVertex2f(0.0f, 0.0f);
        glTexCoord2f(1.0f - d, 1.0f - d);
        glVertex2f(wd, 0.0f);
        glTexCoord2f(1.0f - d, d);
        glVertex2f(wd, hd);
        glTexCoord2f(d, d);
        glVertex2f(0.0f, hd);
        glEnd();
    }
    renderer.motionBlurRing += 1;
    if (renderer.motionBlurRing >= n) renderer.motionBlurRing = 0;
}

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

void SetUpQuadArrays() {
    renderer.quads = QuadArrays{};
    const int32_t columns = settings.columns;
    const int32_t rows = settings.rows;
    const float charSize = settings.charSize;
    const int32_t blurLevel = settings.verticalBlurLevel;
    const int count = displayCount < kQuadDisplaySlots ? displayCount : kQuadDisplaySlots;
    for (int i = 0; i < count; ++i) {
        const DisplayRect& r = displayRects[i];
        renderer.displays[i] = MakeDisplayGeometry(r.right - r.left, r.bottom - r.top, columns, rows);
        BuildDisplayQuads(renderer.quads, i, renderer.displays[i], charSize, blurLevel);
    }

    // The buffer path needs the extension and both functions it calls; a driver
    // that lists the extension without resolving them gets the client arrays.
    renderer.vertexBuffers = HasExtension(renderer.extensions, kExtVertexBufferObject) &&
                             GetEntryPoint(renderer.extensions, "glBindBufferARB") != UnavailableExtensionStub &&
                             GetEntryPoint(renderer.extensions, "glBufferDataARB") != UnavailableExtensionStub;
    if (renderer.vertexBuffers) {
        const auto bindBuffer = EntryPointAs<PFNGLBINDBUFFERARBPROC>(renderer.extensions, "glBindBufferARB");
        const auto bufferData = EntryPointAs<PFNGLBUFFERDATAARBPROC>(renderer.extensions, "glBufferDataARB");
        bindBuffer(GL_ARRAY_BUFFER_ARB, 1);
        bufferData(GL_ARRAY_BUFFER_ARB, sizeof renderer.quads.vertices, renderer.quads.vertices, GL_STATIC_DRAW_ARB);
        glVertexPointer(4, GL_FLOAT, 0, nullptr);
        bindBuffer(GL_ARRAY_BUFFER_ARB, 2);
        bufferData(GL_ARRAY_BUFFER_ARB, sizeof renderer.quads.texCoords, renderer.quads.texCoords,
                   GL_STATIC_DRAW_ARB);
        glTexCoordPointer(4, GL_FLOAT, 0, nullptr);
        bindBuffer(GL_ARRAY_BUFFER_ARB, 0);
    } else {
        glVertexPointer(4, GL_FLOAT, 0, renderer.quads.vertices);
        glTexCoordPointer(4, GL_FLOAT, 0, renderer.quads.texCoords);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace

void SetRendererBitmapLoader(RendererBitmapLoader loader) { g_loader = loader; }

void SetRenderWindowSize(int32_t width, int32_t height) {
    renderer.windowWidth = width;
    renderer.windowHeight = height;
}

void ApplyOrthoProjection(int32_t width, int32_t height) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A window without area (before its first size) has nothing to project;
    // glOrtho would refuse the empty volume.
    if (width > 0 && height > 0) glOrtho(0.0, width, height, 0.0, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
}

void ClearColorBuffer() { glClear(GL_COLOR_BUFFER_BIT); }

void ApplyTextureFilter() {
    // Nearest, nearest mipmap, bilinear, trilinear: magnification and minification.
    static const GLint kFilters[4][2] = {
        {GL_NEAREST, GL_NEAREST},
        {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST},
        {GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST},
        {GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR},
    };
    const int32_t filter = localOptions.textureFilter;
    if (filter >= 0 && filter < 4) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, kFilters[filter][0]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, kFilters[filter][1]);
    }
    if (localOptions.anisotropic && HasExtension(renderer.extensions, kExtTextureFilterAnisotropic))
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, renderer.maxAnisotropy);
}

uint32_t CreateGlyphTexture(const aBitmap& bitmap) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    ApplyTextureFilter();
    // An empty picture (a load that failed before allocating) gives an empty level.
    static const uint8_t kTransparent[4] = {0, 0, 0, 0};
    const bool empty = !bitmap.pixels || bitmap.width <= 0 || bitmap.height <= 0;
    const GLsizei w = empty ? 1 : bitmap.width;
    const GLsizei h = empty ? 1 : bitmap.height;
    const void* pixels = empty ? kTransparent : bitmap.pixels;
    if (HasExtension(renderer.extensions, kExtGenerateMipmap)) {
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    } else {
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_ALPHA8, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    }
    return name;
}

uint32_t CreatePaddedTexture(const aBitmap& bitmap, int32_t border) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const int32_t width = bitmap.pixels && bitmap.width > 0 ? bitmap.width : 0;
    const int32_t height = bitmap.pixels && bitmap.height > 0 ? bitmap.height : 0;
    const int32_t cw = PaddedCanvasSide(width);
    const int32_t ch = PaddedCanvasSide(height);
    uint8_t* canvas = static_cast<uint8_t*>(AllocZeroedArray(static_cast<size_t>(cw) * ch, 4));
    if (!canvas) return name;  // the texture stays without a picture
    const int32_t copyW = width < cw ? width : cw;
    const int32_t copyH = height < ch ? height : ch;
    for (int32_t y = 0; y < copyH; ++y)
        std::memcpy(canvas + static_cast<size_t>(y) * cw * 4, bitmap.pixels + static_cast<size_t>(y) * width * 4,
                    static_cast<size_t>(copyW) * 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, cw, ch, border, GL_RGBA, GL_UNSIGNED_BYTE, canvas);
    FreeMemory(canvas);
    return name;
}

int InitRenderer(void* /*window*/, bool lowTextures) {
    // 1. The extension registry.
    LoadExtensionsFromString(renderer.extensions, reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    // 2. Fixed state.
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glClearAccum(0.0f, 0.0f, 0.0f, 0.0f);
    glAlphaFunc(GL_GREATER, 0.01f);
    glEnable(GL_ALPHA_TEST);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glNormal3f(0.0f, 0.0f, 1.0f);
    // 3. Anisotropy.
    renderer.maxAnisotropy = 1;
    if (HasExtension(renderer.extensions, kExtTextureFilterAnisotropic)) {
        GLfloat maxAniso = 1.0f;
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maxAniso);
        renderer.maxAnisotropy = static_cast<int32_t>(maxAniso);
    }
    // 4. A code grid per display.
    const int32_t columns = settings.columns;
    const int32_t rows = settings.rows;
    const int count = displayCount < kMaxDisplays ? displayCount : kMaxDisplays;
    for (int i = 0; i < count; ++i) {
        const DisplayRect& r = displayRects[i];
        renderer.displays[i].width = static_cast<float>(r.right - r.left);
        renderer.displays[i].height = static_cast<float>(r.bottom - r.top);
        AllocCodeGrid(codeGrids[i], columns, rows);
    }

    // 5. Size of the remembered frames.
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    renderer.motionBlurSize = 256;
    if (maxTexture > 0 && maxTexture < renderer.motionBlurSize) renderer.motionBlurSize = maxTexture;
    // 6.-9. Textures.
    {
        aBitmap work;
        TextureTables& t = textureTables;
        BuildGlyphTable(work, t.glyph, kFamilyGlyph, lowTextures);
        BuildGlyphTable(work, t.blurredGlyph, kFamilyBlurred, lowTextures);
        BuildGlyphTable(work, t.rotatorBlur, kFamilyRotator, lowTextures);
        BuildGlyphTable(work, t.glow, kFamilyGlow, lowTextures);
        const int32_t haloBlur = settings.charBlurLevel / 8 + 1;
        for (int g = 0; g < kGlyphCount; ++g) {
            LoadPicture(work, kHaloBase + g);
            BlurBitmap(work, haloBlur);
            t.halo[g] = CreateGlyphTexture(work);
        }
        LoadPicture(work, kSpotId);
        t.spot = CreateGlyphTexture(work);
        LoadPicture(work, kSquareSpotId);
        t.squareSpot = CreateGlyphTexture(work);
        aBitmap blank(16, 16);
        t.blank = CreatePaddedTexture(blank, 0);
        t.letter[0] = t.blank;
        for (int c = 1; c < kLetterCodes; ++c)
            t.letter[c] = LoadPicture(work, kLetterBase + c) == kBitmapOk ? CreateGlyphTexture(work) : t.blank;
        for (int c = 0; c < kLetterCodes; ++c)
            t.letterGlow[c] = LoadPicture(work, kLetterGlowBase + c) == kBitmapOk ? CreateGlyphTexture(work) : t.blank;
    }
    // 10. Motion blur ring.
    CreateMotionBlurTextures();
    // 11.-12. Quads, and the arrays a grid pass collects its quads in.
    SetUpQuadArrays();
    if (!renderer.directLayers && !g_batch.capacity) InitLayerBatch(g_batch, kLayerBatchCapacity);
    // 13. Hooks of the intro and the crash effect.
    if (settings.consoleStart) PrepareConsoleIntro();
    PrepareCrashRendering();
    return 0;
}

namespace {

// Draws one quad at once, exactly as a layer is specified to be drawn.
struct DirectSink {
    void operator()(int display, int set, uint32_t texture, float x, float y, float r, float g, float b) const {
        glLoadIdentity();
        glTranslatef(x, y, 0.0f);
        glBindTexture(GL_TEXTURE_2D, texture);
        glColor3f(r, g, b);
        DrawQuad(set, display);
    }
};


void RestoreQuadPointers() {
    if (renderer.vertexBuffers) {
        const auto bindBuffer = EntryPointAs<PFNGLBINDBUFFERARBPROC>(renderer.extensions, "glBindBufferARB");
        bindBuffer(GL_ARRAY_BUFFER_ARB, 1);
        glVertexPointer(4, GL_FLOAT, 0, nullptr);
        bindBuffer(GL_ARRAY_BUFFER_ARB, 2);
        glTexCoordPointer(4, GL_FLOAT, 0, nullptr);
        bindBuffer(GL_ARRAY_BUFFER_ARB, 0);
    } else {
        glVertexPointer(4, GL_FLOAT, 0, renderer.quads.vertices);
        glTexCoordPointer(4, GL_FLOAT, 0, renderer.quads.texCoords);
    }
}

// Submits the collected quads, one draw per texture, and empties the batch.
void FlushBatch() {
    if (g_batch.count == 0) return;
    const uint32_t buckets = ArrangeLayerBatch(g_batch, renderer.quads);
    glLoadIdentity();
    glVertexPointer(2, GL_FLOAT, 0, g_batch.positions);
    glTexCoordPointer(2, GL_FLOAT, 0, g_batch.texCoords);
    glColorPointer(3, GL_FLOAT, 0, g_batch.colours);
    glEnableClientState(GL_COLOR_ARRAY);
    for (uint32_t b = 0; b < buckets; ++b) {
        glBindTexture(GL_TEXTURE_2D, g_batch.bucketTexture[b]);
        glDrawArrays(GL_QUADS, static_cast<GLint>(g_batch.bucketFirst[b] * 4),
                     static_cast<GLsizei>(g_batch.bucketSize[b] * 4));
    }
    glDisableClientState(GL_COLOR_ARRAY);
    RestoreQuadPointers();
    ResetLayerBatch(g_batch);
}

struct BatchSink {
    void operator()(int display, int set, uint32_t texture, float x, float y, float r, float g, float b) const {
        const LayerDraw draw{texture, static_cast<uint32_t>(QuadFirstVertex(set, display)), x, y, r, g, b};
        if (AddLayerDraw(g_batch, draw)) return;
        FlushBatch();
        AddLayerDraw(g_batch, draw);
    }
};

// The quads one layer consists of, handed to `sink` in drawing order: the layer
// itself, its vertical blur and its halo passes.
template <typename Sink>
void EmitCellLayer(int i, uint32_t column, uint32_t row, uint32_t texture, uint32_t quad, float r, float g, float b,
                   const Sink& sink) {
    const DisplayGeometry& d = renderer.displays[i];
    const float x =
        static_cast<float>(column) * d.cellWidth + static_cast<float>(displayRects[i].left - desktopRect.left);
    const float y = static_cast<float>(row) * d.cellHeight + static_cast<float>(displayRects[i].top - desktopRect.top);
    sink(i, quad ? kLargeGlyphQuad : kGlyphQuad, texture, x, y, r, g, b);
    ++renderer.layersDrawn;

    const int32_t verticalBlur = settings.verticalBlurLevel;
    const int32_t halo = settings.halo;
    if (verticalBlur == 0 && halo == 0) return;
    bool glow = false;
    const int32_t glyph = FindGlyphIndex(textureTables, texture, &glow);
    if (glyph < 0 || glow) return;

    if (verticalBlur != 0) {
        const uint32_t blurTexture =
            settings.sharperVerticalBlur ? textureTables.blurredGlyph[glyph] : textureTables.halo[glyph];
        sink(i, kVerticalBlurQuad, blurTexture, x, y, r, g, b);
    }
    if (halo != 0) {
        const uint32_t haloTexture = settings.sharperHalo ? textureTables.blurredGlyph[glyph] : textureTables.halo[glyph];
        const HaloPlan plan = PlanHalo(halo);
        for (int32_t k = 0; k < plan.whole; ++k) sink(i, kHaloQuad, haloTexture, x, y, r, g, b);
        if (plan.partial)
            sink(i, kHaloQuad, haloTexture, x, y, r * plan.fraction, g * plan.fraction, b * plan.fraction);
    }
}

template <typename Sink>
void WalkCodeGrids(const Sink& sink) {
    const int count = displayCount < kMaxDisplays ? displayCount : kMaxDisplays;
    for (int i = 0; i < count; ++i) {
        const __buffer& grid = codeGrids[i];
        for (uint32_t row = 0; row < grid.height; ++row) {
            for (uint32_t column = 0; column < grid.width; ++column) {
                if (!IsCellUsed(grid, column, row)) continue;
                const uint32_t layers = GetCellLayerCount(grid, column, row);
                for (uint32_t k = 0; k < layers; ++k) {
                    uint32_t texture = 0, quad = 0;
                    float r = 0, g = 0, b = 0;
                    GetCellLayer(grid, column, row, k, &texture, &r, &g, &b, &quad);
                    EmitCellLayer(i, column, row, texture, quad != 0, r, g, b, sink);
                }
            }
        }
    }
}

}  // namespace

void DrawCellLayer(int i, uint32_t column, uint32_t row, uint32_t texture, uint32_t quad, float r, float g, float b) {
    if (i < 0 || i >= kQuadDisplaySlots) return;
    EmitCellLayer(i, column, row, texture, quad, r, g, b, DirectSink{});
}

void DrawCodeGrids() {
    if (!renderer.directLayers && g_batch.capacity) {
        const uint64_t t0 = renderer.measure ? NowMicros() : 0;
        WalkCodeGrids(BatchSink{});
        const uint64_t t1 = renderer.measure ? NowMicros() : 0;
        FlushBatch();
        if (renderer.measure) {
            renderer.walkMicros += t1 - t0;
            renderer.submitMicros += NowMicros() - t1;
        }
    } else {
        WalkCodeGrids(DirectSink{});
    }
    DrawCrashFlashes();
}

int RenderFrame(int32_t units) {
    renderer.layersDrawn = 0;
    renderer.walkMicros = 0;
    renderer.submitMicros = 0;
    bool rainVisible = true;
    if (settings.consoleStart) rainVisible = AdvanceConsoleIntro(units);

    const int32_t n = renderer.motionBlurCount;
    if (rainVisible && n > 0) ComposeMotionBlur(n);

    ApplyOrthoProjection(renderer.windowWidth, renderer.windowHeight);
    ApplyCameraZoom(renderer.windowWidth, renderer.windowHeight);

    if (rainVisible && (n == 0 || settings.renderLastFrame)) DrawCodeGrids();
    if (settings.consoleStart) DrawConsoleIntro();
    glFlush();
    return 0;
}

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

uint32_t TakeGLError() {
    uint32_t first = 0;
    for (int guard = 0; guard < 32; ++guard) {
        const GLenum e = glGetError();
        if (e == GL_NO_ERROR) break;
        if (!first) first = e;
    }
    return first;
}
