#include "sound/sound.h"

#include <cstdint>

#include "settings/settings.h"
#include "sim/random.h"
#include "sound/device.h"

namespace {

const SoundDevice* g_device = nullptr;

int Clamp255(int64_t v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v)); }

// The volume option as the events use it. The stored value is not
// range-checked, so it is clamped to 0..255: a negative one is silence.
int VolumeOption() { return Clamp255(localOptions.volume); }

// The back-end when an event may sound, else null.
const SoundDevice* Playing() {
    if (!localOptions.soundEnabled || VolumeOption() == 0) return nullptr;
    return g_device;
}

// Pan of a column: 0 for the first, 255 for the last. A grid of one column
// (or a column count that is no count at all) sounds in the middle.
int ColumnPan(int column) {
    const int64_t columns = settings.columns;
    if (columns <= 1) return 128;
    return Clamp255(static_cast<int64_t>(column) * 255 / (columns - 1));
}

void PlayPanned(int firstSample, int column) {
    const SoundDevice* device = Playing();
    if (!device) return;
    const int sample = firstSample + Random(kLetterSoundVariants);
    device->playOneShot(sample, ColumnPan(column), VolumeOption() / 2);
}

void PlayFixed(int sample, int pan) {
    if (const SoundDevice* device = Playing()) device->playOneShot(sample, pan, VolumeOption() / 2);
}

}  // namespace

void SetSoundDevice(const SoundDevice* device) { g_device = device; }
const SoundDevice* CurrentSoundDevice() { return g_device; }

void SetAmbientVolume(int volume) {
    if (const SoundDevice* device = Playing())
        device->setAmbientVolume(Clamp255(static_cast<int64_t>(Clamp255(volume)) * VolumeOption() / 255));
}

void SetAmbientPan(int pan) {
    if (const SoundDevice* device = Playing()) device->setAmbientPan(Clamp255(pan));
}

void PlayLetterPlaced(int column) { PlayPanned(kSampleLetterPlaced, column); }
void PlayLetterFlash(int column) { PlayPanned(kSampleLetterFlash, column); }
void PlayConsoleSoundA() { PlayFixed(kSampleLetterPlaced, kSoundPanStereo); }
void PlayConsoleSoundB() { PlayFixed(kSampleLetterFlash + kLetterSoundVariants - 1, kSoundPanStereo); }
void PlayUiSound1() { PlayFixed(kSampleUi1, kSoundPanNone); }
void PlayUiSound2() { PlayFixed(kSampleUi2, kSoundPanNone); }
void PlayUiSound3() { PlayFixed(kSampleUi3, kSoundPanNone); }
