// Small bursts (effect slot 4, key S): a series of small rectangular bursts at
// random points, half a burst time apart, each a code-burst ring bounded by its
// box. Options: each burst on a random display, random sizes, blending out
// beyond the box (up to twice its size), and solid bursts that carry their own
// characters into empty parts of a display.
#pragma once

// Registers slot 4, allocates the age maps and own characters of the 130
// burst records at the grid size and builds the rise and fade envelopes from
// the accent colour. A failed allocation is fatal (9106, reported for the
// unit "smallb.cpp"). Calling it again replaces the earlier storage. Returns 0.
int InitSmallBurstsModule();
