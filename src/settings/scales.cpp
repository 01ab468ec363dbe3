#include "settings/scales.h"

#include <cstdint>

namespace {

int Trunc(double v) { return static_cast<int>(v); }

// Positions of stored values: any value, however large, NaN or negative, gives a
// defined position; those the slider cannot show come out as -1 or 256.
int Position(long long v) { return v < 0 ? -1 : (v > 255 ? 256 : static_cast<int>(v)); }
int Position(double v) {
    if (!(v > -1.0)) return -1;  // also NaN
    if (v >= 256.0) return 256;
    return static_cast<int>(v);  // toward zero
}
long long Wide(int32_t v) { return v; }

}  // namespace

int SetSliderValue(SettingsRecord& s, SliderField field, int p) {
    switch (field) {
    case kSliderSpeed: s.speed = static_cast<float>((p + 1) * 0.2); return 0;
    case kSliderColumns: s.columns = p + 8; return 0;
    case kSliderRows: s.rows = p + 6; return 0;
    case kSliderReleaseIntervalLog2: s.releaseIntervalLog2 = (p + 1) / 33; return 0;
    case kSliderReleaseMaxTracers: s.releaseMaxTracers = Trunc(p * 2 / 33.0 + 1); return 0;
    case kSliderSplashInterval: s.splashInterval = p / 2 + 1; return 0;
    case kSliderSplashMaxTracers: s.splashMaxTracers = p / 16 + 1; return 0;
    case kSliderRotatorsOccurrence: s.rotatorsOccurrence = Trunc(p * 0.04); return 0;
    case kSliderGlowingTracers: s.glowingTracers = Trunc(p * 0.04); return 0;
    case kSliderSpeedVariability: s.speedVariability = Trunc(p * 0.04); return 0;
    case kSliderStreamLength: s.streamLength = p / 16; return 0;
    case kSliderPositiveDensity: s.positiveDensity = p * 100 / 255; return 0;
    case kSliderNegativeDensity: s.negativeDensity = p * 100 / 255; return 0;
    case kSliderGlowIntensity: s.glowIntensity = static_cast<float>(p / 255.0); return 0;
    case kSliderRadialDiffuse: s.radialDiffuse = static_cast<float>(p / 255.0); return 0;
    case kSliderCharBlurLevel: s.charBlurLevel = p / 31; return 0;
    case kSliderCharEnglow: s.charEnglow = static_cast<float>(1 + p * 2 / 255.0); return 0;
    case kSliderCharSize: s.charSize = static_cast<float>(0.5 + p / 170.0); return 0;
    case kSliderMotionBlurDepth: s.motionBlurDepth = p / 4; return 0;
    case kSliderVerticalBlurLevel: s.verticalBlurLevel = p / 17; return 0;
    case kSliderHalo: s.halo = static_cast<uint8_t>(p); return 0;
    case kSliderTextInterval: s.textInterval = p; return 0;
    case kSliderDejaVuInterval: s.dejaVuInterval = p; return 0;
    case kSliderBurstMovementInterval: s.burstMovementInterval = p; return 0;
    case kSliderBurstStillInterval: s.burstStillInterval = p; return 0;
    case kSliderBurstTraceInterval: s.burstTraceInterval = p; return 0;
    case kSliderSmallBurstsInterval: s.smallBurstsInterval = p; return 0;
    case kSliderDropsInterval: s.dropsInterval = p; return 0;
    case kSliderLightningsInterval: s.lightningsInterval = p; return 0;
    case kSliderCrashInterval: s.crashInterval = p; return 0;
    case kSliderSupermanInterval: s.supermanInterval = p; return 0;
    case kSliderDejaVuSpeed: s.dejaVuSpeed = 40 * p + 2000; return 0;
    case kSliderDejaVuBars: s.dejaVuBars = p + 4; return 0;
    case kSliderBurstSpeed: s.burstSpeed = 100 * p + 2000; return 0;
    case kSliderSmallBurstsSpeed: s.smallBurstsSpeed = 100 * p + 2000; return 0;
    case kSliderBurstBorder: s.burstBorder = p / 8 + 1; return 0;
    case kSliderSmallBurstsBorder: s.smallBurstsBorder = p / 8 + 1; return 0;
    case kSliderCrashEffects: s.crashEffects = p + 2; return 0;
    case kSliderSmallBurstsNumber: s.smallBurstsNumber = p / 4 + 2; return 0;
    case kSliderSmallBurstsSize: s.smallBurstsSize = static_cast<float>(1 + p / 64.0); return 0;
    case kSliderDropsNumber: s.dropsNumber = p + 1; return 0;
    case kSliderLightningsSpeed: s.lightningsSpeed = 10 * p + 500; return 0;
    case kSliderSupermanSpeed: s.supermanSpeed = 50 * p + 1000; return 0;
    case kSliderFieldCount: break;
    }
    return -1;
}

