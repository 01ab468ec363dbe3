// The settings window's control table, its field bindings and labels, the colour
// menus and the display-mode lists, without a window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <set>
#include <string>

#include "settings/default_records.h"
#include "settings/strings.h"
#include "ui/colour_menus.h"
#include "ui/controls.h"
#include "ui/mode_lists.h"

namespace {

std::string Label(int row, const SettingsRecord& s, const LocalOptionsRecord& l) {
    char out[256];
    FormatControlLabel(GetControlEntry(row), s, l, out, sizeof out);
    return out;
}

bool Overlap(const ControlEntry& a, const ControlEntry& b) {
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

TEST(ControlTable, RowsFitTheirPagesWithoutOverlapAndNameRealStrings) {
    std::set<int> hints;
    for (int i = 0; i < ControlCount(); ++i) {
        const ControlEntry& a = GetControlEntry(i);
        if (a.page != kFrame && a.kind != kControlCombo) {
            EXPECT_GE(a.x, kPageAreaLeft) << "row " << i;
            EXPECT_LE(a.x + a.w, kPageAreaRight) << "row " << i;
            EXPECT_GE(a.y, kPageAreaTop) << "row " << i;
            EXPECT_LE(a.y + a.h, kPageAreaBottom) << "row " << i;
        }
        // Every string a row names exists (8901 is the Czech table's credit line).
        for (uint16_t id : {a.textId, a.hintId, a.extraId}) {
            if (id && id != 8901) {
                EXPECT_STRNE(GetString(id), "") << "row " << i;
            }
        }
        // Hints identify controls; only the three text lines share one.
        if (a.hintId && a.kind != kControlEdit) {
            EXPECT_TRUE(hints.insert(a.hintId).second) << "hint " << a.hintId;
        }
        for (int j = i + 1; j < ControlCount(); ++j) {
            const ControlEntry& b = GetControlEntry(j);
            const bool together = a.page == kFrame || b.page == kFrame ||
                                  (a.page == b.page && (a.group == 0 || b.group == 0 || a.group == b.group));
            if (together && a.kind != kControlCombo && b.kind != kControlCombo) {
                EXPECT_FALSE(Overlap(a, b)) << "rows " << i << " and " << j;
            }
        }
    }
}

TEST(ControlTable, EveryFieldWithAControlIsReached) {
    // Which bytes of each record some row (or a colour menu) can change: every row
    // is driven to both ends from a zero record and from a record of 0xFF bytes.
    std::set<size_t> settingsBytes, localBytes;
    for (int i = 0; i < ControlCount(); ++i) {
        const ControlEntry& entry = GetControlEntry(i);
        for (uint8_t fill : {uint8_t{0}, uint8_t{0xFF}}) {
            for (int value : {0, 1, 255}) {
                SettingsRecord s;
                LocalOptionsRecord l;
                std::memset(&s, fill, sizeof s);
                std::memset(&l, fill, sizeof l);
                const SettingsRecord s0 = s;
                const LocalOptionsRecord l0 = l;
                EasySetupMemory memory{-1, -1};
                ApplyControlValue(entry, value, s, l, memory, 1.25);
                if (entry.binding == kBindTextLine) StoreTextLine(TextLineField(s, entry), "x");
                for (size_t b = 0; b < sizeof s; ++b)
                    if (reinterpret_cast<uint8_t*>(&s)[b] != reinterpret_cast<const uint8_t*>(&s0)[b]) settingsBytes.insert(b);
                for (size_t b = 0; b < sizeof l; ++b)
                    if (reinterpret_cast<uint8_t*>(&l)[b] != reinterpret_cast<const uint8_t*>(&l0)[b]) localBytes.insert(b);
            }
        }
    }
    for (size_t b = offsetof(SettingsRecord, baseColor); b < offsetof(SettingsRecord, glowingTracers); ++b)
        settingsBytes.insert(b);
    for (size_t b = offsetof(SettingsRecord, accentColor); b < offsetof(SettingsRecord, textZoomIn); ++b)
        settingsBytes.insert(b);
    // Fields without a control: reserved bytes, pauseRarity and crashStable.
    const std::set<size_t> reserved = {4, 13, 14, 15, 16, 54, 492, 493, 494, 495, 496, 508, 509, 510, 511, 679, 682, 683};
    for (size_t b = 0; b < sizeof(SettingsRecord); ++b) {
        const bool unused = reserved.count(b) || (b >= 513 && b < 577) ||
                            (b >= offsetof(SettingsRecord, pauseRarity) && b < offsetof(SettingsRecord, pauseRarity) + 4);
        // A text line changes only the bytes its text reaches.
        const bool text = b >= offsetof(SettingsRecord, textLine1) && b < offsetof(SettingsRecord, textDoubleSpeedOut);
        if (unused) {
            EXPECT_FALSE(settingsBytes.count(b)) << "settings byte " << b << " is changed";
        } else if (!text) {
            EXPECT_TRUE(settingsBytes.count(b)) << "settings byte " << b << " has no control";
        }
    }
    // The local options' flags, volume and filter; the mode, the custom colours and
    // the three fields without a control are set elsewhere or not at all.
    for (size_t b = 0; b < offsetof(LocalOptionsRecord, customColors); ++b) EXPECT_TRUE(localBytes.count(b)) << b;
    EXPECT_TRUE(localBytes.count(offsetof(LocalOptionsRecord, textureFilter)));
    EXPECT_TRUE(localBytes.count(offsetof(LocalOptionsRecord, anisotropic)));
    EXPECT_TRUE(localBytes.count(offsetof(LocalOptionsRecord, alwaysOnTop)));
    EXPECT_TRUE(localBytes.count(offsetof(LocalOptionsRecord, fadeOut)));
    EXPECT_FALSE(localBytes.count(offsetof(LocalOptionsRecord, registerPresetFiles)));
    EXPECT_FALSE(localBytes.count(offsetof(LocalOptionsRecord, feedbackFlag)));
}

TEST(ControlTable, LabelsReadTheFormattedValues) {
    SettingsRecord s = DefaultSettings();
    LocalOptionsRecord l = DefaultLocalOptions();
    EXPECT_EQ(Label(FindControlByText(kControlLabel, 7102), s, l), "Characters number (80 \xD7 40): ");
    EXPECT_EQ(Label(FindControlByText(kControlLabel, 7103), s, l), "Density: default");
    EXPECT_EQ(Label(FindControlByText(kControlLabel, 6105), s, l), "Length: 4000");
    EXPECT_EQ(Label(FindControlByText(kControlLabel, 7729), s, l), "Texture filter: Bilinear");
    EXPECT_EQ(Label(FindControlByText(kControlLabel, 7801), s, l), "Version " KVS_VERSION_TEXT);  // the VERSION file
    EXPECT_EQ(Label(FindControlByText(kControlLabel, 6209), s, l), "51 screens");
    s.dejaVuInterval = 255;
    EXPECT_EQ(Label(FindControlByText(kControlLabel, 6104), s, l), "Interval: 0 = only D key.");
    l.textureFilter = 9;
    EXPECT_EQ(Label(FindControlByText(kControlLabel, 7729), s, l), "Texture filter: Nearest");
}

TEST(ControlTable, EasySetupStepsApplyOncePerStep) {
    SettingsRecord s = DefaultSettings();
    LocalOptionsRecord l = DefaultLocalOptions();
    EasySetupMemory memory;
    ResetEasySetupMemory(memory, s);
    const ControlEntry& characters = GetControlEntry(FindControlByHint(7152));
    s.columns = 77;  // within the step the slider shows: moving inside it changes nothing
    ResetEasySetupMemory(memory, s);
    EXPECT_FALSE(ApplyControlValue(characters, 80 + 15, s, l, memory, 1.25));
    EXPECT_EQ(+s.columns, 77);
    EXPECT_TRUE(ApplyControlValue(characters, 255, s, l, memory, 1.25));
    EXPECT_EQ(+s.columns, 170);
    EXPECT_EQ(+s.rows, 85);
    const ControlEntry& density = GetControlEntry(FindControlByHint(7153));
    EXPECT_TRUE(ApplyControlValue(density, 0, s, l, memory, 1.25));
    EXPECT_EQ(+s.releaseIntervalLog2, 4);
    EXPECT_EQ(ControlValue(density, s, l), 0);
}

TEST(ControlTable, TextLinesHoldAtMost127CharactersAndATerminator) {
    SettingsRecord s = DefaultSettings();
    const ControlEntry& line = GetControlEntry(FindControlByText(kControlLabel, 7505) + 1);
    ASSERT_EQ(line.binding, kBindTextLine);
    char* field = TextLineField(s, line);
    std::memset(field, 'Q', 128);  // stored without a terminator
    char shown[200];
    TextLineForEdit(field, shown, sizeof shown);
    EXPECT_EQ(std::string(shown), std::string(127, 'Q'));
    EXPECT_FALSE(StoreTextLine(field, shown)) << "showing a line must not rewrite it";
    EXPECT_EQ(field[127], 'Q');

    const std::string pasted = std::string("A\tB\x01") + std::string(300, 'z');
    EXPECT_TRUE(StoreTextLine(field, pasted.c_str()));
    EXPECT_EQ(std::string(field), "A B " + std::string(123, 'z'));
    EXPECT_EQ(field[127], '\0');
    std::memset(field + 3, 'R', 125);
    EXPECT_TRUE(StoreTextLine(field, "hi"));
    EXPECT_EQ(std::string(field, 4), std::string("hi\0R", 4)) << "bytes after the terminator are kept";
}

TEST(ColourMenus, CommandsAndConversions) {
    SettingsRecord s = DefaultSettings();
    EXPECT_TRUE(ApplyColourCommand(s, 31003));
    EXPECT_FLOAT_EQ(s.baseColor[0], 0.169f);
    EXPECT_FLOAT_EQ(s.baseColor[2], 1.0f);
    EXPECT_TRUE(ApplyColourCommand(s, 32002));
    EXPECT_FLOAT_EQ(s.accentColor[1], 1.0f);
    EXPECT_FALSE(ApplyColourCommand(s, kBaseCustomColourCommand));
    EXPECT_EQ(ColourMenuOfCommand(kAccentCustomColourCommand), kAccentColourMenu);
    EXPECT_EQ(ColourMenuOfCommand(31001), kBaseColourMenu);
    EXPECT_EQ(ColourMenuOfCommand(33000), -1);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float hostile[3] = {nan, inf, -inf};
    EXPECT_EQ(ColourToColorref(hostile), 0x0000FF00u);
    const float defaults[3] = {0.298f, 0.7056f, 0.306f};
    EXPECT_EQ(ColourToColorref(defaults), 0x004EB34Bu);  // trunc(75.99), trunc(179.93), trunc(78.03)
    float back[3];
    ColorrefToColour(0x00FF8000u, back);
    EXPECT_FLOAT_EQ(back[0], 0.0f);
    EXPECT_FLOAT_EQ(back[1], 128.0f / 255);
    EXPECT_FLOAT_EQ(back[2], 1.0f);
}

TEST(ControlTable, HostileRecordsGiveBoundedValuesAndLabels) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const int32_t ints[] = {0, -1, INT32_MIN, INT32_MAX, 1000000};
    for (int32_t v : ints) {
        for (float f : {nan, std::numeric_limits<float>::infinity(), -1e30f, 3e38f}) {
            SettingsRecord s;
            LocalOptionsRecord l;
            // Every 4-byte group holds the integer, then the floats are overwritten.
            for (size_t o = 0; o + 4 <= sizeof s; o += 4) std::memcpy(reinterpret_cast<char*>(&s) + o, &v, 4);
            std::memset(reinterpret_cast<char*>(&s) + sizeof s - 4, 0x7F, 4);
            for (size_t o = 0; o + 4 <= sizeof l; o += 4) std::memcpy(reinterpret_cast<char*>(&l) + o, &v, 4);
            FillDefaultLocalOptions(l);
            std::memcpy(reinterpret_cast<char*>(&l) + offsetof(LocalOptionsRecord, textureFilter), &v, 4);
            std::memcpy(reinterpret_cast<char*>(&l) + offsetof(LocalOptionsRecord, volume), &v, 4);
            for (float* p : {&s.speed, &s.charEnglow, &s.glowIntensity, &s.charSize, &s.smallBurstsSize,
                             &s.radialDiffuse})
                std::memcpy(p, &f, 4);
            for (int i = 0; i < ControlCount(); ++i) {
                const int value = ControlValue(GetControlEntry(i), s, l);
                EXPECT_GE(value, -1);
                EXPECT_LE(value, 255);
                char out[256];
                EXPECT_LT(FormatControlLabel(GetControlEntry(i), s, l, out, sizeof out), 256);
            }
        }
    }
}

TEST(ModeLists, ResolutionThenDepthThenRate) {
    DisplayModeList modes;
    ClearDisplayModeList(modes);
    for (int bits : {16, 32})
        for (unsigned hz : {60u, 75u}) AddDisplayMode(modes, 1024, 768, bits, hz);
    AddDisplayMode(modes, 800, 600, 32, 60);
    LocalOptionsRecord l = DefaultLocalOptions();  // desktop resolution, 32 bits, 60 Hz
    char text[64];
    EXPECT_EQ(ModeItemCount(modes, l, kResolutionList), 3);
    EXPECT_EQ(SelectedModeItem(modes, l, kResolutionList), 0);
    FormatModeItem(modes, l, kResolutionList, 1, text, sizeof text);
    EXPECT_STREQ(text, "1024 \xD7 768");
    EXPECT_EQ(ModeItemCount(modes, l, kDepthList), 1);  // only "Default" for the desktop

    ApplyModeItem(modes, l, kResolutionList, 1);
    EXPECT_EQ(ModeItemCount(modes, l, kDepthList), 3);
    EXPECT_EQ(SelectedModeItem(modes, l, kDepthList), 2);  // 32 bits is kept
    ApplyModeItem(modes, l, kDepthList, 1);
    EXPECT_EQ(+l.screenBits, 16);
    EXPECT_EQ(ModeItemCount(modes, l, kRateList), 3);
    FormatModeItem(modes, l, kRateList, 2, text, sizeof text);
    EXPECT_STREQ(text, "75 Hz");
    ApplyModeItem(modes, l, kRateList, 0);
    EXPECT_EQ(+l.screenHz, 0);
    ApplyModeItem(modes, l, kResolutionList, 0);
    EXPECT_EQ(+l.screenWidth, 0);
    EXPECT_EQ(+l.screenHeight, 0);
    FormatModeItem(modes, l, kResolutionList, 0, text, sizeof text);
    EXPECT_STREQ(text, "Use desktop resolution");
}

}  // namespace
