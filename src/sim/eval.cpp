#include "sim/eval.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "effects/effects.h"
#include "host/display_table.h"
#include "render/textures.h"
#include "settings/fatal.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/random.h"
#include "sound/sound.h"

__tracer tracerPool[kTracerSlots];
StreamCell* patternMemory[16];
TracerCurves tracerCurves;
SimulationState simulation;
IncomingTextState incomingText;

namespace {

// Source lines reported by the two fatal allocation sites.
constexpr int kColumnBufferFailureLine = 84;
constexpr int kPatternFailureLine = 118;

constexpr int32_t kRowUnits = 1000;
constexpr int32_t kRotationUnits = 3000;
constexpr int32_t kFadeUnits = 2500;
constexpr int32_t kErasedVanishUnits = 4000;
// Ages and fades only matter up to a few thousand units; holding them below this
// cap keeps long-lived cells from overflowing.
constexpr int32_t kAgeCap = 1000000000;
// The running clock is moved back by a multiple of 3000 units before it could
// overflow, which keeps every tick and rotation boundary where it was. It stays
// far above every start threshold that is compared with it.
constexpr int64_t kClockRebaseAt = 2000000000;
constexpr int64_t kClockRebaseBy = 1500000000;
static_assert(kClockRebaseBy % kRotationUnits == 0, "rebasing keeps tick and turn phases");
constexpr int kMaxPickCandidates = 1024;
// A new stream's eraser starts at most this many rows above the display (the
// settings window gives at most 15 x 261 + 130). Longer stored lengths are held
// here: such a stream never ends on screen anyway, and row arithmetic stays far
// from overflow.
constexpr int64_t kMaxStreamRows = 1000000;
constexpr int32_t kRestingHeadPause = 10000000;
constexpr double kPi = 3.14159265358979323846;

uint32_t SteadyMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

TickSource g_clock = SteadyMilliseconds;

const SimulationSoundSink kModuleSound = {SetAmbientVolume, SetAmbientPan, PlayLetterPlaced, PlayLetterFlash};
const SimulationSoundSink* g_sound = &kModuleSound;

struct Rgb {
    float r, g, b;
};

inline Rgb operator*(Rgb c, float k) { return Rgb{c.r * k, c.g * k, c.b * k}; }
inline Rgb operator+(Rgb a, Rgb b) { return Rgb{a.r + b.r, a.g + b.g, a.b + b.b}; }

Rgb BaseColor() { return Rgb{settings.baseColor[0], settings.baseColor[1], settings.baseColor[2]}; }
Rgb AccentColor() { return Rgb{settings.accentColor[0], settings.accentColor[1], settings.accentColor[2]}; }

Rgb Eval(const aPath& curve, double time) {
    double r = 0, g = 0, b = 0;
    EvalPath(curve, time, &r, &g, &b);
    return Rgb{static_cast<float>(r), static_cast<float>(g), static_cast<float>(b)};
}

int32_t TruncToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

int32_t Clamp32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

inline int32_t AddCapped(int32_t value, int32_t d) {
    const int64_t sum = static_cast<int64_t>(value) + d;
    if (sum > kAgeCap) return kAgeCap;
    if (sum < -kAgeCap) return -kAgeCap;
    return static_cast<int32_t>(sum);
}

inline uint32_t GlyphIndex(uint8_t glyph) { return glyph < kGlyphCount ? glyph : glyph % kGlyphCount; }

inline bool OnScreen(int32_t row) { return row >= 0 && row < simulation.rows; }

void Push(__buffer& grid, int32_t column, int32_t row, uint32_t texture, Rgb c, uint32_t quad) {
    PushCellLayer(grid, static_cast<uint32_t>(column), static_cast<uint32_t>(row), texture, c.r, c.g, c.b, quad);
}

void ZeroCells(StreamCell* cells) {
    if (cells && simulation.rows > 0) std::memset(cells, 0, sizeof(StreamCell) * static_cast<size_t>(simulation.rows));
}

// Zeroes a tracer record, keeping its column buffer (and cleaning it).
void ResetTracer(__tracer& t, int slot) {
    StreamCell* cells = t.cells;
    t = __tracer{};
    t.cells = cells;
    t.slot = slot;
    ZeroCells(cells);
}

const StreamCell* PatternAt(int display, int32_t column, int32_t row) {
    if (display < 0 || display >= simulation.displays || !patternMemory[display]) return nullptr;
    if (column < 0 || column >= simulation.columns || row < 0 || row >= simulation.rows) return nullptr;
    return &patternMemory[display][static_cast<size_t>(column) * simulation.rows + row];
}

// Fills one stream cell when a stream starts: visible, rotator, glyph and next
// glyph, drawn in this order.
void FillStreamCell(StreamCell& c, int density, int display, int32_t column, int32_t row) {
    c.visible = Random(100) < density ? 1 : 0;
    const StreamCell* pattern = settings.keepPattern ? PatternAt(display, column, row) : nullptr;
    if (pattern) {
        c.rotator = pattern->rotator;
        c.glyph = pattern->glyph;
    } else {
        c.rotator = Random(10) < settings.rotatorsOccurrence ? 1 : 0;
        c.glyph = static_cast<uint8_t>(Random(kGlyphCount));
    }
    if (c.rotator != 0) c.nextGlyph = static_cast<uint8_t>(Random(kGlyphCount));
}

void BuildCurve(aPath& curve, std::initializer_list<aPathKey> keys) {
    FreePath(curve);
    InitPath(curve);
    for (const aPathKey& k : keys) AddPathKey(curve, k.time, k.red, k.green, k.blue);
}

void BuildTracerCurves() {
    const double br = settings.baseColor[0], bg = settings.baseColor[1], bb = settings.baseColor[2];
    const double ar = settings.accentColor[0], ag = settings.accentColor[1], ab = settings.accentColor[2];
    TracerCurves& c = tracerCurves;
    BuildCurve(c.tracerGlow, {{0.0, 0, 0, 0}, {0.9, 0.5 * ar, 0.5 * ag, 0.5 * ab}, {1.0, ar, ag, ab}, {2.0, br, bg, bb}});
    BuildCurve(c.tracerHalo, {{0.0, 0, 0, 0},
                              {0.7, 0.2 * ar, 0.2 * ag, 0.2 * ab},
                              {1.1, ar, ag, ab},
                              {1.8, ar, ag, ab},
                              {2.2, 0, 0, 0}});
    BuildCurve(c.eraserFade, {{0.0, br, bg, bb}, {2.0, 0, 0, 0}});
    BuildCurve(c.eraserDissolve, {{0.0, 0, 0, 0}, {2.0, br, bg, bb}, {4.0, 0, 0, 0}});
    BuildCurve(c.rotatorFade, {{0.0, br, bg, bb}, {1.0, 0, 0, 0}});
    BuildCurve(c.rotatorBlur, {{0.0, 0, 0, 0}, {1.0, br, bg, bb}, {2.5, 0, 0, 0}});
    BuildCurve(c.letterTrail, {{0.0, 0, 0, 0}, {0.5, ar, ag, ab}, {1.5, ar, ag, ab}, {2.0, 0, 0, 0}});
    BuildCurve(c.letterCode, {{1.0, 0, 0, 0}, {2.0, br, bg, bb}});
    BuildCurve(c.letterFlash, {{0.0, ar, ag, ab}, {0.5, 0, 0, 0}});
    BuildCurve(c.letterGlow, {{0.0, 0, 0, 0}, {0.5, ar, ag, ab}, {1.0, 0, 0, 0}});
}

void FreeTracerCurves() {
    aPath* curves[] = {&tracerCurves.tracerGlow,  &tracerCurves.tracerHalo,  &tracerCurves.eraserFade,
                       &tracerCurves.eraserDissolve, &tracerCurves.rotatorFade, &tracerCurves.rotatorBlur,
                       &tracerCurves.letterTrail, &tracerCurves.letterCode,  &tracerCurves.letterFlash,
                       &tracerCurves.letterGlow};
    for (aPath* c : curves) FreePath(*c);
}

void ReleaseStorage() {
    for (__tracer& t : tracerPool) {
        FreeMemory(t.cells);
        t.cells = nullptr;
    }
    for (StreamCell*& p : patternMemory) {
        FreeMemory(p);
        p = nullptr;
    }
}

void Release(int32_t frac) {
    const int32_t log2 = settings.releaseIntervalLog2;
    const int32_t period = (log2 >= 0 && log2 <= 8) ? (1 << log2) : 1;
    if (simulation.releaseCounter % period == 0) {
        int64_t m = settings.releaseMaxTracers;
        if (Random(settings.splashInterval) == 0) m *= settings.splashMaxTracers;
        int32_t n = Random(Random(Clamp32(m)) + 1) + 1;
        if (n == 1)
            n = 2;
        else if (n == 2)
            n = 1;
        const int64_t wanted = static_cast<int64_t>(n) * simulation.displays;
        if (Random(3) != 0) {
            int64_t attempts = 0;
            for (int slot = 0; slot < kTracerSlots && attempts < wanted; ++slot) {
                __tracer& t = tracerPool[slot];
                if (t.active) continue;
                ++attempts;
                if (StartTracer(slot) == 0) {
                    t.slot = slot;
                    t.headProgress += frac;
                    t.eraserProgress += frac;
                }
            }
        }
    }
    // Wrapping far below the overflow keeps every period (a power of two up to 256).
    simulation.releaseCounter = (simulation.releaseCounter + 1) & 0x3fffffff;
}

void ClearRoomForLetters() {
    const int32_t n = simulation.columns / (incomingText.lettersStarted > 1 ? incomingText.lettersStarted : 1) + 1;
    const int32_t q = simulation.rows / 4;
    int32_t given = 0;
    for (__tracer& u : tracerPool) {
        if (given >= n) break;
        if (!u.active || u.isLetter || u.fade != 0) continue;
        if (u.headRow - u.eraserRow > q || u.eraserPause != 0 || u.headPause != 0) {
            u.fade = u.headProgress;
            ++given;
        }
    }
}

// The overwrite test of a head that entered a new row.
void OverwriteTest(__tracer& t) {
    for (__tracer& u : tracerPool) {
        if (!u.active || &u == &t || u.display != t.display || u.column != t.column) continue;
        if (!(u.eraserRow <= t.headRow && t.headRow <= u.headRow)) continue;
        if (!t.isLetter && !u.isLetter) {
            // The streams merge into u.
            const int32_t from = t.eraserRow - 4 > 0 ? t.eraserRow - 4 : 0;
            const int32_t to = t.headRow < simulation.rows - 1 ? t.headRow : simulation.rows - 1;
            for (int32_t r = from; r <= to; ++r) u.cells[r] = t.cells[r];
            u.eraserRow = t.eraserRow;
            t.active = 0;
        } else if (!t.isLetter) {
            if (t.fade == 0) t.fade = t.headProgress;
        } else {
            if (u.fade == 0) u.fade = u.headProgress;
        }
    }
}

void MoveHead(__tracer& t, int32_t d) {
    const int32_t R = simulation.rows;
    t.headProgress += d;
    while (t.headProgress > kRowUnits) {
        t.headProgress -= kRowUnits;
        t.headRow += 1;
        if (t.isLetter && t.headRow >= t.targetRow) {
            t.headRow = t.targetRow;
            if (!t.letterPlaced) {
                t.letterPlaced = 1;
                g_sound->playLetterPlaced(t.column);
                incomingText.lettersPlaced += 1;
                ClearRoomForLetters();
            }
            if (settings.textHideTrailer && t.fade == 0) t.fade = t.headProgress;
            return;
        }
        if (OnScreen(t.headRow)) t.cells[t.headRow].writtenAge = t.headProgress;
        if (!t.isLetter) {
            const int32_t draw = Random(Clamp32(static_cast<int64_t>(R / 2) * settings.pauseRarity));
            if (draw == 0 && t.headPause == 0 && !incomingText.textQuiet)
                t.headPause = Clamp32((static_cast<int64_t>(Random(R) / 2) + R / 2) * 2000);
        }
        if (!settings.noOverwriteTest) OverwriteTest(t);
        if (!t.isLetter && settings.killingGround && t.headRow == R && t.fade == 0) t.fade = t.headProgress;
    }
}

void MoveEraser(__tracer& t, int32_t d) {
    const int32_t R = simulation.rows;
    const int32_t C = simulation.columns;
    if (t.eraserPause != 0) {
        t.eraserPause -= d;
        if (t.eraserPause < 0) t.eraserPause = 0;
        return;
    }
    if (t.meetCount >= 2) return;
    t.eraserProgress += d;
    while (t.eraserProgress > kRowUnits) {
        t.eraserProgress -= kRowUnits;
        t.eraserRow += 1;
        if (t.eraserRow == t.headRow) {
            // The eraser caught the head.
            t.meetCount += 1;
            t.eraserRow -= 1;
            if (!t.isLetter) {
                if (incomingText.textQuiet) t.fade = t.headProgress;
                if (OnScreen(t.headRow)) t.cells[t.headRow].erasedAge = t.eraserProgress;
                t.headPause = Clamp32(static_cast<int64_t>(Random(C / 2)) * 1000);
                const int32_t wait = Random(Clamp32(static_cast<int64_t>(C) * settings.streamLength));
                t.eraserPause = Clamp32(static_cast<int64_t>(t.headPause) + 10000 + static_cast<int64_t>(wait) * 1000);
            } else {
                t.eraserPause = 0;
                t.headPause = 0;
            }
            return;
        }
        if (OnScreen(t.eraserRow)) t.cells[t.eraserRow].erasedAge = t.eraserProgress;
        if (!t.isLetter && t.meetCount == 0) {
            const int32_t draw = Random(Clamp32(static_cast<int64_t>(R / 2) * settings.pauseRarity));
            if (draw == 0 && t.eraserPause == 0 && !incomingText.textQuiet)
                t.eraserPause = Clamp32((static_cast<int64_t>(Random(R) / 2) + R / 2) * 2000);
        }
    }
}

// One piece of at most 1000 units of tracer travel.
void AdvancePiece(__tracer& t, int32_t d) {
    if (t.fade != 0) {
        t.fade = AddCapped(t.fade, d);
        if (t.fade > kFadeUnits && !t.isLetter) {
            t.active = 0;
            return;
        }
    }
    if (t.headPause != 0) {
        t.headPause -= d;
        if (t.headPause < 1) {
            const int32_t gap = t.headRow - t.eraserRow;
            if (gap >= 2 && gap <= 9) {
                t.headPause += 12000;  // keep resting while the eraser is close behind
            } else {
                t.meetCount -= 1;
                t.headPause = 0;
            }
        }
    } else {
        MoveHead(t, d);
        if (t.flash != 0.0f) {
            const double step = 0.002 * d / settings.speed;
            t.flash += static_cast<float>(0.5 * (step > 0.001 ? step : 0.001));
        }
    }
    MoveEraser(t, d);
    for (int32_t r = 0; r < simulation.rows; ++r) {
        StreamCell& c = t.cells[r];
        if (c.writtenAge != 0) c.writtenAge = AddCapped(c.writtenAge, d);
        if (c.erasedAge != 0) {
            c.erasedAge = AddCapped(c.erasedAge, d);
            if (c.erasedAge > kErasedVanishUnits) c.visible = 0;
        }
    }
}

// The crossfade colours of the rotators depend only on the rotation phase, the
// same for every cell of a step; they are evaluated once per clock value.
struct RotatorColours {
    int32_t clock;
    bool valid;
    Rgb fadeOut, fadeIn, blurOut, blurIn;
};
RotatorColours g_rotatorColours;

const RotatorColours& CurrentRotatorColours() {
    RotatorColours& rc = g_rotatorColours;
    if (!rc.valid || rc.clock != simulation.clock) {
        const double p = (simulation.clock % kRotationUnits) * 0.001;
        rc.fadeOut = Eval(tracerCurves.rotatorFade, p);
        rc.fadeIn = Eval(tracerCurves.rotatorFade, 3.0 - p);
        rc.blurOut = Eval(tracerCurves.rotatorBlur, p);
        rc.blurIn = Eval(tracerCurves.rotatorBlur, 3.0 - p);
        rc.clock = simulation.clock;
        rc.valid = true;
    }
    return rc;
}

void FlashLetter(__tracer& t) {
    t.flash = 0.001f;
    g_sound->playLetterFlash(t.column);
}

void FlashBatch() {
    int list[kTracerSlots];
    int count = 0;
    for (int slot = 0; slot < kTracerSlots; ++slot)
        if (tracerPool[slot].active && tracerPool[slot].isLetter) list[count++] = slot;
    if (count == 0) return;
    const int32_t placed = incomingText.lettersPlaced;
    for (int attempt = 0; attempt < 100; ++attempt) {
        int32_t k = placed / 20;
        if (Random(100) < (placed % 20) * 5) k += 1;
        if (k == 0 && placed <= 19) k = 1;
        int32_t picked = 0;
        while (picked < k) {
            __tracer& t = tracerPool[list[Random(count)]];
            if (t.flash != 0.0f) break;  // already flashing: this attempt ends
            FlashLetter(t);
            ++picked;
        }
        if (picked >= k) return;
    }
}

void EndIncomingText() {
    IncomingTextState& s = incomingText;
    s.textActive = 0;
    s.textAllowed = settings.textRepeat ? 1 : 0;
    s.lettersPlaced = 0;
    s.textClock = 0;
    s.textQuiet = 0;
    s.lettersStarted = 0;
    s.cameraZoom = 0.0f;
    for (__tracer& t : tracerPool)
        if (t.isLetter) t.active = 0;
}

int32_t StageStart(int i) {
    if (settings.textDoubleSpeedOut) return TruncToInt((29.0 - 0.5 * i) * 1000.0);
    return 28000 - 1000 * (i - 1);
}

size_t LineLength(const char* line) {
    if (!line) return 0;
    size_t n = 0;
    while (n < static_cast<size_t>(kTextLineLength) && line[n] != '\0') ++n;
    return n;
}

}  // namespace

