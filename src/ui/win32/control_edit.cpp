// The single-line edit: a frame around a standard "EDIT" that holds at most
// kEditMaxLength characters, in the controls' colours.
#include "ui/win32/control_common.h"

namespace {

constexpr int kInset = 3;
constexpr COLORREF kFieldColour = RGB(8, 20, 10);

void DrawEditFrame(HWND window, ControlState* s, HDC dc, const RECT& r) {
    FillRectColour(dc, r, kFieldColour);
    const bool focus = s->child && GetFocus() == s->child;
    FrameRectColour(dc, r, focus ? DimColour(s->highlight, 0.8f) : MixColour(DimColour(s->text, 0.45f), s->highlight, HoverLevel(s)));
    (void)window;
}

}  // namespace

LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    ControlState* s = GetControlState(window);
    if (message == WM_CREATE && s) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        s->child = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, kInset, kInset,
                                   create->cx - 2 * kInset, create->cy - 2 * kInset, window, nullptr,
                                   create->hInstance, nullptr);
        if (!s->child) return -1;
        SendMessageA(s->child, EM_LIMITTEXT, kEditMaxLength, 0);
        return 0;
    }
    if (!s || !s->child) {
        if (HandleCommonMessage(window, message, wParam, lParam, &result)) return result;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
        case WM_SETFONT:
        case kEditSetFont:
            s->font = reinterpret_cast<HFONT>(wParam);
            SendMessageA(s->child, WM_SETFONT, wParam, lParam);
            return 0;
        case WM_SETTEXT:
        case WM_GETTEXT:
        case WM_GETTEXTLENGTH:
            return SendMessageA(s->child, message, wParam, lParam);
        case WM_SETFOCUS:
            SetFocus(s->child);
            return 0;
        case WM_ENABLE:
            EnableWindow(s->child, static_cast<BOOL>(wParam));
            return 0;
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, s->text);
            SetBkColor(dc, kFieldColour);
            SetDCBrushColor(dc, kFieldColour);
            return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
        }
        case WM_COMMAND:
            // The inner edit's changes reach the owner as value changes of this control.
            if (reinterpret_cast<HWND>(lParam) == s->child) {
                if (HIWORD(wParam) == EN_CHANGE) NotifyParent(window, kNotifyValueChanged);
                if (HIWORD(wParam) == EN_SETFOCUS || HIWORD(wParam) == EN_KILLFOCUS)
                    InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_PARENTNOTIFY:
            return 0;
        case WM_PAINT:
            PaintBuffered(window, DrawEditFrame);
            return 0;
        default:
            break;
    }
    if (HandleCommonMessage(window, message, wParam, lParam, &result)) return result;
    if (HandleHover(window, s, message, wParam, 15, 1.0f / 24)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}
