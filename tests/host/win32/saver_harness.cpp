#include "host/win32/saver_harness.h"

#include <gtest/gtest.h>

#include "settings/win32/storage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace saver_test {

namespace {

const char* const kDiagnosticVariables[] = {"KVS_TRACE", "KVS_TEST_SEED", "KVS_TEST_FRAME_MS", "KVS_TEST_HOLD_FRAMES",
                                            "KVS_TEST_DIRECT_LAYERS", "KVS_TEST_EFFECT", "KVS_SOUND_WAV"};

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

// Starts `command` (a whole command line) in `directory` (null: this one's).
bool StartProcess(const char* program, const std::string& command, const char* directory, PROCESS_INFORMATION* info) {
  std::vector<char> line(command.begin(), command.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  return CreateProcessA(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory, &startup, info) != 0;
}

// The part of `screen` asked for; sizes of 0 or less reach its right or bottom edge.
Image Part(const Image& screen, int x, int y, int w, int h) {
  if (w <= 0) w = screen.width - x;
  if (h <= 0) h = screen.height - y;
  if (x == 0 && y == 0 && w == screen.width && h == screen.height) return screen;
  return Crop(screen, x, y, w, h);
}

}  // namespace

std::string ToWindowsPath(const std::string& path) {
  if (path.empty() || path[0] != '/') return path;
  std::string out = "Z:" + path;
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
}

std::string RunnableSaverPath() { return ToWindowsPath(EnvOr("KVS_SCR_RUNNABLE", "")); }

std::string OutputDir() {
  std::string dir = ToWindowsPath(EnvOr("KVS_OUT_DIR", "."));
  CreateDirectoryA(dir.c_str(), nullptr);
  if (dir.back() != '\\') dir += '\\';
  return dir;
}

void StoreRecords(const SettingsRecord& settings, const LocalOptionsRecord& local) {
  regtest::PutValue(kSettingsKeyPath, "", REG_BINARY, &settings, sizeof settings);
  regtest::PutValue(kLocalOptionsKeyPath, "", REG_BINARY, &local, sizeof local);
}

SaverProcess::~SaverProcess() { Kill(); }

bool SaverProcess::Start(const std::string& arguments, const Environment& environment, const std::string& traceName,
                         const std::string& directory) {
  Kill();
  const std::string out = OutputDir();
  tracePath_ = out + traceName;
  DeleteFileA(tracePath_.c_str());
  for (const char* name : kDiagnosticVariables) SetEnvironmentVariableA(name, nullptr);
  SetEnvironmentVariableA("KVS_TRACE", tracePath_.c_str());
  for (const auto& entry : environment) SetEnvironmentVariableA(entry.first.c_str(), entry.second.c_str());

  const std::string program = RunnableSaverPath();
  started_ = StartProcess(program.c_str(), "\"" + program + "\" " + arguments,
                          (directory.empty() ? out : directory).c_str(), &info_);
  for (const char* name : kDiagnosticVariables) SetEnvironmentVariableA(name, nullptr);
  return started_;
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string SaverProcess::Trace() const { return ReadText(tracePath_); }

bool SaverProcess::WaitForTrace(const std::string& prefix, DWORD timeoutMs, std::string* found) const {
  const DWORD start = GetTickCount();
  for (;;) {
    std::istringstream text(Trace());
    std::string line;
    while (std::getline(text, line)) {
      if (line.compare(0, prefix.size(), prefix) == 0) {
        if (found) *found = line;
        return true;
      }
    }
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
}

bool SaverProcess::Running() const { return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

int64_t SaverProcess::ExitCode(DWORD timeoutMs) {
  DWORD code = 0;
  if (!started_ || WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(info_.hProcess, &code))
    return -1;
  return code;
}

void SaverProcess::Kill() {
  if (!started_) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, 5000);
  }
  CloseHandle(info_.hProcess);
  CloseHandle(info_.hThread);
  info_ = PROCESS_INFORMATION{};
  started_ = false;
}

bool LastTracedPicture(const std::string& trace, TracedPicture* picture) {
  std::istringstream text(trace);
  std::string line;
  bool found = false;
  while (std::getline(text, line)) {
    TracedPicture p;
    if (std::sscanf(line.c_str(), "picture frame=%d size=%dx%d lit=%lf red=%lf green=%lf blue=%lf", &p.frame,
                    &p.width, &p.height, &p.lit, &p.red, &p.green, &p.blue) == 7) {
      *picture = p;
      found = true;
    }
  }
  return found;
}

void PressKey(WORD virtualKey) {
  INPUT inputs[2]{};
  inputs[0].type = INPUT_KEYBOARD;
  inputs[0].ki.wVk = virtualKey;
  inputs[1] = inputs[0];
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, inputs, sizeof(INPUT));
}

void MoveMouseBy(int dx, int dy) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = dx;
  input.mi.dy = dy;
  input.mi.dwFlags = MOUSEEVENTF_MOVE;
  SendInput(1, &input, sizeof(INPUT));
}

