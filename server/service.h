// The maker's server: answers the program's two requests.
//   GET /pellor/kvsfb/latest.txt          the version file <data>/latest.txt as it is
//                                         (404 with an empty body when none is published)
//   GET /pellor/kvsfb/feedback.php?data=  a Base64 feedback record; the reply is
//                                         "0 <mail> <software>" when it was stored, with
//                                         1 where the address was already on that list,
//                                         or "1 0 0" when it was refused (and logged)
// "+", "/" and "=" may arrive percent-escaped or as they stand.
#pragma once

#include <httplib.h>

#include <string>

#include "store.h"

constexpr char kVersionFileName[] = "latest.txt";
constexpr char kDatabaseFileName[] = "feedback.sqlite";
constexpr char kFailureReply[] = "1 0 0";

struct Service {
    std::string dataDir;
    FeedbackStore store;
};

// Opens (creating when needed) the data folder and its database.
int OpenService(Service& service, const std::string& dataDir);

// The reply text to the feedback request whose data parameter is `data` (percent
// escapes decoded); stores the record when it is whole and valid.
std::string AnswerFeedback(Service& service, const std::string& data);

// Adds both routes to `server`.
void RegisterRoutes(httplib::Server& server, Service& service);

enum PublishResult : int {
    kPublishOk = 0,
    kPublishBadVersion = -1,  // not a number from 0.00 to 9.99
    kPublishBadAddress = -2,  // not an http:// or https:// address
    kPublishWriteFailed = -3,
};
// Writes the version file: the number with two decimals and a line break (five
// bytes, so that the addresses start at byte 5), then one address per line. The
// file is replaced whole.
int PublishVersion(const std::string& dataDir, const char* version, const char* const* addresses, int count);
