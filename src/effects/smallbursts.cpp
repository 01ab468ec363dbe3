#include "effects/smallbursts.h"

#include "effects/effect_cells.h"
#include "effects/effects.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "sim/random.h"

namespace {

constexpr int kAgeMapFailureLine = 38;
constexpr int kCharacterFailureLine = 42;
constexpr int kMaxBursts = 130;
// Stored values beyond the settings window's range are bounded: a speed of 0
// would divide by zero, a size of 0 or NaN gives no integer box, and the upper
// ends keep a series within minutes.
constexpr int32_t kMaxSpeed = 27500;
constexpr int32_t kMaxBorder = 32;
constexpr int32_t kMaxNumber = 65;
constexpr float kMinSize = 1.0f, kMaxSize = 4.984375f, kDefaultSize = 3.0f;

struct SmallBurst {
    int32_t display;
    int32_t centreColumn, centreRow;
    int32_t size;    // half-width of its box in columns
    int64_t clock;   // units; negative until its turn comes
    bool begun;      // its maps were prepared when its clock first reached 0
    AgeMap ages;
    int8_t* own;     // its own characters, row-major: glyph or -1
};

struct SmallBurstsModule {
    SmallBurst bursts[kMaxBursts];
    int32_t count;  // bursts of this series
    int32_t speed, border;
    bool blendOut, solid;
    double life;  // ticks a passed cell holds its glow
    RingColours colours;
    int32_t columns, rows;
    float* ageBlock;   // the age maps of all records
    int8_t* ownBlock;  // the own characters of all records
    aPath rise, fade;
};

SmallBurstsModule g;

int StartSmallBursts(int) {
    g.count = 0;
    if (g.columns <= 0 || g.rows <= 0 || !g.ageBlock) return 1;
    const int displays = EffectDisplays();
    const int32_t number = BoundSetting(settings.smallBurstsNumber, 0, kMaxNumber);
    const int32_t count = displays * (number / 2 + Random(number));
    g.count = count < kMaxBursts ? count : kMaxBursts;
    g.speed = BoundSetting(settings.smallBurstsSpeed, 1, kMaxSpeed);
    g.border = BoundSetting(settings.smallBurstsBorder, 0, kMaxBorder);
    g.blendOut = settings.smallBurstsBlendOut != 0;
    g.solid = settings.smallBurstsSolid != 0;
    g.life = g.border * g.speed / 32000.0;  // 3.125e-5 x border x speed
    g.colours = MakeRingColours(g.rise, g.fade, g.life);
    const float scale = 1.0f / BoundSetting(settings.smallBurstsSize, kMinSize, kMaxSize, kDefaultSize);
    for (int i = 0; i < g.count; ++i) {
        SmallBurst& b = g.bursts[i];
        b.begun = false;
        b.clock = -static_cast<int64_t>(g.speed >> 1) * i;  // half a burst time after the one before
        b.display = settings.smallBurstsRandomScreen ? Random(displays) : 0;
        b.centreColumn = Random(g.columns);
        b.centreRow = Random(g.rows);
        float s = scale;
        if (settings.smallBurstsRandomSize) s = (1.2f - 0.1f * static_cast<float>(Random(5))) * s;
        b.size = static_cast<int32_t>(s * static_cast<float>(g.columns / 2));
    }
    return 0;
}

// Rows of the box above and below the centre.
int64_t BoxRows(const SmallBurst& b) {
    return static_cast<int64_t>(b.size) * g.rows * 4 / (static_cast<int64_t>(g.columns) * 3);
}

void MarkSmallRing(SmallBurst& b, int32_t units) {
    const int64_t across = static_cast<int64_t>(g.columns) * 3, down = static_cast<int64_t>(g.rows) * 4;
    const int64_t ry = b.size * b.clock / g.speed;
    const int64_t rx = ry * across / down;
    const int64_t borderY = g.border * across / down;
    Ring ring{b.centreColumn, b.centreRow, rx, ry, g.border, borderY, 0, 0, g.columns, g.rows};
    if (!g.blendOut) {
        const int64_t h = BoxRows(b);
        ring.clipLeft = b.centreColumn - b.size;
        ring.clipRight = b.centreColumn + b.size;
        ring.clipTop = b.centreRow - h;
        ring.clipBottom = b.centreRow + h;
    }
    MarkRing(b.ages, ring, units);
}

// 1 inside the box; with blend-out falling to 0 at twice its size.
float Strength(const SmallBurst& b, int32_t x, int32_t y) {
    if (!g.blendOut) return 1.0f;
    const int64_t h = BoxRows(b);
    const int64_t dx = x - b.centreColumn, dy = y - b.centreRow;
    const float rowScale = static_cast<float>(b.size) * 4.0f * g.rows / (3.0f * g.columns);
    const float sv = (dy >= -h && dy < h) ? 1.0f : (rowScale > 0.0f ? (dy < 0 ? -dy : dy) / rowScale : 3.0f);
    const float sh = (dx >= -b.size && dx < b.size) ? 1.0f : (b.size > 0 ? (dx < 0 ? -dx : dx) / float(b.size) : 3.0f);
    return (sh <= 2.0f ? 2.0f - sh : 0.0f) * (sv <= 2.0f ? 2.0f - sv : 0.0f);
}

void DrawSmallBurstCell(const SmallBurst& b, int32_t x, int32_t y, float age) {
    __buffer& grid = codeGrids[b.display];
    const uint32_t count = GetCellLayerCount(grid, x, y);
    uint32_t texture = 0, quad = 1;
    if (count > 0) {
        GetCellLayer(grid, x, y, 0, &texture, nullptr, nullptr, nullptr, &quad);
    } else {
        if (!g.solid) return;
        const int8_t v = b.own[static_cast<int64_t>(y) * g.columns + x];
        if (v >= 0) texture = textureTables.rotatorBlur[v];
    }
    const float k = Strength(b, x, y);
    if (texture == 0 || !(k > 0.0f)) return;  // nothing to add
    const bool blurred = GlyphOfTexture(textureTables.rotatorBlur, texture) >= 0;
    float intensity = (blurred || count == 0 ? 1.0f : CellBrightness(grid, x, y, count)) * 6.0f * k;
    if (intensity > 1.0f) intensity = 1.0f;
    const Rgb c = g.colours.At(age) * intensity;
    const int32_t glyph = GlyphOfTexture(textureTables.glyph, texture);
    if (glyph >= 0) {
        texture = textureTables.glow[glyph];
        quad = 1;
    }
    PushCellLayer(grid, x, y, texture, c.r, c.g, c.b, quad);
}

// The cells a burst can draw: its box, or twice its box with blend-out.
CellArea ReachableArea(const SmallBurst& b) {
    const int64_t k = g.blendOut ? 2 : 1, h = k * BoxRows(b) + k, w = k * b.size + k;
    const auto bound = [](int64_t v) { return static_cast<int32_t>(v < -1 ? -1 : (v > 0x7ffffff ? 0x7ffffff : v)); };
    return CellArea{bound(b.centreColumn - w), bound(b.centreRow - h), bound(b.centreColumn + w),
                    bound(b.centreRow + h)};
}

bool InWindow(const SmallBurst& b) { return b.clock >= 0 && b.clock <= 4 * static_cast<int64_t>(g.speed); }

int StepSmallBursts(int units) {
    if (units < 0) units = 0;
    for (int i = 0; i < g.count; ++i) {
        SmallBurst& b = g.bursts[i];
        b.clock += units;
        if (!InWindow(b)) continue;
        if (!b.begun) {
            // Prepared at its turn rather than at the start of the series: a
            // series touches only the maps of the bursts that run.
            b.begun = true;
            ResetAgeMap(b.ages);
            if (g.solid) FillRandomCharacters(b.own, g.columns, g.rows, ReachableArea(b));
        }
        MarkSmallRing(b, units);
    }
    // An empty series (a number of 0 or 1) ends at once.
    bool finished = g.count == 0 || g.bursts[0].clock > g.speed;
    for (int i = 0; i < g.count; ++i) {
        SmallBurst& b = g.bursts[i];
        if (!InWindow(b)) continue;
        const int drawn = AgeMapCells(b.ages, units, g.life + 2.0,
                                      [&b](int32_t x, int32_t y, float age) { DrawSmallBurstCell(b, x, y, age); });
        if (drawn > 0) finished = false;
    }
    return finished ? 1 : 0;
}

}  // namespace

