// Sound events of the rain and the incoming text. Every event does nothing while
// sound is off.
#pragma once

// Volume of the ambient loop, 0..255 (clamped), scaled by the volume option.
void SetAmbientVolume(int volume);
// Pan of the ambient loop, 0 (left) .. 255 (right), clamped.
void SetAmbientPan(int pan);
// A letter of the incoming text landed in `column`.
void PlayLetterPlaced(int column);
// A placed letter in `column` started to flash.
void PlayLetterFlash(int column);

// Binds the sound library and starts the ambient loop when sound is enabled;
// `window` is the window the library attaches to (an HWND on Windows).
void InitSound(void* window);
// Stops every sound and unbinds the library; nothing when sound is off.
void ShutdownSound();
