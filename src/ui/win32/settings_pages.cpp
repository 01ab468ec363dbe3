// The settings window's controls: created from the control table, shown page by
// page, filled from the records and labelled.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

#include "host/win32/displays.h"
#include "settings/settings.h"
#include "settings/strings.h"
#include "settings/win32/presets.h"
#include "ui/win32/about_page.h"
#include "ui/win32/controls.h"
#include "ui/win32/settings_state.h"

namespace {

constexpr int kTipWidth = 300;
constexpr COLORREF kTipBackground = RGB(12, 28, 14);

// The preset list as the preset commands see it.
class ListSink : public PresetListSink {
public:
    HWND list = nullptr;
    void Clear() override { SendMessageA(list, kListClear, 0, 0); }
    void Append(const char* name) override { SendMessageA(list, kListAppend, 0, reinterpret_cast<LPARAM>(name)); }
    void Finish(int) override { SendMessageA(list, kListFinish, 0, 0); }
};
ListSink g_sink;

struct WindowKind {
    const char* className;
    DWORD style;
    DWORD exStyle;
};

WindowKind KindOf(const ControlEntry& entry) {
    switch (entry.kind) {
    case kControlTitle: return {kTitleClassName, 0, 0};
    case kControlTick: return {kTickClassName, WS_TABSTOP, 0};
    case kControlCheck: return {kCheckClassName, WS_TABSTOP | (entry.style & kStyleMarkRight ? kCheckMarkRight : 0), 0};
    case kControlButton: return {kButtonClassName, WS_TABSTOP, 0};
    case kControlColourButton: return {"BUTTON", WS_TABSTOP | BS_OWNERDRAW, 0};
    case kControlEdit: return {kEditClassName, 0, WS_EX_CONTROLPARENT};
    case kControlList: return {kListClassName, WS_TABSTOP, 0};
    case kControlCombo: return {"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0};
    case kControlDivider: return {kDividerClassName, 0, 0};
    case kControlLink: return {"STATIC", SS_NOTIFY | SS_NOPREFIX, 0};
    case kControlClose: return {kBitmapButtonClassName, WS_TABSTOP, 0};
    case kControlLabel:
    default: return {"STATIC", static_cast<DWORD>(SS_LEFT | SS_NOPREFIX | (entry.style & kStyleHinted ? SS_NOTIFY : 0)), 0};
    }
}

bool IsCustom(const ControlEntry& entry) {
    return entry.kind != kControlLabel && entry.kind != kControlLink && entry.kind != kControlCombo &&
           entry.kind != kControlColourButton && entry.kind != kControlClose;
}

void AddHint(HWND tooltip, HWND owner, HWND control, uint16_t hintId) {
    TTTOOLINFOA tool;
    std::memset(&tool, 0, sizeof tool);
    tool.cbSize = TTTOOLINFOA_V2_SIZE;  // understood by every version of the common controls
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(GetString(hintId));
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

HWND CreateTooltip(const SettingsWindowState& state) {
    HWND tooltip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, state.window, nullptr,
                                   state.instance, nullptr);
    if (!tooltip) return nullptr;
    SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    SendMessageA(tooltip, TTM_SETTIPBKCOLOR, kTipBackground, 0);
    SendMessageA(tooltip, TTM_SETTIPTEXTCOLOR, kControlTextColour, 0);
    SendMessageA(tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 20000);
    return tooltip;
}

HFONT UnderlinedFont(HFONT font) {
    LOGFONTA description;
    if (!GetObjectA(font, sizeof description, &description)) return nullptr;
    description.lfUnderline = TRUE;
    return CreateFontIndirectA(&description);
}

HFONT CreateLayoutFont() {
    // The window's layout is in fixed pixels: its font is the GUI font at the size
    // it has at 96 pixels per inch. The process is DPI-unaware, so Windows tells it
    // 96 and enlarges the whole window; where a system reports more pixels per inch
    // to it anyway, the text still fits its controls.
    HFONT gui = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA description;
    const int dpi = ScreenPixelsPerInch();
    if (dpi <= 96 || !GetObjectA(gui, sizeof description, &description)) return nullptr;
    description.lfHeight = MulDiv(description.lfHeight, 96, dpi);
    description.lfWidth = MulDiv(description.lfWidth, 96, dpi);
    return CreateFontIndirectA(&description);
}

}  // namespace

bool CreateControls(SettingsWindowState& state) {
    state.ownFont = CreateLayoutFont();
    state.font = state.ownFont ? state.ownFont : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    state.linkFont = UnderlinedFont(state.font);
    state.tooltip = CreateTooltip(state);
    bool ok = true;
    const int count = ControlCount() < kMaxControls ? ControlCount() : kMaxControls;
    for (int row = 0; row < count; ++row) {
        const ControlEntry& entry = GetControlEntry(row);
        const WindowKind kind = KindOf(entry);
        const char* text = "";
        if (entry.kind == kControlLink)
            text = kHomePageAddress;
        else if (entry.kind != kControlLabel && entry.textId)
            text = GetString(entry.textId);
        const DWORD visible = entry.page == kFrame ? WS_VISIBLE : 0;
        HWND control = CreateWindowExA(kind.exStyle, kind.className, text, WS_CHILD | visible | kind.style, entry.x,
                                       entry.y, entry.w, entry.h, state.window,
                                       reinterpret_cast<HMENU>(static_cast<intptr_t>(ControlIdOf(row))),
                                       state.instance, nullptr);
        state.controls[row] = control;
        if (!control) {
            ok = false;
            continue;
        }
        HFONT font = entry.kind == kControlLink && state.linkFont ? state.linkFont : state.font;
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        if (IsCustom(entry)) {
            SendMessageA(control, kSetTextColour, 0, kControlTextColour);
            SendMessageA(control, kSetHighlightColour, 0, kControlHighlightColour);
        }
        if (entry.kind == kControlClose)
            for (int i = 0; i < 3; ++i)
                SendMessageA(control, kBitmapButtonSetNormal + i, 0, reinterpret_cast<LPARAM>(state.closePictures[i]));
        if (entry.kind == kControlList) g_sink.list = control;
        if (state.tooltip && entry.hintId) {
            AddHint(state.tooltip, state.window, control, entry.hintId);
            // The edit's inner field takes the mouse over most of it.
            if (entry.kind == kControlEdit) {
                if (HWND inner = GetWindow(control, GW_CHILD)) AddHint(state.tooltip, state.window, inner, entry.hintId);
            }
        }
    }
    return ok;
}

void ShowPage(SettingsWindowState& state, int page, int group) {
    state.page = page;
    state.group = group;
    const int count = ControlCount() < kMaxControls ? ControlCount() : kMaxControls;
    // Hide first, then show: no moment with two pages on top of each other.
    for (int pass = 0; pass < 2; ++pass) {
        for (int row = 0; row < count; ++row) {
            HWND control = state.controls[row];
            const ControlEntry& entry = GetControlEntry(row);
            if (!control || entry.page == kFrame) continue;
            const bool shown = IsControlShown(entry, page, group);
            // The style, not IsWindowVisible: the window itself may not be shown yet.
            const bool visible = (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
            if (pass == 0 && !shown && visible) ShowWindow(control, SW_HIDE);
            if (pass == 1 && shown && !visible) ShowWindow(control, SW_SHOWNA);
        }
    }
    for (int row = 0; row < count; ++row) {
        const ControlEntry& entry = GetControlEntry(row);
        if (entry.command == kCommandPage)
            SendMessageA(state.controls[row], kButtonSetLatched, entry.field == page, 0);
        else if (entry.command == kCommandGroup)
            SendMessageA(state.controls[row], kButtonSetLatched, entry.field == group, 0);
    }
    // The keyboard stays in the window: a focus on a hidden control goes to the
    // chosen page's button.
    HWND focus = GetFocus();
    if (GetForegroundWindow() == state.window && (!focus || !IsWindowVisible(focus))) {
        for (int row = 0; row < count; ++row) {
            const ControlEntry& entry = GetControlEntry(row);
            if (entry.command == kCommandPage && entry.field == page) SetFocus(state.controls[row]);
        }
    }
}

void RefreshControls(SettingsWindowState& state, int exceptRow) {
    const int count = ControlCount() < kMaxControls ? ControlCount() : kMaxControls;
    for (int row = 0; row < count; ++row) {
        HWND control = state.controls[row];
        const ControlEntry& entry = GetControlEntry(row);
        if (!control) continue;
        if (entry.binding == kBindVolume) EnableWindow(control, localOptions.soundEnabled != 0);
        if (row == exceptRow) continue;
        switch (entry.kind) {
        case kControlTick:
        case kControlCheck: {
            const int value = ControlValue(entry, settings, localOptions);
            if (value >= 0) SendMessageA(control, kSetValue, static_cast<WPARAM>(value), 0);
            break;
        }
        case kControlEdit: {
            char stored[kEditMaxLength + 1];
            char shown[kEditMaxLength + 1];
            TextLineForEdit(TextLineField(settings, entry), stored, sizeof stored);
            GetWindowTextA(control, shown, sizeof shown);
            if (std::strcmp(stored, shown) != 0) SetWindowTextA(control, stored);
            break;
        }
        case kControlColourButton: InvalidateRect(control, nullptr, FALSE); break;
        default: break;
        }
    }
    UpdateLabels(state);
}

void UpdateLabels(SettingsWindowState& state) {
    const int count = ControlCount() < kMaxControls ? ControlCount() : kMaxControls;
    char text[kLabelCapacity];
    for (int row = 0; row < count; ++row) {
        const ControlEntry& entry = GetControlEntry(row);
        if (entry.kind != kControlLabel || !state.controls[row]) continue;
        FormatControlLabel(entry, settings, localOptions, text, sizeof text);
        if (std::strcmp(text, state.labels[row]) == 0) continue;
        std::memcpy(state.labels[row], text, sizeof text);
        SetWindowTextA(state.controls[row], text);
    }
}

PresetListSink& PresetSink(SettingsWindowState&) { return g_sink; }

void RefreshPresets(SettingsWindowState&) {
    if (g_sink.list) RefreshPresetList(g_sink);
}

void SelectedPreset(const SettingsWindowState&, char* name, int capacity) {
    if (!name || capacity <= 0) return;
    name[0] = '\0';
    if (!g_sink.list || capacity < kListTextCapacity) return;
    const LRESULT index = SendMessageA(g_sink.list, kListGetSelection, 0, 0);
    if (index >= 0) SendMessageA(g_sink.list, kListGetText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(name));
}
