#include "settings/presetfile.h"

#include <cstring>

#include "settings/settings.h"

namespace {

// Where a reader takes its bytes from: a memory image or a stream.
struct ByteSource {
    const uint8_t* data;   // memory image, or null for a stream
    size_t length;
    size_t position;
    std::FILE* file;

    // Reads up to `count` bytes; returns how many were read.
    size_t Read(void* out, size_t count) {
        if (file) return std::fread(out, 1, count, file);
        const size_t left = length - position;
        const size_t n = count < left ? count : left;
        if (n) std::memcpy(out, data + position, n);
        position += n;
        return n;
    }
};

uint32_t LoadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void StoreU32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

float FloatFromBits(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

uint32_t BitsFromFloat(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

void BuildHeader(uint32_t size, uint8_t (&header)[kPresetHeaderSize]) {
    std::memset(header, 0, sizeof header);
    std::memcpy(header, kPresetMagic, kPresetMagicSize);
    StoreU32(header + kPresetVersionOffset, BitsFromFloat(kProgramVersion));
    StoreU32(header + kPresetSizeOffset, size);
}

int ReadPreset(ByteSource& source, uint8_t* record, int capacity, PresetFileInfo* info) {
    PresetFileInfo found{0.0f, 0, 0};
    if (info) *info = found;

    uint8_t header[kPresetHeaderSize];
    const size_t got = source.Read(header, kPresetMagicSize);
    // The magic is compared as a string: its terminating NUL must be there too.
    if (got < static_cast<size_t>(kPresetMagicSize) ||
        std::memcmp(header, kPresetMagic, kPresetMagicSize) != 0) {
        return kPresetFileBadMagic;
    }
    const size_t rest = kPresetHeaderSize - kPresetMagicSize;
    if (source.Read(header + kPresetMagicSize, rest) < rest) return kPresetFileShort;

    found.version = FloatFromBits(LoadU32(header + kPresetVersionOffset));
    found.declaredSize = LoadU32(header + kPresetSizeOffset);
    if (info) *info = found;

    // No export produces a record part above kPresetMaxRecordSize.
    if (capacity < 0 || found.declaredSize > static_cast<uint32_t>(capacity) ||
        found.declaredSize > static_cast<uint32_t>(kPresetMaxRecordSize)) {
        return kPresetFileTooLarge;
    }
    const size_t size = found.declaredSize;
    if (size > 0) {
        if (!record) return kPresetFileTooLarge;
        if (source.file) {
            // Staged, so that a stream cut short leaves the caller's buffer untouched.
            uint8_t staging[kPresetMaxRecordSize];
            if (source.Read(staging, size) < size) return kPresetFileShort;
            std::memcpy(record, staging, size);
        } else {
            if (source.length - source.position < size) return kPresetFileShort;
            source.Read(record, size);
        }
    }
    found.recordSize = static_cast<int>(size);
    if (info) *info = found;

    int result = kPresetFileOk;
    if (found.version != kProgramVersion) result |= kPresetFileVersionDiffers;
    if (found.declaredSize != static_cast<uint32_t>(kSettingsRecordSize)) result |= kPresetFileSizeDiffers;
    return result;
}

// Copies at most capacity - 1 characters of [begin, end) and terminates.
void CopyBounded(const char* begin, size_t length, char* out, int capacity) {
    if (!out || capacity <= 0) return;
    const size_t room = static_cast<size_t>(capacity) - 1;
    const size_t n = length < room ? length : room;
    if (n) std::memmove(out, begin, n);
    out[n] = '\0';
}

}  // namespace

int ReadPresetImage(const uint8_t* data, size_t length, uint8_t* record, int capacity,
                    PresetFileInfo* info) {
    ByteSource source{data, data ? length : 0, 0, nullptr};
    return ReadPreset(source, record, capacity, info);
}

int ReadPresetStream(std::FILE* file, uint8_t* record, int capacity, PresetFileInfo* info) {
    if (!file) {
        if (info) *info = PresetFileInfo{0.0f, 0, 0};
        return kPresetFileCannotOpen;
    }
    ByteSource source{nullptr, 0, 0, file};
    return ReadPreset(source, record, capacity, info);
}

int ReadPresetFile(const char* path, uint8_t* record, int capacity, PresetFileInfo* info) {
    std::FILE* file = (path && path[0]) ? std::fopen(path, "rb") : nullptr;
    if (!file) {
        if (info) *info = PresetFileInfo{0.0f, 0, 0};
        return kPresetFileCannotOpen;
    }
    const int result = ReadPresetStream(file, record, capacity, info);
    std::fclose(file);
    return result;
}

int WritePresetImage(const uint8_t* record, uint32_t size, uint8_t* out, size_t capacity) {
    const size_t total = static_cast<size_t>(kPresetHeaderSize) + size;
    if (!out || capacity < total || (size > 0 && !record)) return -1;
    uint8_t header[kPresetHeaderSize];
    BuildHeader(size, header);
    std::memcpy(out, header, sizeof header);
    if (size) std::memcpy(out + kPresetHeaderSize, record, size);
    return static_cast<int>(total);
}

int WritePresetStream(std::FILE* file, const uint8_t* record, uint32_t size) {
    if (!file || (size > 0 && !record)) return -1;
    uint8_t header[kPresetHeaderSize];
    BuildHeader(size, header);
    if (std::fwrite(header, 1, sizeof header, file) != sizeof header) return -1;
    if (size && std::fwrite(record, 1, size, file) != size) return -1;
    return 0;
}

int WritePresetFile(const char* path, const uint8_t* record, uint32_t size) {
    if (!path || !path[0] || (size > 0 && !record)) return -1;
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return -1;
    int result = WritePresetStream(file, record, size) == 0 ? 0 : -2;
    if (std::fclose(file) != 0) result = -2;
    return result;
}

void UnquotePresetPath(const char* path, char* out, int capacity) {
    if (!path) path = "";
    size_t length = std::strlen(path);
    if (path[0] == '"') {
        ++path;
        --length;
        const char* last = nullptr;
        for (size_t i = length; i > 0; --i) {
            if (path[i - 1] == '"') {
                last = path + i - 1;
                break;
            }
        }
        if (last) length = static_cast<size_t>(last - path);
    }
    CopyBounded(path, length, out, capacity);
}

void ProposePresetName(const char* path, char* out, int capacity) {
    if (!path) path = "";
    size_t length = std::strlen(path);
    if (length < 5) {
        CopyBounded(path, length, out, capacity);
        return;
    }
    length -= 4;
    size_t start = 0;
    for (size_t i = 0; i < length; ++i) {
        if (path[i] == '/' || path[i] == '\\' || path[i] == ':') start = i + 1;
    }
    CopyBounded(path + start, length - start, out, capacity);
}

void ProposeExportFileName(const char* presetName, char* out, int capacity) {
    if (!presetName) presetName = "";
    CopyBounded(presetName, std::strlen(presetName), out, capacity);
    if (!out || capacity <= 0) return;
    for (char* p = out; *p; ++p) {
        switch (*p) {
            case '|': case ':': case '/': case '\\': case '*':
            case '?': case '<': case '>': case '"': case '\'':
                *p = '_';
                break;
            default:
                break;
        }
    }
}
