// The console start intro: with "Console Start" the saver opens on a dark
// screen where a glowing cursor lights up in the middle of each display, opens
// into a vertical beam and a horizontal glow, the screen pulses three times
// under sweeping scan lines, and after 108 ticks the rain shows behind a black
// veil that fades out over 6 more ticks. The renderer drives it through the
// hooks of effects/hooks.h; the simulation runs underneath all the while.
#pragma once

#include "effects/hooks.h"

constexpr double kConsoleRainTick = 108.0;  // the rain shows from here
constexpr double kConsoleEndTick = 114.0;   // nothing more is drawn from here

// The intro clock in ticks (1000 units each), counted since the set-up.
double ConsoleIntroClock();

// The intro's quads of display `display` for this frame (at most
// kOverlayQuadCapacity), as DrawConsoleIntro draws them; moves the display's
// scan lines by their drift and plays the beam sound on its first frame.
// Returns the count.
int ConsoleIntroQuads(int display, OverlayQuad* out);
