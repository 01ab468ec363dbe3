#include "settings/memory.h"

#include <atomic>
#include <cstdlib>

namespace {
std::atomic<uint64_t> g_allocations{0};
std::atomic<uint32_t> g_failCountdown{0};

bool ShouldFail() {
    uint32_t n = g_failCountdown.load();
    while (n != 0) {
        if (g_failCountdown.compare_exchange_weak(n, n - 1)) return n == 1;
    }
    return false;
}
}  // namespace

void* AllocZeroedArray(size_t count, size_t size) {
    if (count == 0 || size == 0) return nullptr;
    if (count > SIZE_MAX / size) return nullptr;
    if (ShouldFail()) return nullptr;
    void* p = std::calloc(count, size);
    if (p) g_allocations.fetch_add(1);
    return p;
}

void* AllocZeroed(size_t size) { return AllocZeroedArray(1, size); }

void FreeMemory(void* block) { std::free(block); }

uint64_t AllocationCount() { return g_allocations.load(); }

void FailAllocationAfter(uint32_t n) { g_failCountdown.store(n); }
