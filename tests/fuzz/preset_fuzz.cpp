// libFuzzer target: the preset file reader, from memory and from a stream, and
// the name a file would be proposed under.
#include <cstdio>
#include <cstring>

#include "settings/presetfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static uint8_t record[kPresetMaxRecordSize];
    PresetFileInfo info;
    ReadPresetImage(data, size, record, sizeof record, &info);
    ReadPresetImage(data, size, record, 716, &info);
    if (std::FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb")) {
        ReadPresetStream(stream, record, sizeof record, &info);
        std::fclose(stream);
    }
    char path[4096], name[kPresetNameCapacity];
    const size_t n = size < sizeof path - 1 ? size : sizeof path - 1;
    std::memcpy(path, data, n);
    path[n] = '\0';
    UnquotePresetPath(path, name, sizeof name);
    ProposePresetName(name, name, sizeof name);
    ProposeExportFileName(path, name, sizeof name);
    return 0;
}
