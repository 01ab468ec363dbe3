// The texture tables of the renderer: the glyph families with the character
// blur and englow baked in, the halo, spot, blank and letter textures, the
// uploads with the user's texture filter, and the atlas pages the grid passes
// draw most quads from.
#include <cstring>

#include "render/gl_api.h"
#include "render/render.h"
#include "render/renderer_parts.h"
#include "render/texture_atlas.h"
#include "render/textures.h"
#include "render/visible_extent.h"
#include "settings/memory.h"
#include "settings/settings.h"

namespace {

RendererBitmapLoader g_loader = nullptr;
// Pictures of the tables kept for the atlas pages while the tables are built.
AtlasBuilder g_atlas;
bool g_atlasOpen = false;
constexpr int32_t kAtlasPageSide = 1024;  // the largest page
constexpr int32_t kCopiedPageLevels = 6;  // the levels of quads down to 1/32 of their texture

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

}  // namespace

void SetRendererBitmapLoader(RendererBitmapLoader loader) { g_loader = loader; }

namespace {

// Nearest, nearest mipmap, bilinear, trilinear: magnification, minification,
// and how many mipmap levels the minification reads.
struct FilterChoice {
    GLint magnification, minification;
    TextureFilterKind kind;
};
const FilterChoice kFilters[4] = {
    {GL_NEAREST, GL_NEAREST, kFilterOneLevel},
    {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST, kFilterNearestMip},
    {GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST, kFilterNearestMip},
    {GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR, kFilterLinearMip},
};

bool Anisotropic() {
    return localOptions.anisotropic && HasExtension(renderer.extensions, kExtTextureFilterAnisotropic);
}

}  // namespace

void ApplyTextureFilter() {
    const int32_t filter = localOptions.textureFilter;
    if (filter >= 0 && filter < 4) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, kFilters[filter].magnification);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, kFilters[filter].minification);
    }
    if (Anisotropic()) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, renderer.maxAnisotropy);
}

namespace {

// A mipmapped GL_ALPHA8 texture, clamped, with the user's filter, from pixels
// of `format` (the atlas pages are made exactly like the glyph textures).
GLuint UploadAlphaTexture(GLsizei w, GLsizei h, GLenum format, const void* pixels) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    ApplyTextureFilter();
    if (HasExtension(renderer.extensions, kExtGenerateMipmap)) {
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, w, h, 0, format, GL_UNSIGNED_BYTE, pixels);
    } else {
        gluBuild2DMipmaps(GL_TEXTURE_2D, GL_ALPHA8, w, h, format, GL_UNSIGNED_BYTE, pixels);
    }
    return name;
}

// With a filter that reads the nearest level, each level of the (bound) page
// that quads may read on their own as a texture without mipmaps: its texels
// as GL made them, filtered as the level is filtered. `buffer` holds side x
// side bytes.
void CopyPageLevels(GLuint page, int32_t side, uint8_t* buffer) {
    const int32_t filter = localOptions.textureFilter;
    if (filter < 0 || filter >= 4 || kFilters[filter].kind != kFilterNearestMip) return;
    for (int32_t level = 0; level < kCopiedPageLevels && (side >> level) > 0; ++level) {
        const GLsizei levelSide = side >> level;
        glBindTexture(GL_TEXTURE_2D, page);
        glGetTexImage(GL_TEXTURE_2D, level, GL_ALPHA, GL_UNSIGNED_BYTE, buffer);
        GLuint copy = 0;
        glGenTextures(1, &copy);
        glBindTexture(GL_TEXTURE_2D, copy);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, kFilters[filter].magnification);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, kFilters[filter].magnification);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, levelSide, levelSide, 0, GL_ALPHA, GL_UNSIGNED_BYTE, buffer);
        RecordAtlasLevelCopy(page, level, copy);
    }
}

// Packs the kept pictures into pages, uploads them and records where each
// texture sits; textures that found no room are drawn from their own.
void BuildAtlasPages() {
    g_atlasOpen = false;
    if (PlaceAtlasPictures(g_atlas) > 0) {
        uint8_t* alpha = static_cast<uint8_t*>(AllocZeroed(static_cast<size_t>(g_atlas.pageSide) * g_atlas.pageSide));
        for (int32_t page = 0; alpha && page < g_atlas.pages; ++page) {
            const int32_t side = g_atlas.sides[page];
            std::memset(alpha, 0, static_cast<size_t>(side) * side);
            FillAtlasPage(g_atlas, page, alpha);
            const GLuint name = UploadAlphaTexture(side, side, GL_ALPHA, alpha);
            for (int32_t i = 0; i < g_atlas.count; ++i) {
                const AtlasEntry& e = g_atlas.entries[i];
                if (e.page == page) RecordTextureAtlasPlace(e.name, name, side, e.x, e.y, e.gutter);
            }
            CopyPageLevels(name, side, alpha);
        }
        FreeMemory(alpha);
    }
    FreeAtlas(g_atlas);
}

}  // namespace

uint32_t CreateGlyphTexture(const aBitmap& bitmap) {
    // An empty picture (a load that failed before allocating) gives an empty level.
    static const uint8_t kTransparent[4] = {0, 0, 0, 0};
    const bool empty = !bitmap.pixels || bitmap.width <= 0 || bitmap.height <= 0;
    const GLsizei w = empty ? 1 : bitmap.width;
    const GLsizei h = empty ? 1 : bitmap.height;
    const void* pixels = empty ? kTransparent : bitmap.pixels;
    const GLuint name = UploadAlphaTexture(w, h, GL_RGBA, pixels);
    // GL's own minification (other filter values) blends two levels.
    // Anisotropic filtering reaches along the quad: its quads stay whole.
    const int32_t filter = localOptions.textureFilter;
    if (!Anisotropic()) {
        RecordTextureExtent(name, static_cast<const uint8_t*>(pixels), w, h,
                            filter >= 0 && filter < 4 ? kFilters[filter].kind : kFilterLinearMip, false);
        if (g_atlasOpen) AddAtlasPicture(g_atlas, name, static_cast<const uint8_t*>(pixels), w, h);
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
    if (border == 0) RecordTextureExtent(name, canvas, cw, ch, kFilterOneLevel, true);
    FreeMemory(canvas);
    return name;
}

void BuildTextureTables(bool lowTextures) {
    ClearTextureExtents();
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    ResetAtlas(g_atlas, maxTexture > 0 && maxTexture < kAtlasPageSide ? 0 : kAtlasPageSide);
    g_atlasOpen = true;
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
    // Letters show only now and then (the incoming text, effects): they keep
    // their own textures, and the pages stay small.
    BuildAtlasPages();
    aBitmap blank(16, 16);
    t.blank = CreatePaddedTexture(blank, 0);
    t.letter[0] = t.blank;
    for (int c = 1; c < kLetterCodes; ++c)
        t.letter[c] = LoadPicture(work, kLetterBase + c) == kBitmapOk ? CreateGlyphTexture(work) : t.blank;
    for (int c = 0; c < kLetterCodes; ++c)
        t.letterGlow[c] = LoadPicture(work, kLetterGlowBase + c) == kBitmapOk ? CreateGlyphTexture(work) : t.blank;
}
