#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "settings/default_records.h"
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

TEST(SettingsRecord, DefaultImageByteForByte) {
    SettingsRecord s = DefaultSettings();
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

    EXPECT_EQ(0, std::memcmp(image.data() + 107, "THE KORVAN SELWYTH\0", 19));
    EXPECT_EQ(0, std::memcmp(image.data() + 235, "SCREENSAVER \0", 13));
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
    SettingsRecord s = DefaultSettings();
    EXPECT_TRUE(IsSettingsRecordValid(s));
    s.speed = 0.0f;
    EXPECT_FALSE(IsSettingsRecordValid(s));
    s = DefaultSettings();
    s.columns = 7;
    EXPECT_FALSE(IsSettingsRecordValid(s));
    s = DefaultSettings();
    s.rows = 5;
    EXPECT_FALSE(IsSettingsRecordValid(s));
    s = DefaultSettings();
    s.columns = 8;
    s.rows = 6;
    EXPECT_TRUE(IsSettingsRecordValid(s));
    s.columns = kMaxColumns;
    s.rows = kMaxRows;
    EXPECT_TRUE(IsSettingsRecordValid(s));
    for (int32_t columns : {264, INT32_MAX}) {
        s = DefaultSettings();
        s.columns = columns;
        EXPECT_FALSE(IsSettingsRecordValid(s)) << columns;
    }
    for (int32_t rows : {262, 1000000}) {
        s = DefaultSettings();
        s.rows = rows;
        EXPECT_FALSE(IsSettingsRecordValid(s)) << rows;
    }
    for (float speed : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::quiet_NaN()}) {
        s = DefaultSettings();
        s.speed = speed;
        EXPECT_FALSE(IsSettingsRecordValid(s)) << speed;
    }
    // Only those tests: odd but stored values are used as they are.
    s = DefaultSettings();
    s.halo = 255;
    s.dejaVuInterval = 255;
    s.speed = -3.0f;
    EXPECT_TRUE(IsSettingsRecordValid(s));
}

TEST(SliderScales, StoredExtremesFallOffTheScale) {
    SettingsRecord s = DefaultSettings();
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
    s = DefaultSettings();
    s.columns = 400;
    EXPECT_GT(GetSliderPosition(s, kSliderColumns), 255);
    s.dejaVuSpeed = 100;
    EXPECT_LT(GetSliderPosition(s, kSliderDejaVuSpeed), 0);
}

TEST(SettingsRecord, RunTimeOverrides) {
    SettingsRecord s = DefaultSettings();
    s.motionBlurDepth = 8;
    s.charEnglow = 2.5f;
    ApplyPreviewOverrides(s);
    EXPECT_EQ(+s.charEnglow, 1.0f);
    EXPECT_EQ(+s.charBlurLevel, 0);
    EXPECT_EQ(+s.motionBlurDepth, 0);
    EXPECT_EQ(+s.halo, 72);

    s = DefaultSettings();
    ApplyMultiDisplayOverrides(s, 1);
    EXPECT_EQ(+s.textZoomIn, 1);
    ApplyMultiDisplayOverrides(s, 2);
    EXPECT_EQ(+s.textZoomIn, 0);
}

