// The preset commands under Wine with the real registry, message boxes and dialogs.
// Each command runs on a worker thread (which owns its dialogs); the test thread finds
// the dialog or message box, reads it and presses its buttons from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// ---- registry -----------------------------------------------------------------

RegValue QueryValue(const char* name) { return regtest::QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, name); }

// Every value of the settings key, name and content, sorted by name.
std::vector<std::pair<std::string, Bytes>> AllValues() {
    std::vector<std::pair<std::string, Bytes>> out;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return out;
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

void PutValue(const char* name, DWORD type, const void* data, size_t size) {
    regtest::PutValue(kSettingsKeyPath, name, type, data, size);
}

void DeleteValue(const char* name) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, name), ERROR_SUCCESS);
    RegCloseKey(key);
}

void PutBinary(const char* name, const Bytes& bytes) { PutValue(name, REG_BINARY, bytes.data(), bytes.size()); }

// ---- records and files ------------------------------------------------------------

Bytes PatternRecord(size_t size, uint8_t seed) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(seed + i * 11);
    return b;
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
    Bytes out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
    std::fclose(f);
    return out;
}


// Writes a preset file whose header says `version` and `declared` and which carries `record`.
std::string WriteRawPresetFile(const std::string& name, const Bytes& record, float version, uint32_t declared) {
    Bytes image(kPresetHeaderSize + record.size());
    WritePresetImage(record.data(), static_cast<uint32_t>(record.size()), image.data(), image.size());
    std::memcpy(image.data() + kPresetVersionOffset, &version, 4);
    std::memcpy(image.data() + kPresetSizeOffset, &declared, 4);
    const std::string path = OutDir() + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr) << path;
    if (f) {
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }
    return path;
}

std::string WritePresetFileFor(const std::string& name, const Bytes& record) {
    return WriteRawPresetFile(name, record, kProgramVersion, static_cast<uint32_t>(record.size()));
}

// ---- dialog 101 ------------------------------------------------------------------

HWND WaitForSaveDialog() { return WaitForWindow(kSavePresetDialogCaption); }

HWND NameEdit(HWND dialog) { return GetDlgItem(dialog, kSavePresetNameEditId); }

