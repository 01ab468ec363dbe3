// Building the display table from an enumeration of display rectangles, with
// the display log, and the geometry every part derives from it. Portable: the
// Win32 layer feeds it the rectangles the system reports.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/display_table.h"

// The display log, appended to at every full-screen start and never truncated.
constexpr const char kDisplayLogName[] = "TheKorvanSelwyth.log";

// desktopRect before the first merge: an empty union that any rectangle replaces.
constexpr int32_t kUnionSentinel = 2000000000;

// displayCount = 0 and desktopRect = the empty union; `logPath` (null: no log)
// receives the lines of every display added.
void BeginDisplayEnumeration(const char* logPath);
// Stores `r` as the next display, logs it, merges it into desktopRect and counts
// it. Returns whether the enumeration may go on (fewer than 16 displays so far).
// A call after the sixteenth display changes nothing and returns false.
bool AddEnumeratedDisplay(const DisplayRect& r);
// Ends the enumeration: false when no display was added (the table then holds
// the fallback of UsePrimaryScreenOnly with a zero size, to be set by the caller).
bool EndDisplayEnumeration();

// The fallback when the displays cannot be enumerated: one display at the origin.
void UsePrimaryScreenOnly(int32_t width, int32_t height);

// The log lines of one display: "display %u: ..." and " - before: ...", then
// " - after: ..." once the rectangle is merged. Return the text's length.
int FormatDisplayLogBefore(char* out, size_t capacity, uint32_t index, const DisplayRect& r,
                           const DisplayRect& before);
int FormatDisplayLogAfter(char* out, size_t capacity, const DisplayRect& after);

// Replaces the table with `count` (1..16) equal displays in a grid of
// ceil(sqrt(count)) columns over `area` (measurements of several displays on
// a machine that has one). Out-of-range counts and empty areas change nothing.
void SplitIntoTestDisplays(const DisplayRect& area, int count);

// Merges `r` into `u` (left and top take the smaller, right and bottom the larger).
void MergeDisplayRect(DisplayRect& u, const DisplayRect& r);

inline int32_t RectWidth(const DisplayRect& r) { return r.right - r.left; }
inline int32_t RectHeight(const DisplayRect& r) { return r.bottom - r.top; }

// Where display i's top-left corner lies in window coordinates (desktop
// coordinates minus desktopRect's top-left corner).
inline int32_t DisplayWindowLeft(int i) { return displayRects[i].left - desktopRect.left; }
inline int32_t DisplayWindowTop(int i) { return displayRects[i].top - desktopRect.top; }