void SetEvaluatorClock(TickSource clock) { g_clock = clock ? clock : SteadyMilliseconds; }

void SetSimulationSoundSink(const SimulationSoundSink* sink) { g_sound = sink ? sink : &kModuleSound; }

int InitEvaluator() {
    const uint32_t t1 = g_clock();
    const uint32_t t2 = g_clock();
    SeedRandom(t2 % 31329, t1 % 30081);

    BuildTracerCurves();
    g_rotatorColours.valid = false;

    ReleaseStorage();
    simulation = SimulationState{};
    simulation.rows = settings.rows > 0 ? settings.rows : 0;
    simulation.columns = settings.columns > 0 ? settings.columns : 0;
    simulation.displays = displayCount < 1 ? 1 : (displayCount > 16 ? 16 : displayCount);

    for (int slot = 0; slot < kTracerSlots; ++slot) {
        __tracer& t = tracerPool[slot];
        t = __tracer{};
        t.slot = slot;
        if (simulation.rows == 0) continue;
        t.cells = static_cast<StreamCell*>(AllocZeroedArray(static_cast<size_t>(simulation.rows), sizeof(StreamCell)));
        if (!t.cells) ReportFatalError(9101, "eval.h", kColumnBufferFailureLine, "int __tracer::alloc()");
    }

    if (settings.keepPattern && simulation.rows > 0 && simulation.columns > 0) {
        const size_t cells = static_cast<size_t>(simulation.columns) * static_cast<size_t>(simulation.rows);
        for (int d = 0; d < simulation.displays; ++d) {
            StreamCell* p = static_cast<StreamCell*>(AllocZeroedArray(cells, sizeof(StreamCell)));
            if (!p) ReportFatalError(9102, "eval.cpp", kPatternFailureLine, "int InitEvaluator()");
            patternMemory[d] = p;
            for (int32_t col = 0; col < simulation.columns; ++col) {
                for (int32_t row = 0; row < simulation.rows; ++row) {
                    StreamCell& c = p[static_cast<size_t>(col) * simulation.rows + row];
                    c.glyph = static_cast<uint8_t>(Random(kGlyphCount));
                    c.rotator = Random(10) < settings.rotatorsOccurrence ? 1 : 0;
                }
            }
        }
    }

    incomingText = IncomingTextState{};
    incomingText.textAllowed = 1;
    ResetAutomaticEffectStarts();
    return 0;
}

