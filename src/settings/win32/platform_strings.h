// Win32 side of the string table and the fatal report.
#pragma once

#include <windows.h>

// Strings come from `module`'s string table through LoadStringA from now on.
void InstallWin32StringLoader(HINSTANCE module);
// Fatal reports read GetLastError and show a stop-icon, system-modal message box
// owned by `owner` (null before the saver window exists).
void InstallWin32FatalReport();
void SetFatalReportOwner(HWND owner);
