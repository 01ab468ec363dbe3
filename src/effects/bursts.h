// Code bursts (effect slots 1 to 3, keys E, R and T): a rectangular ring grows
// from a point of one display, and the code its border passes flashes up with
// its glow. The movement burst runs over the live rain; the still burst first
// freezes the display, dimmed, for 12 ticks and lets the live rain back in
// behind the ring; the trace-code burst is a still burst centred on a glowing
// tracer head, with up to 20 such heads highlighted during the freeze.
#pragma once

// Registers the movement, still and trace-code bursts (slots 1, 2, 3, in that
// order), allocates the age map and the snapshot at the grid size and builds
// the rise and fade envelopes from the accent colour. A failed allocation is
// fatal (9106). Calling it again replaces the earlier storage. Returns 0.
int InitBurstsModule();
