// The preset commands under Wine with the real registry, message boxes and dialogs.
// Each command runs on a worker thread (which owns its dialogs); the test thread finds
// the dialog or message box, reads it and presses its buttons from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/presetfile.h"
#include "settings/settings.h"
#include "settings/strings.h"
#include "settings/win32/platform_strings.h"
#include "settings/win32/presets.h"
#include "settings/win32/storage.h"
#include "settings/win32/ui_sound.h"
#include "dialog_driver.h"
#include "registry_helpers.h"

namespace {

using namespace dialogtest;
using namespace regtest;

RegValue QueryValue(const char* name) { return regtest::QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, name); }
std::vector<std::pair<std::string, Bytes>> AllValues() { return regtest::AllValues(HKEY_CURRENT_USER, kSettingsKeyPath); }
void PutValue(const char* name, const Bytes& bytes, DWORD type = REG_BINARY) {
    regtest::PutValue(kSettingsKeyPath, name, type, bytes.data(), bytes.size());
}

// The scratch folder as a Windows path (the file dialogs want drive letters).
std::string OutDir() {
    const char* dir = std::getenv("KVS_OUT_DIR");
    std::string path = dir ? dir : ".";
    std::replace(path.begin(), path.end(), '/', '\\');
    char full[MAX_PATH] = {};
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    CreateDirectoryA(full, nullptr);
    return std::string(full) + "\\";
}

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// The preset file image of `record`, its header saying `version` and `declared`.
Bytes PresetImage(const Bytes& record, float version = kProgramVersion, uint32_t declared = 0) {
    if (!declared) declared = static_cast<uint32_t>(record.size());
    Bytes image(kPresetHeaderSize + record.size());
    WritePresetImage(record.data(), static_cast<uint32_t>(record.size()), image.data(), image.size());
    std::memcpy(image.data() + kPresetVersionOffset, &version, 4);
    std::memcpy(image.data() + kPresetSizeOffset, &declared, 4);
    return image;
}

std::string WriteScratchFile(const std::string& name, const Bytes& bytes) {
    const std::string path = OutDir() + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
}

HWND WaitForSaveDialog() { return WaitForWindow(kSavePresetDialogCaption); }
HWND NameEdit(HWND dialog) { return GetDlgItem(dialog, kSavePresetNameEditId); }

struct RecordingSink : PresetListSink {
    std::vector<std::string> names;
    int clears = 0, finishes = 0, finishedCount = -1;
    void Clear() override { ++clears, names.clear(); }
    void Append(const char* name) override { names.push_back(name); }
    void Finish(int count) override { ++finishes, finishedCount = count; }
    std::vector<std::string> Sorted() const {
        std::vector<std::string> s = names;
        std::sort(s.begin(), s.end());
        return s;
    }
};

int g_sounds = 0;
void CountSound(int) { ++g_sounds; }

class Presets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        scr_ = regtest::UseShippedResources();
        SetInterfaceSoundHook(CountSound);
    }
    void SetUp() override {
        ASSERT_NE(scr_, nullptr) << "KVS_SCR must name the screensaver";
        DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
        std::memset(&settings, 0, sizeof settings);
        std::memset(&localOptions, 0, sizeof localOptions);
        LoadSettings();  // a clean account: current settings and the default preset
        g_sounds = 0;
    }
    void TearDown() override { DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor"); }

    static HMODULE scr_;
};
HMODULE Presets::scr_ = nullptr;

TEST_F(Presets, TheListHoldsEveryNamedValue) {
    // A name longer than any the program can make comes first; it must not end the list.
    const std::string overlong(2100, 'L');
    PutValue(overlong.c_str(), Bytes(4, 1));
    PutValue("b", Bytes(716, 2));
    PutValue("a/b", Bytes(10, 3));
    PutValue("text", Bytes{'x', 0}, REG_SZ);
    RecordingSink sink;
    sink.names.push_back("stale");
    EXPECT_EQ(RefreshPresetList(sink), 4);
    EXPECT_EQ(sink.clears, 1);
    EXPECT_EQ(sink.finishes, 1);
    EXPECT_EQ(sink.finishedCount, 4);
    EXPECT_EQ(sink.Sorted(), (std::vector<std::string>{"Default preset", "a/b", "b", "text"}));

    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
    EXPECT_EQ(RefreshPresetList(sink), 0);
    EXPECT_TRUE(sink.names.empty());
    EXPECT_EQ(sink.finishedCount, 0);
}

