#include "settings/scales.h"

#include <cstdint>

int HeldTrunc(double v) {
    if (!(v > -2147483648.0)) return INT32_MIN;
    if (v >= 2147483647.0) return INT32_MAX;
    return static_cast<int>(v);
}

int HeldInt(int64_t v) { return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : static_cast<int>(v)); }

namespace {

// Positions are formed from stored values, which may be anything: in 64 bits or
// doubles, then held within int. Out-of-range results (NaN included) stay out of
// 0..255, so the slider keeps its place.
int Trunc(double v) { return HeldTrunc(v); }
int Held(int64_t v) { return HeldInt(v); }

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
    case kSliderSpeed: return Trunc(5.0 * s.speed - 1);
    case kSliderColumns: return Held(int64_t{s.columns} - 8);
    case kSliderRows: return Held(int64_t{s.rows} - 6);
    case kSliderReleaseIntervalLog2: return Held(33 * int64_t{s.releaseIntervalLog2});
    case kSliderReleaseMaxTracers: return Trunc(16.5 * (int64_t{s.releaseMaxTracers} - 1));
    case kSliderSplashInterval: return Held(2 * int64_t{s.splashInterval} - 1);
    case kSliderSplashMaxTracers: return Held(16 * int64_t{s.splashMaxTracers} - 1);
    case kSliderRotatorsOccurrence: return Held(25 * int64_t{s.rotatorsOccurrence});
    case kSliderGlowingTracers: return Held(25 * int64_t{s.glowingTracers});
    case kSliderSpeedVariability: return Held(25 * int64_t{s.speedVariability});
    case kSliderStreamLength: return Held(16 * int64_t{s.streamLength});
    case kSliderPositiveDensity: return Trunc(2.55 * s.positiveDensity);
    case kSliderNegativeDensity: return Trunc(2.55 * s.negativeDensity);
    case kSliderGlowIntensity: return Trunc(255.0 * s.glowIntensity);
    case kSliderRadialDiffuse: return Trunc(255.0 * s.radialDiffuse);
    case kSliderCharBlurLevel: return Held(31 * int64_t{s.charBlurLevel});
    case kSliderCharEnglow: return Trunc((s.charEnglow - 1.0) * 127.5);
    case kSliderCharSize: return Trunc((s.charSize - 0.5) * 170.0);
    case kSliderMotionBlurDepth: return Held(4 * int64_t{s.motionBlurDepth});
    case kSliderVerticalBlurLevel: return Held(17 * int64_t{s.verticalBlurLevel});
    case kSliderHalo: return s.halo;
    case kSliderTextInterval: return s.textInterval;
    case kSliderDejaVuInterval: return s.dejaVuInterval;
    case kSliderBurstMovementInterval: return s.burstMovementInterval;
    case kSliderBurstStillInterval: return s.burstStillInterval;
    case kSliderBurstTraceInterval: return s.burstTraceInterval;
    case kSliderSmallBurstsInterval: return s.smallBurstsInterval;
    case kSliderDropsInterval: return s.dropsInterval;
    case kSliderLightningsInterval: return s.lightningsInterval;
    case kSliderCrashInterval: return s.crashInterval;
    case kSliderSupermanInterval: return s.supermanInterval;
    case kSliderDejaVuSpeed: return Held((int64_t{s.dejaVuSpeed} - 2000) / 40);
    case kSliderDejaVuBars: return Held(int64_t{s.dejaVuBars} - 4);
    case kSliderBurstSpeed: return Held((int64_t{s.burstSpeed} - 2000) / 100);
    case kSliderSmallBurstsSpeed: return Held((int64_t{s.smallBurstsSpeed} - 2000) / 100);
    case kSliderBurstBorder: return Held(8 * int64_t{s.burstBorder} - 1);
    case kSliderSmallBurstsBorder: return Held(8 * int64_t{s.smallBurstsBorder} - 1);
    case kSliderCrashEffects: return Held(int64_t{s.crashEffects} - 2);
    case kSliderSmallBurstsNumber: return Held(4 * int64_t{s.smallBurstsNumber} - 5);
    case kSliderSmallBurstsSize: return Trunc((s.smallBurstsSize - 1.0) * 64.0);
    case kSliderDropsNumber: return Held(int64_t{s.dropsNumber} - 1);
    case kSliderLightningsSpeed: return Held((int64_t{s.lightningsSpeed} - 500) / 10);
    case kSliderSupermanSpeed: return Held((int64_t{s.supermanSpeed} - 1000) / 50);
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

int CharactersNumberPosition(const SettingsRecord& s) { return Held((int64_t{s.columns} - 20) / 10 * 16); }

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

int DensityPosition(const SettingsRecord& s) { return Held((int64_t{s.releaseMaxTracers} - 1) * 32); }

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
int VolumePosition(const LocalOptionsRecord& l) { return l.volume; }
int TextureFilterFromPosition(int p) { return p / 80; }
int TextureFilterPosition(const LocalOptionsRecord& l) { return Held(80 * int64_t{l.textureFilter}); }

int TextureFilterNameId(int filter) {
    return (filter >= 0 && filter <= 3) ? 7731 + filter : 7731;
}
