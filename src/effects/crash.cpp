#include "effects/crash.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "effects/effect_cells.h"
#include "effects/effects.h"
#include "host/diagnostics.h"
#include "host/display_table.h"
#include "render/geometry.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "sim/eval.h"
#include "sim/random.h"

namespace {

constexpr int kStateFailureLine = 412;
constexpr int kCoverageFailureLine = 418;
constexpr int kMaxRectangles = 2048;
constexpr int kTiles = 16;
constexpr int kLaunchDraws = 64;
constexpr int32_t kFirstPause = 6000, kRefusedPause = 3000, kFinishedPause = 6000;
// A stored event count beyond the settings window's range is bounded: a crash
// of billions of events would never end.
constexpr int32_t kMaxEffects = 257;

// The included effects' settings a crash overrides, saved and put back byte
// for byte (a stored NaN or any other pattern comes back unchanged).
struct SavedField {
    size_t offset, size;
};
#define KVS_FIELD(name) SavedField{offsetof(SettingsRecord, name), sizeof(SettingsRecord::name)}
const SavedField kSavedFields[] = {
    KVS_FIELD(dejaVuRewrite),     KVS_FIELD(dejaVuSpeed),         KVS_FIELD(dejaVuBars),
    KVS_FIELD(dejaVuBaseColor),   KVS_FIELD(dejaVuSolidBars),     KVS_FIELD(dejaVuSparse),
    KVS_FIELD(dejaVuRandomize),   KVS_FIELD(burstSpeed),          KVS_FIELD(smallBurstsSpeed),
    KVS_FIELD(smallBurstsNumber), KVS_FIELD(smallBurstsBlendOut), KVS_FIELD(smallBurstsSolid),
    KVS_FIELD(dropsNumber),       KVS_FIELD(lightningsSpeed)};
#undef KVS_FIELD
constexpr size_t kSavedCapacity = 64;

struct Rectangle {
    float x0, y0, x1, y1;  // cells
    bool right, down;
};

struct Flash {
    bool active, bright;
    int32_t timer, duration;
    float tiles[kTiles];  // 4 x 4 tiles of the display, row by row
};

struct ScreenError {
    bool active;
    int32_t elapsed, duration;
    int32_t mode;  // 0 glow, 1 tear, 2 band
};

struct CrashDisplay {
    bool affected;
    int32_t rectangleCount;
    Rectangle* rectangles;  // kMaxRectangles
    Flash flash;
    ScreenError error;
};

// What the drawing hook reads, and the geometry it keeps between frames.
struct Overlay {
    float intensity;  // 0: nothing
    int32_t mode;
    bool fresh;       // a screen error began: choose its geometry
    float left, right, centre, halfHeight, base, speed;
};

struct CrashModule {
    bool running;  // between the start and the end (or EndCrashEarly)
    int64_t clock;
    int32_t eventsDone;
    bool ending;
    CrashDisplay displays[kMaxDisplays];
    Overlay overlays[kMaxDisplays];
    bool subRunning;
    int32_t subSlot;
    int32_t pause;
    uint8_t saved[kSavedCapacity];
    int32_t columns, rows;
    Rectangle* rectangleBlock;
    float* coverage;  // columns x rows, row-major
};

CrashModule g;

void SaveSettings() {
    size_t at = 0;
    for (const SavedField& f : kSavedFields) {
        std::memcpy(g.saved + at, reinterpret_cast<const uint8_t*>(&settings) + f.offset, f.size);
        at += f.size;
    }
}

void RestoreSettings() {
    size_t at = 0;
    for (const SavedField& f : kSavedFields) {
        std::memcpy(reinterpret_cast<uint8_t*>(&settings) + f.offset, g.saved + at, f.size);
        at += f.size;
    }
}

bool Included(int slot) {
    switch (slot) {
        case kEffectDejaVu: return settings.crashIncludeDejaVu != 0;
        case kEffectMovementBurst:
        case kEffectStillBurst:
        case kEffectTraceBurst: return settings.crashIncludeBursts != 0;
        case kEffectSmallBursts: return settings.crashIncludeSmallBursts != 0;
        case kEffectDrops: return settings.crashIncludeDrops != 0;
        case kEffectLightnings: return settings.crashIncludeLightnings != 0;
        case kEffectSuperman: return settings.crashIncludeSuperman != 0;
        default: return false;  // the crash itself
    }
}

int StartCrash(int) {
    if (g.columns <= 0 || g.rows <= 0 || !g.coverage) return 1;
    g.clock = 0;
    g.eventsDone = 0;
    g.ending = false;
    g.pause = kFirstPause;
    g.subRunning = false;
    g.subSlot = 0;
    const int displays = EffectDisplays();
    const int64_t cells = static_cast<int64_t>(g.columns) * g.rows / 20;
    for (int d = 0; d < displays; ++d) {
        CrashDisplay& c = g.displays[d];
        c.affected = settings.crashStable || displays == 1 || Random(4) != 0;
        c.flash = Flash{};
        c.error = ScreenError{};
        g.overlays[d] = Overlay{};
        c.rectangleCount = static_cast<int32_t>(cells < kMaxRectangles ? cells : kMaxRectangles);
        for (int32_t i = 0; i < c.rectangleCount; ++i) {
            Rectangle& r = c.rectangles[i];
            r.x0 = static_cast<float>(Random(g.columns + 18) - 18);
            r.y0 = static_cast<float>(Random(g.rows + 18) - 18);
            r.x1 = r.x0 + 1 + Random(18);
            r.y1 = r.y0 + 1 + Random(18);
            r.right = Random(2) != 0;
            r.down = Random(2) != 0;
        }
    }
    if (!g.running) SaveSettings();  // a restart without an end keeps the first saved values
    g.running = true;
    settings.dejaVuRewrite = 0;
    settings.dejaVuSpeed = 4000;
    settings.dejaVuRandomize = 0;
    settings.burstSpeed = 12000;
    settings.smallBurstsSpeed = 9200;
    settings.smallBurstsNumber = 8;
    settings.smallBurstsSolid = 1;
    settings.dropsNumber = 8;
    settings.lightningsSpeed = 1000;
    return 0;
}

void MoveRectangles(CrashDisplay& c, float d) {
    for (int32_t i = 0; i < c.rectangleCount; ++i) {
        Rectangle& r = c.rectangles[i];
        const float dx = r.right ? d : -d, dy = r.down ? d : -d;
        r.x0 += dx, r.x1 += dx, r.y0 += dy, r.y1 += dy;
        if (r.x1 < 0 || r.x0 >= g.columns) {
            r.right = r.x1 < 0;
            if (Random(4) == 0) r.down = !r.down;
        }
        if (r.y1 < 0 || r.y0 >= g.rows) {
            r.down = r.y1 < 0;
            if (Random(4) == 0) r.right = !r.right;
        }
    }
}

// Steps 2 and 3 of a display: a flash and a screen error may begin.
void DecideFlashes(CrashDisplay& c, bool boundary) {
    bool errorWanted = false;
    bool wanted = false;
    if (!c.flash.active && boundary && Random(3) == 0)
        wanted = settings.crashFlashes != 0 || settings.crashDirtyFlashes != 0;
    if (wanted && !g.ending) {
        const int32_t r = Random(3);
        bool bright = settings.crashDirtyFlashes && r == 1;
        bool tiled = settings.crashFlashes && r == 2;
        if (!settings.crashFlashes) bright = true, tiled = false;
        errorWanted = bright && settings.crashScreenErrors && Random(2) != 0;
        Flash& f = c.flash;
        f.active = true;
        f.bright = bright;
        f.duration = bright ? 6000 : 3000;
        f.timer = f.duration + 1000;
        for (float& t : f.tiles) t = tiled && Random(6) != 0 ? 0.25f * static_cast<float>(Random(5)) : 1.0f;
    }
    const bool fromFlash = errorWanted;
    if (!c.error.active && !errorWanted && boundary) errorWanted = Random(2) == 0;
    if (errorWanted && settings.crashScreenErrors && !g.ending && (fromFlash || !c.error.active)) {
        ScreenError& e = c.error;
        e.active = true;
        e.elapsed = 0;
        e.mode = Random(3);
        e.duration = e.mode == 1 ? Random(2000) + 1000 : 6000;
    }
}

// Step 4.1: how much of each cell the rectangles cover, at most all of it: where
// rectangles overlap a cell is still covered once, so a full flash lifts it clear.
void Cover(const CrashDisplay& c) {
    std::memset(g.coverage, 0, static_cast<size_t>(g.columns) * g.rows * sizeof(float));
    for (int32_t i = 0; i < c.rectangleCount; ++i) {
        const Rectangle& r = c.rectangles[i];
        const int32_t top = static_cast<int32_t>(r.y0), bottom = static_cast<int32_t>(std::ceil(r.y1));
        const int32_t left = static_cast<int32_t>(r.x0), right = static_cast<int32_t>(std::ceil(r.x1));
        if (bottom <= 0 || right <= 0 || top >= g.rows || left >= g.columns) continue;
        // The first and the last column are covered in part, those between wholly.
        const float firstShare = left + 1 - r.x0, lastShare = r.x1 - (right - 1);
        const int32_t from = left < 0 ? 0 : left, to = right < g.columns ? right : g.columns;
        for (int32_t y = top < 0 ? 0 : top; y < bottom && y < g.rows; ++y) {
            const float h = y == top ? y + 1 - r.y0 : (y == bottom - 1 ? r.y1 - y : 1.0f);
            float* row = g.coverage + static_cast<int64_t>(y) * g.columns;
            for (int32_t x = from; x < to; ++x) row[x] += h;
            if (left >= 0) row[left] += h * (firstShare - 1.0f);
            if (right - 1 < g.columns && right - 1 != left) row[right - 1] += h * (lastShare - 1.0f);
        }
    }
    const int64_t cells = static_cast<int64_t>(g.columns) * g.rows;
    for (int64_t i = 0; i < cells; ++i) g.coverage[i] = std::fmin(g.coverage[i], 1.0f);
}

// Step 4.4: the streams' characters blurred and doubled while a dirty flash lasts.
void DirtyStreams(int display, float factor) {
    __buffer& grid = codeGrids[display];
    const int64_t slots = static_cast<int64_t>(g.columns) * 3 / 2;
    for (int64_t s = 0; s < slots && s < kTracerSlots; ++s) {
        const __tracer& t = tracerPool[s];
        if (!t.active || t.display != display || t.column < 0 || t.column >= g.columns || !t.cells) continue;
        const int32_t from = t.eraserRow < 0 ? 0 : t.eraserRow;
        const int32_t to = t.headRow < g.rows - 1 ? t.headRow : g.rows - 1;
        const uint32_t x = static_cast<uint32_t>(t.column);
        for (int32_t y = from; y <= to && y < simulation.rows; ++y) {
            const uint32_t count = GetCellLayerCount(grid, x, static_cast<uint32_t>(y));
            if (t.cells[y].rotator != 0 || count == 0) continue;
            CellLayer l{};
            GetCellLayer(grid, x, static_cast<uint32_t>(y), count - 1, &l.texture, &l.red, &l.green, &l.blue, &l.quad);
            const int32_t j = FindGlyphIndex(textureTables, l.texture, nullptr);
            if (j < 0) continue;
            PushCellLayer(grid, x, static_cast<uint32_t>(y), textureTables.blurredGlyph[j], l.red * factor,
                          l.green * factor, l.blue * factor, 1);
        }
    }
}

// Step 4 of an affected display.
void ApplyToDisplay(int d, int32_t units) {
    CrashDisplay& c = g.displays[d];
    Cover(c);
    Flash& f = c.flash;
    float strength = 0.0f;
    if (f.active) {
        strength = f.timer >= f.duration ? 1.0f : static_cast<float>(f.timer) / f.duration;
        for (int t = 0; t < kTiles; ++t) {
            const int qx = t % 4, qy = t / 4;
            const float lift = strength * f.tiles[t];
            for (int64_t y = qy * int64_t{g.rows} / 4; y < (qy + 1) * int64_t{g.rows} / 4; ++y)
                for (int64_t x = qx * int64_t{g.columns} / 4; x < (qx + 1) * int64_t{g.columns} / 4; ++x)
                    g.coverage[y * g.columns + x] -= lift;
        }
        if (TraceEnabled()) {  // where the effects sheet finds a flash to show
            int whole = 0;
            for (float t : f.tiles) whole += t == 1.0f;
            TraceLine("crash flash display=%d frames=%llu strength=%.2f whole_tiles=%d bright=%d", d,
                      static_cast<unsigned long long>(RecordedFrames()), strength, whole, f.bright ? 1 : 0);
        }
        f.timer -= units;
        if (f.timer <= 0) {
            f.active = false;
            g.eventsDone += 1;
        }
    }
    __buffer& grid = codeGrids[d];
    for (uint32_t i = 0; i < grid.touchedCount; ++i) {
        const uint32_t x = grid.touched[i] / grid.height, y = grid.touched[i] % grid.height;
        if (x >= static_cast<uint32_t>(g.columns) || y >= static_cast<uint32_t>(g.rows)) continue;
        const float cov = g.coverage[static_cast<int64_t>(y) * g.columns + x];
        if (cov == 0.0f) continue;
        if (cov >= 1.0f) {
            ClearCell(grid, x, y);
            continue;
        }
        const float k = 1.0f - cov;
        for (uint32_t n = 0; n < GetCellLayerCount(grid, x, y); ++n) {
            CellLayer l{};
            GetCellLayer(grid, x, y, n, &l.texture, &l.red, &l.green, &l.blue, &l.quad);
            SetCellLayer(grid, x, y, n, l.texture, l.red * k, l.green * k, l.blue * k, l.quad);
        }
    }
    if (f.active && f.bright) DirtyStreams(d, 2.0f * strength);
    ScreenError& e = c.error;
    Overlay& o = g.overlays[d];
    if (e.active) {
        if (e.elapsed == 0) o.fresh = true;
        o.mode = e.mode;
        o.intensity = 1.0f - static_cast<float>(e.elapsed) / e.duration;
        e.elapsed += units;
        if (e.elapsed >= e.duration) {
            e.active = false;
            o.intensity = 0.0f;
        }
    }
}

void LaunchSubEffect() {
    for (int draw = 0; draw < kLaunchDraws; ++draw) {
        const int k = Random(kKnownEffectSlots);
        if (!Included(k)) continue;
        g.subRunning = true;
        g.subSlot = k;
        if (k == kEffectDejaVu) {
            settings.dejaVuSolidBars = 1;
            settings.dejaVuBaseColor = Random(2) != 0;
            const bool dense = Random(4) == 0;
            settings.dejaVuSparse = dense ? 0 : 1;
            settings.dejaVuBars = dense ? 24 : 8;
        }
        if (!effectRegistry.step[k] || effectRegistry.start[k](0) != 0) {
            g.pause = kFinishedPause;
            g.subRunning = false;
        }
        return;
    }
    g.pause = kRefusedPause;
}

void Finish() {
    RestoreSettings();
    g.running = false;
    for (Overlay& o : g.overlays) o.intensity = 0.0f;
}

int StepCrash(int units) {
    if (!g.running) return 1;
    if (units < 0) units = 0;
    const int displays = EffectDisplays();
    const int64_t period = (g.rows / 6 > 0 ? g.rows / 6 : 1) * int64_t{1000};
    const bool boundary = (g.clock + units) / period != g.clock / period;
    const float d = static_cast<float>(0.001 * units);
    for (int i = 0; i < displays; ++i) {
        MoveRectangles(g.displays[i], d);
        DecideFlashes(g.displays[i], boundary);
    }
    g.clock += units;
    if (g.pause == 0 && !g.subRunning && !g.ending) LaunchSubEffect();
    for (int i = 0; i < displays; ++i)
        if (g.displays[i].affected) ApplyToDisplay(i, units);
    if (g.pause > 0) {
        g.pause -= units;
        // An ended pause counts as an event even when it ends exactly on 0.
        if (g.pause <= 0) {
            g.pause = 0;
            g.eventsDone += 1;
        }
    } else if (g.subRunning && effectRegistry.step[g.subSlot](units) != 0) {
        g.subRunning = false;
        g.eventsDone += 1;
    }
    g.ending = g.eventsDone > int64_t{BoundSetting(settings.crashEffects, 0, kMaxEffects)} * displays;
    if (g.ending && !g.subRunning && g.pause == 0) {
        Finish();
        return 1;
    }
    return 0;
}

}  // namespace