int GetSliderPosition(const SettingsRecord& s, SliderField field) {
    switch (field) {
    case kSliderSpeed: return Position(5.0 * s.speed - 1);
    case kSliderColumns: return Position(Wide(s.columns) - 8);
    case kSliderRows: return Position(Wide(s.rows) - 6);
    case kSliderReleaseIntervalLog2: return Position(33 * Wide(s.releaseIntervalLog2));
    case kSliderReleaseMaxTracers: return Position(16.5 * (Wide(s.releaseMaxTracers) - 1));
    case kSliderSplashInterval: return Position(2 * Wide(s.splashInterval) - 1);
    case kSliderSplashMaxTracers: return Position(16 * Wide(s.splashMaxTracers) - 1);
    case kSliderRotatorsOccurrence: return Position(25 * Wide(s.rotatorsOccurrence));
    case kSliderGlowingTracers: return Position(25 * Wide(s.glowingTracers));
    case kSliderSpeedVariability: return Position(25 * Wide(s.speedVariability));
    case kSliderStreamLength: return Position(16 * Wide(s.streamLength));
    case kSliderPositiveDensity: return Position(2.55 * s.positiveDensity);
    case kSliderNegativeDensity: return Position(2.55 * s.negativeDensity);
    case kSliderGlowIntensity: return Position(255.0 * s.glowIntensity);
    case kSliderRadialDiffuse: return Position(255.0 * s.radialDiffuse);
    case kSliderCharBlurLevel: return Position(31 * Wide(s.charBlurLevel));
    case kSliderCharEnglow: return Position((s.charEnglow - 1.0) * 127.5);
    case kSliderCharSize: return Position((s.charSize - 0.5) * 170.0);
    case kSliderMotionBlurDepth: return Position(4 * Wide(s.motionBlurDepth));
    case kSliderVerticalBlurLevel: return Position(17 * Wide(s.verticalBlurLevel));
    case kSliderHalo: return s.halo;
    case kSliderTextInterval: return Position(Wide(s.textInterval));
    case kSliderDejaVuInterval: return Position(Wide(s.dejaVuInterval));
    case kSliderBurstMovementInterval: return Position(Wide(s.burstMovementInterval));
    case kSliderBurstStillInterval: return Position(Wide(s.burstStillInterval));
    case kSliderBurstTraceInterval: return Position(Wide(s.burstTraceInterval));
    case kSliderSmallBurstsInterval: return Position(Wide(s.smallBurstsInterval));
    case kSliderDropsInterval: return Position(Wide(s.dropsInterval));
    case kSliderLightningsInterval: return Position(Wide(s.lightningsInterval));
    case kSliderCrashInterval: return Position(Wide(s.crashInterval));
    case kSliderSupermanInterval: return Position(Wide(s.supermanInterval));
    case kSliderDejaVuSpeed: return Position((Wide(s.dejaVuSpeed) - 2000) / 40);
    case kSliderDejaVuBars: return Position(Wide(s.dejaVuBars) - 4);
    case kSliderBurstSpeed: return Position((Wide(s.burstSpeed) - 2000) / 100);
    case kSliderSmallBurstsSpeed: return Position((Wide(s.smallBurstsSpeed) - 2000) / 100);
    case kSliderBurstBorder: return Position(8 * Wide(s.burstBorder) - 1);
    case kSliderSmallBurstsBorder: return Position(8 * Wide(s.smallBurstsBorder) - 1);
    case kSliderCrashEffects: return Position(Wide(s.crashEffects) - 2);
    case kSliderSmallBurstsNumber: return Position(4 * Wide(s.smallBurstsNumber) - 5);
    case kSliderSmallBurstsSize: return Position((s.smallBurstsSize - 1.0) * 64.0);
    case kSliderDropsNumber: return Position(Wide(s.dropsNumber) - 1);
    case kSliderLightningsSpeed: return Position((Wide(s.lightningsSpeed) - 500) / 10);
    case kSliderSupermanSpeed: return Position((Wide(s.supermanSpeed) - 1000) / 50);
    case kSliderFieldCount: break;
    }
    return -1;
}

