#include "effects/effect_cells.h"

#include <cstring>
#include <limits>

#include "host/display_table.h"
#include "settings/settings.h"
#include "sim/random.h"

namespace {

// A colour channel within 0..1, as the settings window sets it; not a number is 0.
float Channel(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }

int64_t Max64(int64_t a, int64_t b) { return a > b ? a : b; }
int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }

void MarkSpan(AgeMap& map, float* row, int32_t y, int64_t from, int64_t to, float age) {
    from = Max64(from, 0);
    to = Min64(to, map.columns);
    for (int64_t x = from; x < to; ++x) {
        if (row[x] != 0.0f) continue;
        row[x] = age;
        if (x < map.left) map.left = static_cast<int32_t>(x);
        if (x > map.right) map.right = static_cast<int32_t>(x);
        if (y < map.top) map.top = y;
        if (y > map.bottom) map.bottom = y;
    }
}

}  // namespace

Rgb AccentColour() {
    return Rgb{Channel(settings.accentColor[0]), Channel(settings.accentColor[1]), Channel(settings.accentColor[2])};
}

Rgb BaseColour() {
    return Rgb{Channel(settings.baseColor[0]), Channel(settings.baseColor[1]), Channel(settings.baseColor[2])};
}

aPathKey EnvelopeKey(double time, Rgb c, double factor) {
    return aPathKey{time, c.r * factor, c.g * factor, c.b * factor};
}

int BuildEnvelope(aPath& curve, std::initializer_list<aPathKey> keys) {
    FreePath(curve);
    InitPath(curve);
    for (const aPathKey& k : keys)
        if (AddPathKey(curve, k.time, k.red, k.green, k.blue) != 0) return -2;
    return 0;
}

Rgb EvalEnvelope(const aPath& curve, double time) {
    double r = 0, g = 0, b = 0;
    EvalPath(curve, time, &r, &g, &b);
    return Rgb{static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)};
}

