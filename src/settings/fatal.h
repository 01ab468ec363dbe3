// The common report of a fatal allocation failure: message 9100 filled with the
// system error code, the source unit, the line, the function and the description,
// shown in a stop-icon, system-modal message box; then the process exits with the
// error code.
#pragma once

#include <cstdint>

// Does not return.
[[noreturn]] void ReportFatalError(uint32_t descriptionId, const char* sourceUnit, int line,
                                   const char* function);

// Formats the report text into `out` (capacity bytes); returns the length written.
int FormatFatalError(char* out, int capacity, uint32_t errorCode, uint32_t descriptionId,
                     const char* sourceUnit, int line, const char* function);

// Platform hooks, installed by the Win32 layer: the last system error code, and
// showing the report and ending the process. Natively the report goes to stderr.
struct FatalErrorHooks {
    uint32_t (*lastError)();
    void (*showAndExit)(const char* text, uint32_t exitCode);  // must not return
};
void SetFatalErrorHooks(const FatalErrorHooks& hooks);