TEST_F(Presets, ActivationCompletesAShortPresetFromTheDefaultPreset) {
    Bytes defaultPreset = DefaultSettingsImage();
    defaultPreset[700] = 0x77;  // tail bytes that can only come from the stored default preset
    defaultPreset[715] = 0x01;
    PutValue("Default preset", defaultPreset);
    const Bytes shortPreset = PatternRecord(600, 5);
    PutValue("short", shortPreset);
    const auto before = AllValues();
    settings.columns = 42;

    const auto activateShort = [] { return ActivatePreset(nullptr, "short"); };
    EXPECT_EQ(Answered(activateShort, "Preset activated", IDOK), kPresetCommandDone);
    const Bytes live = LiveSettings();
    EXPECT_TRUE(std::equal(shortPreset.begin(), shortPreset.end(), live.begin()));
    EXPECT_TRUE(std::equal(defaultPreset.begin() + 600, defaultPreset.end(), live.begin() + 600));
    EXPECT_EQ(g_sounds, 1);
    EXPECT_EQ(AllValues(), before) << "activation writes nothing";

    // Without a stored default preset the built-in defaults complete it.
    regtest::DeleteValue(HKEY_CURRENT_USER, kSettingsKeyPath, "Default preset");
    EXPECT_EQ(Answered(activateShort, "Preset activated", IDOK), kPresetCommandDone);
    const Bytes defaults = DefaultSettingsImage();
    EXPECT_TRUE(std::equal(defaults.begin() + 600, defaults.end(), LiveSettings().begin() + 600));

    // The validity rule does not apply to presets.
    Bytes zeroSpeed = DefaultSettingsImage();
    std::memset(zeroSpeed.data(), 0, 4);
    PutValue("still", zeroSpeed);
    EXPECT_EQ(Answered([] { return ActivatePreset(nullptr, "still"); }, "Preset activated", IDOK), kPresetCommandDone);
    EXPECT_EQ(LiveSettings(), zeroSpeed);
}

TEST_F(Presets, APresetThatCannotBeReadLeavesTheSettingsAlone) {
    settings.columns = 42;
    const Bytes live = LiveSettings();
    PutValue("too long", Bytes(717, 9));
    PutValue("text", Bytes{'a', 'b', 'c', 0}, REG_SZ);
    for (const char* name : {"missing", "too long", "text"}) {
        Command activate([name] { return ActivatePreset(nullptr, name); });
        EXPECT_EQ(activate.Result(3000), kPresetCommandNotReadable) << name;
        EXPECT_EQ(LiveSettings(), live) << name;
    }
    EXPECT_EQ(ActivatePreset(nullptr, ""), kPresetCommandNoSelection);
    EXPECT_EQ(g_sounds, 0);
}

TEST_F(Presets, SaveAsStoresTheLiveSettingsUnderTheTypedName) {
    settings.columns = 99;
    settings.rows = 33;
    RecordingSink sink;
    Command save([&sink] { return SavePresetAs(nullptr, &sink); });
    const HWND dialog = WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr);

    // An empty name field with the focus, holding names up to the longest a value can have.
    const HWND edit = NameEdit(dialog);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(WindowText(edit), "");
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui));
    EXPECT_EQ(gui.hwndFocus, edit);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 2047);

    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("my look"));
    Press(dialog, IDOK);
    EXPECT_EQ(save.Result(), kImportSaved);
    const RegValue stored = QueryValue("my look");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(stored.bytes, LiveSettings());
    EXPECT_EQ(sink.Sorted(), (std::vector<std::string>{"Default preset", "my look"})) << "the list was refreshed";
    EXPECT_EQ(g_sounds, 1);
}

TEST_F(Presets, DeleteAsksFirst) {
    PutValue("victim", Bytes(716, 4));
    RecordingSink sink;
    const auto remove = [&sink] { return DeletePreset(nullptr, "victim", &sink); };
    EXPECT_EQ(Answered(remove, "Preset 'victim' is about to be removed.", IDCANCEL), kPresetCommandCancelled);
    EXPECT_TRUE(QueryValue("victim").present);
    EXPECT_EQ(sink.finishes, 0);
    EXPECT_EQ(Answered(remove, "Preset 'victim' is about to be removed.", IDOK), kPresetCommandDone);
    EXPECT_FALSE(QueryValue("victim").present);
    EXPECT_EQ(sink.Sorted(), (std::vector<std::string>{"Default preset"}));

    // A name of the longest length is shown whole.
    const std::string longest(2047, 'n');
    PutValue(longest.c_str(), Bytes(716, 4));
    EXPECT_EQ(Answered([&longest] { return DeletePreset(nullptr, longest.c_str(), nullptr); },
                       "Preset '" + longest + "' is about to be removed.", IDOK),
              kPresetCommandDone);
    EXPECT_FALSE(QueryValue(longest.c_str()).present);

    EXPECT_EQ(DeletePreset(nullptr, "", &sink), kPresetCommandNoSelection);
}

// The file's layout is checked natively (presetfile_test.cpp).
TEST_F(Presets, ExportWritesTheStoredPresetAsAFileOfItsSize) {
    PutValue("six", PatternRecord(600, 1));
    const std::string path = OutDir() + "exported.kvs";
    for (const char* name : {"Default preset", "six"}) {
        std::remove(path.c_str());
        EXPECT_EQ(ExportPresetToFile(name, path.c_str()), kPresetCommandDone) << name;
        EXPECT_EQ(ReadWholeFile(path), PresetImage(QueryValue(name).bytes)) << name;
    }
}

