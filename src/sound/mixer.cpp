#include "sound/mixer.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int32_t kUnityGain = 32768;  // Q15
constexpr int kGainFraction = 8;       // ramps run on Q15 gains with 8 more bits
constexpr int32_t kBlockFrames = 512;
constexpr double kHalfPi = 1.57079632679489661923;

struct Channel {
    const MixSample* sample;  // null: free
    uint64_t position;        // frame index in the high 32 bits, fraction in the low
    uint64_t step;            // sample frames per output frame, 32.32
    int volume, pan;
    int32_t target[2];        // Q15 gains, left and right
    int32_t current[2];       // Q23, gliding toward target << 8
    int32_t delta[2];         // per frame while ramping
    int32_t rampLeft;         // frames of glide left
    bool reserved;
};

struct MixerState {
    Channel channels[kMixChannels];
    int32_t accumulator[2 * kBlockFrames];
    uint64_t framesRendered;
};

MixerState g_mixer;

// Equal-power pan of a mono sample, Q15, by pan value; built on first use.
struct PanTable {
    int32_t left[256], right[256];
    PanTable() {
        for (int p = 0; p < 256; ++p) {
            const double angle = kHalfPi * p / 255.0;
            left[p] = static_cast<int32_t>(std::lround(kUnityGain * std::cos(angle)));
            right[p] = static_cast<int32_t>(std::lround(kUnityGain * std::sin(angle)));
        }
    }
};
const PanTable& Pan() {
    static const PanTable table;
    return table;
}

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

// The gains a channel should have, from its volume, pan and sample.
void TargetGains(const Channel& c, int32_t out[2]) {
    int32_t left = kUnityGain, right = kUnityGain;
    if (c.pan != kMixStereoPan) {
        if (c.sample && c.sample->channels == 2) {
            // Balance: the far side fades out, the near side keeps its level.
            if (c.pan > 128) left = kUnityGain * (255 - c.pan) / 127;
            if (c.pan < 128) right = kUnityGain * c.pan / 128;
        } else {
            left = Pan().left[c.pan];
            right = Pan().right[c.pan];
        }
    }
    out[0] = (left * c.volume + 127) / 255;
    out[1] = (right * c.volume + 127) / 255;
}

// New gains: a silent channel takes them at once, a sounding one glides.
void UpdateGains(Channel& c, bool glide) {
    TargetGains(c, c.target);
    if (!glide) {
        for (int s = 0; s < 2; ++s) {
            c.current[s] = c.target[s] << kGainFraction;
            c.delta[s] = 0;
        }
        c.rampLeft = 0;
        return;
    }
    for (int s = 0; s < 2; ++s) c.delta[s] = ((c.target[s] << kGainFraction) - c.current[s]) / kMixRampFrames;
    c.rampLeft = kMixRampFrames;
}

bool ValidChannel(int channel) { return channel >= 0 && channel < kMixChannels; }

// Adds `frames` frames of one channel whose source frames idx and idx + 1 stay
// inside the buffer (guard included) for the whole run.
template <int kSourceChannels, bool kRamp>
void MixRun(Channel& c, int32_t* out, int32_t frames) {
    const int16_t* pcm = c.sample->pcm;
    uint64_t position = c.position;
    const uint64_t step = c.step;
    int32_t gainLeft = c.current[0] >> kGainFraction, gainRight = c.current[1] >> kGainFraction;
    for (int32_t i = 0; i < frames; ++i) {
        const uint32_t index = static_cast<uint32_t>(position >> 32);
        const int32_t fraction = static_cast<int32_t>(static_cast<uint32_t>(position) >> 17);  // Q15
        if (kRamp) {
            c.current[0] += c.delta[0];
            c.current[1] += c.delta[1];
            gainLeft = c.current[0] >> kGainFraction;
            gainRight = c.current[1] >> kGainFraction;
        }
        if (kSourceChannels == 1) {
            const int32_t a = pcm[index], b = pcm[index + 1];
            const int32_t v = a + (((b - a) * fraction) >> 15);
            out[2 * i] += (v * gainLeft) >> 15;
            out[2 * i + 1] += (v * gainRight) >> 15;
        } else {
            const int16_t* f = pcm + 2 * static_cast<size_t>(index);
            const int32_t l = f[0] + (((f[2] - f[0]) * fraction) >> 15);
            const int32_t r = f[1] + (((f[3] - f[1]) * fraction) >> 15);
            out[2 * i] += (l * gainLeft) >> 15;
            out[2 * i + 1] += (r * gainRight) >> 15;
        }
        position += step;
    }
    c.position = position;
}

