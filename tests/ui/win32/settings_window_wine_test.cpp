// The settings window under Wine. The window runs on a thread of its own with the
// message loop of configuration mode; the test thread drives it from outside with
// messages and input, reads the live records and the registry, and answers the
// dialogs and message boxes the window opens. The last case runs the built
// program and photographs every page and effect group with a hint showing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "host/display_modes.h"
#include "host/win32/late_dlls.h"
#include "host/win32/saver_harness.h"
#include "settings/settings.h"
#include "settings/strings.h"
#include "settings/win32/platform_strings.h"
#include "settings/win32/presets.h"
#include "settings/win32/dialog_driver.h"
#include "settings/win32/registry_helpers.h"
#include "settings/win32/storage.h"
#include "settings/win32/ui_sound.h"
#include "ui/controls.h"
#include "ui/win32/controls.h"
#include "ui/win32/settings_window.h"

namespace {

using saver_test::Image;
using regtest::Bytes;

constexpr UINT kFlush = WM_APP + 1;
std::vector<int> g_sounds;
void RecordSound(int sound) { g_sounds.push_back(sound); }

// The window and its message loop on a thread of their own.
class WindowThread {
public:
    HWND window = nullptr;
    DWORD id = 0;

    void Start(HMODULE resources) {
        resources_ = resources;
        ready_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        flushed_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        thread_ = CreateThread(nullptr, 0, Run, this, 0, &id);
        WaitForSingleObject(ready_, 20000);
    }
    // Every message posted so far has been handled, and what those posted in turn
    // (a key's character, a control's notification), two levels deep.
    void Flush() {
        for (int level = 0; level < 3; ++level) {
            if (!thread_ || !PostThreadMessageA(id, kFlush, 0, 0)) return;
            WaitForSingleObject(flushed_, 10000);
        }
    }
    bool Join(DWORD ms) {
        if (!thread_) return true;
        const bool ended = WaitForSingleObject(thread_, ms) == WAIT_OBJECT_0;
        CloseHandle(thread_);
        CloseHandle(ready_);
        CloseHandle(flushed_);
        thread_ = nullptr;
        return ended;
    }

private:
    static DWORD WINAPI Run(void* parameter) {
        auto* self = static_cast<WindowThread*>(parameter);
        self->window = CreateSettingsWindow(GetModuleHandleA(nullptr), nullptr, self->resources_);
        if (self->window) ShowWindow(self->window, SW_SHOW);
        SetEvent(self->ready_);
        MSG message;
        while (self->window && GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (!message.hwnd && message.message == kFlush) {
                SetEvent(self->flushed_);
                continue;
            }
            if (HandleSettingsWindowKeys(&message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        return 0;
    }
    HMODULE resources_ = nullptr;
    HANDLE thread_ = nullptr, ready_ = nullptr, flushed_ = nullptr;
};

using dialogtest::Press;

std::string Text(HWND window) { return dialogtest::WindowText(window); }
HWND RowOf(HWND window, int row) { return GetDlgItem(window, ControlIdOf(row)); }
// The visible dialog of `thread` (the colour dialog), waited for.
HWND WaitForThreadDialog(DWORD thread) {
    for (int i = 0; i < 500; ++i, Sleep(20))
        for (HWND d = FindWindowExA(nullptr, nullptr, "#32770", nullptr); d; d = FindWindowExA(nullptr, d, "#32770", nullptr))
            if (IsWindowVisible(d) && GetWindowThreadProcessId(d, nullptr) == thread) return d;
    return nullptr;
}
// A click whose handler may open a modal window: posted, not waited for.
void PostClick(HWND control) {
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

class SettingsWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        scr_ = regtest::UseShippedResources();
        SetInterfaceSoundHook(RecordSound);
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        late::InitCommonControlsEx(&controls);
        RegisterSettingsWindowClass(GetModuleHandleA(nullptr));
    }
    void SetUp() override {
        ASSERT_NE(scr_, nullptr) << "KVS_SCR must name the screensaver";
        regtest::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
        std::memset(&settings, 0, sizeof settings);
        std::memset(&localOptions, 0, sizeof localOptions);
        LoadSettings();
        ClearDisplayModeList(displayModes);
        g_sounds.clear();
    }
    void TearDown() override {
        if (thread_.window && IsWindow(thread_.window)) PostMessageA(thread_.window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(thread_.Join(20000));
        regtest::DeleteKeyTree(HKEY_CURRENT_USER, "Software\\Pellor");
    }

    void Open() {
        thread_.Start(scr_);
        ASSERT_NE(thread_.window, nullptr);
    }
    HWND Window() const { return thread_.window; }
    void Flush() { thread_.Flush(); }
    HWND Row(int row) const { return RowOf(thread_.window, row); }
    HWND ByHint(uint16_t hint) const { return Row(FindControlByHint(hint)); }
    HWND Label(uint16_t textId) const { return Row(FindControlByText(kControlLabel, textId)); }
    int Value(HWND control) const { return static_cast<int>(SendMessageA(control, kGetValue, 0, 0)); }
    void Key(HWND control, WPARAM key) {
        SendMessageA(control, WM_KEYDOWN, key, 0);
        Flush();
    }
    void Click(HWND control) {
        SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Flush();
    }
    void ShowPage(int page) { Click(ByHint(static_cast<uint16_t>(8811 + page))); }
    // Rows that are shown but should not be, or hidden but should be shown.
    int WrongRows(int page, int group) const {
        int wrong = 0;
        for (int row = 0; row < ControlCount(); ++row)
            if ((IsWindowVisible(Row(row)) != 0) != IsControlShown(GetControlEntry(row), page, group)) ++wrong;
        return wrong;
    }
    int ListIndexOf(HWND list, const std::string& name) const {
        char text[kListTextCapacity];
        const int count = static_cast<int>(SendMessageA(list, kListGetCount, 0, 0));
        for (int i = 0; i < count; ++i) {
            SendMessageA(list, kListGetText, i, reinterpret_cast<LPARAM>(text));
            if (name == text) return i;
        }
        return -1;
    }

    static HMODULE scr_;
    WindowThread thread_;
};
HMODULE SettingsWindow::scr_ = nullptr;

// Selector buttons in the order of their groups 1..6 (their hints).
constexpr uint16_t kSelectorHints[kEffectGroupCount] = {7651, 7652, 7653, 7654, 7655, 7656};

TEST_F(SettingsWindow, FramePagesGroupsAndStrips) {
    Open();
    RECT r;
    GetWindowRect(Window(), &r);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 539);
    EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2 - 250);
    EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2 - 269);

