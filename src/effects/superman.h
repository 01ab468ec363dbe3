// Superman (effect slot 8, key F), the flashing effect: on one random display
// four wavy horizontal bands flash across the code, a new random set every
// frame, each frame cross-fading into the next. Only cells that show code
// light up, their characters glowing in the accent colour.
#pragma once

// Registers slot 8, allocates the 96 x 4 band arrays (a top and bottom row
// per column) and builds the envelope from the accent colour. A failed
// allocation is fatal (9109). Calling it again replaces the earlier storage.
// Returns 0.
int InitSupermanModule();
