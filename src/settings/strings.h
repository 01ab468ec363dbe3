// String resources: every user-visible text is fetched by id through one
// process-wide cache. A returned pointer stays valid for the whole process.
#pragma once

#include <cstdint>

// The caption of every message box of the program.
constexpr const char kProductCaption[] = "The Korvan Selwyth Screensaver";

// Fills `buffer` (capacity `capacity`, at least 1) with the text of `id`, cut to
// capacity - 1 characters; an unknown id gives an empty string. Returns the length.
typedef int (*StringLoader)(uint32_t id, char* buffer, int capacity);

// Chooses where strings come from. The Win32 host installs a loader that reads the
// module's string table; until then the built-in English table is used.
void SetStringLoader(StringLoader loader);

// The text of `id`, never null; the pointer stays valid for the rest of the process.
// Safe to call from several threads at once.
const char* GetString(uint32_t id);

// The built-in English table (generated from resources/strings/en.txt); null when absent.
const char* FindBuiltinString(uint32_t id);
int LoadBuiltinString(uint32_t id, char* buffer, int capacity);
