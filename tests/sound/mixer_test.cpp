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
#include "sound/mixer.h"

namespace {

// A sample with its own storage (guard frame included).
struct TestSample {
    std::vector<int16_t> pcm;
    MixSample sample;
};

std::unique_ptr<TestSample> MakeSample(int frames, int channels, int rate, bool loop,
                                       const std::function<double(int frame, int channel)>& value) {
    auto s = std::make_unique<TestSample>();
    s->pcm.assign(static_cast<size_t>(frames + 1) * channels, 0);
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) s->pcm[i * channels + c] = static_cast<int16_t>(std::lround(value(i, c)));
    s->sample = MixSample{s->pcm.data(), frames, channels, rate, loop};
    WriteMixSampleGuard(s->sample);
    return s;
}

std::unique_ptr<TestSample> Constant(int level, int frames = 4096, bool loop = true) {
    return MakeSample(frames, 1, kMixRate, loop, [level](int, int) { return level; });
}

std::vector<int16_t> Render(int frames) {
    std::vector<int16_t> out(2 * static_cast<size_t>(frames));
    MixerRender(out.data(), frames);
    return out;
}

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override { MixerReset(); }
    void TearDown() override { MixerReset(); }
};

TEST_F(MixerTest, MatchesTheLiteralMixer) {
    const double kPi = std::acos(-1.0);
    // Mono and stereo, three rates, loops shorter than the render and one-shots
    // that end inside it.
    auto tone = MakeSample(1000, 1, 22050, true, [&](int i, int) { return 9000 * std::sin(2 * kPi * i / 50.0); });
    auto chirp = MakeSample(2100, 1, 32000, false, [&](int i, int) { return 7000 * std::sin(i * i / 3000.0); });
    auto stereo = MakeSample(1500, 2, 22050, true, [&](int i, int c) {
        return c == 0 ? 8000 * std::sin(2 * kPi * i / 30.0) : 6000 * std::cos(2 * kPi * i / 75.0);
    });
    auto noise = MakeSample(700, 1, 44100, false, [](int i, int) { return (i * 7919 % 20001) - 10000; });
    auto stereoShot = MakeSample(900, 2, 44100, false, [](int i, int c) { return c ? -3000 + 7 * i : 5000 - 5 * i; });

    const std::vector<mixer_reference::Voice> voices = {
        {&tone->sample, 255, 0},     {&chirp->sample, 200, 77},   {&stereo->sample, 180, 200},
        {&noise->sample, 90, 255},   {&stereo->sample, 255, kMixStereoPan}, {&tone->sample, 64, 128},
        {&stereoShot->sample, 130, 40},
    };
    MixerSetReserved(0, true);
    for (const auto& v : voices) ASSERT_GE(MixerPlay(kMixAnyChannel, v.sample, v.volume, v.pan), 1);

    // Rendered in uneven pieces: a block boundary must not show.
    std::vector<int16_t> got;
    for (int piece : {1, 7, 512, 513, 1000, 3, 2000}) {
        const std::vector<int16_t> part = Render(piece);
        got.insert(got.end(), part.begin(), part.end());
    }
    const int frames = static_cast<int>(got.size() / 2);
    const std::vector<int16_t> want = mixer_reference::Mix(voices, frames);
    // Each voice may be off by its two truncations (interpolation and gain).
    const int tolerance = 2 * static_cast<int>(voices.size()) + 1;
    int worst = 0, at = 0;
    for (size_t i = 0; i < got.size(); ++i) {
        const int d = std::abs(got[i] - want[i]);
        if (d > worst) worst = d, at = static_cast<int>(i);
    }
    EXPECT_LE(worst, tolerance) << "at frame " << at / 2 << (at % 2 ? " right" : " left");
}

TEST_F(MixerTest, PanExtremesAreOneSidedAndVolumeZeroIsSilent) {
    auto left = Constant(12000), right = Constant(-12000), quiet = Constant(30000);
    MixerPlay(kMixAnyChannel, &left->sample, 255, 0);
    MixerPlay(kMixAnyChannel, &right->sample, 255, 255);
    MixerPlay(kMixAnyChannel, &quiet->sample, 0, 128);
    const std::vector<int16_t> out = Render(600);
    for (int i = 0; i < 600; ++i) {
        EXPECT_EQ(12000, out[2 * i]) << i;
        EXPECT_EQ(-12000, out[2 * i + 1]) << i;
    }
}

TEST_F(MixerTest, SixteenLoudChannelsSaturateWithoutWrapping) {
    auto loud = Constant(30000), loudNegative = Constant(-30000);
    for (int c = 0; c < kMixChannels; ++c) MixerPlay(c, &loud->sample, 255, kMixStereoPan);
    std::vector<int16_t> out = Render(300);
    for (int16_t v : out) ASSERT_EQ(32767, v);
    for (int c = 0; c < kMixChannels; ++c) MixerPlay(c, &loudNegative->sample, 255, kMixStereoPan);
    out = Render(300);
    for (int16_t v : out) ASSERT_EQ(-32768, v);
    // Half and half cancel exactly: the sum is held in 32 bits.
    for (int c = 0; c < kMixChannels; c += 2) MixerPlay(c, &loud->sample, 255, kMixStereoPan);
    out = Render(300);
    for (int16_t v : out) ASSERT_EQ(0, v);
}

