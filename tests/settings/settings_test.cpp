#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "settings/scales.h"
#include "settings/settings.h"

namespace {

std::vector<uint8_t> Image(const void* record, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(record);
    return std::vector<uint8_t>(p, p + size);
}

template <typename T>
T At(const std::vector<uint8_t>& image, size_t offset) {
    T v;
    std::memcpy(&v, image.data() + offset, sizeof v);
    return v;
}

SettingsRecord Defaults() {
    SettingsRecord s;
    std::memset(&s, 0, sizeof s);
    FillDefaultSettings(s);
    return s;
}

TEST(SettingsRecord, DefaultImageByteForByte) {
    SettingsRecord s = Defaults();
    const auto image = Image(&s, sizeof s);
    ASSERT_EQ(image.size(), 716u);

    EXPECT_EQ(At<float>(image, 0), 20.0f);
    EXPECT_EQ(At<int32_t>(image, 5), 80);
    EXPECT_EQ(At<int32_t>(image, 9), 40);
    EXPECT_EQ(At<float>(image, 37), 0.298f);
    EXPECT_EQ(At<float>(image, 41), 0.7056f);
    EXPECT_EQ(At<float>(image, 45), 0.306f);
    EXPECT_EQ(image[96], 72);
    EXPECT_EQ(At<int32_t>(image, 103), 15);
    EXPECT_EQ(At<int32_t>(image, 504), 4000);
    EXPECT_EQ(At<float>(image, 607), 0.7f);
    EXPECT_EQ(At<float>(image, 615), 1.0f);
    EXPECT_EQ(At<float>(image, 642), 3.0f);
    EXPECT_EQ(At<float>(image, 701), 0.97f);
    EXPECT_EQ(At<int32_t>(image, 711), 1500);
    EXPECT_EQ(image[715], 0);

    // Text lines: the text, then NUL bytes to the end of the field.
    const char line1[] = "THE KORVAN SELWYTH";
    EXPECT_EQ(0, std::memcmp(image.data() + 107, line1, sizeof line1 - 1));
    for (size_t i = 107 + sizeof line1 - 1; i < 235; ++i) EXPECT_EQ(image[i], 0) << i;
    EXPECT_EQ(0, std::memcmp(image.data() + 235, "SCREENSAVER \0", 13));
    for (size_t i = 363; i < 491; ++i) EXPECT_EQ(image[i], 0) << i;

    // Reserved bytes stay zero.
    const std::pair<size_t, size_t> reserved[] = {{4, 1},   {13, 4}, {54, 1},  {492, 5},
                                                  {508, 4}, {513, 64}, {679, 1}, {683, 1}};
    for (auto [offset, length] : reserved)
        for (size_t i = offset; i < offset + length; ++i) EXPECT_EQ(image[i], 0) << "reserved byte " << i;
}

TEST(SettingsRecord, DefaultsLeaveReservedBytesAlone) {
    SettingsRecord s;
    std::memset(&s, 0xA5, sizeof s);
    FillDefaultSettings(s);
    const auto image = Image(&s, sizeof s);
    EXPECT_EQ(image[4], 0xA5);
    EXPECT_EQ(image[13], 0xA5);
    EXPECT_EQ(image[520], 0xA5);
    EXPECT_EQ(image[683], 0xA5);
    EXPECT_EQ(image[98], 1);  // keepPattern
}

TEST(LocalOptionsRecord, DefaultImageByteForByte) {
    LocalOptionsRecord l;
    std::memset(&l, 0, sizeof l);
    FillDefaultLocalOptions(l);
    std::vector<uint8_t> expected = {0x01, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                     0x4C, 0x96, 0x4E, 0x00};
    expected.insert(expected.end(), 60, 0x00);
    const uint8_t tail[] = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                            0x20, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01};
    expected.insert(expected.end(), tail, tail + sizeof tail);
    ASSERT_EQ(expected.size(), 101u);
    EXPECT_EQ(Image(&l, sizeof l), expected);
}

