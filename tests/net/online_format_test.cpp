// The online services' portable formats: Base64, the feedback record and its reply,
// the version file. Expected texts are worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "net/base64.h"
#include "net/feedback.h"
#include "net/version_file.h"
#include "settings/settings.h"

namespace {

std::string Encode(const std::string& bytes) {
    std::vector<char> out(Base64Length(static_cast<int>(bytes.size())) + 1);
    EXPECT_EQ(EncodeBase64(bytes.data(), static_cast<int>(bytes.size()), out.data(), static_cast<int>(out.size())),
              static_cast<int>(out.size()) - 1);
    return out.data();
}

// The decoded bytes, or "<refused>".
std::string Decode(const std::string& text) {
    uint8_t out[64];
    const int n = DecodeBase64(text.data(), static_cast<int>(text.size()), out, sizeof out);
    return n < 0 ? "<refused>" : std::string(reinterpret_cast<char*>(out), static_cast<size_t>(n));
}

std::string Record(const FeedbackForm& form) {
    char out[kFeedbackRecordCapacity];
    const int n = BuildFeedbackRecord(form, 0.54f, out, sizeof out);
    return n < 0 ? "<failed>" : std::string(out, static_cast<size_t>(n));
}

int Parse(const std::string& record, FeedbackEntry* entry) {
    return ParseFeedbackRecord(record.data(), static_cast<int>(record.size()), entry);
}

VersionReply Version(const std::string& reply) {
    VersionReply v;
    EvaluateVersionReply(reply.data(), static_cast<int>(reply.size()), 0.54f, &v);
    return v;
}

TEST(Base64, KnownTextsAndStrictDecoding) {
    EXPECT_EQ(Encode(""), "");
    EXPECT_EQ(Encode("f"), "Zg==");
    EXPECT_EQ(Encode("fo"), "Zm8=");
    EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(Encode("\xfb\xff\xbf"), "+/+/");
    EXPECT_EQ(Decode("+/+/"), "\xfb\xff\xbf");
    for (const char* bad : {"Zg=", "Zg", "Z===", "====", "Zg=a", "Zh==", "Zm9=", "Zm 8", "Zm8-", "Zg==Zg==", "\x80\x80=="}) {
        EXPECT_EQ(Decode(bad), "<refused>") << bad;
    }
    char small[4];
    EXPECT_EQ(EncodeBase64("abc", 3, small, sizeof small), -1);  // no room for the terminator
    uint8_t tiny[1];
    EXPECT_EQ(DecodeBase64("Zm8=", 4, tiny, sizeof tiny), -1);
}

TEST(FeedbackForm, EmailCheckAndAge) {
    EXPECT_TRUE(IsAcceptableEmail("a@b.c"));
    EXPECT_TRUE(IsAcceptableEmail(".@"));  // the form counts, it does not parse
    for (const char* bad : {"", "a@b", "a.b", "a@@b.c", "a@b@c.d"}) EXPECT_FALSE(IsAcceptableEmail(bad)) << bad;
    EXPECT_EQ(ParseFeedbackAge(" 42 "), 42u);
    EXPECT_EQ(ParseFeedbackAge("4294967295"), 4294967295u);
    for (const char* none : {"", "x", "4 2", "-3", "4294967296", "99999999999999999999"}) {
        EXPECT_EQ(ParseFeedbackAge(none), 0u) << none;
    }
}

TEST(FeedbackRecord, SanitisedFieldsAlwaysSplitIntoEight) {
    const FeedbackForm form{"a|b@c.d", "Jo\tJo", "CZ", "line 1\r\nline|2", 31, true, false};
    EXPECT_EQ(Record(form), "a!b@c.d|Jo?Jo|0.54|1|0|CZ|31|line 1??line!2");
    EXPECT_EQ(Record(FeedbackForm{"x@y.z", "", "", "", 4000000000u, false, true}), "x@y.z||0.54|0|1||4000000000|");

    FeedbackEntry entry;
    ASSERT_EQ(Parse(Record(form), &entry), kFeedbackRecordOk);
    EXPECT_EQ(std::string(entry.email) + "," + entry.name + "," + entry.version + "," + entry.country + "," +
                  entry.message,
              "a!b@c.d,Jo?Jo,0.54,CZ,line 1??line!2");
    EXPECT_EQ(entry.wantsUpdateInfo * 10 + entry.wantsSoftwareNews, 10);
    EXPECT_EQ(entry.age, 31u);

    // The longest form fills every field to its limit and still fits the record.
    FeedbackForm longest{"e@mail.", "", "", "", 4294967295u, true, true};
    std::memset(longest.email + 7, 'e', 120);
    std::memset(longest.name, 'n', 127);
    std::memset(longest.country, 'c', 127);
    std::memset(longest.message, 'm', 2046);
    const std::string full = Record(longest);
    EXPECT_EQ(full.size(), 127u * 3 + 2046 + 4 + 2 + 10 + 7);
    EXPECT_EQ(Parse(full, &entry), kFeedbackRecordOk);
}

TEST(FeedbackRecord, MalformedRecordsAreRefusedWhole) {
    const struct {
        std::string record;
        int result;
    } cases[] = {
        {"", kFeedbackRecordFieldCount},
        {"a@b.c|n|0.54|1|0|CZ|31", kFeedbackRecordFieldCount},
        {"a@b.c|n|0.54|1|0|CZ|31|m|extra", kFeedbackRecordFieldCount},
        {std::string(128, 'e') + "|n|0.54|1|0|CZ|31|m", kFeedbackRecordTooLong},
        {"a@b.c|n|0.54|1|0|CZ|31|" + std::string(2047, 'm'), kFeedbackRecordTooLong},
        {"ab.c|n|0.54|1|0|CZ|31|m", kFeedbackRecordBadText},
        {std::string("a@b.c|n\0x|0.54|1|0|CZ|31|m", 26), kFeedbackRecordBadText},
        {"a@b.c|n|0.54|1|0|CZ|31|m\n", kFeedbackRecordBadText},
        {"a@b.c|n|.54|1|0|CZ|31|m", kFeedbackRecordBadNumber},
        {"a@b.c|n|0.5.4|1|0|CZ|31|m", kFeedbackRecordBadNumber},
        {"a@b.c|n|0.54|2|0|CZ|31|m", kFeedbackRecordBadNumber},
        {"a@b.c|n|0.54|1||CZ|31|m", kFeedbackRecordBadNumber},
        {"a@b.c|n|0.54|1|0|CZ|-1|m", kFeedbackRecordBadNumber},
        {"a@b.c|n|0.54|1|0|CZ|4294967296|m", kFeedbackRecordBadNumber},
    };
    for (const auto& c : cases) {
        FeedbackEntry entry;
        EXPECT_EQ(Parse(c.record, &entry), c.result) << c.record.substr(0, 40);
        EXPECT_EQ(entry.email[0], '\0');
    }
}

TEST(FeedbackReply, OnlyThreeNumbersWithAZeroFirstAreDelivered) {
    const struct {
        std::string reply;
        bool delivered;
        uint32_t mail, news;  // with both boxes ticked
    } cases[] = {
        {"0 1 0", true, 9404, 9407},
        {"0 0 0\r\n", true, 9405, 9407},
        {" 0\n0\t7", true, 9405, 9406},
        {"0 99999999999999999999 -99999999999999999999", true, 9404, 9406},
        {"1 0 0", false, 0, 0},
        {"-1 0 0", false, 0, 0},
        {"0 1", false, 0, 0},
        {"", false, 0, 0},
        {"nan", false, 0, 0},
        {"<html>0 0 0", false, 0, 0},
        {std::string("0\0 0 0", 6), false, 0, 0},
    };
    for (const auto& c : cases) {
        const FeedbackOutcome o = EvaluateFeedbackReply(c.reply.data(), static_cast<int>(c.reply.size()), true, true);
        EXPECT_EQ(o.delivered, c.delivered) << c.reply;
        EXPECT_EQ(o.mailLine, c.mail) << c.reply;
        EXPECT_EQ(o.newsLine, c.news) << c.reply;
    }
    const FeedbackOutcome unticked = EvaluateFeedbackReply("0 1 1", 5, false, false);
    EXPECT_TRUE(unticked.delivered);
    EXPECT_EQ(unticked.mailLine + unticked.newsLine, 0u);
    int numbers[3];
    EXPECT_EQ(ParseFeedbackReply("5 6", 1, numbers), 1);  // the length is respected
}

TEST(VersionFile, VerdictAddressesAndMalformedReplies) {
    VersionReply v = Version("0.99\nhttp://a.example/new\r\nhttp://b.example/\r\n");
    EXPECT_EQ(v.verdict, kVersionNewer);
    EXPECT_FLOAT_EQ(v.serverVersion, 0.99f);
    EXPECT_STREQ(v.addressList, "http://a.example/new\r\nhttp://b.example/\r\n");
    EXPECT_STREQ(v.firstAddress, "http://a.example/new");
    EXPECT_TRUE(v.addressOpenable);
    v = Version("0.60 HTTPS://one.example/x");  // no line break: all of it from byte 5
    EXPECT_STREQ(v.firstAddress, "HTTPS://one.example/x");
    EXPECT_TRUE(v.addressOpenable);
    v = Version("0.70\nhttp://lf.example/\nsecond\rthird");  // a CR anywhere wins over the first LF
    EXPECT_STREQ(v.firstAddress, "http://lf.example/\nsecond");
    EXPECT_FALSE(v.addressOpenable);
    EXPECT_EQ(Version("0.54\n").verdict, kVersionNotNewer);
    EXPECT_EQ(Version("0.5399").verdict, kVersionNotNewer);
    EXPECT_EQ(Version("9999.9").verdict, kVersionNewer);
    EXPECT_EQ(Version("0.55").addressList[0], '\0');

    std::string binary(300, '\0');
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7);
    for (const std::string& bad : {std::string(), std::string("nan\n"), std::string("inf"), std::string("1e308"),
                                   std::string("-1\n"), std::string(70000, '7'), std::string("x1.0"),
                                   std::string("10000"), std::string(".\nhttp://x.example/"), binary}) {
        v = Version(bad);
        EXPECT_EQ(v.verdict, kVersionUnreadable) << bad.substr(0, 12);
        EXPECT_EQ(v.firstAddress[0], '\0');
    }
    std::string huge = "1.00\nhttp://big.example/" + std::string(70000, 'a');
    v = Version(huge);
    EXPECT_EQ(std::strlen(v.firstAddress), 2048u);
    EXPECT_EQ(std::strlen(v.addressList), static_cast<size_t>(kAddressListShown));
}

