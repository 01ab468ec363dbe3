// The time arithmetic of the frame tick: the previous frame's wall-clock length
// becomes simulation units, the first frame may pre-run the rain (jump-in start),
// and the units are fed to the simulation and the effects in chunks of at most
// 1000 units, the effects always after the simulation of the same chunk.
#pragma once

#include <cstdint>

// Longest simulated time of one frame: 60 rows of tracer travel. A longer frame
// (a stall, or a stored speed far beyond the settings window's 51.2) continues
// the rain instead of replaying it, so one frame never runs more than 60 steps.
constexpr int32_t kMaxFrameUnits = 60000;

// trunc(lastFrameMs * 1000 * speed) div 1000, formed in floating point; at least 1
// (also for a non-finite or negative product) and at most kMaxFrameUnits.
int32_t FrameUnits(int32_t lastFrameMs, float speed);

// Number of StepSimulation(1000) calls of the jump-in warm-up: 6 x rows when
// jump-in start is set, else 0 (reads the live settings).
int32_t JumpInWarmupSteps();

// What one frame's time drives; null members use the real operations
// (ClearCodeGrids over the display table, StepSimulation, StepEffectModules).
struct FrameTimeHooks {
    void (*clearGrids)();
    int (*stepSimulation)(int32_t units);
    void (*stepEffects)(int units);
};

// Steps 4 to 6 of the frame tick, after the grids were cleared for the frame:
// on the first frame the jump-in warm-up (simulation only, then a grid clear);
// then the frame's units in chunks: one step when units <= 1000, otherwise
// units div 1000 steps of 1000, a grid clear, and one step of units mod 1000.
// Returns the frame's units (the renderer's argument).
int32_t AdvanceFrameTime(bool firstFrame, int32_t lastFrameMs, const FrameTimeHooks* hooks = nullptr);
