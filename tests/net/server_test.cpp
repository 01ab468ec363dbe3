// The server: its pure rules, then the real server over loopback with raw sockets
// (hostile requests, half-closed, pipelined and slow clients, the per-address
// bound), the database's opening rules, and records that survive a kill -9.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "http.h"
#include "net/base64.h"
#include "request.h"
#include "service.h"

namespace {

// "ann@example.org|J?>|0.54|1|0|CZ|30|>?": its Base64 holds "/", "+" and "==".
constexpr char kAnnRecord[] = "YW5uQGV4YW1wbGUub3JnfEo/PnwwLjU0fDF8MHxDWnwzMHw+Pw==";
constexpr char kVersionTarget[] = "/pellor/kvsfb/latest.txt";

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

std::string FeedbackTarget(const std::string& data) { return "/pellor/kvsfb/feedback.php?data=" + data; }
std::string Request(const std::string& target, const char* method = "GET") {
    return std::string(method) + " " + target + " HTTP/1.1\r\nHost: kvs\r\n\r\n";
}

struct Reply {
    int status;
    std::string body;
};

// A client socket to `port` on 127.0.0.1 from the source address `from`, or -1.
int Connect(int port, const char* from = "127.0.0.1") {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, from, &address.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    address.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
    close(fd);
    return -1;
}

// True when the server closed `fd` within `timeoutMs`.
bool ClosedByServer(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    char byte;
    return poll(&p, 1, timeoutMs) == 1 && recv(fd, &byte, 1, MSG_DONTWAIT) <= 0;
}

// Sends `bytes` (then half-closes when asked) and reads until `expected` replies
// arrived whole, the server closed, or 5 s passed.
std::vector<Reply> Exchange(int port, const std::string& bytes, size_t expected, bool halfClose = false) {
    const int fd = Connect(port);
    if (fd < 0) return {};
    send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (halfClose) shutdown(fd, SHUT_WR);
    std::string in;
    std::vector<Reply> replies;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (replies.size() < expected && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) != 1) continue;
        char chunk[65536];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        in.append(chunk, static_cast<size_t>(n));
        for (;;) {
            const size_t head = in.find("\r\n\r\n");
            if (head == std::string::npos) break;
            const size_t length = in.find("Content-Length: ");
            const bool bodiless = bytes.rfind("HEAD ", 0) == 0;  // a reply to HEAD only announces its body
            const size_t bodyLength = length < head && !bodiless ? std::stoul(in.substr(length + 16)) : 0;
            if (in.size() < head + 4 + bodyLength) break;
            replies.push_back({std::atoi(in.c_str() + 9), in.substr(head + 4, bodyLength)});
            in.erase(0, head + 4 + bodyLength);
        }
    }
    close(fd);
    return replies;
}

