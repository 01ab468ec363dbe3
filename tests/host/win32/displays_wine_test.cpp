// The built screensaver on real display layouts under Wine: a display set to
// 144 pixels per inch (150 %), and two displays side by side (a server with two
// monitors, started by isolated_wine.sh when KVS_TEST_DISPLAYS names them). The
// display log's format and the union arithmetic are checked natively
// (display_layout_test.cpp); here the system's own displays are used.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "host/win32/saver_harness.h"
#include "host/win32/system_proc.h"
#include "settings/win32/dialog_driver.h"

using namespace saver_test;

namespace {

constexpr char kSaverClass[] = "The Korvan Selwyth Screensaver";
constexpr char kSetupClass[] = "The Korvan Selwyth - Setup";
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;

// This program measures in the display's real pixels, whatever the saver does.
bool DeclareTestDpiAware() {
  typedef BOOL(WINAPI * SetAwareFn)();
  const SetAwareFn setAware = LibraryProcAs<SetAwareFn>(GetModuleHandleA("user32.dll"), "SetProcessDPIAware");
  return setAware && setAware();
}
const bool kTestIsDpiAware = DeclareTestDpiAware();

// The desktop's pixels per inch for processes started while it lives; the old
// value (or its absence) comes back at the end.
class DesktopDpi {
 public:
  explicit DesktopDpi(DWORD dpi) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                    nullptr);
    DWORD size = sizeof old_;
    had_ = RegQueryValueExA(key_, "LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
           ERROR_SUCCESS;
    RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  ~DesktopDpi() {
    if (had_)
      RegSetValueExA(key_, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    else
      RegDeleteValueA(key_, "LogPixels");
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool had_ = false;
};

BOOL CALLBACK AddDisplay(HMONITOR, HDC, LPRECT rect, LPARAM list) {
  reinterpret_cast<std::vector<RECT>*>(list)->push_back(*rect);
  return TRUE;
}

std::vector<RECT> SystemDisplays() {
  std::vector<RECT> displays;
  EnumDisplayMonitors(nullptr, nullptr, AddDisplay, reinterpret_cast<LPARAM>(&displays));
  return displays;
}

std::string Numbers(const RECT& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
         std::to_string(r.bottom);
}

// The value after "<name>=" in a trace line; -1 when absent.
int TraceValue(const std::string& line, const std::string& name) {
  const size_t at = line.find(name + "=");
  return at == std::string::npos ? -1 : std::atoi(line.c_str() + at + name.size() + 1);
}


// Screen captures until the rain lights `share` of every display, or 20 s.
Image WaitForRainOnEveryDisplay(const std::vector<RECT>& displays, double share) {
  Image screen;
  const DWORD start = GetTickCount();
  for (;;) {
    Sleep(500);
    screen = CaptureScreen();
    bool all = true;
    for (const RECT& r : displays)
      all = all && Measure(Crop(screen, r.left, r.top, r.right - r.left, r.bottom - r.top)).litShare > share;
    if (all || GetTickCount() - start > 20000) return screen;
  }
}

// Escape ends the saver with code 0 and no GL error.
void EndWithEscape(SaverProcess& saver) {
  PressKey(VK_ESCAPE);
  EXPECT_EQ(saver.ExitCode(kExitTimeoutMs), 0) << "Escape did not end the saver";
  std::string exitLine;
  ASSERT_TRUE(saver.WaitForTrace("exit ", 1000, &exitLine)) << saver.Trace();
  EXPECT_NE(exitLine.find("gl_errors=0"), std::string::npos) << exitLine;
}

// Item `i` of another process's combo box, in the Windows Latin-1 code page (the
// wide message: the narrow one does not cross processes under Wine).
std::string ComboItem(HWND combo, LRESULT i) {
  wchar_t wide[128] = {};
  if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) >= 128) return "";
  SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
  char text[256] = {};
  WideCharToMultiByte(1252, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

// The resolution list of a running settings window: the combo box whose first
// item is "Use desktop resolution" (every page's controls exist while it lives).
BOOL CALLBACK FindResolutionList(HWND child, LPARAM found) {
  char name[32] = {};
  GetClassNameA(child, name, sizeof name);
  if (lstrcmpiA(name, "ComboBox") != 0 || ComboItem(child, 0) != "Use desktop resolution") return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

std::vector<std::string> ResolutionItems(HWND setup) {
  HWND list = nullptr;
  EnumChildWindows(setup, FindResolutionList, reinterpret_cast<LPARAM>(&list));
  std::vector<std::string> items;
  if (!list) return items;
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) items.push_back(ComboItem(list, i));
  return items;
}

// The list the settings window must offer: the primary display device's modes of
// 15 bits or more with a known rate, each size once, in the system's order.
std::vector<std::string> ExpectedResolutionItems() {
  std::vector<std::string> items{"Use desktop resolution"};
  DEVMODEA mode;
  for (DWORD i = 0;; ++i) {
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, i, &mode)) break;
    if (mode.dmBitsPerPel < 15 || mode.dmDisplayFrequency == 0) continue;
    const std::string item =
        std::to_string(mode.dmPelsWidth) + " \xD7 " + std::to_string(mode.dmPelsHeight);  // Latin-1 multiplication sign
    bool seen = false;
    for (const std::string& known : items) seen = seen || known == item;
    if (!seen) items.push_back(item);
  }
  return items;
}

class Displays : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kTestIsDpiAware);
    ASSERT_FALSE(RunnableSaverPath().empty()) << "KVS_SCR_RUNNABLE is not set";
    settings_ = DefaultSettings();
    local_ = DefaultLocalOptions();
    settings_.jumpInStart = 1;  // the first frame already shows a full screen of rain
    local_.fadeOut = 0;
    DeleteFileA(LogPath().c_str());
  }
  static std::string LogPath() { return OutputDir() + "TheKorvanSelwyth.log"; }

  SettingsRecord settings_;
  LocalOptionsRecord local_;
};

