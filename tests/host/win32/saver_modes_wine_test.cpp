// The built screensaver in each of its modes, run as its own process on a
// virtual display: full screen with input and counters, the media-player test,
// an invalid switch, the preview inside a host window and a failed import
// (hostile_records_wine_test.cpp imports with /i; the settings window's test runs /c).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "host/win32/saver_harness.h"
#include "settings/win32/dialog_driver.h"

using namespace saver_test;

namespace {

constexpr char kSaverClass[] = "The Korvan Selwyth Screensaver";
constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;

// Waits while the saver keeps running; false when it ended before.
bool StaysRunning(const SaverProcess& saver, DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    if (!saver.Running()) return false;
    Sleep(50);
  }
  return saver.Running();
}

void PumpMessagesFor(DWORD ms) {
  const DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start < ms) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(10);
  }
}

HWND MakeTopWindow(const char* title, int x, int y, int w, int h) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA description{};
    description.lpfnWndProc = DefWindowProcA;
    description.hInstance = GetModuleHandleA(nullptr);
    description.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    description.lpszClassName = "KvsTestHost";
    RegisterClassA(&description);
    registered = true;
  }
  HWND window = CreateWindowExA(0, "KvsTestHost", title, WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  PumpMessagesFor(200);
  return window;
}

class SaverModes : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(RunnableSaverPath().empty()) << "KVS_SCR_RUNNABLE is not set";
    local_ = DefaultLocalOptions();
    settings_ = DefaultSettings();
  }
  void Store() { StoreRecords(settings_, local_); }

  SettingsRecord settings_;
  LocalOptionsRecord local_;
};

