#include "http.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/tcp.h>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "request.h"

namespace {

constexpr int kListenBacklog = 511;
constexpr int kBatchMax = 256;       // records stored by one transaction at most
constexpr int kLoopWaitMs = 100;     // the loop looks at the deadlines this often
constexpr size_t kLoggedTarget = 80;  // characters of a refused target that are logged

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One client connection, from its opening to its closing.
struct Connection {
    MHD_Connection* mhd = nullptr;
    int fd = -1;
    size_t index = 0;            // in Impl::connections
    char client[64] = "?";       // the client's address
    int64_t deadlineMs = 0;      // when the request must be whole; 0 while a record is stored
    bool cut = false;            // shut down for its deadline
    bool answered = false;       // a request was answered on it
    uint64_t bytesBefore = 0;    // received before the current request
    std::string target;          // the current request's target as sent
    // A request is answered at the library's second call: a reply queued at the first
    // one would close the connection.
    enum Phase { kIdle, kHeard, kStoring, kStored } phase = kIdle;
    RequestVerdict verdict{};
    FeedbackEntry entry;         // the record to store
    std::string reply;           // its reply once stored
};

// Bytes the connection has received so far, by the kernel's count.
uint64_t BytesReceived(int fd) {
    tcp_info info{};
    socklen_t length = sizeof info;
    return getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 ? info.tcpi_bytes_received : 0;
}

void FormatAddress(const sockaddr* address, char* out, size_t capacity) {
    const socklen_t length = address->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    if (getnameinfo(address, length, out, static_cast<socklen_t>(capacity), nullptr, 0, NI_NUMERICHOST) != 0) {
        std::snprintf(out, capacity, "?");
    }
}

}  // namespace

struct HttpServer::Impl {
    Impl(Service& s, FILE* l, const ServerLimits& limits)
        : service(s), log(l), limits(limits), pace(limits.logLinesPerSecond, limits.logBurst) {}

    Service& service;
    FILE* log;
    ServerLimits limits;
    MHD_Daemon* daemon = nullptr;
    std::thread loop;
    std::thread writer;
    std::atomic<bool> stopping{false};
    std::atomic<bool> resumed{false};  // the writer woke connections up
    int wake = -1;                     // an eventfd the writer signals after it resumed connections
    std::vector<Connection*> connections;  // the loop thread's

    std::mutex queueLock;
    std::condition_variable queueReady;
    std::vector<Connection*> queue;
    bool writerStop = false;

    std::mutex logLock;
    LogPace pace;

    // One line: UTC time, client address, what happened.
    void Log(const char* client, const char* what, const std::string& detail = std::string()) {
        std::lock_guard<std::mutex> lock(logLock);
        if (!pace.Admit(NowMs())) return;
        WriteHeldBackLocked();
        char when[21];
        FormatLogTime(std::time(nullptr), when);
        std::fprintf(log, "%s %s %s%s%s\n", when, client, what, detail.empty() ? "" : ": ", detail.c_str());
        std::fflush(log);
    }
    void WriteHeldBackLocked() {
        const uint64_t held = pace.TakeHeldBack();
        if (!held) return;
        char when[21];
        FormatLogTime(std::time(nullptr), when);
        std::fprintf(log, "%s - %llu more lines held back\n", when, static_cast<unsigned long long>(held));
    }
    void FlushHeldBack() {
        std::lock_guard<std::mutex> lock(logLock);
        WriteHeldBackLocked();
        std::fflush(log);
    }
    void Refuse(Connection* c, const char* why) {
        Log(c->client, "refused", std::string(why) + " (" + c->target.substr(0, kLoggedTarget) + ")");
    }

    void RunLoop();
    void RunWriter();
    void CutLateConnections(int64_t now);
    MHD_Result Answer(Connection* c, const char* method);
};

