// Whole runs of the rain: frames through the frame time arithmetic, with the
// incoming text and an effect module taking part, checked for invariants and
// for allocations.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "host/frametime.h"
#include "malloc_probe.h"
#include "rain_fixture.h"
#include "settings/memory.h"

namespace {

// An effect that pushes into every display for a while and rewrites stream cells,
// as the real modules do.
int g_effectUnits;
int EffectStart(int) {
    g_effectUnits = 0;
    return 0;
}
int EffectStep(int units) {
    g_effectUnits += units;
    for (int d = 0; d < displayCount; ++d)
        for (uint32_t c = 0; c < codeGrids[d].width; c += 3)
            PushCellLayer(codeGrids[d], c, static_cast<uint32_t>(g_effectUnits / 1000) % codeGrids[d].height,
                          textureTables.spot, 0.5f, 0.5f, 0.5f, 1);
    return g_effectUnits > 20000 ? 1 : 0;
}

const SimulationSoundSink kSilent = {[](int) {}, [](int) {}, [](int) {}, [](int) {}};

class RunTest : public RainTest {
protected:
    void SetUp() override {
        RainTest::SetUp();
        SetSimulationSoundSink(&kSilent);
        settings.textEnabled = 1;
        settings.textInterval = 0;
        for (int i = 0; i < kKnownEffectSlots; ++i) RegisterEffectModule(EffectStart, EffectStep);
        for (uint32_t t : textureTables.glyph) textures.insert(t);
        for (uint32_t t : textureTables.blurredGlyph) textures.insert(t);
        for (uint32_t t : textureTables.rotatorBlur) textures.insert(t);
        for (uint32_t t : textureTables.glow) textures.insert(t);
        for (uint32_t t : textureTables.letter) textures.insert(t);
        for (uint32_t t : textureTables.letterGlow) textures.insert(t);
        textures.insert(textureTables.spot);
    }

    // Frames of `ms` each; every 97th frame the Spacebar is pressed.
    void RunFrames(int frames, int32_t ms) {
        for (int f = 0; f < frames; ++f) {
            ClearCodeGrids(displayCount);
            AdvanceFrameTime(f == 0, f == 0 ? 0 : ms);
            if (f % 97 == 0) TriggerRandomEffect();
            if (checkInvariants) CheckInvariants();
            if (HasFatalFailure()) return;
        }
    }

    void CheckInvariants() {
        const int R = settings.rows, C = settings.columns;
        int letters = 0;
        for (const __tracer& t : tracerPool) {
            if (!t.active) continue;
            ASSERT_GE(t.display, 0);
            ASSERT_LT(t.display, displayCount);
            ASSERT_GT(t.speed, 0.0f);
            ASSERT_GE(t.fade, 0);
            ASSERT_LE(t.meetCount, 2);
            if (t.isLetter) {
                ++letters;
                ASSERT_TRUE(incomingText.textActive);
                ASSERT_EQ(0, t.display);
                ASSERT_LE(t.headRow, t.targetRow);
            } else {
                ASSERT_GE(t.column, 0);
                ASSERT_LT(t.column, C);
                ASSERT_LE(t.eraserRow, R + 4);
            }
            for (int r = 0; r < R; ++r) {
                ASSERT_LT(t.cells[r].glyph, 55);
                ASSERT_LE(t.cells[r].rotator, 3);
            }
        }
        ASSERT_LE(incomingText.lettersPlaced, incomingText.lettersStarted);
        ASSERT_EQ(incomingText.textActive ? incomingText.lettersStarted : 0, letters);
        ASSERT_GE(incomingText.cameraZoom, 0.0f);
        ASSERT_LE(incomingText.cameraZoom, 0.9f + 1e-6f);
        for (int d = 0; d < displayCount; ++d) {
            const __buffer& grid = codeGrids[d];
            for (uint32_t i = 0; i < grid.touchedCount; ++i) {
                const uint32_t column = grid.touched[i] / grid.height, row = grid.touched[i] % grid.height;
                const uint32_t n = GetCellLayerCount(grid, column, row);
                for (uint32_t k = 0; k < n; ++k) {
                    uint32_t texture, quad;
                    float red, green, blue;
                    GetCellLayer(grid, column, row, k, &texture, &red, &green, &blue, &quad);
                    ASSERT_TRUE(textures.count(texture)) << texture;
                    ASSERT_LE(quad, 1u);
                    for (float v : {red, green, blue}) {
                        ASSERT_TRUE(std::isfinite(v));
                        ASSERT_GE(v, -1e-6f);
                        ASSERT_LE(v, 2.0f);
                    }
                }
            }
        }
    }

    std::set<uint32_t> textures;
    bool checkInvariants = true;
};

TEST_F(RunTest, DefaultsForAMinute) {
    Start();
    RunFrames(4000, 16);  // 64 s
    EXPECT_GE(incomingText.runsStarted, 1);
    EXPECT_GT(CountActiveTracers(), 20);
}

TEST_F(RunTest, EveryAlternativeOption) {
    settings.killingGround = 1;
    settings.plainErasers = 1;
    settings.rotatorsPlainFade = 1;
    settings.rotatorsOccurrence = 10;
    settings.speedVariability = 10;
    settings.noOverwriteTest = 1;
    settings.keepPattern = 0;
    settings.charBlurLevel = 0;
    settings.textRepeat = 1;
    settings.textDoubleSpeedOut = 1;
    settings.textHideTrailer = 0;
    settings.textDoubleSpeedIn = 0;
    settings.glowingTracers = 3;
    settings.glowIntensity = 1.0f;
    settings.releaseIntervalLog2 = 0;
    settings.splashInterval = 1;
    settings.splashMaxTracers = 16;
    settings.releaseMaxTracers = 16;
    Start();
    RunFrames(4000, 16);
    EXPECT_GE(incomingText.runsStarted, 1);
}

TEST_F(RunTest, SmallGridsManyDisplaysAndExtremeSpeeds) {
    settings.columns = 8;
    settings.rows = 6;
    settings.pauseRarity = 0;
    settings.textRepeat = 1;
    settings.speed = 51.2f;
    Start(3);
    RunFrames(1500, 16);
    settings.speed = 0.2f;
    RunFrames(300, 16);
    settings.speed = 20.0f;
    RunFrames(300, 250);  // slow frames: several chunks each
    EXPECT_GE(incomingText.runsStarted, 2);
}

TEST_F(RunTest, AFrameAllocatesNothing) {
    settings.textRepeat = 1;
    Start(2);
    checkInvariants = false;
    RunFrames(2, 16);
#ifdef KVS_COUNT_MALLOC
    ASSERT_TRUE(malloc_probe::Available()) << "the hook sees allocations";
#endif
    const uint64_t before = AllocationCount();
    malloc_probe::Arm();
    RunFrames(4000, 16);  // includes text runs, effects and the Spacebar
    EXPECT_EQ(0u, malloc_probe::Disarm());
    EXPECT_EQ(before, AllocationCount());
    EXPECT_GE(incomingText.runsStarted, 1);
}

}  // namespace
