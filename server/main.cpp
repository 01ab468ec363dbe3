// kvs_server: the maker's server of the update check and the feedback form.
//
//   kvs_server [--listen ADDRESS] [--port N] [--data DIR]
//       serves until SIGINT or SIGTERM; port 0 takes a free port. Prints
//       "listening on http://ADDRESS:PORT" once it accepts requests; exits 1 when
//       the port is taken or the database cannot be opened read-write or is damaged.
//       Refusals are logged to stderr, one line each, a few lines a second.
//   kvs_server publish [--data DIR] VERSION [ADDRESS...]
//       publishes VERSION (0.00 .. 9.99, two decimals) with its download addresses.
//   kvs_server dump [--data DIR]
//       prints every stored record, one per line, fields separated by tabs; exits 1
//       (and prints nothing) when the database is missing or damaged.
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "http.h"
#include "request.h"
#include "service.h"

namespace {

constexpr char kDefaultListen[] = "0.0.0.0";
constexpr int kDefaultPort = 8080;
constexpr char kDefaultData[] = "server-data";

struct Options {
    std::string command = "serve";
    std::string listen = kDefaultListen;
    int port = kDefaultPort;
    std::string data = kDefaultData;
    int firstArgument = 0;  // index of the first positional argument after the options
};

int Usage() {
    std::fprintf(stderr,
                 "usage: kvs_server [--listen ADDRESS] [--port N] [--data DIR]\n"
                 "       kvs_server publish [--data DIR] VERSION [ADDRESS...]\n"
                 "       kvs_server dump [--data DIR]\n");
    return 2;
}

bool ParseOptions(int argc, char** argv, Options* options) {
    int i = 1;
    if (i < argc && argv[i][0] != '-') options->command = argv[i++];
    for (; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--listen") && hasValue) options->listen = argv[++i];
        else if (!std::strcmp(argv[i], "--port") && hasValue) {
            if (!ParsePort(argv[++i], &options->port)) return false;
        }
        else if (!std::strcmp(argv[i], "--data") && hasValue) options->data = argv[++i];
        else if (argv[i][0] == '-') return false;
        else break;
    }
    options->firstArgument = i;
    return true;
}

int Serve(const Options& options) {
    int port = 0;
    const int listener = OpenListener(options.listen.c_str(), options.port, &port);
    if (listener < 0) {
        std::fprintf(stderr, "kvs_server: cannot listen on %s:%d: %s\n", options.listen.c_str(), options.port,
                     std::strerror(errno));
        return 1;
    }
    Service service;
    std::string error;
    if (OpenService(service, options.data, kStoreServe, &error) != kStoreOk) {
        std::fprintf(stderr, "kvs_server: %s\n", error.c_str());
        return 1;
    }
    // Room for every connection the server admits.
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    ServerLimits limits;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < limits.connections + 64) {
        limits.connections = files.rlim_cur > 128 ? static_cast<unsigned>(files.rlim_cur) - 64 : 64;
    }
    // The signals are taken by sigwait below, never by a handler in another thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    HttpServer server(service, stderr, limits);
    if (!server.Start(listener)) {
        std::fprintf(stderr, "kvs_server: cannot serve on %s:%d\n", options.listen.c_str(), port);
        return 1;
    }
    const bool v6 = options.listen.find(':') != std::string::npos;
    std::printf("listening on http://%s%s%s:%d\n", v6 ? "[" : "", options.listen.c_str(), v6 ? "]" : "", port);
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.Stop();
    service.store.Close();
    return 0;
}

int Dump(const Options& options) {
    Service service;
    std::string error;
    if (OpenService(service, options.data, kStoreRead, &error) != kStoreOk) {
        std::fprintf(stderr, "kvs_server: %s\n", error.c_str());
        return 1;
    }
    // Printed only once every row was read: a damaged table gives no partial list.
    std::string out;
    const int count = service.store.ForEach([&out](const FeedbackEntry& e, const char* received) {
        char flags[64];
        std::snprintf(flags, sizeof flags, "\t%d\t%d\t", e.wantsUpdateInfo, e.wantsSoftwareNews);
        out += std::string(received) + "\t" + e.email + "\t" + e.name + "\t" + e.version + flags + e.country +
               "\t" + std::to_string(e.age) + "\t" + e.message + "\n";
    });
    if (count < 0) {
        std::fprintf(stderr, "kvs_server: the database in %s is damaged; nothing listed\n", options.data.c_str());
        return 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) return Usage();
    if (options.command == "serve" && options.firstArgument == argc) return Serve(options);
    if (options.command == "dump" && options.firstArgument == argc) return Dump(options);
    if (options.command == "publish" && options.firstArgument < argc) {
        const int result = PublishVersion(options.data, argv[options.firstArgument], argv + options.firstArgument + 1,
                                          argc - options.firstArgument - 1);
        const char* why = result == kPublishBadVersion   ? "the version is not one digit, a full stop and two digits"
                          : result == kPublishBadAddress ? "an address is not http:// or https://, is longer than "
                                                           "2048 characters or holds a character an address cannot"
                          : result == kPublishTooLong    ? "the file would be longer than the program reads"
                                                         : "the version file cannot be written";
        if (result != kPublishOk) std::fprintf(stderr, "kvs_server: cannot publish: %s\n", why);
        return result == kPublishOk ? 0 : 1;
    }
    return Usage();
}