namespace {

MHD_Result Queue(MHD_Connection* mhd, unsigned status, const std::string& body, const char* allow = nullptr) {
    MHD_Response* response =
        MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    // Both answers change at any time; no cache in between may keep them.
    MHD_add_response_header(response, "Cache-Control", "no-cache, no-store");
    MHD_add_response_header(response, "Content-Type", "text/plain");
    if (allow) MHD_add_response_header(response, "Allow", allow);
    const MHD_Result queued = MHD_queue_response(mhd, status, response);
    MHD_destroy_response(response);
    return queued;
}

bool BodyAnnounced(MHD_Connection* mhd) {
    const char* length = MHD_lookup_connection_value(mhd, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (length && std::strspn(length, "0") != std::strlen(length)) return true;
    return MHD_lookup_connection_value(mhd, MHD_HEADER_KIND, MHD_HTTP_HEADER_TRANSFER_ENCODING) != nullptr;
}

void OnConnection(void* cls, MHD_Connection* mhd, void** socketContext, MHD_ConnectionNotificationCode code) {
    auto* server = static_cast<HttpServer::Impl*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        auto* c = new Connection;
        c->mhd = mhd;
        if (const MHD_ConnectionInfo* info = MHD_get_connection_info(mhd, MHD_CONNECTION_INFO_CONNECTION_FD)) {
            c->fd = info->connect_fd;
        }
        if (const MHD_ConnectionInfo* info = MHD_get_connection_info(mhd, MHD_CONNECTION_INFO_CLIENT_ADDRESS)) {
            FormatAddress(info->client_addr, c->client, sizeof c->client);
        }
        c->deadlineMs = NowMs() + server->limits.requestSeconds * 1000LL;
        c->index = server->connections.size();
        server->connections.push_back(c);
        *socketContext = c;
        return;
    }
    auto* c = static_cast<Connection*>(*socketContext);
    if (!c) return;
    // Bytes arrived but no request line was read: the library refused the line (414,
    // 400). The kernel's count includes the client's FIN as one byte.
    if (c->target.empty() && !c->cut && BytesReceived(c->fd) > c->bytesBefore + 1) {
        server->Log(c->client, "refused", "request line too long or malformed");
    }
    Connection* last = server->connections.back();
    server->connections[c->index] = last;
    last->index = c->index;
    server->connections.pop_back();
    delete c;
    *socketContext = nullptr;
}

// Called once the request line is read: keeps the target as sent.
void* OnRequestLine(void* cls, const char* uri, MHD_Connection* mhd) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(mhd, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    auto* c = info ? static_cast<Connection*>(info->socket_context) : nullptr;
    if (c) c->target = uri;
    return c;
}

void OnRequestEnd(void* cls, MHD_Connection*, void** requestContext, MHD_RequestTerminationCode code) {
    auto* server = static_cast<HttpServer::Impl*>(cls);
    auto* c = static_cast<Connection*>(*requestContext);
    if (!c) return;
    if (code != MHD_REQUEST_TERMINATED_COMPLETED_OK && code != MHD_REQUEST_TERMINATED_DAEMON_SHUTDOWN &&
        code != MHD_REQUEST_TERMINATED_CLIENT_ABORT && c->phase == Connection::kIdle && !c->cut) {
        server->Log(c->client, "refused",
                    "request head too large or malformed (" + c->target.substr(0, kLoggedTarget) + ")");
    }
    c->phase = Connection::kIdle;
    c->target.clear();
    c->bytesBefore = BytesReceived(c->fd);
    c->answered = true;
    c->deadlineMs = NowMs() + server->limits.requestSeconds * 1000LL;
}

MHD_Result OnRequest(void* cls, MHD_Connection* mhd, const char* url, const char* method, const char* version,
                     const char* upload, size_t* uploadSize, void** requestContext) {
    auto* server = static_cast<HttpServer::Impl*>(cls);
    auto* c = static_cast<Connection*>(*requestContext);
    if (!c) return MHD_NO;
    return server->Answer(c, method);
}

void OnLibraryMessage(void* cls, const char* format, va_list arguments) {
    char text[256];
    std::vsnprintf(text, sizeof text, format, arguments);
    text[std::strcspn(text, "\r\n")] = '\0';
    // Its refusals of a request are logged per connection, with the client's address.
    if (std::strncmp(text, "Error processing request", 24) == 0) return;
    static_cast<HttpServer::Impl*>(cls)->Log("-", "http", text);
}

}  // namespace