class RunningServer {
public:
    explicit RunningServer(const std::string& dataDir, const ServerLimits& limits = ServerLimits())
        : log_(std::tmpfile()), http_(service_, log_, limits) {
        std::string error;
        EXPECT_EQ(OpenService(service_, dataDir, kStoreServe, &error), kStoreOk) << error;
        const int listener = OpenListener("127.0.0.1", 0, &port_);
        EXPECT_GE(listener, 0);
        EXPECT_TRUE(http_.Start(listener));
    }
    ~RunningServer() {
        http_.Stop();
        std::fclose(log_);
    }
    int port() const { return port_; }
    Reply Get(const std::string& target, const char* method = "GET") {
        const std::vector<Reply> replies = Exchange(port_, Request(target, method), 1);
        return replies.empty() ? Reply{0, "<no answer>"} : replies[0];
    }
    std::string Feedback(const std::string& data) {
        const Reply reply = Get(FeedbackTarget(data));
        return reply.status != 200 ? "<status " + std::to_string(reply.status) + ">" : reply.body;
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
    std::string Log() {
        std::fflush(log_);
        std::rewind(log_);
        std::string text;
        char line[512];
        while (std::fgets(line, sizeof line, log_)) text += line;
        return text;
    }

private:
    Service service_;
    FILE* log_;
    HttpServer http_;
    int port_ = 0;
};

TEST(ServerRules, OptionsVersionsAddressesAndTargets) {
    int port = -1;
    for (const char* good : {"0", "1", "8080", "65535"}) EXPECT_TRUE(ParsePort(good, &port)) << good;
    EXPECT_EQ(port, 65535);
    for (const char* bad : {"", "abc", "8080x", "+80", " 80", "-1", "65536", "123456", "99999"}) {
        EXPECT_FALSE(ParsePort(bad, &port)) << bad;
    }
    for (const char* good : {"0.00", "0.55", "9.99"}) EXPECT_TRUE(IsPublishableVersion(good)) << good;
    for (const char* bad : {"0.555", "0.5", "10.00", "-0.55", "0,55", "1e-1", "nan", "", " 0.55"}) {
        EXPECT_FALSE(IsPublishableVersion(bad)) << bad;
    }
    const std::string longest = "http://a.example/" + std::string(2048 - 17, 'x');
    EXPECT_TRUE(IsPublishableAddress(longest.c_str()));
    EXPECT_TRUE(IsPublishableAddress("https://a.example/k%20v.zip?x=1&y=(2)#top"));
    for (const std::string& bad : {longest + "x", std::string("http://a.example/a b"), std::string("http://a.ex/\"q\""),
                                   std::string("http://a.example/\xc3\xa9"), std::string("http://a.ex/<x>"),
                                   std::string("ftp://a.example/"), std::string("http://")}) {
        EXPECT_FALSE(IsPublishableAddress(bad.c_str())) << bad;
    }
    // Escapes are decoded, "+" and "=" are kept, other parameters are skipped.
    EXPECT_EQ(DataParameter("/f?x=1&data=a+b%2Fc%3D%3d=&y=2"), "a+b/c===");
    EXPECT_EQ(DataParameter("/f?data=%4"), "%4");
    EXPECT_EQ(DataParameter("/f?xdata=1"), "");
    EXPECT_EQ(DataParameter("/f"), "");

    struct Case {
        const char* method;
        const char* target;
        bool body;
        Route route;
        int status;
    };
    const Case cases[] = {
        {"GET", "/pellor/kvsfb/latest.txt", false, kRouteVersion, 200},
        {"HEAD", "/pellor/kvsfb/latest.txt", false, kRouteVersion, 200},
        {"GET", "/pellor/kvsfb/latest.txt?x", false, kRouteVersion, 200},
        {"GET", "/pellor/kvsfb/feedback.php?data=QQ==", false, kRouteFeedback, 200},
        {"HEAD", "/pellor/kvsfb/feedback.php?data=QQ==", false, kRouteNone, 405},
        {"POST", "/pellor/kvsfb/feedback.php", false, kRouteNone, 405},
        {"GET", "/pellor/kvsfb/feedback.php?data=QQ==", true, kRouteNone, 413},
        {"POST", "/elsewhere", true, kRouteNone, 413},
        {"GET", "/pellor/kvsfb/../kvsfb/latest.txt", false, kRouteNone, 404},
        {"GET", "/pellor/kvsfb/latest%2etxt", false, kRouteNone, 404},
        {"GET", "http://kvs/pellor/kvsfb/latest.txt", false, kRouteNone, 404},
    };
    for (const Case& c : cases) {
        const RequestVerdict verdict = ClassifyRequest(c.method, c.target, c.body);
        EXPECT_EQ(verdict.route, c.route) << c.method << " " << c.target;
        EXPECT_EQ(verdict.status, c.status) << c.method << " " << c.target;
    }
}

TEST(ServerRules, TheLogKeepsItsPaceAndCountsWhatItHeldBack) {
    char when[21];
    FormatLogTime(1796601600, when);  // 2026-12-07 00:00:00 UTC
    EXPECT_STREQ(when, "2026-12-07T00:00:00Z");
    LogPace pace(5, 3);
    int admitted = 0;
    for (int i = 0; i < 100; ++i) admitted += pace.Admit(1000);  // a flood within one millisecond
    EXPECT_EQ(admitted, 3);
    EXPECT_EQ(pace.TakeHeldBack(), 97u);
    EXPECT_EQ(pace.TakeHeldBack(), 0u);
    admitted = 0;
    for (int ms = 1001; ms <= 3000; ++ms) admitted += pace.Admit(ms);  // two more seconds of flood
    EXPECT_EQ(admitted, 10);
    EXPECT_TRUE(pace.Admit(20000));  // a quiet spell refills the burst, not more
    EXPECT_TRUE(pace.Admit(20000));
    EXPECT_TRUE(pace.Admit(20000));
    EXPECT_FALSE(pace.Admit(20000));
}

TEST(Server, PublishesWholeVersionFilesAndAnswersThem) {
    const std::string dir = FreshDataDir("version");
    RunningServer server(dir);
    EXPECT_EQ(server.Get(kVersionTarget).status, 404);

    const char* addresses[] = {"http://a.example/kvs.zip", "https://b.example/kvs.zip"};
    ASSERT_EQ(PublishVersion(dir, "0.55", addresses, 2), kPublishOk);
    const Reply published = server.Get(kVersionTarget);
    EXPECT_EQ(published.status, 200);
    EXPECT_EQ(published.body, "0.55\nhttp://a.example/kvs.zip\nhttps://b.example/kvs.zip\n");
    EXPECT_EQ(server.Get(kVersionTarget, "HEAD").status, 200);

    const std::string tooLong = "http://a.example/" + std::string(3000, 'x');
    const char* bad[] = {"file:///C:/Windows/notepad.exe", "http://a.example/a b", tooLong.c_str()};
    for (const char* address : bad) EXPECT_EQ(PublishVersion(dir, "0.56", &address, 1), kPublishBadAddress);
    for (const char* version : {"0.555", "10", "-1", "0.5x", "nan", ""}) {
        EXPECT_EQ(PublishVersion(dir, version, nullptr, 0), kPublishBadVersion) << version;
    }
    std::vector<std::string> many(40, "http://a.example/" + std::string(2000, 'y'));
    std::vector<const char*> manyPointers;
    for (const std::string& a : many) manyPointers.push_back(a.c_str());
    EXPECT_EQ(PublishVersion(dir, "0.56", manyPointers.data(), 40), kPublishTooLong);
    // A folder that cannot take the file: a failure that leaves nothing behind.
    const std::string blocked = dir + "/blocked";
    std::filesystem::create_directories(blocked + "/latest.txt/inside");
    EXPECT_EQ(PublishVersion(blocked, "0.56", nullptr, 0), kPublishWriteFailed);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(blocked), {}), 1);

    EXPECT_EQ(server.Get(kVersionTarget).body, published.body);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) names.insert(entry.path().filename());
    EXPECT_EQ(names.count("latest.txt"), 1u);
    EXPECT_EQ(names.size(), 5u);  // the database with its two companions, the version file, "blocked"
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

