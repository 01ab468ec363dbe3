// The built-in mixer against its literal definition, and its promises at the
// edges: one-sided pans, silence, saturation, gliding gains, a seamless loop
// and one-shots that free their channels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "mixer_reference.h"

namespace {

const double kPi = std::acos(-1.0);

// A sample with its own storage (guard frame included).
struct TestSample {
    std::vector<int16_t> pcm;
    MixSample sample;
};
using Wave = std::function<double(int frame, int side)>;

std::unique_ptr<TestSample> MakeSample(int frames, int channels, int rate, bool loop, const Wave& value) {
    auto s = std::make_unique<TestSample>();
    s->pcm.assign(static_cast<size_t>(frames + 1) * channels, 0);
    for (int i = 0; i < frames * channels; ++i) s->pcm[i] = static_cast<int16_t>(std::lround(value(i / channels, i % channels)));
    s->sample = MixSample{s->pcm.data(), frames, channels, rate, loop};
    WriteMixSampleGuard(s->sample);
    return s;
}
std::unique_ptr<TestSample> Constant(int level, int frames = 4096, bool loop = true) {
    return MakeSample(frames, 1, kMixRate, loop, [level](int, int) { return level; });
}

// Renders in uneven pieces: a block boundary must not show.
std::vector<int16_t> Render(std::vector<int> pieces) {
    std::vector<int16_t> out;
    for (int n : pieces) {
        std::vector<int16_t> part(2 * static_cast<size_t>(n));
        MixerRender(part.data(), n);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override { MixerReset(); }
    void TearDown() override { MixerReset(); }
};

TEST_F(MixerTest, MatchesTheLiteralMixer) {
    // Mono and stereo at three rates; loops shorter than the render, one-shots ending inside it.
    auto tone = MakeSample(1000, 1, 22050, true, [](int i, int) { return 9000 * std::sin(2 * kPi * i / 50.0); });
    auto chirp = MakeSample(2100, 1, 32000, false, [](int i, int) { return 7000 * std::sin(i * i / 3000.0); });
    auto stereo = MakeSample(1500, 2, 22050, true, [](int i, int c) { return c ? 6000 * std::cos(i / 12.0) : 8000 * std::sin(i / 5.0); });
    auto shot = MakeSample(900, 2, 44100, false, [](int i, int c) { return (i * (c ? 7919 : 104729) % 20001) - 10000; });
    const std::vector<mixer_reference::Voice> voices = {{&tone->sample, 255, 0},   {&chirp->sample, 200, 77},
                                                        {&stereo->sample, 180, 200}, {&shot->sample, 90, 255},
                                                        {&stereo->sample, 255, kMixStereoPan}, {&shot->sample, 130, 40}};
    MixerSetReserved(0, true);
    for (const auto& v : voices) ASSERT_GE(MixerPlay(kMixAnyChannel, v.sample, v.volume, v.pan), 1);

    const std::vector<int16_t> got = Render({1, 7, 512, 513, 1000, 3, 2000});
    const std::vector<int16_t> want = mixer_reference::Mix(voices, static_cast<int>(got.size() / 2));
    // Each voice may be off by its two truncations (interpolation and gain).
    for (size_t i = 0; i < got.size(); ++i)
        ASSERT_LE(std::abs(got[i] - want[i]), 2 * static_cast<int>(voices.size()) + 1) << "frame " << i / 2;
}

TEST_F(MixerTest, EndsOfThePanAreOneSidedAndLoudSumsSaturate) {
    auto loud = Constant(30000), loudNegative = Constant(-30000), half = Constant(12000);
    MixerPlay(kMixAnyChannel, &half->sample, 255, 0);
    MixerPlay(kMixAnyChannel, &loudNegative->sample, 128, 255);
    MixerPlay(kMixAnyChannel, &loud->sample, 0, 128);  // volume 0: silent
    const std::vector<int16_t> out = Render({600});
    for (size_t i = 0; i < out.size(); i += 2) {
        ASSERT_EQ(12000, out[i]) << i;  // nothing of the right-panned sound
        ASSERT_NEAR(-30000 * 128 / 255.0, out[i + 1], 1) << i;
    }

    // Sixteen loud channels clip at the limits; half of them against the other half cancel.
    for (int sign : {1, -1, 0}) {
        for (int c = 0; c < kMixChannels; ++c)
            MixerPlay(c, (sign > 0 || (sign == 0 && c % 2)) ? &loud->sample : &loudNegative->sample, 255, kMixStereoPan);
        for (int16_t v : Render({300})) ASSERT_EQ(sign > 0 ? 32767 : (sign < 0 ? -32768 : 0), v) << sign;
    }
}

TEST_F(MixerTest, VolumeAndPanChangesGlideWithoutClicks) {
    constexpr int kLevel = 20000, kMaxStep = 2 * kLevel / kMixRampFrames + 2;
    auto dc = Constant(kLevel);
    const int channel = MixerPlay(kMixAnyChannel, &dc->sample, 255, 0);
    // Full to silent, back, then across the stereo field: the left side glides down each time.
    for (int step : {0, 1}) {
        MixerSetVolume(channel, 255);
        Render({kMixRampFrames});
        step ? MixerSetPan(channel, 255) : MixerSetVolume(channel, 0);
        const std::vector<int16_t> out = Render({kMixRampFrames + 50});
        for (int i = 0, previous = kLevel; i < kMixRampFrames + 50; previous = out[2 * i++])
            ASSERT_LE(std::abs(out[2 * i] - previous), kMaxStep) << "click at frame " << i << ", step " << step;
        EXPECT_EQ(0, out[2 * kMixRampFrames]);
        EXPECT_EQ(step ? kLevel : 0, out[2 * kMixRampFrames + 1]);
    }
}

TEST_F(MixerTest, LoopRepeatsWithoutASeam) {
    // Whole periods in the loop at half the mix rate: one smooth sine across every wrap.
    constexpr int kFrames = 441, kPeriods = 7;
    auto loop = MakeSample(kFrames, 2, kMixRate / 2, true, [](int i, int) { return 16000 * std::sin(2 * kPi * kPeriods * i / kFrames); });
    MixerPlay(0, &loop->sample, 255, kMixStereoPan);
    const std::vector<int16_t> out = Render({333, 1, 882, 1000});  // four wraps
    for (size_t i = 0; i < out.size(); i += 2) {
        ASSERT_NEAR(16000 * std::sin(2 * kPi * kPeriods * (i / 4.0) / kFrames), out[i], 60) << "frame " << i / 2;
        ASSERT_EQ(out[i], out[i + 1]);
    }
}

TEST_F(MixerTest, OneShotsEndAndFreeTheirChannels) {
    auto shot = Constant(1000, 100, false);
    MixerSetReserved(0, true);
    for (int c = 1; c < kMixChannels; ++c) EXPECT_EQ(c, MixerPlay(kMixAnyChannel, &shot->sample, 255, 128));
    EXPECT_EQ(-1, MixerPlay(kMixAnyChannel, &shot->sample, 255, 128)) << "the reserved channel was taken";
    const std::vector<int16_t> out = Render({99, 2});
    EXPECT_NE(0, out[2 * 99]);
    EXPECT_EQ(0, out[2 * 100]);
    for (int c = 0; c < kMixChannels; ++c) EXPECT_FALSE(MixerChannelPlaying(c)) << c;
    MixSample empty{nullptr, 0, 1, kMixRate, false};
    EXPECT_EQ(-1, MixerPlay(kMixAnyChannel, &empty, 255, 128)) << "an empty sample took a channel";
    EXPECT_EQ(1, MixerPlay(kMixAnyChannel, &shot->sample, 255, 128));
}

}  // namespace
