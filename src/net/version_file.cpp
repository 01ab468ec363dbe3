#include "net/version_file.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kListOffset = 5;
constexpr double kHighestVersion = 10000.0;

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        char c = *text;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != *prefix) return false;
    }
    return true;
}

}  // namespace

void EvaluateVersionReply(const char* reply, int length, float programVersion, VersionReply* out) {
    std::memset(out, 0, sizeof *out);
    if (length <= 0) return;
    if (length > kVersionFileMaxBytes) length = kVersionFileMaxBytes;

    // The number: at most its first 32 bytes, terminated, so strtod never runs past the reply.
    char head[33] = {};
    std::memcpy(head, reply, static_cast<size_t>(length < 32 ? length : 32));
    bool digit = false;
    for (const char* p = head; *p && !digit; ++p) digit = *p >= '0' && *p <= '9';
    char* end = nullptr;
    const double number = std::strtod(head, &end);
    if (!digit || end == head || !std::isfinite(number) || number < 0.0 || number >= kHighestVersion) return;
    out->serverVersion = static_cast<float>(number);

    // The list: from byte 5 up to the first NUL or the end of what was read.
    const char* list = reply + (length < kListOffset ? length : kListOffset);
    const char* listEnd = list;
    while (listEnd < reply + length && *listEnd) ++listEnd;
    const int listLength = static_cast<int>(listEnd - list);
    std::memcpy(out->addressList, list, static_cast<size_t>(listLength < kAddressListShown ? listLength : kAddressListShown));

    const int copied = listLength < kAddressCapacity - 1 ? listLength : kAddressCapacity - 1;
    std::memcpy(out->firstAddress, list, static_cast<size_t>(copied));
    char* cut = std::strchr(out->firstAddress, '\r');
    if (!cut) cut = std::strchr(out->firstAddress, '\n');
    if (cut) *cut = '\0';
    out->addressOpenable = IsOpenableAddress(out->firstAddress);

    out->verdict = out->serverVersion > programVersion ? kVersionNewer : kVersionNotNewer;
}

bool IsOpenableAddress(const char* address) {
    const char* rest = nullptr;
    if (StartsWithNoCase(address, "http://")) rest = address + 7;
    else if (StartsWithNoCase(address, "https://")) rest = address + 8;
    if (!rest || !*rest) return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(address); *p; ++p) {
        if (*p < 33 || *p == 127) return false;
    }
    return true;
}
