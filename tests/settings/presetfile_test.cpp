#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "settings/default_records.h"
#include "settings/presetfile.h"
#include "settings/settings.h"

namespace {

std::vector<uint8_t> DefaultImage() {
    const SettingsRecord s = DefaultSettings();
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&s);
    return std::vector<uint8_t>(p, p + sizeof s);
}

std::vector<uint8_t> FileImage(const std::vector<uint8_t>& record) {
    std::vector<uint8_t> out(kPresetHeaderSize + record.size());
    const int n = WritePresetImage(record.data(), static_cast<uint32_t>(record.size()), out.data(), out.size());
    EXPECT_EQ(n, static_cast<int>(out.size()));
    return out;
}

void PutU32(std::vector<uint8_t>& image, size_t offset, uint32_t v) {
    for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutF32(std::vector<uint8_t>& image, size_t offset, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    PutU32(image, offset, bits);
}

// Reads `image` both from memory and through a stream; both must agree.
struct ReadBoth {
    int memoryResult;
    int streamResult;
    PresetFileInfo memoryInfo;
    PresetFileInfo streamInfo;
    std::vector<uint8_t> memoryRecord;
    std::vector<uint8_t> streamRecord;
};

ReadBoth Read(const std::vector<uint8_t>& image, int capacity, uint8_t fill = 0xAB) {
    ReadBoth r;
    r.memoryRecord.assign(static_cast<size_t>(capacity), fill);
    r.streamRecord.assign(static_cast<size_t>(capacity), fill);
    r.memoryResult = ReadPresetImage(image.data(), image.size(), r.memoryRecord.data(), capacity, &r.memoryInfo);
    std::FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    if (!image.empty()) {
        EXPECT_EQ(std::fwrite(image.data(), 1, image.size(), f), image.size());
    }
    std::rewind(f);
    r.streamResult = ReadPresetStream(f, r.streamRecord.data(), capacity, &r.streamInfo);
    std::fclose(f);
    EXPECT_EQ(r.memoryResult, r.streamResult);
    EXPECT_EQ(r.memoryInfo.declaredSize, r.streamInfo.declaredSize);
    EXPECT_EQ(r.memoryInfo.recordSize, r.streamInfo.recordSize);
    EXPECT_EQ(r.memoryRecord, r.streamRecord);
    return r;
}

// A refused image leaves no record behind and the caller's buffer as it was.
void ExpectRefused(const ReadBoth& r, int result) {
    EXPECT_EQ(r.memoryResult, result);
    EXPECT_EQ(r.memoryInfo.recordSize, 0);
    EXPECT_EQ(r.memoryRecord, std::vector<uint8_t>(r.memoryRecord.size(), 0xAB));
}

TEST(PresetFile, DefaultPresetIs770BytesWithTheDocumentedHeader) {
    const std::vector<uint8_t> record = DefaultImage();
    const std::vector<uint8_t> image = FileImage(record);
    ASSERT_EQ(image.size(), 770u);
    EXPECT_EQ(0, std::memcmp(image.data(), "The Korvan Selwyth Screensaver Preset", 37));
    EXPECT_EQ(image[37], 0);
    const uint8_t tail[16] = {0x71, 0x3D, 0x0A, 0x3F, 0xCC, 0x02, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(image.data() + 38, tail, sizeof tail));
    EXPECT_EQ(0, std::memcmp(image.data() + 54, record.data(), record.size()));

    const ReadBoth r = Read(image, kSettingsRecordSize);
    EXPECT_EQ(r.memoryResult, kPresetFileOk);
    EXPECT_EQ(r.memoryInfo.version, kProgramVersion);
    EXPECT_EQ(r.memoryInfo.declaredSize, 716u);
    EXPECT_EQ(r.memoryInfo.recordSize, 716);
    EXPECT_EQ(r.memoryRecord, record);
}

TEST(PresetFile, FileRoundTripAndMissingFile) {
    const std::vector<uint8_t> record = DefaultImage();
    const std::string path = ::testing::TempDir() + "kvs_presetfile_roundtrip.kvs";
    ASSERT_EQ(WritePresetFile(path.c_str(), record.data(), static_cast<uint32_t>(record.size())), 0);

    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 0, SEEK_END);
    EXPECT_EQ(std::ftell(f), 770);
    std::fclose(f);

    std::vector<uint8_t> back(kPresetMaxRecordSize, 0);
    PresetFileInfo info;
    EXPECT_EQ(ReadPresetFile(path.c_str(), back.data(), kPresetMaxRecordSize, &info), kPresetFileOk);
    EXPECT_EQ(info.recordSize, 716);
    EXPECT_EQ(0, std::memcmp(back.data(), record.data(), record.size()));
    std::remove(path.c_str());

    EXPECT_EQ(ReadPresetFile(path.c_str(), back.data(), kPresetMaxRecordSize, &info), kPresetFileCannotOpen);
    EXPECT_EQ(info.recordSize, 0);
    EXPECT_EQ(ReadPresetFile("", back.data(), kPresetMaxRecordSize, &info), kPresetFileCannotOpen);
    EXPECT_EQ(ReadPresetFile(nullptr, back.data(), kPresetMaxRecordSize, &info), kPresetFileCannotOpen);
    EXPECT_EQ(ReadPresetStream(nullptr, back.data(), kPresetMaxRecordSize, &info), kPresetFileCannotOpen);
    EXPECT_EQ(WritePresetFile((::testing::TempDir() + "no/such/dir/x.kvs").c_str(), record.data(), 716), -1);
}