using HighDpi = Displays;
using TwoDisplays = Displays;
using ModeList = Displays;

TEST_F(HighDpi, TheSaverDeclaresItselfAwareAndCoversTheDisplaysRealPixels) {
  const std::vector<RECT> displays = SystemDisplays();
  ASSERT_EQ(displays.size(), 1u);
  const RECT screen = displays[0];
  StoreRecords(settings_, local_);
  DesktopDpi dpi(144);

  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/s", {}, "dpi-saver.log"));
  ASSERT_TRUE(saver.WaitForTrace("first_frame", kStartTimeoutMs)) << saver.Trace();
  std::string line;
  ASSERT_TRUE(saver.WaitForTrace("dpi ", 0, &line)) << saver.Trace();
  EXPECT_GE(TraceValue(line, "awareness"), 1) << line;
  EXPECT_EQ(TraceValue(line, "pixels_per_inch"), 144) << line;

  // Window, display log and the saver's own read-back: the display's real size.
  HWND window = dialogtest::WaitForWindow(kSaverClass, 5000, kSaverClass);
  ASSERT_NE(window, nullptr);
  RECT area;
  GetWindowRect(window, &area);
  EXPECT_EQ(Numbers(area), Numbers(screen));
  EXPECT_EQ(ReadText(LogPath()).find("display 0: " + Numbers(screen) + "\n"), 0u) << ReadText(LogPath());
  ASSERT_TRUE(saver.WaitForTrace("displays ", 0, &line));
  EXPECT_NE(line.find("desktop=0,0," + std::to_string(screen.right) + "," + std::to_string(screen.bottom)),
            std::string::npos)
      << line;
  EXPECT_NE(line.find("text_zoom=1"), std::string::npos) << "one display keeps the text zoom: " << line;

  // Rain to the far corner: a scaled-down window would leave the lower right dark.
  const Image shot = WaitForRainOnEveryDisplay(displays, 0.03);
  SaveImage(shot, "dpi144-saver");
  const int w = screen.right, h = screen.bottom;
  EXPECT_GT(Measure(Crop(shot, w * 3 / 4, h * 3 / 4, w / 4, h / 4)).litShare, 0.02) << "the lower right is dark";
  TracedPicture picture;
  ASSERT_TRUE(LastTracedPicture(saver.Trace(), &picture)) << saver.Trace();
  EXPECT_EQ(picture.width, w);
  EXPECT_EQ(picture.height, h);
  EndWithEscape(saver);
}

