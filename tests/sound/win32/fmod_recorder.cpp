// A stand-in for the sound library: a DLL named fmod.dll that exports the ten
// FSOUND entry points the screensaver calls, under the names a 64-bit build
// looks up, and appends one line per call to the file named by
// KVS_FMOD_RECORD (plus "loaded" and "unloaded" for the DLL itself). Sample
// handles count up from 1 in load order; a play on any channel answers 1..15
// in turn. Built with KVS_RECORDER_WITHOUT_SET_PAN, it lacks FSOUND_SetPan.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

int g_samplesLoaded = 0;
int g_nextChannel = 0;

void Record(const char* format, ...) {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("KVS_FMOD_RECORD", path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    std::FILE* file = std::fopen(path, "a");
    if (!file) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
}

int Handle(const void* sample) { return static_cast<int>(reinterpret_cast<uintptr_t>(sample)); }

}  // namespace

#define EXPORT extern "C" __declspec(dllexport)

EXPORT signed char __stdcall FSOUND_SetOutput(int output) {
    Record("SetOutput %d", output);
    return 1;
}
EXPORT signed char __stdcall FSOUND_SetHWND(void* window) {
    Record("SetHWND %llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    return 1;
}
EXPORT signed char __stdcall FSOUND_Init(int rate, int channels, unsigned flags) {
    Record("Init %d %d %u", rate, channels, flags);
    return 1;
}
EXPORT void* __stdcall FSOUND_Sample_Load(int index, const char* data, unsigned mode, int offset, int length) {
    const bool ogg = data && length >= 4 && std::memcmp(data, "OggS", 4) == 0;
    Record("Sample_Load %d %s %u %d %d", index, ogg ? "OggS" : "other", mode, offset, length);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(++g_samplesLoaded));
}
EXPORT signed char __stdcall FSOUND_SetReserved(int channel, signed char reserved) {
    Record("SetReserved %d %d", channel, reserved);
    return 1;
}
EXPORT int __stdcall FSOUND_PlaySound(int channel, void* sample) {
    Record("PlaySound %d %d", channel, Handle(sample));
    return channel < 0 ? 1 + g_nextChannel++ % 15 : channel;
}
EXPORT signed char __stdcall FSOUND_SetVolume(int channel, int volume) {
    Record("SetVolume %d %d", channel, volume);
    return 1;
}
#ifndef KVS_RECORDER_WITHOUT_SET_PAN
EXPORT signed char __stdcall FSOUND_SetPan(int channel, int pan) {
    Record("SetPan %d %d", channel, pan);
    return 1;
}
#endif
EXPORT signed char __stdcall FSOUND_StopSound(int channel) {
    Record("StopSound %d", channel);
    return 1;
}
EXPORT void __stdcall FSOUND_Close() { Record("Close"); }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) Record("loaded");
    if (reason == DLL_PROCESS_DETACH) Record("unloaded");
    return TRUE;
}
