// Diagnostics for tests and measurements, off unless the environment asks:
//   KVS_TRACE=<file>        append a timing and state log to the file
//   KVS_TEST_SEED=<n>       seed the rain with n instead of the tick count
//   KVS_TEST_FRAME_MS=<n>   simulate every frame as n ms long (pacing stays real)
//   KVS_TEST_HOLD_FRAMES=<n> after n frames keep showing the same code grids
//                            (no more simulation), so a picture can be compared
//   KVS_TEST_DIRECT_LAYERS=1 draw every cell layer on its own instead of by texture
//   KVS_TEST_WHOLE_QUADS=1  draw every quad of the grid passes whole
//   KVS_TEST_EFFECT=<name>@<n> start the effect <name> (dejavu, movement, still,
//                            trace, smallbursts, drops, lightnings, crash,
//                            superman) before frame n, or as soon
//                            after as no other effect or incoming text runs
//   KVS_TEST_DISPLAYS=<n>   split the desktop into a grid of n equal displays
//                            (1..16), as if the system had reported them
//   KVS_SOUND_WAV=<file>    write what the built-in mixer mixes to a WAV file
//                            (16-bit stereo 44100 Hz), also without a sound device
// Portable; nothing here allocates after ReadDiagnosticsOptions.
#pragma once

#include <cstdint>

struct DiagnosticsOptions {
    char tracePath[512];  // empty: no trace
    bool fixedSeed;
    uint32_t seed;
    bool fixedFrameMs;
    int32_t frameMs;
    int32_t holdAfterFrames;  // 0: never hold
    bool directLayers;
    bool wholeQuads;
    int32_t effectSlot;   // -1: none
    int32_t effectFrame;
    int32_t testDisplays;  // 0: the displays the system reports
    char soundCapturePath[512];  // empty: no capture
};

extern DiagnosticsOptions diagnostics;

// Reads the environment once, at start-up.
void ReadDiagnosticsOptions();
// Parses "<name>@<frame>" into the effect fields; false (fields untouched) when
// the text is not of that form.
bool ParseEffectTrigger(const char* text, DiagnosticsOptions& options);

bool TraceEnabled();
// Appends one formatted line (a newline is added) to the trace file.
void TraceLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Microseconds of a monotonic clock.
uint64_t MonotonicMicros();

// Per-frame timing, summarised in the trace about once a second and at the end.
struct FrameTiming {
    uint64_t simulationUs;  // grid clears, simulation and effect steps
    uint64_t renderUs;      // RenderFrame as a whole
    uint64_t walkUs;        //   of which the grid walk collecting the quads
    uint64_t submitUs;      //   and the GL calls drawing them
    uint64_t presentUs;     // counter line, flush and buffer swap
    uint64_t frameUs;       // the whole tick without its pacing sleep
    uint32_t layers;        // cell layers drawn
    // Pixels covered by the quads: the full-size grid pass, motion blur's small
    // grid pass and its composition of the remembered frames.
    uint64_t gridFragments, smallFragments, composeFragments;
};
void RecordFrameTiming(const FrameTiming& timing);
// Writes the summary of every frame recorded so far.
void TraceTimingSummary(const char* label);
// Frames recorded so far.
uint64_t RecordedFrames();
