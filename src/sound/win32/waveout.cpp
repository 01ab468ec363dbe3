#include "sound/win32/waveout.h"

#include <windows.h>

#include <cstring>

#include "host/diagnostics.h"
#include "host/win32/late_dlls.h"
#include "sound/device.h"
#include "sound/held_events.h"
#include "sound/mixer.h"
#include "sound/vorbis.h"
#include "sound/wav_file.h"
#include "sound/win32/binding.h"

namespace {

constexpr int kBuffers = 4;
constexpr int32_t kBufferFrames = kMixRate / 100;
constexpr int kDefaultPan = 128;

struct OutputState {
    // Shared (see the unit header).
    CRITICAL_SECTION lock;
    bool ready;
    HeldSoundEvents held;  // events before ready, played when the thread gets there
    MixSample samples[kSoundSampleCount];
    // Main thread.
    HANDLE thread;
    HANDLE stop;
    // Output thread.
    HWAVEOUT device;
    HANDLE bufferDone;
    WAVEHDR headers[kBuffers];
    int16_t pcm[kBuffers][2 * kBufferFrames];
    WavCapture capture;
};

OutputState g_output;

class Locked {
public:
    Locked() { EnterCriticalSection(&g_output.lock); }
    ~Locked() { LeaveCriticalSection(&g_output.lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

// ---- the events (main thread) -----------------------------------------------

// The events as the mixer takes them, with the lock held and the thread ready;
// each is traced with the mixer's frame count.
void MixAmbientVolume(int volume) {
    MixerSetVolume(0, volume);
    TraceLine("sound ambient volume=%d mixed_frames=%llu", volume, static_cast<unsigned long long>(MixerFramesRendered()));
}
void MixAmbientPan(int pan) {
    MixerSetPan(0, pan);
    TraceLine("sound ambient pan=%d mixed_frames=%llu", pan, static_cast<unsigned long long>(MixerFramesRendered()));
}
void MixOneShot(int sample, int pan, int volume) {
    const int mixPan = pan == kSoundPanNone ? kDefaultPan : (pan == kSoundPanStereo ? kMixStereoPan : pan);
    const int channel = MixerPlay(kMixAnyChannel, &g_output.samples[sample], volume, mixPan);
    TraceLine("sound play sample=%d channel=%d pan=%d volume=%d mixed_frames=%llu", kSoundSampleIds[sample], channel,
              pan, volume, static_cast<unsigned long long>(MixerFramesRendered()));
}
const SoundDevice kMixNow = {MixAmbientVolume, MixAmbientPan, MixOneShot};

// Before the thread is ready an event is held (sound is switched on and at once
// confirmed by a sound; a letter may land while the samples decode).
void BuiltInAmbientVolume(int volume) {
    Locked hold;
    if (g_output.ready) MixAmbientVolume(volume);
    else HoldAmbientVolume(g_output.held, volume);
}
void BuiltInAmbientPan(int pan) {
    Locked hold;
    if (g_output.ready) MixAmbientPan(pan);
    else HoldAmbientPan(g_output.held, pan);
}
void BuiltInPlayOneShot(int sample, int pan, int volume) {
    Locked hold;
    if (g_output.ready) MixOneShot(sample, pan, volume);
    else HoldOneShot(g_output.held, sample, pan, volume);
}

const SoundDevice kBuiltInDevice = {BuiltInAmbientVolume, BuiltInAmbientPan, BuiltInPlayOneShot};

// ---- the output thread --------------------------------------------------------

bool StopRequested() { return WaitForSingleObject(g_output.stop, 0) == WAIT_OBJECT_0; }

// A sample that cannot be decoded stays empty, and plays as silence.
void DecodeSamples() {
    for (int s = 0; s < kSoundSampleCount && !StopRequested(); ++s) {
        const uint8_t* bytes = nullptr;
        uint32_t size = 0;
        const bool loop = s == kSampleAmbientLoop;
        if (FindOggResource(kSoundSampleIds[s], &bytes, &size))
            DecodeVorbisSample(bytes, size, loop, &g_output.samples[s]);
        else
            g_output.samples[s] = MixSample{nullptr, 0, 0, 0, loop};
    }
}

bool OpenDevice() {
    g_output.bufferDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!g_output.bufferDone) return false;
    WAVEFORMATEX format;
    std::memset(&format, 0, sizeof format);
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kMixRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = kMixRate * 4;
    if (late::waveOutOpen(&g_output.device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(g_output.bufferDone), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        g_output.device = nullptr;
        CloseHandle(g_output.bufferDone);
        g_output.bufferDone = nullptr;
        return false;
    }
    return true;
}

void Mix(int16_t* pcm) {
    {
        Locked hold;
        MixerRender(pcm, kBufferFrames);
    }
    AppendWavCapture(g_output.capture, pcm, kBufferFrames);
}

void Submit(int k) {
    WAVEHDR& header = g_output.headers[k];
    Mix(g_output.pcm[k]);
    header.dwFlags &= ~WHDR_DONE;
    late::waveOutWrite(g_output.device, &header, sizeof header);
}

// Keeps the device's queue full until asked to stop; buffers come back in the
// order they were written.
void RunDevice() {
    for (int k = 0; k < kBuffers; ++k) {
        WAVEHDR& header = g_output.headers[k];
        std::memset(&header, 0, sizeof header);
        header.lpData = reinterpret_cast<LPSTR>(g_output.pcm[k]);
        header.dwBufferLength = sizeof g_output.pcm[k];
        late::waveOutPrepareHeader(g_output.device, &header, sizeof header);
    }
    for (int k = 0; k < kBuffers; ++k) Submit(k);
    int oldest = 0;
    const HANDLE waits[2] = {g_output.stop, g_output.bufferDone};
    while (WaitForMultipleObjects(2, waits, FALSE, 200) != WAIT_OBJECT_0) {
        while (g_output.headers[oldest].dwFlags & WHDR_DONE) {
            Submit(oldest);
            oldest = (oldest + 1) % kBuffers;
        }
    }
    late::waveOutReset(g_output.device);
    for (WAVEHDR& header : g_output.headers) late::waveOutUnprepareHeader(g_output.device, &header, sizeof header);
    late::waveOutClose(g_output.device);
    CloseHandle(g_output.bufferDone);
    g_output.device = nullptr;
    g_output.bufferDone = nullptr;
}

// No device, but a capture: mix in step with the clock.
void RunClock() {
    const uint64_t start = MonotonicMicros();
    uint64_t mixed = 0;
    while (WaitForSingleObject(g_output.stop, 5) == WAIT_TIMEOUT) {
        const uint64_t due = (MonotonicMicros() - start) * kMixRate / 1000000;
        while (mixed + kBufferFrames <= due) {
            Mix(g_output.pcm[0]);
            mixed += kBufferFrames;
        }
    }
}

// Processor time of this thread so far, in milliseconds.
double ThreadCpuMs() {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
    const uint64_t k = (static_cast<uint64_t>(kernel.dwHighDateTime) << 32) | kernel.dwLowDateTime;
    const uint64_t u = (static_cast<uint64_t>(user.dwHighDateTime) << 32) | user.dwLowDateTime;
    return (k + u) / 10000.0;  // 100 ns units
}

DWORD WINAPI OutputThread(void*) {
    // Decoding runs at the priority the thread was created with: at time-critical
    // priority it could starve the window on a machine of one core.
    const int decodePriority = GetThreadPriority(GetCurrentThread());
    const uint64_t start = MonotonicMicros();
    DecodeSamples();
    const uint64_t decoded = MonotonicMicros();
    const double decodeCpuMs = ThreadCpuMs();
    if (StopRequested()) return 0;
    const bool device = OpenDevice();
    const bool capture = OpenWavCapture(g_output.capture, diagnostics.soundCapturePath);
    // Mixing takes tens of microseconds a buffer and must not wait behind a
    // process that runs at idle priority.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    TraceLine("sound output device=%s capture=%d decode_ms=%.1f decode_cpu_ms=%.1f open_ms=%.1f decode_priority=%d "
              "mix_priority=%d",
              device ? "waveout" : "none", capture ? 1 : 0, (decoded - start) / 1000.0, decodeCpuMs,
              (MonotonicMicros() - decoded) / 1000.0, decodePriority, GetThreadPriority(GetCurrentThread()));
    if (!device && !capture) return 0;
    {
        Locked hold;
        MixerReset();
        MixerSetReserved(0, true);
        MixerPlay(0, &g_output.samples[kSampleAmbientLoop], 0, kDefaultPan);
        g_output.ready = true;
        ReleaseHeldSoundEvents(g_output.held, kMixNow);
    }
    if (device)
        RunDevice();
    else
        RunClock();
    CloseWavCapture(g_output.capture);
    return 0;
}

}  // namespace

const SoundDevice* StartBuiltInSound() {
    if (g_output.thread) return &kBuiltInDevice;
    InitializeCriticalSection(&g_output.lock);
    g_output.ready = false;
    ClearHeldSoundEvents(g_output.held);
    g_output.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    g_output.thread = g_output.stop ? CreateThread(nullptr, 0, OutputThread, nullptr, 0, &id) : nullptr;
    if (!g_output.thread) {
        if (g_output.stop) CloseHandle(g_output.stop);
        g_output.stop = nullptr;
        DeleteCriticalSection(&g_output.lock);
        return nullptr;
    }
    return &kBuiltInDevice;
}

void StopBuiltInSound() {
    if (!g_output.thread) return;
    SetEvent(g_output.stop);
    WaitForSingleObject(g_output.thread, INFINITE);  // a buffer's time, or the rest of a decode
    CloseHandle(g_output.thread);
    CloseHandle(g_output.stop);
    g_output.thread = nullptr;
    g_output.stop = nullptr;
    {
        Locked hold;
        g_output.ready = false;
        ClearHeldSoundEvents(g_output.held);
        MixerReset();
    }
    for (MixSample& sample : g_output.samples) FreeDecodedSample(&sample);
    DeleteCriticalSection(&g_output.lock);
}