void TypeName(HWND dialog, const char* name) {
    SendMessageA(NameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
}

// ---- the list sink ------------------------------------------------------------

struct RecordingSink : PresetListSink {
    std::vector<std::string> names;
    int clears = 0;
    int finishes = 0;
    int finishedCount = -1;
    void Clear() override {
        ++clears;
        names.clear();
    }
    void Append(const char* name) override { names.push_back(name); }
    void Finish(int count) override {
        ++finishes;
        finishedCount = count;
    }
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

// ---- list -----------------------------------------------------------------------

TEST_F(Presets, TheListHoldsEveryNamedValue) {
    // A name longer than any the program can make comes first; it must not end the list.
    const std::string overlong(2100, 'L');
    PutBinary(overlong.c_str(), Bytes(4, 1));
    PutBinary("b", Bytes(716, 2));
    PutBinary("a/b", Bytes(10, 3));
    PutValue("text", REG_SZ, "x", 2);
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

// ---- activate -------------------------------------------------------------------

TEST_F(Presets, ActivationCompletesAShortPresetFromTheDefaultPreset) {
    Bytes defaultPreset = DefaultSettingsImage();
    defaultPreset[700] = 0x77;  // tail bytes that can only come from the stored default preset
    defaultPreset[715] = 0x01;
    PutBinary("Default preset", defaultPreset);
    const Bytes shortPreset = PatternRecord(600, 5);
    PutBinary("short", shortPreset);
    const auto before = AllValues();
    settings.columns = 42;

    Command activate([] { return ActivatePreset(nullptr, "short"); });
    Answer("Preset activated", IDOK);
    EXPECT_EQ(activate.Result(), kPresetCommandDone);
    const Bytes live = LiveSettings();
    EXPECT_TRUE(std::equal(shortPreset.begin(), shortPreset.end(), live.begin()));
    EXPECT_TRUE(std::equal(defaultPreset.begin() + 600, defaultPreset.end(), live.begin() + 600));
    EXPECT_EQ(g_sounds, 1);
    EXPECT_EQ(AllValues(), before) << "activation writes nothing";

    // Without a stored default preset the built-in defaults complete it.
    DeleteValue("Default preset");
    Command again([] { return ActivatePreset(nullptr, "short"); });
    Answer("Preset activated", IDOK);
    EXPECT_EQ(again.Result(), kPresetCommandDone);
    const Bytes defaults = DefaultSettingsImage();
    EXPECT_TRUE(std::equal(defaults.begin() + 600, defaults.end(), LiveSettings().begin() + 600));

    // The validity rule does not apply to presets.
    Bytes zeroSpeed = DefaultSettingsImage();
    std::memset(zeroSpeed.data(), 0, 4);
    PutBinary("still", zeroSpeed);
    Command still([] { return ActivatePreset(nullptr, "still"); });
    Answer("Preset activated", IDOK);
    EXPECT_EQ(still.Result(), kPresetCommandDone);
    EXPECT_EQ(LiveSettings(), zeroSpeed);
}

TEST_F(Presets, APresetThatCannotBeReadLeavesTheSettingsAlone) {
    settings.columns = 42;
    const Bytes live = LiveSettings();
    PutBinary("too long", Bytes(717, 9));
    PutValue("text", REG_SZ, "abc", 4);
    for (const char* name : {"missing", "too long", "text"}) {
        Command activate([name] { return ActivatePreset(nullptr, name); });
        EXPECT_EQ(activate.Result(3000), kPresetCommandNotReadable) << name;
        EXPECT_EQ(LiveSettings(), live) << name;
    }
    EXPECT_EQ(ActivatePreset(nullptr, ""), kPresetCommandNoSelection);
    EXPECT_EQ(g_sounds, 0);
}

// ---- dialog 101 as shipped -----------------------------------------------------------

// Reads a DIALOG (not DIALOGEX) template.
struct TemplateReader {
    const uint8_t* p;
    uint16_t Word() {
        uint16_t v;
        std::memcpy(&v, p, 2);
        p += 2;
        return v;
    }
    uint32_t Dword() {
        uint32_t v;
        std::memcpy(&v, p, 4);
        p += 4;
        return v;
    }
    int16_t Short() { return static_cast<int16_t>(Word()); }
    // A string or an ordinal (0xFFFF followed by the number, returned as "#n").
    std::string StringOrOrdinal() {
        uint16_t first = Word();
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        std::string out;
        for (; first; first = Word()) out += static_cast<char>(first);
        return out;
    }
    void AlignDword(const uint8_t* base) {
        while ((p - base) % 4) ++p;
    }
};

struct TemplateItem {
    uint32_t style;
    int16_t x, y, cx, cy;
    uint16_t id;
    std::string cls, text;
};

// ---- save as ----------------------------------------------------------------------

TEST_F(Presets, SaveAsStoresTheLiveSettingsUnderTheTypedName) {
    settings.columns = 99;
    settings.rows = 33;
    RecordingSink sink;
    Command save([&sink] { return SavePresetAs(nullptr, &sink); });
    const HWND dialog = WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr);

    // The dialog as laid out: label, edit with the focus, default button "Save".
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kSavePresetLabelId)), "Preset name:");
    const HWND edit = NameEdit(dialog);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(WindowText(edit), "");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), "Save");
    EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDOK), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui));
    EXPECT_EQ(gui.hwndFocus, edit);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 2047);

    TypeName(dialog, "my look");
    Press(dialog, IDOK);
    EXPECT_EQ(save.Result(), kImportSaved);
    const RegValue stored = QueryValue("my look");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(stored.bytes, LiveSettings());
    EXPECT_EQ(sink.Sorted(), (std::vector<std::string>{"Default preset", "my look"})) << "the list was refreshed";
    EXPECT_EQ(g_sounds, 1);
}

// ---- delete -------------------------------------------------------------------------

