#include "ui/colour_menus.h"

#include <cstddef>
#include <cstring>

namespace {

const ColourMenuEntry kEntries[] = {
    {kBaseColourMenu, 31001, 7402, {0.298f, 0.7056f, 0.306f}},
    {kBaseColourMenu, 31002, 8731, {0.094f, 0.906f, 0.337f}},
    {kBaseColourMenu, 31003, 8732, {0.169f, 0.588f, 1.0f}},
    {kBaseColourMenu, 31004, 8733, {0.188f, 0.188f, 0.5f}},
    {kBaseColourMenu, 31005, 8734, {0.5f, 0.0f, 0.0f}},
    {kBaseColourMenu, 31006, 8735, {1.0f, 0.5f, 0.188f}},
    {kAccentColourMenu, 32001, 7402, {0.7f, 0.9f, 1.0f}},
    {kAccentColourMenu, 32002, 8741, {1.0f, 1.0f, 1.0f}},
    {kAccentColourMenu, 32003, 8742, {0.169f, 0.588f, 1.0f}},
};

uint32_t Component(float value) {
    const float scaled = value * 255.0f;
    if (!(scaled > 0.0f)) return 0;  // also NaN
    if (scaled >= 255.0f) return 255;
    return static_cast<uint32_t>(scaled);
}

}  // namespace

int ColourMenuEntryCount() { return static_cast<int>(sizeof kEntries / sizeof kEntries[0]); }

const ColourMenuEntry& GetColourMenuEntry(int index) {
    if (index < 0 || index >= ColourMenuEntryCount()) index = 0;
    return kEntries[index];
}

namespace {
size_t ColourOffset(ColourMenu menu) {
    return menu == kAccentColourMenu ? offsetof(SettingsRecord, accentColor) : offsetof(SettingsRecord, baseColor);
}
}  // namespace

void GetMenuColour(const SettingsRecord& s, ColourMenu menu, float* rgb) {
    std::memcpy(rgb, reinterpret_cast<const char*>(&s) + ColourOffset(menu), 3 * sizeof(float));
}

void SetMenuColour(SettingsRecord& s, ColourMenu menu, const float* rgb) {
    std::memcpy(reinterpret_cast<char*>(&s) + ColourOffset(menu), rgb, 3 * sizeof(float));
}

bool ApplyColourCommand(SettingsRecord& s, int command) {
    for (const ColourMenuEntry& entry : kEntries) {
        if (entry.command != command) continue;
        SetMenuColour(s, static_cast<ColourMenu>(entry.menu), entry.rgb);
        return true;
    }
    return false;
}

int ColourMenuOfCommand(int command) {
    if (command == kBaseCustomColourCommand) return kBaseColourMenu;
    if (command == kAccentCustomColourCommand) return kAccentColourMenu;
    for (const ColourMenuEntry& entry : kEntries)
        if (entry.command == command) return entry.menu;
    return -1;
}

uint32_t ColourToColorref(const float* rgb) {
    return Component(rgb[0]) | (Component(rgb[1]) << 8) | (Component(rgb[2]) << 16);
}

void ColorrefToColour(uint32_t colorref, float* rgb) {
    for (int i = 0; i < 3; ++i) rgb[i] = static_cast<float>((colorref >> (8 * i)) & 0xFF) / 255.0f;
}
