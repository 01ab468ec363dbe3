// The two-state check box: a symbol-font mark beside its text.
#include "ui/win32/control_common.h"

namespace {

constexpr UINT kCheckFadeMs = 10;
constexpr float kCheckFadeStep = 1.0f / 16;
constexpr UINT kFlashMs = 10;
constexpr float kFlashStep = 1.0f / 8;
// Marks of the symbol font: an empty box and a box with a tick.
constexpr char kMarkOff = '\x6F';
constexpr char kMarkOn = '\xFE';

// The mark's font: bold "Wingdings" of the symbol set, 130 % of the client height.
void MakeMarkFont(HWND window, ControlState* s) {
    if (s->extraFont) DeleteObject(s->extraFont);
    RECT client;
    GetClientRect(window, &client);
    s->extraFont = CreateFontA(-(client.bottom * 13 / 10), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, SYMBOL_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Wingdings");
}

void Toggle(HWND window, ControlState* s) {
    s->value = s->value ? 0 : 1;
    s->flash = 0.0f;
    SetTimer(window, kTimerFlash, kFlashMs, nullptr);
    InvalidateRect(window, nullptr, FALSE);
    NotifyParent(window, kNotifyClicked);
}

void DrawCheck(HWND window, ControlState* s, HDC dc, const RECT& r) {
    const float hover = HoverLevel(s);
    const bool enabled = IsWindowEnabled(window) != 0;
    const bool markRight = (GetWindowLongA(window, GWL_STYLE) & kCheckMarkRight) != 0;
    const int cell = r.bottom;
    // The flash lights the mark fully right after a click and fades back.
    const float flash = s->value ? 1.0f - s->flash : 0.0f;
    const COLORREF text = enabled ? MixColour(s->text, s->highlight, hover) : DimColour(s->text, 0.45f);
    const COLORREF mark = MixColour(text, RGB(255, 255, 255), 0.6f * (flash > 0 ? flash : 0));

    RECT markBox = markRight ? RECT{r.right - cell - 2, 0, r.right, r.bottom} : RECT{0, 0, cell + 2, r.bottom};
    RECT textBox = markRight ? RECT{2, 0, r.right - cell - 6, r.bottom} : RECT{cell + 6, 0, r.right, r.bottom};
    char label[256];
    GetWindowTextA(window, label, sizeof label);
    SetTextColor(dc, text);
    DrawTextA(dc, label, -1, &textBox, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (s->extraFont) SelectObject(dc, s->extraFont);
    SetTextColor(dc, mark);
    const char glyph = s->value ? kMarkOn : kMarkOff;
    DrawTextA(dc, &glyph, 1, &markBox, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX | DT_NOCLIP);
    if (GetFocus() == window) FrameRectColour(dc, r, DimColour(s->highlight, 0.5f));
}

}  // namespace

LRESULT CALLBACK CheckProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleCommonMessage(window, message, wParam, lParam, &result)) return result;
    ControlState* s = GetControlState(window);
    if (!s) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_CREATE:
            s->flash = 1.0f;  // no flash until the first click
            MakeMarkFont(window, s);
            return 0;
        case kSetValue: {
            const int state = wParam ? 1 : 0;
            if (state != s->value) {
                s->value = state;
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        }
        case kGetValue:
            return s->value;
        case kIdentify:
            return kCheckIdentity;
        case WM_SIZE:
            MakeMarkFont(window, s);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetFocus(window);
            Toggle(window, s);
            return 0;
        case WM_CHAR:
            if (wParam == '\r' || wParam == ' ') Toggle(window, s);
            return 0;
        case WM_GETDLGCODE: {
            const MSG* m = reinterpret_cast<const MSG*>(lParam);
            if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) return DLGC_WANTMESSAGE;
            return DLGC_WANTCHARS;
        }
        case WM_CAPTURECHANGED:
            // Another window took the mouse: the hover ends at once.
            if (reinterpret_cast<HWND>(lParam) != window) {
                s->hover = false;
                s->fadeIn = 0.0f;
                s->fadeOut = 1.0f;
                KillTimer(window, kTimerFadeIn);
                KillTimer(window, kTimerFadeOut);
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_TIMER:
            if (wParam != kTimerFlash) break;
            s->flash += kFlashStep;
            if (s->flash >= 1.0f) {
                s->flash = 1.0f;
                KillTimer(window, kTimerFlash);
            }
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_PAINT:
            PaintBuffered(window, DrawCheck);
            return 0;
        default:
            break;
    }
    if (HandleHover(window, s, message, wParam, kCheckFadeMs, kCheckFadeStep)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}
