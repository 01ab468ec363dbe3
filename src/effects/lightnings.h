// Lightnings (effect slot 6, key V): a bolt of characters on one random
// display, grown as a branching random walk from a top corner, shown as a
// short animation that grows in, flickers through fresh bolts and withdraws.
// Where the bolt crosses code the code's characters glow.
#pragma once

// Registers slot 6, allocates the 48 bolt frames (room for columns x 8 points
// each) and the walk's position map, and builds the envelope from the accent
// colour. A failed allocation is fatal (9108). Calling it again replaces the
// earlier storage. Returns 0.
int InitLightningModule();