    // The strips stand 50 pixels outside each edge and follow a move.
    SetWindowPos(Window(), nullptr, 120, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Flush();
    std::set<LONG> lefts;
    for (HWND strip = FindWindowExA(nullptr, nullptr, kStripClassName, nullptr); strip;
         strip = FindWindowExA(nullptr, strip, kStripClassName, nullptr)) {
        RECT s;
        GetWindowRect(strip, &s);
        EXPECT_TRUE(IsWindowVisible(strip));
        EXPECT_EQ(s.top, 70);
        EXPECT_EQ(s.right - s.left, 50);
        EXPECT_EQ(s.bottom - s.top, 539);
        lefts.insert(s.left);
    }
    EXPECT_EQ(lefts, (std::set<LONG>{70, 620}));

    // Each page button shows its page alone; each selector its group alone.
    for (int page : {1, 2, 3, 4, 5, 6, 7, 8, 0}) {
        ShowPage(page);
        EXPECT_EQ(WrongRows(page, 1), 0) << "page " << page;
    }
    EXPECT_EQ(g_sounds, std::vector<int>(9, kInterfaceSoundPage));
    ShowPage(kSpecialEffectsPage);
    g_sounds.clear();
    for (int group : {2, 3, 4, 5, 6, 1, 4}) {
        Click(ByHint(kSelectorHints[group - 1]));
        EXPECT_EQ(WrongRows(kSpecialEffectsPage, group), 0) << "group " << group;
    }
    EXPECT_EQ(g_sounds, std::vector<int>(7, kInterfaceSoundGroup));
    ShowPage(0);  // the chosen group is hidden with its page and comes back with it
    EXPECT_FALSE(IsWindowVisible(Label(6400)));
    ShowPage(kSpecialEffectsPage);
    EXPECT_EQ(WrongRows(kSpecialEffectsPage, 4), 0);
}

TEST_F(SettingsWindow, SlidersChecksAndEasySetupWriteTheirFieldsAndLabels) {
    Open();
    HWND speed = ByHint(7351);
    EXPECT_EQ(Value(speed), 99);
    EXPECT_EQ(Text(Label(7301)), "Speed: 20.0  ");
    Key(speed, VK_END);
    EXPECT_EQ(settings.speed, 51.2f);
    EXPECT_EQ(Text(Label(7301)), "Speed: 51.2  ");
    Key(speed, VK_LEFT);
    EXPECT_EQ(Text(Label(7301)), "Speed: 51.0  ");
    // Dragging beyond either end pins the slider; a position above 255 is ignored.
    SendMessageA(speed, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 5));
    SendMessageA(speed, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-40, 5));
    Flush();
    EXPECT_EQ(settings.speed, 0.2f);
    SendMessageA(speed, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2000, 5));
    SendMessageA(speed, WM_LBUTTONUP, 0, MAKELPARAM(2000, 5));
    Flush();
    EXPECT_EQ(Value(speed), 255);
    SendMessageA(speed, kSetValue, 300, 0);
    EXPECT_EQ(Value(speed), 255);

    // A slider of the local options (the formats of every label are checked natively).
    Key(ByHint(7779), VK_HOME);
    EXPECT_EQ(Text(Label(7729)), "Texture filter: Nearest");

    // Check boxes: the inverted flag, the answer that marks them and their click.
    HWND overwrite = ByHint(7457);
    EXPECT_EQ(SendMessageA(overwrite, kIdentify, 0, 0), kCheckIdentity);
    EXPECT_EQ(Value(overwrite), 1);
    g_sounds.clear();
    Click(overwrite);
    EXPECT_EQ(+settings.noOverwriteTest, 1);
    EXPECT_EQ(Value(overwrite), 0);
    EXPECT_EQ(g_sounds, std::vector<int>{kInterfaceSoundClick});
    SendMessageA(ByHint(7458), WM_CHAR, ' ', 0);
    Flush();
    EXPECT_EQ(+settings.killingGround, 1);

    // Easy setup moves the dependent sliders, fields and labels.
    Key(ByHint(7153), VK_HOME);
    EXPECT_EQ(+settings.releaseIntervalLog2, 4);
    EXPECT_EQ(Value(ByHint(7354)), 132);
    EXPECT_EQ(Value(ByHint(7355)), 0);
    EXPECT_EQ(Text(Label(7303)), "Every 16th tick, up to 1 tracers can be released.");
    EXPECT_EQ(Text(Label(7103)), "Density: lowest");
    Key(ByHint(7152), VK_END);
    EXPECT_EQ(+settings.columns, 170);
    if (GetSystemMetrics(SM_CXSCREEN) == 1024 && GetSystemMetrics(SM_CYSCREEN) == 768) {
        EXPECT_EQ(+settings.rows, 80);  // trunc(170 / (1.333 * 1.59))
        EXPECT_EQ(Text(Label(7102)), "Characters number (170 \xD7 80): ");
    }
    EXPECT_EQ(Value(ByHint(7352)), 162);
    Click(ByHint(7180));  // low quality code
    EXPECT_EQ(+settings.halo, 0);
    EXPECT_EQ(Value(ByHint(7753)), 0);
    EXPECT_EQ(Value(ByHint(7460)), 0) << "dissolving erasers follow";
    EXPECT_EQ(Text(Label(7703)), "Halo effect: 0.00");
    // The sound option binds and unbinds the sound library, then plays the page sound.
    g_sounds.clear();
    Click(ByHint(7773));
    EXPECT_EQ(g_sounds, (std::vector<int>{kInterfaceSoundClick, kInterfaceSoundPage}));
    EXPECT_TRUE(IsWindowEnabled(ByHint(7774))) << "volume follows the sound option";
}