int InitSmallBurstsModule() {
    RegisterEffectModule(StartSmallBursts, StepSmallBursts);
    FreeMemory(g.ageBlock);
    FreeMemory(g.ownBlock);
    FreePath(g.rise);
    FreePath(g.fade);
    g = SmallBurstsModule{};
    const GridSize size = EffectGridSize();
    const size_t cells = size.cells;
    g.columns = size.columns;
    g.rows = size.rows;
    if (cells > 0) {
        g.ageBlock = static_cast<float*>(AllocZeroedArray(cells, kMaxBursts * sizeof(float)));
        if (!g.ageBlock) ReportFatalError(9106, "smallb.cpp", kAgeMapFailureLine, "int InitSmallBurstsModule()");
        g.ownBlock = static_cast<int8_t*>(AllocZeroedArray(cells, kMaxBursts));
        if (!g.ownBlock) ReportFatalError(9106, "smallb.cpp", kCharacterFailureLine, "int InitSmallBurstsModule()");
    }
    for (int i = 0; i < kMaxBursts; ++i) {
        SmallBurst& b = g.bursts[i];
        b.ages = AgeMap{g.ageBlock ? g.ageBlock + cells * i : nullptr, g.columns, g.rows, 0, 0, -1, -1};
        b.own = g.ownBlock ? g.ownBlock + cells * i : nullptr;
    }
    BuildBurstEnvelopes(g.rise, g.fade);
    return 0;
}