TEST_F(Presets, ImportProposesTheFileNameAndStoresTheRecordAsIs) {
    const Bytes record = PatternRecord(716, 21);
    const std::string path = WriteScratchFile("my look.kvs", PresetImage(record));
    settings.columns = 55;
    const Bytes live = LiveSettings();

    Command import([path] { return ImportPresetFile(nullptr, ("\"" + path + "\"").c_str()); });
    const HWND dialog = WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(NameEdit(dialog)), "my look");
    EXPECT_EQ(LiveSettings(), live);
    Press(dialog, IDOK);
    EXPECT_EQ(import.Result(), kImportSaved);
    EXPECT_EQ(QueryValue("my look").bytes, record);
    EXPECT_EQ(LiveSettings(), live) << "an import never changes the live settings";

    // Cancelled in the dialog (unquoted): result 2, nothing stored.
    const auto before = AllValues();
    Command cancelled([path] { return ImportPresetFile(nullptr, path.c_str()); });
    const HWND second = WaitForSaveDialog();
    ASSERT_NE(second, nullptr);
    Press(second, IDCANCEL);
    EXPECT_EQ(cancelled.Result(), kImportCancelled);
    EXPECT_EQ(AllValues(), before);
}

TEST_F(Presets, ImportOfAnOlderOrShorterFileAsksFirst) {
    const std::string version =
        "The Korvan Selwyth Screensaver Preset file format version (0.50) and this screensaver version (0.54) are "
        "different.\n\nThe result of using this version of the preset can be unpredictable, do you want to continue "
        "with import?";
    const std::string size =
        "The Korvan Selwyth Screensaver Preset file has different size than expected.\n\nThe result of using this "
        "version of the preset can be unpredictable, do you want to continue with import?";
    const Bytes full = PatternRecord(716, 2), shorter = PatternRecord(600, 40);
    const struct {
        std::string path, name;
        Bytes record;
        std::vector<std::string> questions;  // in the order asked
    } cases[] = {
        {WriteScratchFile("older.kvs", PresetImage(full, 0.5f)), "older", full, {version}},
        {WriteScratchFile("six hundred.kvs", PresetImage(shorter)), "six hundred", shorter, {size}},
        {WriteScratchFile("both.kvs", PresetImage(shorter, 0.5f)), "both", shorter, {version, size}},
    };
    const Bytes live = LiveSettings();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = AllValues();
        Command refused([&c] { return ImportPresetFile(nullptr, c.path.c_str()); });
        for (size_t i = 0; i < c.questions.size(); ++i) Answer(c.questions[i], i + 1 < c.questions.size() ? IDYES : IDNO);
        EXPECT_EQ(refused.Result(), kImportFailed);
        EXPECT_EQ(AllValues(), before);

        Command accepted([&c] { return ImportPresetFile(nullptr, c.path.c_str()); });
        for (const std::string& question : c.questions) Answer(question, IDYES);
        const HWND dialog = WaitForSaveDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(WindowText(NameEdit(dialog)), c.name);
        Press(dialog, IDOK);
        EXPECT_EQ(accepted.Result(), kImportSaved);
        EXPECT_EQ(QueryValue(c.name.c_str()).bytes, c.record) << "stored with its own size";
    }
    EXPECT_EQ(LiveSettings(), live);
}

// Files that cannot be used are refused with a message before any question, and
// nothing is stored; in particular a file cut short or declaring more than the pending
// buffer holds is refused instead of being stored with bytes that were never read.
TEST_F(Presets, UnusableFilesAreRefused) {
    const std::string invalid =
        "The file you are trying to import is not in valid The Korvan Selwyth Screensaver Preset file.";
    const Bytes record = DefaultSettingsImage();
    Bytes badMagic = PresetImage(record);
    badMagic[0] = 'X';
    const std::string magicPath = WriteScratchFile("bad magic.kvs", badMagic);
    const Bytes shortRecord(record.begin(), record.begin() + 500);
    const std::string cut = WriteScratchFile("cut.kvs", PresetImage(shortRecord, 0.5f, 716));
    const std::string huge = WriteScratchFile("huge.kvs", PresetImage(record, kProgramVersion, 40000));
    const std::string headerOnly = WriteScratchFile("header.kvs", PresetImage({}, kProgramVersion, 716));
    const auto before = AllValues();
    const Bytes live = LiveSettings();

    for (const std::string& path : {magicPath, cut, huge, headerOnly})
        EXPECT_EQ(Answered([path] { return ImportPresetFile(nullptr, path.c_str()); }, invalid, IDOK), kImportFailed) << path;
    const std::string cannotOpen = "Specified file cannot be open. Import cannot proceed.";
    for (const std::string& path : {OutDir() + "not there.kvs", std::string("\"\"")})
        EXPECT_EQ(Answered([path] { return ImportPresetFile(nullptr, path.c_str()); }, cannotOpen, IDOK), kImportFailed) << path;

    EXPECT_EQ(AllValues(), before);
    EXPECT_EQ(LiveSettings(), live);
}

}  // namespace
