// Displays under Win32: counting and enumerating them (with the display log),
// the display-mode list and the temporary mode change, and the fade overlay
// that darkens the desktop while the saver starts.
#pragma once

#include <windows.h>

#include "host/display_modes.h"

// Makes the process DPI-aware; call before its first window or display query.
// A DPI-unaware program gets a scaled-down desktop from Windows 8.1 on, and its
// full-screen picture is enlarged and blurred. Tries, by run-time lookup (XP has
// none of them): per-monitor awareness v2 (Windows 10 1703), per-monitor
// awareness (shcore, 8.1), system awareness (Vista). Returns the level reached.
enum DpiAwareness { kDpiUnaware = 0, kDpiSystemAware = 1, kDpiPerMonitorAware = 2, kDpiPerMonitorAwareV2 = 3 };
DpiAwareness DeclareDpiAware();
// The desktop's logical pixels per inch (96 at 100 %) as this process sees it.
int ScreenPixelsPerInch();

// displayCount = number of displays (at most 16); 1 when the system call fails.
void CountDisplays();
// Fills the display table and appends to the display log in the current
// directory; false when the displays cannot be enumerated.
bool EnumerateDisplays();

// Clears the list and fills it from the modes of the current display device.
void BuildDisplayModeList(DisplayModeList& list);
// A temporary (full-screen) switch; bits and hz of 0 keep the current values.
bool ChangeDisplayMode(DisplayModeList& list, int32_t width, int32_t height, int32_t bits, int32_t hz);
// Back to the mode stored in the registry, when the program changed it.
bool RestoreDisplayMode(DisplayModeList& list);
// Restores the mode if still changed, then empties the list.
void DestroyDisplayModeList(DisplayModeList& list);

// Shows the fade overlay over `rect`, runs its nested message loop until the
// desktop is black, and returns the overlay (which stays until the caller
// destroys it), or null when it could not be shown.
HWND RunFadeOverlay(HINSTANCE instance, const RECT& rect);
