// Writes the saver's two option records to the registry: the defaults with
// the fields named on the command line changed, e.g.
//   kvs_saver_options.exe motionBlurDepth=8 halo=255 reduceHardwareUsage=0
// Used by the benchmark and by hand; prints the fields it changed.
#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "settings/settings.h"

namespace {

enum Kind { kU8, kI32, kF32 };
struct Field {
  const char* name;
  bool local;  // in the local options record
  size_t offset;
  Kind kind;
};

#define S(name, kind) {#name, false, offsetof(SettingsRecord, name), kind}
#define L(name, kind) {#name, true, offsetof(LocalOptionsRecord, name), kind}
const Field kFields[] = {
    S(speed, kF32), S(columns, kI32), S(rows, kI32), S(charBlurLevel, kI32), S(charEnglow, kF32),
    S(motionBlurDepth, kI32), S(verticalBlurLevel, kI32), S(halo, kU8), S(renderLastFrame, kU8),
    S(sharperVerticalBlur, kU8), S(sharperHalo, kU8), S(consoleStart, kU8), S(jumpInStart, kU8),
    S(radialBlur, kU8), S(radialDiffuse, kF32), S(charSize, kF32), S(textEnabled, kU8), S(textZoomIn, kU8),
    S(keepPattern, kU8), S(dejaVuEnabled, kU8), S(burstsEnabled, kU8), S(smallBurstsEnabled, kU8),
    S(dropsEnabled, kU8), S(lightningsEnabled, kU8), S(crashEnabled, kU8), S(supermanEnabled, kU8),
    S(rotatorsOccurrence, kI32), S(dejaVuInterval, kI32), S(burstMovementInterval, kI32),
    S(burstStillInterval, kI32), S(burstTraceInterval, kI32), S(smallBurstsInterval, kI32), S(dropsInterval, kI32),
    S(lightningsInterval, kI32), S(crashInterval, kI32), S(supermanInterval, kI32),
    L(reduceHardwareUsage, kU8), L(showCounters, kU8), L(soundEnabled, kU8), L(volume, kI32),
    L(detectMediaPlayer, kU8), L(extremeLowTextures, kU8), L(allowKeyboard, kU8), L(allowMouse, kU8),
    L(textureFilter, kI32), L(anisotropic, kU8), L(screenWidth, kI32), L(screenHeight, kI32),
    L(screenBits, kI32), L(screenHz, kI32), L(compressedBlurTextures, kU8), L(alwaysOnTop, kU8),
    L(fadeOut, kU8),
};
#undef S
#undef L

bool Write(const char* key, const void* data, DWORD size) {
  HKEY handle = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
    return false;
  const LONG result = RegSetValueExA(handle, "", 0, REG_BINARY, static_cast<const BYTE*>(data), size);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  SettingsRecord settings;
  LocalOptionsRecord local;
  std::memset(&settings, 0, sizeof settings);
  std::memset(&local, 0, sizeof local);
  FillDefaultSettings(settings);
  FillDefaultLocalOptions(local);

  for (int i = 1; i < argc; ++i) {
    const char* equals = std::strchr(argv[i], '=');
    const Field* field = nullptr;
    for (const Field& f : kFields)
      if (equals && std::strncmp(f.name, argv[i], equals - argv[i]) == 0 && f.name[equals - argv[i]] == '\0')
        field = &f;
    if (!field) {
      std::fprintf(stderr, "unknown option: %s\n", argv[i]);
      return 2;
    }
    unsigned char* base = field->local ? reinterpret_cast<unsigned char*>(&local)
                                       : reinterpret_cast<unsigned char*>(&settings);
    const char* text = equals + 1;
    if (field->kind == kF32) {
      const float value = std::strtof(text, nullptr);
      std::memcpy(base + field->offset, &value, sizeof value);
    } else if (field->kind == kI32) {
      const int32_t value = static_cast<int32_t>(std::strtol(text, nullptr, 10));
      std::memcpy(base + field->offset, &value, sizeof value);
    } else {
      base[field->offset] = static_cast<unsigned char>(std::strtol(text, nullptr, 10));
    }
    std::printf("%s\n", argv[i]);
  }
  const bool ok = Write("Software\\Pellor\\The Korvan Selwyth Screensaver", &settings, sizeof settings) &&
                  Write("Software\\Pellor\\The Korvan Selwyth Screensaver\\Global", &local, sizeof local);
  return ok ? 0 : 1;
}
