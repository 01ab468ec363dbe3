// Registry storage against Wine's real registry: the start-up load with its repairs,
// the record read and write rules and the shell registration of preset files (saving
// is checked by the settings window's test, which saves on closing).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>

#include "settings/settings.h"
#include "settings/strings.h"
#include "settings/win32/platform_strings.h"
#include "settings/win32/storage.h"
#include "dialog_driver.h"
#include "registry_helpers.h"

namespace {

using namespace regtest;

class Storage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        scr_ = dialogtest::LoadShippedScreensaver();
        if (scr_) InstallWin32StringLoader(scr_);
    }
    void SetUp() override {
        ASSERT_NE(scr_, nullptr) << "KVS_SCR must name the screensaver";
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
        ASSERT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
        // A fresh process: both live records zero.
        std::memset(&settings, 0, sizeof settings);
        std::memset(&localOptions, 0, sizeof localOptions);
    }
    void TearDown() override { DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor"); }

    static HMODULE scr_;
};
HMODULE Storage::scr_ = nullptr;

TEST_F(Storage, FirstStartOnACleanAccountWritesEveryDefault) {
    std::memset(&settings, 0x5A, sizeof settings);  // whatever the record held before
    LoadSettings();
    EXPECT_EQ(LiveSettings(), DefaultSettingsImage());
    EXPECT_EQ(LiveLocal(), DefaultLocalImage());
    for (const auto& [path, name, image] : {std::make_tuple(kSettingsKeyPath, "", DefaultSettingsImage()),
                                            std::make_tuple(kSettingsKeyPath, "Default preset", DefaultSettingsImage()),
                                            std::make_tuple(kLocalOptionsKeyPath, "", DefaultLocalImage())}) {
        const RegValue value = QueryValue(HKEY_CURRENT_USER, path, name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_BINARY)) << path << " " << name;
        EXPECT_EQ(value.bytes, image) << path << " " << name;
    }
}

// Each start reads the stored records: as they stand, completed from the defaults
// when shorter (and kept as stored), or replaced by the defaults and written back.
// The default preset is rewritten every time.
TEST_F(Storage, StoredRecordsAreUsedCompletedOrReplaced) {
    const Bytes defaults = DefaultSettingsImage(), localDefaults = DefaultLocalImage();
    const auto completed = [](const Bytes& head, Bytes image) {
        std::copy(head.begin(), head.end(), image.begin());
        return image;
    };
    const auto with = [](Bytes image, size_t at, int32_t value) {  // 0 is also the float 0.0
        std::memcpy(image.data() + at, &value, 4);
        return image;
    };
    const Bytes pattern = PatternRecord(716, 9), shorter = PatternRecord(600, 3), smallest = with(with(pattern, 5, 8), 9, 6);
    Bytes local(101);
    for (size_t i = 0; i < local.size(); ++i) local[i] = static_cast<uint8_t>(200 - i);
    const Bytes shortLocal(40, 0x07);
    const struct {
        const char* what;
        const char* path;
        DWORD type;
        Bytes stored, live, after;
    } cases[] = {
        {"smallest grid", kSettingsKeyPath, REG_BINARY, smallest, smallest, smallest},
        {"600 bytes", kSettingsKeyPath, REG_BINARY, shorter, completed(shorter, defaults), shorter},
        {"speed 0.0", kSettingsKeyPath, REG_BINARY, with(pattern, 0, 0), defaults, defaults},
        {"7 columns", kSettingsKeyPath, REG_BINARY, with(pattern, 5, 7), defaults, defaults},
        {"5 rows", kSettingsKeyPath, REG_BINARY, with(pattern, 9, 5), defaults, defaults},
        {"717 bytes", kSettingsKeyPath, REG_BINARY, PatternRecord(717, 9), defaults, defaults},
        {"not binary", kSettingsKeyPath, REG_NONE, pattern, defaults, defaults},
        {"a string", kSettingsKeyPath, REG_SZ, Bytes{'a', 'b', 0}, defaults, defaults},
        {"local options", kLocalOptionsKeyPath, REG_BINARY, local, local, local},  // no field is range-checked
        {"40 bytes of local options", kLocalOptionsKeyPath, REG_BINARY, shortLocal, completed(shortLocal, localDefaults),
         shortLocal},
        {"102 bytes of local options", kLocalOptionsKeyPath, REG_BINARY, Bytes(102, 7), localDefaults, localDefaults},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
        std::memset(&settings, 0, sizeof settings);
        PutValue(c.path, nullptr, c.type, c.stored.data(), c.stored.size());
        const Bytes damaged(716, 0xEE);
        PutValue(kSettingsKeyPath, "Default preset", REG_BINARY, damaged.data(), damaged.size());
        LoadSettings();
        const bool isLocal = c.path == kLocalOptionsKeyPath;
        EXPECT_EQ(isLocal ? LiveLocal() : LiveSettings(), c.live);
        const RegValue after = QueryValue(HKEY_CURRENT_USER, c.path, nullptr);
        EXPECT_EQ(after.type, static_cast<DWORD>(REG_BINARY));
        EXPECT_EQ(after.bytes, c.after);
        EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "Default preset").bytes, defaults);
    }
}

std::string StringValue(HKEY root, const std::string& path, const char* name) {
    const RegValue v = QueryValue(root, path.c_str(), name);
    if (!v.present || v.type != REG_SZ || v.bytes.empty()) return "<missing>";
    return std::string(reinterpret_cast<const char*>(v.bytes.data()));
}

TEST_F(Storage, ShellRegistrationOfPresetFiles) {
    DeleteKeyTree(HKEY_CLASSES_ROOT, kPresetFileTypeId);
    DeleteKeyTree(HKEY_CLASSES_ROOT, kPresetFileExtensionKey);
    ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kPresetFileTypeId));

    LoadSettings();
    localOptions.registerPresetFiles = 0;
    EXPECT_EQ(RegisterPresetFileType(), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kPresetFileTypeId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kPresetFileExtensionKey));

    localOptions.registerPresetFiles = 1;
    EXPECT_EQ(RegisterPresetFileType(), 1) << "a new association is announced";

    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    const std::string id = kPresetFileTypeId;
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id, nullptr), "The Korvan Selwyth Screensaver - Preset File");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id + "\\DefaultIcon", nullptr), std::string(exe) + ",0");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id + "\\shell\\open", nullptr), "Import preset...");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id + "\\shell\\open\\command", nullptr),
              "\"" + std::string(exe) + "\" -i \"%1\"");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, ".kvs", nullptr), "Pellor.TheKorvanSelwyth.Preset.0");

    // Every later start rewrites the same data and announces nothing.
    EXPECT_EQ(RegisterPresetFileType(), 0);
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id + "\\shell\\open\\command", nullptr),
              "\"" + std::string(exe) + "\" -i \"%1\"");

    // The extension is claimed even when it pointed elsewhere.
    DeleteKeyTree(HKEY_CLASSES_ROOT, kPresetFileExtensionKey);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".kvs", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("other"), 6);
    RegCloseKey(key);
    EXPECT_EQ(RegisterPresetFileType(), 0);
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, ".kvs", nullptr), "Pellor.TheKorvanSelwyth.Preset.0");

    DeleteKeyTree(HKEY_CLASSES_ROOT, kPresetFileTypeId);
    DeleteKeyTree(HKEY_CLASSES_ROOT, kPresetFileExtensionKey);
}

}  // namespace
