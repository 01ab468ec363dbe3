// The event rules with a recording back-end, for the option values a stored
// record may hold: pan by column at the grid's edges (and for grids of one
// column or none), the volume option out of range, and no random draw while an
// event may not sound.
#include <gtest/gtest.h>

#include <vector>

#include "settings/settings.h"
#include "sim/random.h"
#include "sound/device.h"
#include "sound/sound.h"

namespace {

struct Call {
    char kind;  // 'V' ambient volume, 'P' ambient pan, 'S' one-shot
    int sample, pan, volume;
};
std::vector<Call> g_calls;

const SoundDevice kRecorder = {
    [](int v) { g_calls.push_back({'V', 0, 0, v}); },
    [](int p) { g_calls.push_back({'P', 0, p, 0}); },
    [](int s, int p, int v) { g_calls.push_back({'S', s, p, v}); },
};

class SoundEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultSettings();
        localOptions.soundEnabled = 1;
        localOptions.volume = 200;
        settings.columns = 80;
        g_calls.clear();
        SetSoundDevice(&kRecorder);
        SeedRandom(1802, 9373);
    }
    void TearDown() override {
        SetSoundDevice(nullptr);
        SetDefaultSettings();
    }
};

TEST_F(SoundEventsTest, LettersPanByColumnAtHalfVolume) {
    PlayLetterPlaced(0);
    PlayLetterFlash(79);
    PlayLetterPlaced(40);
    ASSERT_EQ(3u, g_calls.size());
    EXPECT_EQ(0, g_calls[0].pan);
    EXPECT_EQ(255, g_calls[1].pan);
    EXPECT_EQ(129, g_calls[2].pan);  // 40 * 255 / 79
    for (const Call& c : g_calls) EXPECT_EQ(100, c.volume);
    EXPECT_GE(g_calls[0].sample, kSampleLetterPlaced);
    EXPECT_LT(g_calls[0].sample, kSampleLetterPlaced + 6);
    EXPECT_GE(g_calls[1].sample, kSampleLetterFlash);
    EXPECT_LT(g_calls[1].sample, kSampleLetterFlash + 6);
}

TEST_F(SoundEventsTest, GridsWithoutTwoColumnsPanToTheMiddle) {
    for (int columns : {1, 0, -7}) {
        settings.columns = columns;
        g_calls.clear();
        PlayLetterPlaced(0);
        PlayLetterFlash(3);
        ASSERT_EQ(2u, g_calls.size()) << columns;
        EXPECT_EQ(128, g_calls[0].pan) << columns;
        EXPECT_EQ(128, g_calls[1].pan) << columns;
    }
    settings.columns = 2147483647;
    g_calls.clear();
    PlayLetterPlaced(2147483646);
    PlayLetterPlaced(-5);
    EXPECT_EQ(255, g_calls[0].pan);
    EXPECT_EQ(0, g_calls[1].pan);
}

TEST_F(SoundEventsTest, VolumeOptionOutOfRangeIsClamped) {
    localOptions.volume = 100000;
    SetAmbientVolume(255);
    SetAmbientVolume(-40);
    PlayUiSound2();
    ASSERT_EQ(3u, g_calls.size());
    EXPECT_EQ(255, g_calls[0].volume);
    EXPECT_EQ(0, g_calls[1].volume);
    EXPECT_EQ(127, g_calls[2].volume);
    EXPECT_EQ(kSoundPanNone, g_calls[2].pan);
}

TEST_F(SoundEventsTest, SilentEventsCallNothingAndDrawNothing) {
    const double untouched = [] {
        SeedRandom(1802, 9373);
        return RandomUniform();
    }();
    auto everyEvent = [] {
        SetAmbientVolume(200);
        SetAmbientPan(10);
        PlayLetterPlaced(3);
        PlayLetterFlash(3);
        PlayConsoleSoundA();
        PlayConsoleSoundB();
        PlayUiSound1();
        PlayUiSound2();
        PlayUiSound3();
    };
    struct Case {
        uint8_t enabled;
        int32_t volume;
        bool device;
    };
    for (const Case& c : {Case{0, 200, true}, Case{1, 0, true}, Case{1, -3, true}, Case{1, 200, false}}) {
        localOptions.soundEnabled = c.enabled;
        localOptions.volume = c.volume;
        SetSoundDevice(c.device ? &kRecorder : nullptr);
        SeedRandom(1802, 9373);
        everyEvent();
        EXPECT_TRUE(g_calls.empty()) << int(c.enabled) << " " << c.volume << " " << c.device;
        EXPECT_EQ(untouched, RandomUniform()) << "an event drew a random number";
    }
}

}  // namespace
