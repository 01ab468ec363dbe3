// Registry storage of the two records and the shell registration of preset files.
//
// Under HKEY_CURRENT_USER\Software\Pellor\The Korvan Selwyth Screensaver the default
// value holds the current settings record, every other value a preset (the default
// preset under string 3001); the default value of its "Global" subkey holds the local
// options record. All of them are REG_BINARY record images.
#pragma once

#include <windows.h>

constexpr char kSettingsKeyPath[] = "Software\\Pellor\\The Korvan Selwyth Screensaver";
constexpr char kLocalOptionsKeyPath[] = "Software\\Pellor\\The Korvan Selwyth Screensaver\\Global";
constexpr char kPresetFileTypeId[] = "Pellor.TheKorvanSelwyth.Preset.0";
constexpr char kPresetFileExtensionKey[] = ".kvs";
constexpr DWORD kPresetFileEditFlags = 0x00100304;

// Reads the REG_BINARY value `valueName` (null or "" for the default value) of the key
// `keyPath` under HKEY_CURRENT_USER, creating the key when it is missing. A value
// shorter than `capacity` fills only its own length and leaves the rest of `buffer`
// as it was; a longer value, or one of another type, is not read and leaves the
// whole buffer alone (values above kPresetMaxRecordSize bytes are never read).
// Returns whether the value was read; `storedSize` (optional)
// receives the number of bytes read (0 when nothing was).
bool ReadRegistryRecord(const char* valueName, const char* keyPath, void* buffer, int capacity,
                        int* storedSize = nullptr);

// Opens or creates `keyPath` under HKEY_CURRENT_USER and writes `size` bytes as a
// REG_BINARY value. Returns the system's error code (ERROR_SUCCESS on success).
LONG WriteRegistryRecord(const char* valueName, const char* keyPath, const void* data, int size);

// Start-up load: defaults, then the stored records, with the validity rule and the
// repairs (a missing, unreadable, longer or invalid current record is replaced by the
// defaults and written back; the default preset is rewritten every time; missing
// local options are replaced by their defaults and written back).
void LoadSettings();

// Writes the live settings and local options records as the two default values.
void SaveSettings();

// Registers the preset file type under HKEY_CLASSES_ROOT when
// localOptions.registerPresetFiles is set; errors are ignored. Returns 1 when the file
// type key was newly created (the shell was told about the new association), else 0.
int RegisterPresetFileType();
