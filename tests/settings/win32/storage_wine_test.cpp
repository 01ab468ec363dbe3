// Registry storage against Wine's real registry: the start-up load with its repairs,
// the record read and write rules, saving, and the shell registration of preset files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "settings/strings.h"
#include "settings/win32/platform_strings.h"
#include "settings/win32/storage.h"
#include "registry_helpers.h"

namespace {

using namespace regtest;

// A valid record image that differs from the defaults almost everywhere.
Bytes PatternRecord(size_t size, uint8_t seed) {
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

class Storage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* path = std::getenv("KVS_SCR");
        scr_ = path ? LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)
                    : nullptr;
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

    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, kLocalOptionsKeyPath));
    const RegValue current = QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, nullptr);
    const RegValue preset = QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "Default preset");
    const RegValue local = QueryValue(HKEY_CURRENT_USER, kLocalOptionsKeyPath, nullptr);
    ASSERT_TRUE(current.present);
    ASSERT_TRUE(preset.present);
    ASSERT_TRUE(local.present);
    EXPECT_EQ(current.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(preset.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(local.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(current.bytes, DefaultSettingsImage());
    EXPECT_EQ(preset.bytes, DefaultSettingsImage());
    EXPECT_EQ(local.bytes, DefaultLocalImage());
    EXPECT_EQ(local.bytes.size(), 101u);
}

TEST_F(Storage, AShorterStoredRecordIsCompletedFromTheDefaultsAndKeptAsStored) {
    const Bytes stored = PatternRecord(600, 3);
    PutValue(kSettingsKeyPath, nullptr, REG_BINARY, stored.data(), stored.size());
    const Bytes oldPreset(716, 0xEE);  // a damaged default preset is rewritten
    PutValue(kSettingsKeyPath, "Default preset", REG_BINARY, oldPreset.data(), oldPreset.size());

    LoadSettings();
    const Bytes live = LiveSettings();
    const Bytes defaults = DefaultSettingsImage();
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), live.begin()));
    EXPECT_TRUE(std::equal(defaults.begin() + 600, defaults.end(), live.begin() + 600));
    EXPECT_EQ(+settings.columns, 100);

    const RegValue current = QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, nullptr);
    EXPECT_EQ(current.bytes, stored) << "the stored current value stays 600 bytes";
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "Default preset").bytes, defaults);
}

TEST_F(Storage, BrokenCurrentRecordsAreReplacedByTheDefaults) {
    struct Case {
        const char* what;
        Bytes bytes;
        DWORD type;
    };
    Bytes zeroSpeed = PatternRecord(716, 9);
    const float zero = 0.0f;
    std::memcpy(zeroSpeed.data(), &zero, 4);
    Bytes sevenColumns = PatternRecord(716, 9);
    const int32_t seven = 7, five = 5;
    std::memcpy(sevenColumns.data() + 5, &seven, 4);
    Bytes fiveRows = PatternRecord(716, 9);
    std::memcpy(fiveRows.data() + 9, &five, 4);
    const Bytes longer = PatternRecord(717, 9);
    const Bytes text = PatternRecord(716, 9);
    const Case cases[] = {
        {"speed 0.0", zeroSpeed, REG_BINARY},
        {"7 columns", sevenColumns, REG_BINARY},
        {"5 rows", fiveRows, REG_BINARY},
        {"717 bytes", longer, REG_BINARY},
        {"not binary", text, REG_NONE},
        {"a string", Bytes{'a', 'b', 0}, REG_SZ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
        std::memset(&settings, 0, sizeof settings);
        PutValue(kSettingsKeyPath, nullptr, c.type, c.bytes.data(), c.bytes.size());
        LoadSettings();
        EXPECT_EQ(LiveSettings(), DefaultSettingsImage());
        const RegValue current = QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, nullptr);
        EXPECT_EQ(current.type, static_cast<DWORD>(REG_BINARY));
        EXPECT_EQ(current.bytes, DefaultSettingsImage());
        EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "Default preset").bytes, DefaultSettingsImage());
    }

    // The smallest grid the rule accepts is used as stored.
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
    Bytes smallest = PatternRecord(716, 9);
    const int32_t eight = 8, six = 6;
    std::memcpy(smallest.data() + 5, &eight, 4);
    std::memcpy(smallest.data() + 9, &six, 4);
    PutValue(kSettingsKeyPath, nullptr, REG_BINARY, smallest.data(), smallest.size());
    LoadSettings();
    EXPECT_EQ(LiveSettings(), smallest);
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, nullptr).bytes, smallest);
}

