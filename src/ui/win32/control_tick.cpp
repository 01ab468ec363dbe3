// The slider: 256 positions, dragged with the mouse or moved with the keys.
#include "ui/win32/control_common.h"

namespace {

constexpr UINT kTickFadeMs = 15;
constexpr float kTickFadeStep = 1.0f / 24;
constexpr int kTickMax = 255;
constexpr int kPageStep = 16;

bool IsVertical(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & kTickVertical) != 0; }

// The position under a mouse point; the 2-pixel margins are the ends of the track.
int PositionAt(HWND window, LPARAM lParam) {
    RECT client;
    GetClientRect(window, &client);
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    int p;
    if (IsVertical(window)) {
        const int span = client.bottom - 4;
        p = span > 0 ? kTickMax - ((y - 2) * kTickMax) / span : 0;
    } else {
        const int span = client.right - 4;
        p = span > 0 ? ((x - 2) * kTickMax) / span : 0;
    }
    return p < 0 ? 0 : (p > kTickMax ? kTickMax : p);
}

// Moves to `p` (clamped) and tells the parent when the position changed.
void MoveTo(HWND window, ControlState* s, int p) {
    if (p < 0) p = 0;
    if (p > kTickMax) p = kTickMax;
    if (p == s->value) return;
    s->value = p;
    InvalidateRect(window, nullptr, FALSE);
    NotifyParent(window, kNotifyValueChanged);
}

void DrawTick(HWND window, ControlState* s, HDC dc, const RECT& r) {
    const float hover = HoverLevel(s);
    const bool enabled = IsWindowEnabled(window) != 0;
    const COLORREF text = enabled ? s->text : DimColour(s->text, 0.4f);
    const COLORREF lit = MixColour(text, s->highlight, enabled ? hover : 0.0f);
    const bool vertical = IsVertical(window);
    const int length = vertical ? r.bottom - 4 : r.right - 4;
    const int at = 2 + (s->value * length) / kTickMax;
    if (vertical) {
        const int cx = r.right / 2;
        const int y = r.bottom - at;
        FillRectColour(dc, RECT{cx - 2, 2, cx + 2, r.bottom - 2}, DimColour(text, 0.22f));
        FillRectColour(dc, RECT{cx - 2, y, cx + 2, r.bottom - 2}, DimColour(lit, 0.7f));
        FillRectColour(dc, RECT{1, y - 3, r.right - 1, y + 3}, lit);
    } else {
        const int cy = r.bottom / 2;
        FillRectColour(dc, RECT{2, cy - 2, r.right - 2, cy + 2}, DimColour(text, 0.22f));
        FillRectColour(dc, RECT{2, cy - 2, at, cy + 2}, DimColour(lit, 0.7f));
        // Tick marks at every eighth of the track.
        for (int i = 0; i <= 8; ++i) {
            const int x = 2 + i * length / 8;
            FillRectColour(dc, RECT{x, cy + 4, x + 1, cy + 6}, DimColour(text, 0.35f));
        }
        const RECT thumb{at - 3, 1, at + 4, r.bottom - 1};
        FillRectColour(dc, thumb, DimColour(lit, 0.55f));
        FrameRectColour(dc, thumb, lit);
    }
    if (GetFocus() == window) FrameRectColour(dc, r, DimColour(s->highlight, 0.5f));
}

}  // namespace

LRESULT CALLBACK TickProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleCommonMessage(window, message, wParam, lParam, &result)) return result;
    ControlState* s = GetControlState(window);
    if (!s) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case kSetValue:
            // Positions above 255 are ignored (a stored value the slider cannot show).
            if (wParam <= static_cast<WPARAM>(kTickMax) && static_cast<int>(wParam) != s->value) {
                s->value = static_cast<int>(wParam);
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case kGetValue:
            return s->value;
        case WM_LBUTTONDOWN:
            SetCapture(window);
            SetFocus(window);
            MoveTo(window, s, PositionAt(window, lParam));
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() == window && (wParam & MK_LBUTTON)) MoveTo(window, s, PositionAt(window, lParam));
            break;
        case WM_LBUTTONUP:
            if (GetCapture() == window) ReleaseCapture();
            return 0;
        case WM_CAPTURECHANGED:  // a drag ended outside: the fade follows where the mouse is now
            HoverLeaveUnlessUnderMouse(window, s, kTickFadeMs);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS;
        case WM_KEYDOWN: {
            const bool vertical = IsVertical(window);
            switch (wParam) {
                case VK_HOME: MoveTo(window, s, 0); break;
                case VK_END: MoveTo(window, s, kTickMax); break;
                case VK_RIGHT: if (!vertical) MoveTo(window, s, s->value + 1); break;
                case VK_UP: if (vertical) MoveTo(window, s, s->value + 1); break;
                case VK_LEFT:
                case VK_DOWN: MoveTo(window, s, s->value - 1); break;
                case VK_PRIOR: MoveTo(window, s, s->value + kPageStep); break;
                case VK_NEXT: MoveTo(window, s, s->value - kPageStep); break;
                default: break;
            }
            return 0;
        }
        case WM_PAINT:
            PaintBuffered(window, DrawTick);
            return 0;
        default:
            break;
    }
    if (HandleHover(window, s, message, wParam, kTickFadeMs, kTickFadeStep)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}