TEST_F(Presets, DeleteAsksFirst) {
    PutBinary("victim", Bytes(716, 4));
    RecordingSink sink;
    Command keep([&sink] { return DeletePreset(nullptr, "victim", &sink); });
    Answer("Preset 'victim' is about to be removed.", IDCANCEL);
    EXPECT_EQ(keep.Result(), kPresetCommandCancelled);
    EXPECT_TRUE(QueryValue("victim").present);
    EXPECT_EQ(sink.finishes, 0);

    Command remove([&sink] { return DeletePreset(nullptr, "victim", &sink); });
    Answer("Preset 'victim' is about to be removed.", IDOK);
    EXPECT_EQ(remove.Result(), kPresetCommandDone);
    EXPECT_FALSE(QueryValue("victim").present);
    EXPECT_EQ(sink.Sorted(), (std::vector<std::string>{"Default preset"}));

    // A name of the longest length is shown whole.
    const std::string longest(2047, 'n');
    PutBinary(longest.c_str(), Bytes(716, 4));
    Command removeLong([&longest] { return DeletePreset(nullptr, longest.c_str(), nullptr); });
    Answer("Preset '" + longest + "' is about to be removed.", IDOK);
    EXPECT_EQ(removeLong.Result(), kPresetCommandDone);
    EXPECT_FALSE(QueryValue(longest.c_str()).present);

    EXPECT_EQ(DeletePreset(nullptr, "", &sink), kPresetCommandNoSelection);
}

// ---- export ---------------------------------------------------------------------------

TEST_F(Presets, ExportOfTheDefaultPresetIsA770ByteFile) {
    const std::string path = OutDir() + "default.kvs";
    std::remove(path.c_str());
    EXPECT_EQ(ExportPresetToFile("Default preset", path.c_str()), kPresetCommandDone);
    const Bytes file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), 770u);
    EXPECT_EQ(0, std::memcmp(file.data(), "The Korvan Selwyth Screensaver Preset\0", 38));
    const uint8_t header[16] = {0x71, 0x3D, 0x0A, 0x3F, 0xCC, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(file.data() + 38, header, sizeof header));
    EXPECT_EQ(Bytes(file.begin() + 54, file.end()), DefaultSettingsImage());

    // A shorter preset keeps its size.
    const Bytes six = PatternRecord(600, 1);
    PutBinary("six", six);
    EXPECT_EQ(ExportPresetToFile("six", path.c_str()), kPresetCommandDone);
    const Bytes sixFile = ReadWholeFile(path);
    ASSERT_EQ(sixFile.size(), 654u);
    EXPECT_EQ(sixFile[42], 0x58);  // 600
    EXPECT_EQ(sixFile[43], 0x02);
    EXPECT_EQ(Bytes(sixFile.begin() + 54, sixFile.end()), six);
}

// The file name field of the system's file dialogs (the combo box of the explorer
// style, or the plain edit).
// ---- import ---------------------------------------------------------------------------

TEST_F(Presets, ImportProposesTheFileNameAndStoresTheRecordAsIs) {
    const Bytes record = PatternRecord(716, 21);
    const std::string path = WritePresetFileFor("my look.kvs", record);
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

    // Unquoted, renamed in the dialog.
    Command renamed([path] { return ImportPresetFile(nullptr, path.c_str()); });
    const HWND second = WaitForSaveDialog();
    ASSERT_NE(second, nullptr);
    TypeName(second, "renamed");
    Press(second, IDOK);
    EXPECT_EQ(renamed.Result(), kImportSaved);
    EXPECT_EQ(QueryValue("renamed").bytes, record);

    // Cancelled in the dialog: result 2, nothing stored.
    const auto before = AllValues();
    Command cancelled([path] { return ImportPresetFile(nullptr, path.c_str()); });
    const HWND third = WaitForSaveDialog();
    ASSERT_NE(third, nullptr);
    Press(third, IDCANCEL);
    EXPECT_EQ(cancelled.Result(), kImportCancelled);
    EXPECT_EQ(AllValues(), before);
}

TEST_F(Presets, ImportOfAnOlderVersionAsksFirst) {
    const Bytes record = PatternRecord(716, 2);
    const std::string path = WriteRawPresetFile("older.kvs", record, 0.5f, 716);
    const std::string question =
        "The Korvan Selwyth Screensaver Preset file format version (0.50) and this screensaver version (0.54) are "
        "different.\n\nThe result of using this version of the preset can be unpredictable, do you want to continue "
        "with import?";
    const auto before = AllValues();
    const Bytes live = LiveSettings();

    Command refused([path] { return ImportPresetFile(nullptr, path.c_str()); });
    Answer(question, IDNO);
    EXPECT_EQ(refused.Result(), kImportFailed);
    EXPECT_EQ(AllValues(), before);
    EXPECT_EQ(LiveSettings(), live);

    Command accepted([path] { return ImportPresetFile(nullptr, path.c_str()); });
    Answer(question, IDYES);
    const HWND dialog = WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(NameEdit(dialog)), "older");
    Press(dialog, IDOK);
    EXPECT_EQ(accepted.Result(), kImportSaved);
    EXPECT_EQ(QueryValue("older").bytes, record);
}

