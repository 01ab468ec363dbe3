#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "rain_fixture.h"
#include "settings/memory.h"
#include "sim/path.h"
#include "sim/random.h"

namespace {

struct Layer {
    uint32_t texture;
    float r, g, b;
    uint32_t quad;
};

std::vector<Layer> LayersAt(int column, int row, int display = 0) {
    std::vector<Layer> out;
    const __buffer& grid = codeGrids[display];
    const uint32_t n = GetCellLayerCount(grid, static_cast<uint32_t>(column), static_cast<uint32_t>(row));
    for (uint32_t i = 0; i < n; ++i) {
        Layer l{};
        GetCellLayer(grid, static_cast<uint32_t>(column), static_cast<uint32_t>(row), i, &l.texture, &l.r, &l.g,
                     &l.b, &l.quad);
        out.push_back(l);
    }
    return out;
}

void ExpectLayer(const Layer& l, uint32_t texture, double r, double g, double b, uint32_t quad) {
    EXPECT_EQ(texture, l.texture);
    EXPECT_NEAR(r, l.r, 1e-5);
    EXPECT_NEAR(g, l.g, 1e-5);
    EXPECT_NEAR(b, l.b, 1e-5);
    EXPECT_EQ(quad, l.quad);
}

void ExpectCurveLayer(const Layer& l, uint32_t texture, const aPath& curve, double time, double scale, uint32_t quad) {
    double r, g, b;
    EvalPath(curve, time, &r, &g, &b);
    ExpectLayer(l, texture, r * scale, g * scale, b * scale, quad);
}

class EvalTest : public RainTest {};

// ---- start-up -----------------------------------------------------------------

uint32_t g_ticks[2];
int g_tickCalls;
uint32_t TwoReadings() { return g_ticks[g_tickCalls++ % 2]; }

TEST_F(EvalTest, SeedsFromTwoTickReadingsInOrder) {
    g_ticks[0] = 1000000;  // t1
    g_ticks[1] = 1000017;  // t2
    g_tickCalls = 0;
    SetEvaluatorClock(TwoReadings);
    settings.keepPattern = 0;  // no draws during the start-up
    Start();
    double seen[4];
    for (double& v : seen) v = RandomUniform();
    SeedRandom(1000017 % 31329, 1000000 % 30081);
    for (double v : seen) EXPECT_EQ(RandomUniform(), v);
    EXPECT_EQ(2, g_tickCalls);
}

TEST_F(EvalTest, ColumnBuffersAndPatternMemory) {
    settings.rotatorsOccurrence = 5;
    Start(3);
    for (const __tracer& t : tracerPool) {
        ASSERT_NE(nullptr, t.cells);
        EXPECT_EQ(0, t.active);
    }
    int rotators = 0;
    for (int d = 0; d < 3; ++d) {
        ASSERT_NE(nullptr, patternMemory[d]);
        for (int i = 0; i < settings.columns * settings.rows; ++i) {
            EXPECT_LT(patternMemory[d][i].glyph, 55);
            EXPECT_LE(patternMemory[d][i].rotator, 1);
            rotators += patternMemory[d][i].rotator;
        }
    }
    EXPECT_EQ(nullptr, patternMemory[3]);
    const double share = rotators / (3.0 * settings.columns * settings.rows);
    EXPECT_NEAR(0.5, share, 0.05);

    ShutdownEvaluator();
    settings.keepPattern = 0;
    Start(2);
    EXPECT_EQ(nullptr, patternMemory[0]);
}

TEST_F(EvalTest, CurvesFollowTheColours) {
    settings.baseColor[0] = 0.2f;
    settings.baseColor[1] = 0.4f;
    settings.baseColor[2] = 0.6f;
    settings.accentColor[0] = 1.0f;
    settings.accentColor[1] = 0.5f;
    settings.accentColor[2] = 0.0f;
    Start();
    const TracerCurves& c = tracerCurves;
    double r, g;
    // Spot checks between and at keys, in thousands of units.
    EXPECT_NEAR(0.75, EvalPath(c.tracerGlow, 0.95, &r, &g, nullptr), 1e-6);
    EXPECT_NEAR(0.375, g, 1e-6);
    EXPECT_NEAR(0.2, EvalPath(c.tracerGlow, 2.0, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(0.2, EvalPath(c.tracerHalo, 0.7, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(1.0, EvalPath(c.tracerHalo, 1.5, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(0.0, EvalPath(c.tracerHalo, 2.2, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(0.1, EvalPath(c.eraserFade, 1.0, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(0.1, EvalPath(c.eraserDissolve, 3.0, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(0.2, EvalPath(c.rotatorFade, 0.0, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(0.0, EvalPath(c.rotatorFade, 1.0, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(0.1, EvalPath(c.rotatorBlur, 1.75, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(1.0, EvalPath(c.letterTrail, 1.0, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(0.1, EvalPath(c.letterCode, 1.5, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(0.5, EvalPath(c.letterFlash, 0.25, nullptr, nullptr, nullptr), 1e-6);
    EXPECT_NEAR(1.0, EvalPath(c.letterGlow, 0.5, nullptr, nullptr, nullptr), 1e-6);
}

TEST(EvalDeathTest, AllocationFailuresAreFatal) {
    SetDefaultSettings();
    ResetDisplayTable();
    // Allocations of a start-up without pattern memory: the curves' keys, then
    // the 512 column buffers; the pattern memory would come right after them.
    settings.keepPattern = 0;
    const uint64_t before = AllocationCount();
    InitEvaluator();
    const uint32_t total = static_cast<uint32_t>(AllocationCount() - before);
    ShutdownEvaluator();
    ASSERT_GT(total, static_cast<uint32_t>(kTracerSlots));
    const uint32_t firstColumnBuffer = total - kTracerSlots + 1;
    settings.keepPattern = 1;

    EXPECT_EXIT(
        {
            FailAllocationAfter(firstColumnBuffer);
            InitEvaluator();
        },
        ::testing::ExitedWithCode(1), "eval\\.h.*84.*int __tracer::alloc\\(\\).*Tracer buffer allocation error");
    EXPECT_EXIT(
        {
            FailAllocationAfter(total - 1);  // the last column buffer
            InitEvaluator();
        },
        ::testing::ExitedWithCode(1), "Tracer buffer allocation error");
    EXPECT_EXIT(
        {
            FailAllocationAfter(total + 1);  // the first pattern memory
            InitEvaluator();
        },
        ::testing::ExitedWithCode(1), "eval\\.cpp.*118.*int InitEvaluator\\(\\).*Pattern memory");
}

// ---- starting streams ---------------------------------------------------------

TEST_F(EvalTest, StartTracerFillsAFreshStream) {
    settings.negativeDensity = 0;
    settings.positiveDensity = 100;
    Start();
    ASSERT_EQ(0, StartTracer(5));
    const __tracer& t = tracerPool[5];
    EXPECT_EQ(1, t.active);
    EXPECT_EQ(5, t.slot);
    EXPECT_EQ(-1, t.headRow);
    EXPECT_LE(t.eraserRow, -(settings.rows / 2));
    EXPECT_GT(t.eraserRow, -(settings.rows / 2) - settings.rows * settings.streamLength);
    EXPECT_EQ(1.0f, t.speed);
    EXPECT_EQ(1, t.glowing);  // glowingTracers 10: every tracer glows
    EXPECT_EQ(1, StartTracer(5));
    // Keep-pattern: the glyph and rotator of every row come from the pattern memory.
    for (int r = 0; r < settings.rows; ++r) {
        const StreamCell& p = patternMemory[0][t.column * settings.rows + r];
        EXPECT_EQ(p.glyph, t.cells[r].glyph);
        EXPECT_EQ(p.rotator, t.cells[r].rotator);
        EXPECT_EQ(0, t.cells[r].writtenAge);
    }
}

TEST_F(EvalTest, StoredStreamLengthsOfAnySizeStartFarButBounded) {
    for (int32_t length : {INT32_MAX, INT32_MIN, -3}) {
        settings.streamLength = length;
        Start();
        for (int slot = 0; slot < 64; ++slot) {
            ASSERT_EQ(0, StartTracer(slot));
            EXPECT_LE(tracerPool[slot].eraserRow, -(settings.rows / 2));
            EXPECT_GE(tracerPool[slot].eraserRow, -1000000 - settings.rows / 2);
        }
    }
}

TEST_F(EvalTest, PickColumnRefusesWhenEveryCandidateIsBlocked) {
    settings.columns = 8;
    Start();
    for (int c = 0; c < 8; ++c) Place(c, c, 0, 2);  // every column's top is occupied
    EXPECT_EQ(-1, PickColumn(0));
    EXPECT_EQ(2, StartTracer(100));
    EXPECT_EQ(0, tracerPool[100].active);
    // Another display is free.
    EXPECT_GE(PickColumn(1), 0);
    // A stream whose eraser has left the top rows no longer blocks its column.
    tracerPool[3].eraserRow = 3;
    for (int i = 0; i < 50; ++i) {
        const int c = PickColumn(0);
        EXPECT_TRUE(c == -1 || c == 3) << c;
    }
    settings.noOverwriteTest = 1;
    std::set<int> seen;
    for (int i = 0; i < 200; ++i) seen.insert(PickColumn(0));
    EXPECT_EQ(8u, seen.size());
}

TEST_F(EvalTest, SpeedVariabilityGivesWholeStepsAndTenths) {
    settings.noOverwriteTest = 1;
    settings.speedVariability = 10;
    Start();
    std::set<float> speeds;
    for (int i = 0; i < 2000; ++i) {
        tracerPool[0].active = 0;
        ASSERT_EQ(0, StartTracer(0));
        speeds.insert(tracerPool[0].speed);
    }
    for (float s : speeds) EXPECT_GT(s, 0.0f);
    EXPECT_TRUE(speeds.count(10.0f));
    EXPECT_TRUE(speeds.count(1.0f));
    EXPECT_TRUE(speeds.count(static_cast<float>(1.0 - 0.1 * 9)));
    EXPECT_FALSE(speeds.count(1.5f));
    // Stored values above 10 behave as 10: no tracer is left that cannot move.
    settings.speedVariability = 40;
    for (int i = 0; i < 2000; ++i) {
        tracerPool[0].active = 0;
        StartTracer(0);
        EXPECT_GT(tracerPool[0].speed, 0.05f);
        EXPECT_LE(tracerPool[0].speed, 10.0f);
    }
    settings.speedVariability = 0;
    tracerPool[0].active = 0;
    StartTracer(0);
    EXPECT_EQ(1.0f, tracerPool[0].speed);
}

// ---- releases -----------------------------------------------------------------

// Steps whole ticks and returns the number of tracers started in each: slots
// that were free before the step and hold a tracer after it (a tracer that dies
// in a step cannot be replaced in the same step, releases come first).
std::vector<int> NewTracersPerTick(int ticks) {
    std::vector<int> out;
    for (int i = 0; i < ticks; ++i) {
        bool before[kTracerSlots];
        for (int s = 0; s < kTracerSlots; ++s) before[s] = tracerPool[s].active != 0;
        StepSimulation(1000);
        int started = 0;
        for (int s = 0; s < kTracerSlots; ++s) started += !before[s] && tracerPool[s].active;
        out.push_back(started);
    }
    return out;
}

TEST_F(EvalTest, ReleasesOfOneBecomeTwoPerDisplay) {
    settings.noOverwriteTest = 1;
    settings.releaseIntervalLog2 = 0;
    settings.releaseMaxTracers = 0;
    settings.splashInterval = 1;  // every release a splash: 0 x 3 is still 0
    settings.pauseRarity = 1000000;
    Start(2);
    const std::vector<int> counts = NewTracersPerTick(120);
    int empty = 0;
    for (int n : counts) {
        EXPECT_TRUE(n == 0 || n == 4) << n;
        empty += n == 0;
    }
    // The one-in-three draw that skips a release.
    EXPECT_NEAR(40, empty, 16);
    int perDisplay[2] = {0, 0};
    for (const __tracer& t : tracerPool)
        if (t.active) ++perDisplay[t.display];
    EXPECT_GT(perDisplay[0], 0);
    EXPECT_GT(perDisplay[1], 0);
}

TEST_F(EvalTest, SplashesMultiplyTheRelease) {
    settings.noOverwriteTest = 1;
    settings.releaseIntervalLog2 = 0;
    settings.releaseMaxTracers = 1;
    settings.splashMaxTracers = 16;
    settings.pauseRarity = 1000000;
    settings.splashInterval = 1000000000;  // practically never a splash
    Start();
    for (int n : NewTracersPerTick(60)) {
        EXPECT_TRUE(n == 0 || n == 2) << n;
    }
    ShutdownEvaluator();
    settings.splashInterval = 1;  // always a splash: up to 16
    Start();
    int largest = 0;
    for (int n : NewTracersPerTick(60)) {
        EXPECT_LE(n, 16);
        largest = std::max(largest, n);
    }
    EXPECT_GT(largest, 2);
}

TEST_F(EvalTest, ReleasePeriodAndTheRemainderOfTheTick) {
    settings.noOverwriteTest = 1;
    settings.releaseIntervalLog2 = 2;
    settings.pauseRarity = 1000000;
    Start();
    const std::vector<int> counts = NewTracersPerTick(80);
    int released = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (i % 4 != 0) {
            EXPECT_EQ(0, counts[i]) << "tick " << i;
        }
        released += counts[i];
    }
    EXPECT_GT(released, 0);

    // A tick reached in the middle of a step: new tracers start with the part
    // of the row time that has passed since the tick.
    ShutdownEvaluator();
    settings.releaseIntervalLog2 = 0;
    settings.releaseMaxTracers = 0;
    Start();
    released = 0;
    for (int i = 0; i < 30 && released == 0; ++i) {
        StepSimulation(800);  // clock ...800: no tick
        ASSERT_EQ(0, CountActiveTracers());
        StepSimulation(700);  // clock ...500: a tick, 500 units into the row
        released = CountActiveTracers();
        if (released == 0) {
            // Back to a whole row without releasing anything.
            incomingText.textQuiet = 1;
            StepSimulation(500);
            incomingText.textQuiet = 0;
        }
    }
    ASSERT_EQ(2, released);
    for (const __tracer& t : tracerPool) {
        if (!t.active) continue;
        EXPECT_EQ(0, t.headRow);        // 500 + 700 units: one row
        EXPECT_EQ(200, t.headProgress);
        EXPECT_EQ(200, t.eraserProgress);
    }
}

TEST_F(EvalTest, AStepOfNothingIsATick) {
    Start();
    StepSimulation(0);
    for (int slot = 0; slot < kKnownEffectSlots; ++slot) EXPECT_EQ(1, effectStartCounters[slot]);
    StepSimulation(999);
    EXPECT_EQ(1, effectStartCounters[0]);
    StepSimulation(0);  // clock mod 1000 unchanged
    EXPECT_EQ(2, effectStartCounters[0]);
    StepSimulation(1);  // crosses 1000
    EXPECT_EQ(3, effectStartCounters[0]);
}

TEST_F(EvalTest, TheClockNeverOverflows) {
    Start();
    simulation.clock = 1999999500;
    simulation.rotationPhase = simulation.clock % 3000;
    const int before = effectStartCounters[0];
    StepSimulation(1000);
    EXPECT_GT(simulation.clock, 0);
    EXPECT_EQ(500, simulation.clock % 1000);
    EXPECT_EQ((1999999500LL + 1000) % 3000, simulation.clock % 3000);
    EXPECT_EQ(before + 1, effectStartCounters[0]);
}

// ---- moving -------------------------------------------------------------------

TEST_F(EvalTest, FastTracersMoveInWholeRows) {
    settings.pauseRarity = 1000000;
    settings.noOverwriteTest = 1;
    Start();
    __tracer& t = Place(0, 5, -1, -30);
    t.speed = 2.0f;
    AdvanceTracer(t, 1000);
    EXPECT_EQ(0, t.headRow);
    EXPECT_EQ(1000, t.headProgress);
    EXPECT_EQ(2.0f, t.speed);
    // Row 0 was written with the remainder 1000 and aged by the second piece.
    EXPECT_EQ(2000, t.cells[0].writtenAge);
    AdvanceTracer(t, 1);  // 1002 accumulated: the next row
    EXPECT_EQ(1, t.headRow);
    EXPECT_EQ(2, t.headProgress);
    EXPECT_EQ(2 + 2, t.cells[1].writtenAge);  // the remainder, then the step's travel
    EXPECT_EQ(2000 + 2, t.cells[0].writtenAge);
}

TEST_F(EvalTest, PauseRarityZeroPausesAtEveryRow) {
    settings.pauseRarity = 0;
    Start();
    __tracer& t = Place(0, 5, -1, -30);
    AdvanceTracer(t, 1000);
    EXPECT_EQ(0, t.headPause);
    AdvanceTracer(t, 1);
    EXPECT_EQ(0, t.headRow);
    EXPECT_GE(t.headPause, (settings.rows / 2) * 2000);
    EXPECT_LT(t.headPause, settings.rows * 2000);
    const int row = t.headRow;
    AdvanceTracer(t, 1000);
    EXPECT_EQ(row, t.headRow);  // resting
}

TEST_F(EvalTest, HeadPausesEndOrWaitForTheEraser) {
    settings.pauseRarity = 1000000;
    Start();
    __tracer& far = Place(0, 1, 20, 5);
    far.headPause = 1500;
    AdvanceTracer(far, 1000);
    EXPECT_EQ(500, far.headPause);
    AdvanceTracer(far, 1000);
    EXPECT_EQ(0, far.headPause);
    EXPECT_EQ(-1, far.meetCount);
    EXPECT_EQ(20, far.headRow);  // the pause ended in this step; the head moves next time

    __tracer& near = Place(1, 2, 20, 15);
    near.headPause = 1000;
    AdvanceTracer(near, 1000);
    EXPECT_EQ(12000, near.headPause);
    EXPECT_EQ(0, near.meetCount);
}

TEST_F(EvalTest, TheEraserCatchingTheHeadStartsAMeeting) {
    settings.pauseRarity = 1000000;
    Start();
    __tracer& t = Place(0, 3, 10, 9);
    t.headPause = 50000;
    t.eraserProgress = 900;
    AdvanceTracer(t, 200);  // the eraser reaches row 10
    EXPECT_EQ(1, t.meetCount);
    EXPECT_EQ(9, t.eraserRow);
    EXPECT_EQ(100 + 200, t.cells[10].erasedAge);  // the remainder, then the step's travel
    EXPECT_EQ(0, t.headPause % 1000);
    EXPECT_LT(t.headPause, (settings.columns / 2) * 1000);
    EXPECT_GE(t.eraserPause, t.headPause + 10000);
    EXPECT_EQ(0, t.fade);

    // Two meetings without a pause ending in between stop the eraser.
    t.meetCount = 2;
    t.eraserPause = 0;
    t.headPause = 1000000;
    const int row = t.eraserRow;
    AdvanceTracer(t, 1000);
    AdvanceTracer(t, 1000);
    EXPECT_EQ(row, t.eraserRow);

    // During the incoming text a meeting starts the fade.
    incomingText.textQuiet = 1;
    __tracer& q = Place(1, 4, 10, 9);
    q.headPause = 50000;
    q.headProgress = 321;
    q.eraserProgress = 900;
    AdvanceTracer(q, 200);
    EXPECT_EQ(321, q.fade);
}

TEST_F(EvalTest, StreamsMergeIntoTheStreamBelow) {
    settings.pauseRarity = 1000000;
    Start();
    __tracer& lower = Place(0, 7, 30, 12);
    lower.headPause = 1000000;
    __tracer& upper = Place(1, 7, 11, 2);
    for (int r = 0; r < settings.rows; ++r) upper.cells[r].glyph = 54;
    upper.headProgress = 1000;
    AdvanceTracer(upper, 1);  // head enters row 12, inside the lower stream
    EXPECT_EQ(0, upper.active);
    EXPECT_EQ(1, lower.active);
    EXPECT_EQ(2, lower.eraserRow);
    for (int r = 0; r <= 12; ++r) EXPECT_EQ(54, lower.cells[r].glyph) << r;
    EXPECT_EQ(13 % 55, lower.cells[13].glyph);
    // Another column or display is not a collision.
    __tracer& side = Place(2, 8, 11, 2);
    side.headProgress = 1000;
    AdvanceTracer(side, 1);
    EXPECT_EQ(1, side.active);
}

TEST_F(EvalTest, LettersAndStreamsFadeEachOtherOut) {
    settings.pauseRarity = 1000000;
    Start();
    __tracer& letter = Place(0, 7, 30, 12);
    letter.isLetter = 1;
    letter.targetRow = 30;
    letter.headProgress = 444;
    __tracer& stream = Place(1, 7, 11, 2);
    stream.headProgress = 1000;
    AdvanceTracer(stream, 1);
    EXPECT_EQ(1, stream.active);
    EXPECT_EQ(1, stream.fade);  // its head progress after entering the row

    __tracer& other = Place(2, 9, 30, 12);
    other.headProgress = 777;
    other.headPause = 1000000;
    __tracer& falling = Place(3, 9, 11, 2);
    falling.isLetter = 1;
    falling.targetRow = 20;
    falling.headProgress = 1000;
    AdvanceTracer(falling, 1);
    EXPECT_EQ(777, other.fade);
    EXPECT_EQ(1, falling.active);
}

TEST_F(EvalTest, KillingGroundFadesAndFreesTheStream) {
    settings.pauseRarity = 1000000;
    settings.killingGround = 1;
    Start();
    const int R = settings.rows;
    __tracer& t = Place(0, 3, R - 1, R - 30);
    t.headProgress = 1000;
    AdvanceTracer(t, 100);
    EXPECT_EQ(R, t.headRow);
    EXPECT_EQ(100, t.fade);
    AdvanceTracer(t, 1000);
    AdvanceTracer(t, 1000);
    EXPECT_EQ(1, t.active);  // 2100 units of fade
    AdvanceTracer(t, 401);
    EXPECT_EQ(0, t.active);

    // A letter tracer's fade never frees it.
    __tracer& l = Place(1, 4, 10, 0);
    l.isLetter = 1;
    l.targetRow = 10;
    l.fade = 2400;
    AdvanceTracer(l, 1000);
    EXPECT_EQ(1, l.active);
}

TEST_F(EvalTest, ErasedCellsVanishAndFinishedStreamsAreReaped) {
    settings.pauseRarity = 1000000;
    Start();
    __tracer& t = Place(0, 3, 30, 5);
    t.headPause = 1000000;
    t.eraserPause = 1000000;
    t.cells[2].erasedAge = 3000;
    AdvanceTracer(t, 1000);
    EXPECT_EQ(1, t.cells[2].visible);
    AdvanceTracer(t, 1);
    EXPECT_EQ(0, t.cells[2].visible);

    Place(1, 4, 80, settings.rows + 4);
    Place(2, 5, 80, settings.rows + 5);
    ReapTracers();
    EXPECT_EQ(1, tracerPool[1].active);
    EXPECT_EQ(0, tracerPool[2].active);
}

TEST_F(EvalTest, RotatorsTurnBetweenEraserAndHead) {
    Start();
    __tracer& t = Place(0, 3, 30, 5);
    for (int r = 0; r < settings.rows; ++r) t.cells[r] = StreamCell{1, 10, 1, 20, 0, 0};
    t.cells[15].rotator = 2;
    t.cells[16].rotator = 3;
    RotateTracerCells(t);
    // Outside eraserRow + 2 < r < headRow - 4 nothing changes.
    for (int r : {0, 7, 26, 30}) {
        EXPECT_EQ(1, t.cells[r].rotator) << r;
        EXPECT_EQ(10, t.cells[r].glyph) << r;
    }
    // Rows 8..10 lie near the eraser: they come to rest.
    for (int r : {8, 9, 10}) EXPECT_EQ(1, t.cells[r].rotator) << r;
    EXPECT_EQ(2, t.cells[11].rotator);
    EXPECT_EQ(2, t.cells[25].rotator);
    EXPECT_EQ(20, t.cells[15].glyph);  // took its next glyph
    EXPECT_EQ(0, t.cells[16].rotator);
    EXPECT_EQ(20, t.cells[16].glyph);
}

TEST_F(EvalTest, RotationTurnsEveryThirdTick) {
    Start();
    incomingText.textQuiet = 1;  // no releases: the scene is this one tracer
    __tracer& t = Place(0, 3, 30, 5);
    t.headPause = 100000000;
    t.eraserPause = 100000000;
    t.cells[20] = StreamCell{1, 0, 2, 54, 0, 0};
    int turns = 0;
    for (int i = 0; i < 30; ++i) {
        StepSimulation(500);
        if (t.cells[20].glyph == 54) {
            ++turns;
            EXPECT_EQ(0, simulation.clock % 3000);
        }
        t.cells[20].glyph = 0;
        t.cells[20].nextGlyph = 54;
    }
    EXPECT_EQ(5, turns);  // 15000 units: turns at 3000, 6000, ..., 15000
}

// ---- drawing ------------------------------------------------------------------

TEST_F(EvalTest, DrawTracerZonesUseTheCurves) {
    settings.charBlurLevel = 1;
    settings.glowIntensity = 0.5f;
    Start();
    const TextureTables& tex = textureTables;
    const TracerCurves& c = tracerCurves;
    __tracer& t = Place(0, 6, 20, 5);
    t.glowing = 1;
    for (int r = 0; r < settings.rows; ++r) {
        t.cells[r].writtenAge = 1000 * (21 - r);
        t.cells[r].erasedAge = r <= 5 ? 500 * (6 - r) : 0;
    }
    t.cells[10].visible = 0;
    DrawTracer(t);

    // Head zone, rows 18..20: glyph with the glow curve, then the glow texture.
    for (int r = 18; r <= 20; ++r) {
        const auto l = LayersAt(6, r);
        ASSERT_EQ(2u, l.size()) << r;
        const double age = (21 - r) * 1.0;
        ExpectCurveLayer(l[0], tex.glyph[r], c.tracerGlow, age, 1.0, 1);
        ExpectCurveLayer(l[1], tex.glow[r], c.tracerHalo, age, 0.5, 1);
    }
    // Eraser zone, rows 2..6: fade and dissolve by the erased age.
    for (int r = 2; r <= 6; ++r) {
        const auto l = LayersAt(6, r);
        ASSERT_EQ(2u, l.size()) << r;
        const double age = r <= 5 ? 0.5 * (6 - r) : 0.0;
        ExpectCurveLayer(l[0], tex.glyph[r], c.eraserFade, age, 1.0, 1);
        ExpectCurveLayer(l[1], tex.blurredGlyph[r], c.eraserDissolve, age, 1.0, 1);
    }
    // Body, rows 7..17, in the base colour; the invisible cell is skipped.
    for (int r = 7; r <= 17; ++r) {
        const auto l = LayersAt(6, r);
        if (r == 10) {
            EXPECT_TRUE(l.empty());
            continue;
        }
        ASSERT_EQ(1u, l.size()) << r;
        ExpectLayer(l[0], tex.glyph[r], settings.baseColor[0], settings.baseColor[1], settings.baseColor[2], 1);
    }
    EXPECT_TRUE(LayersAt(6, 1).empty());
    EXPECT_TRUE(LayersAt(6, 21).empty());
    EXPECT_EQ(3u * 2 + 5u * 2 + 10u, CountUsedLayers(codeGrids[0]));
}

TEST_F(EvalTest, DrawTracerPlainFadesDimmingAndRotators) {
    settings.charBlurLevel = 0;
    settings.plainErasers = 1;
    Start();
    const TextureTables& tex = textureTables;
    const float B[3] = {settings.baseColor[0], settings.baseColor[1], settings.baseColor[2]};
    __tracer& t = Place(0, 2, 20, 5);
    t.glowing = 0;
    t.fade = 1500;  // f = 0.4
    t.cells[19].writtenAge = 400;
    t.cells[20].writtenAge = 1200;
    t.cells[4].erasedAge = 2000;
    t.cells[3].erasedAge = 4001;
    t.cells[12] = StreamCell{1, 7, 2, 9, 0, 0};
    simulation.clock = 3750;  // rotation phase p = 0.75
    DrawTracer(t);

    const auto head = LayersAt(2, 19);
    ASSERT_EQ(1u, head.size());
    ExpectLayer(head[0], tex.glyph[19], B[0] * 0.4 * 0.4, B[1] * 0.4 * 0.4, B[2] * 0.4 * 0.4, 0);
    const auto top = LayersAt(2, 20);
    ExpectLayer(top[0], tex.glyph[20], B[0] * 0.4, B[1] * 0.4, B[2] * 0.4, 0);
    const auto erased = LayersAt(2, 4);
    ASSERT_EQ(1u, erased.size());
    ExpectLayer(erased[0], tex.glyph[4], B[0] * 0.5 * 0.4, B[1] * 0.5 * 0.4, B[2] * 0.5 * 0.4, 0);
    EXPECT_TRUE(LayersAt(2, 3).empty());  // erased more than 4000 units ago

    const auto rot = LayersAt(2, 12);
    ASSERT_EQ(4u, rot.size());
    const TracerCurves& c = tracerCurves;
    ExpectCurveLayer(rot[0], tex.glyph[7], c.rotatorFade, 0.75, 0.4, 0);
    ExpectCurveLayer(rot[1], tex.glyph[9], c.rotatorFade, 2.25, 0.4, 0);
    ExpectCurveLayer(rot[2], tex.rotatorBlur[7], c.rotatorBlur, 0.75, 0.4, 1);
    ExpectCurveLayer(rot[3], tex.rotatorBlur[9], c.rotatorBlur, 2.25, 0.4, 1);

    ClearCodeGrids(1);
    settings.rotatorsPlainFade = 1;
    DrawTracer(t);
    const auto plain = LayersAt(2, 12);
    ASSERT_EQ(2u, plain.size());
    const double fadeOut = EvalPath(c.rotatorFade, 0.75, nullptr, nullptr, nullptr) +
                           EvalPath(c.rotatorBlur, 0.75, nullptr, nullptr, nullptr);
    EXPECT_NEAR(fadeOut * 0.4, plain[0].r, 1e-5);
    EXPECT_EQ(tex.glyph[9], plain[1].texture);
}

TEST_F(EvalTest, DrawTracerLetters) {
    settings.charBlurLevel = 1;
    Start();
    const TextureTables& tex = textureTables;
    const TracerCurves& c = tracerCurves;
    __tracer& t = Place(0, 4, 12, 11);  // landed, eraser right behind
    t.isLetter = 1;
    t.letter = 'K';
    t.targetRow = 12;
    t.fade = 2000;  // f = 0.2, not applied to the placed letter
    t.meetCount = 2;
    DrawTracer(t);
    auto l = LayersAt(4, 12);
    ASSERT_FALSE(l.empty());
    ExpectLayer(l[0], tex.letter['K'], settings.accentColor[0], settings.accentColor[1], settings.accentColor[2], 1);

    ClearCodeGrids(1);
    t.flash = 0.3f;
    t.eraserRow = 5;
    t.cells[11].writtenAge = 700;
    t.cells[12].visible = 0;
    DrawTracer(t);
    l = LayersAt(4, 12);
    ASSERT_EQ(3u, l.size());
    ExpectCurveLayer(l[0], tex.letter['K'], c.letterFlash, 0.3, 1.0, 1);
    ExpectCurveLayer(l[1], tex.letterGlow['K'], c.letterGlow, 0.3, 1.0, 1);
    ExpectCurveLayer(l[2], tex.letter['K'], c.letterTrail, 0.0, 0.2, 1);  // the trail of the head row
    l = LayersAt(4, 11);
    ASSERT_EQ(2u, l.size());
    ExpectCurveLayer(l[0], tex.letter['K'], c.letterTrail, 0.7, 0.2, 1);
    ExpectCurveLayer(l[1], tex.glyph[11], c.letterCode, 0.7, 0.2, 1);

    // Letters off the grid are not drawn, and nothing goes anywhere else.
    ClearCodeGrids(1);
    t.column = -3;
    DrawTracer(t);
    EXPECT_EQ(0u, CountUsedCells(codeGrids[0]));
}

// ---- sound --------------------------------------------------------------------

TEST_F(EvalTest, AmbientSoundFollowsTheGlowingHeads) {
    settings.columns = 80;
    Start(2);
    Place(0, 10, 5, -5).glowing = 1;
    Place(1, 30, 39, 20).glowing = 1;
    Place(2, 70, 40, 20).glowing = 1;   // below the screen
    Place(3, 50, 6, -5).glowing = 0;    // not glowing
    __tracer& paused = Place(4, 60, 6, -5);
    paused.glowing = 1;
    paused.headPause = 5;
    FeedAmbientSound();
    ASSERT_EQ(2u, Events().size());
    EXPECT_EQ('P', Events()[0].kind);
    EXPECT_EQ((40 * 256) / (80 * 2), Events()[0].value);
    EXPECT_EQ('V', Events()[1].kind);
    EXPECT_EQ((2 * 256) / (80 * 2), Events()[1].value);

    // No glowing head on screen: the volume drops, the pan stays.
    Events().clear();
    for (__tracer& t : tracerPool) t.active = 0;
    FeedAmbientSound();
    ASSERT_EQ(1u, Events().size());
    EXPECT_EQ('V', Events()[0].kind);
    EXPECT_EQ(0, Events()[0].value);

    // With the console start the volume waits for the intro.
    Events().clear();
    settings.consoleStart = 1;
    simulation.clock = 54000;
    FeedAmbientSound();
    EXPECT_EQ(0, CountEvents('V'));
    simulation.clock = 54001;
    FeedAmbientSound();
    EXPECT_EQ(1, CountEvents('V'));
    settings.jumpInStart = 1;
    simulation.clock = 54001 + 4000 * settings.rows - 1;
    FeedAmbientSound();
    EXPECT_EQ(1, CountEvents('V'));
}

}  // namespace
