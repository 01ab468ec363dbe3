// The mixer's definition written out literally in double precision: each output
// frame asks each voice for its value at the exact source position, with gains
// from their formulas. Slow; for the tests and the benchmark's side-by-side figure.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "sound/mixer.h"

namespace mixer_reference {

struct Voice {
    const MixSample* sample;
    int volume, pan;  // 0..255; pan also kMixStereoPan
};

// Linear interpolation at `position` (source frames); a loop wraps, a one-shot
// is silent from its end on.
inline double SourceValue(const MixSample& s, int side, double position) {
    if (s.loop) position = std::fmod(position, s.frames);
    if (position >= s.frames) return 0;
    const int64_t i = static_cast<int64_t>(position), j = i + 1 < s.frames ? i + 1 : (s.loop ? 0 : -1);
    const double a = s.pcm[i * s.channels + side], b = j < 0 ? 0.0 : s.pcm[j * s.channels + side];
    return a + (b - a) * (position - static_cast<double>(i));
}

// Mono: equal-power pan; stereo: the far side fades (balance).
inline double Gain(const Voice& v, int side) {
    const double volume = v.volume / 255.0;
    if (v.pan == kMixStereoPan) return volume;
    if (v.sample->channels == 1) {
        const double angle = std::acos(-1.0) / 2 * v.pan / 255.0;
        return volume * (side ? std::sin(angle) : std::cos(angle));
    }
    if (side == 0) return v.pan > 128 ? volume * (255 - v.pan) / 127.0 : volume;
    return v.pan < 128 ? volume * v.pan / 128.0 : volume;
}

// `frames` stereo frames of the voices, all started at frame 0.
inline std::vector<int16_t> Mix(const std::vector<Voice>& voices, int frames) {
    std::vector<int16_t> out(2 * static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        for (int side = 0; side < 2; ++side) {
            double sum = 0;
            for (const Voice& v : voices)
                sum += Gain(v, side) * SourceValue(*v.sample, v.sample->channels == 2 ? side : 0,
                                                   static_cast<double>(i) * v.sample->rate / kMixRate);
            out[2 * i + side] = static_cast<int16_t>(std::lround(std::fmax(-32768.0, std::fmin(32767.0, sum))));
        }
    return out;
}

}  // namespace mixer_reference
