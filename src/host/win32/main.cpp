// Entry point of the screensaver.
#include <windows.h>

#include "host/win32/app.h"
#include "settings/win32/platform_strings.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    InstallWin32StringLoader(instance);
    InstallWin32FatalReport();
    return RunScreensaver(instance, commandLine);
}