template <int kSourceChannels>
void MixSegment(Channel& c, int32_t* out, int32_t frames) {
    if (c.rampLeft > 0) {
        MixRun<kSourceChannels, true>(c, out, frames);
        c.rampLeft -= frames;
        if (c.rampLeft == 0) {
            c.current[0] = c.target[0] << kGainFraction;
            c.current[1] = c.target[1] << kGainFraction;
        }
    } else {
        MixRun<kSourceChannels, false>(c, out, frames);
    }
}

void MixChannel(Channel& c, int32_t* out, int32_t frames) {
    const uint64_t end = static_cast<uint64_t>(c.sample->frames) << 32;
    while (frames > 0) {
        if (c.position >= end) {
            if (!c.sample->loop) {
                c.sample = nullptr;
                return;
            }
            c.position -= end;
            continue;
        }
        const uint64_t untilEnd = (end - c.position + c.step - 1) / c.step;
        int32_t run = untilEnd < static_cast<uint64_t>(frames) ? static_cast<int32_t>(untilEnd) : frames;
        if (c.rampLeft > 0 && c.rampLeft < run) run = c.rampLeft;
        if (c.sample->channels == 1)
            MixSegment<1>(c, out, run);
        else
            MixSegment<2>(c, out, run);
        out += 2 * run;
        frames -= run;
    }
}

}  // namespace

void WriteMixSampleGuard(MixSample& sample) {
    if (!sample.pcm || sample.frames <= 0 || sample.channels < 1 || sample.channels > 2) return;
    int16_t* guard = sample.pcm + static_cast<size_t>(sample.frames) * sample.channels;
    for (int s = 0; s < sample.channels; ++s) guard[s] = sample.loop ? sample.pcm[s] : 0;
}

bool IsPlayableMixSample(const MixSample* sample) {
    return sample && sample->pcm && sample->frames > 0 && (sample->channels == 1 || sample->channels == 2) &&
           sample->rate >= 1000 && sample->rate <= 192000;
}

void MixerReset() {
    std::memset(&g_mixer, 0, sizeof g_mixer);
    for (Channel& c : g_mixer.channels) {
        c.volume = 255;
        c.pan = 128;
    }
}

void MixerSetReserved(int channel, bool reserved) {
    if (ValidChannel(channel)) g_mixer.channels[channel].reserved = reserved;
}

int MixerPlay(int channel, const MixSample* sample, int volume, int pan) {
    if (!IsPlayableMixSample(sample)) return -1;
    if (channel == kMixAnyChannel) {
        for (int i = 0; i < kMixChannels && channel < 0; ++i) {
            const Channel& c = g_mixer.channels[i];
            if (!c.reserved && !c.sample) channel = i;
        }
    }
    if (!ValidChannel(channel)) return -1;
    Channel& c = g_mixer.channels[channel];
    c.sample = sample;
    c.position = 0;
    c.step = (static_cast<uint64_t>(sample->rate) << 32) / kMixRate;
    c.volume = Clamp(volume, 0, 255);
    c.pan = pan == kMixStereoPan ? kMixStereoPan : Clamp(pan, 0, 255);
    UpdateGains(c, false);
    return channel;
}

void MixerSetVolume(int channel, int volume) {
    if (!ValidChannel(channel)) return;
    Channel& c = g_mixer.channels[channel];
    c.volume = Clamp(volume, 0, 255);
    UpdateGains(c, c.sample != nullptr);
}

void MixerSetPan(int channel, int pan) {
    if (!ValidChannel(channel)) return;
    Channel& c = g_mixer.channels[channel];
    c.pan = pan == kMixStereoPan ? kMixStereoPan : Clamp(pan, 0, 255);
    UpdateGains(c, c.sample != nullptr);
}

void MixerStopAll() {
    for (Channel& c : g_mixer.channels) c.sample = nullptr;
}

bool MixerChannelPlaying(int channel) { return ValidChannel(channel) && g_mixer.channels[channel].sample; }

void MixerRender(int16_t* out, int32_t frames) {
    while (frames > 0) {
        const int32_t block = frames < kBlockFrames ? frames : kBlockFrames;
        int32_t* sum = g_mixer.accumulator;
        std::memset(sum, 0, sizeof(int32_t) * 2 * static_cast<size_t>(block));
        for (Channel& c : g_mixer.channels)
            if (c.sample) MixChannel(c, sum, block);
        for (int32_t i = 0; i < 2 * block; ++i) {
            const int32_t v = sum[i];
            out[i] = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
        }
        out += 2 * block;
        frames -= block;
        g_mixer.framesRendered += static_cast<uint64_t>(block);
    }
}

uint64_t MixerFramesRendered() { return g_mixer.framesRendered; }
