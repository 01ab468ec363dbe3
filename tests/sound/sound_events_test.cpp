// The event rules for option values a stored record may hold (the calls of
// ordinary values are checked under Wine): grids of one column or none, columns
// and volumes out of range; and no random draw while an event may not sound.
#include <gtest/gtest.h>

#include <vector>

#include "settings/settings.h"
#include "sim/random.h"
#include "sound/device.h"
#include "sound/held_events.h"
#include "sound/sound.h"

namespace {

std::vector<int> g_values;  // one-shots: pan, volume; ambient: volume
const SoundDevice kRecorder = {[](int v) { g_values.push_back(v); }, [](int) {},
                               [](int, int pan, int volume) { g_values.insert(g_values.end(), {pan, volume}); }};

TEST(SoundEvents, HostileOptionsGiveBoundedValuesAndSilenceDrawsNothing) {
    SetDefaultSettings();
    localOptions.soundEnabled = 1;
    localOptions.volume = 100000;  // as 255
    SetSoundDevice(&kRecorder);
    for (int columns : {1, 0, -7}) {
        settings.columns = columns;
        PlayLetterPlaced(0);
    }
    settings.columns = 2147483647;
    PlayLetterFlash(2147483646);
    PlayLetterFlash(-5);
    SetAmbientVolume(255);
    SetAmbientVolume(-40);
    EXPECT_EQ((std::vector<int>{128, 127, 128, 127, 128, 127, 255, 127, 0, 127, 255, 0}), g_values);

    g_values.clear();
    SeedRandom(1802, 9373);
    const double untouched = RandomUniform();
    for (int off = 0; off < 4; ++off) {  // option cleared, volume 0, volume negative, no back-end
        localOptions.soundEnabled = off != 0;
        localOptions.volume = off == 1 ? 0 : (off == 2 ? -3 : 200);
        SetSoundDevice(off == 3 ? nullptr : &kRecorder);
        SeedRandom(1802, 9373);
        PlayLetterPlaced(3);
        PlayLetterFlash(3);
        SetAmbientVolume(200);
        PlayUiSound1();
        EXPECT_EQ(untouched, RandomUniform()) << "an event drew a random number, case " << off;
    }
    EXPECT_TRUE(g_values.empty());
    SetSoundDevice(nullptr);
    SetDefaultSettings();
}

// Events held while the built-in mixer decodes: the last ambient values, the
// first eight one-shots in order; the rest and unknown samples are dropped.
TEST(SoundEvents, HeldEventsAreBoundedAndReleasedInOrderOnce) {
    static std::vector<int> calls;
    static const SoundDevice recorder = {[](int v) { calls.insert(calls.end(), {-1, v}); },
                                         [](int v) { calls.insert(calls.end(), {-2, v}); },
                                         [](int sample, int pan, int volume) {
                                             calls.insert(calls.end(), {sample, pan, volume});
                                         }};
    HeldSoundEvents held;
    ClearHeldSoundEvents(held);
    ReleaseHeldSoundEvents(held, recorder);
    EXPECT_TRUE(calls.empty()) << "nothing held, nothing played";
    EXPECT_FALSE(HoldOneShot(held, kSoundSampleCount, 0, 1));
    EXPECT_FALSE(HoldOneShot(held, -1, 0, 1));
    HoldAmbientVolume(held, 10);
    HoldAmbientVolume(held, 30);
    HoldAmbientPan(held, 200);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(i < kHeldOneShots, HoldOneShot(held, kSampleUi1 + i % 3, i, 100 + i));
    ReleaseHeldSoundEvents(held, recorder);
    std::vector<int> expected{-1, 30, -2, 200};
    for (int i = 0; i < kHeldOneShots; ++i) expected.insert(expected.end(), {kSampleUi1 + i % 3, i, 100 + i});
    EXPECT_EQ(expected, calls);
    calls.clear();
    ReleaseHeldSoundEvents(held, recorder);
    EXPECT_TRUE(calls.empty()) << "released once";
}

}  // namespace
