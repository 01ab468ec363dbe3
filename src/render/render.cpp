#include "render/render.h"

#include <chrono>

#include "effects/hooks.h"
#include "host/display_table.h"
#include "render/gl_api.h"
#include "render/layer_batch.h"
#include "render/renderer_parts.h"
#include "render/visible_extent.h"
#include "render/textures.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

RendererState renderer;

namespace {

// Quads of the grid pass in progress.
LayerBatch g_batch;
// What the grid pass in progress shows, and where its fragments are counted.
struct GridPassView {
    float left, top, right, bottom;  // window coordinates in view
    float scaleX, scaleY;            // viewport pixels per window unit
};
GridPassView g_view{0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f};
uint64_t* g_fragments = &renderer.gridFragments;
// Forgets the quads cut by earlier grid passes (a new set-up).
void ForgetPassCuts();

uint64_t NowMicros() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void DrawQuad(int set, int display) { glDrawArrays(GL_QUADS, QuadFirstVertex(set, display), kVerticesPerQuad); }

// Per display slot, the first slot whose quads are the same (displays of one
// size share them): the grid pass cuts each quad once for all of them.
int g_quadTwin[kQuadDisplaySlots];

void SetUpQuadArrays() {
    renderer.quads = QuadArrays{};
    for (int i = 0; i < kQuadDisplaySlots; ++i) g_quadTwin[i] = i;
    const int32_t columns = settings.columns;
    const int32_t rows = settings.rows;
    const float charSize = settings.charSize;
    const int32_t blurLevel = settings.verticalBlurLevel;
    const int count = displayCount < kQuadDisplaySlots ? displayCount : kQuadDisplaySlots;
    for (int i = 0; i < count; ++i) {
        const DisplayRect& r = displayRects[i];
        renderer.displays[i] = MakeDisplayGeometry(r.right - r.left, r.bottom - r.top, columns, rows);
        BuildDisplayQuads(renderer.quads, i, renderer.displays[i], charSize, blurLevel);
        for (int j = 0; j < i; ++j) {
            bool same = true;
            for (int set = 0; set < kQuadSets && same; ++set) {
                const LayerQuad a = QuadOf(renderer.quads, set, i), b = QuadOf(renderer.quads, set, j);
                same = a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom &&
                       a.s0 == b.s0 && a.t0 == b.t0 && a.s1 == b.s1 && a.t1 == b.t1;
            }
            if (same) {
                g_quadTwin[i] = j;
                break;
            }
        }
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

OrthoBounds ApplyCameraZoom(int32_t w, int32_t h) {
    const OrthoBounds whole{0.0, static_cast<double>(w), static_cast<double>(h), 0.0};
    float zoom = incomingText.cameraZoom;
    if (!(zoom > 0.0f)) return whole;
    const OrthoBounds b = CameraZoomBounds(w, h, &zoom);
    incomingText.cameraZoom = zoom;
    // A zoom of 1 leaves no area to show; the whole window stays in view
    // rather than an invalid projection.
    if (!(b.left < b.right && b.top < b.bottom)) return whole;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(b.left, b.right, b.bottom, b.top, 1.0, -1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return b;
}

void SetGridPassView(const OrthoBounds& view, int32_t viewportWidth, int32_t viewportHeight, uint64_t* counter) {
    const double w = view.right - view.left;
    const double h = view.bottom - view.top;
    g_view.left = static_cast<float>(view.left);
    g_view.top = static_cast<float>(view.top);
    g_view.right = static_cast<float>(view.right);
    g_view.bottom = static_cast<float>(view.bottom);
    g_view.scaleX = w > 0.0 && viewportWidth > 0 ? static_cast<float>(viewportWidth / w) : 1.0f;
    g_view.scaleY = h > 0.0 && viewportHeight > 0 ? static_cast<float>(viewportHeight / h) : 1.0f;
    g_fragments = counter;
}

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
    BuildTextureTables(lowTextures);
    // 10. Motion blur ring.
    CreateMotionBlurTextures();
    // 11.-12. Quads, and the arrays a grid pass collects its quads in.
    SetUpQuadArrays();
    ForgetPassCuts();
    if (!renderer.directLayers && !g_batch.capacity) InitLayerBatch(g_batch, kLayerBatchCapacity);
    // 13. Hooks of the intro and the crash effect.
    if (settings.consoleStart) PrepareConsoleIntro();
    PrepareCrashRendering();
    // 14. Combiners: a halo's passes as one quad, remembered frames composed in one.
    const bool combine = HasExtension(renderer.extensions, kExtTextureEnvCombine);
    renderer.oneHaloQuad = combine;
    renderer.composeUnits = 0;
    if (combine && HasExtension(renderer.extensions, kExtMultitexture) &&
        GetEntryPoint(renderer.extensions, "glActiveTextureARB") != UnavailableExtensionStub &&
        GetEntryPoint(renderer.extensions, "glMultiTexCoord2fARB") != UnavailableExtensionStub) {
        GLint units = 0;
        glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
        renderer.composeUnits = units < kMaxMotionBlurFrames ? units : kMaxMotionBlurFrames;
    }
    return 0;
}

namespace {

// Window pixels a quad covers (its cell at x, y) inside the pass's view.
void CountFragments(const LayerQuad& q, float x, float y) {
    if (!renderer.measure) return;
    const float l = q.left + x > g_view.left ? q.left + x : g_view.left;
    const float r = q.right + x < g_view.right ? q.right + x : g_view.right;
    const float t = q.top + y > g_view.top ? q.top + y : g_view.top;
    const float b = q.bottom + y < g_view.bottom ? q.bottom + y : g_view.bottom;
    if (r > l && b > t)
        *g_fragments += static_cast<uint64_t>(static_cast<double>(r - l) * g_view.scaleX * (b - t) * g_view.scaleY + 0.5);
}

// Draws one quad at once, exactly as a layer is specified to be drawn.
struct DirectSink {
    static constexpr bool kSkipsBlack = false;
    static constexpr bool kBoosts = false;
    int32_t GlyphOf(uint32_t texture, bool* glow) const { return FindGlyphIndex(textureTables, texture, glow); }
    void operator()(int display, int set, uint32_t texture, float x, float y, float r, float g, float b,
                    bool /*boosted*/ = false) const {
        glLoadIdentity();
        glTranslatef(x, y, 0.0f);
        glBindTexture(GL_TEXTURE_2D, texture);
        glColor3f(r, g, b);
        DrawQuad(set, display);
        CountFragments(QuadOf(renderer.quads, set, display), x, y);
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

// Boosted quads: the fragment's colour is the vertex colour times the texel's
// alpha times four, clamped to 1, added as it is; its alpha stays the texel's
// for the alpha test. Added onto the frame that is the colour times four
// added with the source alpha: the same sum, past 1 where the layer's is.
void SetBoostedDrawing(bool boosted) {
    if (boosted) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_PRIMARY_COLOR_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_TEXTURE);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_ALPHA);
        glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE_ARB, kBoostedColourScale);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, GL_REPLACE);
        glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, GL_TEXTURE);
        glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA_ARB, GL_SRC_ALPHA);
        glBlendFunc(GL_ONE, GL_ONE);
    } else {
        glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE_ARB, 1.0f);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    }
}

