// The update check and the feedback form under Wine: real dialogs and message boxes,
// WinINet against the real server on loopback (started by online_wine.sh, which also
// checks the rows it stored against online_rows.txt), and small stand-ins for
// servers that stay silent or answer badly.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "net/win32/online.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "settings/strings.h"
#include "settings/win32/platform_strings.h"
#include "settings/win32/dialog_driver.h"
#include "settings/win32/registry_helpers.h"

namespace {

using namespace dialogtest;

const char kConnectionFailed[] = "Feedback: Internet Connection failed.";
const char kServerProblem[] = "Feedback:\n\nUnknown problem at the feedback server. We are sorry about it.";
const char kDelivered[] = "Feedback:\n\nYour feedback was delivered. Thank you!\n\n";
const char kWrongEmail[] = "Wrong e-mail address supplied.";

std::vector<std::string> g_opened;
void RecordOpened(const char* address) { g_opened.push_back(address); }

void UseServer(const std::string& address) { _putenv_s("KVS_SERVER", address.c_str()); }

// Replaces the version file the real server answers with.
void PublishRaw(const std::string& bytes) {
    const std::string path = std::string("Z:") + std::getenv("KVS_SERVER_DATA") + "/latest.txt";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// A stand-in server on loopback: answers every request with `reply` (possibly
// nothing, or only headers) and then keeps the connection open, silent, until it ends.
class StandInServer {
public:
    explicit StandInServer(std::string reply) : reply_(std::move(reply)) {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{AF_INET, 0, {}, {}};
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        address_ = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        thread_ = std::thread([this] {
            for (SOCKET c; (c = accept(listener_, nullptr, nullptr)) != INVALID_SOCKET;) {
                char request[4096];
                recv(c, request, sizeof request, 0);
                send(c, reply_.data(), static_cast<int>(reply_.size()), 0);
                connections_.push_back(c);
            }
        });
    }
    ~StandInServer() {
        closesocket(listener_);
        thread_.join();
        for (SOCKET c : connections_) closesocket(c);
    }
    const std::string& Address() const { return address_; }

private:
    std::string reply_;
    SOCKET listener_;
    std::string address_;
    std::thread thread_;
    std::vector<SOCKET> connections_;
};

// The Transmission dialog at the end of a request: "Finished." and OK enabled; OK closes it.
void CloseFinishedTransmission() {
    HWND dialog = WaitForWindow(kTransmissionDialogCaption);
    ASSERT_NE(dialog, nullptr);
    HWND ok = GetDlgItem(dialog, IDOK);
    for (int i = 0; i < 250 && !IsWindowEnabled(ok); ++i) Sleep(20);
    EXPECT_TRUE(IsWindowEnabled(ok));
    EXPECT_EQ(WindowText(GetDlgItem(dialog, kTransmissionStatusId)), "Communication with the server in progress... Finished.");
    Press(dialog, IDOK);
    EXPECT_FALSE(IsWindow(dialog));
}

// One update check whose message box must read `text`; answered with `button`.
void CheckExpecting(const std::string& text, int button = IDOK) {
    Command check([] { return CheckForNewVersion(nullptr); });
    Answer(text, button);
    CloseFinishedTransmission();
    EXPECT_EQ(check.Result(), kOnlineDone);
}

// The feedback form on a thread of its own, which then keeps the Transmission dialog
// alive with the message handling of the program's loop.
int FeedbackThread() {
    const int result = ShowFeedbackForm(nullptr);
    for (MSG message; IsTransmissionOpen(); Sleep(5)) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (HandleOnlineDialogKeys(&message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return result;
}

void ClickMark(HWND form) {
    HWND mark = GetDlgItem(form, kFeedbackMarkId);
    PostMessageA(mark, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
    PostMessageA(mark, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    Sleep(200);
}

// Fills the form, sends it and expects the message box `text`.
void SendFeedback(const char* email, const char* name, const char* country, const char* age, const char* message,
                  bool updates, bool news, const std::string& text) {
    Command feedback(FeedbackThread);
    HWND form = WaitForWindow(kFeedbackDialogCaption);
    ASSERT_NE(form, nullptr);
    SetDlgItemTextA(form, kFeedbackEmailId, email);
    SetDlgItemTextA(form, kFeedbackNameId, name);
    SetDlgItemTextA(form, kFeedbackCountryId, country);
    SetDlgItemTextA(form, kFeedbackAgeId, age);
    SetDlgItemTextA(form, kFeedbackMessageId, message);
    SendDlgItemMessageA(form, kFeedbackUpdateInfoId, BM_SETCHECK, updates ? BST_CHECKED : BST_UNCHECKED, 0);
    SendDlgItemMessageA(form, kFeedbackSoftwareNewsId, BM_SETCHECK, news ? BST_CHECKED : BST_UNCHECKED, 0);
    Press(form, IDOK);
    Answer(text, IDOK);
    CloseFinishedTransmission();
    EXPECT_EQ(feedback.Result(), kOnlineDone);
}

class Online : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HMODULE scr = LoadShippedScreensaver();
        ASSERT_NE(scr, nullptr) << "KVS_SCR must name the screensaver";
        ASSERT_NE(std::getenv("KVS_SERVER_DATA"), nullptr) << "run by online_wine.sh";
        InstallWin32StringLoader(scr);
        SetOnlineResourceModule(scr);
        SetShellOpenHook(RecordOpened);
        g_realServer = std::getenv("KVS_SERVER");
    }
    void SetUp() override {
        UseServer(g_realServer);
        g_opened.clear();
        std::memcpy(&settingsBefore_, &settings, sizeof settings);
    }
    void TearDown() override {
        EXPECT_EQ(std::memcmp(&settingsBefore_, &settings, sizeof settings), 0);
        EXPECT_FALSE(regtest::KeyExists(HKEY_CURRENT_USER, "Software\\Pellor"));
    }
    static std::string g_realServer;
    SettingsRecord settingsBefore_;
};
std::string Online::g_realServer;

TEST_F(Online, UpdateCheckAnswersEachVersionFile) {
    const std::string newer =
        "A new version of The Korvan Selwyth Screensaver is available on the makers' server.\n\n"
        "Your version: " KVS_VERSION_TEXT "\nNew version: %s\n\nThe new version can be downloaded from:\n%s\n"
        "Do you want to open the first download address right now?";
    auto Newer = [&newer](const char* version, const char* list) {
        char text[1024];
        std::snprintf(text, sizeof text, newer.c_str(), version, list);
        return std::string(text);
    };
    const struct {
        std::string file;
        std::string text;
        int button;
        const char* opened;  // what reaches the shell, or null
    } cases[] = {
        {"0.99\nhttp://a.example/new\r\nhttp://b.example/\r\n",
         Newer("0.99", "http://a.example/new\r\nhttp://b.example/\r\n"), IDYES, "http://a.example/new"},
        {"0.99\nhttp://a.example/new\n", Newer("0.99", "http://a.example/new\n"), IDNO, nullptr},
        {"2.00\nC:\\Windows\\notepad.exe\n", Newer("2.00", "C:\\Windows\\notepad.exe\n"), IDYES, nullptr},
        {KVS_VERSION_TEXT "\nhttp://a.example/old\n",
         "You have the newest version. The latest published version is " KVS_VERSION_TEXT ".", IDOK,
         nullptr},
        // Unreadable files (the reader's cases are checked natively).
        {"", kServerProblem, IDOK, nullptr},
        {std::string(70000, '7'), kServerProblem, IDOK, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.substr(0, 20));
        PublishRaw(c.file);
        g_opened.clear();
        CheckExpecting(c.text, c.button);
        EXPECT_EQ(g_opened, c.opened ? std::vector<std::string>{c.opened} : std::vector<std::string>{});
    }
}

TEST_F(Online, UpdateCheckEndsWhenTheServerIsMissingOrStalls) {
    std::string closedPort;
    {
        StandInServer gone("");
        closedPort = gone.Address();
    }
    UseServer(closedPort);
    CheckExpecting(kConnectionFailed);

    StandInServer silent("");
    UseServer(silent.Address());
    CheckExpecting(kConnectionFailed);

    // An error page is no version file, whatever its text.
    StandInServer missing("HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\n0.99");
    UseServer(missing.Address());
    CheckExpecting(kServerProblem);

    StandInServer stalling("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0.9");
    UseServer(stalling.Address());
    Command check([] { return CheckForNewVersion(nullptr); });
    ASSERT_NE(WaitForWindow(kTransmissionDialogCaption), nullptr);
    EXPECT_EQ(ShowFeedbackForm(nullptr), kOnlineBusy);  // one request at a time
    Answer(kConnectionFailed, IDOK);
    CloseFinishedTransmission();
    EXPECT_EQ(check.Result(), kOnlineDone);
}

// Runs before any other "Send" of the process: the mark counts only after one.
TEST_F(Online, AWrongEmailSendsNothingAndTheMarkCountsAfterSend) {
    localOptions.feedbackFlag = 0;
    Command feedback(FeedbackThread);
    HWND form = WaitForWindow(kFeedbackDialogCaption);
    ASSERT_NE(form, nullptr);
    ClickMark(form);
    EXPECT_EQ(localOptions.feedbackFlag, 0);
    for (const char* email : {"", "anna@example", "anna@@example.org", "a@b@example.org"}) {
        SetDlgItemTextA(form, kFeedbackEmailId, email);
        Click(form, IDOK);
        Answer(kWrongEmail, IDOK);
        EXPECT_TRUE(IsWindowVisible(form)) << email;
    }
    ClickMark(form);
    EXPECT_EQ(localOptions.feedbackFlag, 1);
    Press(form, IDCANCEL);
    EXPECT_EQ(feedback.Result(), kOnlineCancelled);
    EXPECT_FALSE(IsTransmissionOpen());
    localOptions.feedbackFlag = 0;
}

// Nothing could be sent (here: no memory for the request): the form stays open
// with what was typed and a message box says why.
TEST_F(Online, AFailedSendKeepsTheFormAndSaysWhy) {
    Command feedback(FeedbackThread);
    HWND form = WaitForWindow(kFeedbackDialogCaption);
    ASSERT_NE(form, nullptr);
    SetDlgItemTextA(form, kFeedbackEmailId, "d@example.org");
    SetDlgItemTextA(form, kFeedbackMessageId, "kept");
    FailAllocationAfter(1);  // the request's own block
    Click(form, IDOK);
    Answer("The feedback could not be sent (not enough memory). The form stays open with everything you typed.", IDOK);
    FailAllocationAfter(0);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(WindowText(GetDlgItem(form, kFeedbackMessageId)), "kept");
    Press(form, IDCANCEL);
    EXPECT_EQ(feedback.Result(), kOnlineCancelled);
    EXPECT_FALSE(IsTransmissionOpen());
}

// The modeless Transmission dialog takes its keys: Escape closes it as Cancel does
// while the request still waits for a silent server.
TEST_F(Online, EscapeClosesTheTransmissionDialogOfAFeedback) {
    StandInServer silent("");
    UseServer(silent.Address());
    Command feedback(FeedbackThread);
    HWND form = WaitForWindow(kFeedbackDialogCaption);
    ASSERT_NE(form, nullptr);
    SetDlgItemTextA(form, kFeedbackEmailId, "e@example.org");
    Press(form, IDOK);
    HWND dialog = WaitForWindow(kTransmissionDialogCaption);
    ASSERT_NE(dialog, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    PostMessageA(info.hwndFocus ? info.hwndFocus : dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    for (int i = 0; i < 50 && IsWindow(dialog); ++i) Sleep(20);
    EXPECT_FALSE(IsWindow(dialog)) << "Escape did not close the Transmission dialog";
    Answer(kConnectionFailed, IDOK);  // the request ends as it would have
    EXPECT_EQ(feedback.Result(), kOnlineDone);
}

TEST_F(Online, FeedbackArrivesAsTypedAndTheReplyIsReported) {
    SendFeedback("anna@example.org", "Anna | B", "Czech Republic", "34", "First line\r\nsecond | line", true, false,
                 kDelivered + std::string("Update informations: Registration succeeded.\n"));
    SendFeedback("Anna@Example.org", "", "", "", "again", true, true,
                 kDelivered + std::string("Update informations: already registered.\n"
                                          "Related software news: Registration succeeded."));
}

TEST_F(Online, FeedbackRefusedOrGarbledRepliesAreFailures) {
    for (const char* body : {"1 0 0", "<html>0 0 0</html>", "0 1"}) {
        StandInServer server(std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + std::to_string(std::strlen(body)) +
                             "\r\n\r\n" + body);
        UseServer(server.Address());
        SendFeedback("b@example.org", "", "", "", "", false, false, kServerProblem);
    }
}

}  // namespace
