// Sound events that arrive while a back-end cannot play yet (the built-in
// mixer's output thread is still decoding its samples), held in a fixed record
// and handed on once it can: the last ambient volume and pan, and the first
// kHeldOneShots one-shots in their order. Later one-shots are dropped, so a long
// wait never piles up sound. Portable; the caller locks.
#pragma once

#include "sound/device.h"

constexpr int kHeldOneShots = 8;

struct HeldSoundEvents {
    bool hasVolume, hasPan;
    int volume, pan;
    int count;
    struct OneShot {
        int sample, pan, volume;
    } shots[kHeldOneShots];
};

void ClearHeldSoundEvents(HeldSoundEvents& held);
void HoldAmbientVolume(HeldSoundEvents& held, int volume);
void HoldAmbientPan(HeldSoundEvents& held, int pan);
// False when the one-shot was dropped (the record is full or the sample unknown).
bool HoldOneShot(HeldSoundEvents& held, int sample, int pan, int volume);
// Hands the held events to `device` (ambient settings first, then the one-shots
// in order) and clears the record.
void ReleaseHeldSoundEvents(HeldSoundEvents& held, const SoundDevice& device);