// Submits the collected quads, texture by texture, a draw per run, and
// empties the batch.
void FlushBatch() {
    if (g_batch.count == 0) return;
    glLoadIdentity();
    const float* v = g_batch.vertices;
    constexpr GLsizei kStride = kLayerVertexFloats * sizeof(float);
    glVertexPointer(2, GL_FLOAT, kStride, v);
    glTexCoordPointer(2, GL_FLOAT, kStride, v + 2);
    glColorPointer(3, GL_FLOAT, kStride, v + 4);
    glEnableClientState(GL_COLOR_ARRAY);
    bool boosted = false;
    for (uint32_t b = 0; b < g_batch.bucketCount; ++b) {
        if (g_batch.bucketBoosted[b] != boosted) SetBoostedDrawing(boosted = g_batch.bucketBoosted[b]);
        glBindTexture(GL_TEXTURE_2D, g_batch.bucketTexture[b]);
        for (uint32_t r = g_batch.bucketFirstRun[b]; r; r = g_batch.runs[r].next) {
            const LayerRun& run = g_batch.runs[r];
            glDrawArrays(GL_QUADS, static_cast<GLint>(run.first * 4), static_cast<GLsizei>(run.size * 4));
        }
    }
    if (boosted) SetBoostedDrawing(false);
    glDisableClientState(GL_COLOR_ARRAY);
    RestoreQuadPointers();
    ResetLayerBatch(g_batch);
}

