#include "net/feedback.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kSeparator = '|';

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Copies at most `capacity` - 1 characters of `text` and sanitises the copy.
void CopySanitised(const char* text, char* out, int capacity) {
    int n = 0;
    while (n < capacity - 1 && text[n]) {
        out[n] = text[n];
        ++n;
    }
    out[n] = '\0';
    SanitiseFeedbackText(out);
}

// Unsigned decimal of `length` characters, digits only; false when empty or above
// UINT32_MAX.
bool ParseDigits(const char* text, int length, uint32_t* value) {
    if (length <= 0) return false;
    uint64_t v = 0;
    for (int i = 0; i < length; ++i) {
        if (!IsDigit(text[i])) return false;
        v = v * 10 + static_cast<uint64_t>(text[i] - '0');
        if (v > UINT32_MAX) return false;
    }
    *value = static_cast<uint32_t>(v);
    return true;
}

// Copies a free-text field; false when it is too long or holds a character the
// form never sends.
bool TakeText(const char* text, int length, char* out, int capacity) {
    if (length >= capacity) return false;
    for (int i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 32) return false;
    }
    std::memcpy(out, text, static_cast<size_t>(length));
    out[length] = '\0';
    return true;
}

// "d", "d.", "d.d" ... : the program version as printed with two decimals.
bool IsVersionText(const char* text, int length) {
    int digits = 0, dots = 0;
    for (int i = 0; i < length; ++i) {
        if (IsDigit(text[i])) ++digits;
        else if (text[i] == '.' && i > 0 && ++dots == 1) continue;
        else return false;
    }
    return digits > 0;
}

}  // namespace

bool IsAcceptableEmail(const char* email) {
    int at = 0, dots = 0;
    for (const char* p = email; *p; ++p) {
        at += *p == '@';
        dots += *p == '.';
    }
    return at == 1 && dots >= 1;
}

void SanitiseFeedbackText(char* text) {
    for (unsigned char* p = reinterpret_cast<unsigned char*>(text); *p; ++p) {
        if (*p < 32) *p = '?';
        else if (*p == kSeparator) *p = '!';
    }
}

uint32_t ParseFeedbackAge(const char* text) {
    while (IsBlank(*text)) ++text;
    int length = 0;
    while (IsDigit(text[length])) ++length;
    for (const char* rest = text + length; *rest; ++rest) {
        if (!IsBlank(*rest)) return 0;
    }
    uint32_t age = 0;
    return ParseDigits(text, length, &age) ? age : 0;
}

int BuildFeedbackRecord(const FeedbackForm& form, float version, char* out, int capacity) {
    char email[kFeedbackShortFieldCapacity], name[kFeedbackShortFieldCapacity];
    char country[kFeedbackShortFieldCapacity], message[kFeedbackMessageCapacity];
    CopySanitised(form.email, email, sizeof email);
    CopySanitised(form.name, name, sizeof name);
    CopySanitised(form.country, country, sizeof country);
    CopySanitised(form.message, message, sizeof message);
    char versionText[32];
    const int versionLength = std::snprintf(versionText, sizeof versionText, "%03.2f", static_cast<double>(version));
    if (versionLength <= 0 || versionLength > 16) return -1;
    // The age is unsigned on both sides; "%d" would send large ages as negative numbers.
    const int n = std::snprintf(out, static_cast<size_t>(capacity > 0 ? capacity : 0), "%s|%s|%s|%d|%d|%s|%u|%s",
                                email, name, versionText, form.wantsUpdateInfo ? 1 : 0,
                                form.wantsSoftwareNews ? 1 : 0, country, form.age, message);
    return n >= 0 && n < capacity ? n : -1;
}

int ParseFeedbackRecord(const char* record, int length, FeedbackEntry* entry) {
    std::memset(entry, 0, sizeof *entry);
    const char* field[kFeedbackFieldCount];
    int fieldLength[kFeedbackFieldCount];
    int count = 0;
    int start = 0;
    for (int i = 0; i <= length; ++i) {
        if (i < length && record[i] != kSeparator) continue;
        if (count == kFeedbackFieldCount) return kFeedbackRecordFieldCount;
        field[count] = record + start;
        fieldLength[count] = i - start;
        ++count;
        start = i + 1;
    }
    if (count != kFeedbackFieldCount) return kFeedbackRecordFieldCount;

    if (fieldLength[0] >= kFeedbackShortFieldCapacity || fieldLength[1] >= kFeedbackShortFieldCapacity ||
        fieldLength[2] >= static_cast<int>(sizeof entry->version) ||
        fieldLength[5] >= kFeedbackShortFieldCapacity || fieldLength[7] >= kFeedbackMessageCapacity) {
        return kFeedbackRecordTooLong;
    }
    if (!TakeText(field[0], fieldLength[0], entry->email, sizeof entry->email) ||
        !TakeText(field[1], fieldLength[1], entry->name, sizeof entry->name) ||
        !TakeText(field[5], fieldLength[5], entry->country, sizeof entry->country) ||
        !TakeText(field[7], fieldLength[7], entry->message, sizeof entry->message) ||
        !IsAcceptableEmail(entry->email)) {
        std::memset(entry, 0, sizeof *entry);
        return kFeedbackRecordBadText;
    }
    uint32_t age = 0;
    const bool flagsOk = fieldLength[3] == 1 && (field[3][0] == '0' || field[3][0] == '1') &&
                         fieldLength[4] == 1 && (field[4][0] == '0' || field[4][0] == '1');
    if (!flagsOk || !IsVersionText(field[2], fieldLength[2]) || !ParseDigits(field[6], fieldLength[6], &age)) {
        std::memset(entry, 0, sizeof *entry);
        return kFeedbackRecordBadNumber;
    }
    std::memcpy(entry->version, field[2], static_cast<size_t>(fieldLength[2]));
    entry->wantsUpdateInfo = field[3][0] - '0';
    entry->wantsSoftwareNews = field[4][0] - '0';
    entry->age = age;
    return kFeedbackRecordOk;
}

int ParseFeedbackReply(const char* reply, int length, int numbers[3]) {
    numbers[0] = numbers[1] = numbers[2] = 0;
    int i = 0;
    for (int k = 0; k < 3; ++k) {
        while (i < length && (IsBlank(reply[i]) || reply[i] == '\r' || reply[i] == '\n')) ++i;
        bool negative = false;
        if (i < length && (reply[i] == '-' || reply[i] == '+')) negative = reply[i++] == '-';
        if (i >= length || !IsDigit(reply[i])) return k;
        int64_t value = 0;
        for (; i < length && IsDigit(reply[i]); ++i) {
            if (value <= INT_MAX) value = value * 10 + (reply[i] - '0');
        }
        if (negative) value = -value;
        numbers[k] = value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
    }
    return 3;
}

FeedbackOutcome EvaluateFeedbackReply(const char* reply, int length, bool wantsUpdateInfo, bool wantsSoftwareNews) {
    FeedbackOutcome outcome{};
    int numbers[3];
    if (ParseFeedbackReply(reply, length, numbers) != 3 || numbers[0] != 0) return outcome;
    outcome.delivered = true;
    if (wantsUpdateInfo) outcome.mailLine = numbers[1] ? 9404 : 9405;
    if (wantsSoftwareNews) outcome.newsLine = numbers[2] ? 9406 : 9407;
    return outcome;
}
