// The version file the update check reads: the newest published version number at
// its start (for example "0.55\n", four characters and a line break), then from
// byte 5 on the download addresses, one per line. The first of them is offered to
// be opened.
#pragma once

#include <cstdint>

constexpr int kVersionFileMaxBytes = 65535;  // read at most this much
constexpr int kAddressCapacity = 2049;       // the opened address: 2048 characters
constexpr int kAddressListShown = 1024;      // characters of the list put in the message

enum VersionVerdict : int {
    kVersionUnreadable = 0,  // nothing usable arrived: the server's failure message
    kVersionNotNewer = 1,    // the published version is not above ours
    kVersionNewer = 2,       // a newer version is published
};

struct VersionReply {
    VersionVerdict verdict;
    float serverVersion;
    char addressList[kAddressListShown + 1];  // from byte 5, cut to what the message shows
    char firstAddress[kAddressCapacity];      // first line of the list (CR, else LF ends it)
    bool addressOpenable;                     // firstAddress is an http:// or https:// address
};

// Reads a reply of `length` bytes (any bytes; need not be terminated). The number is
// read by the C library's decimal conversion and must be finite, from 0 up to below
// 10000, with at least one digit; anything else (empty, binary, "nan", "1e308", "-1",
// a run of digits too large to be a version) is kVersionUnreadable. Equal is not newer.
void EvaluateVersionReply(const char* reply, int length, float programVersion, VersionReply* out);

// True for an address the shell may open: "http://" or "https://" (any case) followed
// by at least one character, and no character below 33 or 127.
bool IsOpenableAddress(const char* address);