// What a grid pass remembers of the quads it cut: a frame cuts the same few
// quads of each texture (per quad set and display) again and again. An entry
// holds for one view scale, one state of the texture records and one set-up
// of the quad arrays; a new stamp forgets every entry.
struct PassCut {
    uint32_t stamp;
    uint32_t texture;
    uint32_t drawName;
    uint16_t set, display;
    bool shows;
    LayerQuad quad;
    uint64_t fragments;  // window pixels of the whole cut quad
    // The quad's bucket in the batch, plain and boosted (-1: not looked up
    // while the batch kept its epoch).
    int32_t bucket[2];
    uint32_t bucketEpoch[2];
};
constexpr uint32_t kPassCutSlots = 4096;
PassCut g_passCuts[kPassCutSlots];
uint32_t g_cutStamp = 1;
void ForgetPassCuts() { ++g_cutStamp; }
struct CutValidity {
    float scaleX, scaleY;
    uint32_t extentsVersion;
    bool wholeQuads;
};
CutValidity g_cutValidity{0.0f, 0.0f, 0, false};

// Glyph index and glow flag of the texture names below kTextureExtentCapacity,
// found once per grid pass (the texture tables may change between frames).
struct GlyphOfName {
    uint32_t stamp;
    int16_t glyph;
    bool glow;
};
GlyphOfName g_glyphOf[kTextureExtentCapacity];
uint32_t g_glyphStamp = 1;

// Starts a batched grid pass: the remembered cuts stay valid while nothing
// they depend on changed.
void BeginBatchedPass() {
    const CutValidity now{g_view.scaleX, g_view.scaleY, TextureExtentsVersion(), renderer.wholeQuads};
    if (now.scaleX != g_cutValidity.scaleX || now.scaleY != g_cutValidity.scaleY ||
        now.extentsVersion != g_cutValidity.extentsVersion || now.wholeQuads != g_cutValidity.wholeQuads) {
        g_cutValidity = now;
        ++g_cutStamp;
    }
    ++g_glyphStamp;
}

PassCut& CutFor(int display, int set, uint32_t texture) {
    display = g_quadTwin[display];
    const uint32_t key = texture * 64u + static_cast<uint32_t>(set) * 16u + static_cast<uint32_t>(display);
    PassCut& c = g_passCuts[(key * 2654435761u) >> 20];
    if (c.stamp == g_cutStamp && c.texture == texture && c.set == set && c.display == display) return c;
    c.stamp = g_cutStamp;
    c.texture = texture;
    c.set = static_cast<uint16_t>(set);
    c.display = static_cast<uint16_t>(display);
    c.drawName = texture;
    c.quad = QuadOf(renderer.quads, set, display);
    c.shows = renderer.wholeQuads ||
              CutLayerQuad(texture, c.quad, g_view.scaleX, g_view.scaleY, &c.quad, &c.drawName);
    const float w = c.quad.right - c.quad.left, h = c.quad.bottom - c.quad.top;
    c.fragments = w > 0.0f && h > 0.0f
                      ? static_cast<uint64_t>(static_cast<double>(w) * g_view.scaleX * h * g_view.scaleY + 0.5)
                      : 0;
    c.bucket[0] = c.bucket[1] = -1;
    return c;
}

// Counts a cut quad's pixels: those of the whole quad when it lies inside the
// view, as most do.
void CountCutFragments(const PassCut& cut, float x, float y) {
    const LayerQuad& q = cut.quad;
    if (q.left + x >= g_view.left && q.right + x <= g_view.right && q.top + y >= g_view.top &&
        q.bottom + y <= g_view.bottom)
        *g_fragments += cut.fragments;
    else
        CountFragments(q, x, y);
}

// Room for one quad of `cut` in the batch, flushing it when full; null when
// even an empty batch has none.
float* AddCutQuad(PassCut& cut, bool boosted) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int32_t& bucket = cut.bucket[boosted];
        if (bucket < 0 || cut.bucketEpoch[boosted] != g_batch.epoch) {
            bucket = LayerBucketOf(g_batch, cut.drawName, boosted);
            cut.bucketEpoch[boosted] = g_batch.epoch;
        }
        if (float* v = AddLayerQuadTo(g_batch, bucket)) return v;
        FlushBatch();
    }
    return nullptr;
}

// Collects the part of each quad that can change the picture: black layers
// add nothing, and a quad is cut to the texels of its texture that can show.
struct BatchSink {
    static constexpr bool kSkipsBlack = true;
    static constexpr bool kBoosts = true;
    int32_t GlyphOf(uint32_t texture, bool* glow) const {
        if (texture >= kTextureExtentCapacity) return FindGlyphIndex(textureTables, texture, glow);
        GlyphOfName& g = g_glyphOf[texture];
        if (g.stamp != g_glyphStamp) {
            bool isGlow = false;
            g.glyph = static_cast<int16_t>(FindGlyphIndex(textureTables, texture, &isGlow));
            g.glow = isGlow;
            g.stamp = g_glyphStamp;
        }
        *glow = g.glow;
        return g.glyph;
    }
    void operator()(int display, int set, uint32_t texture, float x, float y, float r, float g, float b,
                    bool boosted = false) const {
        PassCut& cut = CutFor(display, set, texture);
        if (!cut.shows) return;
        if (renderer.measure) CountCutFragments(cut, x, y);
        float* v = AddCutQuad(cut, boosted);
        if (!v) return;
        const float k = boosted ? 1.0f / kBoostedColourScale : 1.0f;
        WriteLayerQuad(v, cut.quad, x, y, r * k, g * k, b * k);
    }
};

