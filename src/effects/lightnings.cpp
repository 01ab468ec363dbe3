#include "effects/lightnings.h"

#include "effects/effect_cells.h"
#include "effects/effects.h"
#include "render/geometry.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "sim/random.h"

namespace {

constexpr int kFailureLine = 117;
constexpr int kFrames = 48;
constexpr int kPointsPerColumn = 8;
// A stored speed beyond the settings window's range is bounded: 0 would
// divide by zero and a huge one would keep a run going for days.
constexpr int32_t kMaxSpeed = 3050;
// Branches of branches are rare (one in 2 x columns steps); the cap only
// guards narrow grids, where every other step could branch.
constexpr int kMaxBranchDepth = 32;

enum PointKind : uint8_t { kGap = 0, kDim = 1, kBright = 2 };

struct BoltPoint {
    int32_t column, row;
    uint8_t glyph;  // 0..54; learned from the code it crosses
    uint8_t kind;
};

struct BoltFrame {
    int32_t count;
    BoltPoint* points;  // room for columns x 8
};

struct LightningModule {
    BoltFrame frames[kFrames];
    int64_t clock;  // units since the start
    int32_t frameCount;  // N: 16..47
    int32_t speed;       // units a frame rises (and then fades)
    int32_t display;
    uint32_t glyphQuad;
    int32_t columns, rows, capacity;
    BoltPoint* pointBlock;
    // Which cells the bolt being grown already holds: the stamp of that bolt.
    uint32_t* stamps;
    uint32_t stamp;
    aPath envelope;
};

LightningModule g;

bool Inside(int32_t x, int32_t y) { return x >= 0 && x < g.columns && y >= 0 && y < g.rows; }

int32_t GrowBolt(BoltFrame& f, int32_t x, int32_t y, int32_t n, bool fromRight, bool mode, int depth) {
    const int32_t dir = fromRight ? -1 : 1;
    const bool wide = g.columns > g.rows;
    while (n < g.capacity && (fromRight ? x >= 0 : x < g.columns) && y < g.rows) {
        int32_t nx = x, ny = y;
        if (wide != mode) {
            const int32_t r = Random(g.columns / g.rows + 3);
            if (r >= 2) nx += dir;
            else if (r == 1) ny += 1;
            else nx += dir, ny += 1;
        } else {
            const int32_t r = Random(g.rows / g.columns + 3);
            if (r >= 2) ny += 1;
            else if (r == 1) nx += dir;
            else nx += dir, ny += 1;
        }
        if (Random(g.columns * 2) == 0 && depth < kMaxBranchDepth)
            n = GrowBolt(f, nx, ny, n, fromRight, Random(g.rows / 4) != 0, depth + 1);
        if (n >= g.capacity) break;
        BoltPoint& p = f.points[n];
        p.kind = static_cast<uint8_t>(Random(2) != 0 ? Random(2) + 1 : kGap);
        p.column = nx;
        p.row = ny;
        p.glyph = static_cast<uint8_t>(Random(kGlyphCount));
        if (Random(2) == 0) x = nx, y = ny;
        // A position the bolt already holds is not stored twice (the next
        // point takes the slot); one outside the grid is never shown.
        if (Inside(nx, ny)) {
            uint32_t& s = g.stamps[static_cast<int64_t>(ny) * g.columns + nx];
            if (s != g.stamp) {
                s = g.stamp;
                ++n;
            }
        }
    }
    return n;
}

// `to` becomes the points of `from` within rows [low, high], order kept.
void CopyRows(BoltFrame& to, const BoltFrame& from, int32_t low, int32_t high) {
    to.count = 0;
    for (int32_t i = 0; i < from.count; ++i)
        if (from.points[i].row >= low && from.points[i].row <= high) to.points[to.count++] = from.points[i];
}

int StartLightnings(int) {
    g.clock = 0;
    g.frameCount = 0;
    if (g.columns <= 0 || g.rows <= 0 || !g.pointBlock) return 1;
    g.speed = BoundSetting(settings.lightningsSpeed, 1, kMaxSpeed);
    g.glyphQuad = EffectGlyphQuad();
    g.display = Random(EffectDisplays());
    const int32_t n = Random(32) + 16;
    const bool fromRight = Random(20) > 9;
    for (int32_t f = 0; f < kFrames; ++f) {
        g.frames[f].count = 0;
        if (f >= n) continue;
        if (++g.stamp == 0) {  // the stamps wrapped: forget every old one
            for (int64_t i = 0; i < static_cast<int64_t>(g.columns) * g.rows; ++i) g.stamps[i] = 0;
            g.stamp = 1;
        }
        g.frames[f].count = GrowBolt(g.frames[f], fromRight ? g.columns - 1 : 0, 0, 0, fromRight, false, 0);
    }
    // Grow in over three frames, withdraw over the last two.
    CopyRows(g.frames[0], g.frames[2], INT32_MIN, g.rows / 3);
    CopyRows(g.frames[1], g.frames[2], INT32_MIN, 2 * g.rows / 3);
    CopyRows(g.frames[n - 2], g.frames[n - 3], g.rows / 3, INT32_MAX);
    CopyRows(g.frames[n - 1], g.frames[n - 3], 2 * g.rows / 3, INT32_MAX);
    g.frameCount = n;
    return 0;
}

void DrawBolt(BoltFrame& f, Rgb c) {
    __buffer& grid = codeGrids[g.display];
    for (int32_t i = 0; i < f.count; ++i) {
        BoltPoint& p = f.points[i];
        if (p.kind == kGap || !Inside(p.column, p.row)) continue;
        const float m = p.kind == kBright ? 1.2f : 0.8f;
        const uint32_t x = static_cast<uint32_t>(p.column), y = static_cast<uint32_t>(p.row);
        const uint32_t count = GetCellLayerCount(grid, x, y);
        // The four topmost layers glow: the code under the bolt.
        for (uint32_t k = count > 4 ? count - 4 : 0; k < count; ++k) {
            CellLayer l{};
            GetCellLayer(grid, x, y, k, &l.texture, &l.red, &l.green, &l.blue, &l.quad);
            const int32_t j = FindGlyphIndex(textureTables, l.texture, nullptr);
            if (j < 0) continue;
            const float lum = (l.red + l.green + l.blue) * 0.33333334f;
            p.glyph = static_cast<uint8_t>(j);
            PushCellLayer(grid, x, y, textureTables.glow[j], c.r * m * lum, c.g * m * lum, c.b * m * lum, 1);
        }
        PushCellLayer(grid, x, y, textureTables.glyph[p.glyph], c.r * m, c.g * m, c.b * m, g.glyphQuad);
    }
}

int StepLightnings(int units) {
    if (g.frameCount <= 0) return 1;
    g.clock += units > 0 ? units : 0;
    const int64_t index = g.clock / g.speed;
    const double fraction = static_cast<double>(g.clock % g.speed) / g.speed;
    if (index > 0 && index - 1 < kFrames) DrawBolt(g.frames[index - 1], EvalEnvelope(g.envelope, 1.0 + fraction));
    if (index < g.frameCount) DrawBolt(g.frames[index], EvalEnvelope(g.envelope, fraction));
    return index > g.frameCount ? 1 : 0;
}

}  // namespace

int InitLightningModule() {
    RegisterEffectModule(StartLightnings, StepLightnings);
    FreeMemory(g.pointBlock);
    FreeMemory(g.stamps);
    FreePath(g.envelope);
    g = LightningModule{};
    const GridSize size = EffectGridSize();
    g.columns = size.columns;
    g.rows = size.rows;
    g.capacity = g.columns * kPointsPerColumn;
    if (size.cells > 0) {
        g.pointBlock = static_cast<BoltPoint*>(
            AllocZeroedArray(static_cast<size_t>(g.capacity) * kFrames, sizeof(BoltPoint)));
        g.stamps = static_cast<uint32_t*>(AllocZeroedArray(size.cells, sizeof(uint32_t)));
        if (!g.pointBlock || !g.stamps)
            ReportFatalError(9108, "lightning.cpp", kFailureLine, "int InitLightningModule()");
        for (int f = 0; f < kFrames; ++f) g.frames[f].points = g.pointBlock + static_cast<int64_t>(g.capacity) * f;
    }
    const Rgb a = AccentColour(), black{0, 0, 0};
    BuildEnvelope(g.envelope, {EnvelopeKey(0.0, black), EnvelopeKey(1.0, a), EnvelopeKey(2.0, black)});
    return 0;
}