// Pressed, dragged off and released away from itself, a button neither clicks nor
// stays lit: afterwards it looks as it does once the mouse has passed over it and
// left (the close button's picture; the left edge and fill of a page button,
// beside its focus frame).
TEST_F(SettingsWindow, AButtonReleasedAwayFromItselfNeitherClicksNorStaysLit) {
    Open();
    SetCursorPos(0, GetSystemMetrics(SM_CYSCREEN) - 1);  // the real mouse is over no control
    const auto settled = [this](HWND control, bool edgeOnly) {
        Sleep(800);  // any fade is over
        Flush();
        RECT r;
        GetWindowRect(control, &r);
        return saver_test::CaptureScreenDevice(r.left, r.top, edgeOnly ? 2 : r.right - r.left, r.bottom - r.top);
    };
    for (uint16_t hint : {uint16_t{8821}, uint16_t{8812}}) {  // the close button, the "Presets" page button
        HWND button = ByHint(hint);
        const bool edgeOnly = hint != 8821;
        const Image untouched = settled(button, edgeOnly);
        SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
        SendMessageA(button, WM_MOUSELEAVE, 0, 0);
        const Image left = settled(button, edgeOnly);
        EXPECT_EQ(saver_test::DifferingShare(untouched, left, 8), 0.0) << "button " << hint << " was lit at rest";
        SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(300, 300));
        SendMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(300, 300));
        const Image released = settled(button, edgeOnly);
        ASSERT_TRUE(IsWindow(Window())) << "the close button closed the window";
        EXPECT_EQ(WrongRows(0, 1), 0) << "the page button switched the page";
        ASSERT_GT(released.width, 0);
        EXPECT_EQ(saver_test::DifferingShare(left, released, 8), 0.0) << "button " << hint << " still looks lit";
        saver_test::SaveImage(left, "released-away-" + std::to_string(hint) + "-left");
        saver_test::SaveImage(released, "released-away-" + std::to_string(hint) + "-released");
    }
    EXPECT_TRUE(g_sounds.empty());
}

