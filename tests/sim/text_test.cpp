#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include "rain_fixture.h"

namespace {

class TextTest : public RainTest {
protected:
    void SetUp() override {
        RainTest::SetUp();
        settings.textEnabled = 1;
        settings.textInterval = 0;
        SetLines("", "", "");
    }

    static void SetLine(char (&field)[128], const char* text) {
        std::memset(field, 0, sizeof field);
        std::strncpy(field, text, sizeof field - 1);
    }
    static void SetLines(const char* a, const char* b, const char* c) {
        SetLine(settings.textLine1, a);
        SetLine(settings.textLine2, b);
        SetLine(settings.textLine3, c);
    }

    // The run's letter tracers by slot.
    static std::map<int, const __tracer*> Letters() {
        std::map<int, const __tracer*> out;
        for (int s = 0; s < kTracerSlots; ++s)
            if (tracerPool[s].active && tracerPool[s].isLetter) out[s] = &tracerPool[s];
        return out;
    }

    // Starts a run through the start check, as the simulation step would.
    static void StartRun() {
        CheckIncomingTextStart(simulation.rows * 1000 * (settings.textInterval + 1));
        ASSERT_EQ(1, incomingText.textActive);
    }

    static void StepUntilLanded() {
        for (int i = 0; i < 2000 && incomingText.lettersPlaced < incomingText.lettersStarted; ++i) {
            ASSERT_EQ(0, incomingText.textClock) << "the timeline waits for the last letter";
            StepSimulation(1000);
        }
        ASSERT_EQ(incomingText.lettersStarted, incomingText.lettersPlaced);
    }