void ShutdownEvaluator() {
    ReleaseStorage();
    FreeTracerCurves();
    g_rotatorColours.valid = false;
    for (int slot = 0; slot < kTracerSlots; ++slot) {
        tracerPool[slot] = __tracer{};
        tracerPool[slot].slot = slot;
    }
    simulation = SimulationState{};
    incomingText = IncomingTextState{};
    incomingText.textAllowed = 1;
}

int StepSimulation(int32_t elapsed) {
    const int32_t dt = elapsed < 0 ? 0 : elapsed;
    const int32_t oldFrac = simulation.clock % kRowUnits;
    int64_t clock = static_cast<int64_t>(simulation.clock) + dt;
    while (clock >= kClockRebaseAt) clock -= kClockRebaseBy;
    simulation.clock = static_cast<int32_t>(clock);
    const int32_t frac = simulation.clock % kRowUnits;
    const bool tick = frac <= oldFrac;

    UpdateTextZoom(dt);
    CheckIncomingTextStart(dt);
    StepIncomingTextTimeline(dt);

    if (tick && !incomingText.textQuiet) Release(frac);

    const int32_t phase = simulation.clock % kRotationUnits;
    const bool turn = phase < simulation.rotationPhase;
    simulation.rotationPhase = phase;

    for (__tracer& t : tracerPool) {
        if (!t.active) continue;
        AdvanceTracer(t, dt);
        if (turn) RotateTracerCells(t);
    }
    for (const __tracer& t : tracerPool)
        if (t.active) DrawTracer(t);

    if (tick) {
        FeedAmbientSound();
        RunAutomaticEffectStarts();
    }
    ReapTracers();
    return 0;
}

