#include <gtest/gtest.h>

#include <set>

#include "rain_fixture.h"
#include "settings/memory.h"
#include "sim/random.h"

namespace {

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

// ---- the clock ------------------------------------------------------------------

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

}  // namespace