TEST(SettingsRecord, ValidityRule) {
    SettingsRecord s = Defaults();
    EXPECT_TRUE(IsSettingsRecordValid(s));
    s.speed = 0.0f;
    EXPECT_FALSE(IsSettingsRecordValid(s));
    s = Defaults();
    s.columns = 7;
    EXPECT_FALSE(IsSettingsRecordValid(s));
    s = Defaults();
    s.rows = 5;
    EXPECT_FALSE(IsSettingsRecordValid(s));
    s = Defaults();
    s.columns = 8;
    s.rows = 6;
    EXPECT_TRUE(IsSettingsRecordValid(s));
    s.columns = kMaxColumns;
    s.rows = kMaxRows;
    EXPECT_TRUE(IsSettingsRecordValid(s));
    for (int32_t columns : {264, INT32_MAX}) {
        s = Defaults();
        s.columns = columns;
        EXPECT_FALSE(IsSettingsRecordValid(s)) << columns;
    }
    for (int32_t rows : {262, 1000000}) {
        s = Defaults();
        s.rows = rows;
        EXPECT_FALSE(IsSettingsRecordValid(s)) << rows;
    }
    for (float speed : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::quiet_NaN()}) {
        s = Defaults();
        s.speed = speed;
        EXPECT_FALSE(IsSettingsRecordValid(s)) << speed;
    }
    // Only those tests: odd but stored values are used as they are.
    s = Defaults();
    s.halo = 255;
    s.dejaVuInterval = 255;
    s.speed = -3.0f;
    EXPECT_TRUE(IsSettingsRecordValid(s));
}

TEST(SliderScales, StoredExtremesFallOffTheScale) {
    SettingsRecord s = Defaults();
    s.speed = std::numeric_limits<float>::quiet_NaN();
    s.releaseIntervalLog2 = INT32_MAX;
    s.releaseMaxTracers = INT32_MIN;
    s.dejaVuSpeed = INT32_MIN;
    s.charSize = -std::numeric_limits<float>::infinity();
    EXPECT_LT(GetSliderPosition(s, kSliderSpeed), 0);
    EXPECT_EQ(GetSliderPosition(s, kSliderReleaseIntervalLog2), INT32_MAX);
    EXPECT_EQ(GetSliderPosition(s, kSliderReleaseMaxTracers), INT32_MIN);
    EXPECT_LT(GetSliderPosition(s, kSliderDejaVuSpeed), 0);
    EXPECT_EQ(GetSliderPosition(s, kSliderCharSize), INT32_MIN);
    EXPECT_EQ(DensityPosition(s), INT32_MIN);
}

TEST(SettingsRecord, RunTimeOverrides) {
    SettingsRecord s = Defaults();
    s.motionBlurDepth = 8;
    s.charEnglow = 2.5f;
    ApplyPreviewOverrides(s);
    EXPECT_EQ(+s.charEnglow, 1.0f);
    EXPECT_EQ(+s.charBlurLevel, 0);
    EXPECT_EQ(+s.motionBlurDepth, 0);
    EXPECT_EQ(+s.halo, 72);

    s = Defaults();
    ApplyMultiDisplayOverrides(s, 1);
    EXPECT_EQ(+s.textZoomIn, 1);
    ApplyMultiDisplayOverrides(s, 2);
    EXPECT_EQ(+s.textZoomIn, 0);
}

