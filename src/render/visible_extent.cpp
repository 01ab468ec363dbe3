#include "render/visible_extent.h"

#include <cmath>
#include <cstring>

namespace {

TextureExtent g_extents[kTextureExtentCapacity];
// Grows with every change of any record.
uint32_t g_version = 0;

// Recent cuts, by texture name and quad; an entry holds its whole question.
struct CachedCut {
    uint32_t name;
    uint32_t drawName;
    uint16_t generation;
    uint16_t shows;
    float scaleX, scaleY;
    LayerQuad quad;
    LayerQuad cut;
};
constexpr uint32_t kCutCacheSize = 4096;
CachedCut g_cuts[kCutCacheSize];

// Single-level copies of the atlas pages.
constexpr int32_t kCopiedPages = 8;
constexpr int32_t kCopiedLevels = 16;
struct PageCopies {
    uint32_t page;
    uint32_t levels[kCopiedLevels];
};
PageCopies g_copies[kCopiedPages];

// How far a level choice may stray from the exact level of detail: drivers
// approximate the logarithm and round on their own.
constexpr double kLevelSlack = 0.15;

bool IsPowerOfTwo(int32_t side) { return side > 0 && side <= 32768 && (side & (side - 1)) == 0; }

int32_t FloorDiv2(int32_t v) { return v >= 0 ? v / 2 : -((1 - v) / 2); }

// The coarsest mipmap level the filter may sample at rho texels per pixel.
int32_t CoarsestLevel(const TextureExtent& e, double rho) {
    const int32_t last = e.levels > 0 ? e.levels - 1 : 0;
    if (e.filter == kFilterOneLevel) return 0;
    if (!(rho > 0.0) || !std::isfinite(rho)) return last;
    const double lod = std::log2(rho);
    const double level = e.filter == kFilterNearestMip ? std::floor(lod + 0.5 + kLevelSlack)
                                                       : std::floor(lod + kLevelSlack) + 1.0;
    if (level <= 0.0) return 0;
    return level >= last ? last : static_cast<int32_t>(level);
}

// One axis of the cut: texture coordinates c0..c1 run from position lo to hi;
// texels first..last of a side of `size` can show. False when none can.
bool CutAxis(int32_t size, int32_t first, int32_t last, int32_t level, float scale, float lo, float hi, float c0,
             float c1, float* outLo, float* outHi, float* outC0, float* outC1) {
    int32_t side = size;
    for (int32_t l = 0; l < level && side > 1; ++l) {
        side /= 2;
        // A driver's reduction may reach one texel beyond the 2 x 2 under it.
        first = FloorDiv2(first - 1);
        last = FloorDiv2(last + 1);
    }
    if (first < 0) first = 0;
    if (last > side - 1) last = side - 1;
    // Bilinear filtering reaches half a texel beyond the box; one window pixel
    // more covers the rasteriser's rounding of the cut edges.
    const double perPixel = std::fabs(static_cast<double>(c1) - c0) / (std::fabs(static_cast<double>(hi) - lo) * scale);
    const double from = (first - 0.5) / side - perPixel;
    const double to = (last + 1.5) / side + perPixel;
    const double newC0 = from > c0 ? from : c0;
    const double newC1 = to < c1 ? to : c1;
    if (!(newC0 < newC1)) return false;
    const double span = static_cast<double>(hi) - lo;
    const double range = static_cast<double>(c1) - c0;
    *outLo = newC0 == c0 ? lo : static_cast<float>(lo + (newC0 - c0) / range * span);
    *outHi = newC1 == c1 ? hi : static_cast<float>(lo + (newC1 - c0) / range * span);
    *outC0 = newC0 == c0 ? c0 : static_cast<float>(newC0);
    *outC1 = newC1 == c1 ? c1 : static_cast<float>(newC1);
    return true;
}

}  // namespace

LayerQuad QuadOf(const QuadArrays& quads, int set, int display) {
    const float* v = &quads.vertices[QuadFirstVertex(set, display) * 4];
    const float* t = &quads.texCoords[QuadFirstVertex(set, display) * 4];
    // Corners run top-left, top-right, bottom-right, bottom-left.
    return LayerQuad{v[0], v[1], v[8], v[9], t[0], t[1], t[8], t[9]};
}

