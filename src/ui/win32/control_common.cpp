#include "ui/win32/control_common.h"

#include "settings/memory.h"

LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK DividerProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TitleProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK TickProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK CheckProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK IndexProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK BitmapButtonProc(HWND, UINT, WPARAM, LPARAM);

namespace {

int Channel(COLORREF c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

bool CreateControlState(HWND window) {
    auto* s = static_cast<ControlState*>(AllocZeroed(sizeof(ControlState)));
    if (!s) return false;
    s->text = 0xFFFFFF;
    s->highlight = 0xFFFFFF;
    s->fadeOut = 1.0f;  // at rest: no highlight until the mouse comes
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
    return true;
}

void DestroyControlState(HWND window) {
    ControlState* s = GetControlState(window);
    if (!s) return;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    if (s->extraFont) DeleteObject(s->extraFont);
    FreeMemory(s);
}

void HoverEnter(HWND window, ControlState* s, UINT periodMs) {
    if (!s->tracking) {
        TRACKMOUSEEVENT track;
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window;
        track.dwHoverTime = 0;
        s->tracking = TrackMouseEvent(&track) != 0;
    }
    if (s->hover) return;
    const float level = HoverLevel(s);
    s->hover = true;
    s->fadeIn = level;
    KillTimer(window, kTimerFadeOut);
    SetTimer(window, kTimerFadeIn, periodMs, nullptr);
}

bool StepHoverFade(HWND window, ControlState* s, WPARAM timer, float step) {
    float* level = timer == kTimerFadeIn ? &s->fadeIn : timer == kTimerFadeOut ? &s->fadeOut : nullptr;
    if (!level) return false;
    *level += step;
    if (*level >= 1.0f) {
        *level = 1.0f;
        KillTimer(window, timer);
    }
    InvalidateRect(window, nullptr, FALSE);
    return true;
}

}  // namespace

bool RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, UINT style, HICON icon) {
    WNDCLASSEXA description;
    ZeroMemory(&description, sizeof description);
    description.cbSize = sizeof description;
    description.style = style;
    description.lpfnWndProc = procedure;
    description.hInstance = instance;
    description.hIcon = icon;
    description.hCursor = LoadCursor(nullptr, IDC_ARROW);
    description.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    description.lpszClassName = name;
    if (RegisterClassExA(&description)) return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool RegisterCustomControls(HINSTANCE instance) {
    bool ok = RegisterWindowClass(instance, kButtonClassName, ButtonProc, 0);
    ok = RegisterWindowClass(instance, kDividerClassName, DividerProc, 0) && ok;
    ok = RegisterWindowClass(instance, kTitleClassName, TitleProc, 0) && ok;
    ok = RegisterWindowClass(instance, kTickClassName, TickProc, 0) && ok;
    ok = RegisterWindowClass(instance, kCheckClassName, CheckProc, 0) && ok;
    ok = RegisterWindowClass(instance, kListClassName, ListProc, CS_DBLCLKS) && ok;
    ok = RegisterWindowClass(instance, kIndexClassName, IndexProc, 0) && ok;
    ok = RegisterWindowClass(instance, kEditClassName, EditProc, 0) && ok;
    return ok;
}

bool RegisterBitmapButtonClass(HINSTANCE instance) {
    return RegisterWindowClass(instance, kBitmapButtonClassName, BitmapButtonProc, 0);
}

ControlState* GetControlState(HWND window) {
    return reinterpret_cast<ControlState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool HandleCommonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (message == WM_NCCREATE) {
        *result = CreateControlState(window) ? DefWindowProcA(window, message, wParam, lParam) : FALSE;
        return true;
    }
    if (message == WM_NCDESTROY) {
        DestroyControlState(window);
        *result = DefWindowProcA(window, message, wParam, lParam);
        return true;
    }
    ControlState* s = GetControlState(window);
    if (!s) return false;
    *result = 0;
    switch (message) {
        case kSetTextColour:
            s->text = static_cast<COLORREF>(lParam);
            InvalidateRect(window, nullptr, FALSE);
            return true;
        case kSetHighlightColour:
            s->highlight = static_cast<COLORREF>(lParam);
            InvalidateRect(window, nullptr, FALSE);
            return true;
        case WM_SETFONT:
            s->font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam)) InvalidateRect(window, nullptr, FALSE);
            return true;
        case WM_GETFONT:
            *result = reinterpret_cast<LRESULT>(s->font);
            return true;
        case WM_ERASEBKGND:
            *result = 1;  // painting covers the whole client area
            return true;
        case WM_ENABLE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(window, nullptr, FALSE);
            return true;
        case WM_SETTEXT:
            *result = DefWindowProcA(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, FALSE);
            return true;
        default:
            return false;
    }
}