TEST_F(Presets, ImportOfAShorterRecordKeepsItsSizeAndActivatesCompleted) {
    const Bytes record = PatternRecord(600, 40);
    const std::string path = WritePresetFileFor("six hundred.kvs", record);
    const std::string question =
        "The Korvan Selwyth Screensaver Preset file has different size than expected.\n\nThe result of using this "
        "version of the preset can be unpredictable, do you want to continue with import?";

    Command refused([path] { return ImportPresetFile(nullptr, path.c_str()); });
    Answer(question, IDNO);
    EXPECT_EQ(refused.Result(), kImportFailed);
    EXPECT_FALSE(QueryValue("six hundred").present);

    Command import([path] { return ImportPresetFile(nullptr, path.c_str()); });
    Answer(question, IDYES);
    const HWND dialog = WaitForSaveDialog();
    ASSERT_NE(dialog, nullptr);
    Press(dialog, IDOK);
    EXPECT_EQ(import.Result(), kImportSaved);
    EXPECT_EQ(QueryValue("six hundred").bytes, record);

    Command activate([] { return ActivatePreset(nullptr, "six hundred"); });
    Answer("Preset activated", IDOK);
    EXPECT_EQ(activate.Result(), kPresetCommandDone);
    const Bytes defaults = DefaultSettingsImage();
    const Bytes live = LiveSettings();
    EXPECT_TRUE(std::equal(record.begin(), record.end(), live.begin()));
    EXPECT_TRUE(std::equal(defaults.begin() + 600, defaults.end(), live.begin() + 600));

    // Both questions, version first.
    const std::string both = WriteRawPresetFile("both.kvs", record, 0.5f, 600);
    Command twice([both] { return ImportPresetFile(nullptr, both.c_str()); });
    {
        const Box first = WaitForMessageBox();
        ASSERT_NE(first.window, nullptr);
        EXPECT_NE(first.text.find("(0.50)"), std::string::npos) << first.text;
        Press(first.window, IDYES);
    }
    Answer(question, IDNO);
    EXPECT_EQ(twice.Result(), kImportFailed);
    EXPECT_FALSE(QueryValue("both").present);
}

// Files that cannot be used are refused with a message before any question, and
// nothing is stored; in particular a file cut short or declaring more than the pending
// buffer holds is refused instead of being stored with bytes that were never read.
TEST_F(Presets, UnusableFilesAreRefused) {
    const std::string invalid =
        "The file you are trying to import is not in valid The Korvan Selwyth Screensaver Preset file.";
    const Bytes record = DefaultSettingsImage();
    const std::string magicPath = WritePresetFileFor("bad magic.kvs", record);
    {
        std::FILE* f = std::fopen(magicPath.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        std::fputc('X', f);
        std::fclose(f);
    }
    const Bytes shortRecord(record.begin(), record.begin() + 500);
    const std::string cut = WriteRawPresetFile("cut.kvs", shortRecord, 0.5f, 716);
    const std::string huge = WriteRawPresetFile("huge.kvs", record, kProgramVersion, 40000);
    const std::string headerOnly = WriteRawPresetFile("header.kvs", {}, kProgramVersion, 716);
    const auto before = AllValues();
    const Bytes live = LiveSettings();

    for (const std::string& path : {magicPath, cut, huge, headerOnly}) {
        SCOPED_TRACE(path);
        Command import([path] { return ImportPresetFile(nullptr, path.c_str()); });
        Answer(invalid, IDOK);
        EXPECT_EQ(import.Result(), kImportFailed);
    }

    Command missing([] { return ImportPresetFile(nullptr, (OutDir() + "not there.kvs").c_str()); });
    Answer("Specified file cannot be open. Import cannot proceed.", IDOK);
    EXPECT_EQ(missing.Result(), kImportFailed);
    Command nothing([] { return ImportPresetFile(nullptr, "\"\""); });
    Answer("Specified file cannot be open. Import cannot proceed.", IDOK);
    EXPECT_EQ(nothing.Result(), kImportFailed);

    EXPECT_EQ(AllValues(), before);
    EXPECT_EQ(LiveSettings(), live);
}

}  // namespace
