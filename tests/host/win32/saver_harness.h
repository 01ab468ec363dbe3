// Test harness for running the built screensaver under Wine: the option records
// in the registry, a saver process with diagnostic environment and its trace,
// keyboard and mouse input, and screen captures with a few picture measures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"
#include "settings/win32/registry_helpers.h"

namespace saver_test {

// A Unix path as Wine's Z: drive sees it (DOS paths pass through).
std::string ToWindowsPath(const std::string& path);
// The runnable screensaver (KVS_SCR_RUNNABLE), as a Windows path; empty when unset.
std::string RunnableSaverPath();
// The whole text of a file; empty when it cannot be read.
std::string ReadText(const std::string& path);
// The test's output folder (KVS_OUT_DIR, created), as a Windows path, with a
// trailing backslash; the current directory when unset.
std::string OutputDir();

using regtest::DefaultLocalOptions;
using regtest::DefaultSettings;
// Writes the records the saver loads at start-up (the default values of the
// settings key and its Global subkey; settings/win32/registry_helpers.h reads them).
void StoreRecords(const SettingsRecord& settings, const LocalOptionsRecord& local);

using Environment = std::vector<std::pair<std::string, std::string>>;

// One process of the screensaver with a trace file of its own.
class SaverProcess {
 public:
  SaverProcess() = default;
  ~SaverProcess();
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;

  // Starts "<saver> <arguments>" in `directory` (empty: the output folder) with
  // KVS_TRACE pointing at `traceName` in the output folder plus `environment`.
  bool Start(const std::string& arguments, const Environment& environment = {},
             const std::string& traceName = "trace.log", const std::string& directory = "");
  // Waits for a trace line starting with `prefix`; the line when found.
  bool WaitForTrace(const std::string& prefix, DWORD timeoutMs, std::string* line = nullptr) const;
  std::string Trace() const;
  bool Running() const;
  // The exit code once it ends within `timeoutMs`; -1 while it still runs.
  int64_t ExitCode(DWORD timeoutMs);
  // Ends it by force (end of a failed test).
  void Kill();
  DWORD processId() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_{};
  std::string tracePath_;
  bool started_ = false;
};

// What the saver's own read-back of its frame showed (trace "picture" lines).
struct TracedPicture {
  int frame = 0, width = 0, height = 0;
  double lit = 0, red = 0, green = 0, blue = 0;
};
// The last "picture" line of a trace; false when there is none.
bool LastTracedPicture(const std::string& trace, TracedPicture* picture);

// Input as the hardware would deliver it.
void PressKey(WORD virtualKey);
void MoveMouseBy(int dx, int dy);

// A 32-bit picture, rows top to bottom, bytes B, G, R, X.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  uint8_t r(int x, int y) const { return pixels[(static_cast<size_t>(y) * width + x) * 4 + 2]; }
  uint8_t g(int x, int y) const { return pixels[(static_cast<size_t>(y) * width + x) * 4 + 1]; }
  uint8_t b(int x, int y) const { return pixels[(static_cast<size_t>(y) * width + x) * 4 + 0]; }
};

// The screen's rectangle (x, y, w, h); the whole screen by default.
Image CaptureScreen(int x = 0, int y = 0, int w = 0, int h = 0);
// The same through the system's screen device context: what Windows itself
// composes. Under Wine without a window manager some pop-up windows (tooltips)
// sit below others on the X display although Windows has them on top; this
// capture shows them where Windows has them (GDI windows only, no GL).
Image CaptureScreenDevice(int x = 0, int y = 0, int w = 0, int h = 0);
Image Crop(const Image& image, int x, int y, int w, int h);
// Writes the picture as <output folder>/<name>.bmp (the runner turns it into PNG).
bool SaveImage(const Image& image, const std::string& name);

struct PictureStats {
  double meanRed = 0, meanGreen = 0, meanBlue = 0;  // 0..255
  double litShare = 0;    // pixels whose brightest channel is above 24
  double whiteShare = 0;  // pixels with red, green and blue all above 180 (glowing heads, text)
  double sharpness = 0;   // mean absolute step between neighbours, per unit of mean level
};
PictureStats Measure(const Image& image);
// Mean absolute difference per channel value (0..255).
double MeanDifference(const Image& a, const Image& b);
// Share of pixels that differ by more than `tolerance` in any channel.
double DifferingShare(const Image& a, const Image& b, int tolerance);

// One held picture: the saver runs with the option records changed by `change`
// (fade-out off) and `environment` (which holds the frame at some frame,
// KVS_TEST_HOLD_FRAMES), and the settled picture is captured and saved as
// <name>; the saver is ended with Escape and must report no GL error.
struct HeldShot {
  bool ok = false;
  Image image;
  PictureStats stats;
  std::string trace;
};
using OptionChange = std::function<void(SettingsRecord&, LocalOptionsRecord&)>;
HeldShot TakeHeldShot(const std::string& name, const OptionChange& change, const Environment& environment);

}  // namespace saver_test