TEST(Server, RefusesHostileRequestsPromptlyWithoutTouchingRows) {
    RunningServer server(FreshDataDir("refuse"));
    ASSERT_EQ(server.Feedback(kAnnRecord), "0 0 0");
    const std::vector<std::string> before = server.Rows();
    std::string noise;
    for (int i = 0; i < 600; ++i) noise += static_cast<char>(i * 37 + 11);
    const std::string ann = FeedbackTarget(kAnnRecord);
    std::string manyFields = "GET " + ann + " HTTP/1.1\r\nHost: kvs\r\n";
    for (int i = 0; i < 100000; ++i) manyFields += "A: b\r\n";
    struct Case {
        std::string request;
        int status;
        const char* body;  // nullptr: any
    };
    const Case cases[] = {
        {Request(FeedbackTarget("")), 200, "1 0 0"},
        {Request("/pellor/kvsfb/feedback.php"), 200, "1 0 0"},
        {Request(FeedbackTarget("!!!!")), 200, "1 0 0"},
        {Request(FeedbackTarget("YW5uQGV4YW1wbGUub3JnfEo/PnwwLjU0fDF8MHxDWnwzMHw+Pw")), 200, "1 0 0"},  // no fill
        {Request(FeedbackTarget(Base64Of("ann@example.org|J|0.54|1|0|CZ|30"))), 200, "1 0 0"},  // seven fields
        {Request(FeedbackTarget(Base64Of(noise))), 200, "1 0 0"},
        {Request(FeedbackTarget(std::string(9000, 'A'))), 200, "1 0 0"},
        {Request(FeedbackTarget("%00%01%02%03")), 200, "1 0 0"},
        {Request(ann, "HEAD"), 405, nullptr},
        {Request(ann, "POST"), 405, nullptr},
        {Request("/pellor/kvsfb/../../etc/passwd"), 404, ""},
        {"GET " + ann + " HTTP/1.1\r\nHost: kvs\r\nContent-Length: 100000000\r\n\r\nabc", 413, ""},
        {"GET " + ann + " HTTP/1.1\r\nHost: kvs\r\nTransfer-Encoding: chunked\r\nContent-Encoding: gzip\r\n\r\n5\r\n",
         413, ""},
        {Request(FeedbackTarget(std::string(100000, 'A'))), 414, nullptr},
        {"GET " + ann + " HTTP/1.1\r\nHost: kvs\r\nX: " + std::string(100000, 'x') + "\r\n\r\n", 431, nullptr},
        {manyFields + "\r\n", 431, nullptr},
        {"GET " + ann + " HTTP/1.1\r\nHost: kvs\r\nBad field\r\n\r\n", 400, nullptr},
    };
    for (const Case& c : cases) {
        const std::vector<Reply> replies = Exchange(server.port(), c.request, 1);
        ASSERT_EQ(replies.size(), 1u) << c.request.substr(0, 60);
        EXPECT_EQ(replies[0].status, c.status) << c.request.substr(0, 60);
        if (c.body) {
            EXPECT_EQ(replies[0].body, c.body) << c.request.substr(0, 60);
        }
    }
    EXPECT_EQ(server.Rows(), before);
    // Refusals are logged with the time and the client's address (and the burst allows these).
    // Those the library makes itself are logged when it closes their connection, which
    // a loaded machine may do after the client has read its reply.
    const char* const expected[] = {"data not Base64", "a request body", "request line too long or malformed",
                                    "request head too large or malformed"};
    std::string log;
    for (int attempt = 0; attempt < 50; ++attempt) {
        log = server.Log();
        bool all = true;
        for (const char* reason : expected) all = all && log.find(reason) != std::string::npos;
        if (all) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_NE(log.find("Z 127.0.0.1 refused: data not Base64"), std::string::npos) << log;
    EXPECT_NE(log.find("Z 127.0.0.1 refused: a request body"), std::string::npos) << log;
    EXPECT_NE(log.find("Z 127.0.0.1 refused: request line too long or malformed"), std::string::npos) << log;
    EXPECT_NE(log.find("Z 127.0.0.1 refused: request head too large or malformed"), std::string::npos) << log;
}

TEST(Server, AnswersHalfClosedAndPipelinedClientsInOrder) {
    const std::string dir = FreshDataDir("pipeline");
    RunningServer server(dir);
    ASSERT_EQ(PublishVersion(dir, "0.55", nullptr, 0), kPublishOk);
    const std::vector<Reply> halfClosed = Exchange(server.port(), Request(FeedbackTarget(kAnnRecord)), 1, true);
    ASSERT_EQ(halfClosed.size(), 1u);
    EXPECT_EQ(halfClosed[0].body, "0 0 0");
    const std::string pipelined = Request(kVersionTarget) + Request(FeedbackTarget(kAnnRecord)) +
                                  Request(FeedbackTarget("!!!!")) + Request(kVersionTarget);
    const std::vector<Reply> replies = Exchange(server.port(), pipelined, 4, true);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[0].body, "0.55\n");
    EXPECT_EQ(replies[1].body, "0 1 0");
    EXPECT_EQ(replies[2].body, "1 0 0");
    EXPECT_EQ(replies[3].body, "0.55\n");
    EXPECT_EQ(server.Rows().size(), 2u);
}