TEST_F(SettingsWindow, TextLinesColoursAndModeLists) {
    for (int bits : {16, 32})
        for (unsigned hz : {60u, 75u}) AddDisplayMode(displayModes, 1024, 768, bits, hz);
    localOptions.screenWidth = 1024;
    localOptions.screenHeight = 768;
    localOptions.screenHz = 75;
    Open();

    // An edit writes its line; a paste holds at most 127 characters, blanks for controls.
    HWND edit = GetWindow(Row(FindControlByText(kControlLabel, 7505) + 1), GW_CHILD);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("NEW LINE"));
    Flush();
    EXPECT_STREQ(settings.textLine1, "NEW LINE");
    const std::string pasted = "\tTAB" + std::string(300, 'p');
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, pasted.size() + 1);
    std::memcpy(GlobalLock(data), pasted.c_str(), pasted.size() + 1);
    GlobalUnlock(data);
    SetClipboardData(CF_TEXT, data);
    CloseClipboard();
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_PASTE, 0, 0);
    Flush();
    EXPECT_EQ(std::string(settings.textLine1, 4), " TAB");
    EXPECT_EQ(std::strlen(settings.textLine1), 127u);

    // Colour menu entries and the colour dialog, cancelled and confirmed.
    SendMessageA(Window(), WM_COMMAND, 31005, 0);
    EXPECT_EQ(settings.baseColor[0], 0.5f);
    EXPECT_EQ(settings.baseColor[1], 0.0f);
    PostMessageA(Window(), WM_COMMAND, 31999, 0);
    HWND dialog = WaitForThreadDialog(thread_.id);
    ASSERT_NE(dialog, nullptr) << "no colour dialog";
    EXPECT_EQ(Text(GetDlgItem(dialog, 706)), "127");  // the current red, times 255
    Press(dialog, IDCANCEL);
    Flush();
    EXPECT_EQ(settings.baseColor[0], 0.5f);
    PostMessageA(Window(), WM_COMMAND, 32999, 0);
    dialog = WaitForThreadDialog(thread_.id);
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, 706, "0");
    SetDlgItemTextA(dialog, 707, "51");
    SetDlgItemTextA(dialog, 708, "255");
    Press(dialog, IDOK);
    Flush();
    EXPECT_EQ(settings.accentColor[0], 0.0f);
    EXPECT_EQ(settings.accentColor[1], 0.2f);
    EXPECT_EQ(settings.accentColor[2], 1.0f);

    // The mode lists show the stored mode; the desktop resolution rests the others.
    HWND resolution = ByHint(7781), depth = ByHint(7782), rate = ByHint(7783);
    EXPECT_EQ(SendMessageA(resolution, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(Text(depth), "32");
    EXPECT_EQ(Text(rate), "75 Hz");
    SendMessageA(depth, CB_SETCURSEL, 1, 0);
    SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(depth), CBN_SELCHANGE), reinterpret_cast<LPARAM>(depth));
    EXPECT_EQ(+localOptions.screenBits, 16);
    EXPECT_EQ(+localOptions.screenHz, 75);
    SendMessageA(resolution, CB_SETCURSEL, 0, 0);
    SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(resolution), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(resolution));
    EXPECT_EQ(+localOptions.screenWidth, 0);
    EXPECT_FALSE(IsWindowEnabled(depth));
}