TEST(SliderScales, EndsOfTheScales) {
    SettingsRecord s = Defaults();
    struct Case {
        SliderField field;
        int p;
        double expected;
    };
    const Case cases[] = {
        {kSliderSpeed, 255, 51.2f},          {kSliderSpeed, 0, 0.2f},
        {kSliderColumns, 255, 263},          {kSliderRows, 255, 261},
        {kSliderReleaseIntervalLog2, 0, 0},  {kSliderReleaseIntervalLog2, 255, 7},
        {kSliderReleaseMaxTracers, 0, 1},    {kSliderReleaseMaxTracers, 255, 16},
        {kSliderSplashInterval, 255, 128},   {kSliderSplashMaxTracers, 255, 16},
        {kSliderRotatorsOccurrence, 255, 10}, {kSliderRotatorsOccurrence, 25, 1},
        {kSliderGlowingTracers, 75, 3},      {kSliderSpeedVariability, 24, 0},
        {kSliderStreamLength, 255, 15},      {kSliderPositiveDensity, 255, 100},
        {kSliderNegativeDensity, 20, 7},     {kSliderGlowIntensity, 255, 1.0f},
        {kSliderCharBlurLevel, 255, 8},      {kSliderCharEnglow, 255, 3.0f},
        {kSliderCharSize, 255, 2.0f},        {kSliderCharSize, 0, 0.5f},
        {kSliderMotionBlurDepth, 255, 63},   {kSliderVerticalBlurLevel, 255, 15},
        {kSliderDejaVuSpeed, 255, 12200},    {kSliderDejaVuBars, 255, 259},
        {kSliderBurstSpeed, 255, 27500},     {kSliderBurstBorder, 255, 32},
        {kSliderCrashEffects, 255, 257},     {kSliderSmallBurstsNumber, 255, 65},
        {kSliderSmallBurstsSize, 255, 4.984375f}, {kSliderDropsNumber, 255, 256},
        {kSliderLightningsSpeed, 255, 3050}, {kSliderSupermanSpeed, 255, 13750},
    };
    for (const Case& c : cases) {
        SettingsRecord r = s;
        ASSERT_EQ(SetSliderValue(r, c.field, c.p), 0);
        // Read the value back through the record image to compare either type.
        double v = 0;
        switch (c.field) {
        case kSliderSpeed: v = r.speed; break;
        case kSliderColumns: v = r.columns; break;
        case kSliderRows: v = r.rows; break;
        case kSliderReleaseIntervalLog2: v = r.releaseIntervalLog2; break;
        case kSliderReleaseMaxTracers: v = r.releaseMaxTracers; break;
        case kSliderSplashInterval: v = r.splashInterval; break;
        case kSliderSplashMaxTracers: v = r.splashMaxTracers; break;
        case kSliderRotatorsOccurrence: v = r.rotatorsOccurrence; break;
        case kSliderGlowingTracers: v = r.glowingTracers; break;
        case kSliderSpeedVariability: v = r.speedVariability; break;
        case kSliderStreamLength: v = r.streamLength; break;
        case kSliderPositiveDensity: v = r.positiveDensity; break;
        case kSliderNegativeDensity: v = r.negativeDensity; break;
        case kSliderGlowIntensity: v = r.glowIntensity; break;
        case kSliderCharBlurLevel: v = r.charBlurLevel; break;
        case kSliderCharEnglow: v = r.charEnglow; break;
        case kSliderCharSize: v = r.charSize; break;
        case kSliderMotionBlurDepth: v = r.motionBlurDepth; break;
        case kSliderVerticalBlurLevel: v = r.verticalBlurLevel; break;
        case kSliderDejaVuSpeed: v = r.dejaVuSpeed; break;
        case kSliderDejaVuBars: v = r.dejaVuBars; break;
        case kSliderBurstSpeed: v = r.burstSpeed; break;
        case kSliderBurstBorder: v = r.burstBorder; break;
        case kSliderCrashEffects: v = r.crashEffects; break;
        case kSliderSmallBurstsNumber: v = r.smallBurstsNumber; break;
        case kSliderSmallBurstsSize: v = r.smallBurstsSize; break;
        case kSliderDropsNumber: v = r.dropsNumber; break;
        case kSliderLightningsSpeed: v = r.lightningsSpeed; break;
        case kSliderSupermanSpeed: v = r.supermanSpeed; break;
        default: FAIL() << "case without a reader";
        }
        EXPECT_EQ(v, c.expected) << "field " << c.field << " at position " << c.p;
    }
    EXPECT_EQ(SetSliderValue(s, kSliderFieldCount, 3), -1);
}

TEST(SliderScales, ProducedValuesAreShownOnTheSlider) {
    // Whatever a slider writes, showing the record again puts the slider inside its
    // range and no further from where it was than the scale's rounding allows.
    for (int f = 0; f < kSliderFieldCount; ++f) {
        for (int p = 0; p <= 255; ++p) {
            SettingsRecord s = Defaults();
            SetSliderValue(s, static_cast<SliderField>(f), p);
            const int back = GetSliderPosition(s, static_cast<SliderField>(f));
            EXPECT_GE(back, 0) << "field " << f << " position " << p;
            EXPECT_LE(back, 255) << "field " << f << " position " << p;
            EXPECT_LT(back, p + 34) << "field " << f << " position " << p;
            EXPECT_GT(back, p - 34) << "field " << f << " position " << p;
        }
    }
}