int StartTracer(int slot) {
    if (slot < 0 || slot >= kTracerSlots) return 1;
    __tracer& t = tracerPool[slot];
    if (t.active) return 1;
    ResetTracer(t, slot);

    const int32_t R = simulation.rows;
    t.display = Random(simulation.displays);
    const int column = PickColumn(t.display);
    if (column < 0) return 2;
    t.column = column;

    t.headRow = -1;
    int64_t spread = static_cast<int64_t>(R) * settings.streamLength;
    if (spread > kMaxStreamRows) spread = kMaxStreamRows;
    if (spread < -kMaxStreamRows) spread = -kMaxStreamRows;  // Random draws from |n|
    t.eraserRow = static_cast<int32_t>(-(R / 2) - Random(static_cast<int32_t>(spread)));
    const bool negative = Random(8) == 0;
    const int density = negative ? settings.negativeDensity : settings.positiveDensity;
    for (int32_t row = 0; row < R; ++row) FillStreamCell(t.cells[row], density, t.display, t.column, row);
    t.glowing = Random(10) < settings.glowingTracers ? 1 : 0;

    // Variability is a count of tenths, 0..10; larger stored values would give
    // factors of 0 or below in the slow branch and a tracer that never moves.
    int32_t v = settings.speedVariability;
    if (v < 0) v = 0;
    if (v > 10) v = 10;
    if (v == 0) {
        t.speed = 1.0f;
    } else if (Random(10) != 0) {
        t.speed = static_cast<float>(1 + Random(v));
    } else {
        t.speed = static_cast<float>(1.0 - 0.1 * Random(v));
    }
    t.active = 1;
    return 0;
}

