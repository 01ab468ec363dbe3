#include "sound/sound.h"

// Silent until the sound library binding is in place.
void SetAmbientVolume(int) {}
void SetAmbientPan(int) {}
void PlayLetterPlaced(int) {}
void PlayLetterFlash(int) {}
void InitSound(void*) {}
void ShutdownSound() {}