TEST_F(Storage, LocalOptionsAreReadAsStoredOrRepaired) {
    Bytes local(101);
    for (size_t i = 0; i < local.size(); ++i) local[i] = static_cast<uint8_t>(200 - i);
    PutValue(kLocalOptionsKeyPath, nullptr, REG_BINARY, local.data(), local.size());
    LoadSettings();
    EXPECT_EQ(LiveLocal(), local) << "no field is range-checked";
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kLocalOptionsKeyPath, nullptr).bytes, local);

    // A shorter one fills its length; the rest keeps the defaults; nothing is rewritten.
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
    const Bytes shortLocal(40, 0x07);
    PutValue(kLocalOptionsKeyPath, nullptr, REG_BINARY, shortLocal.data(), shortLocal.size());
    LoadSettings();
    const Bytes live = LiveLocal();
    const Bytes defaults = DefaultLocalImage();
    EXPECT_TRUE(std::equal(shortLocal.begin(), shortLocal.end(), live.begin()));
    EXPECT_TRUE(std::equal(defaults.begin() + 40, defaults.end(), live.begin() + 40));
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kLocalOptionsKeyPath, nullptr).bytes, shortLocal);

    // A longer one is replaced by the defaults and written back.
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
    const Bytes longLocal(102, 0x07);
    PutValue(kLocalOptionsKeyPath, nullptr, REG_BINARY, longLocal.data(), longLocal.size());
    LoadSettings();
    EXPECT_EQ(LiveLocal(), defaults);
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kLocalOptionsKeyPath, nullptr).bytes, defaults);
}

TEST_F(Storage, SaveSettingsWritesBothLiveRecords) {
    LoadSettings();
    settings.columns = 123;
    settings.textLine3[0] = 'Z';
    localOptions.volume = 17;
    SaveSettings();
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, nullptr).bytes, LiveSettings());
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kLocalOptionsKeyPath, nullptr).bytes, LiveLocal());
    // The default preset is not touched by saving.
    EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "Default preset").bytes, DefaultSettingsImage());

    // The next start reads what was saved.
    std::memset(&settings, 0, sizeof settings);
    std::memset(&localOptions, 0, sizeof localOptions);
    LoadSettings();
    EXPECT_EQ(+settings.columns, 123);
    EXPECT_EQ(settings.textLine3[0], 'Z');
    EXPECT_EQ(+localOptions.volume, 17);
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
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id, "InfoTip"), "The Korvan Selwyth Screensaver - Preset File");
    const RegValue flags = QueryValue(HKEY_CLASSES_ROOT, id.c_str(), "EditFlags");
    ASSERT_TRUE(flags.present);
    EXPECT_EQ(flags.type, static_cast<DWORD>(REG_DWORD));
    ASSERT_EQ(flags.bytes.size(), 4u);
    DWORD editFlags = 0;
    std::memcpy(&editFlags, flags.bytes.data(), 4);
    EXPECT_EQ(editFlags, 0x00100304u);
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id + "\\CurVer", nullptr), "Pellor.TheKorvanSelwyth.Preset.0");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id + "\\DefaultIcon", nullptr), std::string(exe) + ",0");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id + "\\shell\\open", nullptr), "Import preset...");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, id + "\\shell\\open\\command", nullptr),
              "\"" + std::string(exe) + "\" -i \"%1\"");
    const RegValue extension = QueryValue(HKEY_CLASSES_ROOT, ".kvs", nullptr);
    EXPECT_EQ(extension.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(extension.bytes.size(), 33u);
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
