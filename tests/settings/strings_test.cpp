#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "settings/cache.h"
#include "settings/strings.h"
#include "czech_strings.h"

namespace {

// Ids far above the real table, with texts made by a loader of our own.
constexpr uint32_t kFakeBase = 500000;
std::atomic<int> g_fakeLoads{0};

int FakeLoader(uint32_t id, char* buffer, int capacity) {
    g_fakeLoads.fetch_add(1);
    if (id < kFakeBase) return LoadBuiltinString(id, buffer, capacity);
    return std::snprintf(buffer, static_cast<size_t>(capacity), "text of %u", id);
}

class FakeStrings : public ::testing::Test {
protected:
    void SetUp() override { SetStringLoader(FakeLoader); }
    void TearDown() override { SetStringLoader(nullptr); }
};

std::string Expected(uint32_t id) { return "text of " + std::to_string(id); }

TEST(StringTable, KnownTextsAndLimits) {
    EXPECT_STREQ(GetString(1001), "Invalid option passed.");
    EXPECT_EQ(GetString(1001), GetString(1001));
    // Windows-1252 bytes pass through the table unchanged (the multiplication sign).
    EXPECT_STREQ(GetString(7102), "Characters number (%d \xD7 %d): ");
    // An id in neither table is an empty string, never null.
    const char* missing = GetString(4242);
    ASSERT_NE(missing, nullptr);
    EXPECT_STREQ(missing, "");
}

TEST(StringTable, EveryTextFitsTheLoadBuffer) {
    // Longer texts would be cut at 255 characters by the loader.
    for (uint32_t id = 0; id < 10000; ++id) {
        const char* text = FindBuiltinString(id);
        if (text) EXPECT_LE(std::strlen(text), 255u) << id;
    }
    char small[6];
    EXPECT_EQ(LoadBuiltinString(1001, small, sizeof small), 5);
    EXPECT_STREQ(small, "Inval");
}

// The printf conversions of `format` in order. "%%" is text, and so is a '%' before
// a blank ("at 0% all" in a hint); no format of the tables uses the blank flag.
std::vector<std::string> Conversions(const char* format) {
    std::vector<std::string> found;
    for (const char* p = format; *p; ++p) {
        if (*p != '%') continue;
        const char* q = p + 1;
        if (*q == '%') {
            p = q;
            continue;
        }
        q += std::strspn(q, "-+#0");
        q += std::strspn(q, "0123456789.");
        q += std::strspn(q, "hlLqjzt");
        if (*q && std::strchr("diouxXeEfFgGaAcsp", *q)) {
            found.emplace_back(p, q + 1);
            p = q;
        }
    }
    return found;
}

size_t TrailingBlanks(const char* text) {
    size_t n = std::strlen(text), blanks = 0;
    while (n > 0 && text[--n] == ' ') ++blanks;
    return blanks;
}

TEST(StringTable, CzechTableTranslatesEveryNeutralText) {
    // Texts of the neutral table only: the product name, the ordinal suffixes (Czech
    // writes "4.") and a message nothing shows. The Czech credit line is the reverse.
    const std::vector<uint32_t> neutralOnly = {1, 8701, 8702, 8703, 8704, 9199};
    constexpr uint32_t kCzechCredit = 8901;
    int compared = 0;
    for (uint32_t id = 0; id < 10000; ++id) {
        const char* en = FindBuiltinString(id);
        const char* cs = FindCzechString(id);
        const bool enText = en && *en;
        const bool csText = cs && *cs;
        if (id == kCzechCredit) {
            EXPECT_TRUE(csText && !enText);
            continue;
        }
        const bool onlyNeutral = std::find(neutralOnly.begin(), neutralOnly.end(), id) != neutralOnly.end();
        EXPECT_EQ(csText, enText && !onlyNeutral) << "id " << id;
        if (!enText || !csText) continue;
        // Same arguments in the same order, and the same padding that clears a
        // longer previous label.
        EXPECT_EQ(Conversions(cs), Conversions(en)) << "id " << id << ": " << cs;
        EXPECT_EQ(TrailingBlanks(cs), TrailingBlanks(en)) << "id " << id;
        EXPECT_LE(std::strlen(cs), 255u) << "id " << id;
        ++compared;
    }
    EXPECT_GT(compared, 300);
    // Windows-1250 bytes, worked out by hand from the code page.
    EXPECT_STREQ(FindCzechString(9002), "FPS: %04d; MY\x8A: %d; STOPOVKY: %d");
    EXPECT_STREQ(FindCzechString(7207), "P\xF8" "edvolba \x84%s\x93 bude odstran\xECna.");
    EXPECT_STREQ(FindCzechString(7102), "Po\xE8" "et znak\xF9 (%d \xD7 %d): ");
    EXPECT_STREQ(FindCzechString(8715), "obrazovek");
}

TEST_F(FakeStrings, LeastRecentlyUsedIsEvictedAndOldPointerStaysReadable) {
    const uint32_t first = kFakeBase + 1;
    const char* old = GetString(first);
    EXPECT_EQ(Expected(first), old);
    // 256 more distinct ids cannot all fit next to it.
    for (uint32_t i = 0; i < 256; ++i) GetString(kFakeBase + 1000 + i);
    const int loadsBefore = g_fakeLoads.load();
    const char* fresh = GetString(first);
    EXPECT_EQ(g_fakeLoads.load(), loadsBefore + 1) << "an evicted id is loaded again";
    EXPECT_NE(fresh, old);
    EXPECT_EQ(Expected(first), fresh);
    EXPECT_EQ(Expected(first), old) << "an evicted string is never freed";

    // A string used all along survives the same flood.
    const uint32_t hot = kFakeBase + 2;
    const char* hotText = GetString(hot);
    for (uint32_t i = 0; i < 600; ++i) {
        GetString(kFakeBase + 5000 + i);
        if (i % 50 == 0) EXPECT_EQ(GetString(hot), hotText);
    }
}

TEST_F(FakeStrings, ConcurrentCallersAgree) {
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int round = 0; round < 20; ++round) {
                for (uint32_t i = 0; i < 300; ++i) {
                    const uint32_t id = kFakeBase + 20000 + (i * 7 + static_cast<uint32_t>(t) * 13) % 300;
                    if (Expected(id) != GetString(id)) wrong.fetch_add(1);
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0);
}

// The cache itself, with a release hook that records what it is given.
std::vector<uint32_t> g_released;
void Record(aCacheEntry& e) { g_released.push_back(e.key); }

TEST(Cache, KeepsKeysSortedAndReportsPresence) {
    static aCache cache;
    InitCache(cache, Record);
    for (uint32_t k : {50u, 10u, 30u, 20u, 40u}) EXPECT_TRUE(CacheInsert(cache, k));
    EXPECT_FALSE(CacheInsert(cache, 30u));
    ASSERT_EQ(cache.count, 5);
    for (int i = 0; i + 1 < cache.count; ++i) EXPECT_LT(cache.entries[i].key, cache.entries[i + 1].key);
    EXPECT_TRUE(CacheFind(cache, 40u));
    EXPECT_FALSE(CacheFind(cache, 41u));

    int dummy = 0;
    EXPECT_EQ(CacheSetValue(cache, 20u, 0, &dummy), nullptr);
    EXPECT_EQ(CacheSetValue(cache, 20u, 0, nullptr), &dummy);
    EXPECT_EQ(CacheSetValue(cache, 20u, 2, &dummy), nullptr);
    EXPECT_EQ(CacheSetValue(cache, 99u, 0, &dummy), nullptr);
    EXPECT_EQ(CacheGetValue(cache, 99u, 0), nullptr);
}

TEST(Cache, FullCacheEvictsLowestScoreThroughTheHook) {
    static aCache cache;
    InitCache(cache, Record);
    g_released.clear();
    for (uint32_t k = 0; k < 256; ++k) {
        CacheInsert(cache, 1000 + k);
        CacheSetValue(cache, 1000 + k, 0, nullptr);
    }
    // Use every entry but 1100 once more so that 1100 is the least recently used.
    for (uint32_t k = 0; k < 256; ++k)
        if (k != 100) CacheGetValue(cache, 1000 + k, 0);
    EXPECT_TRUE(CacheInsert(cache, 5u));
    ASSERT_EQ(g_released.size(), 1u);
    EXPECT_EQ(g_released[0], 1100u);
    EXPECT_FALSE(CacheFind(cache, 1100u));
    EXPECT_TRUE(CacheFind(cache, 5u));
    EXPECT_EQ(cache.count, 256);
    for (int i = 0; i + 1 < cache.count; ++i) ASSERT_LT(cache.entries[i].key, cache.entries[i + 1].key);

    EXPECT_TRUE(CacheRemove(cache, 1200u));
    EXPECT_FALSE(CacheRemove(cache, 1200u));
    EXPECT_EQ(cache.count, 255);
    CacheClear(cache);
    EXPECT_EQ(cache.count, 0);
    EXPECT_EQ(g_released.size(), 2u + 255u);
}

}  // namespace
