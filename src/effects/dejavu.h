// Deja vu (effect slot 0, key D): horizontal bars of whole rows flash over the
// displays, re-drawing the code under them in their own colour (and their own
// random characters where a display is empty), and, with "Rewrite code", leave
// their characters in the streams they crossed.
#pragma once

// Registers slot 0, allocates the 128 bar patterns at the grid size and builds
// the accent and base envelopes from the colours and the bar length. A failed
// allocation is fatal (9105). Calling it again replaces the earlier storage.
// Returns 0.
int InitDejaVuModule();
