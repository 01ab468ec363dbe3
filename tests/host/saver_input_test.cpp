// Input rules of the full-screen saver, the frame pacing and the title test.
#include <gtest/gtest.h>

#include "effects/effects.h"
#include "host/saver_input.h"
#include "settings/settings.h"

namespace {

int g_started = 0;
int StartCounting(int) {
  ++g_started;
  return 0;
}
int StepForever(int) { return 0; }

class SaverInput : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultSettings();
    ResetSaverInput();
    ResetEffectModules();
    g_started = 0;
    for (int slot = 0; slot < kKnownEffectSlots; ++slot) RegisterEffectModule(StartCounting, StepForever);
  }
  void TearDown() override {
    // An effect left running would start nothing else in later tests.
    ResetEffectModules();
  }
};

TEST_F(SaverInput, KeysWithoutAllowedKeyboard) {
  EXPECT_EQ(HandleSaverKey('Q'), kInputClose);
  EXPECT_EQ(HandleSaverKey(kVirtualKeyEscape), kInputClose);
  // D starts deja vu and does not end the saver.
  EXPECT_EQ(HandleSaverKey('D'), kInputKeep);
  EXPECT_EQ(g_started, 1);
  EXPECT_TRUE(IsEffectRunning());
  // An effect key while an effect runs is still consumed.
  EXPECT_EQ(HandleSaverKey('G'), kInputKeep);
  EXPECT_EQ(g_started, 1);
}

TEST_F(SaverInput, AllowedKeyboardLeavesOnlyEscape) {
  localOptions.allowKeyboard = 1;
  EXPECT_EQ(HandleSaverKey('Q'), kInputKeep);
  settings.dejaVuKey = 0;
  EXPECT_EQ(HandleSaverKey('D'), kInputKeep);
  EXPECT_EQ(HandleSaverKey(kVirtualKeyEscape), kInputClose);
}

// Which keys and Spacebar draws start which effect: effects_test.cpp.
TEST_F(SaverInput, TheSpacebarNeverEndsTheSaver) {
  EXPECT_EQ(HandleSaverKey(kVirtualKeySpace), kInputKeep);
  EXPECT_EQ(g_started, 1);
  ResetEffectModules();
  settings.dejaVuEnabled = settings.burstsEnabled = settings.smallBurstsEnabled = 0;
  settings.dropsEnabled = settings.lightningsEnabled = settings.crashEnabled = settings.supermanEnabled = 0;
  EXPECT_EQ(HandleSaverKey(kVirtualKeySpace), kInputKeep) << "nothing to start";
}

TEST_F(SaverInput, MouseMovesAreCountedOnlyAfterTheGracePeriod) {
  const uint32_t start = 1000;
  for (int i = 0; i < 50; ++i) EXPECT_EQ(HandleSaverMouseMove(start + 3000, start), kInputKeep);
  EXPECT_EQ(mouseMoves, 0);
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(HandleSaverMouseMove(start + 3001, start), kInputKeep) << i;
    EXPECT_EQ(mouseMoves, i);
  }
  EXPECT_EQ(HandleSaverMouseMove(start + 3002, start), kInputClose);
}

TEST_F(SaverInput, TheGracePeriodSurvivesTheTickCounterWrapping) {
  const uint32_t start = 0xFFFFF000u;
  EXPECT_EQ(HandleSaverMouseMove(start + 2000u, start), kInputKeep);  // wrapped, 2000 ms in
  EXPECT_EQ(mouseMoves, 0);
  HandleSaverMouseMove(start + 4000u, start);
  EXPECT_EQ(mouseMoves, 1);
}

TEST_F(SaverInput, AllowedMouseNeverClosesOnMovesOrSingleClicks) {
  localOptions.allowMouse = 1;
  for (int i = 0; i < 30; ++i) EXPECT_EQ(HandleSaverMouseMove(10000, 0), kInputKeep);
  EXPECT_EQ(HandleSaverMouseButton(false), kInputKeep);
  EXPECT_EQ(HandleSaverMouseButton(true), kInputClose);
  localOptions.allowMouse = 0;
  EXPECT_EQ(HandleSaverMouseButton(false), kInputClose);
}

TEST_F(SaverInput, MoveCountDecaysEveryThirtyThirdFrame) {
  mouseMoves = 7;
  for (int i = 0; i < 32; ++i) DecayMouseMoves();
  EXPECT_EQ(mouseMoves, 7);
  DecayMouseMoves();
  EXPECT_EQ(mouseMoves, 3);
  EXPECT_EQ(frameCounter, 0);
  for (int i = 0; i < 33; ++i) DecayMouseMoves();
  EXPECT_EQ(mouseMoves, 0);
  mouseMoves = 5;
  for (int i = 0; i < 33; ++i) DecayMouseMoves();
  EXPECT_EQ(mouseMoves, 1);
}

TEST(FramePacing, ReducedModeSleepsToTwentyMilliseconds) {
  EXPECT_EQ(FramePacingSleepMs(true, 0), 20u);
  EXPECT_EQ(FramePacingSleepMs(true, 7), 13u);
  EXPECT_EQ(FramePacingSleepMs(true, 19), 1u);
  EXPECT_EQ(FramePacingSleepMs(true, 20), 1u);
  EXPECT_EQ(FramePacingSleepMs(true, 500), 1u);
  EXPECT_EQ(FramePacingSleepMs(false, 0), 1u);
  EXPECT_EQ(FramePacingSleepMs(false, 7), 1u);
}

TEST(FramePacing, CounterRate) {
  EXPECT_EQ(CounterFramesPerSecond(0), 1000);
  EXPECT_EQ(CounterFramesPerSecond(16), 62);
  EXPECT_EQ(CounterFramesPerSecond(3), 333);
  EXPECT_EQ(CounterFramesPerSecond(1500), 0);
}

TEST(MediaPlayerTitle, AnyCaseAnywhereInTheTitle) {
  for (const char* title : {"Media Player", "Windows Media Player", "song.mp3 - MEDIA player classic", "xmedia playerx"})
    EXPECT_TRUE(TitleHasMediaPlayer(title)) << title;
  for (const char* title : {"Player", "Media  Player", "Media Playe", "", static_cast<const char*>(nullptr)})
    EXPECT_FALSE(TitleHasMediaPlayer(title)) << (title ? title : "null");
}

}  // namespace
