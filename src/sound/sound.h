// Sound events of the rain, the incoming text, the console intro and the
// settings window. Every event does nothing while sound is off, while the sound
// option is cleared or while the volume option is 0 (and then draws no random
// number); which back-end plays them (the sound library or the built-in mixer)
// is the business of InitSound.
#pragma once

// Volume of the ambient loop, 0..255 (clamped), scaled by the volume option.
void SetAmbientVolume(int volume);
// Pan of the ambient loop, 0 (left) .. 255 (right), clamped.
void SetAmbientPan(int pan);
// A letter of the incoming text landed in `column`: one of six landing sounds,
// panned by column, at half the volume option.
void PlayLetterPlaced(int column);
// A placed letter in `column` started to flash: one of six flash sounds.
void PlayLetterFlash(int column);
// The console intro's beam (the first landing sound) and its end (the last
// flash sound), both centred, at half the volume option.
void PlayConsoleSoundA();
void PlayConsoleSoundB();
// The settings window's three interface sounds (not panned).
void PlayUiSound1();
void PlayUiSound2();
void PlayUiSound3();

// Binds the sound library, or else starts the built-in mixer, and starts the
// ambient loop at volume 0, when the sound option is set; `window` is the window
// the library attaches to (an HWND). Nothing when sound is already on.
// Windows only (sound/win32/binding.cpp).
void InitSound(void* window);
// Stops every sound and releases the library or the mixer; nothing when sound
// is off.
void ShutdownSound();
