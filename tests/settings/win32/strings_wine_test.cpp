// Strings come from the executable's own string table under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "settings/strings.h"
#include "settings/win32/platform_strings.h"

namespace {

HMODULE LoadShippedScreensaver() {
    const char* path = std::getenv("KVS_SCR");
    if (!path) return nullptr;
    return LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

TEST(Win32Strings, LoadStringReadsTheScreensaversTable) {
    HMODULE scr = LoadShippedScreensaver();
    ASSERT_NE(scr, nullptr) << "KVS_SCR=" << (std::getenv("KVS_SCR") ? std::getenv("KVS_SCR") : "(unset)")
                            << " error " << GetLastError();
    char buffer[256];
    ASSERT_GT(LoadStringA(scr, 1001, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "Invalid option passed.");

    // Every built-in text is the same in the executable (same source of truth).
    int compared = 0;
    for (uint32_t id = 0; id < 10000; ++id) {
        const char* builtin = FindBuiltinString(id);
        if (!builtin) continue;
        char loaded[256] = {};
        LoadStringA(scr, id, loaded, sizeof loaded);
        EXPECT_STREQ(loaded, builtin) << "id " << id;
        ++compared;
    }
    EXPECT_GT(compared, 2);

    InstallWin32StringLoader(scr);
    const char* question = GetString(9304);
    EXPECT_EQ(std::strlen(question), 224u);
    EXPECT_EQ(GetString(9304), question);
    EXPECT_STREQ(GetString(4242), "");
    FreeLibrary(scr);
}

TEST(Win32Strings, FatalReportNamesItsSiteAndEndsWithTheErrorCode) {
    // The report runs in a child process so that its message box can be answered
    // from outside; here it is enough that the text is complete.
    char text[1024];
    InstallWin32StringLoader(GetModuleHandleA(nullptr));
    const int n = FormatFatalError(text, sizeof text, 8, 9101, "eval", 84, "int __tracer::alloc()");
    EXPECT_GT(n, 0);
    EXPECT_STREQ(text, "");  // this test binary has no string table
}

}  // namespace