int32_t BoundSetting(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

float BoundSetting(float value, float low, float high, float fallback) {
    if (value != value) return fallback;
    return value < low ? low : (value > high ? high : value);
}

uint32_t EffectGlyphQuad() { return settings.charBlurLevel != 0 ? 1 : 0; }

int EffectDisplays() { return displayCount < 1 ? 1 : (displayCount > kMaxDisplays ? kMaxDisplays : displayCount); }

GridSize EffectGridSize() {
    const int32_t columns = settings.columns > 0 ? settings.columns : 0;
    const int32_t rows = settings.rows > 0 ? settings.rows : 0;
    return GridSize{columns, rows, static_cast<size_t>(columns) * static_cast<size_t>(rows)};
}

float CellBrightness(const __buffer& grid, uint32_t column, uint32_t row, uint32_t count, CellLayer* first) {
    float sum = 0.0f;
    for (uint32_t k = 0; k < count; ++k) {
        CellLayer l{};
        GetCellLayer(grid, column, row, k, &l.texture, &l.red, &l.green, &l.blue, &l.quad);
        if (k == 0 && first) *first = l;
        sum += l.red + l.green + l.blue;
    }
    return sum / (3.0f * static_cast<float>(count > 0 ? count : 1));
}

int32_t GlyphOfTexture(const uint32_t (&table)[kGlyphCount], uint32_t texture) {
    // The renderer creates each family in one run of names, so the offset from
    // the first name usually finds the glyph at once.
    const uint32_t offset = texture - table[0];
    if (offset < static_cast<uint32_t>(kGlyphCount) && table[offset] == texture) return static_cast<int32_t>(offset);
    for (int32_t g = 0; g < kGlyphCount; ++g)
        if (table[g] == texture) return g;
    return -1;
}

void FillRandomCharacters(int8_t* map, int32_t columns, int32_t rows, CellArea a, CellArea b) {
    const auto inside = [](const CellArea& c, int32_t x, int32_t y) {
        return x >= c.left && x < c.right && y >= c.top && y < c.bottom;
    };
    // The bounds of both areas; an empty one takes no part.
    if (b.left >= b.right || b.top >= b.bottom) b = a;
    if (a.left >= a.right || a.top >= a.bottom) a = b;
    const int32_t left = static_cast<int32_t>(Max64(Min64(a.left, b.left), 0));
    const int32_t right = static_cast<int32_t>(Min64(Max64(a.right, b.right), columns));
    const int32_t top = static_cast<int32_t>(Max64(Min64(a.top, b.top), 0));
    const int32_t bottom = static_cast<int32_t>(Min64(Max64(a.bottom, b.bottom), rows));
    for (int32_t x = left; x < right; ++x) {
        const bool empty = Random(6) == 0;
        const int32_t density = empty ? 0 : (Random(8) != 0 ? settings.positiveDensity : settings.negativeDensity);
        for (int32_t y = top; y < bottom; ++y) {
            if (!inside(a, x, y) && !inside(b, x, y)) continue;
            int8_t v = -1;
            if (!empty && Random(100) < density) v = static_cast<int8_t>(Random(kGlyphCount));
            map[static_cast<int64_t>(y) * columns + x] = v;
        }
    }
}

void ResetAgeMap(AgeMap& map) {
    if (map.ages && map.left <= map.right) {
        const size_t span = static_cast<size_t>(map.right - map.left + 1) * sizeof(float);
        for (int32_t y = map.top; y <= map.bottom; ++y)
            std::memset(map.ages + static_cast<int64_t>(y) * map.columns + map.left, 0, span);
    }
    map.left = map.top = 0x7fffffff;
    map.right = map.bottom = -1;
}

void MarkRing(AgeMap& map, const Ring& ring, int32_t units) {
    const float age = static_cast<float>(0.001 * units);
    if (!map.ages || !(age > 0.0f) || ring.rx <= 0 || ring.ry <= 0) return;
    const int64_t left = ring.centreColumn - ring.rx, right = ring.centreColumn + ring.rx;
    const int64_t top = ring.centreRow - ring.ry, bottom = ring.centreRow + ring.ry;
    const int64_t fromX = Max64(left, ring.clipLeft), toX = Min64(right, ring.clipRight);
    const int64_t fromY = Max64(Max64(top, ring.clipTop), 0);
    const int64_t toY = Min64(Min64(bottom, ring.clipBottom), map.rows);
    for (int64_t y = fromY; y < toY; ++y) {
        float* row = map.ages + y * map.columns;
        const int64_t j = y - top;
        const int32_t y32 = static_cast<int32_t>(y);
        if (j <= ring.borderY || 2 * ring.ry - j <= ring.borderY) {
            MarkSpan(map, row, y32, fromX, toX, age);
        } else {
            // Only the left and right bands: i < border, or 2 rx - i <= border.
            MarkSpan(map, row, y32, fromX, Min64(toX, left + ring.border), age);
            MarkSpan(map, row, y32, Max64(fromX, right - ring.border), toX, age);
        }
    }
}

void BuildBurstEnvelopes(aPath& rise, aPath& fade) {
    const Rgb a = AccentColour(), black{0, 0, 0};
    BuildEnvelope(rise, {EnvelopeKey(0.0, black), EnvelopeKey(0.9, a, 0.5), EnvelopeKey(1.0, a)});
    BuildEnvelope(fade, {EnvelopeKey(0.0, a), EnvelopeKey(1.0, black)});
}

RingColours MakeRingColours(const aPath& rise, const aPath& fade, double life) {
    return RingColours{&rise, &fade, life, std::numeric_limits<float>::quiet_NaN(), Rgb{0, 0, 0}};
}

Rgb RingColours::At(float age) {
    if (age != lastAge) {
        lastAge = age;
        last = age >= 1.0 + life ? EvalEnvelope(*fade, age - 1.0 - life) : EvalEnvelope(*rise, age);
    }
    return last;
}
