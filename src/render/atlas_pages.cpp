// The atlas pages on GL (texture_atlas.h places the pictures): each page and
// each texture kept for it gets every mipmap level from the program
// (MakeAlphaLevels), uploaded level by level, instead of GL making them; a
// page's levels then hold, at each texture's place, the same texels as that
// texture's own. Single-level copies of the pages serve quads that read one
// certain level.
#include <cstring>

#include "render/gl_api.h"
#include "render/render.h"
#include "render/renderer_parts.h"
#include "render/texture_atlas.h"
#include "render/visible_extent.h"
#include "settings/memory.h"
#include "settings/settings.h"

namespace {

AtlasBuilder g_atlas;
bool g_open = false;
bool g_drawn = true;
constexpr int32_t kPageSide = 1024;       // the largest page
constexpr int32_t kCopiedPageLevels = 6;  // levels of quads down to 1/32 of their texture

// Every level of the bound texture from `levels` (MakeAlphaLevels).
void UploadAlphaLevels(const uint8_t* levels, int32_t side, int32_t count) {
    for (int32_t level = 0; level < count; ++level)
        glTexImage2D(GL_TEXTURE_2D, level, GL_ALPHA8, side >> level, side >> level, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                     levels + AlphaLevelOffset(side, level));
}

// A level of its own for every level of the page a nearest-level filter may read.
void CopyPageLevels(GLuint page, int32_t side, int32_t count, const uint8_t* levels) {
    const int32_t filter = localOptions.textureFilter;
    if (TextureFilterKindOf(filter) != kFilterNearestMip) return;
    for (int32_t level = 0; level < kCopiedPageLevels && level < count; ++level) {
        GLuint copy = 0;
        glGenTextures(1, &copy);
        glBindTexture(GL_TEXTURE_2D, copy);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        const GLint magnification = TextureMagnificationOf(filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnification);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magnification);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, side >> level, side >> level, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                     levels + AlphaLevelOffset(side, level));
        RecordAtlasLevelCopy(page, level, copy);
    }
}

// The pages quads are drawn from, each with its levels and copies.
void BuildDrawnPages(uint8_t* levels) {
    for (int32_t page = 0; page < g_atlas.pages; ++page) {
        if (!g_atlas.drawn[page]) continue;  // pictures that only needed levels
        const int32_t side = g_atlas.sides[page];
        std::memset(levels, 0, static_cast<size_t>(side) * side);
        FillAtlasPage(g_atlas, page, levels);
        const int32_t count = MakeAlphaLevels(levels, side);
        const GLuint name = NewGlyphTextureName();
        UploadAlphaLevels(levels, side, count);
        for (int32_t i = 0; i < g_atlas.count; ++i) {
            const AtlasEntry& e = g_atlas.entries[i];
            if (e.page == page) RecordTextureAtlasPlace(e.name, name, side, e.x, e.y, e.gutter);
        }
        CopyPageLevels(name, side, count, levels);
    }
}

}  // namespace

void OpenAtlas() {
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    ResetAtlas(g_atlas, maxTexture > 0 && maxTexture < kPageSide ? 0 : kPageSide);
    g_open = true;
    g_drawn = true;
}

void DrawFromAtlas(bool drawn) { g_drawn = drawn; }

bool KeepForAtlas(uint32_t name, const uint8_t* rgba, int32_t width, int32_t height) {
    return g_open && AddAtlasPicture(g_atlas, name, rgba, width, height, g_drawn);
}

void BuildAtlasPages() {
    g_open = false;
    PlaceAtlasPictures(g_atlas);
    // Levels of 1 and 2 texels come and go: rows without padding.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const int32_t largest = g_atlas.pageSide > kAtlasLargestPicture ? g_atlas.pageSide : kAtlasLargestPicture;
    uint8_t* levels = static_cast<uint8_t*>(AllocZeroed(AlphaLevelOffset(largest, 16)));
    if (levels) BuildDrawnPages(levels);
    // Every kept texture's own levels; without memory for them, GL makes
    // them, as for any glyph texture (and no quad is drawn from a page).
    for (int32_t i = 0; i < g_atlas.count; ++i) {
        const AtlasEntry& e = g_atlas.entries[i];
        glBindTexture(GL_TEXTURE_2D, e.name);
        if (!levels) {
            FillTextureLevels(e.side, e.side, GL_ALPHA, e.alpha);
            continue;
        }
        std::memcpy(levels, e.alpha, static_cast<size_t>(e.side) * e.side);
        UploadAlphaLevels(levels, e.side, MakeAlphaLevels(levels, e.side));
    }
    FreeMemory(levels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    FreeAtlas(g_atlas);
}
