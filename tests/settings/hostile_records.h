// Settings records with every field at one extreme, as a damaged registry value
// or a shared preset file may carry them; for the checks that no stored value
// crashes, hangs or exhausts memory.
#pragma once

#include <cstdint>

#include "settings/settings.h"

struct HostileValues {
    const char* name;
    int32_t i32;   // every i32 field
    float f32;     // every f32 field
    uint8_t u8;    // every flag and byte field
};
extern const HostileValues kHostileValues[];
extern const int kHostileValueCount;

// Every field of each kind set to its value, and the three text lines filled to
// their last byte with no terminator; reserved bytes stay zero. With `keepGrid`
// columns and rows keep their defaults, and so does speed where the value would
// break the validity rule, so that all other fields are used as they are.
SettingsRecord HostileRecord(const HostileValues& values, bool keepGrid);