MHD_Result HttpServer::Impl::Answer(Connection* c, const char* method) {
    switch (c->phase) {
        case Connection::kStoring: return MHD_YES;  // not called while suspended
        case Connection::kStored:
            c->phase = Connection::kIdle;
            c->deadlineMs = NowMs() + limits.requestSeconds * 1000LL;
            return Queue(c->mhd, MHD_HTTP_OK, c->reply);
        case Connection::kIdle:
            c->deadlineMs = NowMs() + limits.requestSeconds * 1000LL;
            c->verdict = ClassifyRequest(method, c->target.c_str(), BodyAnnounced(c->mhd));
            c->phase = Connection::kHeard;
            // A body is refused at once, which closes the connection unread.
            if (c->verdict.status != 413) return MHD_YES;
            break;
        case Connection::kHeard: break;
    }
    const RequestVerdict verdict = c->verdict;
    if (verdict.route == kRouteNone) {
        Refuse(c, verdict.reason);
        return Queue(c->mhd, verdict.status, std::string(), verdict.allow);
    }
    if (verdict.route == kRouteVersion) {
        std::string text;
        const bool found = ReadVersionFile(service.dataDir, &text);
        return Queue(c->mhd, found ? MHD_HTTP_OK : MHD_HTTP_NOT_FOUND, text);
    }
    if (const char* why = ReadFeedbackData(DataParameter(c->target.c_str()), &c->entry)) {
        Refuse(c, why);
        return Queue(c->mhd, MHD_HTTP_OK, kFailureReply);
    }
    c->phase = Connection::kStoring;
    c->deadlineMs = 0;
    MHD_suspend_connection(c->mhd);
    {
        std::lock_guard<std::mutex> lock(queueLock);
        queue.push_back(c);
    }
    queueReady.notify_one();
    return MHD_YES;
}

void HttpServer::Impl::RunWriter() {
    std::vector<Connection*> batch;
    std::vector<FeedbackEntry> entries;
    std::vector<Registration> registrations(kBatchMax);
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(queueLock);
            queueReady.wait(lock, [this] { return !queue.empty() || writerStop; });
            if (queue.empty()) return;
            const size_t take = std::min<size_t>(queue.size(), kBatchMax);
            batch.assign(queue.begin(), queue.begin() + take);
            queue.erase(queue.begin(), queue.begin() + take);
        }
        entries.clear();
        for (Connection* c : batch) entries.push_back(c->entry);
        const int stored = service.store.AddAll(entries.data(), static_cast<int>(entries.size()), registrations.data());
        for (size_t i = 0; i < batch.size(); ++i) {
            Connection* c = batch[i];
            if (stored != kStoreOk) Refuse(c, "the database cannot be written");
            c->reply = stored == kStoreOk ? FeedbackReply(registrations[i]) : kFailureReply;
            c->phase = Connection::kStored;
            MHD_resume_connection(c->mhd);
        }
        // The library's own signal does not reach an outside event loop here.
        resumed = true;
        const uint64_t one = 1;
        if (::write(wake, &one, sizeof one) < 0) {
            // the counter is full: the loop is awake anyway
        }
    }
}

void HttpServer::Impl::CutLateConnections(int64_t now) {
    for (Connection* c : connections) {
        if (c->cut || c->deadlineMs == 0 || now < c->deadlineMs) continue;
        // The library sees the end of the stream and closes the connection itself.
        ::shutdown(c->fd, SHUT_RDWR);
        c->cut = true;
        // A kept-alive connection that merely went quiet after its replies is no refusal.
        if (c->answered && c->target.empty()) continue;
        Log(c->client, "cut", "no whole request within " + std::to_string(limits.requestSeconds) + " s");
    }
}

