// Drives dialogs and message boxes from outside, as a user would: a command runs on
// a thread of its own (which owns its windows) while the test thread finds its
// windows, reads them and presses their buttons. Shared by the Wine tests of the
// settings window's commands.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <utility>

#include "settings/strings.h"

namespace dialogtest {

// The built screensaver (KVS_SCR) loaded for its resources; null when unset.
inline HMODULE LoadShippedScreensaver() {
    const char* path = std::getenv("KVS_SCR");
    return path ? LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE) : nullptr;
}

// The first visible top-level window of `title` (and class, a dialog's by default).
inline HWND WaitForWindow(const char* title, int milliseconds = 10000, const char* windowClass = "#32770") {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        HWND window = FindWindowA(windowClass, title);
        if (window && IsWindowVisible(window)) return window;
        Sleep(20);
    }
    return nullptr;
}

inline void WaitUntilGone(HWND window) {
    for (int i = 0; i < 500 && IsWindow(window); ++i) Sleep(20);
}

inline std::string WindowText(HWND window) {
    char text[4096] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

inline BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        const std::string text = WindowText(child);
        if (!text.empty()) *reinterpret_cast<std::string*>(param) += text;
    }
    return TRUE;
}

// A message box of the program as the user sees it.
struct Box {
    HWND window = nullptr;
    std::string text;
    bool Has(int id) const { return GetDlgItem(window, id) != nullptr; }
};

inline Box WaitForMessageBox() {
    Box box;
    box.window = WaitForWindow(kProductCaption);
    if (box.window) EnumChildWindows(box.window, CollectStatic, reinterpret_cast<LPARAM>(&box.text));
    return box;
}

// Clicks button `id` of `dialog`; Press also waits for the dialog to close.
inline void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

inline void Press(HWND dialog, int id) {
    Click(dialog, id);
    WaitUntilGone(dialog);
}

// Answers the next message box with `button` after checking its text.
inline void Answer(const std::string& expectedText, int button) {
    const Box box = WaitForMessageBox();
    ASSERT_NE(box.window, nullptr) << "expected a message box: " << expectedText;
    EXPECT_EQ(box.text, expectedText);
    ASSERT_TRUE(box.Has(button)) << "the box has no button " << button;
    Press(box.window, button);
}

inline BOOL CALLBACK CloseThreadWindow(HWND window, LPARAM) {
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

// Runs a command on its own thread; the test thread drives its windows.
class Command {
public:
    explicit Command(std::function<int()> body)
        : future_(std::async(std::launch::async, [this, body] {
              thread_ = GetCurrentThreadId();
              return body();
          })) {}
    // A test that stopped early leaves no command waiting behind it.
    ~Command() {
        if (future_.valid() && future_.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            CloseEverything();
        }
    }
    // The command's result; fails the test when it does not end in time.
    int Result(int milliseconds = 10000) {
        if (future_.wait_for(std::chrono::milliseconds(milliseconds)) == std::future_status::ready) {
            return future_.get();
        }
        ADD_FAILURE() << "the command is still waiting for the user";
        CloseEverything();
        return -999;
    }

private:
    // Closes whatever the command shows so that its thread can end.
    void CloseEverything() {
        for (int i = 0; i < 50; ++i) {
            EnumThreadWindows(thread_, CloseThreadWindow, 0);
            if (future_.wait_for(std::chrono::milliseconds(100)) == std::future_status::ready) return;
        }
        std::fprintf(stderr, "a command thread cannot be ended; giving up\n");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }

    std::atomic<DWORD> thread_{0};
    std::future<int> future_;
};

// Runs `body` as a command, answers its message box and returns its result.
inline int Answered(std::function<int()> body, const std::string& expectedText, int button) {
    Command command(std::move(body));
    Answer(expectedText, button);
    return command.Result();
}

}  // namespace dialogtest