TEST(SliderScales, EndsOfTheScales) {
    // Each case reads its field back as a double, whatever its type.
#define AT(field, p, member, value) {field, p, value, [](const SettingsRecord& r) -> double { return r.member; }}
    const struct {
        SliderField field;
        int p;
        double expected;
        double (*read)(const SettingsRecord&);
    } cases[] = {
        AT(kSliderSpeed, 255, speed, 51.2f), AT(kSliderSpeed, 0, speed, 0.2f),
        AT(kSliderColumns, 255, columns, 263), AT(kSliderRows, 255, rows, 261),
        AT(kSliderReleaseIntervalLog2, 0, releaseIntervalLog2, 0), AT(kSliderReleaseIntervalLog2, 255, releaseIntervalLog2, 7),
        AT(kSliderReleaseMaxTracers, 0, releaseMaxTracers, 1), AT(kSliderReleaseMaxTracers, 255, releaseMaxTracers, 16),
        AT(kSliderSplashInterval, 255, splashInterval, 128), AT(kSliderSplashMaxTracers, 255, splashMaxTracers, 16),
        AT(kSliderRotatorsOccurrence, 255, rotatorsOccurrence, 10), AT(kSliderRotatorsOccurrence, 25, rotatorsOccurrence, 1),
        AT(kSliderGlowingTracers, 75, glowingTracers, 3), AT(kSliderSpeedVariability, 24, speedVariability, 0),
        AT(kSliderStreamLength, 255, streamLength, 15), AT(kSliderPositiveDensity, 255, positiveDensity, 100),
        AT(kSliderNegativeDensity, 20, negativeDensity, 7), AT(kSliderGlowIntensity, 255, glowIntensity, 1.0f),
        AT(kSliderCharBlurLevel, 255, charBlurLevel, 8), AT(kSliderCharEnglow, 255, charEnglow, 3.0f),
        AT(kSliderCharSize, 255, charSize, 2.0f), AT(kSliderCharSize, 0, charSize, 0.5f),
        AT(kSliderMotionBlurDepth, 255, motionBlurDepth, 63), AT(kSliderVerticalBlurLevel, 255, verticalBlurLevel, 15),
        AT(kSliderDejaVuSpeed, 255, dejaVuSpeed, 12200), AT(kSliderDejaVuBars, 255, dejaVuBars, 259),
        AT(kSliderBurstSpeed, 255, burstSpeed, 27500), AT(kSliderBurstBorder, 255, burstBorder, 32),
        AT(kSliderCrashEffects, 255, crashEffects, 257), AT(kSliderSmallBurstsNumber, 255, smallBurstsNumber, 65),
        AT(kSliderSmallBurstsSize, 255, smallBurstsSize, 4.984375f), AT(kSliderDropsNumber, 255, dropsNumber, 256),
        AT(kSliderLightningsSpeed, 255, lightningsSpeed, 3050), AT(kSliderSupermanSpeed, 255, supermanSpeed, 13750),
    };
#undef AT
    SettingsRecord s = DefaultSettings();
    for (const auto& c : cases) {
        SettingsRecord r = s;
        ASSERT_EQ(SetSliderValue(r, c.field, c.p), 0);
        EXPECT_EQ(c.read(r), c.expected) << "field " << c.field << " at position " << c.p;
    }
    EXPECT_EQ(SetSliderValue(s, kSliderFieldCount, 3), -1);
}

TEST(SliderScales, ProducedValuesAreShownOnTheSlider) {
    // Whatever a slider writes, showing the record again puts the slider inside its
    // range and no further from where it was than the scale's rounding allows.
    for (int f = 0; f < kSliderFieldCount; ++f) {
        for (int p = 0; p <= 255; ++p) {
            SettingsRecord s = DefaultSettings();
            SetSliderValue(s, static_cast<SliderField>(f), p);
            const int back = GetSliderPosition(s, static_cast<SliderField>(f));
            EXPECT_GE(back, 0) << "field " << f << " position " << p;
            EXPECT_LE(back, 255) << "field " << f << " position " << p;
            EXPECT_LT(back, p + 34) << "field " << f << " position " << p;
            EXPECT_GT(back, p - 34) << "field " << f << " position " << p;
        }
    }
}

TEST(EasySetup, CharactersNumber) {
    SettingsRecord s = DefaultSettings();
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
    SettingsRecord s = DefaultSettings();
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
    EXPECT_EQ(DensityNameId(DensityFromPosition(DensityPosition(DefaultSettings()))), 7123);  // "default"

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
    SettingsRecord s = DefaultSettings();
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