TEST_F(SettingsWindow, PresetsSavedActivatedAndDeletedFromThePage) {
    Open();
    ShowPage(1);
    PostClick(ByHint(7212));
    HWND naming = dialogtest::WaitForWindow(kSavePresetDialogCaption);
    ASSERT_NE(naming, nullptr);
    SetDlgItemTextA(naming, kSavePresetNameEditId, "Look one");
    Press(naming, IDOK);
    Flush();
    HWND list = ByHint(7211);
    const int index = ListIndexOf(list, "Look one");
    ASSERT_GE(index, 0);

    HWND speed = ByHint(7351);
    Key(speed, VK_HOME);
    Key(ByHint(6154), VK_END);
    SendMessageA(list, kListSetSelection, index, 0);
    PostMessageA(list, WM_CHAR, '\r', 0);
    dialogtest::Answer("Preset activated", IDOK);
    Flush();
    EXPECT_EQ(settings.speed, 20.0f);
    EXPECT_EQ(Value(speed), 99);
    EXPECT_EQ(Value(ByHint(6154)), 60);
    EXPECT_EQ(Text(Label(6104)), "Interval: 61 screens");

    SendMessageA(list, kListSetSelection, index, 0);
    PostClick(ByHint(7213));
    dialogtest::Answer("Preset 'Look one' is about to be removed.", IDOK);
    Flush();
    EXPECT_EQ(ListIndexOf(list, "Look one"), -1);
    EXPECT_FALSE(regtest::QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "Look one").present);
}