bool HandleHover(HWND window, ControlState* s, UINT message, WPARAM wParam, UINT periodMs, float step) {
    switch (message) {
        case WM_MOUSEMOVE:
            HoverEnter(window, s, periodMs);
            return true;
        case WM_MOUSELEAVE:
            s->tracking = false;
            if (GetCapture() != window) HoverLeave(window, s, periodMs);
            return true;
        case WM_TIMER:
            return StepHoverFade(window, s, wParam, step);
        default:
            return false;
    }
}

void HoverLeave(HWND window, ControlState* s, UINT periodMs) {
    if (!s->hover) return;
    s->hover = false;
    s->fadeOut = 1.0f - s->fadeIn;
    KillTimer(window, kTimerFadeIn);
    SetTimer(window, kTimerFadeOut, periodMs, nullptr);
}

void HoverLeaveUnlessUnderMouse(HWND window, ControlState* s, UINT periodMs) {
    POINT at;
    GetCursorPos(&at);
    if (WindowFromPoint(at) != window) HoverLeave(window, s, periodMs);
}

bool IsInClientArea(HWND window, LPARAM lParam) {
    RECT client;
    GetClientRect(window, &client);
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return PtInRect(&client, at) != 0;
}

float HoverLevel(const ControlState* s) {
    const float level = s->hover ? s->fadeIn : 1.0f - s->fadeOut;
    return level < 0.0f ? 0.0f : (level > 1.0f ? 1.0f : level);
}

void NotifyParent(HWND window, WORD code) {
    HWND parent = GetParent(window);
    if (!parent) return;
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), code), reinterpret_cast<LPARAM>(window));
}

COLORREF MixColour(COLORREF a, COLORREF b, float t) {
    if (t < 0.0f) t = 0.0f;
    if (t > 1.0f) t = 1.0f;
    int out[3];
    for (int i = 0; i < 3; ++i) {
        const int ca = Channel(a, 8 * i), cb = Channel(b, 8 * i);
        out[i] = ca + static_cast<int>((cb - ca) * t);
    }
    return RGB(out[0], out[1], out[2]);
}

COLORREF DimColour(COLORREF c, float factor) { return MixColour(0, c, factor); }

HDC BeginBufferedPaint(HWND window, HFONT font, BufferedPaint& b) {
    b.target = BeginPaint(window, &b.paint);
    b.memory = nullptr;
    GetClientRect(window, &b.client);
    if (b.client.right <= 0 || b.client.bottom <= 0) return nullptr;
    b.memory = CreateCompatibleDC(b.target);
    b.bitmap = CreateCompatibleBitmap(b.target, b.client.right, b.client.bottom);
    b.oldBitmap = SelectObject(b.memory, b.bitmap);
    b.oldFont = SelectObject(b.memory, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(b.memory, TRANSPARENT);
    FillRectColour(b.memory, b.client, 0);
    return b.memory;
}

void EndBufferedPaint(HWND window, BufferedPaint& b) {
    if (b.memory) {
        BitBlt(b.target, 0, 0, b.client.right, b.client.bottom, b.memory, 0, 0, SRCCOPY);
        SelectObject(b.memory, b.oldFont);
        SelectObject(b.memory, b.oldBitmap);
        DeleteObject(b.bitmap);
        DeleteDC(b.memory);
    }
    EndPaint(window, &b.paint);
}

void PaintBuffered(HWND window, void (*draw)(HWND, ControlState*, HDC, const RECT&)) {
    ControlState* s = GetControlState(window);
    BufferedPaint buffer;
    if (HDC dc = BeginBufferedPaint(window, s ? s->font : nullptr, buffer)) {
        if (s) draw(window, s, dc, buffer.client);
    }
    EndBufferedPaint(window, buffer);
}

void FillRectColour(HDC dc, const RECT& r, COLORREF colour) {
    const COLORREF old = SetBkColor(dc, colour);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void FrameRectColour(HDC dc, const RECT& r, COLORREF colour) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    FillRectColour(dc, RECT{r.left, r.top, r.right, r.top + 1}, colour);
    FillRectColour(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, colour);
    FillRectColour(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, colour);
    FillRectColour(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, colour);
}
