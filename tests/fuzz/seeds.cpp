// Writes the seed corpora of the fuzz targets from the program's own defaults
// and writers: <dir>/preset, <dir>/bitmap and <dir>/settings.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "render/bitmap.h"
#include "settings/presetfile.h"
#include "settings/settings.h"

namespace {

bool Write(const std::string& path, const void* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

SettingsRecord Defaults() {
    SettingsRecord s;
    std::memset(&s, 0, sizeof s);
    FillDefaultSettings(s);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus dir>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    for (const char* sub : {"", "/preset", "/bitmap", "/settings"}) mkdir((root + sub).c_str(), 0755);
    bool ok = true;

    const SettingsRecord defaults = Defaults();
    const auto* bytes = reinterpret_cast<const uint8_t*>(&defaults);
    ok &= WritePresetFile((root + "/preset/default.kvs").c_str(), bytes, sizeof defaults) == 0;
    ok &= WritePresetFile((root + "/preset/short.kvs").c_str(), bytes, 600) == 0;

    aBitmap picture(8, 8);
    for (int i = 0; i < 8 * 8 * 4; ++i) picture.pixels[i] = static_cast<uint8_t>(i * 37);
    ok &= SaveBitmapFile(picture, (root + "/bitmap/raw.abitmap").c_str()) == kBitmapOk;
    ok &= SaveBitmapFileCompressed(picture, (root + "/bitmap/packed.abitmap").c_str()) == kBitmapOk;

    // Records with their control bytes: the defaults on one display; two displays
    // in preview with key presses; the largest grid with every effect key.
    const uint8_t plain[] = {0, 0, 100, 99, 74, 1};
    const uint8_t keys[] = {1, 1, 20, 40, 30, 2, 0xC0, 16, 0xC1, 0xC2, 0xC3, 0xC4, 0xC9, 16};
    struct Seed {
        const char* name;
        SettingsRecord record;
        const uint8_t* control;
        size_t controlSize;
    } seeds[] = {{"default", defaults, plain, sizeof plain}, {"keys", defaults, keys, sizeof keys},
                 {"large", defaults, keys, sizeof keys}};
    SettingsRecord& large = seeds[2].record;
    large.columns = kMaxColumns;
    large.rows = kMaxRows;
    large.motionBlurDepth = 63;
    large.textInterval = 0;
    for (const Seed& seed : seeds) {
        std::string image(reinterpret_cast<const char*>(&seed.record), sizeof seed.record);
        image.append(reinterpret_cast<const char*>(seed.control), seed.controlSize);
        ok &= Write(root + "/settings/" + seed.name, image.data(), image.size());
    }
    if (!ok) std::fprintf(stderr, "could not write the seeds under %s\n", root.c_str());
    return ok ? 0 : 1;
}
