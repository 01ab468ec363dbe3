#include "sound/held_events.h"

void ClearHeldSoundEvents(HeldSoundEvents& held) { held = HeldSoundEvents{}; }

void HoldAmbientVolume(HeldSoundEvents& held, int volume) {
    held.hasVolume = true;
    held.volume = volume;
}

void HoldAmbientPan(HeldSoundEvents& held, int pan) {
    held.hasPan = true;
    held.pan = pan;
}

bool HoldOneShot(HeldSoundEvents& held, int sample, int pan, int volume) {
    if (held.count < 0 || held.count >= kHeldOneShots || sample < 0 || sample >= kSoundSampleCount) return false;
    held.shots[held.count++] = {sample, pan, volume};
    return true;
}

void ReleaseHeldSoundEvents(HeldSoundEvents& held, const SoundDevice& device) {
    if (held.hasVolume) device.setAmbientVolume(held.volume);
    if (held.hasPan) device.setAmbientPan(held.pan);
    for (int i = 0; i < held.count && i < kHeldOneShots; ++i)
        device.playOneShot(held.shots[i].sample, held.shots[i].pan, held.shots[i].volume);
    ClearHeldSoundEvents(held);
}
