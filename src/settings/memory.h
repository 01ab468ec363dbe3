// Long-lived buffers are allocated zero-filled, once, at start-up. Every such
// allocation goes through here so that tests can prove a frame allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>

// Zero-filled block of `size` bytes, or null when it cannot be had (size 0 gives null).
void* AllocZeroed(size_t size);
// Zero-filled array of `count` elements of `size` bytes; null on overflow or failure.
void* AllocZeroedArray(size_t count, size_t size);
void FreeMemory(void* block);

// Number of successful AllocZeroed/AllocZeroedArray calls since the process started.
uint64_t AllocationCount();

// Test hook: when non-zero, the n-th following allocation fails (1 = the next one).
void FailAllocationAfter(uint32_t n);
