// The renderer's arithmetic, kept apart from GL so that it can be checked
// without a context: per-display cell sizes, the four quad sets of every display,
// the halo passes, the motion blur weights and inset, the camera zoom's view, and
// where a texture name belongs in the glyph tables.
#pragma once

#include <cstdint>

#include "render/textures.h"

constexpr int kQuadSets = 4;
constexpr int kQuadDisplaySlots = 16;
constexpr int kVerticesPerQuad = 4;
constexpr int kQuadVertexCount = kQuadSets * kQuadDisplaySlots * kVerticesPerQuad;  // 256

enum QuadSet : int {
    kGlyphQuad = 0,         // the character picture, charSize cells
    kLargeGlyphQuad = 1,    // pictures carrying the character in their central half
    kHaloQuad = 2,          // 1 + 1.6 s cells
    kVerticalBlurQuad = 3,  // stretched upright by the vertical blur level
};

// First vertex of the quad of `set` for display `display`.
constexpr int QuadFirstVertex(int set, int display) { return (kQuadDisplaySlots * set + display) * kVerticesPerQuad; }

// One display's place and cell size.
struct DisplayGeometry {
    float width;   // pixels
    float height;
    float cellWidth;
    float cellHeight;
    float halfCellWidth;
    float halfCellHeight;
};

// The vertex (x, y, z, w) and texture-coordinate (s, t, r, q) arrays of every
// quad, 4096 bytes each, as the renderer uploads them.
struct QuadArrays {
    float vertices[kQuadVertexCount * 4];
    float texCoords[kQuadVertexCount * 4];
};
static_assert(sizeof(QuadArrays::vertices) == 4096, "vertex array is 4096 bytes");
static_assert(sizeof(QuadArrays::texCoords) == 4096, "texture coordinate array is 4096 bytes");

// Cell sizes of a width x height display divided into columns x rows cells
// (non-positive counts give zero cells).
DisplayGeometry MakeDisplayGeometry(int32_t width, int32_t height, int32_t columns, int32_t rows);

// Fills the four quads of display slot `display` (0..15) around a cell of the
// given size, for character size `charSize` and vertical blur level `blurLevel`,
// with the shared texture coordinates. Corners run top-left, top-right,
// bottom-right, bottom-left; z = 0, w = 1. Stored values beyond the settings
// window's largest are held there (size 0..2, NaN as 0; level 0..15): every
// layer draws these quads, so larger ones would make a single frame fill the
// screen thousands of times over.
constexpr float kMaxCharSize = 2.0f;
constexpr int32_t kMaxQuadBlurLevel = 15;
void BuildDisplayQuads(QuadArrays& arrays, int display, const DisplayGeometry& g, float charSize, int32_t blurLevel);

// The large-glyph scale s of a character size k: k when k >= 1, else 1 + 1.8 (k - 1).
float LargeGlyphScale(float charSize);

// Halo of strength 0..255 in passes of 96: `whole` full passes, then one pass at
// `fraction` of the colour when that is above 0.01.
struct HaloPlan {
    int32_t whole;
    float fraction;
    bool partial;
};
HaloPlan PlanHalo(int32_t halo);

// Weight of remembered frame k (0 = oldest) of n: 1 for n = 1, else 2k / (n (n - 1)).
float MotionBlurWeight(int32_t k, int32_t n);
// Texture inset of remembered frame k of n with radial blur: 0.3 x diffuse x (1 - k / n).
float RadialBlurInset(int32_t k, int32_t n, float radialDiffuse);
// The ring slot shown as frame k: (ring + k + 1) mod n.
int32_t MotionBlurSlot(int32_t ring, int32_t k, int32_t n);

// Orthographic bounds (left, right, bottom, top) of a W x H window under camera
// zoom z: the whole window for z <= 0, else the central (1 - z) part of it.
// A zoom above 1 is clamped to 1 (and stored back through the pointer).
struct OrthoBounds {
    double left, right, bottom, top;
};
OrthoBounds CameraZoomBounds(int32_t width, int32_t height, float* zoom);

// Which glyph a texture name shows: the first index 0..54 whose glyph, glow,
// blurred glyph or rotator blur texture it is, -1 for anything else. `isGlow`
// tells whether that match was a glow texture.
int32_t FindGlyphIndex(const TextureTables& tables, uint32_t texture, bool* isGlow);

// Side of the power-of-two canvas a padded texture uses: the smallest of
// 4, 8, ..., 1024 that holds `side`, or 2048 beyond 1024.
int32_t PaddedCanvasSide(int32_t side);
