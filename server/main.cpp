// kvs_server: the maker's server of the update check and the feedback form.
//
//   kvs_server [--listen ADDRESS] [--port N] [--data DIR]
//       serves until SIGINT or SIGTERM; port 0 takes a free port. Prints
//       "listening on http://ADDRESS:PORT" once it accepts requests.
//   kvs_server publish [--data DIR] VERSION [ADDRESS...]
//       publishes VERSION (0.00 .. 9.99) with its download addresses.
//   kvs_server dump [--data DIR]
//       prints every stored record, one per line, fields separated by tabs.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

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
        else if (!std::strcmp(argv[i], "--port") && hasValue) options->port = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--data") && hasValue) options->data = argv[++i];
        else if (argv[i][0] == '-') return false;
        else break;
    }
    options->firstArgument = i;
    return options->port >= 0 && options->port <= 65535;
}

int Serve(const Options& options) {
    Service service;
    if (OpenService(service, options.data) != kStoreOk) {
        std::fprintf(stderr, "kvs_server: cannot open the database in %s\n", options.data.c_str());
        return 1;
    }
    // The signals are taken by sigwait below, never by a handler in another thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    RegisterRoutes(server, service);
    const int port = options.port == 0 ? server.bind_to_any_port(options.listen)
                                       : (server.bind_to_port(options.listen, options.port) ? options.port : -1);
    if (port <= 0) {
        std::fprintf(stderr, "kvs_server: cannot listen on %s:%d\n", options.listen.c_str(), options.port);
        return 1;
    }
    std::thread listener([&server] { server.listen_after_bind(); });
    std::printf("listening on http://%s:%d\n", options.listen.c_str(), port);
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    listener.join();
    service.store.Close();
    return 0;
}

int Dump(const Options& options) {
    Service service;
    if (OpenService(service, options.data) != kStoreOk) return 1;
    service.store.ForEach([](const FeedbackEntry& e, const char* received) {
        std::printf("%s\t%s\t%s\t%s\t%d\t%d\t%s\t%u\t%s\n", received, e.email, e.name, e.version, e.wantsUpdateInfo,
                    e.wantsSoftwareNews, e.country, e.age, e.message);
    });
    return 0;
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
        if (result != kPublishOk) std::fprintf(stderr, "kvs_server: cannot publish (%d)\n", result);
        return result == kPublishOk ? 0 : 1;
    }
    return Usage();
}
