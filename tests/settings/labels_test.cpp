#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/default_records.h"
#include "settings/labels.h"
#include "settings/settings.h"

namespace {

std::string Label(uint32_t id, const SettingsRecord& s) {
    char out[256];
    EXPECT_GE(FormatSettingsLabel(out, sizeof out, id, s), 0) << id;
    return out;
}

TEST(Labels, OrdinalSuffixRules) {
    std::string all;
    for (int v : {0, 1, 2}) all += std::string(OrdinalSuffix(v, kOrdinalRelease)) + " ";
    for (int v : {1, 2, 3, 11}) all += std::string(OrdinalSuffix(v, kOrdinalCount)) + " ";
    for (int v : {0, 3}) all += std::string(OrdinalSuffix(v, kOrdinalLevel)) + " ";
    EXPECT_EQ(all, "st nd th st nd rd th  rd ");
}

TEST(Labels, ValuesShownFromTheDefaults) {
    const SettingsRecord s = DefaultSettings();
    EXPECT_EQ(Label(7301, s), "Speed: 20.0  ");
    EXPECT_EQ(Label(7302, s), "Collumns: 80, Rows: 40");
    EXPECT_EQ(Label(7303, s), "Every 2nd tick, up to 4 tracers can be released.");
    EXPECT_EQ(Label(7304, s),
              "Splash can occur every 10th release and up to 12 tracers can be released when this event happends.");
    EXPECT_EQ(Label(7305, s), "Rotators occurance: 20% ");
    EXPECT_EQ(Label(7306, s), "Length of streams: up to 60 characters, average: 40 characters.");
    EXPECT_EQ(Label(7408, s), "Glowing tracers: 100%, tracer's glow intensity: 50%");
    EXPECT_EQ(Label(7409, s), "Character-based blur: 1st level, Characters englow: 1.000");
    EXPECT_EQ(Label(7416, s), "Characters size: 97%");
    EXPECT_EQ(Label(7701, s), "Motion blur depth: 0 frames");
    EXPECT_EQ(Label(7702, s), "Vertical layered blur: 0 level");
    EXPECT_EQ(Label(7703, s), "Halo effect: 0.75");
    EXPECT_EQ(Label(7708, s), "Radial diffuse: 0.30");
    EXPECT_EQ(Label(6309, s), "Sizes: 1/3.00");
}

TEST(Labels, StoredExtremesShowHeldNumbers) {
    SettingsRecord s = DefaultSettings();
    s.rotatorsOccurrence = INT32_MAX;
    s.charSize = 1e30f;
    s.releaseMaxTracers = INT32_MIN;
    s.splashMaxTracers = 2;
    EXPECT_EQ(Label(7305, s), "Rotators occurance: 2147483647% ");
    EXPECT_EQ(Label(7416, s), "Characters size: 2147483647%");
    EXPECT_NE(Label(7304, s).find("up to -2147483648 tracers"), std::string::npos);
    char out[64];
    FormatIntervalLabel(out, sizeof out, 7506, INT32_MAX, 0);
    EXPECT_EQ(std::string(out), "Interval: 2147483647 screens");
}

TEST(Labels, SuffixesFollowTheirValues) {
    SettingsRecord s = DefaultSettings();
    s.releaseIntervalLog2 = 0;
    s.releaseMaxTracers = 1;
    EXPECT_EQ(Label(7303, s), "Every 1st tick, up to 1 tracers can be released.");
    s.releaseIntervalLog2 = 7;
    EXPECT_EQ(Label(7303, s), "Every 128th tick, up to 1 tracers can be released.");
    s.charBlurLevel = 2;
    s.charEnglow = 3.0f;
    EXPECT_EQ(Label(7409, s), "Character-based blur: 2nd level, Characters englow: 3.000");
    s.verticalBlurLevel = 3;
    EXPECT_EQ(Label(7702, s), "Vertical layered blur: 3rd level");
    s.halo = 255;
    EXPECT_EQ(Label(7703, s), "Halo effect: 2.66");
}

TEST(Labels, IntervalLabels) {
    char out[128];
    FormatIntervalLabel(out, sizeof out, 7506, 0, 0);
    EXPECT_STREQ(out, "Interval: 1 screen");
    FormatIntervalLabel(out, sizeof out, 7506, 15, 0);
    EXPECT_STREQ(out, "Interval: 16 screens");
    // 255 is an ordinary value where there is no key-only meaning.
    FormatIntervalLabel(out, sizeof out, 7506, 255, 0);
    EXPECT_STREQ(out, "Interval: 256 screens");
    // Deja vu's key-only value.
    const int n = FormatIntervalLabel(out, sizeof out, 7506, 255, 6131);
    EXPECT_STREQ(out, "Interval: 0 = only D key.");
    EXPECT_EQ(n, static_cast<int>(std::strlen(out)));
}

TEST(Labels, UnknownLabelAndTinyBuffers) {
    const SettingsRecord s = DefaultSettings();
    char out[8] = "xxxxxxx";
    EXPECT_EQ(FormatSettingsLabel(out, sizeof out, 1234, s), -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(FormatSettingsLabel(out, sizeof out, 7302, s), 7);
    EXPECT_STREQ(out, "Collumn");
}

}  // namespace
