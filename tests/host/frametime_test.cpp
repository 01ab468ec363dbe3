#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "host/frametime.h"
#include "settings/settings.h"

namespace {

std::vector<std::string> g_calls;
int Sim(int32_t units) {
    g_calls.push_back("sim " + std::to_string(units));
    return 0;
}
void Eff(int units) { g_calls.push_back("eff " + std::to_string(units)); }
void Clear() { g_calls.push_back("clear"); }
const FrameTimeHooks kHooks{Clear, Sim, Eff};

class FrameTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultSettings();
        g_calls.clear();
    }
    std::vector<std::string> Run(bool first, int32_t ms) {
        g_calls.clear();
        AdvanceFrameTime(first, ms, &kHooks);
        return g_calls;
    }
};

using Calls = std::vector<std::string>;

TEST_F(FrameTimeTest, UnitsFromMilliseconds) {
    EXPECT_EQ(1000, FrameUnits(50, 20.0f));
    EXPECT_EQ(2400, FrameUnits(120, 20.0f));
    EXPECT_EQ(320, FrameUnits(16, 20.0f));
    EXPECT_EQ(1, FrameUnits(0, 20.0f));  // the rain never freezes
    EXPECT_EQ(3, FrameUnits(16, 0.2f));  // 16 * 1000 * 0.2 = 3200.0000477: 3
    EXPECT_EQ(1, FrameUnits(1, 0.2f));   // 0.2 units truncate to 0, raised to 1
    EXPECT_EQ(51, FrameUnits(1, 51.2f));
    // Nonsense input never gives zero, negative or overflowing units.
    EXPECT_EQ(1, FrameUnits(16, -20.0f));
    EXPECT_EQ(1, FrameUnits(-5, 20.0f));
    EXPECT_EQ(1, FrameUnits(16, std::numeric_limits<float>::quiet_NaN()));
    // A stall or an absurd speed runs at most 60 steps in one frame.
    EXPECT_EQ(kMaxFrameUnits, FrameUnits(16, std::numeric_limits<float>::infinity()));
    EXPECT_EQ(kMaxFrameUnits, FrameUnits(16, 1e30f));
    EXPECT_EQ(kMaxFrameUnits, FrameUnits(INT32_MAX, 20.0f));  // no wrap-around in the product
    EXPECT_EQ(kMaxFrameUnits, FrameUnits(3600000, 20.0f));
    EXPECT_EQ(59980, FrameUnits(2999, 20.0f));
}

TEST_F(FrameTimeTest, ChunksOfAtMostOneRow) {
    EXPECT_EQ((Calls{"sim 1000", "eff 1000"}), Run(false, 50));
    EXPECT_EQ((Calls{"sim 1000", "eff 1000", "sim 1000", "eff 1000", "clear", "sim 400", "eff 400"}), Run(false, 120));
    EXPECT_EQ((Calls{"sim 1", "eff 1"}), Run(false, 0));
    EXPECT_EQ((Calls{"sim 320", "eff 320"}), Run(false, 16));
    // An exact multiple still ends with its (empty) remainder after the clear.
    EXPECT_EQ((Calls{"sim 1000", "eff 1000", "sim 1000", "eff 1000", "clear", "sim 0", "eff 0"}), Run(false, 100));
}

TEST_F(FrameTimeTest, JumpInWarmsUpOnTheFirstFrameOnly) {
    settings.rows = 7;
    EXPECT_EQ(0, JumpInWarmupSteps());
    EXPECT_EQ((Calls{"sim 320", "eff 320"}), Run(true, 16));
    settings.jumpInStart = 1;
    EXPECT_EQ(42, JumpInWarmupSteps());
    Calls expected(42, "sim 1000");
    expected.push_back("clear");
    expected.push_back("sim 1");
    expected.push_back("eff 1");
    EXPECT_EQ(expected, Run(true, 0));
    EXPECT_EQ((Calls{"sim 320", "eff 320"}), Run(false, 16));
}

}  // namespace
