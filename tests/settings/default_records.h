// The default records exactly as a fresh account gets them (unused bytes zero).
#pragma once

#include <cstring>

#include "settings/settings.h"

inline SettingsRecord DefaultSettings() {
    SettingsRecord s;
    std::memset(&s, 0, sizeof s);
    FillDefaultSettings(s);
    return s;
}

inline LocalOptionsRecord DefaultLocalOptions() {
    LocalOptionsRecord l;
    std::memset(&l, 0, sizeof l);
    FillDefaultLocalOptions(l);
    return l;
}
