#include "effects/drops.h"

#include "effects/effect_cells.h"
#include "effects/effects.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "sim/random.h"

namespace {

constexpr int kFailureLine = 101;
constexpr int kRecords = 512;
constexpr float kRecordTicks = 4.0f;  // a drop or a pause, each
// A stored number beyond the settings window's range is bounded: at most 256
// on average keeps a series within minutes, and a negative one means none.
constexpr int32_t kMaxNumber = 256;

struct Drop {
    bool used;  // a drop; else a pause
    int32_t column;
    int32_t display;
    float time;     // ticks since the record began
    int8_t* glyphs;  // `rows` values from the top: a glyph 0..54, or -1
};

struct DropsModule {
    Drop records[kRecords];
    int32_t total;    // records the series plays
    int32_t current;  // the record playing
    uint32_t glyphQuad;
    int32_t columns, rows;
    int8_t* glyphBlock;
    aPath glyph, afterglow;
};

DropsModule g;

void FillDropColumn(Drop& d, bool& dense) {
    // Runs of about rows / 4 dense or sparse characters, carried from drop to drop.
    for (int32_t r = 0; r < g.rows; ++r) {
        if (Random(g.rows / 4) == 0) dense = !dense;
        const int32_t density = dense ? settings.positiveDensity : settings.negativeDensity;
        d.glyphs[r] = Random(100) < density ? static_cast<int8_t>(Random(kGlyphCount)) : -1;
    }
}

int StartDrops(int) {
    g.total = 0;
    g.current = 0;
    if (g.columns <= 0 || g.rows <= 0 || !g.glyphBlock) return 1;
    const int32_t number = BoundSetting(settings.dropsNumber, 0, kMaxNumber);
    const int32_t n = number / 2 + Random(number);
    const int displays = EffectDisplays();
    g.glyphQuad = EffectGlyphQuad();
    bool dense = true;
    int32_t made = 0;
    g.total = kRecords;
    for (int i = 0; i < kRecords; ++i) {
        Drop& d = g.records[i];
        // A pause lasts as long as a drop, so its clock starts over as well.
        d.time = 0.0f;
        d.used = Random(6) != 0;
        if (!d.used) continue;
        d.display = Random(displays);
        d.column = Random(g.columns);
        FillDropColumn(d, dense);
        if (++made >= n) {
            g.total = i + 1;
            break;
        }
    }
    return 0;
}

void DrawDrop(const Drop& d) {
    __buffer& grid = codeGrids[d.display];
    for (int32_t r = 0; r < g.rows; ++r) {
        const int8_t v = d.glyphs[r];
        if (v < 0) continue;
        const double t = d.time - static_cast<double>(r) / g.rows;
        // Black layers (rows the light has not reached or has left) add nothing.
        const Rgb c = EvalEnvelope(g.glyph, t);
        if (c.r != 0.0f || c.g != 0.0f || c.b != 0.0f)
            PushCellLayer(grid, d.column, r, textureTables.glyph[v], c.r, c.g, c.b, g.glyphQuad);
        const Rgb a = EvalEnvelope(g.afterglow, t);
        if (a.r != 0.0f || a.g != 0.0f || a.b != 0.0f)
            PushCellLayer(grid, d.column, r, textureTables.blurredGlyph[v], a.r, a.g, a.b, 1);
    }
}

int StepDrops(int units) {
    if (g.current >= g.total) return 1;
    Drop& d = g.records[g.current];
    if (d.used) DrawDrop(d);
    d.time += static_cast<float>(0.001 * (units > 0 ? units : 0));
    if (d.time >= kRecordTicks) g.current += 1;
    return g.current >= g.total ? 1 : 0;
}

}  // namespace

int InitDropsModule() {
    RegisterEffectModule(StartDrops, StepDrops);
    FreeMemory(g.glyphBlock);
    FreePath(g.glyph);
    FreePath(g.afterglow);
    g = DropsModule{};
    const GridSize size = EffectGridSize();
    g.columns = size.columns;
    g.rows = size.rows;
    if (g.rows > 0) {
        g.glyphBlock = static_cast<int8_t*>(AllocZeroedArray(static_cast<size_t>(g.rows), kRecords));
        if (!g.glyphBlock) ReportFatalError(9107, "drops.cpp", kFailureLine, "int InitDropsModule()");
        for (int i = 0; i < kRecords; ++i) g.records[i].glyphs = g.glyphBlock + static_cast<int64_t>(g.rows) * i;
    }
    const Rgb a = AccentColour(), black{0, 0, 0};
    BuildEnvelope(g.glyph, {EnvelopeKey(0.0, black), EnvelopeKey(1.0, a), EnvelopeKey(1.5, a), EnvelopeKey(2.0, black)});
    BuildEnvelope(g.afterglow, {EnvelopeKey(1.5, black), EnvelopeKey(2.0, a), EnvelopeKey(3.0, black)});
    return 0;
}