void EndCrashEarly() {
    if (g.running) Finish();
}

void PrepareCrashRendering() {}

int CrashOverlayQuads(int display, OverlayQuad* out) {
    if (display < 0 || display >= kMaxDisplays) return 0;
    Overlay& o = g.overlays[display];
    const float I = o.intensity;
    if (!(I > 0.01f)) return 0;
    const DisplayRect& r = displayRects[display];
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    const Rgb a = AccentColour();
    OverlayQuad& q = out[0];
    q = OverlayQuad{};
    q.texture = textureTables.squareSpot;
    q.u0 = q.v0 = 0.0f;
    q.u1 = q.v1 = 1.0f;
    float factor = I;
    if (o.mode == 1) {  // a horizontal tear
        if (o.fresh) {
            if (Random(2) != 0) {
                o.left = 0.0f;
                o.right = static_cast<float>(Random(2 * w / 3) + w / 3);
            } else {
                o.left = static_cast<float>(2 * w / 3 - Random(2 * w / 3));
                o.right = static_cast<float>(w);
            }
            o.centre = static_cast<float>(Random(h));
        }
        q.left = o.left, q.right = o.right, q.top = o.centre - 3.0f, q.bottom = o.centre + 3.0f;
    } else if (o.mode == 2) {  // a moving band
        if (o.fresh) {
            o.base = static_cast<float>(3 * h / 2 - Random(2 * h));
            o.halfHeight = static_cast<float>(Random(h / 4) + h / 10);
            const int32_t k = Random(6);
            o.left = k == 5 ? static_cast<float>(Random(w / 2)) : -w / 8.0f;
            o.right = k == 4 ? static_cast<float>(Random(w / 2) + w / 2) : 9.0f * w / 8.0f;
            // The size of the speed first, then its sign: one order for every compiler.
            const int32_t speed = Random(h);
            const bool plus = Random(2) != 0;
            o.speed = static_cast<float>(plus ? speed : -speed);
        }
        const float centre = std::trunc(I * o.speed + o.base);
        q.left = o.left, q.right = o.right, q.top = centre - o.halfHeight, q.bottom = centre + o.halfHeight;
        factor = 2.0f * (0.5f - std::fabs(I - 0.5f));
    } else {  // a glow over the whole display
        q.texture = textureTables.spot;
        q.left = 0.0f, q.top = 0.0f, q.right = static_cast<float>(w), q.bottom = static_cast<float>(h);
        q.u0 = 0.25f * I, q.u1 = 1.0f - 0.25f * I;
        q.v0 = 0.5f + 0.2f * I, q.v1 = 1.0f - 0.25f * I;
    }
    o.fresh = false;
    q.red = a.r * factor, q.green = a.g * factor, q.blue = a.b * factor;
    return 1;
}

int InitCrashModule() {
    RegisterEffectModule(StartCrash, StepCrash);
    if (g.running) RestoreSettings();
    FreeMemory(g.rectangleBlock);
    FreeMemory(g.coverage);
    g = CrashModule{};
    const GridSize size = EffectGridSize();
    g.columns = size.columns;
    g.rows = size.rows;
    g.rectangleBlock = static_cast<Rectangle*>(AllocZeroedArray(size_t{kMaxRectangles} * kMaxDisplays, sizeof(Rectangle)));
    if (!g.rectangleBlock) ReportFatalError(9110, "crash.cpp", kStateFailureLine, "int InitCrashModule()");
    for (int d = 0; d < kMaxDisplays; ++d) g.displays[d].rectangles = g.rectangleBlock + int64_t{kMaxRectangles} * d;
    if (size.cells > 0) {
        g.coverage = static_cast<float*>(AllocZeroedArray(size.cells, sizeof(float)));
        if (!g.coverage) ReportFatalError(9110, "crash.cpp", kCoverageFailureLine, "int InitCrashModule()");
    }
    return 0;
}
