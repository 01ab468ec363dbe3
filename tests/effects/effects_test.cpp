#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../sim/rain_fixture.h"
#include "host/frametime.h"
#include "sim/random.h"

namespace {

// A module whose callbacks log what they were given.
struct Log {
    std::vector<std::string> calls;
    int finishAfterSteps = -1;  // -1: never finishes
    int startResult = 0;
    int steps = 0;
};
Log g_log;

int LoggedStart(int arg) {
    g_log.calls.push_back("start " + std::to_string(arg));
    return g_log.startResult;
}
int LoggedStep(int units) {
    g_log.calls.push_back("effect " + std::to_string(units));
    ++g_log.steps;
    return g_log.finishAfterSteps >= 0 && g_log.steps >= g_log.finishAfterSteps ? 1 : 0;
}
int OtherStart(int) { return 0; }
int OtherStep(int) { return 0; }

class EffectsTest : public RainTest {
protected:
    void SetUp() override {
        RainTest::SetUp();
        g_log = Log{};
    }
    // Fills slots 0..8 with the logging module.
    static void RegisterNine() {
        for (int i = 0; i < kKnownEffectSlots; ++i) ASSERT_EQ(i, RegisterEffectModule(LoggedStart, LoggedStep));
    }
};

TEST_F(EffectsTest, RegistrationLimits) {
    EXPECT_EQ(-1, RegisterEffectModule(nullptr, OtherStep));
    EXPECT_EQ(-1, RegisterEffectModule(OtherStart, nullptr));
    EXPECT_EQ(0, effectRegistry.registeredCount);
    for (int i = 0; i < kEffectSlotCapacity; ++i) ASSERT_EQ(i, RegisterEffectModule(OtherStart, OtherStep));
    EXPECT_EQ(-2, RegisterEffectModule(LoggedStart, LoggedStep));
    EXPECT_EQ(kEffectSlotCapacity, effectRegistry.registeredCount);
    for (int i = 0; i < kEffectSlotCapacity; ++i) EXPECT_EQ(&OtherStep, effectRegistry.step[i]);
    ResetEffectModules();
    EXPECT_EQ(0, effectRegistry.registeredCount);
    EXPECT_EQ(nullptr, effectRegistry.step[0]);
    EXPECT_EQ(0, RegisterEffectModule(LoggedStart, LoggedStep));
}

TEST_F(EffectsTest, TriggerStepAndFinish) {
    Start();
    RegisterNine();
    g_log.finishAfterSteps = 2;
    TriggerEffect(40);  // no module there
    TriggerEffect(-1);
    EXPECT_FALSE(IsEffectRunning());
    StepEffectModules(100);  // idle: nothing is called
    EXPECT_TRUE(g_log.calls.empty());

    TriggerEffect(3);
    EXPECT_TRUE(IsEffectRunning());
    EXPECT_EQ(3, effectRegistry.currentSlot);
    TriggerEffect(5);  // refused: an effect runs
    EXPECT_EQ(3, effectRegistry.currentSlot);
    StepEffectModules(250);
    EXPECT_EQ(250.0f, effectRegistry.elapsed);
    StepEffectModules(300);  // the module reports it has finished
    EXPECT_FALSE(IsEffectRunning());
    EXPECT_EQ(0.0f, effectRegistry.elapsed);
    EXPECT_EQ((std::vector<std::string>{"start 0", "effect 250", "effect 300"}), g_log.calls);

    // A start that reports it is already finished leaves the registry idle.
    g_log.calls.clear();
    g_log.startResult = 1;
    TriggerEffect(4);
    EXPECT_FALSE(IsEffectRunning());
    StepEffectModules(10);
    EXPECT_EQ((std::vector<std::string>{"start 0"}), g_log.calls);
}

std::vector<std::string> g_sequence;
int RecordingSimulation(int32_t units) {
    g_sequence.push_back("sim " + std::to_string(units));
    return 0;
}
void RecordingEffects(int units) {
    g_sequence.push_back("eff " + std::to_string(units));
    StepEffectModules(units);
}
void RecordingClear() { g_sequence.push_back("clear"); }

TEST_F(EffectsTest, ALongFrameStepsTheEffectAfterEachSimulationChunk) {
    Start();
    RegisterNine();
    TriggerEffect(0);
    g_log.calls.clear();
    g_sequence.clear();
    const FrameTimeHooks hooks{RecordingClear, RecordingSimulation, RecordingEffects};
    EXPECT_EQ(2500, AdvanceFrameTime(false, 125, &hooks));  // 125 ms at speed 20
    EXPECT_EQ((std::vector<std::string>{"sim 1000", "eff 1000", "sim 1000", "eff 1000", "clear", "sim 500", "eff 500"}),
              g_sequence);
    EXPECT_EQ((std::vector<std::string>{"effect 1000", "effect 1000", "effect 500"}), g_log.calls);
    EXPECT_EQ(2500.0f, effectRegistry.elapsed);
}

TEST_F(EffectsTest, KeysFollowTheirFlagsAndOrder) {
    Start();
    RegisterNine();
    const char keys[] = "DERTSGVXF";
    for (int slot = 0; slot < kKnownEffectSlots; ++slot) {
        EXPECT_EQ(keys[slot], GetEffectKeyLetter(slot));
        EXPECT_EQ(slot, MatchEffectKey(keys[slot]));
    }
    EXPECT_EQ(-1, MatchEffectKey('Q'));
    EXPECT_EQ(-1, MatchEffectKey('d'));  // virtual keys of letters are capitals

    settings.dejaVuKey = 0;
    EXPECT_EQ(-1, MatchEffectKey('D'));
    EXPECT_EQ(0, HandleEffectKey('D'));  // an ordinary key for the saver
    settings.dejaVuKey = 1;
    settings.dejaVuEnabled = 0;
    EXPECT_EQ(-1, MatchEffectKey('D'));
    settings.burstsEnabled = 0;
    for (char k : {'E', 'R', 'T'}) EXPECT_EQ(-1, MatchEffectKey(k));
    settings.burstsEnabled = 1;
    settings.burstStillKey = 0;
    EXPECT_EQ(1, MatchEffectKey('E'));
    EXPECT_EQ(-1, MatchEffectKey('R'));
    settings.crashEnabled = 0;
    EXPECT_EQ(-1, MatchEffectKey('X'));

    // A matching key is consumed even when the trigger is refused.
    EXPECT_EQ(1, HandleEffectKey('S'));
    EXPECT_EQ(kEffectSmallBursts, effectRegistry.currentSlot);
    EXPECT_EQ(1, HandleEffectKey('G'));
    EXPECT_EQ(kEffectSmallBursts, effectRegistry.currentSlot);
}

TEST_F(EffectsTest, SpacebarDrawsAnEnabledSlot) {
    Start();
    RegisterNine();
    settings.dejaVuEnabled = 0;
    settings.burstsEnabled = 0;
    settings.smallBurstsEnabled = 0;
    settings.dropsEnabled = 0;
    settings.lightningsEnabled = 0;
    settings.crashEnabled = 0;
    settings.supermanEnabled = 0;
    EXPECT_EQ(-1, TriggerRandomEffect());
    EXPECT_FALSE(IsEffectRunning());
    EXPECT_TRUE(g_log.calls.empty());

    settings.dropsEnabled = 1;
    settings.dropsKey = 0;  // key flags play no part
    EXPECT_EQ(kEffectDrops, TriggerRandomEffect());
    EXPECT_EQ(kEffectDrops, effectRegistry.currentSlot);
    EXPECT_TRUE(IsEffectRunning());

    // The three burst slots share one flag; over many draws each is reached.
    effectRegistry.active = false;
    settings.dropsEnabled = 0;
    settings.burstsEnabled = 1;
    bool seen[3] = {false, false, false};
    for (int i = 0; i < 200; ++i) {
        const int slot = TriggerRandomEffect();
        ASSERT_GE(slot, 1);
        ASSERT_LE(slot, 3);
        seen[slot - 1] = true;
        effectRegistry.active = false;
    }
    EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
}

TEST_F(EffectsTest, AutomaticStartsCountTicks) {
    Start();
    RegisterNine();
    g_log.finishAfterSteps = 0;
    settings.dejaVuInterval = 0;       // due every 40 / 3 = 13 ticks
    settings.burstMovementInterval = 255;  // key only
    settings.smallBurstsEnabled = 0;
    settings.rows = 40;
    int triggers = 0, dueTicks = 0;
    for (int tick = 1; tick <= 13 * 400; ++tick) {
        RunAutomaticEffectStarts();
        if (tick % 13 == 0) {
            ++dueTicks;
            EXPECT_EQ(0, effectStartCounters[0]) << tick;
        } else {
            EXPECT_EQ(tick % 13, effectStartCounters[0]) << tick;
        }
        if (IsEffectRunning()) {
            if (effectRegistry.currentSlot == 0) ++triggers;
            StepEffectModules(1);  // finishes at once
        }
    }
    EXPECT_EQ(0, effectStartCounters[1]);
    EXPECT_EQ(0, effectStartCounters[4]);
    // One chance in five at each due tick (other slots may be running then).
    EXPECT_NEAR(dueTicks / 5.0, triggers, 30);
    EXPECT_GT(triggers, 0);
}

TEST_F(EffectsTest, ARefusedAutomaticStartStillResetsItsCounter) {
    Start();
    RegisterNine();  // never finish: the first effect keeps running
    settings.dejaVuInterval = 0;
    TriggerEffect(8);
    for (int tick = 1; tick <= 13 * 50; ++tick) RunAutomaticEffectStarts();
    EXPECT_EQ(8, effectRegistry.currentSlot);
    EXPECT_EQ((13 * 50) % 13, effectStartCounters[0]);
}

}  // namespace
