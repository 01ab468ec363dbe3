// The mixer's definition, written out literally in double precision: every
// output frame asks every voice for its value at the exact source position,
// with the gains computed from their formulas. Slow; for tests and the
// benchmark's side-by-side figure.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "sound/mixer.h"

namespace mixer_reference {

struct Voice {
    const MixSample* sample;
    int volume;  // 0..255
    int pan;     // 0..255 or kMixStereoPan
};

// Linear interpolation at `position` (source frames); a one-shot is silent
// from its end on, a loop wraps.
inline double SourceValue(const MixSample& s, int channel, double position) {
    const double n = s.frames;
    if (s.loop) position = std::fmod(position, n);
    if (position >= n) return 0;
    const int64_t i = static_cast<int64_t>(std::floor(position));
    const double f = position - static_cast<double>(i);
    const int64_t j = i + 1 < s.frames ? i + 1 : (s.loop ? 0 : -1);
    const double a = s.pcm[i * s.channels + channel];
    const double b = j < 0 ? 0.0 : s.pcm[j * s.channels + channel];
    return a + (b - a) * f;
}

inline void Gains(const Voice& v, double* left, double* right) {
    const double volume = v.volume / 255.0;
    *left = *right = volume;
    if (v.pan == kMixStereoPan) return;
    if (v.sample->channels == 1) {
        const double angle = std::acos(-1.0) / 2 * v.pan / 255.0;
        *left = volume * std::cos(angle);
        *right = volume * std::sin(angle);
    } else {
        if (v.pan > 128) *left = volume * (255 - v.pan) / 127.0;
        if (v.pan < 128) *right = volume * v.pan / 128.0;
    }
}

// `frames` stereo frames of the voices, all started at frame 0.
inline std::vector<int16_t> Mix(const std::vector<Voice>& voices, int frames) {
    std::vector<int16_t> out(2 * static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        double sum[2] = {0, 0};
        for (const Voice& v : voices) {
            double gain[2];
            Gains(v, &gain[0], &gain[1]);
            const double position = static_cast<double>(i) * v.sample->rate / kMixRate;
            for (int side = 0; side < 2; ++side)
                sum[side] += gain[side] * SourceValue(*v.sample, v.sample->channels == 2 ? side : 0, position);
        }
        for (int side = 0; side < 2; ++side)
            out[2 * i + side] = static_cast<int16_t>(std::lround(std::fmax(-32768.0, std::fmin(32767.0, sum[side]))));
    }
    return out;
}

}  // namespace mixer_reference
