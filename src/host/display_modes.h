// The list of display modes the settings window offers: resolutions in the
// order the system first reports them, each with its colour depths, each depth
// with its refresh rates (repeats kept, nothing sorted). Fixed capacities; modes
// beyond them are dropped. Portable: the Win32 layer feeds the system's modes in
// and performs the changes.
#pragma once

#include <cstdint>

constexpr int kMaxResolutions = 128;
constexpr int kMaxDepthsPerResolution = 8;
constexpr int kMaxRatesPerDepth = 32;

struct DisplayDepthEntry {
    int32_t bits;
    int32_t rateCount;
    uint32_t rates[kMaxRatesPerDepth];
};

struct DisplayResolutionEntry {
    int32_t width;
    int32_t height;
    int32_t depthCount;
    DisplayDepthEntry depths[kMaxDepthsPerResolution];
};

struct DisplayModeList {
    bool changed;  // the program switched the display mode and has not restored it
    int32_t count;
    DisplayResolutionEntry resolutions[kMaxResolutions];
};

// The process's list (built at start-up, read by the settings window).
extern DisplayModeList displayModes;

// Empties the list (the changed flag is cleared too).
void ClearDisplayModeList(DisplayModeList& list);
// Files one mode the system reported. Modes of fewer than 15 bits per pixel or
// with a zero refresh rate are skipped. Returns false when it was skipped or did
// not fit.
bool AddDisplayMode(DisplayModeList& list, int32_t width, int32_t height, int32_t bits, uint32_t hz);

// The index-th resolution; false outside 0..count-1.
bool GetResolution(const DisplayModeList& list, int32_t index, int32_t* width, int32_t* height);
// Bits per pixel of the index-th depth of width x height, or 0.
int32_t GetDepth(const DisplayModeList& list, int32_t index, int32_t width, int32_t height);
// The index-th refresh rate of that resolution and depth, or 0.
uint32_t GetRefreshRate(const DisplayModeList& list, int32_t index, int32_t width, int32_t height, int32_t bits);
// Numbers of depths of a resolution and of rates of a depth (0 when absent).
int32_t GetDepthCount(const DisplayModeList& list, int32_t width, int32_t height);
int32_t GetRefreshRateCount(const DisplayModeList& list, int32_t width, int32_t height, int32_t bits);

// Whether start-up switches the display mode: only one display in use and both
// the width and the height of the chosen mode set.
bool WantsDisplayModeChange(int32_t displaysInUse, int32_t screenWidth, int32_t screenHeight);
