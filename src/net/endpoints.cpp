#include "net/endpoints.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* ServerAddress() {
    // Read on every call: the tests change it between cases. The copy is per thread
    // so that two transfers never share one buffer.
    static thread_local char address[256];
    const char* value = std::getenv("KVS_SERVER");
    if (!value || !*value || std::strlen(value) >= sizeof address) return kServerAddress;
    std::strcpy(address, value);
    size_t length = std::strlen(address);
    while (length > 0 && address[length - 1] == '/') address[--length] = '\0';
    return address;
}

unsigned NetTimeoutMs() {
    const char* value = std::getenv("KVS_TEST_NET_TIMEOUT_MS");
    if (!value) return kNetTimeoutMs;
    const long ms = std::strtol(value, nullptr, 10);
    return ms >= 1 && ms <= 600000 ? static_cast<unsigned>(ms) : kNetTimeoutMs;
}

int BuildServerUrl(const char* path, char* out, int capacity) {
    const int n = std::snprintf(out, static_cast<size_t>(capacity > 0 ? capacity : 0), "%s%s", ServerAddress(), path);
    return n >= 0 && n < capacity ? n : -1;
}
