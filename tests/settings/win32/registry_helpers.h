// Registry and record helpers shared by the storage and preset tests under Wine.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "settings/default_records.h"
#include "settings/settings.h"
#include "settings/win32/platform_strings.h"
#include "settings/win32/presets.h"

namespace regtest {

using Bytes = std::vector<uint8_t>;

struct RegValue {
    bool present = false;
    DWORD type = 0;
    Bytes bytes;
};

inline RegValue QueryValue(HKEY root, const char* path, const char* name) {
    RegValue v;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.bytes.resize(size);
        v.present = RegQueryValueExA(key, name, nullptr, &v.type, v.bytes.data(), &size) == ERROR_SUCCESS;
        v.bytes.resize(size);
    }
    RegCloseKey(key);
    return v;
}

// Every value of a key, name and content, sorted by name.
inline std::vector<std::pair<std::string, Bytes>> AllValues(HKEY root, const char* path) {
    std::vector<std::pair<std::string, Bytes>> out;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return out;
    for (DWORD i = 0;; ++i) {
        char name[20000];
        DWORD length = sizeof name;
        BYTE data[40000];
        DWORD size = sizeof data;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, data, &size) != ERROR_SUCCESS) break;
        out.emplace_back(name, Bytes(data, data + size));
    }
    RegCloseKey(key);
    std::sort(out.begin(), out.end());
    return out;
}

inline bool KeyExists(HKEY root, const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

inline void DeleteKeyTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
    char name[512];
    for (;;) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        DeleteKeyTree(root, path + "\\" + name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, path.c_str());
}

// Writes a value under HKEY_CURRENT_USER\path, creating the key.
inline void PutValue(const char* path, const char* name, DWORD type, const void* data, size_t size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

inline void DeleteValue(HKEY root, const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// A record image that differs from the defaults almost everywhere, valid where
// it is long enough to hold speed, columns and rows.
inline Bytes PatternRecord(size_t size, uint8_t seed) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(seed + i * 13);
    const float speed = 5.0f;
    const int32_t columns = 100, rows = 50;
    if (size >= 13) {
        std::memcpy(b.data() + 0, &speed, 4);
        std::memcpy(b.data() + 5, &columns, 4);
        std::memcpy(b.data() + 9, &rows, 4);
    }
    return b;
}

inline Bytes ImageOf(const void* record, size_t size) {
    const uint8_t* p = static_cast<const uint8_t*>(record);
    return Bytes(p, p + size);
}

using ::DefaultLocalOptions;
using ::DefaultSettings;

inline Bytes DefaultSettingsImage() {
    const SettingsRecord s = DefaultSettings();
    return ImageOf(&s, sizeof s);
}

inline Bytes DefaultLocalImage() {
    const LocalOptionsRecord l = DefaultLocalOptions();
    return ImageOf(&l, sizeof l);
}

// The shipped screensaver (KVS_SCR) as the resource module of the test program:
// its strings and its dialogs. Null when KVS_SCR is not set or cannot be loaded.
inline HMODULE UseShippedResources() {
    const char* path = std::getenv("KVS_SCR");
    HMODULE module =
        path ? LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE) : nullptr;
    if (module) {
        InstallWin32StringLoader(module);
        SetPresetResourceModule(module);
    }
    return module;
}

inline Bytes LiveSettings() { return ImageOf(&settings, sizeof settings); }
inline Bytes LiveLocal() { return ImageOf(&localOptions, sizeof localOptions); }

}  // namespace regtest
