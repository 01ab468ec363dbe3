// Start-up and the command-line modes of the screensaver: the common start-up,
// the window classes, the full-screen, preview, configuration and import modes,
// the shared message loop and the exit sequence.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr char kSaverClassName[] = "The Korvan Selwyth Screensaver";
constexpr char kPreviewClassName[] = "Preview";

// Process-wide state of the host (main thread only).
extern uint32_t startTick;     // tick count at start-up; the mouse grace period counts from it
extern HINSTANCE appInstance;  // the instance given to the entry point
extern HWND saverWindow;       // the full-screen or preview window, else null
extern HWND settingsWindow;    // the configuration window, else null
extern HWND fadeOverlay;       // the fade overlay while it exists

// Registers the saver, preview and settings window classes (and the bitmap
// button class); false as soon as one of the three window classes fails.
bool RegisterWindowClasses();

// The whole program: start-up, the mode of `commandLine`, the exit sequence.
// Returns the process exit code.
int RunScreensaver(HINSTANCE instance, const char* commandLine);
