// Entry point of the screensaver.
#include <windows.h>

#include "settings/settings.h"
#include "settings/win32/platform_strings.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    InstallWin32StringLoader(instance);
    InstallWin32FatalReport();
    SetDefaultSettings();
    return 0;
}