TEST(VersionFile, OnlyWebAddressesAreOpenable) {
    for (const char* yes : {"http://x", "https://x.example/a?b=c", "HtTp://X"}) EXPECT_TRUE(IsOpenableAddress(yes)) << yes;
    for (const char* no : {"", "http://", "https:/x", "file:///C:/Windows/notepad.exe", "C:\\evil.exe",
                           "\\\\host\\share\\x.exe", " http://x", "http://x y", "http://x\t", "ftp://x",
                           "javascript:alert(1)", "http://x\x7f"}) {
        EXPECT_FALSE(IsOpenableAddress(no)) << no;
    }
}

// Random bytes: every parser stays in its bounds, and Base64 gives back what it took.
TEST(OnlineFuzz, RandomBytes) {
    std::mt19937 rng(99u);
    const char alphabet[] = "0123456789 .-+eEnaif|@\r\n\x01\xff";
    FeedbackEntry entry;
    VersionReply version;
    for (int i = 0; i < 4000; ++i) {
        std::vector<char> bytes(rng() % 300);
        for (char& c : bytes) c = rng() % 2 ? static_cast<char>(rng()) : alphabet[rng() % (sizeof alphabet - 1)];
        const int n = static_cast<int>(bytes.size());
        EvaluateVersionReply(bytes.data(), n, 0.54f, &version);
        EXPECT_LE(std::strlen(version.firstAddress), 2048u);
        if (version.verdict != kVersionUnreadable) {
            EXPECT_TRUE(std::isfinite(version.serverVersion));
        }
        EvaluateFeedbackReply(bytes.data(), n, true, true);
        if (ParseFeedbackRecord(bytes.data(), n, &entry) == kFeedbackRecordOk) {
            EXPECT_TRUE(IsAcceptableEmail(entry.email));
        }
        uint8_t decoded[300];
        EXPECT_LE(DecodeBase64(bytes.data(), n, decoded, sizeof decoded), n * 3 / 4);
        const std::string raw(bytes.begin(), bytes.begin() + n / 5);
        EXPECT_EQ(Decode(Encode(raw)), raw);
    }
}

}  // namespace

