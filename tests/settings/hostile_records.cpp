#include "hostile_records.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

namespace {

#define AT(field) offsetof(SettingsRecord, field)
const size_t kI32[] = {AT(columns), AT(rows), AT(charBlurLevel), AT(rotatorsOccurrence), AT(positiveDensity),
    AT(negativeDensity), AT(glowingTracers), AT(streamLength), AT(pauseRarity), AT(releaseIntervalLog2),
    AT(releaseMaxTracers), AT(splashInterval), AT(splashMaxTracers), AT(motionBlurDepth), AT(verticalBlurLevel),
    AT(speedVariability), AT(textInterval), AT(dejaVuInterval), AT(dejaVuSpeed), AT(burstBorder), AT(burstSpeed),
    AT(burstMovementInterval), AT(burstStillInterval), AT(burstTraceInterval), AT(dejaVuBars),
    AT(smallBurstsBorder), AT(smallBurstsInterval), AT(smallBurstsSpeed), AT(smallBurstsNumber), AT(dropsInterval),
    AT(dropsNumber), AT(lightningsInterval), AT(lightningsSpeed), AT(crashInterval), AT(crashEffects),
    AT(supermanInterval), AT(supermanSpeed)};
const size_t kF32[] = {AT(speed), AT(charEnglow), AT(baseColor), AT(baseColor) + 4, AT(baseColor) + 8,
    AT(glowIntensity), AT(accentColor), AT(accentColor) + 4, AT(accentColor) + 8, AT(smallBurstsSize),
    AT(radialDiffuse), AT(charSize)};
const size_t kText[] = {AT(textLine1), AT(textLine2), AT(textLine3)};
// Reserved bytes (offset, length): never interpreted, left zero.
const size_t kReserved[][2] = {{4, 1}, {13, 4}, {54, 1}, {492, 5}, {508, 4}, {513, 64}, {679, 1}, {683, 1}};
#undef AT

}  // namespace

const HostileValues kHostileValues[] = {
    {"zero", 0, 0.0f, 0},
    {"minus one", -1, -1.0f, 0xff},
    {"lowest", INT_MIN, -std::numeric_limits<float>::infinity(), 0x80},
    {"highest", INT_MAX, std::numeric_limits<float>::infinity(), 0xff},
    {"million", 1000000, 1e6f, 1},
    {"not a number", INT_MIN + 1, std::numeric_limits<float>::quiet_NaN(), 2},
    {"huge float", 65536, 1e30f, 0x7f},
};
const int kHostileValueCount = sizeof kHostileValues / sizeof kHostileValues[0];

SettingsRecord HostileRecord(const HostileValues& v, bool keepGrid) {
    SettingsRecord defaults;
    std::memset(&defaults, 0, sizeof defaults);
    FillDefaultSettings(defaults);
    uint8_t bytes[kSettingsRecordSize];
    std::memset(bytes, v.u8, sizeof bytes);
    for (const auto& r : kReserved) std::memset(bytes + r[0], 0, r[1]);
    for (size_t at : kI32) std::memcpy(bytes + at, &v.i32, 4);
    for (size_t at : kF32) std::memcpy(bytes + at, &v.f32, 4);
    for (size_t at : kText) std::memset(bytes + at, 'A' + (v.u8 % 26), 128);
    SettingsRecord s;
    std::memcpy(&s, bytes, sizeof s);
    if (keepGrid) {
        s.columns = defaults.columns;
        s.rows = defaults.rows;
        if (!(v.f32 != 0.0f && std::isfinite(v.f32))) s.speed = defaults.speed;
    }
    return s;
}
