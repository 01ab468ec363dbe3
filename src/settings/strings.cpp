#include "settings/strings.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "settings/cache.h"

namespace {

struct BuiltinString {
    uint32_t id;
    const char* text;
};

constexpr BuiltinString kBuiltinStrings[] = {
#include "strings_table.inc"
};
constexpr size_t kBuiltinCount = sizeof kBuiltinStrings / sizeof kBuiltinStrings[0];

constexpr int kStringBlock = 256;

// A loaded string. Blocks are chained so that they stay reachable for the whole
// process, also after their cache entry has been evicted.
struct StringBlock {
    StringBlock* next;
    char text[kStringBlock];
};

struct StringCache {
    aCache cache;
    std::atomic_flag busy = ATOMIC_FLAG_INIT;
    std::atomic<StringLoader> loader{LoadBuiltinString};
    StringBlock* blocks = nullptr;

    StringCache() { InitCache(cache, nullptr); }
};

StringCache& Strings() {
    static StringCache instance;
    return instance;
}

// The cache is shared by the main thread and the online services' workers.
class CacheLock {
public:
    explicit CacheLock(std::atomic_flag& flag) : flag_(flag) {
        while (flag_.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~CacheLock() { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag& flag_;
};

}  // namespace

const char* FindBuiltinString(uint32_t id) {
    size_t lo = 0, hi = kBuiltinCount;
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (kBuiltinStrings[mid].id < id) {
            lo = mid + 1;
        } else if (kBuiltinStrings[mid].id > id) {
            hi = mid;
        } else {
            return kBuiltinStrings[mid].text;
        }
    }
    return nullptr;
}

int LoadBuiltinString(uint32_t id, char* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    const char* text = FindBuiltinString(id);
    if (!text) text = "";
    size_t n = std::strlen(text);
    if (n > static_cast<size_t>(capacity - 1)) n = static_cast<size_t>(capacity - 1);
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

void SetStringLoader(StringLoader loader) {
    Strings().loader.store(loader ? loader : LoadBuiltinString);
}

const char* GetString(uint32_t id) {
    StringCache& s = Strings();
    CacheLock lock(s.busy);
    if (CacheInsert(s.cache, id)) {
        StringBlock* block = static_cast<StringBlock*>(std::calloc(1, sizeof(StringBlock)));
        if (!block) std::abort();  // a 264-byte block is assumed to be available
        block->next = s.blocks;
        s.blocks = block;
        s.loader.load()(id, block->text, kStringBlock);
        CacheSetValue(s.cache, id, 0, block->text);
        return block->text;
    }
    const char* text = static_cast<const char*>(CacheGetValue(s.cache, id, 0));
    return text ? text : "";
}