TEST(PresetFile, OtherVersionsAndSizesAreReadAndFlagged) {
    std::vector<uint8_t> record(600);
    for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(i * 7);
    std::vector<uint8_t> image = FileImage(record);
    PutF32(image, kPresetVersionOffset, 0.5f);

    ReadBoth r = Read(image, kSettingsRecordSize);
    EXPECT_EQ(r.memoryResult, kPresetFileVersionDiffers | kPresetFileSizeDiffers);
    EXPECT_EQ(r.memoryInfo.version, 0.5f);
    EXPECT_EQ(r.memoryInfo.declaredSize, 600u);
    EXPECT_EQ(r.memoryInfo.recordSize, 600);
    EXPECT_EQ(0, std::memcmp(r.memoryRecord.data(), record.data(), 600));
    for (size_t i = 600; i < 716; ++i) EXPECT_EQ(r.memoryRecord[i], 0xAB) << "byte " << i << " was never in the file";

    // Only the version differs.
    std::vector<uint8_t> full = FileImage(DefaultImage());
    PutF32(full, kPresetVersionOffset, 0.53f);
    EXPECT_EQ(Read(full, kSettingsRecordSize).memoryResult, kPresetFileVersionDiffers);
    // Only the size differs (a record part of 0 bytes is a valid, if useless, file).
    std::vector<uint8_t> empty = FileImage({});
    EXPECT_EQ(Read(empty, kSettingsRecordSize).memoryResult, kPresetFileSizeDiffers);
    // Reserved header words are skipped whatever they hold; bytes after the record are ignored.
    PutU32(full, 46, 0xDEADBEEF);
    PutU32(full, 50, 0x12345678);
    PutF32(full, kPresetVersionOffset, kProgramVersion);
    full.push_back(0x55);
    r = Read(full, kSettingsRecordSize);
    EXPECT_EQ(r.memoryResult, kPresetFileOk);
    EXPECT_EQ(r.memoryRecord, DefaultImage());
}

TEST(PresetFile, WrongMagicAndShortHeadersAreRefused) {
    const std::vector<uint8_t> good = FileImage(DefaultImage());
    std::vector<uint8_t> wrongLetter = good;
    wrongLetter[4] = 'k';
    std::vector<uint8_t> noTerminator = good;
    noTerminator[37] = '!';
    const std::vector<uint8_t> magicOnlyCut(good.begin(), good.begin() + 37);
    const std::vector<uint8_t> nothing;
    const std::vector<uint8_t>* images[] = {&wrongLetter, &noTerminator, &magicOnlyCut, &nothing};
    for (const std::vector<uint8_t>* image : images) ExpectRefused(Read(*image, kSettingsRecordSize), kPresetFileBadMagic);
    for (size_t cut : {38u, 41u, 45u, 53u}) {
        const ReadBoth r = Read(std::vector<uint8_t>(good.begin(), good.begin() + cut), kSettingsRecordSize);
        ExpectRefused(r, kPresetFileShort);
        EXPECT_EQ(r.memoryInfo.declaredSize, 0u) << cut;
    }
}

