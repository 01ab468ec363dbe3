// Functions looked up at run time in system and library DLLs (GetProcAddress,
// wglGetProcAddress), typed with their calling convention (host/call_convention.h).
#pragma once

#include <windows.h>

#include "host/call_convention.h"

// A looked-up address as the generic system function type.
inline SystemProc AsSystemProc(FARPROC proc) { return reinterpret_cast<SystemProc>(proc); }

// `name` of `module` as its declared type (WINAPI); null when absent.
template <typename Fn>
Fn LibraryProcAs(HMODULE module, const char* name) {
    return SystemProcAs<Fn>(module ? AsSystemProc(GetProcAddress(module, name)) : nullptr);
}
