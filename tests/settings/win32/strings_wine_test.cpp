// Strings come from the executable's own string table under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../czech_strings.h"
#include "settings/fatal.h"
#include "settings/strings.h"
#include "settings/win32/platform_strings.h"
#include "dialog_driver.h"

namespace {

using dialogtest::LoadShippedScreensaver;

TEST(Win32Strings, LoadStringReadsTheScreensaversTable) {
    HMODULE scr = LoadShippedScreensaver();
    ASSERT_NE(scr, nullptr) << "KVS_SCR=" << (std::getenv("KVS_SCR") ? std::getenv("KVS_SCR") : "(unset)")
                            << " error " << GetLastError();
    // Every text of the executable, in every language, is checked below; here the
    // cache over the loader (texts up to the loader's 255 characters).
    InstallWin32StringLoader(scr);
    const char* question = GetString(9304);
    EXPECT_EQ(std::strlen(question), 224u);
    EXPECT_EQ(GetString(9304), question);
    EXPECT_STREQ(GetString(4242), "");
    FreeLibrary(scr);
}

std::wstring Decode(const char* text, UINT codePage) {
    wchar_t wide[256] = {};
    MultiByteToWideChar(codePage, 0, text, -1, wide, 256);
    return wide;
}

// Forces this thread's resource language: Windows since Vista follows the thread's
// UI language, Wine (whose SetThreadUILanguage changes nothing) and Windows XP the
// thread locale.
class ThreadLanguage {
public:
    explicit ThreadLanguage(LANGID language) : locale_(GetThreadLocale()) {
        // Declared by the headers only for Vista and later.
        using GetLanguage = LANGID(WINAPI*)();
        const auto get = reinterpret_cast<GetLanguage>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadUILanguage")));
        ui_ = get ? get() : 0;
        SetThreadUILanguage(language);
        SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    }
    ~ThreadLanguage() {
        SetThreadUILanguage(ui_);
        SetThreadLocale(locale_);
    }

private:
    LANGID ui_;
    LCID locale_;
};

constexpr LANGID kCzech = MAKELANGID(LANG_CZECH, SUBLANG_DEFAULT);

// Each id reads the Czech text where the Czech table has one, else the neutral text.
void ExpectTables(HMODULE scr, bool czech) {
    for (uint32_t id = 0; id < 10000; ++id) {
        const char* cs = czech ? FindCzechString(id) : nullptr;
        const char* en = FindBuiltinString(id);
        const std::wstring expected = cs ? Decode(cs, 1250) : en ? Decode(en, 1252) : L"";
        wchar_t loaded[256] = {};
        LoadStringW(scr, id, loaded, 256);
        EXPECT_EQ(std::wstring(loaded), expected) << "id " << id << (czech ? " in Czech" : "");
    }
}

struct Dialog101 {
    std::vector<std::wstring> texts;  // caption, label (105), button (OK)
    std::vector<LONG> geometry;       // dialog size, then id 101, 105 and OK in client pixels
};

INT_PTR CALLBACK PassiveDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

Dialog101 OpenDialog101(HMODULE scr) {
    Dialog101 d;
    HWND dialog = CreateDialogParamW(scr, MAKEINTRESOURCEW(101), nullptr, PassiveDialogProc, 0);
    if (!dialog) return d;
    wchar_t text[3][128] = {};
    GetWindowTextW(dialog, text[0], 128);
    GetDlgItemTextW(dialog, 105, text[1], 128);
    GetDlgItemTextW(dialog, IDOK, text[2], 128);
    d.texts.assign(text, text + 3);
    RECT r;
    GetWindowRect(dialog, &r);
    d.geometry = {r.right - r.left, r.bottom - r.top};
    for (int id : {101, 105, IDOK}) {
        RECT c{};
        if (HWND item = GetDlgItem(dialog, id)) {
            GetWindowRect(item, &c);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&c), 2);
        }
        d.geometry.insert(d.geometry.end(), {c.left, c.top, c.right, c.bottom});
    }
    DestroyWindow(dialog);
    return d;
}

TEST(Win32Strings, CzechInterfaceLanguageChoosesTheCzechResources) {
    HMODULE scr = LoadShippedScreensaver();
    ASSERT_NE(scr, nullptr);
    // The default language reads the neutral table (checked above) and dialog.
    const Dialog101 english = OpenDialog101(scr);
    ASSERT_FALSE(english.texts.empty()) << "dialog 101 does not open";
    EXPECT_EQ(english.texts[0], L"The Korvan Selwyth Screensaver: Save preset");
    {
        // Any other language falls back to the neutral resources: every built-in
        // text and no other (none leaks in from the Czech table).
        ThreadLanguage german(MAKELANGID(LANG_GERMAN, SUBLANG_DEFAULT));
        ExpectTables(scr, false);
    }

    ThreadLanguage czech(kCzech);
    ExpectTables(scr, true);
    InstallWin32StringLoader(scr);
    EXPECT_EQ(Decode(GetString(1001), CP_ACP), L"Byl zadán neplatný parametr.");
    EXPECT_STREQ(GetString(8713), "obrazovky");
    EXPECT_STREQ(GetString(8702), "") << "Czech has no ordinal suffixes";

    const Dialog101 cs = OpenDialog101(scr);
    EXPECT_EQ(cs.texts, (std::vector<std::wstring>{L"The Korvan Selwyth Screensaver: Uložit předvolbu",
                                                    L"Název předvolby:", L"Uložit"}));
    EXPECT_EQ(cs.geometry, english.geometry);
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

TEST(Win32Strings, FatalReportShowsItsSiteAndExitsWithTheErrorCode) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" --fatal-child";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));

    const dialogtest::Box found = dialogtest::WaitForMessageBox();
    ASSERT_NE(found.window, nullptr) << "no message box titled with the product name";
    for (const char* part : {"Error: 8", "eval.h", "84", "int __tracer::alloc()", "Tracer buffer allocation error."})
        EXPECT_NE(found.text.find(part), std::string::npos) << part << " in " << found.text;
    EXPECT_TRUE(GetWindowLongA(found.window, GWL_EXSTYLE) & WS_EX_TOPMOST) << "system-modal boxes stay on top";

    PostMessageA(found.window, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 8u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace
