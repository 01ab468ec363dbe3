// The sound back-ends of Windows behind InitSound and ShutdownSound
// (sound/sound.h). When the sound option is set, InitSound loads the sound
// library "fmod.dll" at run time (the program does not link it) and looks up
// the ten FSOUND entry points the events call, by their decorated stdcall
// export names on 32-bit Windows ("_FSOUND_Init@12") and by their plain names
// on 64-bit Windows, which has one calling convention. Then:
//   - library loaded, every entry point found: the library plays (its calls and
//     their order are listed in binding.cpp);
//   - library loaded but an entry point missing: the library is released and
//     sound stays off;
//   - no library: the built-in mixer plays through waveOut (sound/win32/waveout.h);
//     without an audio device it stays silent.
// Errors are never reported. Main thread only.
#pragma once

#include <cstdint>

// The bytes of the resource `id` of type "OGG" in the program's own module;
// false when it is missing or empty.
bool FindOggResource(int id, const uint8_t** bytes, uint32_t* size);