TEST_F(SettingsWindow, OnlyClosingStoresTheRecords) {
    // Stored texts without terminator and hostile numbers pass through unchanged.
    std::memset(settings.textLine1, 'A', sizeof settings.textLine1);
    settings.smallBurstsSize = std::numeric_limits<float>::quiet_NaN();
    settings.crashEffects = INT32_MIN;
    settings.dejaVuSpeed = INT32_MAX;
    const Bytes hostile = regtest::LiveSettings();
    Open();
    EXPECT_EQ(Text(Row(FindControlByText(kControlLabel, 7505) + 1)), std::string(127, 'A'));

    // Open and close: the record is stored as it was.
    PostMessageA(Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(thread_.Join(20000));
    EXPECT_EQ(regtest::QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "").bytes, hostile);

    // Every slider and check box of every page moved: the registry waits for the close.
    Open();
    for (int row = 0; row < ControlCount(); ++row) {
        const ControlEntry& entry = GetControlEntry(row);
        if (entry.kind == kControlTick) Key(Row(row), row % 2 ? VK_END : VK_HOME);
        if (entry.kind == kControlCheck) Click(Row(row));
    }
    EXPECT_NE(regtest::LiveSettings(), hostile);
    EXPECT_EQ(regtest::QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "").bytes, hostile);
    EXPECT_NE(regtest::QueryValue(HKEY_CURRENT_USER, kLocalOptionsKeyPath, "").bytes, regtest::LiveLocal());
    Click(Row(FindControlByHint(8821)));  // the close button
    ASSERT_TRUE(thread_.Join(20000));
    EXPECT_EQ(regtest::QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "").bytes, regtest::LiveSettings());
    EXPECT_EQ(regtest::QueryValue(HKEY_CURRENT_USER, kLocalOptionsKeyPath, "").bytes, regtest::LiveLocal());
    EXPECT_EQ(regtest::QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "Default preset").bytes,
              regtest::DefaultSettingsImage()) << "saving touched the default preset";
}

TEST_F(SettingsWindow, KeyboardReachesAndChangesEveryControl) {
    Open();
    for (int page : {4, kSpecialEffectsPage, 7}) {
        ShowPage(page);
        // Tab from the page's button visits every shown control that takes the focus.
        std::set<HWND> visited;
        for (int step = 0; step < 80; ++step) {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            GetGUIThreadInfo(thread_.id, &info);
            if (!info.hwndFocus) break;
            visited.insert(info.hwndFocus);
            PostMessageA(info.hwndFocus, WM_KEYDOWN, VK_TAB, 0);
            Flush();
        }
        for (int row = 0; row < ControlCount(); ++row) {
            const ControlEntry& entry = GetControlEntry(row);
            HWND control = Row(row);
            if (!IsControlShown(entry, page, 1) || !IsWindowEnabled(control) ||
                !(GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP))
                continue;
            EXPECT_TRUE(visited.count(control)) << "page " << page << " row " << row << " cannot be reached";
        }
        if (page == 4) {
            EXPECT_TRUE(visited.count(GetWindow(Row(FindControlByText(kControlLabel, 7505) + 1), GW_CHILD)));
        }
    }
    // Through the loop's key handling: arrows move a slider, Space ticks a box.
    HWND volume = ByHint(7774);
    Click(ByHint(7773));  // sound on: the volume slider takes input
    PostMessageA(volume, WM_KEYDOWN, VK_RIGHT, 0);
    Flush();
    EXPECT_EQ(+localOptions.volume, 129);
    HWND counters = ByHint(7771);
    PostMessageA(counters, WM_KEYDOWN, VK_SPACE, 0);
    PostMessageA(counters, WM_KEYUP, VK_SPACE, 0);
    Flush();
    EXPECT_EQ(+localOptions.showCounters, 1);
}

TEST_F(SettingsWindow, TextFitsItsControlsAtBothEndsOfEverySlider) {
    Open();
    for (WPARAM end : {WPARAM{0}, WPARAM{VK_HOME}, WPARAM{VK_END}}) {
        for (int row = 0; end && row < ControlCount(); ++row)
            if (GetControlEntry(row).kind == kControlTick) Key(Row(row), end);
        for (int row = 0; row < ControlCount(); ++row) {
            const ControlEntry& entry = GetControlEntry(row);
            if (entry.kind != kControlLabel && entry.kind != kControlCheck && entry.kind != kControlButton &&
                entry.kind != kControlLink)
                continue;
            HWND control = Row(row);
            const std::string text = Text(control);
            if (text.empty()) continue;
            HDC dc = GetDC(control);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
            // Labels and buttons wrap within their width; check boxes keep one line
            // beside a mark as wide as they are high.
            const bool oneLine = entry.kind == kControlCheck;
            RECT need{0, 0, entry.kind == kControlButton ? entry.w - 8 : entry.w, 0};
            DrawTextA(dc, text.c_str(), -1, &need,
                      DT_CALCRECT | DT_NOPREFIX | (oneLine ? DT_SINGLELINE : DT_WORDBREAK | DT_EXPANDTABS));
            SelectObject(dc, old);
            ReleaseDC(control, dc);
            const int width = need.right + (oneLine ? entry.h + 6 : 0);
            EXPECT_LE(width, entry.w) << "row " << row << ": \"" << text << "\" is too wide";
            EXPECT_LE(need.bottom, entry.h) << "row " << row << ": \"" << text << "\" is too high";
        }
    }
}

