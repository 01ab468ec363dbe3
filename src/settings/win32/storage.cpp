#include "settings/win32/storage.h"

#include <cstdio>
#include <cstring>

#include "host/win32/late_dlls.h"
#include "settings/presetfile.h"
#include "settings/settings.h"
#include "settings/strings.h"

namespace {

constexpr uint32_t kDefaultPresetNameId = 3001;
constexpr uint32_t kShellVerbId = 2001;
constexpr uint32_t kFileTypeDescriptionId = 2002;

LONG SetString(HKEY key, const char* valueName, const char* text) {
    return RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1));
}

// Creates `subKey` under `parent` and sets its default value; skipped on failure.
void SetSubKeyDefault(HKEY parent, const char* subKey, const char* text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    SetString(key, nullptr, text);
    RegCloseKey(key);
}

}  // namespace

bool ReadRegistryRecord(const char* valueName, const char* keyPath, void* buffer, int capacity,
                        int* storedSize) {
    if (storedSize) *storedSize = 0;
    if (!keyPath || !buffer || capacity <= 0) return false;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_QUERY_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    // The value goes to a staging area first: the caller's buffer is touched only by a
    // complete REG_BINARY value that fits.
    static_assert(kPresetMaxRecordSize >= kSettingsRecordSize, "staging holds a record");
    BYTE staging[kPresetMaxRecordSize];
    DWORD type = 0;
    DWORD size = sizeof staging;
    const LONG status = RegQueryValueExA(key, valueName, nullptr, &type, staging, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_BINARY || size > static_cast<DWORD>(capacity)) return false;
    if (size) std::memcpy(buffer, staging, size);
    if (storedSize) *storedSize = static_cast<int>(size);
    return true;
}

LONG WriteRegistryRecord(const char* valueName, const char* keyPath, const void* data, int size) {
    if (!keyPath || size < 0 || (size > 0 && !data)) return ERROR_INVALID_PARAMETER;
    HKEY key = nullptr;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = RegSetValueExA(key, valueName, 0, REG_BINARY, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    RegCloseKey(key);
    return status;
}

void LoadSettings() {
    // The default images are the defaults with zero reserved bytes, whatever the live
    // records held before.
    std::memset(&settings, 0, sizeof settings);
    std::memset(&localOptions, 0, sizeof localOptions);
    SetDefaultSettings();
    SettingsRecord defaults;
    LocalOptionsRecord localDefaults;
    std::memcpy(&defaults, &settings, sizeof defaults);
    std::memcpy(&localDefaults, &localOptions, sizeof localDefaults);

    bool settingsRead = ReadRegistryRecord(nullptr, kSettingsKeyPath, &settings, kSettingsRecordSize);
    const bool localRead = ReadRegistryRecord(nullptr, kLocalOptionsKeyPath, &localOptions, kLocalOptionsRecordSize);
    if (settingsRead && !IsSettingsRecordValid(settings)) settingsRead = false;

    const char* defaultPreset = GetString(kDefaultPresetNameId);
    if (!settingsRead) {
        std::memcpy(&settings, &defaults, sizeof settings);
        WriteRegistryRecord(nullptr, kSettingsKeyPath, &defaults, kSettingsRecordSize);
    }
    // An empty name would be the current settings' value; without its string there is
    // no default preset to write.
    if (defaultPreset[0]) WriteRegistryRecord(defaultPreset, kSettingsKeyPath, &defaults, kSettingsRecordSize);

    if (!localRead) {
        std::memcpy(&localOptions, &localDefaults, sizeof localOptions);
        WriteRegistryRecord(nullptr, kLocalOptionsKeyPath, &localDefaults, kLocalOptionsRecordSize);
    }
}

void SaveSettings() {
    WriteRegistryRecord(nullptr, kSettingsKeyPath, &settings, kSettingsRecordSize);
    WriteRegistryRecord(nullptr, kLocalOptionsKeyPath, &localOptions, kLocalOptionsRecordSize);
}

int RegisterPresetFileType() {
    if (!localOptions.registerPresetFiles) return 0;

    char exe[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    char icon[MAX_PATH + 8];
    std::snprintf(icon, sizeof icon, "%s,0", exe);
    char command[MAX_PATH + 16];
    std::snprintf(command, sizeof command, "\"%s\" -i \"%%1\"", exe);
    char description[256];
    std::snprintf(description, sizeof description, "%s - %s", kProductCaption, GetString(kFileTypeDescriptionId));
    const char* verb = GetString(kShellVerbId);

    bool created = false;
    HKEY type = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kPresetFileTypeId, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &type,
                        &disposition) == ERROR_SUCCESS) {
        created = disposition == REG_CREATED_NEW_KEY;
        SetString(type, nullptr, description);
        SetString(type, "InfoTip", description);
        const DWORD editFlags = kPresetFileEditFlags;
        RegSetValueExA(type, "EditFlags", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&editFlags), sizeof editFlags);
        SetSubKeyDefault(type, "CurVer", kPresetFileTypeId);
        SetSubKeyDefault(type, "DefaultIcon", icon);
        HKEY open = nullptr;
        if (RegCreateKeyExA(type, "shell\\open", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &open, nullptr) ==
            ERROR_SUCCESS) {
            SetString(open, nullptr, verb);
            SetSubKeyDefault(open, "command", command);
            RegCloseKey(open);
        }
        RegCloseKey(type);
    }

    HKEY extension = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, kPresetFileExtensionKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &extension, nullptr) == ERROR_SUCCESS) {
        SetString(extension, nullptr, kPresetFileTypeId);
        RegCloseKey(extension);
    }

    if (created) late::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return created ? 1 : 0;
}
