#include "request.h"

#include <cstring>
#include <ctime>

#include "net/version_file.h"

namespace {

constexpr char kVersionPath[] = "/pellor/kvsfb/latest.txt";
constexpr char kFeedbackPath[] = "/pellor/kvsfb/feedback.php";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool PathIs(const char* target, size_t pathLength, const char* path) {
    return pathLength == std::strlen(path) && std::memcmp(target, path, pathLength) == 0;
}

bool IsAddressCharacter(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return c && std::strchr("-._~:/?#[]@!$&'()*+,;=%", c) != nullptr;
}

}  // namespace

bool ParsePort(const char* text, int* port) {
    int value = 0;
    int digits = 0;
    for (const char* p = text; *p; ++p, ++digits) {
        if (*p < '0' || *p > '9' || digits == 5) return false;
        value = value * 10 + (*p - '0');
    }
    if (digits == 0 || value > 65535) return false;
    *port = value;
    return true;
}

std::string DataParameter(const char* target) {
    const char* query = std::strchr(target, '?');
    if (!query) return std::string();
    const char* start = query + 1;
    for (;;) {
        const char* end = std::strchr(start, '&');
        if (!end) end = start + std::strlen(start);
        if (end - start >= 5 && std::memcmp(start, "data=", 5) == 0) {
            std::string value;
            for (const char* p = start + 5; p < end; ++p) {
                const int high = end - p > 2 ? HexValue(p[1]) : -1;
                const int low = end - p > 2 ? HexValue(p[2]) : -1;
                if (*p == '%' && high >= 0 && low >= 0) {
                    value += static_cast<char>(high * 16 + low);
                    p += 2;
                } else {
                    value += *p;
                }
            }
            return value;
        }
        if (!*end) return std::string();
        start = end + 1;
    }
}

RequestVerdict ClassifyRequest(const char* method, const char* target, bool bodyAnnounced) {
    if (bodyAnnounced) return {kRouteNone, 413, "a request body", nullptr};
    const char* query = std::strchr(target, '?');
    const size_t pathLength = query ? static_cast<size_t>(query - target) : std::strlen(target);
    const bool get = std::strcmp(method, "GET") == 0;
    if (PathIs(target, pathLength, kVersionPath)) {
        if (get || std::strcmp(method, "HEAD") == 0) return {kRouteVersion, 200, "", nullptr};
        return {kRouteNone, 405, "a method other than GET or HEAD", "GET, HEAD"};
    }
    if (PathIs(target, pathLength, kFeedbackPath)) {
        if (get) return {kRouteFeedback, 200, "", nullptr};
        return {kRouteNone, 405, "feedback by a method other than GET", "GET"};
    }
    return {kRouteNone, 404, "an unknown path", nullptr};
}

bool IsPublishableVersion(const char* text) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return std::strlen(text) == 4 && digit(text[0]) && text[1] == '.' && digit(text[2]) && digit(text[3]);
}

bool IsPublishableAddress(const char* address) {
    const size_t length = std::strlen(address);
    if (length > kPublishedAddressMax || !IsOpenableAddress(address)) return false;
    for (size_t i = 0; i < length; ++i) {
        if (!IsAddressCharacter(static_cast<unsigned char>(address[i]))) return false;
    }
    return true;
}

void FormatLogTime(int64_t seconds, char out[21]) {
    const time_t t = static_cast<time_t>(seconds);
    struct tm utc;
    gmtime_r(&t, &utc);
    if (std::strftime(out, 21, "%Y-%m-%dT%H:%M:%SZ", &utc) == 0) std::strcpy(out, "0000-00-00T00:00:00Z");
}

bool LogPace::Admit(int64_t nowMs) {
    if (lastMs_ >= 0 && nowMs > lastMs_) {
        tokens_ += static_cast<double>(nowMs - lastMs_) * perSecond_ / 1000.0;
        if (tokens_ > burst_) tokens_ = burst_;
    }
    if (lastMs_ < 0 || nowMs > lastMs_) lastMs_ = nowMs;
    if (tokens_ >= 1.0) {
        tokens_ -= 1.0;
        return true;
    }
    ++heldBack_;
    return false;
}

uint64_t LogPace::TakeHeldBack() {
    const uint64_t count = heldBack_;
    heldBack_ = 0;
    return count;
}
