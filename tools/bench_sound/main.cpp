// The built-in mixer's costs with the program's own samples (synthesised and
// encoded as the build does):
//   BM_Mix16Channels   one second of audio with all 16 channels playing: the
//                      ambient loop and fifteen one-shots, restarted as they end,
//                      with a volume and pan change every 50 ms (as the ticks do);
//   BM_MixReference    the same second by the literal double-precision mixer;
//   BM_DecodeAllSamples the sixteen samples decoded as at start-up.
#include <benchmark/benchmark.h>

#include <vector>

#include "mixer_reference.h"
#include "sound.h"  // the sample generator's (tools/artgen)
#include "sound/mixer.h"
#include "sound/vorbis.h"

namespace {

const int kIds[16] = {2000, 2001, 2002, 2003, 2004, 2005, 2006, 2011, 2012, 2013, 2014, 2015, 2016, 2021, 2022, 2023};

const std::vector<std::vector<uint8_t>>& EncodedSamples() {
    static const std::vector<std::vector<uint8_t>> all = [] {
        std::vector<std::vector<uint8_t>> out;
        for (int id : kIds) {
            artgen::SoundSample sample;
            artgen::SynthesizeSound(id, sample);
            std::vector<uint8_t> ogg;
            artgen::EncodeOggVorbis(sample, id == 2000 ? 0.0f : 0.1f, id, ogg);
            out.push_back(ogg);
        }
        return out;
    }();
    return all;
}

struct Decoded {
    MixSample samples[16];
    Decoded() {
        for (int i = 0; i < 16; ++i)
            DecodeVorbisSample(EncodedSamples()[i].data(), EncodedSamples()[i].size(), i == 0, &samples[i]);
    }
    ~Decoded() {
        for (MixSample& s : samples) FreeDecodedSample(&s);
    }
};

void BM_Mix16Channels(benchmark::State& state) {
    static const Decoded decoded;
    std::vector<int16_t> out(2 * kMixRate / 20);
    for (auto _ : state) {
        MixerReset();
        MixerSetReserved(0, true);
        MixerPlay(0, &decoded.samples[0], 200, 128);
        for (int tick = 0; tick < 20; ++tick) {
            for (int c = 1; c < kMixChannels; ++c)
                if (!MixerChannelPlaying(c)) MixerPlay(c, &decoded.samples[1 + (c + tick) % 15], 127, (c * 17) % 256);
            MixerSetVolume(0, 100 + tick * 7);
            MixerSetPan(0, 60 + tick * 6);
            MixerRender(out.data(), kMixRate / 20);
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel("per second of audio");
}
BENCHMARK(BM_Mix16Channels)->Unit(benchmark::kMillisecond);

void BM_MixReference(benchmark::State& state) {
    static const Decoded decoded;
    std::vector<mixer_reference::Voice> voices;
    for (int c = 0; c < 16; ++c) voices.push_back({&decoded.samples[c], 127, (c * 17) % 256});
    for (auto _ : state) benchmark::DoNotOptimize(mixer_reference::Mix(voices, kMixRate));
    state.SetLabel("per second of audio");
}
BENCHMARK(BM_MixReference)->Unit(benchmark::kMillisecond);

void BM_DecodeAllSamples(benchmark::State& state) {
    EncodedSamples();
    for (auto _ : state) {
        MixSample samples[16];
        for (int i = 0; i < 16; ++i)
            DecodeVorbisSample(EncodedSamples()[i].data(), EncodedSamples()[i].size(), i == 0, &samples[i]);
        for (MixSample& s : samples) FreeDecodedSample(&s);
    }
}
BENCHMARK(BM_DecodeAllSamples)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
