// A small fixed-capacity map from 32-bit keys to two pointer slots, kept sorted by
// key. Every access raises the entry's score and ages all others, so that when
// the cache is full the least recently used entry is the one replaced.
#pragma once

#include <cstdint>

struct aCacheEntry {
    uint32_t key;
    int32_t score;
    void* value[2];
};

struct aCache {
    static constexpr int kCapacity = 256;
    aCacheEntry entries[kCapacity];
    int count;
    // Called for an entry when it is evicted or cleared; may be null.
    void (*release)(aCacheEntry& entry);
};

void InitCache(aCache& cache, void (*release)(aCacheEntry&));
bool CacheFind(const aCache& cache, uint32_t key);
// True when the key was added, false when it was present already.
bool CacheInsert(aCache& cache, uint32_t key);
// Stores `value` in slot 0 or 1 and returns the previous one; null when the key is
// absent or the slot is above 1.
void* CacheSetValue(aCache& cache, uint32_t key, int slot, void* value);
void* CacheGetValue(aCache& cache, uint32_t key, int slot);
bool CacheRemove(aCache& cache, uint32_t key);
void CacheClear(aCache& cache);