void RecordTextureExtent(uint32_t name, const uint8_t* rgba, int32_t width, int32_t height, TextureFilterKind filter,
                         bool repeats) {
    if (name == 0 || name >= kTextureExtentCapacity) return;
    TextureExtent& e = g_extents[name];
    const uint16_t generation = static_cast<uint16_t>(e.generation + 1);
    e = TextureExtent{};
    e.generation = generation;
    ++g_version;
    if (!rgba || !IsPowerOfTwo(width) || !IsPowerOfTwo(height)) return;
    int32_t left = width, top = height, right = -1, bottom = -1;
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = rgba + static_cast<size_t>(y) * width * 4;
        for (int32_t x = 0; x < width; ++x) {
            if (row[x * 4 + 3] <= kInvisibleAlpha) continue;
            if (x < left) left = x;
            if (x > right) right = x;
            if (y < top) top = y;
            if (y > bottom) bottom = y;
        }
    }
    if (repeats && right >= 0 && (left == 0 || top == 0 || right == width - 1 || bottom == height - 1)) return;
    int32_t levels = 1;
    for (int32_t side = width > height ? width : height; side > 1; side /= 2) ++levels;
    e.known = 1;
    e.filter = filter;
    e.levels = static_cast<uint8_t>(levels);
    e.width = static_cast<uint16_t>(width);
    e.height = static_cast<uint16_t>(height);
    e.left = static_cast<int16_t>(right < 0 ? 0 : left);
    e.top = static_cast<int16_t>(right < 0 ? 0 : top);
    e.right = static_cast<int16_t>(right);
    e.bottom = static_cast<int16_t>(right < 0 ? -1 : bottom);
}

void ClearTextureExtents() {
    ++g_version;
    for (PageCopies& p : g_copies) p = PageCopies{};
    for (TextureExtent& e : g_extents) {
        const uint16_t generation = static_cast<uint16_t>(e.generation + 1);
        e = TextureExtent{};
        e.generation = generation;
    }
}

uint32_t TextureExtentsVersion() { return g_version; }

const TextureExtent* FindTextureExtent(uint32_t name) {
    if (name == 0 || name >= kTextureExtentCapacity || !g_extents[name].known) return nullptr;
    return &g_extents[name];
}

namespace {

// TrimLayerQuad, telling the coarsest level the filter may read (-1 for a quad
// drawn whole) and the level of detail (log2 of texels per pixel).
bool CutAtLevel(const TextureExtent& e, const LayerQuad& q, float scaleX, float scaleY, LayerQuad* out,
                int32_t* level, double* lod) {
    *level = -1;
    *lod = 0.0;
    if (e.right < e.left || e.bottom < e.top) return false;
    const double w = std::fabs(static_cast<double>(q.right) - q.left) * scaleX;
    const double h = std::fabs(static_cast<double>(q.bottom) - q.top) * scaleY;
    const double rhoX = e.width * std::fabs(static_cast<double>(q.s1) - q.s0) / w;
    const double rhoY = e.height * std::fabs(static_cast<double>(q.t1) - q.t0) / h;
    // Only upright quads with rising coordinates and a size are cut; anything
    // else is drawn whole.
    if (!(q.left < q.right && q.top < q.bottom && q.s0 < q.s1 && q.t0 < q.t1 && scaleX > 0.0f && scaleY > 0.0f) ||
        !std::isfinite(rhoX) || !std::isfinite(rhoY)) {
        *out = q;
        return true;
    }
    const double rho = rhoX > rhoY ? rhoX : rhoY;
    *level = CoarsestLevel(e, rho);
    *lod = rho > 0.0 ? std::log2(rho) : -1000.0;
    LayerQuad cut = q;
    if (!CutAxis(e.width, e.left, e.right, *level, scaleX, q.left, q.right, q.s0, q.s1, &cut.left, &cut.right,
                 &cut.s0, &cut.s1))
        return false;
    if (!CutAxis(e.height, e.top, e.bottom, *level, scaleY, q.top, q.bottom, q.t0, q.t1, &cut.top, &cut.bottom,
                 &cut.t0, &cut.t1))
        return false;
    *out = cut;
    return true;
}

// Whether the texels a filter reads at levels up to `level` for coordinates
// c0..c1 of a side of `side` texels stay inside the texture and its gutter,
// and the gutter keeps the page's levels aligned with the texture's.
bool FitsInPage(int32_t side, int32_t gutter, int32_t level, double c0, double c1) {
    if (level < 0) return false;
    if ((gutter > 0 ? gutter : side) >> level == 0) return false;
    const double texels = side >> level;
    const double outside = gutter >> level;
    // Bilinear filtering reads texels floor(c n - 0.5) and the one after.
    return c0 * texels - 0.5 >= -outside && c1 * texels - 0.5 < texels - 1.0 + outside;
}

// The one level a nearest-level filter reads at `lod`, or -1 when the level
// of detail lies too close to a change of level to know it for certain.
int32_t CertainLevel(const TextureExtent& e, double lod) {
    if (e.filter != kFilterNearestMip) return -1;
    const double level = std::floor(lod + 0.5);
    const double fraction = lod + 0.5 - level;
    if (level <= 0.0) return lod + 0.5 < 1.0 - kLevelSlack ? 0 : -1;
    if (fraction < kLevelSlack || fraction > 1.0 - kLevelSlack || level > e.levels - 1) return -1;
    return static_cast<int32_t>(level);
}

uint32_t LevelCopy(uint32_t page, int32_t level) {
    if (level < 0 || level >= kCopiedLevels) return 0;
    for (const PageCopies& p : g_copies)
        if (p.page == page) return p.levels[level];
    return 0;
}

}  // namespace

