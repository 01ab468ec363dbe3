// What the effect modules share: colours and their envelopes, reading the layers
// of a code grid cell, telling the texture families apart, bounding stored
// settings, and the age maps and rectangular rings of the code bursts and the
// small bursts. Portable; nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "render/textures.h"
#include "sim/buffer.h"
#include "sim/path.h"

struct Rgb {
    float r, g, b;
};
inline Rgb operator*(Rgb c, float k) { return Rgb{c.r * k, c.g * k, c.b * k}; }

// The colour settings, each channel bounded to 0..1 (not a number reads as 0).
Rgb AccentColour();
Rgb BaseColour();

// A key of an envelope: `time` in ticks (or as the module says) and a colour
// scaled by `factor`.
aPathKey EnvelopeKey(double time, Rgb colour, double factor = 1.0);
// Replaces the curve's keys. Returns 0, or -2 when a key could not be stored.
int BuildEnvelope(aPath& curve, std::initializer_list<aPathKey> keys);
Rgb EvalEnvelope(const aPath& curve, double time);

// Stored settings are used as stored within [low, high]; beyond it they take
// the nearer end. A float that is not a number takes `fallback`.
int32_t BoundSetting(int32_t value, int32_t low, int32_t high);
float BoundSetting(float value, float low, float high, float fallback);

// The displays the effects draw on: the display table's count within 1..16.
int EffectDisplays();

// The quad set of the glyph layers an effect pushes: the large glyph quad
// when characters are blurred (their textures carry the blur's margin).
uint32_t EffectGlyphQuad();

// The grid size the modules allocate their buffers for: the columns and rows
// settings (negative ones as 0) as they are at start-up.
struct GridSize {
    int32_t columns, rows;
    size_t cells;  // columns x rows
};
GridSize EffectGridSize();

// Sum of red + green + blue over the cell's `count` layers, divided by
// 3 x max(1, count): the mean brightness of what the cell shows. Layer 0 goes
// to `first` when given (a cell without layers leaves it alone).
float CellBrightness(const __buffer& grid, uint32_t column, uint32_t row, uint32_t count, CellLayer* first = nullptr);

// The glyph (0..54) whose texture in `table` is `texture`; -1 for none.
int32_t GlyphOfTexture(const uint32_t (&table)[kGlyphCount], uint32_t texture);

// A rectangle of cells: columns [left, right), rows [top, bottom).
struct CellArea {
    int32_t left, top, right, bottom;
};

// Random characters column by column, as streams hold them: a sixth of the
// columns empty, and of the others one in eight as sparse as a negative
// stream. The map is row-major, columns x rows, a glyph 0..54 or -1 for none;
// only the cells of the two areas (clipped to the map) are filled, the
// characters a caller will read.
void FillRandomCharacters(int8_t* map, int32_t columns, int32_t rows, CellArea area, CellArea also = CellArea{});

// Per-cell ages of a burst, row-major (columns x rows, owned by its module):
// 0 = not reached by the ring, else the cell's age in ticks. The box holds
// every cell with a non-zero age, so ageing and clearing visit only that.
struct AgeMap {
    float* ages;
    int32_t columns, rows;
    int32_t left, top, right, bottom;  // inclusive; empty when left > right
};
void ResetAgeMap(AgeMap& map);  // zeroes the ages inside the box, empties it

// A rectangular ring around (centreColumn, centreRow): the cells of the
// rectangle [centre - rx, centre + rx) x [centre - ry, centre + ry) within
// `border` columns of its left or right side or `borderY` rows of its top or
// bottom. Cells outside the clip rectangle (exclusive right and bottom) are
// left alone.
struct Ring {
    int64_t centreColumn, centreRow;
    int64_t rx, ry;
    int64_t border, borderY;
    int64_t clipLeft, clipTop, clipRight, clipBottom;
};
// Gives every ring cell inside the grid whose age is 0 the age 0.001 x units.
void MarkRing(AgeMap& map, const Ring& ring, int32_t units);

// Ages every reached cell by 0.001 x units, row by row, and calls
// draw(column, row, age) for each whose age is then at most `limit`. Returns
// the number of cells drawn.
template <typename Draw>
int AgeMapCells(AgeMap& map, int32_t units, double limit, const Draw& draw) {
    const float d = static_cast<float>(0.001 * units);
    int drawn = 0;
    for (int32_t y = map.top; y <= map.bottom; ++y) {
        float* row = map.ages + static_cast<int64_t>(y) * map.columns;
        for (int32_t x = map.left; x <= map.right; ++x) {
            if (!(row[x] > 0.0f)) continue;
            row[x] += d;
            if (row[x] <= limit) {
                draw(x, y, row[x]);
                ++drawn;
            }
        }
    }
    return drawn;
}

// The envelopes of a passed burst cell, from the accent colour A: rise (0,
// black), (0.9, A / 2), (1.0, A); fade (0, A), (1.0, black). Times in ticks.
void BuildBurstEnvelopes(aPath& rise, aPath& fade);
// The colour of a burst cell of age `age` ticks: the rise envelope during the
// first tick, held while it lasts, then the fade envelope after 1 + life ticks.
// Cells reached in the same step share their age, so the last colour is kept.
struct RingColours {
    const aPath* rise;
    const aPath* fade;
    double life;
    float lastAge;  // NaN: none yet
    Rgb last;
    Rgb At(float age);
};
RingColours MakeRingColours(const aPath& rise, const aPath& fade, double life);
