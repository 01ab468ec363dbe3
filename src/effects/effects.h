// The effect registry: effect modules plug in a start and a step callback; at most
// one effect runs at a time, on every display. Effects start by their key, by the
// Spacebar (a random enabled effect) or automatically on per-slot intervals that
// the simulation advances once per tick.
#pragma once

#include <cstdint>

constexpr int kEffectSlotCapacity = 256;
constexpr int kKnownEffectSlots = 9;

// Slots fixed by the registration order of the module initialisers.
enum EffectSlot : int {
    kEffectDejaVu = 0,
    kEffectMovementBurst = 1,
    kEffectStillBurst = 2,
    kEffectTraceBurst = 3,
    kEffectSmallBursts = 4,
    kEffectDrops = 5,
    kEffectLightnings = 6,
    kEffectCrash = 7,
    kEffectSuperman = 8,
};

// Start callback: called once with 0 when triggered; nonzero = already finished.
typedef int (*EffectStartCallback)(int);
// Step callback: called with each chunk's time units while running; nonzero = finished.
typedef int (*EffectStepCallback)(int units);

struct EffectRegistry {
    EffectStartCallback start[kEffectSlotCapacity];
    EffectStepCallback step[kEffectSlotCapacity];
    int32_t registeredCount;
    bool active;
    int32_t currentSlot;
    float elapsed;  // units since the running effect started
};

extern EffectRegistry effectRegistry;
// Automatic start counters of slots 0..8 (ticks since the last chance).
extern int32_t effectStartCounters[kKnownEffectSlots];

// Clears the registry (active, current slot, elapsed, both tables, the count).
// The automatic start counters are not touched.
void ResetEffectModules();
// Slot index, -1 when a callback is missing, -2 when 256 modules are registered.
int RegisterEffectModule(EffectStartCallback start, EffectStepCallback step);
// Starts the effect of `slot` unless an effect runs, incoming text runs, or the
// slot has no step callback.
void TriggerEffect(int slot);
// Steps the running effect with `units`.
void StepEffectModules(int units);
bool IsEffectRunning();

// Told when an effect run starts (running = true) and when it ends, also when
// the start reports at once that it has finished; for tools, tests and the
// trace. One observer at a time; null removes it. ResetEffectModules keeps it.
typedef void (*EffectRunObserver)(int slot, bool running);
void SetEffectRunObserver(EffectRunObserver observer);

// Once per simulation tick: advance the counters of slots 0..8 and give each due
// slot its one-in-five chance.
void RunAutomaticEffectStarts();
// Sets the automatic start counters back to 0 (process start state).
void ResetAutomaticEffectStarts();

// The slot table, read from the live settings.
bool IsEffectSlotEnabled(int slot);  // enable flag (slots 1..3 share the bursts flag)
bool IsEffectKeyEnabled(int slot);   // key flag
int32_t GetEffectInterval(int slot);  // interval coding: 0..254, 255 = key only
char GetEffectKeyLetter(int slot);   // 'D', 'E', 'R', 'T', 'S', 'G', 'V', 'X', 'F'
// Names of slots 0..8 for tools and diagnostics: "dejavu", "movement", "still",
// "trace", "smallbursts", "drops", "lightnings", "crash", "superman"; "" else.
const char* GetEffectName(int slot);
// The slot of a name (letter case ignored), or -1.
int FindEffectSlot(const char* name);

// The slot whose key is `virtualKey` and whose enable and key flags are both set,
// in the order D E R T S G V X F; -1 when none matches.
int MatchEffectKey(int virtualKey);
// Key-down handling of the effect keys: triggers the matching slot and returns 1
// (the key is consumed even when the trigger is refused); 0 when no slot matches.
int HandleEffectKey(int virtualKey);
// The Spacebar: up to 1024 draws of Random(9); the first enabled slot is
// triggered and returned; -1 when none was found.
int TriggerRandomEffect();
