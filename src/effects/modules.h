// The start-up list of the effect modules: their initialisers in the order that
// gives them their slots (see EffectSlot).
#pragma once

// Clears the registry, then runs every module's initialiser. Start-up calls it
// once the settings are loaded and the displays and the grid size are known.
// Returns 0 (an initialiser that cannot allocate ends the process).
int InitEffectModules();
