// Preset files (extension "kvs"): a 54-byte little-endian header followed by a
// settings record image. The header holds the magic text with its NUL, the
// version of the writer (f32), the size of the record part (u32) and two reserved
// u32 words (written 0, ignored when read).
//
// Also the two name rules of preset files: the name proposed for an imported file
// and the file name proposed for an exported preset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr char kPresetMagic[] = "The Korvan Selwyth Screensaver Preset";
constexpr int kPresetMagicSize = 38;           // 37 characters and the NUL
constexpr int kPresetHeaderSize = 54;
constexpr int kPresetVersionOffset = 38;
constexpr int kPresetSizeOffset = 42;
// Largest record part an import accepts and an export reads from the registry.
constexpr int kPresetMaxRecordSize = 32768;
// Preset names and file names: at most 2047 characters and the NUL.
constexpr int kPresetNameCapacity = 2048;

static_assert(sizeof kPresetMagic == kPresetMagicSize, "the magic is 37 characters and a NUL");

// Results of reading a preset file. Negative values: the file cannot be used.
// Otherwise a combination of the flags below (0 = exactly this program's format);
// the record part has then been read completely.
enum PresetFileResult : int {
    kPresetFileOk = 0,
    kPresetFileVersionDiffers = 1,   // header version is not exactly kProgramVersion
    kPresetFileSizeDiffers = 2,      // record part is not kSettingsRecordSize bytes
    kPresetFileCannotOpen = -1,      // the file cannot be opened for reading
    kPresetFileBadMagic = -2,        // the first 38 bytes are not the magic
    kPresetFileShort = -3,           // the header or the declared record part is cut short
    kPresetFileTooLarge = -4,        // the declared record part exceeds the caller's buffer
                                     // or kPresetMaxRecordSize
};

// What a read found. version and declaredSize are 0 when the magic or the header is
// wrong or cut short; otherwise they hold the header's values, also for a record
// part that is too large or cut short.
struct PresetFileInfo {
    float version;          // the header version
    uint32_t declaredSize;  // the size field of the header
    int recordSize;         // bytes stored into the caller's record buffer (0 on failure)
};

// Reads a preset file image held in memory. The record part goes to `record`
// (capacity bytes); nothing is stored there unless the whole declared record part
// is present and fits. Bytes after the record part are ignored.
int ReadPresetImage(const uint8_t* data, size_t length, uint8_t* record, int capacity,
                    PresetFileInfo* info);
// The same from the current position of an open binary stream.
int ReadPresetStream(std::FILE* file, uint8_t* record, int capacity, PresetFileInfo* info);
// Opens `path` for binary reading, reads it and closes it again.
int ReadPresetFile(const char* path, uint8_t* record, int capacity, PresetFileInfo* info);

// Writes the header (this program's version, `size`) followed by `size` record bytes.
// Returns the number of bytes written to `out`, or -1 when `capacity` is too small.
int WritePresetImage(const uint8_t* record, uint32_t size, uint8_t* out, size_t capacity);
// Returns 0, or -1 when a write fails.
int WritePresetStream(std::FILE* file, const uint8_t* record, uint32_t size);
// Creates (truncates) `path` and writes the file. Returns 0, -1 when the file cannot
// be created (nothing is written) and -2 when writing fails part-way.
int WritePresetFile(const char* path, const uint8_t* record, uint32_t size);

// A path as the shell passes it: when it starts with a double quote, that quote is
// dropped and the text is cut at the last remaining double quote (if any).
// The result (cut to capacity - 1 characters) goes to `out`.
void UnquotePresetPath(const char* path, char* out, int capacity);

// The name proposed for an imported file: a path of at least 5 characters loses its
// last 4 characters (the extension and its dot) and everything up to its last '/',
// '\' or ':'; a shorter path is proposed unchanged. Cut to capacity - 1 characters.
void ProposePresetName(const char* path, char* out, int capacity);

// The file name proposed for an exported preset: the name with each of
// | : / \ * ? < > " ' replaced by '_'. Cut to capacity - 1 characters.
void ProposeExportFileName(const char* presetName, char* out, int capacity);
