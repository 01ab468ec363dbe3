// The maker's server: answers the program's two requests.
//   GET /pellor/kvsfb/latest.txt          the version file <data>/latest.txt as it is
//                                         (404 with an empty body when none is published)
//   GET /pellor/kvsfb/feedback.php?data=  a Base64 feedback record; the reply is
//                                         "0 <mail> <software>" when it was stored, with
//                                         1 where the address was already on that list,
//                                         or "1 0 0" when it was refused (and logged)
// "+", "/" and "=" may arrive percent-escaped or as they stand.
#pragma once

#include <string>

#include "store.h"

constexpr char kVersionFileName[] = "latest.txt";
constexpr char kDatabaseFileName[] = "feedback.sqlite";
constexpr char kFailureReply[] = "1 0 0";

struct Service {
    std::string dataDir;
    FeedbackStore store;
};

// Opens the data folder's database. To serve, a missing folder is made (0700) and
// the database opened read-write or not at all; to read, both must exist and
// nothing is made. `error` receives a sentence naming the file on failure.
int OpenService(Service& service, const std::string& dataDir, StoreMode mode, std::string* error);

// Reads the data parameter of a feedback request (percent escapes decoded) into
// `entry`: nullptr when it holds one whole, valid record, else the reason to refuse.
const char* ReadFeedbackData(const std::string& data, FeedbackEntry* entry);

// The reply to a stored record.
std::string FeedbackReply(const Registration& registration);

// The version file as published, at most kVersionFileMaxBytes; false when there is none.
bool ReadVersionFile(const std::string& dataDir, std::string* text);

enum PublishResult : int {
    kPublishOk = 0,
    kPublishBadVersion = -1,  // not one digit, a full stop and two digits
    kPublishBadAddress = -2,  // not an http:// or https:// address of at most 2048 URL characters
    kPublishWriteFailed = -3,
    kPublishTooLong = -4,     // more than the program reads
};
// Writes the version file: the number and a line break (five bytes, so that the
// addresses start at byte 5), then one address per line. The text goes to a
// temporary file of its own, is synced, then renamed over the old file: a reader
// sees the old file or the new one, and a failure leaves nothing behind.
int PublishVersion(const std::string& dataDir, const char* version, const char* const* addresses, int count);
