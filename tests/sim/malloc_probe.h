// Counts the process's mallocs while armed, through the allocation hooks of the
// sanitizer runtime (its header is not shipped with GCC). Without AddressSanitizer
// nothing is counted and MallocProbe::Available() is false.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*));
#define KVS_COUNT_MALLOC 1
#endif

struct MallocProbe {
    static std::atomic<bool>& Armed() {
        static std::atomic<bool> armed{false};
        return armed;
    }
    static std::atomic<uint64_t>& Count() {
        static std::atomic<uint64_t> count{0};
        return count;
    }
    // Installs the hooks once and proves that they see a malloc; true when
    // mallocs are counted.
    static bool Available() {
#ifdef KVS_COUNT_MALLOC
        static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
        Arm();
        void* volatile probe = std::malloc(16);
        std::free(probe);
        return installed && Disarm() == 1;
#else
        return false;
#endif
    }
    static void Arm() {
        Count() = 0;
        Armed() = true;
    }
    static uint64_t Disarm() {
        Armed() = false;
        return Count().load();
    }

private:
    static void OnMalloc(const volatile void*, size_t) {
        if (Armed().load(std::memory_order_relaxed)) Count().fetch_add(1, std::memory_order_relaxed);
    }
    static void OnFree(const volatile void*) {}
};
