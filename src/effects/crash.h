// Crash (effect slot 7, key X): the displays look as if the system were
// failing. Dark rectangles drift over the code, displays or tiles of them
// flash, dirty flashes blur and brighten the streams, the renderer draws
// screen errors on top, and one included effect after another runs inside the
// crash until enough events have passed. While it runs it overrides some of
// the included effects' settings and puts back every saved byte at its end.
#pragma once

#include "effects/hooks.h"

// Registers slot 7 and allocates the crash state and its coverage map. A
// failed allocation is fatal (9110). Calling it again replaces the earlier
// storage. Returns 0.
int InitCrashModule();

// The saver ends while a crash runs: the settings it overrode get their saved
// values back, as at the crash's own end. Does nothing otherwise.
void EndCrashEarly();

// The screen error quads of display `display` for this frame (at most
// kOverlayQuadCapacity), as DrawCrashFlashes draws them; the geometry of a
// fresh screen error is chosen here. Returns the count.
int CrashOverlayQuads(int display, OverlayQuad* out);