int PickColumn(int display) {
    const int32_t C = simulation.columns;
    if (settings.noOverwriteTest) return Random(C);

    int32_t k = C / 8;
    if (k < 2) k = 2;
    if (k > kMaxPickCandidates) k = kMaxPickCandidates;
    int32_t candidates[kMaxPickCandidates];
    for (int32_t i = 0; i < k; ++i) candidates[i] = Random(C);

    // The display's active streams, gathered once.
    int32_t columns[kTracerSlots];
    int32_t eraserRows[kTracerSlots];
    int count = 0;
    bool headAtTop = false;
    for (const __tracer& u : tracerPool) {
        if (!u.active || u.display != display) continue;
        columns[count] = u.column;
        eraserRows[count] = u.eraserRow;
        ++count;
        if (u.headRow == 0) headAtTop = true;
    }

    int32_t bestColumn = -1;
    int32_t bestScore = 0;
    for (int32_t i = 0; i < k; ++i) {
        const int32_t c = candidates[i];
        int32_t score = 0;
        bool neighbour = false;
        for (int j = 0; j < count; ++j) {
            if (columns[j] == c && eraserRows[j] <= 2) score = -1000;
            if (columns[j] == c - 1 || columns[j] == c + 1) neighbour = true;
        }
        if (Random(k) != 0 && neighbour) score += headAtTop ? 3 : 1;
        if (i == 0 || score > bestScore) {
            bestScore = score;
            bestColumn = c;
        }
    }
    return bestScore < 0 ? -1 : bestColumn;
}