// The version is written once, in VERSION; the number the program carries, the
// update check's comparison and the resource's numbers all follow it.
TEST(ProgramVersion, EveryUseFollowsTheVersionFile) {
    EXPECT_EQ(kProgramVersion, std::strtof(KVS_VERSION_TEXT, nullptr));
    char shown[16];
    std::snprintf(shown, sizeof shown, "%03.2f", static_cast<double>(kProgramVersion));  // About page, feedback
    EXPECT_STREQ(shown, KVS_VERSION_TEXT);
    EXPECT_EQ(KVS_VERSION_MAJOR * 100 + KVS_VERSION_MINOR, std::lround(kProgramVersion * 100.0));
    // Published as it is: not newer; one hundredth above: newer.
    VersionReply reply;
    const std::string same = std::string(KVS_VERSION_TEXT) + "\n";
    EvaluateVersionReply(same.c_str(), static_cast<int>(same.size()), kProgramVersion, &reply);
    EXPECT_EQ(reply.verdict, kVersionNotNewer);
    char next[16];
    std::snprintf(next, sizeof next, "%03.2f\n", (KVS_VERSION_MAJOR * 100 + KVS_VERSION_MINOR + 1) / 100.0);
    EvaluateVersionReply(next, static_cast<int>(std::strlen(next)), kProgramVersion, &reply);
    EXPECT_EQ(reply.verdict, kVersionNewer) << next;
}
