// The server's rules for what arrives, free of the HTTP library and the database:
// options, request targets, published versions and addresses, and the pace of the
// refusal log. Everything here is a pure function over bytes (or a small record
// driven by a given clock), so the HTTP glue only forwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A port option: decimal digits only, written whole, from 0 to 65535 (0 asks the
// system for a free port). Anything else ("abc", "8080x", "+80", " 80", "-1",
// "65536", "") is false.
bool ParsePort(const char* text, int* port);

// The data parameter of a request target, percent escapes decoded and nothing else
// ("+" stays "+", "=" inside the value stays): the program sends Base64 unescaped.
// Empty when the target has no such parameter.
std::string DataParameter(const char* target);

enum Route : int {
    kRouteNone = 0,
    kRouteVersion,   // GET or HEAD /pellor/kvsfb/latest.txt
    kRouteFeedback,  // GET /pellor/kvsfb/feedback.php?data=...
};

// What to do with a request whose head arrived whole: a route to answer, or the
// status that refuses it and why (for the log).
struct RequestVerdict {
    Route route;
    int status;          // 200 when routed, else 404, 405 or 413
    const char* reason;  // empty when routed
    const char* allow;   // the methods the path takes, with 405; else nullptr
};

// `target` is the request target exactly as sent (path and query, nothing decoded);
// `bodyAnnounced` is true when the head announces a body (a Content-Length above 0
// or any Transfer-Encoding). No request here carries a body, and none is ever read
// or inflated: a body is refused before anything else. Only GET stores.
RequestVerdict ClassifyRequest(const char* method, const char* target, bool bodyAnnounced);

// A version to publish: exactly one digit, a full stop and two digits ("0.55").
bool IsPublishableVersion(const char* text);

constexpr size_t kPublishedAddressMax = 2048;  // the program opens at most this much
// A download address to publish: an address the program may open (http:// or
// https://, nothing below 33 or at 127), at most 2048 characters, and only the
// characters an address can hold unescaped (letters, digits, -._~:/?#[]@!$&'()*+,;=%).
bool IsPublishableAddress(const char* address);

// "2026-12-07T00:01:02Z" for a time in seconds since 1970 (UTC); `out` holds 21.
void FormatLogTime(int64_t seconds, char out[21]);

// The refusal log's pace: at most `burst` lines at once and `perSecond` lines a
// second over time; the lines held back meanwhile are counted, and the count is
// taken by the next line that passes.
class LogPace {
public:
    LogPace(int perSecond, int burst) : perSecond_(perSecond), burst_(burst), tokens_(burst) {}
    // True when a line may be written at `nowMs` (a monotonic time in milliseconds);
    // false counts it as held back.
    bool Admit(int64_t nowMs);
    // The lines held back since the last call, and resets the count.
    uint64_t TakeHeldBack();

private:
    int perSecond_;
    int burst_;
    double tokens_;
    int64_t lastMs_ = -1;
    uint64_t heldBack_ = 0;
};