TEST_F(MixerTest, VolumeAndPanChangesGlideWithoutClicks) {
    constexpr int kLevel = 20000;
    auto dc = Constant(kLevel);
    const int channel = MixerPlay(kMixAnyChannel, &dc->sample, 255, kMixStereoPan);
    Render(100);

    // A jump from full to nothing becomes a ramp: no step much above level / ramp
    // length, and silence once the ramp is over.
    const int maxStep = 2 * kLevel / kMixRampFrames + 2;
    MixerSetVolume(channel, 0);
    std::vector<int16_t> out = Render(kMixRampFrames + 50);
    int previous = kLevel;
    for (int i = 0; i < kMixRampFrames + 50; ++i) {
        ASSERT_LE(std::abs(out[2 * i] - previous), maxStep) << "click at frame " << i;
        previous = out[2 * i];
    }
    EXPECT_EQ(0, out[2 * kMixRampFrames]);
    EXPECT_EQ(0, out[2 * kMixRampFrames + 1]);

    // Back up, then across the stereo field: the left side glides down.
    MixerSetVolume(channel, 255);
    MixerSetPan(channel, 0);
    Render(kMixRampFrames + 10);
    MixerSetPan(channel, 255);
    out = Render(kMixRampFrames + 50);
    previous = kLevel;
    for (int i = 0; i < kMixRampFrames + 50; ++i) {
        ASSERT_LE(std::abs(out[2 * i] - previous), maxStep) << "click at frame " << i;
        previous = out[2 * i];
    }
    EXPECT_EQ(0, out[2 * (kMixRampFrames + 49)]);
    EXPECT_EQ(kLevel, out[2 * (kMixRampFrames + 49) + 1]);
}

TEST_F(MixerTest, LoopRepeatsWithoutASeam) {
    // Whole periods in the loop at half the mix rate: the output must be the
    // same smooth sine across every wrap, at any render split.
    const double kPi = std::acos(-1.0);
    constexpr int kFrames = 441, kPeriods = 7;
    auto loop = MakeSample(kFrames, 2, kMixRate / 2, true,
                           [&](int i, int) { return 16000 * std::sin(2 * kPi * kPeriods * i / kFrames); });
    MixerPlay(0, &loop->sample, 255, kMixStereoPan);
    std::vector<int16_t> out;
    for (int piece : {333, 1, 882, 1000}) {
        const std::vector<int16_t> part = Render(piece);
        out.insert(out.end(), part.begin(), part.end());
    }
    const int frames = static_cast<int>(out.size() / 2);
    ASSERT_GT(frames, 4 * kFrames);  // four wraps
    for (int i = 0; i < frames; ++i) {
        const double want = 16000 * std::sin(2 * kPi * kPeriods * (i / 2.0) / kFrames);
        ASSERT_NEAR(want, out[2 * i], 60) << "frame " << i;
        ASSERT_EQ(out[2 * i], out[2 * i + 1]);
    }
}

TEST_F(MixerTest, OneShotsEndAndFreeTheirChannels) {
    auto shot = Constant(1000, 100, false);
    MixerSetReserved(0, true);
    for (int c = 1; c < kMixChannels; ++c) EXPECT_EQ(c, MixerPlay(kMixAnyChannel, &shot->sample, 255, 128));
    EXPECT_EQ(-1, MixerPlay(kMixAnyChannel, &shot->sample, 255, 128)) << "the reserved channel was taken";
    EXPECT_FALSE(MixerChannelPlaying(0));

    Render(99);
    for (int c = 1; c < kMixChannels; ++c) EXPECT_TRUE(MixerChannelPlaying(c)) << c;
    const std::vector<int16_t> tail = Render(2);
    EXPECT_NE(0, tail[0]);
    EXPECT_EQ(0, tail[2]);
    for (int c = 1; c < kMixChannels; ++c) EXPECT_FALSE(MixerChannelPlaying(c)) << c;
    EXPECT_EQ(1, MixerPlay(kMixAnyChannel, &shot->sample, 255, 128));

    // What cannot play takes no channel; a stop frees them all.
    MixSample empty{nullptr, 0, 1, kMixRate, false};
    EXPECT_EQ(-1, MixerPlay(kMixAnyChannel, &empty, 255, 128));
    EXPECT_EQ(-1, MixerPlay(kMixAnyChannel, nullptr, 255, 128));
    EXPECT_EQ(-1, MixerPlay(kMixChannels, &shot->sample, 255, 128));
    MixerStopAll();
    EXPECT_FALSE(MixerChannelPlaying(1));
    const std::vector<int16_t> silence = Render(10);
    for (int16_t v : silence) EXPECT_EQ(0, v);
}

}  // namespace
