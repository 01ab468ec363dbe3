// Whole runs of every effect module, and every stored value of their own
// settings: each run ends, allocates nothing, and pushes only sound layers.
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <vector>

#include "../sim/malloc_probe.h"
#include "effect_fixture.h"
#include "settings/memory.h"

namespace {

const int kEffects[] = {kEffectDejaVu,      kEffectMovementBurst, kEffectStillBurst,
                        kEffectTraceBurst,  kEffectSmallBursts,   kEffectDrops};

// Every option of the four modules on (1) or off (0).
void SetOptions(int on) {
    SettingsRecord& s = settings;
    s.dejaVuRewrite = s.dejaVuBaseColor = s.dejaVuSolidBars = s.dejaVuRandomize = s.dejaVuSparse = on;
    s.burstRandomPosition = s.burstRandomScreen = on;
    s.smallBurstsRandomScreen = s.smallBurstsRandomSize = s.smallBurstsBlendOut = s.smallBurstsSolid = on;
}

// Frames of `ms` with the rain until the effect ends: the frames taken, or -1
// when it still runs after `limit` frames or a layer is unsound.
int RunToEnd(int slot, int ms, int limit) {
    TriggerEffect(slot);
    for (int f = 1; f <= limit; ++f) {
        ClearCodeGrids(displayCount);
        AdvanceFrameTime(false, ms);
        if (!EffectTest::LayersSound()) return -1;
        if (!IsEffectRunning()) return f;
    }
    return -1;
}

// The effect alone, in steps of 1000 units over empty or filled grids: the
// steps taken, or -1 as above.
int StepToEnd(int slot, int limit, bool filled) {
    TriggerEffect(slot);
    for (int step = 1; step <= limit; ++step) {
        if (!IsEffectRunning()) return step - 1;
        EffectTest::StepAlone(1000, filled);
        if (!EffectTest::LayersSound()) return -1;
    }
    return IsEffectRunning() ? -1 : limit;
}

class EffectRunTest : public EffectTest {};

TEST_F(EffectRunTest, EveryEffectRunsToItsEndOverTheRainWithoutAllocating) {
    struct Case {
        int options;  // -1 as default, 0 off, 1 on
        int displays, columns, rows, frameMs;
    };
    const Case cases[] = {{0, 1, 80, 40, 16}, {1, 4, 80, 40, 16}, {-1, 1, 263, 261, 50}};
#ifdef KVS_COUNT_MALLOC
    ASSERT_TRUE(malloc_probe::Available());
#endif
    const SettingsRecord defaults = settings;
    for (const Case& c : cases) {
        settings = defaults;
        settings.columns = c.columns;
        settings.rows = c.rows;
        if (c.options >= 0) SetOptions(c.options);
        Init(c.displays);
        for (int f = 0; f < 60; ++f) {  // rain on the screens
            ClearCodeGrids(displayCount);
            AdvanceFrameTime(false, 50);
        }
        for (int slot : kEffects) {
            SCOPED_TRACE(testing::Message() << GetEffectName(slot) << " on " << c.displays << " x " << c.columns
                                            << " x " << c.rows << ", options " << c.options);
            const uint64_t before = AllocationCount();
            malloc_probe::Arm();
            const int frames = RunToEnd(slot, c.frameMs, 200000 / c.frameMs);
            EXPECT_EQ(0u, malloc_probe::Disarm());
            EXPECT_EQ(before, AllocationCount());
            EXPECT_GT(frames, 1);
            // The rain carries on, with every stream cell still a glyph.
            for (int f = 0; f < 20; ++f) AdvanceFrameTime(false, 50);
            EXPECT_GT(CountActiveTracers(), 10);
            for (const __tracer& t : tracerPool)
                for (int r = 0; t.active && r < simulation.rows; ++r) ASSERT_LT(t.cells[r].glyph, 55);
        }
    }
}

// Stored values of one field: both ends of the settings window's range, then 0,
// negative and the extremes (not a number and infinities for floats).
struct Field {
    const char* name;
    void (*set)(double value);
    double low, high;
    bool isFloat;
};

void ExpectEveryValueEnds(bool filled, std::initializer_list<int> slots, std::initializer_list<Field> fields) {
    const SettingsRecord saved = settings;
    const double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
    for (const Field& field : fields) {
        std::vector<double> values = {field.low, field.high, 0.0, -1.0};
        if (field.isFloat)
            values.insert(values.end(), {kNaN, kInf, -kInf, 1e30, 1e-30});
        else
            values.insert(values.end(), {double(INT_MIN), double(INT_MAX)});
        for (double v : values) {
            settings = saved;
            field.set(v);
            InitEffectModules();  // envelopes are built from the stored values
            for (int slot : slots) {
                SCOPED_TRACE(testing::Message() << GetEffectName(slot) << ": " << field.name << " = " << v);
                const int steps = StepToEnd(slot, 20000, filled);
                EXPECT_GE(steps, 0);
            }
        }
    }
    settings = saved;
}

int32_t Int(double v) { return static_cast<int32_t>(v); }
float Float(double v) { return static_cast<float>(v); }

const Field kDensities[] = {
    {"positiveDensity", [](double v) { settings.positiveDensity = Int(v); }, 0, 100, false},
    {"negativeDensity", [](double v) { settings.negativeDensity = Int(v); }, 0, 100, false},
    {"accentColor", [](double v) { settings.accentColor[0] = settings.accentColor[2] = Float(v); }, 0, 1, true},
};

TEST_F(EffectRunTest, DejaVuEndsWhateverItsSettingsHold) {
    Init();
    ExpectEveryValueEnds(false, {kEffectDejaVu},
                         {{"dejaVuSpeed", [](double v) { settings.dejaVuSpeed = Int(v); }, 2000, 12200, false},
                          {"dejaVuBars", [](double v) { settings.dejaVuBars = Int(v); }, 4, 259, false},
                          {"baseColor", [](double v) { settings.baseColor[1] = Float(v); }, 0, 1, true},
                          kDensities[0], kDensities[1], kDensities[2]});
    // A budget of no bars at all ends at the first step instead of never.
    settings.dejaVuBars = 0;
    EXPECT_EQ(1, StepToEnd(kEffectDejaVu, 10, false));
}

TEST_F(EffectRunTest, BurstsEndWhateverTheirSettingsHold) {
    Init(2);
    settings.burstRandomPosition = 1;
    ExpectEveryValueEnds(true, {kEffectMovementBurst, kEffectStillBurst, kEffectTraceBurst},
                         {{"burstSpeed", [](double v) { settings.burstSpeed = Int(v); }, 2000, 27500, false},
                          {"burstBorder", [](double v) { settings.burstBorder = Int(v); }, 1, 32, false},
                          {"glowIntensity", [](double v) { settings.glowIntensity = Float(v); }, 0, 1, true},
                          kDensities[2]});
}

TEST_F(EffectRunTest, SmallBurstsEndWhateverTheirSettingsHold) {
    Init();
    settings.smallBurstsBlendOut = 1;
    settings.smallBurstsSolid = 1;
    ExpectEveryValueEnds(
        false, {kEffectSmallBursts},  // solid bursts draw on empty grids
        {{"smallBurstsSpeed", [](double v) { settings.smallBurstsSpeed = Int(v); }, 2000, 27500, false},
         {"smallBurstsBorder", [](double v) { settings.smallBurstsBorder = Int(v); }, 1, 32, false},
         {"smallBurstsNumber", [](double v) { settings.smallBurstsNumber = Int(v); }, 2, 65, false},
         {"smallBurstsSize", [](double v) { settings.smallBurstsSize = Float(v); }, 1.0, 4.984375, true},
         kDensities[0], kDensities[1], kDensities[2]});
    // A series of no bursts ends at its first step instead of never.
    settings.smallBurstsNumber = 1;
    EXPECT_EQ(1, StepToEnd(kEffectSmallBursts, 10, false));
}

TEST_F(EffectRunTest, DropsEndWhateverTheirSettingsHold) {
    Init(3);
    ExpectEveryValueEnds(false, {kEffectDrops},
                         {{"dropsNumber", [](double v) { settings.dropsNumber = Int(v); }, 1, 256, false},
                          kDensities[0], kDensities[1], kDensities[2]});
}

}  // namespace
