// The settings window's state, shared by its units: the window procedure
// (settings_window.cpp), the pages and their controls (settings_pages.cpp), the
// colour menus and mode lists (settings_choices.cpp) and the strips (strips.cpp).
// One window exists at a time; WM_CREATE resets the state and WM_DESTROY clears it
// (a plain record: zero is its empty state).
#pragma once

#include <windows.h>

#include "ui/controls.h"

constexpr int kMaxControls = 256;
constexpr int kLabelCapacity = 256;

struct SettingsWindowState {
    HWND window;
    HINSTANCE instance;
    HMODULE resources;
    HWND controls[kMaxControls];  // by table row
    HWND tooltip;
    HWND strips[2];               // left, right
    HMENU colourMenus[2];         // base colour, glow accent
    HFONT font;                   // the default GUI font at its 96 pixels-per-inch size
    HFONT linkFont;               // the same, underlined
    HFONT ownFont;                // the font when the window made its own (null: the stock GUI font)
    HBRUSH fieldBrush;            // background of the mode lists
    int page;                     // 0..8
    int group;                    // 1..6, kept while other pages are shown
    EasySetupMemory easy;
    HBITMAP closePictures[3];
    char labels[kMaxControls][kLabelCapacity];  // what each label shows
};

extern SettingsWindowState settingsState;

// ---- settings_pages.cpp ------------------------------------------------------------
// Creates every row's window (hidden), the tooltips and the fonts.
bool CreateControls(SettingsWindowState& state);
// Shows the controls of `page` (and of effect group `group` on its page), hides
// the others and lights the chosen buttons.
void ShowPage(SettingsWindowState& state, int page, int group);
// Sets every slider, check box and edit from the records, except row `exceptRow`
// (the control the user is moving), then the labels.
void RefreshControls(SettingsWindowState& state, int exceptRow);
// Formats every label and sets those whose text changed.
void UpdateLabels(SettingsWindowState& state);
// The preset list: refilled from the registry; the selected name (empty for none).
void RefreshPresets(SettingsWindowState& state);
void SelectedPreset(const SettingsWindowState& state, char* name, int capacity);
class PresetListSink;
PresetListSink& PresetSink(SettingsWindowState& state);

// ---- settings_choices.cpp ----------------------------------------------------------
void BuildColourMenus(SettingsWindowState& state);
void DestroyColourMenus(SettingsWindowState& state);
// The colour button of `row` was pressed: its menu opens under it.
void ShowColourMenu(SettingsWindowState& state, int row);
// A menu command; false when `command` is none of the colour menus'.
bool HandleColourCommand(SettingsWindowState& state, int command);
void DrawColourButton(const DRAWITEMSTRUCT& item);
// The three display-mode lists: filled when the window is created, and after a change.
void FillModeLists(SettingsWindowState& state);
void HandleModeListChange(SettingsWindowState& state, int row);

// ---- strips.cpp --------------------------------------------------------------------
bool RegisterStripClass(HINSTANCE instance);
void CreateStrips(SettingsWindowState& state);
// Places the strips 50 pixels outside each edge of the window, same top.
void PlaceStrips(SettingsWindowState& state);
void ShowStrips(SettingsWindowState& state, bool show);
