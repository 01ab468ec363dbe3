#include "effects/effects.h"

#include "settings/settings.h"
#include "sim/eval.h"
#include "sim/random.h"

EffectRegistry effectRegistry;
int32_t effectStartCounters[kKnownEffectSlots];

namespace {

constexpr int kSpacebarDraws = 1024;
const char kSlotKeys[kKnownEffectSlots] = {'D', 'E', 'R', 'T', 'S', 'G', 'V', 'X', 'F'};
const char* const kSlotNames[kKnownEffectSlots] = {"dejavu", "movement", "still",     "trace",   "smallbursts",
                                                   "drops",  "lightnings", "crash", "superman"};

EffectRunObserver g_observer = nullptr;

bool ValidSlot(int slot) { return slot >= 0 && slot < kEffectSlotCapacity; }

void Finish() {
    effectRegistry.active = false;
    effectRegistry.elapsed = 0.0f;
    if (g_observer) g_observer(effectRegistry.currentSlot, false);
}

}  // namespace

void ResetEffectModules() { effectRegistry = EffectRegistry{}; }

int RegisterEffectModule(EffectStartCallback start, EffectStepCallback step) {
    if (!start || !step) return -1;
    EffectRegistry& r = effectRegistry;
    if (r.registeredCount >= kEffectSlotCapacity) return -2;
    const int slot = r.registeredCount++;
    r.start[slot] = start;
    r.step[slot] = step;
    return slot;
}

void TriggerEffect(int slot) {
    EffectRegistry& r = effectRegistry;
    if (r.active || IsIncomingTextActive() || !ValidSlot(slot) || !r.step[slot]) return;
    r.currentSlot = slot;
    r.elapsed = 0.0f;
    r.active = true;
    if (g_observer) g_observer(slot, true);
    // A slot is only ever filled with both callbacks together.
    if (r.start[slot](0) != 0) Finish();
}

void StepEffectModules(int units) {
    EffectRegistry& r = effectRegistry;
    if (!r.active || !ValidSlot(r.currentSlot) || !r.step[r.currentSlot]) return;
    r.elapsed += static_cast<float>(units);
    if (r.step[r.currentSlot](units) != 0) Finish();
}

bool IsEffectRunning() { return effectRegistry.active; }

void SetEffectRunObserver(EffectRunObserver observer) { g_observer = observer; }

bool IsEffectSlotEnabled(int slot) {
    switch (slot) {
        case kEffectDejaVu: return settings.dejaVuEnabled != 0;
        case kEffectMovementBurst:
        case kEffectStillBurst:
        case kEffectTraceBurst: return settings.burstsEnabled != 0;
        case kEffectSmallBursts: return settings.smallBurstsEnabled != 0;
        case kEffectDrops: return settings.dropsEnabled != 0;
        case kEffectLightnings: return settings.lightningsEnabled != 0;
        case kEffectCrash: return settings.crashEnabled != 0;
        case kEffectSuperman: return settings.supermanEnabled != 0;
        default: return false;
    }
}

bool IsEffectKeyEnabled(int slot) {
    switch (slot) {
        case kEffectDejaVu: return settings.dejaVuKey != 0;
        case kEffectMovementBurst: return settings.burstMovementKey != 0;
        case kEffectStillBurst: return settings.burstStillKey != 0;
        case kEffectTraceBurst: return settings.burstTraceKey != 0;
        case kEffectSmallBursts: return settings.smallBurstsKey != 0;
        case kEffectDrops: return settings.dropsKey != 0;
        case kEffectLightnings: return settings.lightningsKey != 0;
        case kEffectCrash: return settings.crashKey != 0;
        case kEffectSuperman: return settings.supermanKey != 0;
        default: return false;
    }
}

int32_t GetEffectInterval(int slot) {
    switch (slot) {
        case kEffectDejaVu: return settings.dejaVuInterval;
        case kEffectMovementBurst: return settings.burstMovementInterval;
        case kEffectStillBurst: return settings.burstStillInterval;
        case kEffectTraceBurst: return settings.burstTraceInterval;
        case kEffectSmallBursts: return settings.smallBurstsInterval;
        case kEffectDrops: return settings.dropsInterval;
        case kEffectLightnings: return settings.lightningsInterval;
        case kEffectCrash: return settings.crashInterval;
        case kEffectSuperman: return settings.supermanInterval;
        default: return 255;
    }
}

char GetEffectKeyLetter(int slot) { return slot >= 0 && slot < kKnownEffectSlots ? kSlotKeys[slot] : '\0'; }

const char* GetEffectName(int slot) { return slot >= 0 && slot < kKnownEffectSlots ? kSlotNames[slot] : ""; }

int FindEffectSlot(const char* name) {
    if (!name) return -1;
    for (int slot = 0; slot < kKnownEffectSlots; ++slot) {
        const char* a = name;
        const char* b = kSlotNames[slot];
        while (*a && *b && (*a | 0x20) == *b) ++a, ++b;
        if (!*a && !*b) return slot;
    }
    return -1;
}

void ResetAutomaticEffectStarts() {
    for (int32_t& counter : effectStartCounters) counter = 0;
}

void RunAutomaticEffectStarts() {
    const int64_t rows = settings.rows;
    for (int slot = 0; slot < kKnownEffectSlots; ++slot) {
        if (!IsEffectSlotEnabled(slot)) continue;
        const int64_t interval = GetEffectInterval(slot);
        if (interval > 254) continue;
        // Counters only grow while below their threshold, so they never overflow.
        effectStartCounters[slot] += 1;
        if (effectStartCounters[slot] >= ((interval + 1) * rows) / 3) {
            effectStartCounters[slot] = 0;
            if (Random(5) == 0) TriggerEffect(slot);
        }
    }
}

int MatchEffectKey(int virtualKey) {
    for (int slot = 0; slot < kKnownEffectSlots; ++slot) {
        if (virtualKey != kSlotKeys[slot]) continue;
        // The burst keys are looked at only while bursts are enabled, which the
        // shared enable flag of slots 1..3 already expresses.
        if (IsEffectSlotEnabled(slot) && IsEffectKeyEnabled(slot)) return slot;
    }
    return -1;
}

int HandleEffectKey(int virtualKey) {
    const int slot = MatchEffectKey(virtualKey);
    if (slot < 0) return 0;
    TriggerEffect(slot);
    return 1;
}

int TriggerRandomEffect() {
    for (int i = 0; i < kSpacebarDraws; ++i) {
        const int slot = Random(kKnownEffectSlots);
        if (IsEffectSlotEnabled(slot)) {
            TriggerEffect(slot);
            return slot;
        }
    }
    return -1;
}
