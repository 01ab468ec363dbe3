// The atlas pages on GL (texture_atlas.h places the pictures): each page is
// uploaded and its mipmap levels made by GL, as a glyph texture's are; the
// levels read back give every texture of the page its own levels (the same
// 2 x 2 averages, aligned), so that GL makes levels for three pages instead
// of for hundreds of textures, and single-level copies of the page for the
// quads that read one certain level.
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

int32_t Log2(int32_t side) {
    int32_t log = 0;
    while ((1 << (log + 1)) <= side) ++log;
    return log;
}

// Levels of a side x side page read back, level after level, and where each starts.
struct PageLevels {
    uint8_t* texels;
    size_t start[16];
    int32_t count;
};

bool ReadPageLevels(GLuint page, int32_t side, PageLevels& levels) {
    size_t bytes = 0;
    levels.count = 0;
    for (int32_t s = side; s > 0 && levels.count < 16; s /= 2) {
        levels.start[levels.count++] = bytes;
        bytes += static_cast<size_t>(s) * s;
    }
    levels.texels = static_cast<uint8_t*>(AllocZeroed(bytes));
    if (!levels.texels) return false;
    glBindTexture(GL_TEXTURE_2D, page);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int32_t level = 0; level < levels.count; ++level)
        glGetTexImage(GL_TEXTURE_2D, level, GL_ALPHA, GL_UNSIGNED_BYTE, levels.texels + levels.start[level]);
    return true;
}

// A level of its own for every level of the page a nearest-level filter may read.
void CopyPageLevels(GLuint page, int32_t side, const PageLevels& levels) {
    const int32_t filter = localOptions.textureFilter;
    if (TextureFilterKindOf(filter) != kFilterNearestMip) return;
    for (int32_t level = 0; level < kCopiedPageLevels && level < levels.count; ++level) {
        GLuint copy = 0;
        glGenTextures(1, &copy);
        glBindTexture(GL_TEXTURE_2D, copy);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        const GLint magnification = TextureMagnificationOf(filter);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magnification);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, magnification);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, side >> level, side >> level, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                     levels.texels + levels.start[level]);
        RecordAtlasLevelCopy(page, level, copy);
    }
}

// Level `level` of the texture of entry `e` as its page holds it.
void UploadLevelFromPage(const AtlasEntry& e, int32_t side, const PageLevels& levels, int32_t level,
                         uint8_t* scratch) {
    const int32_t n = e.side >> level;
    const uint8_t* page = levels.texels + levels.start[level];
    const int32_t pageSide = side >> level;
    for (int32_t y = 0; y < n; ++y)
        std::memcpy(scratch + static_cast<size_t>(y) * n,
                    page + static_cast<size_t>((e.y >> level) + y) * pageSide + (e.x >> level), static_cast<size_t>(n));
    glTexImage2D(GL_TEXTURE_2D, level, GL_ALPHA8, n, n, 0, GL_ALPHA, GL_UNSIGNED_BYTE, scratch);
}

