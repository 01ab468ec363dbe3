// Shared set-up for tests of the code rain: default settings, one display,
// placeholder texture names, a fixed seed, a recording sound sink, and every
// process-wide table released again afterwards.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "effects/effects.h"
#include "host/display_table.h"
#include "render/textures.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

struct SoundEvent {
    char kind;  // 'V' volume, 'P' pan, 'L' letter placed, 'F' letter flash
    int value;
};

class RainTest : public ::testing::Test {
protected:
    static std::vector<SoundEvent>& Events() {
        static std::vector<SoundEvent> events;
        return events;
    }
    static uint32_t FixedClock() { return 123456; }

    void SetUp() override {
        SetDefaultSettings();
        settings.textEnabled = 0;  // tests that want the incoming text turn it on
        ResetDisplayTable();
        FillPlaceholderTextureTables();
        SetEvaluatorClock(FixedClock);
        ResetEffectModules();
        Events().clear();
        static const SimulationSoundSink sink = {
            [](int v) { Events().push_back({'V', v}); }, [](int v) { Events().push_back({'P', v}); },
            [](int v) { Events().push_back({'L', v}); }, [](int v) { Events().push_back({'F', v}); }};
        SetSimulationSoundSink(&sink);
    }

    void TearDown() override {
        FreeCodeGrids();
        ShutdownEvaluator();
        ResetEffectModules();
        SetSimulationSoundSink(nullptr);
        SetEvaluatorClock(nullptr);
        ResetDisplayTable();
    }

    // Evaluator and grids for the current settings on `displays` displays.
    void Start(int displays = 1) {
        SetUniformDisplays(displays, 800, 600);
        InitEvaluator();
        AllocCodeGrids(displayCount, settings.columns, settings.rows);
    }

    // A normal tracer placed by hand in `slot`: fully visible cells, no rotators,
    // glyph = row mod 55, head at headRow with the eraser at eraserRow; moving.
    static __tracer& Place(int slot, int column, int headRow, int eraserRow, int display = 0) {
        __tracer& t = tracerPool[slot];
        StreamCell* cells = t.cells;
        t = __tracer{};
        t.cells = cells;
        t.slot = slot;
        t.active = 1;
        t.column = column;
        t.display = display;
        t.headRow = headRow;
        t.eraserRow = eraserRow;
        t.speed = 1.0f;
        for (int r = 0; r < simulation.rows; ++r)
            cells[r] = StreamCell{1, static_cast<uint8_t>(r % 55), 0, 0, 0, 0};
        return t;
    }

    static int CountEvents(char kind) {
        int n = 0;
        for (const SoundEvent& e : Events()) n += e.kind == kind;
        return n;
    }
};
