// What the sound events need from a back-end (the sound library's binding or
// the built-in mixer), and the sample set both load.
#pragma once

// The samples in load order; the one-shot sets are consecutive.
enum SoundSample : int {
    kSampleAmbientLoop = 0,
    kSampleLetterPlaced = 1,  // six: resources 2001..2006
    kSampleLetterFlash = 7,   // six: resources 2011..2016
    kSampleUi1 = 13,          // resources 2021, 2022, 2023
    kSampleUi2 = 14,
    kSampleUi3 = 15,
    kSoundSampleCount = 16,
};
constexpr int kLetterSoundVariants = 6;

// Resource id (type "OGG") of each sample; only the ambient loop loops.
constexpr int kSoundSampleIds[kSoundSampleCount] = {2000, 2001, 2002, 2003, 2004, 2005, 2006, 2011,
                                                    2012, 2013, 2014, 2015, 2016, 2021, 2022, 2023};

constexpr int kSoundPanStereo = -1;  // the sample's own stereo image
constexpr int kSoundPanNone = -2;    // no pan given: the back-end's default

// A back-end. The events clamp and scale before they call: volumes and pans
// arrive in 0..255 (pans also as kSoundPanStereo or kSoundPanNone).
struct SoundDevice {
    void (*setAmbientVolume)(int volume);  // the loop on the reserved channel
    void (*setAmbientPan)(int pan);
    void (*playOneShot)(int sample, int pan, int volume);  // on any free channel
};

// Publishes the back-end the events drive; null turns every event off.
void SetSoundDevice(const SoundDevice* device);
const SoundDevice* CurrentSoundDevice();
