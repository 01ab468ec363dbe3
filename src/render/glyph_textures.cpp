// The texture tables of the renderer: the glyph families with the character
// blur and englow baked in, the halo, spot, blank and letter textures, the
// uploads with the user's texture filter, and the atlas pages the grid passes
// draw most quads from.
#include <cstring>

#include "render/gl_api.h"
#include "render/render.h"
#include "render/renderer_parts.h"
#include "render/textures.h"
#include "render/visible_extent.h"
#include "settings/memory.h"
#include "settings/settings.h"

namespace {

RendererBitmapLoader g_loader = nullptr;
#if defined(_WIN32)
RendererMipmapBuilder g_mipmapBuilder = nullptr;
#else
int LinkedGluMipmaps(unsigned target, int internalFormat, int width, int height, unsigned format, unsigned type,
                     const void* pixels) {
    return gluBuild2DMipmaps(target, internalFormat, width, height, format, type, pixels);
}
RendererMipmapBuilder g_mipmapBuilder = LinkedGluMipmaps;
#endif

int32_t LoadPicture(aBitmap& bitmap, int id) { return g_loader ? g_loader(bitmap, id) : kBitmapInvalid; }

// Resource ids of the glyph families in normal and low-texture mode.
enum GlyphFamily : int { kFamilyGlyph = 0, kFamilyBlurred = 100, kFamilyRotator = 200, kFamilyGlow = 300 };
constexpr int kLowTextureBase = 2000;
constexpr int kHaloBase = 2100;
constexpr int kLetterBase = 400;
constexpr int kLetterGlowBase = 700;
constexpr int kSpotId = 1003;
constexpr int kSquareSpotId = 1004;

// Glyph textures keep alpha only (CreateGlyphTexture), so only alpha is
// blurred; one working memory serves every blur of the set-up (a fresh one per
// picture cost more than the blurs under Wine).
BlurScratch g_blurScratch;

void PrepareBlurredAndEnglowed(aBitmap& work) {
    const int32_t blur = settings.charBlurLevel;
    const float englow = settings.charEnglow;
    if (blur != 0) BlurBitmapAlpha(work, blur, &g_blurScratch);
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
                BlurBitmapAlpha(work, blur, &g_blurScratch);
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
void SetRendererMipmapBuilder(RendererMipmapBuilder builder) { g_mipmapBuilder = builder; }

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

uint8_t TextureFilterKindOf(int32_t filter) {
    // GL's own minification (other filter values) blends two levels.
    return filter >= 0 && filter < 4 ? kFilters[filter].kind : kFilterLinearMip;
}

int32_t TextureMagnificationOf(int32_t filter) {
    return filter >= 0 && filter < 4 ? kFilters[filter].magnification : GL_LINEAR;
}

uint32_t NewGlyphTextureName() {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    ApplyTextureFilter();
    return name;
}

void FillTextureLevels(int32_t width, int32_t height, uint32_t format, const void* pixels) {
    if (HasExtension(renderer.extensions, kExtGenerateMipmap)) {
        glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    } else {
        if (!g_mipmapBuilder ||
            g_mipmapBuilder(GL_TEXTURE_2D, GL_ALPHA8, width, height, format, GL_UNSIGNED_BYTE, pixels) != 0) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
        }
    }
}

uint32_t UploadAlphaTexture(int32_t width, int32_t height, uint32_t format, const void* pixels) {
    const uint32_t name = NewGlyphTextureName();
    FillTextureLevels(width, height, format, pixels);
    return name;
}

uint32_t CreateGlyphTexture(const aBitmap& bitmap) {
    // An empty picture (a load that failed before allocating) gives an empty level.
    static const uint8_t kTransparent[4] = {0, 0, 0, 0};
    const bool empty = !bitmap.pixels || bitmap.width <= 0 || bitmap.height <= 0;
    const GLsizei w = empty ? 1 : bitmap.width;
    const GLsizei h = empty ? 1 : bitmap.height;
    const uint8_t* pixels = empty ? kTransparent : bitmap.pixels;
    const uint32_t name = NewGlyphTextureName();
    // Anisotropic filtering reaches along the quad: its quads stay whole, and
    // out of the atlas.
    const bool cut = !Anisotropic();
    if (cut)
        RecordTextureExtent(name, pixels, w, h, static_cast<TextureFilterKind>(TextureFilterKindOf(localOptions.textureFilter)),
                            false);
    if (!(cut && KeepForAtlas(name, pixels, w, h))) FillTextureLevels(w, h, GL_RGBA, pixels);
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
    OpenAtlas();
    aBitmap work;
    TextureTables& t = textureTables;
    BuildGlyphTable(work, t.glyph, kFamilyGlyph, lowTextures);
    BuildGlyphTable(work, t.blurredGlyph, kFamilyBlurred, lowTextures);
    BuildGlyphTable(work, t.rotatorBlur, kFamilyRotator, lowTextures);
    BuildGlyphTable(work, t.glow, kFamilyGlow, lowTextures);
    const int32_t haloBlur = settings.charBlurLevel / 8 + 1;
    for (int g = 0; g < kGlyphCount; ++g) {
        LoadPicture(work, kHaloBase + g);
        BlurBitmapAlpha(work, haloBlur, &g_blurScratch);
        t.halo[g] = CreateGlyphTexture(work);
    }
    FreeBlurScratch(g_blurScratch);
    LoadPicture(work, kSpotId);
    t.spot = CreateGlyphTexture(work);
    LoadPicture(work, kSquareSpotId);
    t.squareSpot = CreateGlyphTexture(work);
    // Letters show only now and then (the incoming text, effects): they are
    // drawn from their own textures, so that the pages stay small, and only
    // take their levels from pages.
    DrawFromAtlas(false);
    aBitmap blank(16, 16);
    t.blank = CreatePaddedTexture(blank, 0);
    t.letter[0] = t.blank;
    for (int c = 1; c < kLetterCodes; ++c)
        t.letter[c] = LoadPicture(work, kLetterBase + c) == kBitmapOk ? CreateGlyphTexture(work) : t.blank;
    for (int c = 0; c < kLetterCodes; ++c)
        t.letterGlow[c] = LoadPicture(work, kLetterGlowBase + c) == kBitmapOk ? CreateGlyphTexture(work) : t.blank;
    BuildAtlasPages();
}
