#include "service.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "net/base64.h"
#include "net/version_file.h"

namespace {

constexpr char kVersionRoute[] = "/pellor/kvsfb/latest.txt";
constexpr char kFeedbackRoute[] = "/pellor/kvsfb/feedback.php";
constexpr int kMaxDataLength = Base64Length(kFeedbackRecordCapacity);

void Refuse(const char* why, size_t length) {
    std::fprintf(stderr, "feedback refused: %s (%zu characters of data)\n", why, length);
}

const char* DescribeRecordError(int result) {
    switch (result) {
        case kFeedbackRecordFieldCount: return "not eight fields";
        case kFeedbackRecordTooLong: return "a field is too long";
        case kFeedbackRecordBadText: return "bad text or e-mail address";
        default: return "bad version, flag or age";
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The data parameter of a request target, percent escapes decoded and nothing else:
// the query decoding of the HTTP library would turn "+" into a space and drop "=".
std::string DataParameter(const std::string& target) {
    const size_t query = target.find('?');
    if (query == std::string::npos) return std::string();
    size_t start = query + 1;
    while (start <= target.size()) {
        size_t end = target.find('&', start);
        if (end == std::string::npos) end = target.size();
        if (target.compare(start, 5, "data=") == 0) {
            std::string value;
            for (size_t i = start + 5; i < end; ++i) {
                const int high = i + 2 < end ? HexValue(target[i + 1]) : -1;
                const int low = i + 2 < end ? HexValue(target[i + 2]) : -1;
                if (target[i] == '%' && high >= 0 && low >= 0) {
                    value += static_cast<char>(high * 16 + low);
                    i += 2;
                } else {
                    value += target[i];
                }
            }
            return value;
        }
        start = end + 1;
    }
    return std::string();
}

std::string ReadVersionFile(const std::string& dataDir, bool* found) {
    std::ifstream file(std::filesystem::path(dataDir) / kVersionFileName, std::ios::binary);
    *found = static_cast<bool>(file);
    std::ostringstream text;
    if (file) text << file.rdbuf();
    return text.str();
}

}  // namespace

int OpenService(Service& service, const std::string& dataDir) {
    std::error_code error;
    std::filesystem::create_directories(dataDir, error);
    service.dataDir = dataDir;
    return service.store.Open((std::filesystem::path(dataDir) / kDatabaseFileName).string());
}

std::string AnswerFeedback(Service& service, const std::string& data) {
    if (data.empty() || data.size() > static_cast<size_t>(kMaxDataLength)) {
        Refuse(data.empty() ? "no data" : "too long", data.size());
        return kFailureReply;
    }
    char record[kFeedbackRecordCapacity];
    const int length = DecodeBase64(data.data(), static_cast<int>(data.size()), reinterpret_cast<uint8_t*>(record),
                                    sizeof record);
    if (length < 0) {
        Refuse("not Base64", data.size());
        return kFailureReply;
    }
    FeedbackEntry entry;
    const int parsed = ParseFeedbackRecord(record, length, &entry);
    if (parsed != kFeedbackRecordOk) {
        Refuse(DescribeRecordError(parsed), data.size());
        return kFailureReply;
    }
    Registration registration;
    if (service.store.Add(entry, &registration) != kStoreOk) {
        Refuse("the database cannot be written", data.size());
        return kFailureReply;
    }
    char reply[16];
    std::snprintf(reply, sizeof reply, "0 %d %d", registration.alreadyOnMailList ? 1 : 0,
                  registration.alreadyOnSoftwareList ? 1 : 0);
    return reply;
}

void RegisterRoutes(httplib::Server& server, Service& service) {
    // Both answers change at any time; no cache in between may keep them.
    server.set_default_headers({{"Cache-Control", "no-cache, no-store"}});
    server.Get(kVersionRoute, [&service](const httplib::Request&, httplib::Response& response) {
        bool found = false;
        const std::string text = ReadVersionFile(service.dataDir, &found);
        response.status = found ? 200 : 404;
        response.set_content(text, "text/plain");
    });
    server.Get(kFeedbackRoute, [&service](const httplib::Request& request, httplib::Response& response) {
        response.set_content(AnswerFeedback(service, DataParameter(request.target)), "text/plain");
    });
}

int PublishVersion(const std::string& dataDir, const char* version, const char* const* addresses, int count) {
    char* end = nullptr;
    const double number = std::strtod(version, &end);
    char head[16];
    if (end == version || *end || !std::isfinite(number) ||
        std::snprintf(head, sizeof head, "%.2f\n", number) != 5 || number < 0) {
        return kPublishBadVersion;
    }
    std::string text = head;
    for (int i = 0; i < count; ++i) {
        if (!IsOpenableAddress(addresses[i])) return kPublishBadAddress;
        text += addresses[i];
        text += "\n";
    }
    std::error_code error;
    std::filesystem::create_directories(dataDir, error);
    const std::filesystem::path target = std::filesystem::path(dataDir) / kVersionFileName;
    const std::filesystem::path temporary = target.string() + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!(file << text) || !file.flush()) return kPublishWriteFailed;
    }
    std::filesystem::rename(temporary, target, error);
    return error ? kPublishWriteFailed : kPublishOk;
}
