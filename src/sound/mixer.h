// The built-in mixer: 16 channels of decoded samples mixed into 16-bit stereo
// at 44100 Hz, used when the sound library is not available.
//
// Channel 0 can be reserved (for the ambient loop): a play on "any channel"
// (-1) then never takes it. A sample plays at its own rate, stepped in 32.32
// fixed point with linear interpolation between neighbouring frames; a looping
// sample wraps seamlessly, a one-shot frees its channel when it ends (or when it
// is stopped). Volume (0..255, linear) and pan (0 left .. 255 right, equal power
// for mono samples, a balance control for stereo ones; or kMixStereoPan: both
// sides at full level) are turned into one gain per side; a change of either
// glides to the new gains over kMixRampFrames frames, so nothing clicks. Each
// channel's contribution is added in 32 bits and the sum saturates at the 16-bit
// limits.
//
// State: one process-wide mixer, fixed size, nothing allocated. It is not
// locked: a caller that renders on one thread and changes channels on another
// holds one lock around each call (see sound/win32/waveout.h).
#pragma once

#include <cstdint>

constexpr int32_t kMixRate = 44100;
constexpr int kMixChannels = 16;
constexpr int kMixAnyChannel = -1;  // MixerPlay: the first free unreserved channel
constexpr int kMixStereoPan = -1;   // MixerSetPan: the sample's own stereo image
constexpr int32_t kMixRampFrames = 256;  // 5.8 ms

// Decoded audio, owned by whoever decoded it. `pcm` holds frames + 1 frames,
// interleaved: the extra guard frame after the last is the first frame again for
// a looping sample and silence for a one-shot (WriteMixSampleGuard), so that the
// interpolation never looks past the buffer.
struct MixSample {
    int16_t* pcm;
    int32_t frames;    // > 0 for a playable sample
    int32_t channels;  // 1 or 2
    int32_t rate;      // frames per second, 1000..192000
    bool loop;
};

// Fills the guard frame of a sample whose frames are in place.
void WriteMixSampleGuard(MixSample& sample);
// A sample the mixer can play (non-null, frames > 0, 1 or 2 channels, rate in range).
bool IsPlayableMixSample(const MixSample* sample);

// Stops every channel, clears the reservations and the frame counter.
void MixerReset();
void MixerSetReserved(int channel, bool reserved);
// Starts `sample` on `channel` (0..15, replacing what plays there) or on the
// first free unreserved channel (kMixAnyChannel), at the given volume and pan
// without a glide. Returns the channel, or -1 when the sample is not playable
// or no channel is free.
int MixerPlay(int channel, const MixSample* sample, int volume, int pan);
// Volume 0..255 and pan 0..255 or kMixStereoPan, clamped; a channel number out of
// range is ignored. The setting stays with the channel for its next sample.
void MixerSetVolume(int channel, int volume);
void MixerSetPan(int channel, int pan);
void MixerStopAll();
bool MixerChannelPlaying(int channel);

// Mixes the next `frames` frames into `out` (2 × frames values, left first).
void MixerRender(int16_t* out, int32_t frames);
// Frames rendered since the last reset.
uint64_t MixerFramesRendered();
