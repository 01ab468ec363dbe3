#include "effects/dejavu.h"

#include "effects/effect_cells.h"
#include "effects/effects.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "sim/eval.h"
#include "sim/random.h"

namespace {

constexpr int kFailureLine = 332;
constexpr int kBarSlots = 128;
constexpr int kPlacementAttempts = 32;
// Stored values beyond the settings window's range are bounded: the upper ends
// keep a run within minutes, and a negative length or count means none.
constexpr int32_t kMaxLength = 12200;  // units a bar lives
constexpr int32_t kMaxBars = 259;

struct Bar {
    bool active;
    bool rewritten;
    int32_t display;
    int32_t top, bottom;  // inclusive; may lie outside the grid
    int32_t timeLeft;     // units
};

// One run; zeroed at every start.
struct DejaVuRun {
    int32_t barsLeft;
    int32_t clock;  // units since the last tick boundary
    bool useAccent, solid, sparse;
    bool rewrite;
    int32_t length;  // bar life in units, bounded at the start
    int32_t startDelay[kMaxDisplays];
    Bar bars[kBarSlots];
};

struct DejaVuModule {
    DejaVuRun run;
    int32_t spawnCounter;  // ticks since the last spawn tick; survives from run to run
    int32_t columns, rows;
    int8_t* patterns;  // per slot, rows x columns (row-major): glyph 0..54, -1 none
    aPath accent, base;
};

DejaVuModule g;

int8_t* PatternOf(int slot) { return g.patterns + static_cast<int64_t>(slot) * g.columns * g.rows; }

// The pattern value of a bar slot at (row, column), -1 outside the pattern.
int32_t PatternAt(int slot, int32_t row, int32_t column) {
    if (row < 0 || row >= g.rows || column < 0 || column >= g.columns) return -1;
    return PatternOf(slot)[static_cast<int64_t>(row) * g.columns + column];
}

// An option of this run: as set, or with "Randomize options" a coin toss when set.
bool Decide(bool option, bool randomize) {
    if (!randomize) return option;
    return option ? Random(2) != 0 : false;
}

int StartDejaVu(int) {
    const int displays = EffectDisplays();
    g.run = DejaVuRun{};
    if (g.columns <= 0 || g.rows <= 0 || !g.patterns) return 1;
    DejaVuRun& r = g.run;
    const int32_t bars = BoundSetting(settings.dejaVuBars, 0, kMaxBars);
    r.barsLeft = displays * (bars / 2 + Random(bars));
    for (int d = 0; d < displays; ++d) r.startDelay[d] = displays == 1 ? 0 : Random(16);
    const bool randomize = settings.dejaVuRandomize != 0;
    r.useAccent = randomize ? (settings.dejaVuBaseColor ? Random(2) != 0 : true) : settings.dejaVuBaseColor == 0;
    r.solid = Decide(settings.dejaVuSolidBars != 0, randomize);
    r.sparse = Decide(settings.dejaVuSparse != 0, randomize);
    r.rewrite = settings.dejaVuRewrite != 0;
    r.length = BoundSetting(settings.dejaVuSpeed, 0, kMaxLength);
    return 0;
}

// Steps 2: whether this step crosses a tick boundary that is a spawn tick.
bool SpawnTick(int32_t units) {
    DejaVuRun& r = g.run;
    const int64_t clock = static_cast<int64_t>(r.clock) + units;
    const bool boundary = clock >= 1000;
    r.clock = static_cast<int32_t>(clock % 1000);  // only the position within the tick matters
    if (!boundary) return false;
    bool spawn = false;
    if (g.spawnCounter >= r.length / 2000) {
        g.spawnCounter = 0;
        spawn = true;
    }
    if (g.spawnCounter < 0x7fffffff) g.spawnCounter += 1;
    return spawn;
}

bool RowsFree(int display, int32_t top, int32_t bottom) {
    for (const Bar& b : g.run.bars)
        if (b.active && b.display == display && b.top <= bottom && top <= b.bottom) return false;
    return true;
}

void SpawnBars(int display) {
    DejaVuRun& r = g.run;
    const int32_t n = r.sparse ? Random(2) + 1 : Random(8);
    if (r.barsLeft <= 0 || n == 0) return;
    int32_t toPlace = n;
    for (int slot = 0; slot < toPlace && slot < kBarSlots; ++slot) {
        Bar& bar = r.bars[slot];
        if (bar.active) continue;
        bar.timeLeft = r.length;
        bar.display = display;
        int32_t h = (g.rows * 3 / 4) / n - Random(4);
        if (h <= 3) h = 4;
        if (r.sparse) h = n == 1 ? h >> 1 : h * 2 / 3;
        for (int attempt = 0; attempt < kPlacementAttempts; ++attempt) {
            const int32_t centre = Random(g.rows);
            const int32_t top = centre - h / 2, bottom = centre + h / 2;
            if (!RowsFree(display, top, bottom)) continue;
            bar.top = top;
            bar.bottom = bottom;
            bar.rewritten = false;
            bar.active = true;
            // The rows the bar shows (from its top) and those it rewrites.
            FillRandomCharacters(PatternOf(slot), g.columns, g.rows, CellArea{0, 0, g.columns, bottom - top + 1},
                                 r.rewrite ? CellArea{0, top, g.columns, bottom + 1} : CellArea{});
            break;
        }
        --toPlace;
    }
}

// Writes the bar's characters into the streams of its display under its rows.
void Rewrite(int slot) {
    const Bar& bar = g.run.bars[slot];
    for (const __tracer& t : tracerPool) {
        if (!t.active || t.display != bar.display || !t.cells) continue;
        for (int32_t y = bar.top < 0 ? 0 : bar.top; y <= bar.bottom && y < g.rows && y < simulation.rows; ++y) {
            StreamCell& c = t.cells[y];
            if (c.rotator != 0) continue;
            // The pattern's own row y, not y - top: the rewritten code differs
            // from what the bar showed.
            const int32_t v = PatternAt(slot, y, t.column);
            if (v >= 0) {
                c.glyph = static_cast<uint8_t>(v);
                c.visible = 1;
            } else {
                c.visible = 0;
            }
        }
    }
}

// Step 4. Returns true when the run is over.
bool AgeBars(int32_t units, bool spawnTick) {
    DejaVuRun& r = g.run;
    for (int slot = 0; slot < kBarSlots; ++slot) {
        Bar& bar = r.bars[slot];
        if (!bar.active) continue;
        bar.timeLeft -= units;  // an active bar has 0..length units left: no overflow
        bool stop = false;
        if (bar.timeLeft <= 0) {
            bar.active = false;
            r.barsLeft -= 1;
            if (r.barsLeft <= 0) {
                bool any = false;
                for (const Bar& b : r.bars) any = any || b.active;
                if (!any) return true;
                stop = true;
            }
        }
        if (!stop && r.rewrite && spawnTick && !bar.rewritten && bar.timeLeft <= r.length / 2) {
            bar.rewritten = true;
            Rewrite(slot);
        }
        if (stop) break;
    }
    // A run whose budget is spent with no bar left (a budget of 0 from the
    // start) is over as well.
    if (r.barsLeft > 0) return false;
    for (const Bar& b : r.bars)
        if (b.active) return false;
    return true;
}

void DrawBar(int slot) {
    const DejaVuRun& r = g.run;
    const Bar& bar = r.bars[slot];
    __buffer& grid = codeGrids[bar.display];
    const TextureTables& tex = textureTables;
    const Rgb colour = EvalEnvelope(r.useAccent ? g.accent : g.base, 0.001 * (r.length - bar.timeLeft));
    const int32_t from = bar.top < 0 ? 0 : bar.top;
    const int32_t to = bar.bottom < g.rows - 1 ? bar.bottom : g.rows - 1;
    for (int32_t y = from; y <= to; ++y) {
        const float edge = (y == bar.top || y == bar.bottom) ? 0.5f : 1.0f;
        for (int32_t x = 0; x < g.columns; ++x) {
            const uint32_t count = GetCellLayerCount(grid, x, y);
            if (count > 0) {
                CellLayer first{};
                float k = CellBrightness(grid, x, y, count, &first) * 6.0f;
                if (k > 1.0f) k = 1.0f;
                if (r.solid && !r.useAccent) k *= 0.25f;
                uint32_t texture = first.texture;
                const int32_t glyph = GlyphOfTexture(tex.glyph, texture);
                if (glyph >= 0) texture = tex.glow[glyph];
                const Rgb c = colour * (k * edge);
                PushCellLayer(grid, x, y, texture, c.r, c.g, c.b, 1);
            } else {
                const int32_t v = PatternAt(slot, y - bar.top, x);
                if (v < 0) continue;
                const Rgb c = colour * ((r.solid ? 1.0f : 0.125f) * edge);
                PushCellLayer(grid, x, y, tex.rotatorBlur[v], c.r, c.g, c.b, 1);
            }
        }
    }
}

int StepDejaVu(int units) {
    if (!g.patterns) return 1;
    if (units < 0) units = 0;
    const bool spawnTick = SpawnTick(units);
    if (spawnTick) {
        const int displays = EffectDisplays();
        for (int d = 0; d < displays; ++d) {
            if (g.run.startDelay[d] > 0) {
                g.run.startDelay[d] -= 1;
                continue;
            }
            SpawnBars(d);
        }
    }
    if (AgeBars(units, spawnTick)) return 1;
    for (int slot = 0; slot < kBarSlots; ++slot)
        if (g.run.bars[slot].active) DrawBar(slot);
    return 0;
}

}  // namespace

int InitDejaVuModule() {
    RegisterEffectModule(StartDejaVu, StepDejaVu);
    FreeMemory(g.patterns);
    g.patterns = nullptr;
    g.run = DejaVuRun{};
    const GridSize size = EffectGridSize();
    const size_t cells = size.cells;
    g.columns = size.columns;
    g.rows = size.rows;
    if (cells > 0) {
        g.patterns = static_cast<int8_t*>(AllocZeroedArray(cells, kBarSlots));
        if (!g.patterns) ReportFatalError(9105, "dejavu.cpp", kFailureLine, "int InitDejaVuModule()");
    }
    const double t = 0.001 * BoundSetting(settings.dejaVuSpeed, 0, kMaxLength);
    const Rgb black{0, 0, 0};
    for (int i = 0; i < 2; ++i) {
        const Rgb c = i == 0 ? AccentColour() : BaseColour();
        BuildEnvelope(i == 0 ? g.accent : g.base, {EnvelopeKey(0.0, black), EnvelopeKey(0.125 * t, c),
                                                   EnvelopeKey(0.75 * t, c), EnvelopeKey(t, black)});
    }
    return 0;
}
