// The server over loopback: both paths, records stored whole, hostile requests that
// must leave the stored rows alone, and a database that keeps its rows across a
// restart.
#include <httplib.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "net/base64.h"
#include "service.h"

namespace {

// "ann@example.org|J?>|0.54|1|0|CZ|30|>?": its Base64 holds "/", "+" and "==".
constexpr char kAnnRecord[] = "YW5uQGV4YW1wbGUub3JnfEo/PnwwLjU0fDF8MHxDWnwzMHw+Pw==";

std::string Base64Of(const std::string& bytes) {
    std::vector<char> out(Base64Length(static_cast<int>(bytes.size())) + 1);
    EncodeBase64(bytes.data(), static_cast<int>(bytes.size()), out.data(), static_cast<int>(out.size()));
    return out.data();
}

std::string FreshDataDir(const char* name) {
    const auto dir = std::filesystem::temp_directory_path() / ("kvs-server-test-" + std::to_string(getpid())) / name;
    std::filesystem::remove_all(dir);
    return dir.string();
}

class RunningServer {
public:
    explicit RunningServer(const std::string& dataDir) {
        EXPECT_EQ(OpenService(service_, dataDir), kStoreOk);
        RegisterRoutes(http_, service_);
        port_ = http_.bind_to_any_port("127.0.0.1");
        listener_ = std::thread([this] { http_.listen_after_bind(); });
        while (!http_.is_running()) std::this_thread::yield();
    }
    ~RunningServer() {
        http_.stop();
        listener_.join();
    }
    // Sends `target` as it stands, without escaping.
    httplib::Result Get(const std::string& target) {
        httplib::Client client("127.0.0.1", port_);
        client.set_url_encode(false);
        return client.Get(target.c_str());
    }
    std::string Feedback(const std::string& data) {
        auto result = Get("/pellor/kvsfb/feedback.php?data=" + data);
        return !result ? "<no answer>" : result->status != 200 ? "<status>" : result->body;
    }
    // Every row as "email|name|version|update|news|country|age|message".
    std::vector<std::string> Rows() {
        std::vector<std::string> rows;
        service_.store.ForEach([&rows](const FeedbackEntry& e, const char* received) {
            EXPECT_EQ(std::strlen(received), 19u) << received;
            rows.push_back(std::string(e.email) + "|" + e.name + "|" + e.version + "|" +
                           std::to_string(e.wantsUpdateInfo) + "|" + std::to_string(e.wantsSoftwareNews) + "|" +
                           e.country + "|" + std::to_string(e.age) + "|" + e.message);
        });
        return rows;
    }

private:
    Service service_;
    httplib::Server http_;
    int port_ = 0;
    std::thread listener_;
};

TEST(Server, AnswersTheVersionFileAsPublished) {
    const std::string dir = FreshDataDir("version");
    RunningServer server(dir);
    auto missing = server.Get("/pellor/kvsfb/latest.txt");
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
    EXPECT_EQ(missing->body, "");

    const char* addresses[] = {"http://a.example/kvs.zip", "https://b.example/kvs.zip"};
    ASSERT_EQ(PublishVersion(dir, "0.55", addresses, 2), kPublishOk);
    auto published = server.Get("/pellor/kvsfb/latest.txt");
    ASSERT_TRUE(published);
    EXPECT_EQ(published->status, 200);
    EXPECT_EQ(published->body, "0.55\nhttp://a.example/kvs.zip\nhttps://b.example/kvs.zip\n");
    EXPECT_EQ(published->get_header_value("Cache-Control"), "no-cache, no-store");

    const char* local[] = {"file:///C:/Windows/notepad.exe"};
    EXPECT_EQ(PublishVersion(dir, "0.56", local, 1), kPublishBadAddress);
    for (const char* bad : {"10", "-1", "0.5x", "nan", ""}) EXPECT_EQ(PublishVersion(dir, bad, nullptr, 0), kPublishBadVersion) << bad;
    EXPECT_EQ(server.Get("/pellor/kvsfb/latest.txt")->body, published->body);
}

TEST(Server, StoresEachRecordWholeAndTellsWhatWasRegistered) {
    RunningServer server(FreshDataDir("store"));
    EXPECT_EQ(server.Feedback(kAnnRecord), "0 0 0");
    // The same record with its "+", "/" and "=" escaped.
    EXPECT_EQ(server.Feedback("YW5uQGV4YW1wbGUub3JnfEo%2FPnwwLjU0fDF8MHxDWnwzMHw%2BPw%3D%3D"), "0 1 0");
    EXPECT_EQ(server.Feedback(Base64Of("ANN@Example.org|Ann|0.54|0|1||0|\xe8\xfd")), "0 1 0");
    EXPECT_EQ(server.Feedback(Base64Of("ann@example.org|Ann|0.54|1|1|CZ|30|again")), "0 1 1");
    EXPECT_EQ(server.Rows(), (std::vector<std::string>{
                                 "ann@example.org|J?>|0.54|1|0|CZ|30|>?",
                                 "ann@example.org|J?>|0.54|1|0|CZ|30|>?",
                                 "ANN@Example.org|Ann|0.54|0|1||0|\xe8\xfd",
                                 "ann@example.org|Ann|0.54|1|1|CZ|30|again",
                             }));
}

TEST(Server, RefusesMalformedRequestsWithoutTouchingRows) {
    RunningServer server(FreshDataDir("refuse"));
    ASSERT_EQ(server.Feedback(kAnnRecord), "0 0 0");
    const std::vector<std::string> before = server.Rows();
    std::string noise;
    for (int i = 0; i < 600; ++i) noise += static_cast<char>(i * 37 + 11);
    const std::string refused[] = {
        "",
        "!!!!",
        "YW5uQGV4YW1wbGUub3JnfEo/PnwwLjU0fDF8MHxDWnwzMHw+Pw",  // fill characters missing
        Base64Of("ann@example.org|J|0.54|1|0|CZ|30"),  // seven fields (the record rules are checked natively)
        Base64Of(noise),
        std::string(5000, 'A'),
        "%00%01%02%03",
    };
    for (const std::string& data : refused) EXPECT_EQ(server.Feedback(data), "1 0 0") << data.substr(0, 40);
    EXPECT_EQ(server.Feedback(std::string(9000, 'A')), "<status>");  // too long a request line
    auto noData = server.Get("/pellor/kvsfb/feedback.php");
    ASSERT_TRUE(noData);
    EXPECT_EQ(noData->body, "1 0 0");
    EXPECT_EQ(server.Rows(), before);
}

TEST(Server, RowsSurviveARestart) {
    const std::string dir = FreshDataDir("restart");
    std::vector<std::string> first;
    {
        RunningServer server(dir);
        for (int age = 1; age <= 3; ++age) {
            EXPECT_EQ(server.Feedback(Base64Of("p" + std::to_string(age) + "@x.y|n|0.54|0|0|c|" +
                                               std::to_string(age) + "|m")),
                      "0 0 0");
        }
        first = server.Rows();
    }
    RunningServer again(dir);
    EXPECT_EQ(again.Rows(), first);
    EXPECT_EQ(again.Feedback(Base64Of("p4@x.y|n|0.54|0|0|c|4|m")), "0 0 0");
    EXPECT_EQ(again.Rows().size(), 4u);
    std::filesystem::remove_all(std::filesystem::path(dir).parent_path());
}

}  // namespace
