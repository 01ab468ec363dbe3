// Shared set-up for tests of the effect modules: the rain fixture with every
// module initialised and no effect starting by itself, grids filled with code
// where a test wants it, and the effect stepped alone or with the rain.
#pragma once

#include <cmath>

#include "../sim/rain_fixture.h"
#include "effects/modules.h"
#include "host/frametime.h"

class EffectTest : public RainTest {
protected:
    void SetUp() override {
        RainTest::SetUp();
        static const SimulationSoundSink silent = {[](int) {}, [](int) {}, [](int) {}, [](int) {}};
        SetSimulationSoundSink(&silent);  // records nothing: no allocation
        SettingsRecord& s = settings;  // every effect by its key only
        s.dejaVuInterval = s.burstMovementInterval = s.burstStillInterval = s.burstTraceInterval = 255;
        s.smallBurstsInterval = s.dropsInterval = s.lightningsInterval = s.crashInterval = s.supermanInterval = 255;
    }

    void Init(int displays = 1) {
        Start(displays);
        InitEffectModules();
    }

public:
    // A glyph layer in every cell of every display, as a screen full of code
    // would have.
    static void FillGrids() {
        for (int d = 0; d < displayCount; ++d)
            for (uint32_t x = 0; x < codeGrids[d].width; ++x)
                for (uint32_t y = 0; y < codeGrids[d].height; ++y)
                    PushCellLayer(codeGrids[d], x, y, textureTables.glyph[(x + y) % 55], 0.3f, 0.7f, 0.3f, 1);
    }

    // One chunk of the running effect alone, over empty or filled grids.
    static void StepAlone(int units, bool filled) {
        ClearCodeGrids(displayCount);
        if (filled) FillGrids();
        StepEffectModules(units);
    }

    // Every pushed layer has finite colours within 0..2 and a quad of 0 or 1.
    static bool LayersSound() {
        for (int d = 0; d < displayCount; ++d) {
            const __buffer& grid = codeGrids[d];
            for (uint32_t i = 0; i < grid.touchedCount; ++i) {
                const uint32_t x = grid.touched[i] / grid.height, y = grid.touched[i] % grid.height;
                for (uint32_t k = 0; k < GetCellLayerCount(grid, x, y); ++k) {
                    uint32_t texture = 0, quad = 0;
                    float c[3];
                    GetCellLayer(grid, x, y, k, &texture, &c[0], &c[1], &c[2], &quad);
                    if (texture == 0 || quad > 1) return false;
                    for (float v : c)
                        if (!std::isfinite(v) || v < 0.0f || v > 2.0f) return false;
                }
            }
        }
        return true;
    }
};