int CharactersNumberFromPosition(int p) { return p / 16; }

void ApplyCharactersNumber(SettingsRecord& s, int n, double aspect) {
    const int columns = 10 * n + 20;
    int rows = Trunc(columns / (aspect * 1.59));
    if (rows < 6) rows = 6;
    s.columns = columns;
    s.rows = rows;
}

int CharactersNumberPosition(const SettingsRecord& s) { return Position(((Wide(s.columns) - 20) / 10) * 16); }

double ScreenAspect(int width, int height) {
    if (width <= 0 || height <= 0) return 1.2;
    return static_cast<double>(width) / height;
}

namespace {

struct DensityColumn {
    int releaseIntervalLog2, releaseMaxTracers, streamLength, splashInterval, splashMaxTracers,
        positiveDensity, negativeDensity;
};

constexpr DensityColumn kDensity[8] = {
    {4, 1, 0, 10, 1, 80, 8}, {3, 2, 0, 10, 2, 80, 8}, {2, 3, 1, 10, 3, 80, 8},
    {1, 4, 1, 10, 4, 80, 8}, {1, 5, 2, 10, 5, 82, 8}, {1, 6, 3, 10, 6, 88, 8},
    {1, 7, 4, 10, 7, 94, 8}, {1, 8, 5, 10, 8, 100, 8},
};

int ClampDensity(int n) { return n < 0 ? 0 : (n > 7 ? 7 : n); }

}  // namespace

int DensityFromPosition(int p) { return ClampDensity(p / 32); }

void ApplyDensity(SettingsRecord& s, int n) {
    const DensityColumn& d = kDensity[ClampDensity(n)];
    s.releaseIntervalLog2 = d.releaseIntervalLog2;
    s.releaseMaxTracers = d.releaseMaxTracers;
    s.streamLength = d.streamLength;
    s.splashInterval = d.splashInterval;
    s.splashMaxTracers = d.splashMaxTracers;
    s.positiveDensity = d.positiveDensity;
    s.negativeDensity = d.negativeDensity;
}

int DensityPosition(const SettingsRecord& s) { return Position((Wide(s.releaseMaxTracers) - 1) * 32); }

int DensityNameId(int n) { return 7120 + ClampDensity(n); }

void ApplyLowQuality(SettingsRecord& s, bool ticked) {
    if (ticked) {
        s.glowIntensity = 0.0f;
        s.plainErasers = 1;
        s.rotatorsPlainFade = 1;
        s.halo = 0;
    } else {
        s.glowIntensity = 0.75f;
        s.plainErasers = 0;
        s.rotatorsPlainFade = 0;
    }
}

bool IsLowQuality(const SettingsRecord& s) {
    const float glow = s.glowIntensity;
    return s.halo == 0 && glow < 0.01f && s.plainErasers == 1;
}

void ApplyBootEffect(SettingsRecord& s, bool ticked) {
    s.consoleStart = ticked ? 1 : 0;
    s.jumpInStart = ticked ? 1 : 0;
}

bool IsBootEffect(const SettingsRecord& s) { return s.consoleStart == 1 && s.jumpInStart == 1; }

int VolumeFromPosition(int p) { return p; }
int VolumePosition(const LocalOptionsRecord& l) { return Position(Wide(l.volume)); }
int TextureFilterFromPosition(int p) { return p / 80; }
int TextureFilterPosition(const LocalOptionsRecord& l) { return Position(80 * Wide(l.textureFilter)); }

int TextureFilterNameId(int filter) {
    return (filter >= 0 && filter <= 3) ? 7731 + filter : 7731;
}
