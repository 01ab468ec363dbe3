#include "settings/labels.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "settings/scales.h"
#include "settings/strings.h"

namespace {

const char* Suffix(int index) { return GetString(8701 + index); }  // st nd rd th

// Labels show products of stored values, held within the int that the format
// strings print.
int Held(int64_t v) { return HeldInt(v); }
int RoundedPercent(float factor) { return HeldTrunc(std::round(static_cast<double>(factor) * 100)); }

}  // namespace

int FormatText(char* out, int capacity, const char* format, ...) {
    if (!out || capacity <= 0) return 0;
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(out, static_cast<size_t>(capacity), format, args);
    va_end(args);
    if (n < 0) {
        out[0] = '\0';
        return 0;
    }
    return n < capacity ? n : capacity - 1;
}

const char* OrdinalSuffix(int value, OrdinalRule rule) {
    switch (rule) {
    case kOrdinalRelease:
        return value == 0 ? Suffix(0) : value == 1 ? Suffix(1) : Suffix(3);
    case kOrdinalLevel:
        if (value == 0) return "";
        [[fallthrough]];
    case kOrdinalCount:
        return value == 1 ? Suffix(0) : value == 2 ? Suffix(1) : value == 3 ? Suffix(2) : Suffix(3);
    }
    return "";
}

const char* IntervalUnit(int value) {
    const int index = value < 0 ? 0 : (value > 4 ? 4 : value);
    return GetString(8711 + index);
}

int FormatIntervalLabel(char* out, int capacity, uint32_t formatId, int value, uint32_t keyOnlyId) {
    // The format strings are resources with the "%d %s" shape.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    if (value == 255 && keyOnlyId != 0)
        return FormatText(out, capacity, GetString(formatId), 0, GetString(keyOnlyId));
    return FormatText(out, capacity, GetString(formatId), Held(int64_t{value} + 1), IntervalUnit(value));
#pragma GCC diagnostic pop
}

int FormatSettingsLabel(char* out, int capacity, uint32_t labelId, const SettingsRecord& s) {
    const char* f = GetString(labelId);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    switch (labelId) {
    case 7301: return FormatText(out, capacity, f, static_cast<double>(s.speed));
    case 7302: return FormatText(out, capacity, f, s.columns, s.rows);
    case 7303: {
        const int log2 = s.releaseIntervalLog2;
        const int every = (log2 >= 0 && log2 < 31) ? (1 << log2) : 0;
        return FormatText(out, capacity, f, every, OrdinalSuffix(log2, kOrdinalRelease), s.releaseMaxTracers);
    }
    case 7304:
        return FormatText(out, capacity, f, s.splashInterval, OrdinalSuffix(s.splashInterval, kOrdinalCount),
                      Held(int64_t{s.releaseMaxTracers} * s.splashMaxTracers));
    case 7305: return FormatText(out, capacity, f, Held(int64_t{s.rotatorsOccurrence} * 10));
    case 7306:
        return FormatText(out, capacity, f, Held(int64_t{s.streamLength} * s.rows + s.rows / 2),
                      Held(int64_t{s.streamLength} * s.rows / 2 + s.rows / 2));
    case 7307: return FormatText(out, capacity, f, s.positiveDensity);
    case 7308: return FormatText(out, capacity, f, s.negativeDensity);
    case 7408:
        return FormatText(out, capacity, f, Held(int64_t{s.glowingTracers} * 10), static_cast<double>(s.glowIntensity) * 100);
    case 7409:
        return FormatText(out, capacity, f, s.charBlurLevel, OrdinalSuffix(s.charBlurLevel, kOrdinalLevel),
                      static_cast<double>(s.charEnglow));
    case 7411: return FormatText(out, capacity, f, Held(int64_t{s.speedVariability} * 10));
    case 7416:
        return FormatText(out, capacity, f, RoundedPercent(s.charSize));
    case 7701: return FormatText(out, capacity, f, s.motionBlurDepth);
    case 7702:
        return FormatText(out, capacity, f, s.verticalBlurLevel, OrdinalSuffix(s.verticalBlurLevel, kOrdinalLevel));
    case 7703: return FormatText(out, capacity, f, s.halo / 96.0);
    case 7708: return FormatText(out, capacity, f, static_cast<double>(s.radialDiffuse));
    case 6309: return FormatText(out, capacity, f, static_cast<double>(s.smallBurstsSize));
    default: break;
    }
#pragma GCC diagnostic pop
    if (out && capacity > 0) out[0] = '\0';
    return -1;
}
