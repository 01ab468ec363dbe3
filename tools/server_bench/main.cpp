// server_bench: measures kvs_server builds side by side, on loopback only, and
// stops by itself (every case is bounded in time and count).
//
//   server_bench [--seconds S] [--rates-only] LABEL=PATH [LABEL=PATH ...]
//
// For each build, on a fresh data folder each time: request rates of latest.txt at
// 1/16/64/256 clients, with a new connection per request and with reused ones
// (p50/p99 latency, failed requests, listen-queue drops); feedback stores at 16
// clients; a normal client (from 127.0.0.2) beside 1,000 dripping, idle and partial
// connections from 127.0.0.1; the peak resident memory after each hostile request
// (gzip bombs, 100 MB body, request line and header line, 1,000,000 header fields);
// and the protocol checks (HEAD, half-close, pipelining, a second server on the
// port, bad --port values). Prints one table with a column per build.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/base64.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kVersionPath[] = "/pellor/kvsfb/latest.txt";
// "ann@example.org|J?>|0.54|1|0|CZ|30|>?"
constexpr char kRecord[] = "YW5uQGV4YW1wbGUub3JnfEo/PnwwLjU0fDF8MHxDWnwzMHw+Pw==";

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The Base64 text of `in`, as the program sends a record.
std::string Base64(const std::string& in) {
    std::string out(static_cast<size_t>(Base64Length(static_cast<int>(in.size()))) + 1, '\0');
    const int length = EncodeBase64(in.data(), static_cast<int>(in.size()), &out[0], static_cast<int>(out.size()));
    out.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return out;
}