TEST(Server, BoundsConnectionsPerAddressAndCutsSlowRequests) {
    ServerLimits limits;
    limits.connectionsPerAddress = 4;
    limits.requestSeconds = 1;
    RunningServer server(FreshDataDir("slow"), limits);
    const auto start = std::chrono::steady_clock::now();
    std::vector<int> held;
    for (int i = 0; i < 12; ++i) {
        held.push_back(Connect(server.port()));
        ASSERT_GE(held.back(), 0);
        send(held.back(), "G", 1, MSG_NOSIGNAL);  // a request that never ends
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::vector<int> kept;
    for (int fd : held) {
        if (ClosedByServer(fd, 0)) close(fd);
        else kept.push_back(fd);
    }
    EXPECT_EQ(kept.size(), 4u);
    // Another address is served meanwhile.
    const std::vector<Reply> other = [&] {
        const int fd = Connect(server.port(), "127.0.0.2");
        const std::string request = Request(kVersionTarget);
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        pollfd p{fd, POLLIN, 0};
        char reply[64] = {};
        const bool answered = poll(&p, 1, 2000) == 1 && recv(fd, reply, sizeof reply - 1, 0) > 12;
        close(fd);
        return answered ? std::vector<Reply>{{std::atoi(reply + 9), ""}} : std::vector<Reply>{};
    }();
    ASSERT_EQ(other.size(), 1u);
    EXPECT_EQ(other[0].status, 404);
    // Dripping one byte at a time does not keep a request alive past its time.
    bool cut = false;
    while (!cut && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        for (int fd : kept) send(fd, "E", 1, MSG_NOSIGNAL);
        cut = true;
        for (int fd : kept) cut = ClosedByServer(fd, 100) && cut;
    }
    EXPECT_TRUE(cut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    for (int fd : kept) close(fd);
    EXPECT_NE(server.Log().find("127.0.0.1 cut: no whole request within 1 s"), std::string::npos) << server.Log();
}

TEST(Server, APortInUseIsNotShared) {
    int port = 0;
    const int first = OpenListener("127.0.0.1", 0, &port);
    ASSERT_GE(first, 0);
    int again = 0;
    EXPECT_EQ(OpenListener("127.0.0.1", port, &again), -1);
    EXPECT_EQ(errno, EADDRINUSE);
    EXPECT_EQ(OpenListener("0.0.0.0", port, &again), -1);
    EXPECT_EQ(OpenListener("not an address", 0, &again), -1);
    close(first);
}

// Makes `path` unwritable even for root (an immutable file), or writable again.
void SetReadOnly(const std::string& path, bool readOnly) {
    chmod(path.c_str(), readOnly ? 0400 : 0600);
    const int fd = open(path.c_str(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        flags = readOnly ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0) close(fd);
}

TEST(Server, OpensItsDatabaseReadWriteAndWholeOrNotAtAll) {
    const std::string dir = FreshDataDir("database");
    const std::string file = dir + "/feedback.sqlite";
    {
        Service service;
        std::string error;
        ASSERT_EQ(OpenService(service, dir, kStoreServe, &error), kStoreOk) << error;
        EXPECT_EQ(std::filesystem::status(dir).permissions(), std::filesystem::perms::owner_all);
        EXPECT_EQ(std::filesystem::status(file).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        FeedbackEntry entry{};
        Registration registration;
        std::strcpy(entry.email, "a@b.c");
        for (int i = 0; i < 56; ++i) {
            std::memset(entry.message, 'a' + i % 26, 1000);
            ASSERT_EQ(service.store.Add(entry, &registration), kStoreOk);
        }
    }
    Service service;
    std::string error;
    SetReadOnly(file, true);
    EXPECT_EQ(OpenService(service, dir, kStoreServe, &error), kStoreCannotOpen);
    EXPECT_NE(error.find(file), std::string::npos) << error;
    SetReadOnly(file, false);
    ASSERT_EQ(OpenService(service, dir, kStoreRead, &error), kStoreOk) << error;
    EXPECT_EQ(service.store.ForEach([](const FeedbackEntry&, const char*) {}), 56);
    service.store.Close();

    // One damaged page: neither serving nor listing starts on it.
    {
        std::fstream damage(file, std::ios::in | std::ios::out | std::ios::binary);
        damage.seekp(4096 * 5);
        damage << std::string(4096, '\x55');
    }
    EXPECT_EQ(OpenService(service, dir, kStoreServe, &error), kStoreDamaged);
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
    EXPECT_EQ(OpenService(service, dir, kStoreRead, &error), kStoreDamaged);

    // Listing a folder that does not exist makes nothing.
    const std::string missing = FreshDataDir("missing") + "/typo";
    EXPECT_EQ(OpenService(service, missing, kStoreRead, &error), kStoreCannotOpen);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// A server in a child process takes records from four clients until it is killed
// mid-burst; every record that got a success reply must be there afterwards.
TEST(Server, EveryAcknowledgedRecordSurvivesAKill) {
    const std::string dir = FreshDataDir("kill");
    int port = 0;
    const int listener = OpenListener("127.0.0.1", 0, &port);
    ASSERT_GE(listener, 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Service service;
        std::string error;
        if (OpenService(service, dir, kStoreServe, &error) != kStoreOk) _exit(3);
        HttpServer http(service, stderr);
        if (!http.Start(listener)) _exit(4);
        for (;;) pause();
    }
    close(listener);
    std::mutex lock;
    std::vector<std::string> acknowledged;
    std::atomic<bool> killed{false};
    std::vector<std::thread> clients;
    for (int t = 0; t < 4; ++t) {
        clients.emplace_back([&, t] {
            for (int i = 0; i < 5000 && !killed; ++i) {
                const std::string email = "c" + std::to_string(t) + "n" + std::to_string(i) + "@x.y";
                const std::vector<Reply> replies =
                    Exchange(port, Request(FeedbackTarget(Base64Of(email + "|n|0.54|0|0|c|1|m"))), 1);
                if (replies.size() == 1 && replies[0].body.rfind("0 ", 0) == 0) {
                    std::lock_guard<std::mutex> hold(lock);
                    acknowledged.push_back(email);
                    if (acknowledged.size() == 300) {
                        kill(child, SIGKILL);
                        killed = true;
                    }
                }
            }
        });
    }
    for (std::thread& client : clients) client.join();
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    Service service;
    std::string error;
    ASSERT_EQ(OpenService(service, dir, kStoreServe, &error), kStoreOk) << error;  // passes the quick check
    std::set<std::string> stored;
    service.store.ForEach([&stored](const FeedbackEntry& e, const char*) { stored.insert(e.email); });
    EXPECT_GE(acknowledged.size(), 300u);
    for (const std::string& email : acknowledged) EXPECT_EQ(stored.count(email), 1u) << email;
    std::filesystem::remove_all(std::filesystem::path(dir).parent_path());
}

}  // namespace