TEST_F(SaverModes, FullScreenShowsRainWithCountersAndEndsOnAnOrdinaryKey) {
  local_.showCounters = 1;
  settings_.jumpInStart = 1;  // the first frame already shows a full screen of rain
  Store();
  const std::string log = OutputDir() + "TheKorvanSelwyth.log";
  DeleteFileA(log.c_str());

  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/s", {}, "fullscreen.log"));
  ASSERT_TRUE(saver.WaitForTrace("first_frame", kStartTimeoutMs)) << saver.Trace();

  HWND window = dialogtest::WaitForWindow(kSaverClass, 5000, kSaverClass);
  ASSERT_NE(window, nullptr);
  RECT area;
  GetWindowRect(window, &area);
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(area.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(area.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(GetWindowLongPtrA(window, GWL_STYLE) & WS_POPUP, WS_POPUP);
  const int w0 = GetSystemMetrics(SM_CXSCREEN);

  // The rain shows once the window is on the screen.
  Image screen;
  PictureStats rain;
  const DWORD waitStart = GetTickCount();
  do {
    Sleep(500);
    screen = CaptureScreen();
    rain = Measure(screen);
  } while (rain.litShare < 0.03 && GetTickCount() - waitStart < 20000);
  SaveImage(screen, "fullscreen-rain");
  EXPECT_GT(rain.litShare, 0.03) << "too little rain on the screen";
  EXPECT_GT(rain.meanGreen, 1.3 * rain.meanRed);
  EXPECT_GT(rain.meanGreen, 1.3 * rain.meanBlue);
  EXPECT_GT(rain.whiteShare, 0.0) << "no bright heads";
  EXPECT_LT(rain.whiteShare, rain.litShare / 4);

  // The saver's read-back of its own frames agrees with the screen.
  TracedPicture picture;
  ASSERT_TRUE(LastTracedPicture(saver.Trace(), &picture)) << saver.Trace();
  EXPECT_EQ(picture.width, w0);
  EXPECT_GT(picture.lit, 0.03);

  // The counter line: white text on a darkened strip at the top left.
  const Image strip = Crop(screen, 5, 15, 395, 20);
  SaveImage(strip, "fullscreen-counters");
  EXPECT_GT(Measure(strip).whiteShare, 0.02) << "no counter text";
  const Image below = Crop(screen, 5, 45, 395, 20);
  EXPECT_GT(Measure(strip).whiteShare, 2 * Measure(below).whiteShare);

  // The display log (its format is checked natively) gained this start's display.
  EXPECT_EQ(ReadText(log).find("display 0: 0 0 " + std::to_string(w0) + " " +
                                   std::to_string(GetSystemMetrics(SM_CYSCREEN)) + "\n"),
            0u);

  // The Spacebar and deja vu's key (enabled with its key by default) start an
  // effect at most; an ordinary key ends the saver.
  PressKey(VK_SPACE);
  EXPECT_TRUE(StaysRunning(saver, 1500)) << "the Spacebar ended the saver";
  PressKey('D');
  EXPECT_TRUE(StaysRunning(saver, 1200)) << "the deja vu key ended the saver";
  PressKey('Q');
  EXPECT_EQ(saver.ExitCode(kExitTimeoutMs), 0) << "Q did not end the saver";
  std::string exitLine;
  ASSERT_TRUE(saver.WaitForTrace("exit ", 1000, &exitLine));
  EXPECT_NE(exitLine.find("gl_errors=0"), std::string::npos) << exitLine;
  EXPECT_NE(saver.Trace().find("init gl_error=0x0"), std::string::npos) << saver.Trace();
}

TEST_F(SaverModes, MouseMovesAreToleratedUntilABurstAfterTheGracePeriod) {
  Store();
  SaverProcess saver;
  const DWORD started = GetTickCount();
  ASSERT_TRUE(saver.Start("/s", {}, "mouse.log"));
  ASSERT_TRUE(saver.WaitForTrace("first_frame", kStartTimeoutMs)) << saver.Trace();
  ASSERT_NE(dialogtest::WaitForWindow(kSaverClass, 5000, kSaverClass), nullptr);

  // Moves in the first three seconds are not counted, however many.
  if (GetTickCount() - started < 2400) {
    for (int i = 0; i < 12 && GetTickCount() - started < 2600; ++i) {
      MoveMouseBy(i % 2 ? 7 : -7, 3);
      Sleep(40);
    }
  }
  while (GetTickCount() - started < 3600) Sleep(50);
  EXPECT_TRUE(saver.Running()) << "moves within the grace period ended the saver";

  // A few moves are jitter; a burst ends the saver.
  for (int i = 0; i < 4; ++i) {
    MoveMouseBy(i % 2 ? 9 : -9, 0);
    Sleep(120);
  }
  EXPECT_TRUE(StaysRunning(saver, 800)) << "four moves ended the saver";
  for (int i = 0; i < 40 && saver.Running(); ++i) {
    MoveMouseBy(i % 2 ? 9 : -9, 0);
    Sleep(120);
  }
  EXPECT_EQ(saver.ExitCode(kExitTimeoutMs), 0) << "a burst of moves did not end the saver";
}

TEST_F(SaverModes, AMediaPlayerWindowKeepsTheSaverFromStarting) {
  local_.detectMediaPlayer = 1;
  Store();
  HWND player = MakeTopWindow("Now playing - windows MEDIA player", 10, 10, 200, 100);
  ASSERT_NE(player, nullptr);
  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/s", {}, "media.log"));
  const int64_t code = saver.ExitCode(kExitTimeoutMs);
  DestroyWindow(player);
  EXPECT_EQ(code, 0) << "the saver started over a media player";
  EXPECT_NE(saver.Trace().find("media_player_found"), std::string::npos) << saver.Trace();
  EXPECT_EQ(saver.Trace().find("first_frame"), std::string::npos);
}

// The message box of an invalid switch: its text, then OK ends the program.
void ExpectInvalidOptionMessage(const char* arguments) {
  SaverProcess saver;
  ASSERT_TRUE(saver.Start(arguments, {}, "invalid.log"));
  dialogtest::Answer("Invalid option passed.", IDOK);
  EXPECT_EQ(saver.ExitCode(kExitTimeoutMs), 0);
}

TEST_F(SaverModes, AnInvalidSwitchShowsTheMessageAndExitsWithZero) {
  Store();
  ExpectInvalidOptionMessage("/x");
  ExpectInvalidOptionMessage("-");
}

TEST_F(SaverModes, PreviewDrawsInsideTheHostWindowAndEndsWithIt) {
  settings_.motionBlurDepth = 4;  // the preview turns motion blur and character blur off
  settings_.charBlurLevel = 3;
  settings_.jumpInStart = 1;
  Store();
  const int hx = 200, hy = 150, hw = 320, hh = 240;
  HWND host = MakeTopWindow("preview host", hx, hy, hw, hh);
  ASSERT_NE(host, nullptr);
  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/p " + std::to_string(reinterpret_cast<intptr_t>(host)), {}, "preview.log"));

  const DWORD start = GetTickCount();
  while (saver.Trace().find("first_frame") == std::string::npos && GetTickCount() - start < kStartTimeoutMs)
    PumpMessagesFor(100);
  ASSERT_NE(saver.Trace().find("first_frame"), std::string::npos) << saver.Trace();
  EXPECT_NE(saver.Trace().find("blur_frames=0"), std::string::npos) << saver.Trace();

  HWND preview = FindWindowExA(host, nullptr, "Preview", "Preview");
  ASSERT_NE(preview, nullptr) << "no preview window inside the host";
  RECT inner;
  GetClientRect(preview, &inner);
  EXPECT_EQ(inner.right, hw);
  EXPECT_EQ(inner.bottom, hh);
  EXPECT_EQ(GetWindowLongPtrA(preview, GWL_STYLE) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);

  // Wine does not show another process's GL child window on the screen, so the
  // saver's read-back of its own frames tells what it drew.
  TracedPicture picture;
  const DWORD drawStart = GetTickCount();
  do {
    PumpMessagesFor(300);
  } while ((!LastTracedPicture(saver.Trace(), &picture) || picture.lit < 0.02) &&
           GetTickCount() - drawStart < 20000);
  EXPECT_EQ(picture.width, hw);
  EXPECT_EQ(picture.height, hh);
  EXPECT_GT(picture.lit, 0.02) << "no rain in the preview\n" << saver.Trace();
  EXPECT_GT(picture.green, 1.3 * picture.red);
  EXPECT_GT(picture.green, 1.3 * picture.blue);
  SaveImage(CaptureScreen(), "preview-screen");
  // The saver's drawing stays inside the host: the desktop around it is untouched.
  const PictureStats outside = Measure(Crop(CaptureScreen(), 0, 0, hx - 10, hy - 10));
  EXPECT_LT(outside.litShare, 0.01);

  DestroyWindow(host);
  int64_t code = -1;
  for (const DWORD waitStart = GetTickCount(); code < 0 && GetTickCount() - waitStart < kExitTimeoutMs;)
    PumpMessagesFor(100), code = saver.ExitCode(0);
  EXPECT_EQ(code, 0) << "the preview outlived its host";
}

TEST_F(SaverModes, PreviewWithoutAHostEndsQuietly) {
  Store();
  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/p", {}, "nohost.log"));
  EXPECT_EQ(saver.ExitCode(kExitTimeoutMs), 0);
}

TEST_F(SaverModes, ImportOfAMissingFileReportsItAndExitsWithOne) {
  Store();
  SaverProcess saver;
  ASSERT_TRUE(saver.Start("/i \"" + OutputDir() + "no such preset.kvs\"", {}, "import-missing.log"));
  dialogtest::Answer("Specified file cannot be open. Import cannot proceed.", IDOK);
  EXPECT_EQ(saver.ExitCode(kExitTimeoutMs), 1);
}

}  // namespace
