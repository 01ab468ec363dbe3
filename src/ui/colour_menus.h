// The two colour menus of the settings window (base colour and glow accent) and
// the conversions between the record's float colours and the colour dialog's
// 0x00BBGGRR values.
#pragma once

#include <cstdint>

#include "settings/settings.h"

enum ColourMenu : uint8_t { kBaseColourMenu, kAccentColourMenu };

struct ColourMenuEntry {
    uint8_t menu;     // ColourMenu
    uint16_t command; // menu command identifier
    uint16_t textId;
    float rgb[3];
};

// "Custom color..." of each menu: the colour dialog chooses.
constexpr uint16_t kBaseCustomColourCommand = 31999;
constexpr uint16_t kAccentCustomColourCommand = 32999;

// The fixed entries of both menus in menu order; "Default" is the first of each.
int ColourMenuEntryCount();
const ColourMenuEntry& GetColourMenuEntry(int index);

// The colour (three floats) a menu writes: read and written by value, as the
// record's fields sit at unaligned offsets.
void GetMenuColour(const SettingsRecord& s, ColourMenu menu, float* rgb);
void SetMenuColour(SettingsRecord& s, ColourMenu menu, const float* rgb);
// Writes the colour of a fixed entry's command; false for any other command.
bool ApplyColourCommand(SettingsRecord& s, int command);
// Which menu a command belongs to (fixed or custom); -1 for none.
int ColourMenuOfCommand(int command);

// Components times 255, each clamped to 0..255 (NaN gives 0), as 0x00BBGGRR.
uint32_t ColourToColorref(const float* rgb);
// Components divided by 255.
void ColorrefToColour(uint32_t colorref, float* rgb);