    static int Flashing() {
        int n = 0;
        for (const auto& kv : Letters()) n += kv.second->flash != 0.0f;
        return n;
    }
};

TEST_F(TextTest, OneLineInTheSecondFieldGoesToTheMiddleRow) {
    SetLines("", "AB", "");
    Start();
    StartRun();
    const auto letters = Letters();
    ASSERT_EQ(2u, letters.size());
    EXPECT_EQ(2, incomingText.lettersStarted);
    const int M = settings.rows / 2, N = settings.columns / 2;
    int i = 0;
    for (const auto& kv : letters) {
        const __tracer& t = *kv.second;
        EXPECT_EQ(kv.first, t.slot);
        EXPECT_EQ("AB"[i], t.letter);
        EXPECT_EQ(M, t.targetRow);
        EXPECT_EQ(N - 2 + 2 * i, t.column);
        EXPECT_EQ(0, t.display);
        EXPECT_LT(t.headRow, 0);
        EXPECT_LE(t.eraserRow, t.headRow - 12);
        EXPECT_EQ(1, t.glowing);
        EXPECT_EQ(2.0f, t.speed);  // double speed in (default)
        // Stream cells are filled above the target row only.
        EXPECT_EQ(0, t.cells[M].visible);
        EXPECT_EQ(0, t.cells[M + 1].visible);
        ++i;
    }
    EXPECT_EQ(std::min(letters.begin()->second->headRow, std::next(letters.begin())->second->headRow),
              incomingText.highestLetterRow);
}

TEST_F(TextTest, CharactersWithoutALetterImageLeaveGaps) {
    Start();
    const int N = settings.columns / 2;
    StartIncomingText("A-b C@", "Z", nullptr);
    const auto letters = Letters();
    ASSERT_EQ(3u, letters.size());
    EXPECT_EQ(3, incomingText.lettersStarted);
    // 'A' takes slot 0; '-', 'b' and ' ' use up slots 1..3 without a tracer;
    // 'C' takes slot 4; '@' slot 5 stays empty. The next line starts over.
    ASSERT_TRUE(letters.count(0) && letters.count(4) && letters.count(1));
    EXPECT_EQ('A', letters.at(0)->letter);
    EXPECT_EQ(N - 6 + 0, letters.at(0)->column);
    EXPECT_EQ('C', letters.at(4)->letter);
    EXPECT_EQ(N - 6 + 8, letters.at(4)->column);
    EXPECT_EQ('Z', letters.at(1)->letter);
    EXPECT_EQ(N - 1, letters.at(1)->column);
}

TEST_F(TextTest, AFullFieldWithoutTerminatorIsReadUpTo128Characters) {
    settings.columns = 263;
    Start();
    std::memset(settings.textLine1, 'W', sizeof settings.textLine1);
    StartRun();
    EXPECT_EQ(128, incomingText.lettersStarted);
}

TEST_F(TextTest, TimelineFlashesInStagesAndEndsTheRun) {
    SetLines("AB", "", "");
    Start();
    StartRun();
    EXPECT_EQ(1, incomingText.textQuiet);
    StepUntilLanded();
    EXPECT_EQ(2, CountEvents('L'));
    // 4 units of text clock per millisecond: at speed 20 one step of 1000 is 200.
    StepSimulation(1000);
    EXPECT_EQ(200, incomingText.textClock);
    while (incomingText.textClock < 9800) StepSimulation(1000);
    EXPECT_EQ(0, Flashing());
    StepSimulation(1000);  // 10000: the first stage
    EXPECT_EQ(1, Flashing());
    EXPECT_EQ(1, CountEvents('F'));
    StepSimulation(1000);
    EXPECT_EQ(1, Flashing());  // still the same stage
    while (incomingText.textClock < 11000) StepSimulation(1000);
    EXPECT_EQ(2, Flashing());  // one letter per stage while fewer than 20 landed
    EXPECT_EQ(2, CountEvents('F'));
    while (incomingText.textClock < 29000) StepSimulation(1000);
    EXPECT_EQ(2, CountEvents('F'));  // nobody flashes twice
    EXPECT_EQ(1, incomingText.textActive);
    while (incomingText.textClock != 0) StepSimulation(1000);
    // The run is over.
    EXPECT_EQ(0, incomingText.textActive);
    EXPECT_EQ(0, incomingText.textQuiet);
    EXPECT_EQ(0, incomingText.lettersStarted);
    EXPECT_EQ(0, incomingText.lettersPlaced);
    EXPECT_EQ(0.0f, incomingText.cameraZoom);
    EXPECT_TRUE(Letters().empty());
    EXPECT_EQ(0, incomingText.textAllowed);  // no repeat: never again
    for (int i = 0; i < 200; ++i) StepSimulation(1000);
    EXPECT_EQ(0, incomingText.textActive);
    EXPECT_EQ(1, incomingText.runsStarted);
}

TEST_F(TextTest, RepeatStartsAgainAfterTheInterval) {
    settings.textRepeat = 1;
    settings.textInterval = 1;
    SetLines("A", "", "");
    Start();
    const int due = settings.rows * 1000 * 2;
    CheckIncomingTextStart(due - 1);
    EXPECT_EQ(0, incomingText.textActive);
    CheckIncomingTextStart(1);
    ASSERT_EQ(1, incomingText.textActive);
    while (incomingText.textActive) StepSimulation(1000);
    EXPECT_EQ(1, incomingText.textAllowed);
    EXPECT_EQ(1, incomingText.runsStarted);
    for (int i = 0; i < due / 1000 + 1 && !incomingText.textActive; ++i) StepSimulation(1000);
    EXPECT_EQ(1, incomingText.textActive);
    EXPECT_EQ(2, incomingText.runsStarted);
}

TEST_F(TextTest, TheRunCalmsTheRainAndStopsReleases) {
    settings.releaseIntervalLog2 = 0;
    Start();
    __tracer& resting = Place(0, 3, 10, 2);
    resting.headPause = 5000;
    resting.eraserPause = 3000;
    __tracer& waiting = Place(1, 4, 10, 2);
    waiting.eraserPause = 3000;
    __tracer& above = Place(2, 5, -1, -20);
    SetLines("Q", "", "");
    StartRun();
    EXPECT_EQ(10000000, resting.headPause);
    EXPECT_EQ(3000, resting.eraserPause);
    EXPECT_EQ(0, waiting.eraserPause);
    EXPECT_LE(above.eraserRow, 0);
    EXPECT_GE(above.eraserRow, -(10 / 2));
    const int before = CountActiveTracers();
    for (int i = 0; i < 30; ++i) StepSimulation(1000);
    EXPECT_LE(CountActiveTracers(), before);
}

TEST_F(TextTest, LandingMakesRoomAndHidesTheTrail) {
    // A landing fades at most C / lettersStarted + 1 streams: here 8 / 1 + 1 of 60.
    settings.pauseRarity = 1000000;
    settings.columns = 8;
    SetLines("A", "", "");
    Start();
    for (int s = 100; s < 160; ++s) {
        __tracer& t = Place(s, 7, 35, 5, 1);  // on another display: no collisions
        t.headPause = 100000000;
        t.eraserPause = 100000000;  // no meetings: only the landing fades them
        t.headProgress = 10;
    }
    StartRun();
    StepUntilLanded();
    int faded = 0;
    for (int s = 100; s < 160; ++s) faded += tracerPool[s].fade != 0;
    EXPECT_EQ(8 / 1 + 1, faded);
    for (const auto& kv : Letters()) EXPECT_NE(0, kv.second->fade);  // the trail hides
}

TEST_F(TextTest, TextAndEffectsExcludeEachOther) {
    static int starts = 0;
    starts = 0;
    // An effect that runs until its first step.
    ASSERT_EQ(0, RegisterEffectModule([](int) { return ++starts, 0; }, [](int) { return 1; }));
    SetLines("A", "", "");
    Start();
    // A running effect holds the text back: its wait does not even count.
    TriggerEffect(0);
    ASSERT_TRUE(IsEffectRunning());
    CheckIncomingTextStart(100000000);
    EXPECT_EQ(0, incomingText.textActive);
    EXPECT_EQ(0, incomingText.textWait);

    StepEffectModules(1000);
    ASSERT_FALSE(IsEffectRunning());
    StartRun();
    // While the text runs no key, Spacebar or interval starts an effect.
    TriggerEffect(0);
    EXPECT_EQ(HandleEffectKey('D'), 1);  // consumed, but refused
    EXPECT_GE(TriggerRandomEffect(), 0);
    EXPECT_EQ(1, starts);
    EXPECT_FALSE(IsEffectRunning());
    // The interval counters keep advancing and resetting.
    settings.dejaVuInterval = 0;
    const int threshold = settings.rows / 3;
    for (int i = 0; i < threshold * 20; ++i) RunAutomaticEffectStarts();
    EXPECT_LT(effectStartCounters[0], threshold);
    EXPECT_EQ(1, starts);
}

}  // namespace
