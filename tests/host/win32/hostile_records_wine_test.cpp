// The built screensaver started on settings and local options records with
// every field at an extreme, as a damaged registry or a shared preset file may
// carry them: each runs and ends on Escape with exit code 0 (or is replaced by
// the defaults first), within seconds and within a sane amount of memory. The
// same records imported with /i and activated as presets.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/win32/saver_harness.h"
#include "settings/hostile_records.h"
#include "settings/presetfile.h"
#include "settings/win32/dialog_driver.h"
#include "settings/win32/presets.h"
#include "settings/win32/registry_helpers.h"
#include "settings/win32/storage.h"

using namespace saver_test;

namespace {

// Generous for software GL on a shared machine: the heaviest records (every
// post-effect at its largest over a screen full of rotating code, as the
// settings window's own extremes give too) take seconds per frame there, even
// on the small screen this test runs on.
constexpr DWORD kFirstFrameMs = 40000;
constexpr DWORD kExitMs = 40000;
constexpr SIZE_T kMemoryBound = 700u << 20;  // the default look needs about a third of it

LocalOptionsRecord HostileLocalOptions(const HostileValues& v) {
  LocalOptionsRecord l;
  std::memset(&l, v.u8, sizeof l);
  for (int32_t* field : {&l.volume, &l.textureFilter, &l.screenWidth, &l.screenHeight, &l.screenBits, &l.screenHz})
    std::memcpy(field, &v.i32, sizeof v.i32);
  l.detectMediaPlayer = 0;  // would end the saver at once where a media player runs
  return l;
}

// The stored value `name` of the settings key holds exactly `record`.
bool StoredAs(const char* name, const SettingsRecord& record) {
  return regtest::QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, name).bytes == regtest::ImageOf(&record, sizeof record);
}

// Starts /s on the stored records, lets it draw for a second, checks its memory
// and ends it with Escape.
void RunSaverToEscape(const std::string& label) {
  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/s", {}, "hostile.log")) << label;
  ASSERT_TRUE(saver.WaitForTrace("first_frame", kFirstFrameMs)) << label << "\n" << saver.Trace();
  Sleep(1000);
  ASSERT_TRUE(saver.Running()) << label << " ended by itself";
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, saver.processId());
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  ASSERT_TRUE(process && GetProcessMemoryInfo(process, &memory, sizeof memory)) << label;
  CloseHandle(process);
  EXPECT_LT(memory.PagefileUsage, kMemoryBound) << label;
  PressKey(VK_ESCAPE);
  EXPECT_EQ(saver.ExitCode(kExitMs), 0) << label << ": Escape did not end the saver";
}

TEST(HostileRecords, TheSaverRunsOrFallsBackToTheDefaults) {
  const SettingsRecord defaults = DefaultSettings();
  for (int i = 0; i < kHostileValueCount; ++i) {
    const HostileValues& v = kHostileValues[i];
    // The native tests run every value; here those whose runs look alike are left out.
    if (v.i32 == 1000000 || v.i32 == 65536) continue;
    // Every value with a usable grid; the grid itself broken for the highest,
    // which the validity rule replaces by the defaults (and writes them back).
    for (bool keepGrid : {true, false}) {
      if (!keepGrid && v.i32 != INT32_MAX) continue;
      const SettingsRecord record = HostileRecord(v, keepGrid);
      const bool valid = IsSettingsRecordValid(record);
      StoreRecords(record, i % 2 ? HostileLocalOptions(v) : DefaultLocalOptions());
      const std::string label = std::string(v.name) + (keepGrid ? "" : ", broken grid");
      RunSaverToEscape(label);
      EXPECT_TRUE(StoredAs("", valid ? record : defaults)) << label;
    }
  }
}

TEST(HostileRecords, TheRecordThatOnceHungTheSaverIsReplacedByTheDefaults) {
  SettingsRecord record = DefaultSettings();
  record.rows = 1000000;
  record.speedVariability = 1000000;
  record.splashInterval = 1000000;
  record.releaseMaxTracers = INT32_MIN;
  record.charSize = -100.0f;
  record.smallBurstsSize = std::numeric_limits<float>::quiet_NaN();
  StoreRecords(record, DefaultLocalOptions());
  RunSaverToEscape("rows 1000000");
  EXPECT_TRUE(StoredAs("", DefaultSettings()));
}

TEST(HostileRecords, PresetFilesImportActivateAndRun) {
  for (int i : {2, 5}) {
    const HostileValues& v = kHostileValues[i];
    const SettingsRecord record = HostileRecord(v, true);
    const std::string name = std::string("hostile ") + v.name;
    const std::string path = OutputDir() + name + ".kvs";
    ASSERT_EQ(WritePresetFile(path.c_str(), reinterpret_cast<const uint8_t*>(&record), sizeof record), 0);
    StoreRecords(DefaultSettings(), DefaultLocalOptions());
    regtest::DeleteValue(HKEY_CURRENT_USER, kSettingsKeyPath, name.c_str());

    SaverProcess import;
    ASSERT_TRUE(import.Start("/i \"" + path + "\"", {}, "hostile-import.log"));
    HWND dialog = dialogtest::WaitForWindow(kSavePresetDialogCaption, kFirstFrameMs);
    ASSERT_NE(dialog, nullptr) << name << ": no naming dialog";
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    ASSERT_EQ(import.ExitCode(kExitMs), 0) << name;
    EXPECT_TRUE(StoredAs(name.c_str(), record)) << name;

    // Activated in the settings window's place, then kept as the current
    // settings when it closes; the next start runs on them.
    dialogtest::Command activate([&name] { return ActivatePreset(nullptr, name.c_str()); });
    dialogtest::Answer("Preset activated", IDOK);
    EXPECT_EQ(activate.Result(), kPresetCommandDone) << name;
    EXPECT_EQ(std::memcmp(&settings, &record, sizeof record), 0) << name;
    SaveSettings();
    RunSaverToEscape(name);
  }
}

}  // namespace