TEST_F(HighDpi, TheSettingsWindowIsLeftUnawareForTheSystemToEnlarge) {
  StoreRecords(settings_, local_);
  DesktopDpi dpi(144);
  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/c", {}, "dpi-setup.log"));
  HWND setup = dialogtest::WaitForWindow(kSetupClass, kStartTimeoutMs, kSetupClass);
  ASSERT_NE(setup, nullptr) << saver.Trace();
  std::string line;
  ASSERT_TRUE(saver.WaitForTrace("dpi ", 1000, &line)) << saver.Trace();
  // Unaware: Windows gives it 96 pixels per inch and enlarges the window as a
  // whole (Wine scales nothing: it sees 144 and draws at its own size).
  EXPECT_EQ(TraceValue(line, "awareness"), 0) << line;
  Sleep(1500);
  SaveImage(CaptureScreen(), "dpi144-setup");
  // The fixed 500 x 539 layout, possibly enlarged, never reflowed.
  RECT area;
  GetWindowRect(setup, &area);
  const int w = area.right - area.left, h = area.bottom - area.top;
  EXPECT_GE(w, 500);
  EXPECT_NEAR(static_cast<double>(h) / w, 539.0 / 500.0, 0.01) << w << " x " << h;
  PostMessageA(setup, WM_CLOSE, 0, 0);
  EXPECT_EQ(saver.ExitCode(kExitTimeoutMs), 0);
}

TEST_F(TwoDisplays, TheSaverSpansBothAndDrawsEachDisplaysOwnRain) {
  const std::vector<RECT> displays = SystemDisplays();
  ASSERT_EQ(displays.size(), 2u) << "this test needs two displays (KVS_TEST_DISPLAYS)";
  ASSERT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  // A stored screen mode applies to a single display only; the text zoom is off
  // on several displays although the record asks for it.
  local_.screenWidth = 640;
  local_.screenHeight = 480;
  settings_.textZoomIn = 1;
  StoreRecords(settings_, local_);

  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/s", {}, "two-saver.log"));
  ASSERT_TRUE(saver.WaitForTrace("first_frame", kStartTimeoutMs)) << saver.Trace();
  EXPECT_EQ(SystemDisplays().size(), 2u);
  EXPECT_EQ(Numbers(SystemDisplays()[0]), Numbers(displays[0])) << "the display mode was changed";
  std::string line;
  ASSERT_TRUE(saver.WaitForTrace("displays ", 0, &line));
  EXPECT_NE(line.find("count=2 "), std::string::npos) << line;
  EXPECT_NE(line.find("text_zoom=0"), std::string::npos) << line;

  // The log: each display's rectangle with the union before and after it.
  RECT all = displays[0];
  UnionRect(&all, &displays[0], &displays[1]);
  const std::string expected = "display 0: " + Numbers(displays[0]) +
                               "\n - before: 2000000000 2000000000 -2000000000 -2000000000\n - after: " +
                               Numbers(displays[0]) + "\ndisplay 1: " + Numbers(displays[1]) +
                               "\n - before: " + Numbers(displays[0]) + "\n - after: " + Numbers(all) + "\n";
  EXPECT_EQ(ReadText(LogPath()), expected);

  HWND window = dialogtest::WaitForWindow(kSaverClass, 5000, kSaverClass);
  ASSERT_NE(window, nullptr);
  RECT area;
  GetWindowRect(window, &area);
  EXPECT_EQ(Numbers(area), Numbers(all));

  // Lit rain on each display; the saver's read-back covers the whole window.
  const Image shot = WaitForRainOnEveryDisplay(displays, 0.03);
  SaveImage(shot, "two-displays-rain");
  for (const RECT& r : displays) {
    const PictureStats rain = Measure(Crop(shot, r.left, r.top, r.right - r.left, r.bottom - r.top));
    EXPECT_GT(rain.litShare, 0.03) << "too little rain on the display at " << Numbers(r);
    EXPECT_GT(rain.meanGreen, 1.3 * rain.meanRed);
  }
  TracedPicture picture;
  ASSERT_TRUE(LastTracedPicture(saver.Trace(), &picture));
  EXPECT_EQ(picture.width, all.right - all.left);
  EndWithEscape(saver);
}