// A connected socket to 127.0.0.1:port from `from`, or -1 after `timeoutMs`.
int Connect(int port, const char* from = "127.0.0.1", int timeoutMs = 2000) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, from, &a.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    a.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
        close(fd);
        return -1;
    }
    pollfd p{fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    if (poll(&p, 1, timeoutMs) != 1 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, 0);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

void SetTimeouts(int fd, int ms) {
    timeval t{ms / 1000, (ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t);
}

bool SendAll(int fd, const char* data, size_t size) {
    while (size) {
        const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Reads one reply; returns its status (0: none) and leaves what follows in `buffer`.
int ReadReply(int fd, std::string& buffer, std::string* body = nullptr, bool head = false) {
    for (;;) {
        const size_t end = buffer.find("\r\n\r\n");
        if (end != std::string::npos) {
            const size_t at = buffer.find("Content-Length: ");
            const size_t length = at < end && !head ? std::strtoul(buffer.c_str() + at + 16, nullptr, 10) : 0;
            if (buffer.size() >= end + 4 + length) {
                const int status = std::atoi(buffer.c_str() + 9);
                if (body) *body = buffer.substr(end + 4, length);
                buffer.erase(0, end + 4 + length);
                return status;
            }
        }
        char chunk[16384];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return 0;
        buffer.append(chunk, static_cast<size_t>(n));
    }
}

std::string Get(const std::string& target, bool keepAlive, const char* method = "GET") {
    return std::string(method) + " " + target + " HTTP/1.1\r\nHost: kvs\r\n" +
           (keepAlive ? "" : "Connection: close\r\n") + "\r\n";
}

// One request on a new connection; the status, or 0.
// Load clients come from 64 addresses, as many clients would.
std::string LoadAddress(int client) { return "127.0.1." + std::to_string(client % 64 + 1); }

int OneRequest(int port, const std::string& request, std::string* body = nullptr, bool halfClose = false,
               const char* from = "127.0.0.1", int timeoutMs = 2000) {
    const int fd = Connect(port, from, timeoutMs);
    if (fd < 0) return 0;
    SetTimeouts(fd, timeoutMs);
    std::string buffer;
    int status = 0;
    if (SendAll(fd, request.data(), request.size())) {
        if (halfClose) shutdown(fd, SHUT_WR);
        status = ReadReply(fd, buffer, body, request.rfind("HEAD", 0) == 0);
    }
    close(fd);
    return status;
}

long ListenDrops() {
    std::ifstream in("/proc/net/netstat");
    std::string names, values;
    while (std::getline(in, names) && std::getline(in, values)) {
        if (names.rfind("TcpExt:", 0) != 0) continue;
        std::vector<std::string> n, v;
        size_t a = 0, b = 0;
        for (std::string word; a != std::string::npos;) {
            const size_t next = names.find(' ', a);
            word = names.substr(a, next == std::string::npos ? next : next - a);
            n.push_back(word);
            a = next == std::string::npos ? next : next + 1;
        }
        for (std::string word; b != std::string::npos;) {
            const size_t next = values.find(' ', b);
            v.push_back(values.substr(b, next == std::string::npos ? next : next - b));
            b = next == std::string::npos ? next : next + 1;
        }
        for (size_t i = 0; i < n.size() && i < v.size(); ++i) {
            if (n[i] == "ListenDrops") return std::atol(v[i].c_str());
        }
    }
    return 0;
}

struct Server {
    pid_t pid = -1;
    int port = 0;
    std::string data;
};

int RunCommand(const std::vector<std::string>& args, int timeoutMs, std::string* out = nullptr) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string text;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = -1;
    for (;;) {
        pollfd p{pipeFds[0], POLLIN, 0};
        if (poll(&p, 1, 50) == 1) {
            char chunk[4096];
            const ssize_t n = read(pipeFds[0], chunk, sizeof chunk);
            if (n > 0) text.append(chunk, static_cast<size_t>(n));
        }
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        if (Clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            status = -2;  // still running: killed
            break;
        }
    }
    close(pipeFds[0]);
    if (out) *out = text;
    return status == -2 ? -2 : WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

Server Start(const std::string& binary, const std::string& data, int port = 0) {
    Server s;
    s.data = data;
    std::string command = "rm -rf '" + data + "'";
    if (std::system(command.c_str()) != 0) return s;
    RunCommand({binary, "publish", "--data", data, "0.55", "http://a.example/kvs.zip"}, 5000);
    int out[2];
    if (pipe(out) != 0) return s;
    s.pid = fork();
    if (s.pid == 0) {
        dup2(out[1], 1);
        const int log = open((data + ".log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(log, 2);
        execl(binary.c_str(), binary.c_str(), "--listen", "127.0.0.1", "--port", std::to_string(port).c_str(),
              "--data", data.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string text;
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (text.find('\n') == std::string::npos && Clock::now() < end) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 100) == 1) {
            char chunk[256];
            const ssize_t n = read(out[0], chunk, sizeof chunk);
            if (n <= 0) break;
            text.append(chunk, static_cast<size_t>(n));
        }
    }
    close(out[0]);
    const size_t colon = text.rfind(':');
    s.port = colon == std::string::npos ? 0 : std::atoi(text.c_str() + colon + 1);
    return s;
}

long PeakMegabytes(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6) / 1024;
    }
    return -1;
}

void Stop(Server& s) {
    if (s.pid <= 0) return;
    kill(s.pid, SIGTERM);
    for (int i = 0; i < 30; ++i) {
        if (waitpid(s.pid, nullptr, WNOHANG) == s.pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(s.pid, SIGKILL);
    waitpid(s.pid, nullptr, 0);
}

std::string Percentiles(std::vector<double>& ms) {
    if (ms.empty()) return "-";
    std::sort(ms.begin(), ms.end());
    char text[64];
    std::snprintf(text, sizeof text, "%.1f/%.1f ms", ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)]);
    return text;
}

// `clients` threads request for `seconds`; new connections or reused ones.
std::string Rate(int port, int clients, bool reuse, double seconds, bool feedback) {
    std::atomic<long> done{0}, failed{0};
    std::mutex lock;
    std::vector<double> latencies;
    const long dropsBefore = ListenDrops();
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t) {
        threads.emplace_back([&, t] {
            std::vector<double> mine;
            int fd = -1;
            std::string buffer;
            for (long i = 0; Clock::now() < end; ++i) {
                const std::string target =
                    feedback ? "/pellor/kvsfb/feedback.php?data=" +
                                   Base64("b" + std::to_string(t) + "x" + std::to_string(i) + "@x.y|n|0.54|1|0|c|1|m")
                             : kVersionPath;
                const auto start = Clock::now();
                int status = 0;
                const std::string from = LoadAddress(t);
                if (!reuse) {
                    status = OneRequest(port, Get(target, false), nullptr, false, from.c_str());
                } else {
                    if (fd < 0) {
                        fd = Connect(port, from.c_str());
                        if (fd >= 0) SetTimeouts(fd, 2000);
                        buffer.clear();
                    }
                    const std::string request = Get(target, true);
                    if (fd >= 0 && SendAll(fd, request.data(), request.size())) status = ReadReply(fd, buffer);
                    if (status == 0 && fd >= 0) {
                        close(fd);
                        fd = -1;
                    }
                }
                if (status == 200) {
                    ++done;
                    mine.push_back(Seconds(Clock::now() - start) * 1000);
                } else {
                    ++failed;
                }
            }
            if (fd >= 0) close(fd);
            std::lock_guard<std::mutex> hold(lock);
            latencies.insert(latencies.end(), mine.begin(), mine.end());
        });
    }
    for (std::thread& t : threads) t.join();
    char text[160];
    std::snprintf(text, sizeof text, "%.0f/s, %s, %ld failed, %ld drops", done / seconds, Percentiles(latencies).c_str(),
                  failed.load(), ListenDrops() - dropsBefore);
    return text;
}

// 1,000 hostile connections from 127.0.0.1 (a third drip a byte every 2 s, a third
// idle, a third hold a partial request), kept up for `seconds`, while a normal
// client from 127.0.0.2 fetches latest.txt.
int OpenFiles(pid_t pid) {
    const std::string command = "ls /proc/" + std::to_string(pid) + "/fd | wc -l";
    FILE* count = popen(command.c_str(), "r");
    int files = -1;
    if (count && std::fscanf(count, "%d", &files) != 1) files = -1;
    if (count) pclose(count);
    return files;
}

std::string SlowClients(int port, pid_t pid, double seconds) {
    constexpr int kHostile = 1000;
    std::atomic<bool> running{true};
    std::thread hostile([&] {
        std::vector<int> fds(kHostile, -1);
        std::vector<Clock::time_point> nextDrip(kHostile, Clock::now());
        while (running) {
            int reopened = 0;
            for (int i = 0; i < kHostile && running; ++i) {
                if (fds[i] >= 0) {
                    pollfd p{fds[i], POLLIN, 0};
                    char byte;
                    if (poll(&p, 1, 0) == 1 && recv(fds[i], &byte, 1, MSG_DONTWAIT) <= 0) {
                        close(fds[i]);
                        fds[i] = -1;
                    }
                }
                if (fds[i] < 0 && reopened < 100) {
                    ++reopened;
                    fds[i] = Connect(port, "127.0.0.1", 50);
                    if (fds[i] >= 0 && i % 3 == 2) {
                        const char* partial = "GET /pellor/kvsfb/latest.txt HTTP/1.1\r\nHost: kvs\r\n";
                        send(fds[i], partial, std::strlen(partial), MSG_NOSIGNAL | MSG_DONTWAIT);
                    }
                }
                if (fds[i] >= 0 && i % 3 == 0 && Clock::now() >= nextDrip[i]) {
                    send(fds[i], "G", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                    nextDrip[i] = Clock::now() + std::chrono::seconds(2);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        for (int fd : fds) {
            if (fd >= 0) close(fd);
        }
    });
    std::this_thread::sleep_for(std::chrono::seconds(2));
    std::vector<double> ms;
    int asked = 0;
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        const auto start = Clock::now();
        ++asked;
        if (OneRequest(port, Get(kVersionPath, false), nullptr, false, "127.0.0.2", 2000) == 200) {
            ms.push_back(Seconds(Clock::now() - start) * 1000);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const int held = OpenFiles(pid);
    running = false;
    hostile.join();
    char text[160];
    std::snprintf(text, sizeof text, "%zu of %d answered, %s; server holds %d files", ms.size(), asked,
                  Percentiles(ms).c_str(), held);
    return text;
}

std::string GzipBomb() {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY);
    std::vector<unsigned char> zeros(1 << 20, 0);
    std::string out;
    std::vector<unsigned char> chunk(1 << 16);
    for (int i = 0; i < 1024; ++i) {
        z.next_in = zeros.data();
        z.avail_in = static_cast<uInt>(zeros.size());
        const int flush = i == 1023 ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = chunk.data();
            z.avail_out = static_cast<uInt>(chunk.size());
            deflate(&z, flush);
            out.append(reinterpret_cast<char*>(chunk.data()), chunk.size() - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

// Sends a hostile request of `head` and `tailSize` bytes of `fill` (up to 30 s);
// the status that came back (0: none).
int Hostile(int port, const std::string& head, size_t tailSize, char fill, const std::string& tail = "") {
    const int fd = Connect(port);
    if (fd < 0) return 0;
    SetTimeouts(fd, 30000);
    bool sent = SendAll(fd, head.data(), head.size());
    const std::string block(1 << 20, fill);
    for (size_t done = 0; sent && done < tailSize; done += block.size()) {
        sent = SendAll(fd, block.data(), std::min(block.size(), tailSize - done));
    }
    if (sent && !tail.empty()) SendAll(fd, tail.data(), tail.size());
    std::string buffer;
    const int status = ReadReply(fd, buffer);
    close(fd);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = 2;
    bool ratesOnly = false;
    std::vector<std::pair<std::string, std::string>> builds;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--rates-only")) ratesOnly = true;
        else if (const char* eq = std::strchr(argv[i], '=')) builds.push_back({std::string(argv[i], static_cast<size_t>(eq - argv[i])), eq + 1});
    }
    if (builds.empty()) {
        std::fprintf(stderr, "usage: server_bench [--seconds S] LABEL=PATH [LABEL=PATH ...]\n");
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    const std::string bomb = GzipBomb();
    const std::string base = "/tmp/kvs-server-bench-" + std::to_string(getpid());

    std::vector<std::string> order;
    std::map<std::string, std::map<std::string, std::string>> table;  // row -> label -> cell
    auto put = [&](const std::string& row, const std::string& label, const std::string& cell) {
        if (table.find(row) == table.end()) order.push_back(row);
        table[row][label] = cell;
        std::fprintf(stderr, "%s | %s | %s\n", label.c_str(), row.c_str(), cell.c_str());
    };
    // The loads alternate between the builds, case by case, so both see the same machine.
    const int clientCounts[] = {1, 16, 64, 256};
    for (int clients : clientCounts) {
        for (bool reuse : {false, true}) {
            for (auto& [label, binary] : builds) {
                Server s = Start(binary, base + "-" + label);
                char row[64];
                std::snprintf(row, sizeof row, "latest.txt, %d clients, %s", clients, reuse ? "reused" : "new conn.");
                put(row, label, s.port ? Rate(s.port, clients, reuse, seconds, false) : "did not start");
                Stop(s);
            }
        }
    }
    for (bool reuse : {false, true}) {
        for (auto& [label, binary] : builds) {
            Server s = Start(binary, base + "-" + label);
            put(std::string("feedback stores, 16 clients, ") + (reuse ? "reused" : "new conn."), label,
                Rate(s.port, 16, reuse, seconds, true));
            Stop(s);
        }
    }
    for (auto& [label, binary] : ratesOnly ? decltype(builds)() : builds) {
        Server s = Start(binary, base + "-" + label);
        put("normal client beside 1,000 slow ones", label, SlowClients(s.port, s.pid, 15));
        Stop(s);
    }
    struct Case {
        const char* name;
        std::string head;
        size_t size;
        char fill;
        std::string tail;
        int parallel;
    };
    const std::string post = "POST /pellor/kvsfb/feedback.php HTTP/1.1\r\nHost: kvs\r\n";
    const Case cases[] = {
        {"idle server", "", 0, 0, "", 0},
        {"1 MB gzip body inflating to 1 GB",
         post + "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(bomb.size()) + "\r\n\r\n" + bomb, 0, 0,
         "", 1},
        {"four such bodies at once",
         post + "Content-Encoding: gzip\r\nContent-Length: " + std::to_string(bomb.size()) + "\r\n\r\n" + bomb, 0, 0,
         "", 4},
        {"100 MB body", post + "Content-Length: 104857600\r\n\r\n", 100u << 20, 'x', "", 1},
        {"100 MB request line", "GET /", 100u << 20, 'a', " HTTP/1.1\r\nHost: kvs\r\n\r\n", 1},
        {"100 MB header line", "GET /pellor/kvsfb/latest.txt HTTP/1.1\r\nHost: kvs\r\nX: ", 100u << 20, 'a',
         "\r\n\r\n", 1},
        {"1,000,000 header fields", "GET /pellor/kvsfb/latest.txt HTTP/1.1\r\nHost: kvs\r\n", 0, 0, "", 1},
    };
    std::string millionFields;
    for (int i = 0; i < 1000000; ++i) millionFields += "A: b\r\n";
    millionFields += "\r\n";
    for (const Case& c : cases) {
        for (auto& [label, binary] : ratesOnly ? decltype(builds)() : builds) {
            Server s = Start(binary, base + "-" + label);
            const auto start = Clock::now();
            std::vector<int> statuses(static_cast<size_t>(c.parallel));
            std::vector<std::thread> senders;
            for (int i = 0; i < c.parallel; ++i) {
                senders.emplace_back([&, i] {
                    const bool million = std::strstr(c.name, "1,000,000") != nullptr;
                    statuses[i] = Hostile(s.port, c.head, c.size, c.fill, million ? millionFields : c.tail);
                });
            }
            for (std::thread& t : senders) t.join();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            std::string cell;
            for (int status : statuses) cell += (status ? std::to_string(status) : std::string("no reply")) + " ";
            char text[96];
            std::snprintf(text, sizeof text, "%sin %.1f s, peak %ld MB", cell.c_str(), Seconds(Clock::now() - start),
                          PeakMegabytes(s.pid));
            put(std::string("memory: ") + c.name, label, text);
            Stop(s);
        }
    }
    for (auto& [label, binary] : ratesOnly ? decltype(builds)() : builds) {
        Server s = Start(binary, base + "-" + label);
        const std::string unique = Base64("head@x.y|n|0.54|1|0|c|1|m");
        OneRequest(s.port, Get("/pellor/kvsfb/feedback.php?data=" + unique, false, "HEAD"));
        std::string dump;
        RunCommand({binary, "dump", "--data", s.data}, 5000, &dump);
        put("HEAD feedback.php stores", label, dump.find("head@x.y") != std::string::npos ? "yes" : "no");
        std::string body;
        const int halfClosed =
            OneRequest(s.port, Get("/pellor/kvsfb/feedback.php?data=" + std::string(kRecord), true), &body, true);
        put("half-closed client gets its reply", label, halfClosed == 200 ? "yes (" + body + ")" : "no");
        {
            const int fd = Connect(s.port);
            SetTimeouts(fd, 2000);
            const std::string three = Get(kVersionPath, true) + Get(kVersionPath, true) + Get(kVersionPath, true);
            SendAll(fd, three.data(), three.size());
            std::string buffer;
            int answered = 0;
            while (answered < 3 && ReadReply(fd, buffer) == 200) ++answered;
            close(fd);
            put("pipelined requests answered (of 3)", label, std::to_string(answered));
        }
        std::string second;
        const int secondExit = RunCommand({binary, "--listen", "127.0.0.1", "--port", std::to_string(s.port), "--data",
                                           s.data + "-second"},
                                          2000, &second);
        put("second server on the port", label,
            secondExit == -2 ? "kept running" : "exit " + std::to_string(secondExit));
        for (const char* bad : {"abc", "8080x"}) {
            std::string out;
            const int exit = RunCommand({binary, "--listen", "127.0.0.1", "--port", bad, "--data", s.data + "-bad"},
                                        1000, &out);
            put(std::string("--port ") + bad, label,
                exit == -2 ? "listened: " + out.substr(0, out.find('\n')) : "exit " + std::to_string(exit));
        }
        Stop(s);
    }
    std::string command = "rm -rf " + base + "-*";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s-*\n", base.c_str());

    std::printf("| case |");
    for (auto& build : builds) std::printf(" %s |", build.first.c_str());
    std::printf("\n|---|");
    for (size_t i = 0; i < builds.size(); ++i) std::printf("---|");
    std::printf("\n");
    for (const std::string& row : order) {
        std::printf("| %s |", row.c_str());
        for (auto& build : builds) std::printf(" %s |", table[row][build.first].c_str());
        std::printf("\n");
    }
    return 0;
}
