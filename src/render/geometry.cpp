#include "render/geometry.h"

#include <initializer_list>

namespace {

void PutQuad(QuadArrays& a, int set, int display, float left, float top, float right, float bottom) {
    float* v = &a.vertices[QuadFirstVertex(set, display) * 4];
    const float corners[4][2] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    static const float kTex[4][2] = {{0.01f, 0.01f}, {0.99f, 0.01f}, {0.99f, 0.99f}, {0.01f, 0.99f}};
    float* t = &a.texCoords[QuadFirstVertex(set, display) * 4];
    for (int c = 0; c < 4; ++c) {
        v[c * 4 + 0] = corners[c][0];
        v[c * 4 + 1] = corners[c][1];
        v[c * 4 + 2] = 0.0f;
        v[c * 4 + 3] = 1.0f;
        t[c * 4 + 0] = kTex[c][0];
        t[c * 4 + 1] = kTex[c][1];
        t[c * 4 + 2] = 0.0f;
        t[c * 4 + 3] = 1.0f;
    }
}

}  // namespace

DisplayGeometry MakeDisplayGeometry(int32_t width, int32_t height, int32_t columns, int32_t rows) {
    DisplayGeometry g{};
    g.width = static_cast<float>(width);
    g.height = static_cast<float>(height);
    g.cellWidth = columns > 0 ? g.width / static_cast<float>(columns) : 0.0f;
    g.cellHeight = rows > 0 ? g.height / static_cast<float>(rows) : 0.0f;
    g.halfCellWidth = g.cellWidth * 0.5f;
    g.halfCellHeight = g.cellHeight * 0.5f;
    return g;
}

float LargeGlyphScale(float k) { return k >= 1.0f ? k : 1.0f + 1.8f * (k - 1.0f); }

void BuildDisplayQuads(QuadArrays& arrays, int display, const DisplayGeometry& g, float k, int32_t blurLevel) {
    if (display < 0 || display >= kQuadDisplaySlots) return;
    if (!(k >= 0.0f)) k = 0.0f;
    if (k > kMaxCharSize) k = kMaxCharSize;
    if (blurLevel < 0) blurLevel = 0;
    if (blurLevel > kMaxQuadBlurLevel) blurLevel = kMaxQuadBlurLevel;
    const float w = g.cellWidth;
    const float h = g.cellHeight;
    const float a = (k - 1.0f) / 2.0f;
    const float s = LargeGlyphScale(k);
    const float p = 1.0f + static_cast<float>(blurLevel) * 0.0625f;
    const float q = 1.0f + static_cast<float>(blurLevel) * 0.25f;
    PutQuad(arrays, kGlyphQuad, display, -a * w, -a * h, (1.0f + a) * w, (1.0f + a) * h);
    PutQuad(arrays, kLargeGlyphQuad, display, -s * w / 2, -s * h / 2, w + s * w / 2, h + s * h / 2);
    PutQuad(arrays, kHaloQuad, display, -1.6f * s * w / 2, -1.6f * s * h / 2, w + 1.6f * s * w / 2,
            h + 1.6f * s * h / 2);
    PutQuad(arrays, kVerticalBlurQuad, display, -p * s * w / 2, -q * s * h / 2, w + p * s * w / 2,
            h + q * s * h / 2);
}

HaloPlan PlanHalo(int32_t halo) {
    HaloPlan plan{};
    if (halo <= 0) return plan;
    float f = static_cast<float>(halo) * (1.0f / 96.0f);
    plan.whole = halo / 96;
    while (f >= 1.0f) f -= 1.0f;
    plan.fraction = f;
    plan.partial = f > 0.01f;
    return plan;
}

float MotionBlurWeight(int32_t k, int32_t n) {
    if (n <= 1) return 1.0f;
    return (static_cast<float>(k) / static_cast<float>(n)) / (static_cast<float>(n - 1) * 0.5f);
}

float RadialBlurInset(int32_t k, int32_t n, float radialDiffuse) {
    if (n <= 0) return 0.0f;
    return 0.3f * radialDiffuse * (1.0f - static_cast<float>(k) / static_cast<float>(n));
}

int32_t MotionBlurSlot(int32_t ring, int32_t k, int32_t n) {
    if (n <= 0) return 0;
    return (ring + k + 1) % n;
}

OrthoBounds CameraZoomBounds(int32_t width, int32_t height, float* zoom) {
    const double w = width;
    const double h = height;
    float z = zoom ? *zoom : 0.0f;
    if (!(z > 0.0f)) return OrthoBounds{0.0, w, h, 0.0};
    if (z > 1.0f) {
        z = 1.0f;
        *zoom = z;
    }
    return OrthoBounds{z * w / 2, w - z * w / 2, h - z * h / 2, z * h / 2};
}

int32_t FindGlyphIndex(const TextureTables& t, uint32_t texture, bool* isGlow) {
    if (isGlow) *isGlow = false;
    // Each family is usually created as one run of names, so the offset from its
    // first name finds the glyph at once; the scan below settles everything else.
    for (const uint32_t* table : {t.glyph, t.blurredGlyph, t.rotatorBlur, t.glow}) {
        const uint32_t offset = texture - table[0];
        if (offset < static_cast<uint32_t>(kGlyphCount) && table[offset] == texture) {
            if (isGlow) *isGlow = table == t.glow;
            return static_cast<int32_t>(offset);
        }
    }
    for (int32_t i = 0; i < kGlyphCount; ++i) {
        if (texture == t.glyph[i] || texture == t.blurredGlyph[i] || texture == t.rotatorBlur[i]) return i;
        if (texture == t.glow[i]) {
            if (isGlow) *isGlow = true;
            return i;
        }
    }
    return -1;
}

int32_t PaddedCanvasSide(int32_t side) {
    if (side > 1024) return 2048;
    int32_t canvas = 4;
    while (canvas < side) canvas *= 2;
    return canvas;
}
