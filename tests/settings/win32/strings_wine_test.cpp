// Strings come from the executable's own string table under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/fatal.h"

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

// Run as a child with --fatal-child: report a fatal allocation failure exactly as
// an initialiser does. The parent answers the message box from outside.
struct FatalChild {
    FatalChild() {
        if (!std::strstr(GetCommandLineA(), "--fatal-child")) return;
        HMODULE scr = LoadShippedScreensaver();
        if (!scr) ExitProcess(200);
        InstallWin32StringLoader(scr);
        InstallWin32FatalReport();
        SetLastError(8);  // ERROR_NOT_ENOUGH_MEMORY
        ReportFatalError(9101, "eval.h", 84, "int __tracer::alloc()");
    }
} g_fatalChild;

struct FoundBox {
    HWND box = nullptr;
    std::string text;
};

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    char cls[32] = {}, text[1024] = {};
    GetClassNameA(child, cls, sizeof cls);
    SendMessageA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    if (lstrcmpiA(cls, "Static") == 0 && text[0]) reinterpret_cast<FoundBox*>(param)->text += text;
    return TRUE;
}

TEST(Win32Strings, FatalReportShowsItsSiteAndExitsWithTheErrorCode) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" --fatal-child";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));

    FoundBox found;
    for (int i = 0; i < 200 && !found.box; ++i) {
        found.box = FindWindowA("#32770", kProductCaption);
        if (!found.box) Sleep(50);
    }
    ASSERT_NE(found.box, nullptr) << "no message box titled with the product name";
    EnumChildWindows(found.box, CollectText, reinterpret_cast<LPARAM>(&found));
    EXPECT_NE(found.text.find("Error: 8"), std::string::npos) << found.text;
    EXPECT_NE(found.text.find("eval.h"), std::string::npos) << found.text;
    EXPECT_NE(found.text.find("84"), std::string::npos) << found.text;
    EXPECT_NE(found.text.find("int __tracer::alloc()"), std::string::npos) << found.text;
    EXPECT_NE(found.text.find("Tracer buffer allocation error."), std::string::npos) << found.text;
    EXPECT_TRUE(GetWindowLongA(found.box, GWL_EXSTYLE) & WS_EX_TOPMOST) << "system-modal boxes stay on top";

    PostMessageA(found.box, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 8u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace
