#include "host/frametime.h"

#include <cmath>

#include "effects/effects.h"
#include "host/display_table.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

namespace {

constexpr int32_t kChunkUnits = 1000;

void ClearDisplayGrids() { ClearCodeGrids(displayCount); }

}  // namespace

int32_t FrameUnits(int32_t lastFrameMs, float speed) {
    const double product = static_cast<double>(lastFrameMs) * 1000.0 * static_cast<double>(speed);
    if (!(product >= 1000.0)) return 1;  // zero, negative or not a number
    if (product >= 1000.0 * kMaxFrameUnits) return kMaxFrameUnits;
    const int64_t truncated = static_cast<int64_t>(product);
    return static_cast<int32_t>(truncated / 1000);
}

int32_t JumpInWarmupSteps() {
    if (!settings.jumpInStart || settings.rows <= 0) return 0;
    const int64_t steps = 6 * static_cast<int64_t>(settings.rows);
    return steps > INT32_MAX ? INT32_MAX : static_cast<int32_t>(steps);
}

int32_t AdvanceFrameTime(bool firstFrame, int32_t lastFrameMs, const FrameTimeHooks* hooks) {
    void (*clearGrids)() = hooks && hooks->clearGrids ? hooks->clearGrids : ClearDisplayGrids;
    int (*stepSimulation)(int32_t) = hooks && hooks->stepSimulation ? hooks->stepSimulation : StepSimulation;
    void (*stepEffects)(int) = hooks && hooks->stepEffects ? hooks->stepEffects : StepEffectModules;

    if (firstFrame) {
        const int32_t warmup = JumpInWarmupSteps();
        if (warmup > 0) {
            for (int32_t i = 0; i < warmup; ++i) stepSimulation(kChunkUnits);
            clearGrids();
        }
    }

    const int32_t units = FrameUnits(lastFrameMs, settings.speed);
    if (units <= kChunkUnits) {
        stepSimulation(units);
        stepEffects(units);
        return units;
    }
    const int32_t chunks = units / kChunkUnits;
    for (int32_t i = 0; i < chunks; ++i) {
        stepSimulation(kChunkUnits);
        stepEffects(kChunkUnits);
    }
    clearGrids();
    stepSimulation(units % kChunkUnits);
    stepEffects(units % kChunkUnits);
    return units;
}