void HttpServer::Impl::RunLoop() {
    int64_t lastCheck = NowMs();
    int64_t lastFlush = lastCheck;
    const MHD_DaemonInfo* events = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_EPOLL_FD);
    pollfd ready[2] = {{events ? events->epoll_fd : -1, POLLIN, 0}, {wake, POLLIN, 0}};
    int eagerRuns = 0;
    while (!stopping.load()) {
        MHD_UNSIGNED_LONG_LONG libraryWait = kLoopWaitMs;
        if (MHD_get_timeout(daemon, &libraryWait) != MHD_YES || libraryWait > kLoopWaitMs) libraryWait = kLoopWaitMs;
        // A resumed connection takes the library a few runs (take it back, answer,
        // send) without an event on its socket in between.
        if (resumed.exchange(false)) eagerRuns = 3;
        if (eagerRuns > 0) {
            --eagerRuns;
            libraryWait = 0;
        }
        if (poll(ready, 2, static_cast<int>(libraryWait)) > 0 && (ready[1].revents & POLLIN)) {
            uint64_t count;
            if (::read(wake, &count, sizeof count) < 0) count = 0;
        }
        MHD_run(daemon);
        const int64_t now = NowMs();
        if (now - lastCheck >= kLoopWaitMs) {
            CutLateConnections(now);
            lastCheck = now;
        }
        if (now - lastFlush >= 1000) {
            FlushHeldBack();
            lastFlush = now;
        }
    }
}

HttpServer::HttpServer(Service& service, FILE* log, const ServerLimits& limits)
    : impl_(new Impl(service, log, limits)) {}

HttpServer::~HttpServer() { Stop(); }

bool HttpServer::Start(int listener) {
    Impl* s = impl_.get();
    s->daemon = MHD_start_daemon(
        MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG, 0, nullptr, nullptr, OnRequest, s,
        MHD_OPTION_EXTERNAL_LOGGER, OnLibraryMessage, s, MHD_OPTION_LISTEN_SOCKET, listener, MHD_OPTION_CONNECTION_MEMORY_LIMIT, s->limits.connectionMemory,
        MHD_OPTION_CONNECTION_LIMIT, s->limits.connections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        s->limits.connectionsPerAddress, MHD_OPTION_CONNECTION_TIMEOUT, s->limits.requestSeconds,
        MHD_OPTION_NOTIFY_CONNECTION, OnConnection, s, MHD_OPTION_URI_LOG_CALLBACK, OnRequestLine, s,
        MHD_OPTION_NOTIFY_COMPLETED, OnRequestEnd, s, MHD_OPTION_END);
    s->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (!s->daemon || s->wake < 0) {
        if (s->daemon) MHD_stop_daemon(s->daemon);
        else ::close(listener);
        if (s->wake >= 0) ::close(s->wake);
        s->daemon = nullptr;
        return false;
    }
    s->writer = std::thread([s] { s->RunWriter(); });
    s->loop = std::thread([s] { s->RunLoop(); });
    return true;
}

void HttpServer::Stop() {
    Impl* s = impl_.get();
    if (!s->daemon) return;
    s->stopping = true;
    s->loop.join();
    {
        std::lock_guard<std::mutex> lock(s->queueLock);
        s->writerStop = true;
    }
    s->queueReady.notify_one();
    s->writer.join();
    MHD_stop_daemon(s->daemon);
    s->daemon = nullptr;
    ::close(s->wake);
    s->FlushHeldBack();
}

int OpenListener(const char* address, int port, int* boundPort) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(address, service.c_str(), &hints, &found) != 0 || !found) {
        errno = EINVAL;
        return -1;
    }
    const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int saved = errno;
    if (fd >= 0) {
        // A restart may take the port while old connections linger; another
        // listener never may (no SO_REUSEPORT).
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        if (::bind(fd, found->ai_addr, found->ai_addrlen) == 0 && ::listen(fd, kListenBacklog) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0) {
            freeaddrinfo(found);
            *boundPort = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                                           : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
            return fd;
        }
        saved = errno;
        ::close(fd);
    }
    freeaddrinfo(found);
    errno = saved;
    return -1;
}