void AdvanceTracer(__tracer& t, int32_t elapsed) {
    int32_t d = TruncToInt(static_cast<double>(t.speed * static_cast<float>(elapsed)));
    if (d < 0) d = 0;
    const int32_t k = (d - 1) / kRowUnits;
    if (k != 0) {
        // Cut long travel into whole rows so that no row is skipped.
        const float saved = t.speed;
        t.speed = 1.0f;
        for (int32_t i = 0; i < k && t.active; ++i) AdvancePiece(t, kRowUnits);
        if (t.active) AdvancePiece(t, d - kRowUnits * k);
        t.speed = saved;
        return;
    }
    AdvancePiece(t, d);
}

void RotateTracerCells(__tracer& t) {
    const int32_t from = t.eraserRow + 3 > 0 ? t.eraserRow + 3 : 0;
    const int32_t to = t.headRow - 5 < simulation.rows - 1 ? t.headRow - 5 : simulation.rows - 1;
    for (int32_t r = from; r <= to; ++r) {
        StreamCell& c = t.cells[r];
        if (c.rotator == 2) {
            c.glyph = c.nextGlyph;
            c.nextGlyph = static_cast<uint8_t>(Random(kGlyphCount));
        }
        if (c.rotator == 3) {
            c.rotator = 0;
            c.glyph = c.nextGlyph;
        }
        if (c.rotator == 1) c.rotator = 2;
        if (c.rotator == 2 && r <= t.eraserRow + 5) c.rotator = 1;
    }
}

