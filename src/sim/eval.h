// The code rain: the tracer pool with its column buffers and pattern memory, the
// simulation step (releases, heads and erasers, pauses, merges, fades, rotators,
// drawing into the code grids, the ambient sound feed, the automatic effect
// starts) and the incoming text, whose letters are carried by tracers of the pool.
//
// Time is counted in units: 1000 units are one row of head travel at speed 1.0.
#pragma once

#include <cstdint>

#include "sim/path.h"

constexpr int kTracerSlots = 512;
constexpr int kTextLineLength = 128;

// One character position of a stream.
struct StreamCell {
    uint8_t visible;    // 1 = the position holds a character
    uint8_t glyph;      // 0..54
    uint8_t rotator;    // 0 none, 1 at rest, 2 rotating, 3 settle on nextGlyph
    uint8_t nextGlyph;  // 0..54, rotators only
    int32_t writtenAge; // units since the head entered the row; 0 = not written
    int32_t erasedAge;  // units since the eraser entered the row; 0 = not erased
};

struct __tracer {
    uint8_t active;
    int32_t slot;
    int32_t column;
    int32_t display;
    int32_t headRow;
    int32_t headProgress;
    uint8_t glowing;
    int32_t headPause;
    int32_t eraserRow;
    int32_t eraserProgress;
    int32_t eraserPause;
    int32_t meetCount;
    float speed;
    int32_t fade;
    uint8_t isLetter;
    int32_t letter;
    int32_t targetRow;
    uint8_t letterPlaced;
    float flash;
    StreamCell* cells;  // the slot's column buffer of `rows` cells
};

struct SimulationState {
    int32_t clock;          // running sum of elapsed units (kept below 2e9, see StepSimulation)
    int32_t rotationPhase;  // clock mod 3000 as of the previous step
    int32_t releaseCounter; // ticks on which releases were considered
    int32_t rows;           // geometry the column buffers were allocated for
    int32_t columns;
    int32_t displays;
};

// The ten colour envelopes of the tracers; times in thousands of units.
struct TracerCurves {
    aPath tracerGlow;
    aPath tracerHalo;
    aPath eraserFade;
    aPath eraserDissolve;
    aPath rotatorFade;
    aPath rotatorBlur;
    aPath letterTrail;
    aPath letterCode;
    aPath letterFlash;
    aPath letterGlow;
};

// Run state of the incoming text.
struct IncomingTextState {
    uint8_t textActive;       // a run is in progress
    uint8_t textQuiet;        // no releases, no random pauses, meetings fade
    uint8_t textAllowed;      // a run may start (1 at process start)
    int32_t textWait;         // units waited toward the next run
    int32_t textClock;        // timeline clock of the run
    int32_t lettersStarted;
    int32_t lettersPlaced;
    uint8_t stageDone[20];    // flash stages fired, index 1..19
    int32_t zoomTime;
    float cameraZoom;         // 0..0.9, read by the renderer
    int32_t highestLetterRow; // smallest start row of the run's letters, 0 at most
    int32_t runsStarted;      // statistics: runs started since InitEvaluator
};

extern __tracer tracerPool[kTracerSlots];
extern StreamCell* patternMemory[16];  // per display, columns x rows, column-major
extern TracerCurves tracerCurves;
extern SimulationState simulation;
extern IncomingTextState incomingText;

// The tick counter InitEvaluator reads for its seed; the Win32 host sets it to
// GetTickCount. By default a monotonic millisecond clock.
typedef uint32_t (*TickSource)();
void SetEvaluatorClock(TickSource clock);

// Sound events the simulation raises; by default those of the sound module.
struct SimulationSoundSink {
    void (*setAmbientVolume)(int);
    void (*setAmbientPan)(int);
    void (*playLetterPlaced)(int);
    void (*playLetterFlash)(int);
};
void SetSimulationSoundSink(const SimulationSoundSink* sink);  // null = the sound module

// Seeds the random source, builds the colour curves, allocates the 512 column
// buffers and, with keep-pattern, the pattern memory of every display; resets the
// pool, the simulation state and the incoming-text state. Fatal on allocation
// failure (9101, 9102). Storage of an earlier call is released first. Returns 0.
int InitEvaluator();
// Releases everything InitEvaluator allocated (tests and tools only).
void ShutdownEvaluator();

// One simulation step of `elapsed` units (0..1000). Returns 0.
int StepSimulation(int32_t elapsed);

// 0 started, 1 slot busy, 2 no column available (the slot stays free).
int StartTracer(int slot);
// A column of `display` for a new stream, or -1 when every candidate is blocked.
int PickColumn(int display);
void AdvanceTracer(__tracer& t, int32_t elapsed);
// The rotator pass over one tracer's cells (on a rotation turn).
void RotateTracerCells(__tracer& t);
void DrawTracer(const __tracer& t);
void ReapTracers();
// 0 started, 1 slot busy. The caller sets the slot field first.
int StartLetterTracer(int slot, int letter, int column, int row);
// The per-tick ambient sound feed.
void FeedAmbientSound();

// Incoming text.
bool IsIncomingTextActive();
void UpdateTextZoom(int32_t elapsed);
void CheckIncomingTextStart(int32_t elapsed);
void StepIncomingTextTimeline(int32_t elapsed);
// Lays out up to three lines (null or empty lines are skipped) and starts their letters.
void StartIncomingText(const char* line1, const char* line2, const char* line3);

int CountActiveTracers();
