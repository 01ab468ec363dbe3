#include "settings/fatal.h"

#include <cstdio>
#include <cstdlib>

#include "settings/strings.h"

namespace {

uint32_t NoLastError() { return 0; }

void PrintAndExit(const char* text, uint32_t exitCode) {
    std::fprintf(stderr, "%s: %s\n", kProductCaption, text);
    std::exit(static_cast<int>(exitCode));
}

FatalErrorHooks g_hooks{NoLastError, PrintAndExit};

}  // namespace

void SetFatalErrorHooks(const FatalErrorHooks& hooks) {
    g_hooks.lastError = hooks.lastError ? hooks.lastError : NoLastError;
    g_hooks.showAndExit = hooks.showAndExit ? hooks.showAndExit : PrintAndExit;
}

int FormatFatalError(char* out, int capacity, uint32_t errorCode, uint32_t descriptionId,
                     const char* sourceUnit, int line, const char* function) {
    if (!out || capacity <= 0) return 0;
    char description[256];
    std::snprintf(description, sizeof description, "%s", GetString(descriptionId));
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const int n = std::snprintf(out, static_cast<size_t>(capacity), GetString(9100), static_cast<int>(errorCode),
                                sourceUnit ? sourceUnit : "", line, function ? function : "", description);
#pragma GCC diagnostic pop
    if (n < 0) {
        out[0] = '\0';
        return 0;
    }
    return n < capacity ? n : capacity - 1;
}

void ReportFatalError(uint32_t descriptionId, const char* sourceUnit, int line, const char* function) {
    const uint32_t code = g_hooks.lastError();
    char text[1024];
    FormatFatalError(text, sizeof text, code, descriptionId, sourceUnit, line, function);
    // A failure never ends the process with the success status, even when the
    // system left no error code behind.
    const uint32_t status = code != 0 ? code : 1;
    g_hooks.showAndExit(text, status);
    std::exit(static_cast<int>(status));
}