namespace {

uint32_t BigEndian(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

// Reads an X window dump of a 24/32-bit true-colour screen.
bool ParseWindowDump(const std::vector<uint8_t>& dump, Image* image) {
  if (dump.size() < 100) return false;
  const uint8_t* h = dump.data();
  const uint32_t headerSize = BigEndian(h + 0);
  const uint32_t format = BigEndian(h + 8);
  const uint32_t width = BigEndian(h + 16);
  const uint32_t height = BigEndian(h + 20);
  const uint32_t byteOrder = BigEndian(h + 28);
  const uint32_t bitsPerPixel = BigEndian(h + 44);
  const uint32_t bytesPerLine = BigEndian(h + 48);
  const uint32_t redMask = BigEndian(h + 56);
  const uint32_t colours = BigEndian(h + 76);
  if (format != 2 || redMask != 0xFF0000u || width == 0 || height == 0) return false;
  // Pixels take 3 or 4 bytes; lines may be padded beyond them.
  const uint32_t step = bitsPerPixel / 8;
  if ((step != 3 && step != 4) || bytesPerLine < width * step) return false;
  const size_t start = static_cast<size_t>(headerSize) + static_cast<size_t>(colours) * 12;
  if (dump.size() < start + static_cast<size_t>(bytesPerLine) * height) return false;
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->pixels.resize(static_cast<size_t>(width) * height * 4);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = dump.data() + start + static_cast<size_t>(y) * bytesPerLine;
    for (uint32_t x = 0; x < width; ++x) {
      const uint8_t* p = row + x * step;
      uint8_t* out = &image->pixels[(static_cast<size_t>(y) * width + x) * 4];
      // Least significant byte first: blue, green, red (then padding).
      out[0] = byteOrder == 0 ? p[0] : p[step - 1];
      out[1] = byteOrder == 0 ? p[1] : p[step - 2];
      out[2] = byteOrder == 0 ? p[2] : p[step - 3];
      out[3] = 0;
    }
  }
  return true;
}

// The whole X screen through xwd, which sees GL windows as they are shown.
bool CaptureWithWindowDump(Image* image) {
  const std::string unixDir = EnvOr("KVS_OUT_DIR", "/tmp");
  const std::string part = unixDir + "/capture.xwd.part";
  const std::string done = unixDir + "/capture.xwd";
  const std::string donePath = ToWindowsPath(done);
  DeleteFileA(donePath.c_str());
  PROCESS_INFORMATION info{};
  if (!StartProcess(nullptr, "/bin/sh -c \"xwd -root -silent -out '" + part + "' && mv '" + part + "' '" + done + "'\"",
                    nullptr, &info)) {
    std::fprintf(stderr, "capture: cannot start xwd (error %lu)\n", GetLastError());
    return false;
  }
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  // The Unix program runs on its own; its result appears when it is complete.
  const DWORD start = GetTickCount();
  while (GetFileAttributesA(donePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > 15000) {
      std::fprintf(stderr, "capture: xwd wrote nothing\n");
      return false;
    }
    Sleep(50);
  }
  std::ifstream file(donePath, std::ios::binary);
  std::vector<uint8_t> dump((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  file.close();
  DeleteFileA(donePath.c_str());
  if (ParseWindowDump(dump, image)) return true;
  std::fprintf(stderr, "capture: unreadable window dump of %zu bytes\n", dump.size());
  return false;
}

}  // namespace

Image CaptureScreen(int x, int y, int w, int h) {
  // The system's screen device context does not show GL windows: without the
  // window dump there is no picture (and every measure of it fails).
  Image screen;
  return CaptureWithWindowDump(&screen) ? Part(screen, x, y, w, h) : screen;
}

Image CaptureScreenDevice(int x, int y, int w, int h) {
  Image screen;
  screen.width = GetSystemMetrics(SM_CXSCREEN);
  screen.height = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, screen.width, -screen.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  HDC device = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(device);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(device, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section && bits) {
    HGDIOBJ previous = SelectObject(memory, section);
    BitBlt(memory, 0, 0, screen.width, screen.height, device, 0, 0, SRCCOPY);
    GdiFlush();
    const uint8_t* first = static_cast<const uint8_t*>(bits);
    screen.pixels.assign(first, first + static_cast<size_t>(screen.width) * screen.height * 4);
    SelectObject(memory, previous);
  }
  if (section) DeleteObject(section);
  DeleteDC(memory);
  ReleaseDC(nullptr, device);
  return screen.pixels.empty() ? Image() : Part(screen, x, y, w, h);
}

Image Crop(const Image& image, int x, int y, int w, int h) {
  Image out;
  if (x < 0 || y < 0 || w <= 0 || h <= 0 || x + w > image.width || y + h > image.height) return out;
  out.width = w;
  out.height = h;
  out.pixels.resize(static_cast<size_t>(w) * h * 4);
  for (int row = 0; row < h; ++row)
    std::memcpy(&out.pixels[static_cast<size_t>(row) * w * 4],
                &image.pixels[(static_cast<size_t>(y + row) * image.width + x) * 4], static_cast<size_t>(w) * 4);
  return out;
}

bool SaveImage(const Image& image, const std::string& name) {
  if (image.width <= 0 || image.height <= 0) return false;
  const std::string path = OutputDir() + name + ".bmp";
  const DWORD bytes = static_cast<DWORD>(image.pixels.size());
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  const BITMAPFILEHEADER file{0x4D42, offset + bytes, 0, 0, offset};  // "BM"
  const BITMAPINFOHEADER header{sizeof header, image.width, -image.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&header, sizeof header, 1, out);
  std::fwrite(image.pixels.data(), 1, bytes, out);
  std::fclose(out);
  return true;
}

PictureStats Measure(const Image& image) {
  PictureStats s;
  const size_t count = static_cast<size_t>(image.width) * image.height;
  if (count == 0) return s;
  double sumR = 0, sumG = 0, sumB = 0, steps = 0;
  size_t lit = 0, white = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const int r = image.r(x, y), g = image.g(x, y), b = image.b(x, y);
      sumR += r;
      sumG += g;
      sumB += b;
      const int top = r > g ? (r > b ? r : b) : (g > b ? g : b);
      if (top > 24) ++lit;
      if (r > 180 && g > 180 && b > 180) ++white;
      if (x + 1 < image.width) steps += std::abs(g - image.g(x + 1, y));
      if (y + 1 < image.height) steps += std::abs(g - image.g(x, y + 1));
    }
  }
  s.meanRed = sumR / count;
  s.meanGreen = sumG / count;
  s.meanBlue = sumB / count;
  s.litShare = static_cast<double>(lit) / count;
  s.whiteShare = static_cast<double>(white) / count;
  s.sharpness = s.meanGreen > 0 ? steps / (2.0 * count) / s.meanGreen : 0;
  return s;
}

