#include "settings/cache.h"

#include <cstdlib>
#include <cstring>

namespace {

int CompareKeys(const void* a, const void* b) {
    const uint32_t ka = static_cast<const aCacheEntry*>(a)->key;
    const uint32_t kb = static_cast<const aCacheEntry*>(b)->key;
    return static_cast<int>(ka - kb);
}

int CompareScoresDescending(const void* a, const void* b) {
    const int32_t sa = static_cast<const aCacheEntry*>(a)->score;
    const int32_t sb = static_cast<const aCacheEntry*>(b)->score;
    return sa < sb ? 1 : (sa > sb ? -1 : 0);
}

aCacheEntry* Lookup(const aCache& cache, uint32_t key) {
    if (cache.count == 0) return nullptr;
    aCacheEntry probe{};
    probe.key = key;
    return static_cast<aCacheEntry*>(std::bsearch(&probe, cache.entries, static_cast<size_t>(cache.count),
                                                  sizeof(aCacheEntry), CompareKeys));
}

// The touched entry gains capacity + 1, then every entry in use loses 1.
void Touch(aCache& cache, aCacheEntry& entry) {
    entry.score += aCache::kCapacity + 1;
    for (int i = 0; i < cache.count; ++i) cache.entries[i].score -= 1;
}

}  // namespace

void InitCache(aCache& cache, void (*release)(aCacheEntry&)) {
    std::memset(cache.entries, 0, sizeof cache.entries);
    cache.count = 0;
    cache.release = release;
}

bool CacheFind(const aCache& cache, uint32_t key) { return Lookup(cache, key) != nullptr; }

bool CacheInsert(aCache& cache, uint32_t key) {
    if (Lookup(cache, key)) return false;
    if (cache.count < aCache::kCapacity) {
        // The new entry keeps whatever its place held before (zero when never used)
        // and moves down to its sorted place.
        int i = cache.count++;
        aCacheEntry moving = cache.entries[i];
        moving.key = key;
        while (i > 0 && CompareKeys(&cache.entries[i - 1], &moving) >= 0) {
            cache.entries[i] = cache.entries[i - 1];
            --i;
        }
        cache.entries[i] = moving;
        return true;
    }
    // Full: the entry with the lowest score makes room.
    std::qsort(cache.entries, static_cast<size_t>(cache.count), sizeof(aCacheEntry), CompareScoresDescending);
    aCacheEntry& victim = cache.entries[cache.count - 1];
    if (cache.release) cache.release(victim);
    victim.key = key;
    victim.score = aCache::kCapacity + 1;
    victim.value[0] = victim.value[1] = nullptr;
    for (int i = 0; i < cache.count; ++i) cache.entries[i].score -= 1;
    std::qsort(cache.entries, static_cast<size_t>(cache.count), sizeof(aCacheEntry), CompareKeys);
    return true;
}

void* CacheSetValue(aCache& cache, uint32_t key, int slot, void* value) {
    aCacheEntry* e = Lookup(cache, key);
    if (!e || slot < 0 || slot > 1) return nullptr;
    Touch(cache, *e);
    void* old = e->value[slot];
    e->value[slot] = value;
    return old;
}

void* CacheGetValue(aCache& cache, uint32_t key, int slot) {
    aCacheEntry* e = Lookup(cache, key);
    if (!e || slot < 0 || slot > 1) return nullptr;
    Touch(cache, *e);
    return e->value[slot];
}

bool CacheRemove(aCache& cache, uint32_t key) {
    aCacheEntry* e = Lookup(cache, key);
    if (!e) return false;
    if (cache.release) cache.release(*e);
    const int index = static_cast<int>(e - cache.entries);
    const aCacheEntry removed = *e;
    for (int i = index; i + 1 < cache.count; ++i) cache.entries[i] = cache.entries[i + 1];
    --cache.count;
    // The freed place keeps the removed entry's values, as a later insert expects.
    cache.entries[cache.count] = removed;
    return true;
}

void CacheClear(aCache& cache) {
    for (int i = 0; i < cache.count; ++i)
        if (cache.release) cache.release(cache.entries[i]);
    cache.count = 0;
}
