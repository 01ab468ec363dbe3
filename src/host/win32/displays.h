// Displays under Win32: counting and enumerating them (with the display log),
// the display-mode list and the temporary mode change, and the fade overlay
// that darkens the desktop while the saver starts.
#pragma once

#include <windows.h>

#include "host/display_modes.h"

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
