#include "effects/superman.h"

#include <cmath>

#include "effects/effect_cells.h"
#include "effects/effects.h"
#include "render/geometry.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "sim/random.h"

namespace {

constexpr int kFailureLine = 92;
constexpr int kFrames = 96;
constexpr int kBands = 4;
// A stored speed beyond the settings window's range is bounded: 0 would
// divide by zero and a huge one would keep a run going for days.
constexpr int32_t kMaxSpeed = 13750;

struct Span {
    int32_t top, bottom;  // rows top <= row < bottom of one column
};

struct SupermanFrame {
    int32_t timeLeft;  // units
    Span* bands[kBands];  // `columns` spans each
};

struct SupermanModule {
    SupermanFrame frames[kFrames];
    int32_t current;     // from 1
    int32_t frameCount;  // 48..95
    int32_t speed;
    int32_t display;
    uint32_t glyphQuad;
    int32_t columns, rows;
    Span* spanBlock;
    aPath envelope;
};

SupermanModule g;

int32_t ClampRow(int64_t v) { return static_cast<int32_t>(v < 0 ? 0 : (v > g.rows ? g.rows : v)); }

// One band of one frame: a sine across the display with its own wavelength,
// phase and amplitude, a ragged thickness and gaps; `empty` frames have none.
void DrawBandShape(Span* band, int w, bool empty) {
    const int32_t a = Random(1000), phase = Random(6283), b = Random(1000), p1 = Random(5000);
    const double amp2 = 0.001 * Random(8000);
    const int32_t p2 = Random(1000);
    const double amp = a * b * 1.0e-6;
    for (int32_t x = 0; x < g.columns; ++x) {
        const double X = 60.0 * w + x;
        int64_t h = 0;
        if (!empty && Random(4) != 0 && p2 != 0) h = static_cast<int64_t>(std::sin(X / (0.01 * p2)) * amp2 + 1.0) + 1;
        if (p1 == 0) {  // no wavelength: the column gets no band
            band[x] = Span{0, 0};
            continue;
        }
        const int64_t centre =
            static_cast<int64_t>(g.rows + std::sin(X / (0.01 * p1) + 0.001 * phase) * amp * g.rows) / 2;
        band[x] = Span{ClampRow(centre - h), ClampRow(centre + h)};
    }
}

int StartSuperman(int) {
    g.current = 1;
    g.frameCount = 0;
    if (g.columns <= 0 || g.rows <= 0 || !g.spanBlock) return 1;
    g.speed = BoundSetting(settings.supermanSpeed, 1, kMaxSpeed);
    g.glyphQuad = EffectGlyphQuad();
    g.display = Random(EffectDisplays());
    g.frameCount = Random(48) + 48;
    for (int f = 0; f < kFrames; ++f) {
        g.frames[f].timeLeft = g.speed;
        for (int w = 0; w < kBands; ++w) DrawBandShape(g.frames[f].bands[w], w, f == 0 || f == g.frameCount - 1);
    }
    return 0;
}

void DrawSupermanCell(__buffer& grid, uint32_t x, uint32_t y, Rgb c) {
    const uint32_t count = GetCellLayerCount(grid, x, y);
    int32_t last = -1;
    for (uint32_t k = 0; k < count; ++k) {
        CellLayer l{};
        GetCellLayer(grid, x, y, k, &l.texture, &l.red, &l.green, &l.blue, &l.quad);
        const int32_t j = FindGlyphIndex(textureTables, l.texture, nullptr);
        if (j < 0) continue;
        const float lum = (l.red + l.green + l.blue) * 0.33333334f;
        PushCellLayer(grid, x, y, textureTables.glow[j], c.r * lum, c.g * lum, c.b * lum, 1);
        last = j;
    }
    if (last >= 0) PushCellLayer(grid, x, y, textureTables.glyph[last], c.r, c.g, c.b, g.glyphQuad);
}

void DrawFrame(const SupermanFrame& f, Rgb c) {
    if (c.r == 0.0f && c.g == 0.0f && c.b == 0.0f) return;  // black adds nothing
    __buffer& grid = codeGrids[g.display];
    for (const Span* band : f.bands)
        for (int32_t x = 0; x < g.columns; ++x)
            for (int32_t y = band[x].top; y < band[x].bottom; ++y)
                DrawSupermanCell(grid, static_cast<uint32_t>(x), static_cast<uint32_t>(y), c);
}

int StepSuperman(int units) {
    if (g.current >= g.frameCount) return 1;
    SupermanFrame& f = g.frames[g.current];
    f.timeLeft -= units > 0 ? units : 0;
    const double t = 1.0 - static_cast<double>(f.timeLeft) / g.speed;
    DrawFrame(g.frames[g.current - 1], EvalEnvelope(g.envelope, 1.0 + t));
    DrawFrame(f, EvalEnvelope(g.envelope, t));
    if (f.timeLeft < 1) ++g.current;
    return g.current >= g.frameCount ? 1 : 0;
}

}  // namespace

int InitSupermanModule() {
    RegisterEffectModule(StartSuperman, StepSuperman);
    FreeMemory(g.spanBlock);
    FreePath(g.envelope);
    g = SupermanModule{};
    const GridSize size = EffectGridSize();
    g.columns = size.columns;
    g.rows = size.rows;
    if (size.cells > 0) {
        g.spanBlock = static_cast<Span*>(
            AllocZeroedArray(static_cast<size_t>(g.columns) * kFrames * kBands, sizeof(Span)));
        if (!g.spanBlock) ReportFatalError(9109, "superman.cpp", kFailureLine, "int InitSupermanModule()");
        for (int f = 0; f < kFrames; ++f)
            for (int w = 0; w < kBands; ++w)
                g.frames[f].bands[w] = g.spanBlock + (static_cast<int64_t>(f) * kBands + w) * g.columns;
    }
    const Rgb a = AccentColour(), black{0, 0, 0};
    BuildEnvelope(g.envelope, {EnvelopeKey(0.0, black), EnvelopeKey(1.0, a), EnvelopeKey(2.0, black)});
    return 0;
}