TEST(SliderScales, StoredValuesOutsideTheSliderRange) {
    SettingsRecord s = Defaults();
    s.columns = 400;
    EXPECT_GT(GetSliderPosition(s, kSliderColumns), 255);
    s.dejaVuSpeed = 100;
    EXPECT_LT(GetSliderPosition(s, kSliderDejaVuSpeed), 0);
}

TEST(EasySetup, CharactersNumber) {
    SettingsRecord s = Defaults();
    const int n = CharactersNumberFromPosition(255);
    EXPECT_EQ(n, 15);
    ApplyCharactersNumber(s, n, ScreenAspect(1280, 1024));
    EXPECT_EQ(+s.columns, 170);
    EXPECT_EQ(+s.rows, 85);
    EXPECT_EQ(CharactersNumberPosition(s), 240);

    ApplyCharactersNumber(s, 0, ScreenAspect(0, 0));  // unreadable mode: aspect 1.2
    EXPECT_EQ(+s.columns, 20);
    EXPECT_EQ(+s.rows, 10);  // trunc(20 / 1.908)
    ApplyCharactersNumber(s, 0, 10.0);  // very wide: rows raised to 6
    EXPECT_EQ(+s.rows, 6);
}

TEST(EasySetup, DensityTable) {
    SettingsRecord s = Defaults();
    const int n = DensityFromPosition(100);
    EXPECT_EQ(n, 3);
    ApplyDensity(s, n);
    EXPECT_EQ(+s.releaseIntervalLog2, 1);
    EXPECT_EQ(+s.releaseMaxTracers, 4);
    EXPECT_EQ(+s.streamLength, 1);
    EXPECT_EQ(+s.splashInterval, 10);
    EXPECT_EQ(+s.splashMaxTracers, 4);
    EXPECT_EQ(+s.positiveDensity, 80);
    EXPECT_EQ(+s.negativeDensity, 8);
    EXPECT_EQ(DensityNameId(DensityFromPosition(DensityPosition(Defaults()))), 7123);  // "default"

    ApplyDensity(s, DensityFromPosition(255));
    EXPECT_EQ(+s.releaseMaxTracers, 8);
    EXPECT_EQ(+s.positiveDensity, 100);
    EXPECT_EQ(+s.streamLength, 5);
    ApplyDensity(s, 0);
    EXPECT_EQ(+s.releaseIntervalLog2, 4);
    EXPECT_EQ(+s.releaseMaxTracers, 1);
    EXPECT_EQ(DensityPosition(s), 0);
}

TEST(EasySetup, LowQualityAndBootEffect) {
    SettingsRecord s = Defaults();
    EXPECT_FALSE(IsLowQuality(s));
    ApplyLowQuality(s, true);
    EXPECT_TRUE(IsLowQuality(s));
    EXPECT_EQ(+s.rotatorsPlainFade, 1);
    ApplyLowQuality(s, false);
    EXPECT_EQ(+s.halo, 0);  // clearing does not bring the halo back
    EXPECT_EQ(+s.glowIntensity, 0.75f);
    EXPECT_EQ(+s.plainErasers, 0);
    EXPECT_FALSE(IsLowQuality(s));

    EXPECT_FALSE(IsBootEffect(s));
    ApplyBootEffect(s, true);
    EXPECT_TRUE(IsBootEffect(s));
    s.jumpInStart = 0;
    EXPECT_FALSE(IsBootEffect(s));
    ApplyBootEffect(s, false);
    EXPECT_EQ(+s.consoleStart, 0);
}

TEST(LocalOptionsScales, TextureFilterAndVolume) {
    const int positions[] = {0, 79, 80, 239, 240, 255};
    const int filters[] = {0, 0, 1, 2, 3, 3};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(TextureFilterFromPosition(positions[i]), filters[i]);
    LocalOptionsRecord l{};
    FillDefaultLocalOptions(l);
    EXPECT_EQ(TextureFilterPosition(l), 160);
    EXPECT_EQ(VolumePosition(l), 128);
    EXPECT_EQ(TextureFilterNameId(2), 7733);
    EXPECT_EQ(TextureFilterNameId(7), 7731);
    EXPECT_EQ(TextureFilterNameId(-1), 7731);
}

}  // namespace