// Every level of every texture of `page`. A texture in a gutter sits at
// multiples of half its side, so its page holds all its levels but the last
// (1 x 1); GL makes those from the 2 x 2 before them, all at once, in a small
// texture of 2 x 2 blocks.
void UploadTextureLevels(int32_t page, int32_t side, const PageLevels& levels) {
    uint8_t* scratch = static_cast<uint8_t*>(AllocZeroed(static_cast<size_t>(kAtlasLargestPicture) * kAtlasLargestPicture));
    if (!scratch) return;
    int32_t tails = 0;
    for (int32_t i = 0; i < g_atlas.count; ++i) {
        const AtlasEntry& e = g_atlas.entries[i];
        if (e.page != page) continue;
        glBindTexture(GL_TEXTURE_2D, e.name);
        const int32_t last = Log2(e.side);
        const int32_t aligned = e.gutter > 0 ? Log2(e.gutter) : last;
        for (int32_t level = 0; level <= aligned; ++level) UploadLevelFromPage(e, side, levels, level, scratch);
        if (aligned < last) ++tails;
    }
    FreeMemory(scratch);
    if (tails == 0) return;
    int32_t blocks = 1;
    while (blocks * blocks < tails) blocks *= 2;
    uint8_t* tail = static_cast<uint8_t*>(AllocZeroed(static_cast<size_t>(blocks) * blocks * 5));
    if (!tail) return;
    uint8_t* averages = tail + static_cast<size_t>(blocks) * blocks * 4;
    int32_t k = 0;
    for (int32_t i = 0; i < g_atlas.count; ++i) {
        const AtlasEntry& e = g_atlas.entries[i];
        if (e.page != page || e.gutter == 0) continue;
        const int32_t level = Log2(e.side) - 1;  // its 2 x 2 level
        const uint8_t* from = levels.texels + levels.start[level];
        const int32_t pageSide = side >> level;
        const int32_t bx = (k % blocks) * 2, by = (k / blocks) * 2;
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 2; ++x)
                tail[(by + y) * blocks * 2 + bx + x] = from[((e.y >> level) + y) * pageSide + (e.x >> level) + x];
        ++k;
    }
    const GLuint made = UploadAlphaTexture(blocks * 2, blocks * 2, GL_ALPHA, tail);
    glBindTexture(GL_TEXTURE_2D, made);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 1, GL_ALPHA, GL_UNSIGNED_BYTE, averages);
    glDeleteTextures(1, &made);
    k = 0;
    for (int32_t i = 0; i < g_atlas.count; ++i) {
        const AtlasEntry& e = g_atlas.entries[i];
        if (e.page != page || e.gutter == 0) continue;
        glBindTexture(GL_TEXTURE_2D, e.name);
        glTexImage2D(GL_TEXTURE_2D, Log2(e.side), GL_ALPHA8, 1, 1, 0, GL_ALPHA, GL_UNSIGNED_BYTE, &averages[k]);
        ++k;
    }
    FreeMemory(tail);
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
    uint8_t* alpha = static_cast<uint8_t*>(AllocZeroed(static_cast<size_t>(g_atlas.pageSide) * g_atlas.pageSide));
    for (int32_t page = 0; page < g_atlas.pages; ++page) {
        const int32_t side = g_atlas.sides[page];
        PageLevels levels{};
        GLuint name = 0;
        if (alpha) {
            std::memset(alpha, 0, static_cast<size_t>(side) * side);
            FillAtlasPage(g_atlas, page, alpha);
            name = UploadAlphaTexture(side, side, GL_ALPHA, alpha);
        }
        if (!name || !ReadPageLevels(name, side, levels)) {
            for (int32_t i = 0; i < g_atlas.count; ++i)
                if (g_atlas.entries[i].page == page) g_atlas.entries[i].page = -1;
            continue;
        }
        UploadTextureLevels(page, side, levels);
        if (g_atlas.drawn[page]) {
            for (int32_t i = 0; i < g_atlas.count; ++i) {
                const AtlasEntry& e = g_atlas.entries[i];
                if (e.page == page) RecordTextureAtlasPlace(e.name, name, side, e.x, e.y, e.gutter);
            }
            CopyPageLevels(name, side, levels);
        } else {
            glDeleteTextures(1, &name);  // it only made its pictures' levels
        }
        FreeMemory(levels.texels);
    }
    FreeMemory(alpha);
    // Pictures without a page (or without memory for one) get their levels
    // from GL on their own, as any glyph texture.
    for (int32_t i = 0; i < g_atlas.count; ++i) {
        const AtlasEntry& e = g_atlas.entries[i];
        if (e.page >= 0) continue;
        glBindTexture(GL_TEXTURE_2D, e.name);
        FillTextureLevels(e.side, e.side, GL_ALPHA, e.alpha);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    FreeAtlas(g_atlas);
}
