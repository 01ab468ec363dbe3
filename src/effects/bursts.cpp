#include "effects/bursts.h"

#include "effects/effect_cells.h"
#include "effects/effects.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "sim/eval.h"
#include "sim/random.h"

namespace {

constexpr int kFailureLine = 403;
constexpr int kMaxHeads = 20;
constexpr int64_t kFreezeUnits = 12000;
constexpr int64_t kFadeDownUnits = 1000;
constexpr int64_t kMovementMinimum = 2000;  // a movement burst runs at least this long
constexpr int64_t kStillMinimum = 16000;
// Stored values beyond the settings window's range are bounded: a speed of 0
// would divide by zero, and the upper ends keep a burst within a minute.
constexpr int32_t kMaxSpeed = 27500;
constexpr int32_t kMaxBorder = 32;

struct SnapshotLayer {
    uint32_t texture;
    float red, green, blue;
    uint32_t quad;
};

struct Head {
    int32_t column, row, glyph;
};

struct BurstsModule {
    // One run, shared by the three kinds (only one runs at a time).
    int32_t display;
    int32_t centreColumn, centreRow;
    int64_t clock;  // units since the start
    int32_t speed, border;
    float glowIntensity;
    uint32_t glyphQuad;  // quad of the highlighted heads' glyphs
    double life;         // ticks a passed cell holds its glow
    RingColours colours;
    Head heads[kMaxHeads];
    int32_t headCount;
    // Storage of the process, at the grid size.
    int32_t columns, rows;
    AgeMap ages;
    SnapshotLayer* snapshot;  // layer 0 of every cell of the frozen display, row-major
    aPath rise, fade;
};

BurstsModule g;

int64_t Cell(int32_t x, int32_t y) { return static_cast<int64_t>(y) * g.columns + x; }

int StartBurst(int) {
    ResetAgeMap(g.ages);
    g.clock = 0;
    g.headCount = 0;
    if (g.columns <= 0 || g.rows <= 0 || !g.ages.ages) return 1;
    g.display = settings.burstRandomScreen ? Random(EffectDisplays()) : 0;
    if (settings.burstRandomPosition) {
        g.centreColumn = Random(g.columns);
        g.centreRow = Random(g.rows);
    } else {
        g.centreColumn = g.columns / 2;
        g.centreRow = g.rows / 2;
    }
    g.speed = BoundSetting(settings.burstSpeed, 1, kMaxSpeed);
    g.border = BoundSetting(settings.burstBorder, 0, kMaxBorder);
    g.glowIntensity = BoundSetting(settings.glowIntensity, 0.0f, 1.0f, 0.0f);
    g.glyphQuad = EffectGlyphQuad();
    g.life = g.border * g.speed / 32000.0;  // 3.125e-5 x border x speed
    g.colours = MakeRingColours(g.rise, g.fade, g.life);
    return 0;
}

int StartTraceBurst(int arg) {
    if (StartBurst(arg) != 0) return 1;
    const int32_t rows = g.rows < simulation.rows ? g.rows : simulation.rows;
    for (const __tracer& t : tracerPool) {
        if (g.headCount >= kMaxHeads) break;
        if (!t.active || !t.glowing || t.display != g.display || !t.cells) continue;
        if (t.headRow < 0 || t.headRow >= rows || t.column < 0 || t.column >= g.columns) continue;
        const StreamCell& c = t.cells[t.headRow];
        if (!c.visible || c.glyph >= kGlyphCount) continue;
        g.heads[g.headCount++] = Head{t.column, t.headRow, c.glyph};
    }
    if (g.headCount > 0) {
        const Head& h = g.heads[Random(g.headCount)];
        g.centreColumn = h.column;
        g.centreRow = h.row;
    }
    return 0;
}

void MarkBurstRing(int64_t t, int32_t units) {
    const int64_t rx = t * g.rows / g.speed;
    const int64_t across = static_cast<int64_t>(g.columns) * 3, down = static_cast<int64_t>(g.rows) * 4;
    const int64_t ry = rx * down / across;  // square on a 4:3 display
    const int64_t borderY = g.border * across / down;
    MarkRing(g.ages, Ring{g.centreColumn, g.centreRow, rx, ry, g.border, borderY, 0, 0, g.columns, g.rows}, units);
}

// Over-draws the code of a passed cell with its glow in the envelope colour.
void DrawBurstCell(__buffer& grid, int32_t x, int32_t y, float age) {
    const uint32_t count = GetCellLayerCount(grid, x, y);
    if (count == 0) return;
    CellLayer first{};
    float k = CellBrightness(grid, x, y, count, &first) * 6.0f;
    if (k > 1.0f) k = 1.0f;
    const Rgb c = g.colours.At(age) * k;
    uint32_t texture = first.texture, quad = first.quad;
    const int32_t glyph = GlyphOfTexture(textureTables.glyph, texture);
    if (glyph >= 0) {
        texture = textureTables.glow[glyph];
        quad = 1;
    }
    PushCellLayer(grid, x, y, texture, c.r, c.g, c.b, quad);
}

// Ages the passed cells and draws those still glowing; true when none was drawn.
bool AgeAndDraw(int32_t units) {
    __buffer& grid = codeGrids[g.display];
    const int drawn = AgeMapCells(g.ages, units, g.life + 2.0,
                                  [&grid](int32_t x, int32_t y, float age) { DrawBurstCell(grid, x, y, age); });
    return drawn == 0;
}

int StepMovementBurst(int units) {
    if (units < 0) units = 0;
    g.clock += units;
    MarkBurstRing(g.clock, units);
    const bool finished = AgeAndDraw(units);
    return finished && g.clock > kMovementMinimum ? 1 : 0;
}

void PushSnapshot(__buffer& grid, int32_t x, int32_t y, float f) {
    const SnapshotLayer& s = g.snapshot[Cell(x, y)];
    // An empty cell was copied as a black layer without texture: nothing to add.
    if (s.texture != 0) PushCellLayer(grid, x, y, s.texture, s.red * f, s.green * f, s.blue * f, s.quad);
}

void PushHead(__buffer& grid, const Head& h, float baseFactor, float glowFactor) {
    const Rgb b = BaseColour() * baseFactor;
    const Rgb a = AccentColour() * glowFactor;
    PushCellLayer(grid, h.column, h.row, textureTables.glyph[h.glyph], b.r, b.g, b.b, g.glyphQuad);
    PushCellLayer(grid, h.column, h.row, textureTables.glow[h.glyph], a.r, a.g, a.b, 1);
}

void TakeSnapshot(const __buffer& grid) {
    for (int32_t y = 0; y < g.rows; ++y) {
        for (int32_t x = 0; x < g.columns; ++x) {
            SnapshotLayer& s = g.snapshot[Cell(x, y)];
            s = SnapshotLayer{};
            GetCellLayer(grid, x, y, 0, &s.texture, &s.red, &s.green, &s.blue, &s.quad);
        }
    }
}

int Freeze(__buffer& grid, int64_t clockBefore) {
    if (clockBefore == 0) {
        TakeSnapshot(grid);
        return 0;
    }
    ClearCodeGrid(grid);
    const float f = g.clock <= kFadeDownUnits ? 1.0f - 0.0008f * static_cast<float>(g.clock) : 0.2f;
    for (int32_t y = 0; y < g.rows; ++y)
        for (int32_t x = 0; x < g.columns; ++x) PushSnapshot(grid, x, y, f);
    for (int i = 0; i < g.headCount; ++i) PushHead(grid, g.heads[i], 2.0f * (1.2f - f), g.glowIntensity);
    return 0;
}

int StepStillBurst(int units) {
    if (units < 0) units = 0;
    const int64_t before = g.clock;
    g.clock += units;
    __buffer& grid = codeGrids[g.display];
    if (g.clock <= kFreezeUnits) return Freeze(grid, before);

    MarkBurstRing(g.clock - kFreezeUnits, units);
    for (int32_t y = 0; y < g.rows; ++y) {
        const float* ages = g.ages.ages + Cell(0, y);
        for (int32_t x = 0; x < g.columns; ++x) {
            const float a = ages[x];
            if (a >= 1.0f && a < 2.0f) {
                // The live code fades back in from a fifth during the cell's second tick.
                const float k = (a - 1.0f) * 0.8f + 0.2f;
                const uint32_t count = GetCellLayerCount(grid, x, y);
                for (uint32_t i = 0; i < count; ++i) {
                    uint32_t texture = 0, quad = 0;
                    float r = 0, gr = 0, b = 0;
                    GetCellLayer(grid, x, y, i, &texture, &r, &gr, &b, &quad);
                    SetCellLayer(grid, x, y, i, texture, r * k, gr * k, b * k, quad);
                }
            } else if (a < 1.0f) {
                // Not passed yet: the display stays frozen here.
                ClearCell(grid, x, y);
                PushSnapshot(grid, x, y, 0.2f);
            }
        }
    }
    for (int i = 0; i < g.headCount; ++i) {
        const float age = g.ages.ages[Cell(g.heads[i].column, g.heads[i].row)];
        if (age <= 1.0f) PushHead(grid, g.heads[i], 2.0f * (1.0f - age), g.glowIntensity * (1.0f - age));
    }
    const bool finished = AgeAndDraw(units);
    return finished && g.clock > kStillMinimum ? 1 : 0;
}

}  // namespace

int InitBurstsModule() {
    RegisterEffectModule(StartBurst, StepMovementBurst);
    RegisterEffectModule(StartBurst, StepStillBurst);
    RegisterEffectModule(StartTraceBurst, StepStillBurst);
    FreeMemory(g.ages.ages);
    FreeMemory(g.snapshot);
    FreePath(g.rise);
    FreePath(g.fade);
    g = BurstsModule{};
    const GridSize size = EffectGridSize();
    const size_t cells = size.cells;
    g.columns = size.columns;
    g.rows = size.rows;
    if (cells > 0) {
        g.ages.ages = static_cast<float*>(AllocZeroedArray(cells, sizeof(float)));
        g.snapshot = static_cast<SnapshotLayer*>(AllocZeroedArray(cells, sizeof(SnapshotLayer)));
        if (!g.ages.ages || !g.snapshot) ReportFatalError(9106, "bursts.cpp", kFailureLine, "int InitBurstsModule()");
    }
    g.ages.columns = g.columns;
    g.ages.rows = g.rows;
    ResetAgeMap(g.ages);
    BuildBurstEnvelopes(g.rise, g.fade);
    return 0;
}
