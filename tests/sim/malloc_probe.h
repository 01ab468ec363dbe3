// Counts the process's mallocs while armed, through the allocation hooks of the
// sanitizer runtime (its header is not shipped with GCC); without
// AddressSanitizer nothing is counted.
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

namespace malloc_probe {

inline std::atomic<bool> g_armed{false};
inline std::atomic<uint64_t> g_count{0};

inline void Arm() {
    g_count = 0;
    g_armed = true;
}
// Mallocs since Arm.
inline uint64_t Disarm() {
    g_armed = false;
    return g_count.load();
}
// Installs the hooks once and proves that they see a malloc.
inline bool Available() {
#ifdef KVS_COUNT_MALLOC
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(
        [](const volatile void*, size_t) { g_count += g_armed.load(std::memory_order_relaxed) ? 1 : 0; },
        [](const volatile void*) {}) != 0;
    Arm();
    void* volatile probe = std::malloc(16);
    std::free(probe);
    return installed && Disarm() == 1;
#else
    return false;
#endif
}

}  // namespace malloc_probe