double MeanDifference(const Image& a, const Image& b) {
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 255.0;
  double sum = 0;
  size_t n = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    if (i % 4 == 3) continue;
    sum += std::abs(static_cast<int>(a.pixels[i]) - static_cast<int>(b.pixels[i]));
    ++n;
  }
  return sum / n;
}

double DifferingShare(const Image& a, const Image& b, int tolerance) {
  if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) return 1.0;
  size_t differing = 0;
  const size_t count = a.pixels.size() / 4;
  for (size_t p = 0; p < count; ++p) {
    for (int c = 0; c < 3; ++c) {
      if (std::abs(static_cast<int>(a.pixels[p * 4 + c]) - static_cast<int>(b.pixels[p * 4 + c])) > tolerance) {
        ++differing;
        break;
      }
    }
  }
  return static_cast<double>(differing) / count;
}

HeldShot TakeHeldShot(const std::string& name, const OptionChange& change, const Environment& environment) {
  HeldShot shot;
  SettingsRecord settings = DefaultSettings();
  LocalOptionsRecord local = DefaultLocalOptions();
  local.fadeOut = 0;
  if (change) change(settings, local);
  StoreRecords(settings, local);

  SaverProcess saver;
  if (!saver.Start("/s", environment, name + ".log")) {
    ADD_FAILURE() << name << ": the saver did not start";
    return shot;
  }
  if (!saver.WaitForTrace("hold steady", 60000)) {
    ADD_FAILURE() << name << ": no steady picture\n" << saver.Trace();
    return shot;
  }
  // The held picture is the one that stays the same from one capture to the next.
  Image previous = CaptureScreen();
  const DWORD start = GetTickCount();
  for (;;) {
    Sleep(300);
    shot.image = CaptureScreen();
    if (Measure(shot.image).litShare > 0.01 && DifferingShare(shot.image, previous, 0) == 0.0) break;
    if (GetTickCount() - start > 20000) {
      ADD_FAILURE() << name << ": the picture did not settle";
      break;
    }
    previous = shot.image;
  }
  SaveImage(shot.image, name);
  PressKey(VK_ESCAPE);
  int64_t code = saver.ExitCode(15000);
  if (code < 0) {
    PostMessageA(FindWindowA("The Korvan Selwyth Screensaver", nullptr), WM_CLOSE, 0, 0);
    code = saver.ExitCode(5000);
  }
  shot.trace = saver.Trace();
  EXPECT_EQ(code, 0) << name;
  EXPECT_NE(shot.trace.find("init gl_error=0x0"), std::string::npos) << name << "\n" << shot.trace;
  EXPECT_NE(shot.trace.find("gl_errors=0"), std::string::npos) << name << "\n" << shot.trace;
  shot.stats = Measure(shot.image);
  shot.ok = shot.image.width > 0;
  return shot;
}

}  // namespace saver_test