bool TrimLayerQuad(const TextureExtent& e, const LayerQuad& q, float scaleX, float scaleY, LayerQuad* out) {
    int32_t level = 0;
    double lod = 0.0;
    return CutAtLevel(e, q, scaleX, scaleY, out, &level, &lod);
}

void RecordAtlasLevelCopy(uint32_t page, int32_t level, uint32_t copy) {
    if (page == 0 || level < 0 || level >= kCopiedLevels) return;
    for (PageCopies& p : g_copies) {
        if (p.page != page && p.page != 0) continue;
        p.page = page;
        p.levels[level] = copy;
        ++g_version;
        // Cuts of the page's textures cached before the copy are stale.
        for (TextureExtent& e : g_extents)
            if (e.page == page) ++e.generation;
        return;
    }
}

void RecordTextureAtlasPlace(uint32_t name, uint32_t page, int32_t pageSide, int32_t x, int32_t y, int32_t gutter) {
    if (name == 0 || name >= kTextureExtentCapacity || !g_extents[name].known || pageSide <= 0 || pageSide > 32768)
        return;
    TextureExtent& e = g_extents[name];
    e.page = page;
    e.pageSide = static_cast<uint16_t>(pageSide);
    e.pageX = static_cast<uint16_t>(x);
    e.pageY = static_cast<uint16_t>(y);
    e.gutter = static_cast<uint16_t>(gutter);
    ++e.generation;
    ++g_version;
}

bool CutLayerQuad(uint32_t name, const LayerQuad& quad, float scaleX, float scaleY, LayerQuad* out,
                  uint32_t* drawName) {
    *drawName = name;
    const TextureExtent* e = FindTextureExtent(name);
    if (!e) {
        *out = quad;
        return true;
    }
    uint32_t bits = 0;
    std::memcpy(&bits, &quad.left, sizeof bits);
    CachedCut& c = g_cuts[(name * 2654435761u ^ bits * 40503u ^ (scaleX < 1.0f ? 1u : 0u)) % kCutCacheSize];
    if (c.name != name || c.generation != e->generation || c.scaleX != scaleX || c.scaleY != scaleY ||
        std::memcmp(&c.quad, &quad, sizeof quad) != 0) {
        c.name = name;
        c.generation = e->generation;
        c.scaleX = scaleX;
        c.scaleY = scaleY;
        c.quad = quad;
        c.drawName = name;
        int32_t level = -1;
        double lod = 0.0;
        c.shows = CutAtLevel(*e, quad, scaleX, scaleY, &c.cut, &level, &lod) ? 1 : 0;
        if (c.shows && e->page && FitsInPage(e->width, e->gutter, level, c.cut.s0, c.cut.s1) &&
            FitsInPage(e->height, e->gutter, level, c.cut.t0, c.cut.t1)) {
            const double page = e->pageSide;
            c.cut.s0 = static_cast<float>((e->pageX + static_cast<double>(c.cut.s0) * e->width) / page);
            c.cut.s1 = static_cast<float>((e->pageX + static_cast<double>(c.cut.s1) * e->width) / page);
            c.cut.t0 = static_cast<float>((e->pageY + static_cast<double>(c.cut.t0) * e->height) / page);
            c.cut.t1 = static_cast<float>((e->pageY + static_cast<double>(c.cut.t1) * e->height) / page);
            const uint32_t copy = LevelCopy(e->page, CertainLevel(*e, lod));
            c.drawName = copy ? copy : e->page;
        }
    }
    if (c.shows) {
        *out = c.cut;
        *drawName = c.drawName;
    }
    return c.shows != 0;
}
