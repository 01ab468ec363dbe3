// The feedback record: what the form sends, how the server takes it apart, and
// what the server's reply means.
//
// Record (before Base64): eight fields joined by "|", printed with
//   "%s|%s|%03.2f|%d|%d|%s|%u|%s"
//   e-mail | name | program version | wants update informations (0/1) |
//   wants related software news (0/1) | country | age | message
// The four free-text fields never hold "|" (sent as "!") nor characters 1..31 (sent
// as "?"), so every record splits into exactly eight fields.
//
// Reply: "<failure> <already on the mail list> <already on the software list>",
// three decimal integers; "0 1 0" means delivered, the e-mail address was already
// registered for update informations and newly registered for software news.
#pragma once

#include <cstdint>

constexpr int kFeedbackFieldCount = 8;
constexpr int kFeedbackShortFieldCapacity = 128;  // e-mail, name, country: 127 characters
constexpr int kFeedbackMessageCapacity = 2047;    // message: 2046 characters
// The longest record: four free-text fields, a version of up to 16 characters, two
// flags, an age of up to 10 digits and seven separators.
constexpr int kFeedbackRecordCapacity = 3 * 127 + 2046 + 16 + 2 + 10 + 7 + 1;

// What the user typed into the feedback form.
struct FeedbackForm {
    char email[kFeedbackShortFieldCapacity];
    char name[kFeedbackShortFieldCapacity];
    char country[kFeedbackShortFieldCapacity];
    char message[kFeedbackMessageCapacity];
    uint32_t age;  // 0 when not given
    bool wantsUpdateInfo;
    bool wantsSoftwareNews;
};

// The form's check: exactly one "@" and at least one "." anywhere in the address.
bool IsAcceptableEmail(const char* email);

// Replaces every character 1..31 with "?" and every "|" with "!", in place.
void SanitiseFeedbackText(char* text);

// The age field: decimal digits with optional surrounding blanks; 0 when empty, not a
// number, or above 4294967295.
uint32_t ParseFeedbackAge(const char* text);

// Writes the record of `form` (free texts sanitised, each cut to its field's limit)
// with `version` into `out`. Returns its length, or -1 when `capacity` is too small
// or the version does not print in 16 characters.
int BuildFeedbackRecord(const FeedbackForm& form, float version, char* out, int capacity);

// A record as the server stores it; every text is terminated.
struct FeedbackEntry {
    char email[kFeedbackShortFieldCapacity];
    char name[kFeedbackShortFieldCapacity];
    char version[17];
    int wantsUpdateInfo;
    int wantsSoftwareNews;
    char country[kFeedbackShortFieldCapacity];
    uint32_t age;
    char message[kFeedbackMessageCapacity];
};

enum FeedbackRecordResult : int {
    kFeedbackRecordOk = 0,
    kFeedbackRecordFieldCount = -1,  // not exactly eight fields
    kFeedbackRecordTooLong = -2,     // a field above its limit
    kFeedbackRecordBadText = -3,     // a NUL, a character 1..31 or a missing e-mail
    kFeedbackRecordBadNumber = -4,   // version, flags or age not in their forms
};

// Takes a decoded record of `length` bytes apart into `entry`. On failure `entry`
// holds nothing usable.
int ParseFeedbackRecord(const char* record, int length, FeedbackEntry* entry);

// The three numbers of a reply, from the start of `reply` (`length` bytes, need not
// be terminated): optional blanks, optional sign, digits, saturated to the int range.
// Returns how many of the three were read.
int ParseFeedbackReply(const char* reply, int length, int numbers[3]);

// What the program tells the user about a reply (string ids; 0 means an empty line).
struct FeedbackOutcome {
    bool delivered;     // false: message 9402, the server's failure
    uint32_t mailLine;  // 9404 already registered, 9405 newly registered, or 0
    uint32_t newsLine;  // 9406 already registered, 9407 newly registered, or 0
};
// A reply counts as delivered only with all three numbers and a zero first one.
FeedbackOutcome EvaluateFeedbackReply(const char* reply, int length, bool wantsUpdateInfo, bool wantsSoftwareNews);