void DrawTracer(const __tracer& t) {
    if (t.display < 0 || t.display >= kMaxDisplays || !t.cells) return;
    __buffer& grid = codeGrids[t.display];
    const TextureTables& tex = textureTables;
    const TracerCurves& curves = tracerCurves;
    const int32_t R = simulation.rows;
    const float f = t.fade == 0 ? 1.0f : (t.fade < kFadeUnits ? (kFadeUnits - t.fade) * 0.0004f : 0.0f);
    const uint32_t q = settings.charBlurLevel != 0 ? 1 : 0;
    const Rgb B = BaseColor();

    // Head zone.
    if (t.isLetter && t.headRow == t.targetRow) {
        const uint32_t letter = static_cast<uint32_t>(t.letter) & 0xff;
        if (t.flash == 0.0f) {
            Push(grid, t.column, t.headRow, tex.letter[letter], AccentColor(), 1);
        } else {
            Push(grid, t.column, t.headRow, tex.letter[letter], Eval(curves.letterFlash, t.flash), 1);
            Push(grid, t.column, t.headRow, tex.letterGlow[letter], Eval(curves.letterGlow, t.flash), 1);
        }
    }
    for (int32_t row = t.headRow - 2; row <= t.headRow; ++row) {
        if (row < 0 || row >= R) continue;
        if (row >= t.eraserRow - 4 && row <= t.eraserRow + 1) continue;
        const StreamCell& c = t.cells[row];
        const double age = c.writtenAge * 0.001;
        const uint32_t glyph = GlyphIndex(c.glyph);
        if (!t.isLetter) {
            if (!c.visible) continue;
            Rgb colour;
            if (!t.glowing)
                colour = c.writtenAge < 1000 ? B * (c.writtenAge * 0.001f) : B;
            else
                colour = Eval(curves.tracerGlow, age);
            Push(grid, t.column, row, tex.glyph[glyph], colour * f, q);
            if (t.glowing && settings.glowIntensity > 0.0f) {
                Rgb halo = Eval(curves.tracerHalo, age);
                if (settings.glowIntensity < 1.0f) halo = halo * settings.glowIntensity;
                Push(grid, t.column, row, tex.glow[glyph], halo * f, 1);
            }
        } else {
            const uint32_t letter = static_cast<uint32_t>(t.letter) & 0xff;
            Push(grid, t.column, row, tex.letter[letter], Eval(curves.letterTrail, age) * f, 1);
            if (c.visible) Push(grid, t.column, row, tex.glyph[glyph], Eval(curves.letterCode, age) * f, q);
        }
    }

    // Eraser zone.
    for (int32_t row = t.eraserRow - 3; row <= t.eraserRow + 1; ++row) {
        if (row < 0 || row >= R) continue;
        const StreamCell& c = t.cells[row];
        if (!c.visible) continue;
        const uint32_t glyph = GlyphIndex(c.glyph);
        if (!settings.plainErasers) {
            const double age = c.erasedAge * 0.001;
            Push(grid, t.column, row, tex.glyph[glyph], Eval(curves.eraserFade, age) * f, q);
            Push(grid, t.column, row, tex.blurredGlyph[glyph], Eval(curves.eraserDissolve, age) * f, 1);
        } else if (c.erasedAge <= kErasedVanishUnits) {
            Push(grid, t.column, row, tex.glyph[glyph], B * ((1.0f - c.erasedAge * 0.00025f) * f), q);
        }
    }

    // Body.
    const int32_t from = t.eraserRow + 2 > 0 ? t.eraserRow + 2 : 0;
    const int32_t to = t.headRow - 3 < R - 1 ? t.headRow - 3 : R - 1;
    if (from > to) return;
    const Rgb body = B * f;
    for (int32_t row = from; row <= to; ++row) {
        const StreamCell& c = t.cells[row];
        if (!c.visible) continue;
        const uint32_t glyph = GlyphIndex(c.glyph);
        if (c.rotator < 2) {
            Push(grid, t.column, row, tex.glyph[glyph], body, q);
            continue;
        }
        const uint32_t next = GlyphIndex(c.nextGlyph);
        const RotatorColours& rc = CurrentRotatorColours();
        const Rgb fadeOut = rc.fadeOut, fadeIn = rc.fadeIn, blurOut = rc.blurOut, blurIn = rc.blurIn;
        if (!settings.rotatorsPlainFade) {
            Push(grid, t.column, row, tex.glyph[glyph], fadeOut * f, q);
            Push(grid, t.column, row, tex.glyph[next], fadeIn * f, q);
            Push(grid, t.column, row, tex.rotatorBlur[glyph], blurOut * f, 1);
            Push(grid, t.column, row, tex.rotatorBlur[next], blurIn * f, 1);
        } else {
            Push(grid, t.column, row, tex.glyph[glyph], (fadeOut + blurOut) * f, q);
            Push(grid, t.column, row, tex.glyph[next], (fadeIn + blurIn) * f, q);
        }
    }
}

void ReapTracers() {
    const int32_t limit = simulation.rows + 4;
    for (__tracer& t : tracerPool)
        if (t.active && t.eraserRow > limit) t.active = 0;
}

int StartLetterTracer(int slot, int letter, int column, int row) {
    if (slot < 0 || slot >= kTracerSlots) return 1;
    __tracer& t = tracerPool[slot];
    if (t.active) return 1;
    ResetTracer(t, t.slot);

    const int32_t R = simulation.rows;
    t.display = 0;
    t.column = column;
    t.targetRow = row;
    t.letter = letter & 0xff;
    t.isLetter = 1;

    const int32_t span = Clamp32(2 * static_cast<int64_t>(R));
    t.headRow = -1 - Random(span);
    for (const __tracer& u : tracerPool) {
        if (!u.active || &u == &t || u.display != 0 || u.column != column) continue;
        if (t.headRow >= u.eraserRow) t.headRow -= Random(span);
    }
    t.eraserRow = t.headRow - 12 - Random(R / 2);
    t.glowing = 1;

    const int32_t filled = row < R ? row : R;
    for (int32_t r = 0; r < filled; ++r) FillStreamCell(t.cells[r], settings.positiveDensity, 0, column, r);

    t.speed = settings.textDoubleSpeedIn ? 2.0f : 1.0f;
    t.active = 1;
    return 0;
}

void FeedAmbientSound() {
    const int32_t R = simulation.rows;
    const int64_t C = simulation.columns;
    int64_t m = 0, s = 0;
    for (const __tracer& t : tracerPool) {
        if (!t.active || !t.glowing || t.isLetter || t.headPause != 0) continue;
        if (t.headRow < 0 || t.headRow >= R) continue;
        ++m;
        s += t.column;
    }
    if (m > 0 && C > 0) g_sound->setAmbientPan(Clamp32((s * 256) / (C * m)));
    if (settings.consoleStart) {
        const int64_t threshold = 54000 + (settings.jumpInStart ? 4000 * static_cast<int64_t>(R) : 0);
        if (simulation.clock <= threshold) return;
    }
    const int64_t cells = C * simulation.displays;
    if (cells > 0) g_sound->setAmbientVolume(Clamp32((m * 256) / cells));
}

bool IsIncomingTextActive() { return incomingText.textActive != 0; }

