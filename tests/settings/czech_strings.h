// The Czech string table as the build generates it: Windows-1250 bytes, the text
// LoadStringA returns on a Czech system. Tests compare it with the neutral table.
#pragma once

#include <cstdint>

struct CzechString {
    uint32_t id;
    const char* text;
};

inline constexpr CzechString kCzechStrings[] = {
#include "strings_cs_table.inc"
};

// Null when the Czech table has no entry for `id`.
inline const char* FindCzechString(uint32_t id) {
    for (const CzechString& entry : kCzechStrings) {
        if (entry.id == id) return entry.text;
    }
    return nullptr;
}
