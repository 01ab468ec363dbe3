// Ogg Vorbis samples decoded into mixer samples (stb_vorbis from Debian's
// libstb-dev, compiled into the program by stb_vorbis_impl.c).
//
// A sample is decoded once, at start-up, into one buffer from the C heap that
// FreeDecodedSample releases. Input is checked, not trusted: the decoder is
// given only the whole Ogg pages with intact checksums at the start of the
// bytes, so bytes that are empty, truncated, damaged or not Vorbis give an
// error code or the frames before the damage.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sound/mixer.h"

enum : int32_t {
    kVorbisOk = 0,
    kVorbisNotVorbis = -1,    // no Vorbis stream in the bytes
    kVorbisUnsupported = -2,  // more than two channels or a rate outside 1000..192000 Hz
    kVorbisEmpty = -3,        // a stream without a single frame
    kVorbisNoMemory = -4,
};

// The longest sample kept: 120 s at 44100 Hz (frames beyond it are dropped).
constexpr int32_t kMaxDecodedFrames = 120 * 44100;

// Decodes `size` bytes into `out` (its pcm from the C heap, the guard frame
// written for `loop`). On failure `out` is an empty sample (pcm null, frames 0).
int32_t DecodeVorbisSample(const uint8_t* bytes, size_t size, bool loop, MixSample* out);
// Releases the buffer of a decoded sample and empties it.
void FreeDecodedSample(MixSample* sample);