TEST_F(SettingsWindow, ThousandsOfPresetsAndLongNamesScrollAndSelect) {
    const Bytes record = regtest::DefaultSettingsImage();
    char name[2048];
    for (int i = 0; i < 3000; ++i) {
        std::snprintf(name, sizeof name, "Preset %05d", i);
        regtest::PutValue(kSettingsKeyPath, name, REG_BINARY, record.data(), record.size());
    }
    const std::string longName = std::string(2042, 'N') + "-long";  // the longest a value name can be
    regtest::PutValue(kSettingsKeyPath, longName.c_str(), REG_BINARY, record.data(), record.size());
    Open();
    HWND list = ByHint(7211);
    const int count = static_cast<int>(SendMessageA(list, kListGetCount, 0, 0));
    EXPECT_EQ(count, 3002);
    Key(list, VK_END);
    EXPECT_EQ(SendMessageA(list, kListGetSelection, 0, 0), count - 1);
    EXPECT_EQ(SendMessageA(list, kListGetTop, 0, 0), count - (272 - 1) / kListRowHeight);
    Key(list, VK_HOME);
    Key(list, VK_NEXT);
    EXPECT_EQ(SendMessageA(list, kListGetSelection, 0, 0), 15);
    for (int i = 0; i < 200; ++i) Key(list, VK_DOWN);
    EXPECT_EQ(SendMessageA(list, kListGetSelection, 0, 0), 215);
    const int longIndex = ListIndexOf(list, longName);
    ASSERT_GE(longIndex, 0) << "the long name is listed in full";
    SendMessageA(list, kListSetSelection, longIndex, 0);
    const int top = static_cast<int>(SendMessageA(list, kListGetTop, 0, 0));
    EXPECT_LE(top, longIndex);
    EXPECT_GT(top + 15, longIndex) << "the selection is scrolled into view";
}

