#include "service.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "net/base64.h"
#include "net/version_file.h"
#include "request.h"

namespace {

constexpr int kMaxDataLength = Base64Length(kFeedbackRecordCapacity);

const char* DescribeRecordError(int result) {
    switch (result) {
        case kFeedbackRecordFieldCount: return "not eight fields";
        case kFeedbackRecordTooLong: return "a field is too long";
        case kFeedbackRecordBadText: return "bad text or e-mail address";
        default: return "bad version, flag or age";
    }
}

// Makes `dir` and its missing parents; the folders made here are 0700.
bool MakeFolder(const std::string& dir) {
    std::error_code error;
    if (std::filesystem::is_directory(dir, error)) return true;
    const std::filesystem::path parent = std::filesystem::path(dir).parent_path();
    if (!parent.empty() && parent != dir && !MakeFolder(parent.string())) return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool SyncFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace

int OpenService(Service& service, const std::string& dataDir, StoreMode mode, std::string* error) {
    service.dataDir = dataDir;
    const std::string path = (std::filesystem::path(dataDir) / kDatabaseFileName).string();
    std::error_code exists;
    if (mode == kStoreRead && !std::filesystem::exists(path, exists)) {
        *error = "no database at " + path;
        return kStoreCannotOpen;
    }
    if (mode == kStoreServe && !MakeFolder(dataDir)) {
        *error = "cannot make the folder " + dataDir + ": " + std::strerror(errno);
        return kStoreCannotOpen;
    }
    std::string why;
    const int result = service.store.Open(path, mode, &why);
    if (result == kStoreDamaged) *error = "the database " + path + " is damaged: " + why;
    else if (result != kStoreOk) *error = "cannot open the database " + path + " read-write: " + why;
    if (result == kStoreOk && mode == kStoreServe) {
        struct stat info;
        if (::stat(path.c_str(), &info) == 0 && (info.st_mode & 077)) {
            std::fprintf(stderr, "kvs_server: warning: %s can be read by other users (mode %03o)\n", path.c_str(),
                         static_cast<unsigned>(info.st_mode & 0777));
        }
    }
    return result;
}

const char* ReadFeedbackData(const std::string& data, FeedbackEntry* entry) {
    if (data.empty()) return "no data";
    if (data.size() > static_cast<size_t>(kMaxDataLength)) return "data too long";
    char record[kFeedbackRecordCapacity];
    const int length = DecodeBase64(data.data(), static_cast<int>(data.size()), reinterpret_cast<uint8_t*>(record),
                                    sizeof record);
    if (length < 0) return "data not Base64";
    const int parsed = ParseFeedbackRecord(record, length, entry);
    return parsed == kFeedbackRecordOk ? nullptr : DescribeRecordError(parsed);
}

std::string FeedbackReply(const Registration& registration) {
    char reply[16];
    std::snprintf(reply, sizeof reply, "0 %d %d", registration.alreadyOnMailList ? 1 : 0,
                  registration.alreadyOnSoftwareList ? 1 : 0);
    return reply;
}

bool ReadVersionFile(const std::string& dataDir, std::string* text) {
    const std::string path = (std::filesystem::path(dataDir) / kVersionFileName).string();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    text->resize(kVersionFileMaxBytes);
    size_t size = 0;
    while (size < text->size()) {
        const ssize_t n = ::read(fd, &(*text)[size], text->size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        size += static_cast<size_t>(n);
    }
    ::close(fd);
    text->resize(size);
    return true;
}

int PublishVersion(const std::string& dataDir, const char* version, const char* const* addresses, int count) {
    if (!IsPublishableVersion(version)) return kPublishBadVersion;
    std::string text = std::string(version) + "\n";
    for (int i = 0; i < count; ++i) {
        if (!IsPublishableAddress(addresses[i])) return kPublishBadAddress;
        text += addresses[i];
        text += "\n";
    }
    if (text.size() > static_cast<size_t>(kVersionFileMaxBytes)) return kPublishTooLong;
    if (!MakeFolder(dataDir)) return kPublishWriteFailed;
    const std::string target = (std::filesystem::path(dataDir) / kVersionFileName).string();
    std::string temporary = target + ".XXXXXX";
    const int fd = ::mkstemp(&temporary[0]);
    if (fd < 0) return kPublishWriteFailed;
    // The version file is public: everyone may read it.
    const bool written = ::fchmod(fd, 0644) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return kPublishWriteFailed;
    }
    SyncFolder(dataDir);
    return kPublishOk;
}