void UpdateTextZoom(int32_t elapsed) {
    if (!settings.textZoomIn) return;
    IncomingTextState& s = incomingText;
    if (!s.textActive) {
        s.zoomTime = 0;
        return;
    }
    s.zoomTime = AddCapped(s.zoomTime, elapsed);
    // A run without letters has no depth to zoom along: the camera stays put.
    if (s.highestLetterRow >= 0) return;
    const double k = settings.speed <= 12.0f ? 1.0 : 12.0 / settings.speed;
    double x = k * s.zoomTime / (3000.0 * -static_cast<double>(s.highestLetterRow)) * 1.5;
    if (!(x < 1.0)) x = 1.0;
    s.cameraZoom = static_cast<float>((1.0 - std::cos(kPi * x)) * 0.45);
}

void CheckIncomingTextStart(int32_t elapsed) {
    IncomingTextState& s = incomingText;
    if (!settings.textEnabled || s.textActive || !s.textAllowed || IsEffectRunning()) return;
    s.textWait = AddCapped(s.textWait, elapsed);
    const int64_t due = static_cast<int64_t>(simulation.rows) * 1000 * (static_cast<int64_t>(settings.textInterval) + 1);
    if (s.textWait < due) return;

    s.textWait = 0;
    s.textQuiet = 1;
    s.textActive = 1;
    s.lettersPlaced = 0;
    s.textClock = 0;
    s.runsStarted += 1;

    // Calm the rain.
    for (__tracer& t : tracerPool) {
        if (!t.active) continue;
        if (t.eraserPause != 0 && t.headPause == 0) t.eraserPause = 0;
        if (t.eraserRow < 0) t.eraserRow = -(Random(-(t.eraserRow / 2)) / 2);
        if (t.headPause != 0) t.headPause = kRestingHeadPause;
    }

    // Copies: the settings record is packed, its text fields are read by value.
    char lines[3][kTextLineLength + 1];
    std::memcpy(lines[0], settings.textLine1, kTextLineLength);
    std::memcpy(lines[1], settings.textLine2, kTextLineLength);
    std::memcpy(lines[2], settings.textLine3, kTextLineLength);
    for (auto& line : lines) line[kTextLineLength] = '\0';
    StartIncomingText(lines[0], lines[1], lines[2]);
}

void StartIncomingText(const char* line1, const char* line2, const char* line3) {
    const char* lines[3];
    int n = 0;
    for (const char* line : {line1, line2, line3})
        if (LineLength(line) > 0) lines[n++] = line;
    if (n == 0) return;

    const int32_t M = simulation.rows / 2;
    const int32_t N = simulation.columns / 2;
    const int32_t rows[3][3] = {{M, 0, 0}, {M - 1, M + 1, 0}, {M - 2, M, M + 2}};
    for (int i = 0; i < n; ++i) {
        const char* line = lines[i];
        const int32_t L = static_cast<int32_t>(LineLength(line));
        const int32_t row = rows[n - 1][i];
        int32_t next = 0;
        for (int slot = 0; slot < kTracerSlots && next < L; ++slot) {
            if (tracerPool[slot].active) continue;
            const uint32_t ch = static_cast<unsigned char>(line[next]);
            const int32_t column = N - L + 2 * next;
            ++next;
            // A character without a letter image leaves its place (and this slot) empty.
            if (textureTables.letter[ch] == textureTables.blank) continue;
            tracerPool[slot].slot = slot;
            if (StartLetterTracer(slot, static_cast<int>(ch), column, row) == 0) incomingText.lettersStarted += 1;
        }
    }

    int32_t highest = 0;
    for (const __tracer& t : tracerPool)
        if (t.active && t.isLetter && t.headRow < highest) highest = t.headRow;
    incomingText.highestLetterRow = highest;
}

void StepIncomingTextTimeline(int32_t elapsed) {
    IncomingTextState& s = incomingText;
    if (!s.textActive || s.lettersPlaced != s.lettersStarted) return;
    s.textClock = AddCapped(s.textClock, TruncToInt(4.0 * elapsed / settings.speed));
    const int32_t start = settings.textDoubleSpeedOut ? 20000 : 10000;
    if (s.textClock < start) return;

    if (s.textClock <= 28999) {
        for (int i = 1; i <= 19; ++i) {
            if (StageStart(i) > s.textClock) continue;
            if (!s.stageDone[i]) {
                FlashBatch();
                s.stageDone[i] = 1;
            }
            break;
        }
    }
    if (s.textClock >= 29000) {
        for (__tracer& t : tracerPool)
            if (t.active && t.isLetter && t.flash == 0.0f) FlashLetter(t);
        std::memset(s.stageDone, 0, sizeof s.stageDone);
    }
    if (s.textClock > 29999) EndIncomingText();
}

int CountActiveTracers() {
    int n = 0;
    for (const __tracer& t : tracerPool) n += t.active ? 1 : 0;
    return n;
}
