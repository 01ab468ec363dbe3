// The colour menus with the system colour dialog, the colour buttons, and the
// three display-mode lists of the Properties page.
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "host/display_modes.h"
#include "host/win32/late_dlls.h"
#include "settings/settings.h"
#include "settings/strings.h"
#include "ui/colour_menus.h"
#include "ui/mode_lists.h"
#include "ui/win32/controls.h"
#include "ui/win32/settings_state.h"

namespace {

constexpr uint32_t kCustomColourId = 8730;
constexpr DWORD kColourDialogFlags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK;  // 0x13

// The colour dialog opens in the middle of the screen.
UINT_PTR CALLBACK CentreColourDialog(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        RECT r;
        GetWindowRect(dialog, &r);
        const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
        const int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
        SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    return 0;
}

// Opens the colour dialog on the menu's colour; the chosen colour replaces it, and
// the dialog's 16 custom colours are kept in the local options.
void ChooseCustomColour(SettingsWindowState& state, ColourMenu menu) {
    float rgb[3];
    GetMenuColour(settings, menu, rgb);
    COLORREF custom[16];
    char* stored = reinterpret_cast<char*>(&localOptions) + offsetof(LocalOptionsRecord, customColors);
    std::memcpy(custom, stored, sizeof custom);
    CHOOSECOLORA choice;
    std::memset(&choice, 0, sizeof choice);
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = state.window;
    choice.rgbResult = ColourToColorref(rgb);
    choice.lpCustColors = custom;
    choice.Flags = kColourDialogFlags;
    choice.lpfnHook = CentreColourDialog;
    if (late::ChooseColorA(&choice)) {
        ColorrefToColour(choice.rgbResult, rgb);
        SetMenuColour(settings, menu, rgb);
    }
    std::memcpy(stored, custom, sizeof custom);
}

void InvalidateColourButtons(const SettingsWindowState& state) {
    for (int row = 0; row < ControlCount() && row < kMaxControls; ++row)
        if (GetControlEntry(row).kind == kControlColourButton) InvalidateRect(state.controls[row], nullptr, FALSE);
}

ModeList ListOf(const ControlEntry& entry) {
    return entry.command == kCommandRate ? kRateList : entry.command == kCommandDepth ? kDepthList : kResolutionList;
}

int RowOf(ControlCommand command) {
    for (int row = 0; row < ControlCount() && row < kMaxControls; ++row)
        if (GetControlEntry(row).command == command) return row;
    return -1;
}

void FillModeList(const SettingsWindowState& state, int row) {
    if (row < 0) return;
    HWND combo = state.controls[row];
    const ModeList list = ListOf(GetControlEntry(row));
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    char text[64];
    const int count = ModeItemCount(displayModes, localOptions, list);
    for (int item = 0; item < count; ++item) {
        FormatModeItem(displayModes, localOptions, list, item, text, sizeof text);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(SelectedModeItem(displayModes, localOptions, list)), 0);
}

}  // namespace

void BuildColourMenus(SettingsWindowState& state) {
    for (int menu = 0; menu < 2; ++menu) {
        HMENU popup = CreatePopupMenu();
        state.colourMenus[menu] = popup;
        bool first = true;
        for (int i = 0; i < ColourMenuEntryCount(); ++i) {
            const ColourMenuEntry& entry = GetColourMenuEntry(i);
            if (entry.menu != menu) continue;
            AppendMenuA(popup, MF_STRING, entry.command, GetString(entry.textId));
            if (first) AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
            first = false;
        }
        AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(popup, MF_STRING, menu == kBaseColourMenu ? kBaseCustomColourCommand : kAccentCustomColourCommand,
                    GetString(kCustomColourId));
    }
}

void DestroyColourMenus(SettingsWindowState& state) {
    for (HMENU& menu : state.colourMenus) {
        if (menu) DestroyMenu(menu);
        menu = nullptr;
    }
}

void ShowColourMenu(SettingsWindowState& state, int row) {
    const ControlEntry& entry = GetControlEntry(row);
    HMENU menu = state.colourMenus[entry.command == kCommandAccentColour ? kAccentColourMenu : kBaseColourMenu];
    RECT r;
    GetWindowRect(state.controls[row], &r);
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, r.left, r.bottom, 0, state.window, nullptr);
}

bool HandleColourCommand(SettingsWindowState& state, int command) {
    const int menu = ColourMenuOfCommand(command);
    if (menu < 0) return false;
    if (!ApplyColourCommand(settings, command)) ChooseCustomColour(state, static_cast<ColourMenu>(menu));
    InvalidateColourButtons(state);
    return true;
}

void DrawColourButton(const DRAWITEMSTRUCT& item) {
    const int row = ControlIndexFromId(static_cast<int>(item.CtlID));
    if (row < 0 || GetControlEntry(row).kind != kControlColourButton) return;
    const ColourMenu menu =
        GetControlEntry(row).command == kCommandAccentColour ? kAccentColourMenu : kBaseColourMenu;
    float rgb[3];
    GetMenuColour(settings, menu, rgb);
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    SetDCBrushColor(dc, 0);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const bool focus = (item.itemState & ODS_FOCUS) != 0;
    SetDCBrushColor(dc, focus ? kControlHighlightColour : kControlTextColour);
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    InflateRect(&r, -3, -3);
    if (item.itemState & ODS_SELECTED) OffsetRect(&r, 1, 1);
    SetDCBrushColor(dc, ColourToColorref(rgb));
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void FillModeLists(SettingsWindowState& state) {
    const int row = RowOf(kCommandResolution);
    if (row < 0) return;
    FillModeList(state, row);
    HandleModeListChange(state, row);
}

void HandleModeListChange(SettingsWindowState& state, int row) {
    const ModeList list = ListOf(GetControlEntry(row));
    const int item = static_cast<int>(SendMessageA(state.controls[row], CB_GETCURSEL, 0, 0));
    const int depthRow = RowOf(kCommandDepth);
    const int rateRow = RowOf(kCommandRate);
    if (list == kResolutionList) {
        // The desktop resolution needs no depth or rate: both lists rest, disabled.
        const bool desktop = item <= 0;
        if (desktop) {
            localOptions.screenWidth = 0;
            localOptions.screenHeight = 0;
        } else {
            ApplyModeItem(displayModes, localOptions, kResolutionList, item);
        }
        if (depthRow >= 0) EnableWindow(state.controls[depthRow], !desktop);
        if (rateRow >= 0) EnableWindow(state.controls[rateRow], !desktop);
        FillModeList(state, depthRow);
        if (desktop) {
            FillModeList(state, rateRow);
            return;
        }
        HandleModeListChange(state, depthRow);
        return;
    }
    ApplyModeItem(displayModes, localOptions, list, item);
    if (list == kDepthList) {
        FillModeList(state, rateRow);
        if (rateRow >= 0) HandleModeListChange(state, rateRow);
    }
}
