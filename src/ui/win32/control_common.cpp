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

bool RegisterOne(HINSTANCE instance, const char* name, WNDPROC procedure, UINT style) {
    WNDCLASSEXA description;
    ZeroMemory(&description, sizeof description);
    description.cbSize = sizeof description;
    description.style = style;
    description.lpfnWndProc = procedure;
    description.hInstance = instance;
    description.hCursor = LoadCursor(nullptr, IDC_ARROW);
    description.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    description.lpszClassName = name;
    if (RegisterClassExA(&description)) return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

int Channel(COLORREF c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

}  // namespace

bool RegisterCustomControls(HINSTANCE instance) {
    bool ok = RegisterOne(instance, kButtonClassName, ButtonProc, 0);
    ok = RegisterOne(instance, kDividerClassName, DividerProc, 0) && ok;
    ok = RegisterOne(instance, kTitleClassName, TitleProc, 0) && ok;
    ok = RegisterOne(instance, kTickClassName, TickProc, 0) && ok;
    ok = RegisterOne(instance, kCheckClassName, CheckProc, 0) && ok;
    ok = RegisterOne(instance, kListClassName, ListProc, CS_DBLCLKS) && ok;
    ok = RegisterOne(instance, kIndexClassName, IndexProc, 0) && ok;
    ok = RegisterOne(instance, kEditClassName, EditProc, 0) && ok;
    return ok;
}

bool RegisterBitmapButtonClass(HINSTANCE instance) {
    return RegisterOne(instance, kBitmapButtonClassName, BitmapButtonProc, 0);
}

ControlState* GetControlState(HWND window) {
    return reinterpret_cast<ControlState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

bool CreateControlState(HWND window) {
    auto* s = static_cast<ControlState*>(AllocZeroed(sizeof(ControlState)));
    if (!s) return false;
    s->text = 0xFFFFFF;
    s->highlight = 0xFFFFFF;
    s->value = 0;
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

bool HandleCommonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    ControlState* s = GetControlState(window);
    if (!s) return false;
    *result = 0;
    switch (message) {
        case kSetTextColour:
            s->text = static_cast<COLORREF>(lParam);
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

void HoverLeave(HWND window, ControlState* s, UINT periodMs) {
    if (!s->hover) return;
    s->hover = false;
    s->fadeOut = 1.0f - s->fadeIn;
    KillTimer(window, kTimerFadeIn);
    SetTimer(window, kTimerFadeOut, periodMs, nullptr);
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

void PaintBuffered(HWND window, void (*draw)(HWND, ControlState*, HDC, const RECT&)) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    ControlState* s = GetControlState(window);
    RECT client;
    GetClientRect(window, &client);
    if (s && client.right > 0 && client.bottom > 0) {
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        HGDIOBJ oldFont = SelectObject(memory, s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(memory, TRANSPARENT);
        FillRectColour(memory, client, 0);
        draw(window, s, memory, client);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldFont);
        SelectObject(memory, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(memory);
    }
    EndPaint(window, &paint);
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