// A declared size larger than the buffer must not overrun it, and a record part cut
// short must not leave bytes in the buffer that were never in the file.
TEST(PresetFile, OversizedAndTruncatedRecordsLeaveTheBufferAlone) {
    std::vector<uint8_t> image = FileImage(DefaultImage());
    PutU32(image, kPresetSizeOffset, 800);
    image.resize(kPresetHeaderSize + 800, 0x11);
    ReadBoth r = Read(image, kSettingsRecordSize);
    ExpectRefused(r, kPresetFileTooLarge);
    EXPECT_EQ(r.memoryInfo.declaredSize, 800u);
    // The same file fits a larger buffer.
    EXPECT_EQ(Read(image, kPresetMaxRecordSize).memoryResult, kPresetFileSizeDiffers);

    for (uint32_t declared : {32769u, 40000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        PutU32(image, kPresetSizeOffset, declared);
        ExpectRefused(Read(image, kPresetMaxRecordSize), kPresetFileTooLarge);
    }

    std::vector<uint8_t> cut = FileImage(DefaultImage());
    cut.resize(kPresetHeaderSize + 500);
    r = Read(cut, kSettingsRecordSize);
    ExpectRefused(r, kPresetFileShort);
    EXPECT_EQ(r.memoryInfo.declaredSize, 716u);

    // Exactly the largest accepted record part.
    std::vector<uint8_t> big(kPresetMaxRecordSize, 0x5A);
    r = Read(FileImage(big), kPresetMaxRecordSize);
    EXPECT_EQ(r.memoryResult, kPresetFileSizeDiffers);
    EXPECT_EQ(r.memoryRecord, big);
}

TEST(PresetNames, ImportProposesTheFileNameWithoutItsExtension) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\a\\b\\my look.kvs", "my look"},
        {"look.kvs", "look"},
        {"x.kv", "x.kv"},
        {"a\\b", "a\\b"},           // below 5 characters nothing is cut
        {"", ""},
        {"abcde", "a"},
        {"/home/u/rain.kvs", "rain"},
        {"C:rain.kvs", "rain"},
        {"\\\\server\\share\\dir.v2\\names", "n"},   // the last 4 characters go whatever they are
        {"C:\\dir\\.kvs", ""},
        {"look.preset", "look.pr"},
    };
    for (const Case& c : cases) {
        char out[kPresetNameCapacity];
        ProposePresetName(c.path, out, sizeof out);
        EXPECT_STREQ(out, c.name) << c.path;
    }
    char out[kPresetNameCapacity];
    ProposePresetName(nullptr, out, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST(PresetNames, ExportReplacesCharactersFileNamesCannotHold) {
    char out[kPresetNameCapacity];
    ProposeExportFileName("a/b", out, sizeof out);
    EXPECT_STREQ(out, "a_b");
    ProposeExportFileName("|:/\\*?<>\"'", out, sizeof out);
    EXPECT_STREQ(out, "__________");
    ProposeExportFileName("Default preset (2) - green.v1", out, sizeof out);
    EXPECT_STREQ(out, "Default preset (2) - green.v1");
}

TEST(PresetNames, QuotedPathsLoseTheirQuotes) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"\"C:\\my dir\\look.kvs\"", "C:\\my dir\\look.kvs"},
        {"\"C:\\look.kvs\" ", "C:\\look.kvs"},
        {"\"C:\\look.kvs", "C:\\look.kvs"},
        {"\"a\"b\"", "a\"b"},
        {"C:\\look.kvs", "C:\\look.kvs"},
        {"\"", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        char out[kPresetNameCapacity];
        UnquotePresetPath(c.in, out, sizeof out);
        EXPECT_STREQ(out, c.out) << c.in;
    }
}

}  // namespace