// The built program: every page and every effect group, with a hint showing.
TEST(SettingsScreenshots, EveryPageAndGroupWithAHint) {
    ASSERT_FALSE(saver_test::RunnableSaverPath().empty());
    SettingsRecord stored = saver_test::DefaultSettings();
    LocalOptionsRecord storedLocal = saver_test::DefaultLocalOptions();
    stored.columns = 77;
    storedLocal.volume = 99;
    saver_test::StoreRecords(stored, storedLocal);
    saver_test::SaverProcess saver;
    ASSERT_TRUE(saver.Start("/c", {}, "settings.log"));
    HWND window = dialogtest::WaitForWindow(kSettingsClassName, 30000, kSettingsClassName);
    ASSERT_NE(window, nullptr);
    RECT r;
    GetWindowRect(window, &r);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(window, region), COMPLEXREGION) << "the window is not rounded";
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 250, 270));
    DeleteObject(region);
    auto row = [&](int index) { return RowOf(window, index); };
    auto click = [](HWND control) {
        PostClick(control);
        Sleep(300);
    };
    const char* const names[kPageCount] = {"easy-setup", "presets", "code-metrics", "code-appearance",
                                           "text-effects", "special-effects", "global-effects", "properties", "about"};
    const char* const groups[kEffectGroupCount] = {"deja-vu", "code-bursts", "crash", "small-bursts", "other",
                                                   "lightnings"};
    int shot = 0;
    for (int page = 0; page < kPageCount; ++page) {
        for (int group = 1; group <= (page == kSpecialEffectsPage ? kEffectGroupCount : 1); ++group) {
            click(row(FindControlByHint(static_cast<uint16_t>(8811 + page))));
            if (page == kSpecialEffectsPage) click(row(FindControlByHint(kSelectorHints[group - 1])));
            // The hint of the lowest hinted control in the page's first column shows
            // below it, over the page.
            int hinted = -1;
            for (int i = 0; i < ControlCount(); ++i) {
                const ControlEntry& entry = GetControlEntry(i);
                if (entry.page == page && entry.hintId && entry.x == kPageAreaLeft && IsControlShown(entry, page, group) &&
                    IsWindowEnabled(row(i)) && (hinted < 0 || entry.y >= GetControlEntry(hinted).y))
                    hinted = i;
            }
            ASSERT_GE(hinted, 0);
            RECT target;
            GetWindowRect(row(hinted), &target);
            // Near its left end, so that the hint opens over the page, not off the picture.
            const int x = target.left + 8, y = (target.top + target.bottom) / 2;
            SetCursorPos(x - 1, y);
            Sleep(100);
            SetCursorPos(x, y);
            // The hint of this control: shown, just below the mouse.
            HWND tip = nullptr;
            for (int wait = 0; wait < 80 && !tip; ++wait) {
                Sleep(50);
                HWND candidate = FindWindowA(TOOLTIPS_CLASSA, nullptr);
                RECT at;
                if (candidate && IsWindowVisible(candidate) && GetWindowRect(candidate, &at) && at.top >= y &&
                    at.top < y + 60 && at.left <= x + 20 && at.right > x)
                    tip = candidate;
            }
            EXPECT_NE(tip, nullptr) << "no hint over row " << hinted << " of page " << page;
            Sleep(200);
            const int height = r.bottom + 40 <= GetSystemMetrics(SM_CYSCREEN) ? 579 : 539;
            const Image picture = saver_test::CaptureScreenDevice(r.left - 50, r.top, 600, height);
            char name[64];
            std::snprintf(name, sizeof name, "settings-%02d-%s", ++shot, names[page]);
            if (page == kSpecialEffectsPage) std::snprintf(name, sizeof name, "settings-%02d-effects-%s", shot, groups[group - 1]);
            EXPECT_TRUE(saver_test::SaveImage(picture, name));
            // The hint is painted in the picture: its background fills most of its box.
            RECT box{};
            if (tip) GetWindowRect(tip, &box);
            int painted = 0, pixels = 0;
            for (int py = box.top - r.top; py < box.bottom - r.top && py < picture.height; ++py)
                for (int px = box.left - r.left + 50; px < box.right - r.left + 50 && px < picture.width; ++px, ++pixels)
                    if (px >= 0 && py >= 0 && picture.r(px, py) == 12 && picture.g(px, py) == 28) ++painted;
            EXPECT_GT(painted, pixels / 2) << name << ": the hint does not show";
            EXPECT_GT(saver_test::Measure(saver_test::Crop(picture, 210, 45, 330, 300)).litShare, 0.02) << name;
            // Away from the window until the hint is gone.
            SetCursorPos(0, GetSystemMetrics(SM_CYSCREEN) - 1);
            for (int wait = 0; wait < 60 && tip && IsWindowVisible(tip); ++wait) Sleep(50);
        }
    }
    // The records written at start-up are removed: the close button writes them again.
    regtest::DeleteValue(HKEY_CURRENT_USER, kSettingsKeyPath, "");
    regtest::DeleteValue(HKEY_CURRENT_USER, kLocalOptionsKeyPath, "");
    click(row(FindControlByHint(8821)));
    EXPECT_EQ(saver.ExitCode(15000), 0) << "the close button did not close the window";
    EXPECT_EQ(regtest::QueryValue(HKEY_CURRENT_USER, kSettingsKeyPath, "").bytes, regtest::ImageOf(&stored, sizeof stored));
    EXPECT_EQ(regtest::QueryValue(HKEY_CURRENT_USER, kLocalOptionsKeyPath, "").bytes,
              regtest::ImageOf(&storedLocal, sizeof storedLocal));
}

}  // namespace
