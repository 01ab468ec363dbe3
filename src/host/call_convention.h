// Calling conventions of functions that the system or a library provides. On
// 32-bit Windows they use __stdcall (WINAPI, APIENTRY); a pointer to one that is
// declared without it still compiles, and corrupts the stack of the shipped i686
// program only. Lookups of such functions therefore go through templates that
// refuse a pointer type without the convention at compile time. Portable: on
// other targets there is one convention and every pointer type passes.
#pragma once

#include <type_traits>

#if defined(_WIN32) && defined(__i386__)
#define KVS_SYSTEM_CALL __stdcall
#else
#define KVS_SYSTEM_CALL
#endif

template <typename Fn>
struct IsSystemCallPointer : std::false_type {};
template <typename R, typename... Args>
struct IsSystemCallPointer<R(KVS_SYSTEM_CALL*)(Args...)> : std::true_type {};

// The generic type a looked-up function is held as until it is cast to its own.
typedef void(KVS_SYSTEM_CALL* SystemProc)();

// Casts a looked-up function to its declared type, which must carry the convention.
template <typename Fn>
Fn SystemProcAs(SystemProc proc) {
    static_assert(IsSystemCallPointer<Fn>::value,
                  "a system or library function pointer must be declared with its calling convention "
                  "(WINAPI, APIENTRY or KVS_SYSTEM_CALL)");
    return reinterpret_cast<Fn>(proc);
}
