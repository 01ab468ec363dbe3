#include "render/texture_atlas.h"

#include <cstring>

#include "settings/memory.h"

namespace {

bool IsPowerOfTwo(int32_t side) { return side > 0 && (side & (side - 1)) == 0; }

// The point at distance `index` along the Z-order curve (bits interleaved).
void ZOrderPoint(uint64_t index, int32_t* x, int32_t* y) {
    int32_t px = 0, py = 0;
    for (int bit = 0; bit < 31; ++bit) {
        px |= static_cast<int32_t>((index >> (2 * bit)) & 1u) << bit;
        py |= static_cast<int32_t>((index >> (2 * bit + 1)) & 1u) << bit;
    }
    *x = px;
    *y = py;
}

int32_t SlotSide(const AtlasEntry& e) { return e.side + 2 * e.gutter; }

}  // namespace

void ResetAtlas(AtlasBuilder& atlas, int32_t pageSide) {
    FreeAtlas(atlas);
    atlas.pageSide = IsPowerOfTwo(pageSide) ? pageSide : 0;
}

bool AddAtlasPicture(AtlasBuilder& atlas, uint32_t name, const uint8_t* rgba, int32_t width, int32_t height,
                     bool drawn) {
    if (!rgba || width != height || !IsPowerOfTwo(width) || width > kAtlasLargestPicture ||
        atlas.count >= kAtlasCapacity || atlas.pageSide <= 0)
        return false;
    const int32_t side = width;
    uint8_t* alpha = static_cast<uint8_t*>(AllocZeroed(static_cast<size_t>(side) * side));
    if (!alpha) return false;
    // The transparent margin: rows and columns of alpha 0 on every side.
    int32_t margin = side;
    for (int32_t y = 0; y < side; ++y)
        for (int32_t x = 0; x < side; ++x) {
            const uint8_t a = rgba[(static_cast<size_t>(y) * side + x) * 4 + 3];
            alpha[static_cast<size_t>(y) * side + x] = a;
            if (a == 0) continue;
            const int32_t edge = [&] {
                int32_t m = x < y ? x : y;
                if (side - 1 - x < m) m = side - 1 - x;
                if (side - 1 - y < m) m = side - 1 - y;
                return m;
            }();
            if (edge < margin) margin = edge;
        }
    AtlasEntry& e = atlas.entries[atlas.count++];
    e = AtlasEntry{name, side, margin * 8 >= side ? 0 : side / 2, alpha, -1, 0, 0, drawn};
    return true;
}

int32_t PlaceAtlasPictures(AtlasBuilder& atlas) {
    atlas.pages = 0;
    if (atlas.pageSide <= 0) return 0;
    for (int pass = 0; pass < 2; ++pass) {
        const bool drawn = pass == 0;
        for (int32_t slot = atlas.pageSide; slot >= 1; slot /= 2) {
            int32_t count = 0;
            for (int32_t i = 0; i < atlas.count; ++i)
                count += SlotSide(atlas.entries[i]) == slot && atlas.entries[i].drawn == drawn;
            if (count == 0) continue;
            // The smallest page that holds the class, or pages of the largest side.
            int32_t side = slot;
            while (side < atlas.pageSide &&
                   static_cast<int64_t>(side) * side < static_cast<int64_t>(count) * slot * slot)
                side *= 2;
            const uint64_t perPage = static_cast<uint64_t>(side / slot) * (side / slot);
            uint64_t placed = 0;
            for (int32_t i = 0; i < atlas.count; ++i) {
                AtlasEntry& e = atlas.entries[i];
                if (SlotSide(e) != slot || e.drawn != drawn) continue;
                if (placed % perPage == 0) {
                    if (atlas.pages >= kAtlasMaxPages) break;
                    atlas.drawn[atlas.pages] = drawn;
                    atlas.sides[atlas.pages++] = side;
                }
                // Slots of one side along the Z-order curve sit at multiples of it.
                e.page = atlas.pages - 1;
                ZOrderPoint(placed % perPage, &e.x, &e.y);
                e.x = e.x * slot + e.gutter;
                e.y = e.y * slot + e.gutter;
                ++placed;
            }
        }
    }
    return atlas.pages;
}

void FillAtlasPage(const AtlasBuilder& atlas, int32_t page, uint8_t* alpha) {
    for (int32_t i = 0; i < atlas.count; ++i) {
        const AtlasEntry& e = atlas.entries[i];
        if (e.page != page || !e.alpha) continue;
        for (int32_t y = 0; y < e.side; ++y)
            std::memcpy(alpha + static_cast<size_t>(e.y + y) * atlas.sides[page] + e.x,
                        e.alpha + static_cast<size_t>(y) * e.side, static_cast<size_t>(e.side));
    }
}

void FreeAtlas(AtlasBuilder& atlas) {
    for (int32_t i = 0; i < atlas.count; ++i) FreeMemory(atlas.entries[i].alpha);
    atlas.count = 0;
    atlas.pages = 0;
}
