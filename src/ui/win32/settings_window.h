// The settings window of configuration mode: nine pages of custom controls
// beside a column of page buttons, two banners, a close button and two companion
// strips that follow the window. Every control writes its field of the live
// records at once; only closing the window stores them (the preset commands
// aside, which write their presets).
#pragma once

#include <windows.h>

constexpr char kSettingsClassName[] = "The Korvan Selwyth - Setup";
constexpr char kStripClassName[] = "The Korvan Selwyth - Strip";

// Registers the window class (and the strips'); start-up calls it with the
// bitmap button's registration.
bool RegisterSettingsWindowClass(HINSTANCE instance);

// Creates the window, centred on the primary display with rounded corners, and
// its strips; shows neither. `resources` is the module that holds the banners and
// the close button's pictures (null: the program itself).
HWND CreateSettingsWindow(HINSTANCE instance, HWND owner, HMODULE resources);

// For the message loop: Tab, arrows, Space, Enter and Escape within the settings
// window (IsDialogMessage). True when the message was handled.
bool HandleSettingsWindowKeys(MSG* message);
