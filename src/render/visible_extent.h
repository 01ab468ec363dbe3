// Which part of a layer's quad can change the picture. A layer adds its colour
// times the texture's alpha onto the frame, and the alpha test drops every
// fragment whose alpha is at most 0.01: texels of alpha 0, 1 and 2 (of 255)
// never show, alone or filtered together with each other, and a quad cut down
// to the texels that can show draws the same picture with fewer fragments.
//
// The set-up records, per texture name, the box of texels that can show in
// the full-size picture and how the texture is filtered. A quad is then cut to
// the part of that box its filter can reach at the coarsest mipmap level it
// may sample: a level's texel is made from the 2 x 2 texels under it, so a
// coarser box is the finer one scaled down, widened by one texel for filters
// that reach further; bilinear filtering reaches half a texel beyond a box.
// Portable and GL-free.
#pragma once

#include <cstdint>

#include "render/geometry.h"

constexpr uint32_t kTextureExtentCapacity = 4096;  // texture names 1..4095 can be recorded
// The alpha test's reference and the largest texel alpha it always drops.
constexpr float kAlphaTestReference = 0.01f;
constexpr int kInvisibleAlpha = static_cast<int>(kAlphaTestReference * 255.0f);  // 2

enum TextureFilterKind : uint8_t {
    kFilterOneLevel = 0,    // no mipmaps sampled (nearest or linear minification)
    kFilterNearestMip = 1,  // the nearest level
    kFilterLinearMip = 2,   // two levels blended
};

// What the set-up knows of one texture. Sides are powers of two; the box is in
// texels of the full-size level, inclusive; an empty box (right < left) means
// nothing of the texture ever shows.
struct TextureExtent {
    uint16_t generation;  // changes with every record of the name
    uint8_t known;
    uint8_t filter;  // TextureFilterKind
    uint8_t levels;  // mipmap levels: 1 + log2 of the larger side
    uint16_t width;
    uint16_t height;
    int16_t left, top, right, bottom;
    // Where the texture also sits in an atlas page (texture_atlas.h): the
    // page's name (0: in none) and side, the texture's first texel in it, and
    // the transparent gutter around it.
    uint32_t page;
    uint16_t pageSide;
    uint16_t pageX, pageY;
    uint16_t gutter;
};

// A quad relative to its cell: corners (left, top) to (right, bottom) in
// pixels and the texture coordinates at those corners.
struct LayerQuad {
    float left, top, right, bottom;
    float s0, t0, s1, t1;
};

// The quad of `set` for display slot `display` as the arrays hold it.
LayerQuad QuadOf(const QuadArrays& quads, int set, int display);

// The box of texels whose alpha (every 4th byte of the RGBA picture) is above
// kInvisibleAlpha. Pictures whose sides are not powers of two up to 32768, or
// that are missing, are not recorded (their quads stay whole); nor is a
// repeating texture whose box touches an edge, where filtering wraps around.
void RecordTextureExtent(uint32_t name, const uint8_t* rgba, int32_t width, int32_t height, TextureFilterKind filter,
                         bool repeats);
// Records that the texture `name` also sits in the atlas page `page`.
void RecordTextureAtlasPlace(uint32_t name, uint32_t page, int32_t pageSide, int32_t x, int32_t y, int32_t gutter);
// Records `copy`: level `level` of the atlas page `page` as a texture of its
// own, without mipmaps, filtered as the page filters that level. A quad whose
// filter reads one level, known for certain, is drawn from the copy: the same
// texels, without a level chosen for every fragment.
void RecordAtlasLevelCopy(uint32_t page, int32_t level, uint32_t copy);
// Forgets every texture (a new set-up).
void ClearTextureExtents();
// Changes whenever any record changes: cuts remembered under an older value
// may be stale.
uint32_t TextureExtentsVersion();
// The record of a texture name; null for names never recorded (0, untextured,
// among them): such quads are drawn whole.
const TextureExtent* FindTextureExtent(uint32_t name);

// Cuts `quad` to the part that can show when it is drawn at `scaleX` x `scaleY`
// window pixels per unit (1 for the full window). False when nothing of it can
// show; `out` is then unset. Edges that are not cut keep their exact values.
bool TrimLayerQuad(const TextureExtent& extent, const LayerQuad& quad, float scaleX, float scaleY, LayerQuad* out);

// TrimLayerQuad for the texture `name` through a cache of recent cuts (a frame
// cuts the same few quads of each texture again and again). Quads of names
// never recorded are drawn whole: true with `out` = `quad`. `drawName` gets the
// texture to draw with: the atlas page (or a copy of the one level of it the
// quad reads) when the texture sits in one and every level the quad's filter
// may read there holds exactly what the texture's own level holds around the
// texels it reads (`out` then has page coordinates), else the texture itself.
bool CutLayerQuad(uint32_t name, const LayerQuad& quad, float scaleX, float scaleY, LayerQuad* out,
                  uint32_t* drawName);