TEST_F(TwoDisplays, EachDisplayHasItsOwnGridAndConsoleIntro) {
  const std::vector<RECT> displays = SystemDisplays();
  ASSERT_EQ(displays.size(), 2u);
  // The intro's beam (frame 49: frames of 1000 units read as intro ticks) stands in
  // the middle of each display, at its own height; nothing else is lit.
  const HeldShot beam = TakeHeldShot(
      "two-displays-console",
      [](SettingsRecord& s, LocalOptionsRecord&) {
        s.consoleStart = 1;
        s.textEnabled = 0;
      },
      {{"KVS_TEST_SEED", "11"}, {"KVS_TEST_FRAME_MS", "50"}, {"KVS_TEST_HOLD_FRAMES", "49"}});
  ASSERT_TRUE(beam.ok);
  for (const RECT& r : displays) {
    const int w = r.right - r.left, h = r.bottom - r.top, cx = r.left + w / 2;
    EXPECT_GT(Measure(Crop(beam.image, cx - 6, r.top + h / 4, 12, h / 2)).litShare, 0.9)
        << "no beam in the middle of the display at " << Numbers(r);
    EXPECT_LT(Measure(Crop(beam.image, r.left, r.top, w / 3, h)).litShare, 0.01);
    EXPECT_LT(Measure(Crop(beam.image, r.left + 2 * w / 3 + 2, r.top, w / 3 - 2, h)).litShare, 0.01);
  }
  // The renderer's grid of each display: the record's columns and rows over
  // that display's own pixels, at its own origin.
  const std::string trace = beam.trace;
  for (size_t i = 0; i < displays.size(); ++i) {
    const RECT& r = displays[i];
    const int w = r.right - r.left, h = r.bottom - r.top;
    const SettingsRecord s = DefaultSettings();
    char expected[160];
    std::snprintf(expected, sizeof expected, "grid display=%d origin=%ld,%ld size=%dx%d cells=%dx%d cell=%.3fx%.3f",
                  static_cast<int>(i), r.left, r.top, w, h, s.columns, s.rows, static_cast<float>(w) / s.columns,
                  static_cast<float>(h) / s.rows);
    EXPECT_NE(trace.find(expected), std::string::npos) << expected << "\n" << trace;
  }
}

TEST_F(ModeList, TheSettingsWindowOffersThePrimaryDisplaysModes) {
  StoreRecords(settings_, local_);
  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/c", {}, "modes-setup.log"));
  HWND setup = dialogtest::WaitForWindow(kSetupClass, kStartTimeoutMs, kSetupClass);
  ASSERT_NE(setup, nullptr) << saver.Trace();
  std::vector<std::string> items;
  const DWORD start = GetTickCount();
  while ((items = ResolutionItems(setup)).empty() && GetTickCount() - start < 5000) Sleep(100);
  const std::vector<std::string> expected = ExpectedResolutionItems();
  ASSERT_GT(expected.size(), 1u) << "the system lists no display mode";
  EXPECT_EQ(items, expected);
  RECT primary{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  bool current = false;
  for (const std::string& item : items)
    current = current || item == std::to_string(primary.right) + " \xD7 " + std::to_string(primary.bottom);
  EXPECT_TRUE(current) << "the primary display's own size is not offered";
  PostMessageA(setup, WM_CLOSE, 0, 0);
  EXPECT_EQ(saver.ExitCode(kExitTimeoutMs), 0);
}

}  // namespace
