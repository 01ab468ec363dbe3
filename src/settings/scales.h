// Slider scales of the settings window (positions 0..255 to field values and
// back), the easy-setup controls that change several fields at once, and the
// local options scales.
#pragma once

#include <cstdint>

#include "settings/settings.h"

// Stored values may be anything; what the window shows of them is formed in 64
// bits or doubles and held within int: trunc toward zero, saturating, and NaN
// gives INT32_MIN (outside every slider's 0..255).
int HeldInt(int64_t v);
int HeldTrunc(double v);

enum SliderField {
    kSliderSpeed,
    kSliderColumns,
    kSliderRows,
    kSliderReleaseIntervalLog2,
    kSliderReleaseMaxTracers,
    kSliderSplashInterval,
    kSliderSplashMaxTracers,
    kSliderRotatorsOccurrence,
    kSliderGlowingTracers,
    kSliderSpeedVariability,
    kSliderStreamLength,
    kSliderPositiveDensity,
    kSliderNegativeDensity,
    kSliderGlowIntensity,
    kSliderRadialDiffuse,
    kSliderCharBlurLevel,
    kSliderCharEnglow,
    kSliderCharSize,
    kSliderMotionBlurDepth,
    kSliderVerticalBlurLevel,
    kSliderHalo,
    kSliderTextInterval,
    kSliderDejaVuInterval,
    kSliderBurstMovementInterval,
    kSliderBurstStillInterval,
    kSliderBurstTraceInterval,
    kSliderSmallBurstsInterval,
    kSliderDropsInterval,
    kSliderLightningsInterval,
    kSliderCrashInterval,
    kSliderSupermanInterval,
    kSliderDejaVuSpeed,
    kSliderDejaVuBars,
    kSliderBurstSpeed,
    kSliderSmallBurstsSpeed,
    kSliderBurstBorder,
    kSliderSmallBurstsBorder,
    kSliderCrashEffects,
    kSliderSmallBurstsNumber,
    kSliderSmallBurstsSize,
    kSliderDropsNumber,
    kSliderLightningsSpeed,
    kSliderSupermanSpeed,
    kSliderFieldCount
};

// Stores the value of slider position p (0..255) into the field; -1 for an unknown field.
int SetSliderValue(SettingsRecord& s, SliderField field, int p);
// The slider position that shows the field's value; may fall outside 0..255 for
// stored values the window cannot produce (the slider then stays where it was).
int GetSliderPosition(const SettingsRecord& s, SliderField field);

// "Characters number": n = p / 16. Applying n sets columns = 10n + 20 and rows from
// the screen aspect (width / height), at least 6.
int CharactersNumberFromPosition(int p);
void ApplyCharactersNumber(SettingsRecord& s, int n, double aspect);
int CharactersNumberPosition(const SettingsRecord& s);
// Width / height of the chosen screen mode, 1.2 when the mode cannot be read.
double ScreenAspect(int width, int height);

// "Density": n = p / 32 (0..7) applies one column of the density table.
int DensityFromPosition(int p);
void ApplyDensity(SettingsRecord& s, int n);
int DensityPosition(const SettingsRecord& s);
// String id of the density name for n (7120..7127).
int DensityNameId(int n);

// "Low quality code" and "Start with Boot Effect" check boxes.
void ApplyLowQuality(SettingsRecord& s, bool ticked);
bool IsLowQuality(const SettingsRecord& s);
void ApplyBootEffect(SettingsRecord& s, bool ticked);
bool IsBootEffect(const SettingsRecord& s);

// Local options scales.
int VolumeFromPosition(int p);
int VolumePosition(const LocalOptionsRecord& l);
int TextureFilterFromPosition(int p);
int TextureFilterPosition(const LocalOptionsRecord& l);
// String id of a texture filter's name (7731..7734; any other value shows "Nearest").
int TextureFilterNameId(int filter);