// The halo's passes for the strength in the settings, planned once per value.
const HaloPlan& CurrentHaloPlan(int32_t halo) {
    static int32_t planned = -1;
    static HaloPlan plan{};
    if (halo != planned) {
        plan = PlanHalo(halo);
        planned = halo;
    }
    return plan;
}

// The quads one layer consists of, handed to `sink` in drawing order: the layer
// itself, its vertical blur and its halo passes.
template <typename Sink>
void EmitCellLayer(int i, uint32_t column, uint32_t row, uint32_t texture, uint32_t quad, float r, float g, float b,
                   const Sink& sink) {
    const DisplayGeometry& d = renderer.displays[i];
    const float x =
        static_cast<float>(column) * d.cellWidth + static_cast<float>(displayRects[i].left - desktopRect.left);
    const float y = static_cast<float>(row) * d.cellHeight + static_cast<float>(displayRects[i].top - desktopRect.top);
    ++renderer.layersDrawn;
    // Every quad of a black layer is black (its halo is a fraction of its colour).
    if (Sink::kSkipsBlack && r <= 0.0f && g <= 0.0f && b <= 0.0f) return;
    sink(i, quad ? kLargeGlyphQuad : kGlyphQuad, texture, x, y, r, g, b);

    const int32_t verticalBlur = settings.verticalBlurLevel;
    const int32_t halo = settings.halo;
    if (verticalBlur == 0 && halo == 0) return;
    bool glow = false;
    const int32_t glyph = sink.GlyphOf(texture, &glow);
    if (glyph < 0 || glow) return;

    if (verticalBlur != 0) {
        const uint32_t blurTexture =
            settings.sharperVerticalBlur ? textureTables.blurredGlyph[glyph] : textureTables.halo[glyph];
        sink(i, kVerticalBlurQuad, blurTexture, x, y, r, g, b);
    }
    if (halo != 0) {
        const uint32_t haloTexture = settings.sharperHalo ? textureTables.blurredGlyph[glyph] : textureTables.halo[glyph];
        const HaloPlan& plan = CurrentHaloPlan(halo);
        // The passes add the same texture on the same quad: one quad of their
        // summed colour adds the same (colours of 1 and more saturate alike).
        const float strength = static_cast<float>(plan.whole) + (plan.partial ? plan.fraction : 0.0f);
        if (Sink::kBoosts && renderer.oneHaloQuad && strength > 1.0f) {
            // Each pass's colour is held to 1 as GL holds it.
            const auto held = [strength](float c) { return (c < 1.0f ? c : 1.0f) * strength; };
            sink(i, kHaloQuad, haloTexture, x, y, held(r), held(g), held(b), true);
            return;
        }
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

// The batched pass visits the cells in storage order: every layer is added
// onto the frame, so the order of cells does not change the picture.
void WalkCodeGridsBatched() {
    BeginBatchedPass();
    const BatchSink sink;
    const int count = displayCount < kMaxDisplays ? displayCount : kMaxDisplays;
    for (int i = 0; i < count; ++i) {
        VisitUsedCellLayers(codeGrids[i], [i, &sink](uint32_t column, uint32_t row, const CellLayer& l) {
            EmitCellLayer(i, column, row, l.texture, l.quad != 0, l.red, l.green, l.blue, sink);
        });
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
        WalkCodeGridsBatched();
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
    renderer.gridFragments = 0;
    renderer.smallFragments = 0;
    renderer.composeFragments = 0;
    bool rainVisible = true;
    if (settings.consoleStart) rainVisible = AdvanceConsoleIntro(units);

    const int32_t n = renderer.motionBlurCount;
    if (rainVisible && n > 0) ComposeMotionBlur(n);

    ApplyOrthoProjection(renderer.windowWidth, renderer.windowHeight);
    const OrthoBounds view = ApplyCameraZoom(renderer.windowWidth, renderer.windowHeight);
    SetGridPassView(view, renderer.windowWidth, renderer.windowHeight, &renderer.gridFragments);

    if (rainVisible && (n == 0 || settings.renderLastFrame)) DrawCodeGrids();
    if (settings.consoleStart) DrawConsoleIntro();
    glFlush();
    return 0;
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
