#include "settings/win32/platform_strings.h"

#include <cstdlib>

#include "settings/fatal.h"
#include "settings/strings.h"

namespace {

HINSTANCE g_stringModule = nullptr;
HWND g_fatalOwner = nullptr;

int LoadModuleString(uint32_t id, char* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    buffer[0] = '\0';
    const int n = LoadStringA(g_stringModule, id, buffer, capacity);
    if (n <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return n;
}

uint32_t Win32LastError() { return GetLastError(); }

void ShowFatalAndExit(const char* text, uint32_t exitCode) {
    MessageBoxA(g_fatalOwner, text, kProductCaption, MB_ICONHAND | MB_SYSTEMMODAL);
    std::exit(static_cast<int>(exitCode));
}

}  // namespace

void InstallWin32StringLoader(HINSTANCE module) {
    g_stringModule = module;
    SetStringLoader(LoadModuleString);
}

void InstallWin32FatalReport() { SetFatalErrorHooks(FatalErrorHooks{Win32LastError, ShowFatalAndExit}); }

void SetFatalReportOwner(HWND owner) { g_fatalOwner = owner; }
