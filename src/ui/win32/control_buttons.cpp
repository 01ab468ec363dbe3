// The push button with text, the picture-only button, the divider line and the
// title label.
#include "settings/memory.h"
#include "ui/win32/control_common.h"

namespace {

constexpr UINT kButtonFadeMs = 15;

// Space and Enter press a focused button (Enter is kept from the dialog keys).
LRESULT PressKeys(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETDLGCODE) {
        const MSG* m = reinterpret_cast<const MSG*>(lParam);
        return m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN ? DLGC_WANTMESSAGE : DLGC_BUTTON;
    }
    if (wParam == VK_SPACE || wParam == VK_RETURN) NotifyParent(window, kNotifyClicked);
    return 0;
}
constexpr float kButtonFadeStep = 1.0f / 24;

void DrawButton(HWND window, ControlState* s, HDC dc, const RECT& r) {
    const float hover = HoverLevel(s);
    const bool focus = GetFocus() == window;
    const COLORREF edge = s->latched ? s->highlight : MixColour(DimColour(s->text, 0.45f), s->highlight, hover);
    // A vertical gradient from a dark top to a lighter bottom, lit more by the hover
    // and most when the button is the chosen one.
    const float base = s->latched ? 0.34f : 0.10f + 0.16f * hover;
    const int height = r.bottom - r.top;
    for (int y = 1; y < height - 1; ++y) {
        const float t = static_cast<float>(y) / height;
        const COLORREF c = DimColour(s->latched ? s->highlight : s->text, base * (0.45f + 0.55f * t));
        FillRectColour(dc, RECT{r.left + 1, y, r.right - 1, y + 1}, c);
    }
    FrameRectColour(dc, r, edge);
    if (focus) FrameRectColour(dc, RECT{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}, DimColour(s->highlight, 0.6f));

    char text[256];
    GetWindowTextA(window, text, sizeof text);
    RECT area{r.left + 4, r.top + 2, r.right - 4, r.bottom - 2};
    if (s->pressed) OffsetRect(&area, 1, 1);
    // Centred vertically: measure the wrapped text first.
    RECT measured = area;
    DrawTextA(dc, text, -1, &measured, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    const int textHeight = measured.bottom - measured.top;
    area.top += (area.bottom - area.top - textHeight) / 2;
    const bool enabled = IsWindowEnabled(window) != 0;
    SetTextColor(dc, !enabled ? DimColour(s->text, 0.5f)
                              : s->latched ? s->highlight : MixColour(s->text, s->highlight, hover));
    DrawTextA(dc, text, -1, &area, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

void DrawDivider(HWND, ControlState* s, HDC dc, const RECT& r) {
    // A line that is brightest in the middle and fades out towards both ends.
    const bool vertical = r.bottom - r.top > r.right - r.left;
    const int length = vertical ? r.bottom : r.right;
    const int centre = vertical ? r.right / 2 : r.bottom / 2;
    for (int i = 0; i < length; ++i) {
        const float t = 1.0f - (2.0f * i / length - 1.0f) * (2.0f * i / length - 1.0f);
        const COLORREF c = DimColour(s->text, 0.8f * t);
        const COLORREF glow = DimColour(s->text, 0.25f * t);
        if (vertical) {
            FillRectColour(dc, RECT{centre - 2, i, centre + 3, i + 1}, glow);
            FillRectColour(dc, RECT{centre, i, centre + 1, i + 1}, c);
        } else {
            FillRectColour(dc, RECT{i, centre - 2, i + 1, centre + 3}, glow);
            FillRectColour(dc, RECT{i, centre, i + 1, centre + 1}, c);
        }
    }
}

// The first line of a title is its heading, in the highlight colour and bold; the
// rest (after the line breaks) is a remark in the text colour.
void DrawTitle(HWND window, ControlState* s, HDC dc, const RECT& r) {
    char text[512];
    GetWindowTextA(window, text, sizeof text);
    const char* rest = text;
    while (*rest && *rest != '\n') ++rest;
    const int headingLength = static_cast<int>(rest - text);
    RECT area = r;
    if (s->extraFont) SelectObject(dc, s->extraFont);
    SetTextColor(dc, s->highlight);
    RECT measured = area;
    DrawTextA(dc, text, headingLength, &measured, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_CALCRECT);
    DrawTextA(dc, text, headingLength, &area, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    // A fading rule under the heading.
    const int ruleY = measured.bottom + 1;
    for (int x = 0; x < r.right; ++x)
        FillRectColour(dc, RECT{x, ruleY, x + 1, ruleY + 1}, DimColour(s->text, 0.6f * (1.0f - static_cast<float>(x) / r.right)));
    if (*rest) {
        SelectObject(dc, s->font ? s->font : GetStockObject(DEFAULT_GUI_FONT));
        SetTextColor(dc, s->text);
        area.top = ruleY + 3;
        while (*rest == '\n') ++rest;
        DrawTextA(dc, rest, -1, &area, DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    }
}

}  // namespace

LRESULT CALLBACK ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleCommonMessage(window, message, wParam, lParam, &result)) return result;
    ControlState* s = GetControlState(window);
    if (!s) return DefWindowProcA(window, message, wParam, lParam);
    if (HandleHover(window, s, message, wParam, kButtonFadeMs, kButtonFadeStep)) return 0;
    switch (message) {
        case kButtonSetLatched:
            if (s->latched != (wParam != 0)) {
                s->latched = wParam != 0;
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetCapture(window);
            if (GetWindowLongA(window, GWL_STYLE) & WS_TABSTOP) SetFocus(window);
            s->pressed = true;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            const bool wasPressed = s->pressed;
            s->pressed = false;
            if (GetCapture() == window) ReleaseCapture();
            InvalidateRect(window, nullptr, FALSE);
            if (wasPressed && IsInClientArea(window, lParam)) NotifyParent(window, kNotifyClicked);
            return 0;
        }
        case WM_CAPTURECHANGED:
            // Pressed, dragged off and released: the button looks like one the
            // mouse is not over (its WM_MOUSELEAVE came while it held the mouse).
            if (reinterpret_cast<HWND>(lParam) != window) {
                s->pressed = false;
                InvalidateRect(window, nullptr, FALSE);
                HoverLeaveUnlessUnderMouse(window, s, kButtonFadeMs);
            }
            return 0;
        case WM_GETDLGCODE:
        case WM_KEYDOWN:
            return PressKeys(window, message, wParam, lParam);
        case WM_PAINT:
            PaintBuffered(window, DrawButton);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK DividerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleCommonMessage(window, message, wParam, lParam, &result)) return result;
    if (message == WM_PAINT) {
        PaintBuffered(window, DrawDivider);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TitleProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    ControlState* s = GetControlState(window);
    if (s && message == WM_SETFONT) {
        // The heading is a bold version of the font the title is given.
        if (s->extraFont) DeleteObject(s->extraFont);
        s->extraFont = nullptr;
        LOGFONTA description;
        if (wParam && GetObjectA(reinterpret_cast<HFONT>(wParam), sizeof description, &description)) {
            description.lfWeight = FW_BOLD;
            s->extraFont = CreateFontIndirectA(&description);
        }
    }
    if (HandleCommonMessage(window, message, wParam, lParam, &result)) return result;
    if (message == WM_NCHITTEST) return HTTRANSPARENT;
    if (message == WM_PAINT) {
        PaintBuffered(window, DrawTitle);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// ---- BitmapButtonClass ---------------------------------------------------------

namespace {

enum : int { kPictureNormal = 0, kPictureOver = 1, kPicturePressed = 2 };

// The bitmap button keeps its three pictures and its state in a block of its own.
struct BitmapButtonState {
    HBITMAP pictures[3];
    int state;
};

BitmapButtonState* PictureState(HWND window) {
    return reinterpret_cast<BitmapButtonState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void SetPictureState(HWND window, BitmapButtonState* s, int state) {
    if (s->state == state) return;
    s->state = state;
    InvalidateRect(window, nullptr, FALSE);
}

}  // namespace

LRESULT CALLBACK BitmapButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    BitmapButtonState* s = PictureState(window);
    switch (message) {
        case WM_CREATE:
            s = static_cast<BitmapButtonState*>(AllocZeroed(sizeof(BitmapButtonState)));
            if (!s) return -1;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
            return 0;
        case WM_DESTROY:
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            FreeMemory(s);
            return 0;
        case kBitmapButtonSetNormal:
        case kBitmapButtonSetOver:
        case kBitmapButtonSetPressed: {
            if (!s) return 0;
            HBITMAP& slot = s->pictures[message - kBitmapButtonSetNormal];
            HBITMAP picture = reinterpret_cast<HBITMAP>(lParam);
            if (slot == picture) return 0;
            slot = picture;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        }
        case WM_MOUSEMOVE: {
            if (!s) break;
            const bool inside = IsInClientArea(window, lParam);
            if (s->state == kPictureNormal && inside) {
                SetCapture(window);
                SetPictureState(window, s, kPictureOver);
                NotifyParent(window, kNotifyBitmapHover);
            } else if (s->state == kPictureOver && !inside) {
                ReleaseCapture();  // WM_CAPTURECHANGED returns it to normal
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
            if (!s) break;
            SetCapture(window);
            SetPictureState(window, s, kPicturePressed);
            return 0;
        case WM_LBUTTONUP:
            if (!s) break;
            if (s->state != kPicturePressed) return 0;
            // Only a release over the button clicks it; one elsewhere lets go.
            if (IsInClientArea(window, lParam)) {
                SetPictureState(window, s, kPictureOver);
                NotifyParent(window, kNotifyClicked);
            } else {
                SetPictureState(window, s, kPictureNormal);
                if (GetCapture() == window) ReleaseCapture();
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (s && reinterpret_cast<HWND>(lParam) != window) SetPictureState(window, s, kPictureNormal);
            return 0;
        case WM_GETDLGCODE:
        case WM_KEYDOWN:
            return PressKeys(window, message, wParam, lParam);
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            HBITMAP picture = s ? s->pictures[s->state] : nullptr;
            RECT client;
            GetClientRect(window, &client);
            if (picture) {
                BITMAP info;
                ZeroMemory(&info, sizeof info);
                GetObjectA(picture, sizeof info, &info);
                HDC memory = CreateCompatibleDC(dc);
                HGDIOBJ previous = SelectObject(memory, picture);
                StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, info.bmWidth, info.bmHeight,
                           SRCCOPY);
                SelectObject(memory, previous);
                DeleteDC(memory);
            }
            if (GetFocus() == window) FrameRectColour(dc, client, kControlHighlightColour);
            EndPaint(window, &paint);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
