// Packs the glyph textures into a few large textures ("pages"), so that a grid
// pass binds one texture instead of hundreds: on a software rasteriser every
// change of texture costs about as much as thousands of fragments.
//
// A texture keeps its own texels and its own mipmap levels inside its page.
// Slots are squares with power-of-two sides, those of one side on pages of
// their own, so each sits at a multiple of its side and every level of the
// page holds the same 2 x 2 averages as the texture's own level. A texture
// whose transparent margin is narrower than an eighth of its side sits in the
// middle of a slot of twice its side, with a transparent gutter of half its
// side around it: filtering across its edge then reads transparent texels, as
// the texture alone reads its transparent border. Which quads may be drawn
// from a page is decided per quad (CutLayerQuad). Portable: the renderer
// uploads the pages.
#pragma once

#include <cstdint>

constexpr int32_t kAtlasCapacity = 1024;  // pictures kept for packing
constexpr int32_t kAtlasMaxPages = 8;
constexpr int32_t kAtlasLargestPicture = 256;

struct AtlasEntry {
    uint32_t name;   // the texture's own name
    int32_t side;    // the picture's side
    int32_t gutter;  // transparent texels around it in its slot (0 or side / 2)
    uint8_t* alpha;  // side x side, kept until the pages are filled
    int32_t page;    // -1 until placed (or when no page had room)
    int32_t x, y;    // the picture's first texel in its page
    bool drawn;      // quads may be drawn from the page (else it only makes levels)
};

struct AtlasBuilder {
    int32_t pageSide;  // the largest page
    int32_t count;
    int32_t pages;
    int32_t sides[kAtlasMaxPages];  // side of each page
    bool drawn[kAtlasMaxPages];     // whether its pictures are drawn from it
    AtlasEntry entries[kAtlasCapacity];
};

// Empties the builder for pages of up to pageSide x pageSide texels (a power
// of two).
void ResetAtlas(AtlasBuilder& atlas, int32_t pageSide);
// Keeps a copy of the alpha of a square picture with a power-of-two side up to
// kAtlasLargestPicture (every 4th byte of `rgba`); `drawn` tells whether quads
// may be drawn from its page or the page only makes its levels. False when the
// picture is not kept.
bool AddAtlasPicture(AtlasBuilder& atlas, uint32_t name, const uint8_t* rgba, int32_t width, int32_t height,
                     bool drawn);
// Places every kept picture, slots of one size (drawn or not) on pages of their own, each page
// no larger than its slots need (so that page coordinates keep as much
// precision as they can); returns the number of pages used. Pictures that do
// not fit into kAtlasMaxPages pages keep page -1.
int32_t PlaceAtlasPictures(AtlasBuilder& atlas);
// Writes the pictures of `page` into its alpha plane (sides[page] squared
// bytes, transparent beforehand).
void FillAtlasPage(const AtlasBuilder& atlas, int32_t page, uint8_t* alpha);
// Releases the kept pictures.
void FreeAtlas(AtlasBuilder& atlas);
