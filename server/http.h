// The server's HTTP side over libmicrohttpd: one thread runs the event loop (epoll)
// for every connection, a second one stores the feedback records in batches, one
// transaction and one sync for all the records that arrived meanwhile; a request
// that stores waits, suspended, for its batch's commit, so a success reply always
// follows a durable row.
//
// What any client can hold is bounded: connections in all and per address, the
// memory of each connection (request line and header fields included; a request
// that does not fit is refused with 414 or 431), and the time for each request: a
// request that is not whole in `requestSeconds` after the connection opened (or its
// previous request ended) is cut. No request body is ever read.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "service.h"

struct ServerLimits {
    unsigned connections = 1000;           // open connections in all
    unsigned connectionsPerAddress = 32;   // open connections from one client address
    unsigned requestSeconds = 10;          // to send one whole request (or idle between requests)
    size_t connectionMemory = 16 * 1024;   // per connection: request line, header fields, reply
    int logLinesPerSecond = 5;             // refusal lines over time
    int logBurst = 20;                     // refusal lines at once
};

// A listening TCP socket on `address` (IPv4 or IPv6, numeric) and `port` (0: any free
// port, written to *boundPort), with a backlog of 511 and no sharing of the port
// with another process. Returns the socket, or -1 with errno set.
int OpenListener(const char* address, int port, int* boundPort);

class HttpServer {
public:
    // Refusals and failures are logged to `log`, one line each.
    HttpServer(Service& service, FILE* log, const ServerLimits& limits = ServerLimits());
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Serves on the listening socket `listener` (which it takes) until Stop.
    bool Start(int listener);
    // Stores what is queued, then closes every connection.
    void Stop();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};
