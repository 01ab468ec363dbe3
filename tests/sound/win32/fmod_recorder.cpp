// A stand-in for the sound library: fmod.dll exporting the ten FSOUND entry
// points the screensaver calls (by the names a 64-bit build looks up), each
// appending one line to the file named by KVS_FMOD_RECORD, as do loading and
// unloading. Sample handles count from 1 in load order; a play on any channel
// answers 1..15 in turn. With KVS_RECORDER_WITHOUT_SET_PAN, FSOUND_SetPan is missing.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

int g_samplesLoaded = 0, g_nextChannel = 0;

void Record(const char* format, ...) {
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("KVS_FMOD_RECORD", path, sizeof path);
    std::FILE* file = length && length < sizeof path ? std::fopen(path, "a") : nullptr;
    if (!file) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
}

}  // namespace

#define EXPORT extern "C" __declspec(dllexport)
#define RECORDED(...)  \
    Record(__VA_ARGS__); \
    return 1

EXPORT signed char __stdcall FSOUND_SetOutput(int output) { RECORDED("SetOutput %d", output); }
EXPORT signed char __stdcall FSOUND_SetHWND(void* window) {
    RECORDED("SetHWND %llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
}
EXPORT signed char __stdcall FSOUND_Init(int rate, int channels, unsigned flags) {
    RECORDED("Init %d %d %u", rate, channels, flags);
}
EXPORT void* __stdcall FSOUND_Sample_Load(int index, const char* data, unsigned mode, int offset, int length) {
    const bool ogg = data && length >= 4 && std::memcmp(data, "OggS", 4) == 0;
    Record("Sample_Load %d %s %u %d %d", index, ogg ? "OggS" : "other", mode, offset, length);
    return reinterpret_cast<void*>(static_cast<uintptr_t>(++g_samplesLoaded));
}
EXPORT signed char __stdcall FSOUND_SetReserved(int channel, signed char on) { RECORDED("SetReserved %d %d", channel, on); }
EXPORT int __stdcall FSOUND_PlaySound(int channel, void* sample) {
    Record("PlaySound %d %d", channel, static_cast<int>(reinterpret_cast<uintptr_t>(sample)));
    return channel < 0 ? 1 + g_nextChannel++ % 15 : channel;
}
EXPORT signed char __stdcall FSOUND_SetVolume(int channel, int volume) { RECORDED("SetVolume %d %d", channel, volume); }
#ifndef KVS_RECORDER_WITHOUT_SET_PAN
EXPORT signed char __stdcall FSOUND_SetPan(int channel, int pan) { RECORDED("SetPan %d %d", channel, pan); }
#endif
EXPORT signed char __stdcall FSOUND_StopSound(int channel) { RECORDED("StopSound %d", channel); }
EXPORT void __stdcall FSOUND_Close() { Record("Close"); }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH || reason == DLL_PROCESS_DETACH) Record(reason == DLL_PROCESS_ATTACH ? "loaded" : "unloaded");
    return TRUE;
}
