#include "sound/win32/binding.h"

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "host/diagnostics.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "sound/device.h"
#include "sound/sound.h"
#include "sound/win32/waveout.h"

namespace {

// FSOUND values the binding passes.
constexpr int kOutputWinMM = 1;
constexpr int kMixRateHz = 44100;
constexpr int kLibraryChannels = 16;
constexpr unsigned kInitFlags = 1;
constexpr int kFreeChannel = -1;
constexpr int kAllChannels = -3;
constexpr unsigned kLoopOff = 1;
constexpr unsigned kLoopNormal = 2;
constexpr unsigned kLoadFromMemory = 0x8000;

// The library's calling convention is stdcall (only 32-bit Windows tells it apart).
typedef signed char(__stdcall* SetOutputFn)(int output);
typedef signed char(__stdcall* SetHwndFn)(void* window);
typedef signed char(__stdcall* InitFn)(int mixRate, int channels, unsigned flags);
typedef void*(__stdcall* SampleLoadFn)(int index, const char* data, unsigned mode, int offset, int length);
typedef signed char(__stdcall* SetReservedFn)(int channel, signed char reserved);
typedef int(__stdcall* PlaySoundFn)(int channel, void* sample);
typedef signed char(__stdcall* SetVolumeFn)(int channel, int volume);
typedef signed char(__stdcall* SetPanFn)(int channel, int pan);
typedef signed char(__stdcall* StopSoundFn)(int channel);
typedef void(__stdcall* CloseFn)();

// The function table: allocated zero-filled when the library is bound, null
// while it is not.
struct LibraryTable {
    HMODULE module;
    SetOutputFn setOutput;
    SetHwndFn setHwnd;
    InitFn init;
    SampleLoadFn sampleLoad;
    SetReservedFn setReserved;
    PlaySoundFn playSound;
    SetVolumeFn setVolume;
    SetPanFn setPan;
    StopSoundFn stopSound;
    CloseFn close;
};

#if defined(__i386__) || defined(_M_IX86)
#define KVS_FSOUND_EXPORT(name, argumentBytes) "_" #name "@" #argumentBytes
#else
#define KVS_FSOUND_EXPORT(name, argumentBytes) #name
#endif

struct EntryPoint {
    const char* exportName;
    size_t offset;  // of the pointer in LibraryTable
};
const EntryPoint kEntryPoints[] = {
    {KVS_FSOUND_EXPORT(FSOUND_SetOutput, 4), offsetof(LibraryTable, setOutput)},
    {KVS_FSOUND_EXPORT(FSOUND_SetHWND, 4), offsetof(LibraryTable, setHwnd)},
    {KVS_FSOUND_EXPORT(FSOUND_Init, 12), offsetof(LibraryTable, init)},
    {KVS_FSOUND_EXPORT(FSOUND_Sample_Load, 20), offsetof(LibraryTable, sampleLoad)},
    {KVS_FSOUND_EXPORT(FSOUND_SetReserved, 8), offsetof(LibraryTable, setReserved)},
    {KVS_FSOUND_EXPORT(FSOUND_PlaySound, 8), offsetof(LibraryTable, playSound)},
    {KVS_FSOUND_EXPORT(FSOUND_SetVolume, 8), offsetof(LibraryTable, setVolume)},
    {KVS_FSOUND_EXPORT(FSOUND_SetPan, 8), offsetof(LibraryTable, setPan)},
    {KVS_FSOUND_EXPORT(FSOUND_StopSound, 4), offsetof(LibraryTable, stopSound)},
    {KVS_FSOUND_EXPORT(FSOUND_Close, 0), offsetof(LibraryTable, close)},
};

LibraryTable* g_library = nullptr;
void* g_librarySamples[kSoundSampleCount];  // the library's handles, 0 when loading failed

// ---- the library as the events' back-end ------------------------------------

void LibraryAmbientVolume(int volume) { g_library->setVolume(0, volume); }
void LibraryAmbientPan(int pan) { g_library->setPan(0, pan); }

// The library's own results are not tested: a sample that failed to load (0)
// is still passed, and the channel it answers is used as it is.
void LibraryPlayOneShot(int sample, int pan, int volume) {
    const int channel = g_library->playSound(kFreeChannel, g_librarySamples[sample]);
    if (pan != kSoundPanNone) g_library->setPan(channel, pan);
    g_library->setVolume(channel, volume);
}

const SoundDevice kLibraryDevice = {LibraryAmbientVolume, LibraryAmbientPan, LibraryPlayOneShot};

void* LoadOggSample(int id, unsigned mode) {
    const uint8_t* bytes = nullptr;
    uint32_t size = 0;
    if (!g_library || !FindOggResource(id, &bytes, &size)) return nullptr;
    return g_library->sampleLoad(kFreeChannel, reinterpret_cast<const char*>(bytes), mode | kLoadFromMemory, 0,
                                 static_cast<int>(size));
}

enum class Binding { kBound, kNoLibrary, kIncomplete };

Binding BindLibrary(HWND window) {
    auto* table = static_cast<LibraryTable*>(AllocZeroed(sizeof(LibraryTable)));
    if (!table) return Binding::kIncomplete;
    table->module = LoadLibraryA("fmod.dll");
    if (!table->module) {
        FreeMemory(table);
        return Binding::kNoLibrary;
    }
    for (const EntryPoint& entry : kEntryPoints) {
        const FARPROC address = GetProcAddress(table->module, entry.exportName);
        if (!address) {
            TraceLine("sound library_incomplete missing=%s", entry.exportName);
            FreeLibrary(table->module);
            FreeMemory(table);
            return Binding::kIncomplete;
        }
        std::memcpy(reinterpret_cast<char*>(table) + entry.offset, &address, sizeof address);
    }

    g_library = table;
    g_library->setOutput(kOutputWinMM);
    g_library->setHwnd(window);
    g_library->init(kMixRateHz, kLibraryChannels, kInitFlags);
    for (int s = 0; s < kSoundSampleCount; ++s)
        g_librarySamples[s] = LoadOggSample(kSoundSampleIds[s], s == kSampleAmbientLoop ? kLoopNormal : kLoopOff);
    g_library->setReserved(0, 1);
    g_library->playSound(0, g_librarySamples[kSampleAmbientLoop]);
    g_library->setVolume(0, 0);
    return Binding::kBound;
}

void UnbindLibrary() {
    g_library->stopSound(kAllChannels);
    g_library->close();
    FreeLibrary(g_library->module);
    FreeMemory(g_library);
    g_library = nullptr;
    std::memset(g_librarySamples, 0, sizeof g_librarySamples);
}

}  // namespace

bool FindOggResource(int id, const uint8_t** bytes, uint32_t* size) {
    char name[16];
    std::snprintf(name, sizeof name, "#%d", id);
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, name, "OGG");
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    const DWORD length = SizeofResource(module, found);
    if (!data || length == 0) return false;
    *bytes = static_cast<const uint8_t*>(data);
    *size = length;
    return true;
}

void InitSound(void* window) {
    if (!localOptions.soundEnabled || CurrentSoundDevice()) return;
    switch (BindLibrary(static_cast<HWND>(window))) {
        case Binding::kBound:
            TraceLine("sound backend=library");
            SetSoundDevice(&kLibraryDevice);
            break;
        case Binding::kNoLibrary:
            if (const SoundDevice* device = StartBuiltInSound()) {
                TraceLine("sound backend=built-in");
                SetSoundDevice(device);
            }
            break;
        case Binding::kIncomplete:
            break;
    }
}

void ShutdownSound() {
    const bool wasOn = CurrentSoundDevice() != nullptr;
    SetSoundDevice(nullptr);
    if (g_library) UnbindLibrary();
    StopBuiltInSound();
    if (wasOn) TraceLine("sound shutdown");
}
