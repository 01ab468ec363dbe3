// Drops (effect slot 5, key G): a series of drops, one after another with
// pauses between them. A drop lights one column of one display from top to
// bottom within one tick, each character brightening, holding and fading in
// the accent colour with a blurred afterglow.
#pragma once

// Registers slot 5, allocates the character columns of the 512 drop records
// at the row count and builds the glyph and afterglow envelopes from the
// accent colour. A failed allocation is fatal (9107). Calling it again
// replaces the earlier storage. Returns 0.
int InitDropsModule();
