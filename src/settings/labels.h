// Texts of the settings window's value labels, formatted from the string table.
#pragma once

#include <cstdint>

#include "settings/settings.h"

// printf into `out` (capacity `capacity`), cut to capacity - 1 characters; the
// length written (0 for a failed format).
int FormatText(char* out, int capacity, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Ordinal suffix rules.
enum OrdinalRule {
    kOrdinalRelease,  // 0 "st", 1 "nd", otherwise "th"
    kOrdinalCount,    // 1 "st", 2 "nd", 3 "rd", otherwise "th"
    kOrdinalLevel,    // 0 none, otherwise as kOrdinalCount
};
const char* OrdinalSuffix(int value, OrdinalRule rule);

// Unit of an interval of value v (v + 1 screens): strings 8711..8715.
const char* IntervalUnit(int value);

// Formats an interval label from the format string `formatId` ("Interval: %d %s"
// or "%d %s"): v + 1 and its unit below 255; for 255, 0 and the key-only string
// `keyOnlyId` (0 when the field has no key-only value).
int FormatIntervalLabel(char* out, int capacity, uint32_t formatId, int value, uint32_t keyOnlyId);

// Formats the value label `labelId` (7301..7308, 7408, 7409, 7411, 7416, 7701..7703,
// 7708, 6309) from the record. Returns the length, or -1 for a label this does not know.
int FormatSettingsLabel(char* out, int capacity, uint32_t labelId, const SettingsRecord& s);
