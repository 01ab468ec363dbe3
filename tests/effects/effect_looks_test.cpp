// What each effect pushes into the code grid, step by step, checked against
// values worked out by hand from the defaults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "effect_fixture.h"
#include "effects/console.h"
#include "effects/crash.h"
#include "effects/effect_cells.h"
#include "sim/random.h"
#include "sound/device.h"
#include "sound/sound.h"

namespace {

// The cells of display 0 with at least `layers` layers: their count and bounds.
struct Lit {
    int cells = 0, left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
Lit LitCells(uint32_t layers, Lit lit = Lit{}) {
    for (uint32_t x = 0; x < codeGrids[0].width; ++x) {
        for (uint32_t y = 0; y < codeGrids[0].height; ++y) {
            if (GetCellLayerCount(codeGrids[0], x, y) < layers) continue;
            ++lit.cells;
            lit.left = std::min<int>(lit.left, x), lit.right = std::max<int>(lit.right, x);
            lit.top = std::min<int>(lit.top, y), lit.bottom = std::max<int>(lit.bottom, y);
        }
    }
    return lit;
}

class EffectLookTest : public EffectTest {
protected:
    static uint32_t Layers(int x, int y) { return GetCellLayerCount(codeGrids[0], x, y); }
    static CellLayer Layer(int x, int y, uint32_t k) {
        CellLayer l{};
        GetCellLayer(codeGrids[0], x, y, k, &l.texture, &l.red, &l.green, &l.blue, &l.quad);
        return l;
    }
    static void ExpectColour(const CellLayer& l, float r, float g, float b) {
        EXPECT_FLOAT_EQ(r, l.red);
        EXPECT_FLOAT_EQ(g, l.green);
        EXPECT_FLOAT_EQ(b, l.blue);
    }
};

TEST_F(EffectLookTest, DejaVuBarsFillWholeRowsAndRewriteTheStreamsUnderThem) {
    settings.dejaVuSolidBars = 1;
    settings.positiveDensity = settings.negativeDensity = 100;
    for (int rewrite = 0; rewrite < 2; ++rewrite) {
        settings.dejaVuRewrite = rewrite;
        Init();
        for (int c = 0; c < 80; c += 8) Place(c / 8, c, 39, -5);
        TriggerEffect(kEffectDejaVu);
        int barRows = 0;
        float brightest = 0.0f;
        for (int step = 0; IsEffectRunning() && step < 2000; ++step) {
            StepAlone(250, false);
            for (int y = 0; y < 40; ++y) {
                int used = 0;
                for (int x = 0; x < 80; ++x) {
                    used += Layers(x, y) > 0;
                    if (Layers(x, y)) brightest = std::max(brightest, Layer(x, y, 0).red);
                }
                // A bar's own characters fill every column that is not empty (one in six is).
                EXPECT_TRUE(used == 0 || used > 40) << "row " << y;
                barRows += used > 0;
            }
        }
        EXPECT_FALSE(IsEffectRunning());
        EXPECT_GT(barRows, 100);
        EXPECT_FLOAT_EQ(0.7f, brightest);  // the accent colour at full strength while a bar holds
        int changed = 0;
        for (int slot = 0; slot < 10; ++slot)
            for (int r = 0; r < 40; ++r)
                changed += tracerPool[slot].cells[r].glyph != r % 55 || !tracerPool[slot].cells[r].visible;
        EXPECT_TRUE(rewrite ? changed > 40 : changed == 0) << changed;
    }
}

TEST_F(EffectLookTest, MovementRingReachesAColumnEvery300UnitsAndEachCellGlowsFiveTicks) {
    Init();
    TriggerEffect(kEffectMovementBurst);
    // The ring grows from (40, 20) by one column every 300 units; column 30 of
    // the centre row is reached at 3000 and glows until its age passes 5 ticks.
    for (int t = 250; t <= 8000; t += 250) {
        StepAlone(250, true);
        const bool glows = Layers(30, 20) == 2;
        EXPECT_EQ(t >= 3000 && t <= 7500, glows) << "at " << t;
        EXPECT_TRUE(!glows || Layer(30, 20, 1).texture == textureTables.glow[50]);
        // Holding (ages 1 to 4): the accent colour, the code being bright enough.
        if (t == 5000) ExpectColour(Layer(30, 20, 1), 0.7f, 0.9f, 1.0f);
        EXPECT_TRUE(t != 4000 || Layers(20, 20) == 1) << "column 20 is reached only at 6000";
    }
}

TEST_F(EffectLookTest, StillBurstHoldsTheFirstFrameDimmedUntilTheRingLetsTheRainBack) {
    Init();
    Place(0, 10, 5, -5).glowing = 1;  // the one glowing head: the trace burst's centre
    for (int slot : {kEffectStillBurst, kEffectTraceBurst}) {
        TriggerEffect(slot);
        StepAlone(250, true);  // the frozen picture: glyph (x + y) mod 55 in (0.3, 0.7, 0.3)
        int clock = 500;  // after the step
        for (; IsEffectRunning() && clock < 60000; clock += 250) {
            // The live rain now shows other characters.
            ClearCodeGrids(1);
            for (uint32_t x = 0; x < 80; ++x)
                for (uint32_t y = 0; y < 40; ++y) PushCellLayer(codeGrids[0], x, y, textureTables.glyph[54], 1, 1, 1, 0);
            StepEffectModules(250);
            if (clock == 500 || clock == 5000) {
                const float f = clock == 500 ? 0.6f : 0.2f;  // 1 - 0.0008 t, then a fifth
                ASSERT_EQ(1u, Layers(70, 30));
                EXPECT_EQ(textureTables.glyph[(70 + 30) % 55], Layer(70, 30, 0).texture);
                ExpectColour(Layer(70, 30, 0), 0.3f * f, 0.7f * f, 0.3f * f);
            }
            if (slot == kEffectTraceBurst && clock == 5000) {
                // The head's glyph in the base colour x 2 x (1.2 - 0.2), its glow in accent x 0.5.
                ASSERT_EQ(3u, Layers(10, 5));
                EXPECT_EQ(textureTables.glyph[5], Layer(10, 5, 1).texture);
                ExpectColour(Layer(10, 5, 1), 0.298f * 2.0f, 0.7056f * 2.0f, 0.306f * 2.0f);
                ExpectColour(Layer(10, 5, 2), 0.35f, 0.45f, 0.5f);
            }
            if (clock == 12750) {  // 750 units into the ring: two columns and a row around the centre
                EXPECT_EQ(slot == kEffectTraceBurst, Layers(9, 4) > 1);
                EXPECT_EQ(slot == kEffectStillBurst, Layers(39, 19) > 1);
            }
        }
        // The ring leaves the grid 12000 (from the centre) or 21000 units (from
        // column 10) after the freeze, and its last cells fade 5000 later.
        EXPECT_GT(clock - 250, slot == kEffectStillBurst ? 28000 : 37000);
        EXPECT_LE(clock - 250, slot == kEffectStillBurst ? 29500 : 38500);
        // After the ring: the live rain at full strength.
        EXPECT_EQ(textureTables.glyph[54], Layer(0, 0, 0).texture);
        ExpectColour(Layer(0, 0, 0), 1, 1, 1);
    }
}

TEST_F(EffectLookTest, SmallBurstsStayInTheirBoxAndSolidOnesShowTheirOwnCharacters) {
    // On a wide grid a burst fills its box before the next one starts: size
    // (160 / 2) / 3 = 26 columns, box rows 26 x 160 / 480 = 8 up and down.
    settings.columns = 160;
    settings.smallBurstsRandomSize = 0;
    Init();
    TriggerEffect(kEffectSmallBursts);
    Lit lit;  // every cell that glowed so far
    int cx = -1, cy = -1;
    for (int t = 100; t <= 4500; t += 100) {
        StepAlone(100, true);
        lit = LitCells(2, lit);
        if (cx < 0 && lit.cells > 0) {
            // The first ring is 3 columns and 1 row each side of the centre.
            cx = lit.left + 3;
            cy = lit.top + 1;
            EXPECT_EQ(cx + 2, lit.right);
            EXPECT_EQ(cy, lit.bottom);
        }
    }
    ASSERT_GE(cx, 0);
    EXPECT_EQ((std::vector<int>{std::max(cx - 26, 0), std::max(cy - 8, 0), std::min(cx + 25, 159), std::min(cy + 7, 39)}),
              (std::vector<int>{lit.left, lit.top, lit.right, lit.bottom}));
    for (int step = 0; IsEffectRunning() && step < 1000; ++step) StepAlone(1000, false);

    // Solid bursts over an empty display: their own blurred characters in the
    // envelope colour, the accent colour at full intensity while they hold.
    settings.smallBurstsSolid = 1;
    TriggerEffect(kEffectSmallBursts);
    int holding = 0;
    for (int step = 0; IsEffectRunning() && step < 200; ++step) {
        StepAlone(500, false);
        for (int x = 0; x < 160; ++x) {
            for (int y = 0; y < 40; ++y) {
                if (!Layers(x, y)) continue;
                const CellLayer l = Layer(x, y, 0);
                ASSERT_EQ(1u, l.quad);
                ASSERT_GE(GlyphOfTexture(textureTables.rotatorBlur, l.texture), 0);
                holding += l.red == 0.7f && l.green == 0.9f && l.blue == 1.0f;
            }
        }
    }
    EXPECT_GT(holding, 100);
}

TEST_F(EffectLookTest, ADropLightsItsColumnTopToBottomWithinOneTick) {
    settings.dropsNumber = 0;  // the first drop only
    settings.positiveDensity = settings.negativeDensity = 100;
    Init();
    TriggerEffect(kEffectDrops);
    int units = 0, lit = -1;
    while (IsEffectRunning() && units < 100000) {
        StepAlone(125, false);
        units += 125;
        const Lit drop = LitCells(1);
        ASSERT_TRUE(drop.left == drop.right || drop.cells == 0) << "one column";
        if (drop.cells > 0) ++lit;
        // A drop of time T ticks lights the rows r with 0 < T - r / 40 < 3.
        const std::vector<int> seen{drop.cells, drop.top, drop.bottom};
        if (lit == 3 || lit == 27) {
            const std::vector<int> expected = lit == 3 ? std::vector<int>{20, 0, 19}   // T = 0.5
                                                       : std::vector<int>{19, 21, 39};  // T = 3.5
            EXPECT_EQ(expected, seen);
        }
    }
    EXPECT_FALSE(IsEffectRunning());
    EXPECT_GE(lit, 27);
    EXPECT_EQ(0, units % 4000) << "4 ticks a record";

    // Four ticks also for a pause whose record was a drop of an earlier series.
    settings.dropsNumber = 16;
    for (int series = 0; series < 3; ++series) {
        TriggerEffect(kEffectDrops);
        for (units = 0; IsEffectRunning() && units < 10000000; units += 1000) StepAlone(1000, false);
        EXPECT_EQ(0, units % 4000) << "series " << series;
    }
}

TEST_F(EffectLookTest, ABoltGrowsInFromATopCornerAsThinGlowingPathsOnOneDisplay) {
    Init(2);
    for (int run = 0; run < 6; ++run) {
        TriggerEffect(kEffectLightnings);
        int units = 0, litDisplays = 0;
        for (; IsEffectRunning() && units < 60000; units += 250) {
            StepAlone(250, true);
            const Lit lit = LitCells(2);
            if (units == 0 && lit.cells > 0) {  // the first frame: the top third of the bolt
                EXPECT_LE(lit.bottom, 40 / 3);
                EXPECT_TRUE(lit.left <= 5 || lit.right >= 74) << "from a top corner";
            }
            EXPECT_LT(lit.cells, 80 * 40 / 5) << "a path, not an area";
            bool glows = false;  // the code under the bolt glows
            for (int x = 0; x < 80; ++x)
                for (int y = 0; y < 40; ++y)
                    glows |= Layers(x, y) > 1 && GlyphOfTexture(textureTables.glow, Layer(x, y, 1).texture) >= 0;
            EXPECT_EQ(lit.cells > 0, glows);
            litDisplays |= (lit.cells > 0) | (CountUsedLayers(codeGrids[1]) > 80u * 40u) << 1;
        }
        EXPECT_NE(3, litDisplays) << "one display only";
        EXPECT_GE(units, 17000);  // N + 1 periods of 1000 units, N of 16..47
        EXPECT_LE(units, 48000);
    }
}

TEST_F(EffectLookTest, SupermanBandsLightOnlyTheCodeThatIsThere) {
    Init();
    TriggerEffect(kEffectSuperman);
    int units = 0, lit = 0;
    for (; IsEffectRunning() && units < 200000; units += 500) {
        ClearCodeGrids(1);
        for (uint32_t x = 0; x < 80; ++x)  // code in the top half only
            for (uint32_t y = 0; y < 20; ++y) PushCellLayer(codeGrids[0], x, y, textureTables.glyph[7], 0.3f, 0.6f, 0.3f, 0);
        StepEffectModules(500);
        const Lit l = LitCells(2);
        lit += l.cells;
        EXPECT_TRUE(l.cells == 0 || l.bottom < 20);
        EXPECT_EQ(0u, CountUsedCells(codeGrids[0]) - 80u * 20u) << "nothing over the empty half";
    }
    EXPECT_GT(lit, 0);
    EXPECT_GE(units, 70500);  // 47 to 94 frames of 1500 units
    EXPECT_LE(units, 141000);
}

TEST_F(EffectLookTest, CrashBlacksOutTheCodeAndItsScreenErrorsReachTheRenderer) {
    settings.crashStable = 1;
    Init();
    TriggerEffect(kEffectCrash);
    int cleared = 0, errors = 0, wholeDisplay = 0;
    OverlayQuad quads[kOverlayQuadCapacity];
    while (IsEffectRunning() && errors < 40) {
        StepAlone(1000, true);
        cleared += 80 * 40 - static_cast<int>(CountUsedCells(codeGrids[0]));
        const int n = CrashOverlayQuads(0, quads);
        ASSERT_LE(n, 1);
        errors += n;
        // The glow covers the whole display; tears and bands span at least a third of its width.
        if (n && quads[0].texture == textureTables.spot)
            wholeDisplay += quads[0].left == 0 && quads[0].top == 0 && quads[0].right == 800 && quads[0].bottom == 600;
        EXPECT_TRUE(!n || quads[0].right - quads[0].left >= 800 / 3);
    }
    EXPECT_GT(cleared, 80 * 40);
    EXPECT_GT(errors, 0);
    EXPECT_GT(wholeDisplay, 0);
    EndEffectModules();
}

// A cell is covered at most once however many rectangles overlap it, so a full
// flash (every tile factor 1, full strength) lifts the whole display: every cell
// keeps its code, none darker than it was. Without the cap about three quarters
// of the cells, those under two or more rectangles, stayed black.
TEST_F(EffectLookTest, AFullCrashFlashShowsTheCodeUnderOverlappingRectangles) {
    settings.crashStable = 1;
    settings.crashDirtyFlashes = settings.crashScreenErrors = 0;
    settings.crashEffects = 200;  // long enough for a few dozen flashes
    Init();
    TriggerEffect(kEffectCrash);
    int blackedOut = 0, wholeScreens = 0;
    while (IsEffectRunning()) {
        StepAlone(1000, true);
        const uint32_t used = CountUsedCells(codeGrids[0]);
        blackedOut += used < 80u * 40u / 2;
        bool whole = used == 80u * 40u;
        for (uint32_t x = 0; x < 80 && whole; ++x)
            for (uint32_t y = 0; y < 40 && whole; ++y) whole = Layer(x, y, 0).green >= 0.7f;
        wholeScreens += whole;
    }
    EXPECT_GT(blackedOut, 100) << "the rectangles black out most of the code between flashes";
    EXPECT_GT(wholeScreens, 10);
}

// A band's geometry is drawn from the random source in one fixed order (base,
// half height, span, then the speed's size and its sign), so a seeded crash looks
// the same whichever compiler built it.
TEST_F(EffectLookTest, CrashBandsDrawTheirGeometryInOneOrder) {
    settings.crashStable = 1;
    settings.crashFlashes = settings.crashDirtyFlashes = 0;
    Init();
    TriggerEffect(kEffectCrash);
    OverlayQuad q[kOverlayQuadCapacity];
    int bands = 0;
    for (int seed = 1; IsEffectRunning() && bands < 4; ++seed) {
        StepAlone(1000, false);
        SeedRandom(seed, 2 * seed);
        if (CrashOverlayQuads(0, q) == 0 || q[0].texture != textureTables.squareSpot || q[0].bottom - q[0].top == 6.0f)
            continue;
        if (q[0].red != 0.0f) continue;  // a band is dark in its first frame only, when it is chosen
        SeedRandom(seed, 2 * seed);
        const int w = 800, h = 600;
        const int base = 3 * h / 2 - Random(2 * h), half = Random(h / 4) + h / 10, k = Random(6);
        if (k == 5) Random(w / 2);
        if (k == 4) Random(w / 2);
        const int size = Random(h), centre = base + (Random(2) != 0 ? size : -size);  // intensity 1 when fresh
        EXPECT_EQ(q[0].top, static_cast<float>(centre - half)) << "seed " << seed;
        EXPECT_EQ(q[0].bottom, static_cast<float>(centre + half)) << "seed " << seed;
        ++bands;
    }
    EXPECT_EQ(bands, 4);
    EndEffectModules();
}

// The console intro's timeline on a display of 800 x 600 with cells of 10 x 15.
TEST_F(EffectLookTest, ConsoleIntroOpensACursorIntoBeamAndGlowThenUnveilsTheRain) {
    static std::vector<std::pair<int, double>> sounds;  // sample, intro clock
    static const SoundDevice recorder = {[](int) {}, [](int) {},
                                         [](int sample, int, int) { sounds.push_back({sample, ConsoleIntroClock()}); }};
    SetSoundDevice(&recorder);
    localOptions.soundEnabled = 1;
    localOptions.volume = 200;
    Init();
    PrepareConsoleIntro();
    OverlayQuad q[kOverlayQuadCapacity];
    for (int step = 1; step <= 240; ++step) {  // half a tick each
        const double t = step * 0.5;
        EXPECT_EQ(t >= 108.0, AdvanceConsoleIntro(500)) << t;
        const int n = ConsoleIntroQuads(0, q);
        if (t <= 30.0 || t >= 114.0) EXPECT_EQ(0, n) << t;
        if (t == 40.0) {  // the cursor in the middle, a cell high each side, at 0.7
            ASSERT_EQ(1, n);
            EXPECT_EQ((std::vector<float>{385, 285, 415, 315}), (std::vector<float>{q[0].left, q[0].top, q[0].right, q[0].bottom}));
            EXPECT_FLOAT_EQ(0.7f * 0.7f, q[0].red);
        }
        if (t == 54.0) {  // the first pulse at its peak covers the display in the accent colour
            bool peak = false;
            for (int i = 0; i < n; ++i) peak |= q[i].right == 800 && q[i].bottom == 600 && q[i].red == 0.7f && std::fabs(q[i].v0 - 1.0f / 3) < 1e-6f;
            EXPECT_TRUE(peak);
        }
        if (t == 111.0) {
            ASSERT_GE(n, 1);
            EXPECT_TRUE(q[0].veil);
            EXPECT_FLOAT_EQ(0.5f, q[0].alpha);
        }
    }
    // The beam's sound on its first frame, the end's when the rain shows; once each.
    ASSERT_EQ(2u, sounds.size());
    EXPECT_EQ(kSampleLetterPlaced, sounds[0].first);
    EXPECT_EQ(46.5, sounds[0].second);
    EXPECT_EQ(kSampleLetterFlash + 5, sounds[1].first);
    EXPECT_EQ(108.0, sounds[1].second);
    SetSoundDevice(nullptr);
}

}  // namespace
