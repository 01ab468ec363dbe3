#include "host/win32/setup_frame.h"

#include "render/win32/bitmap_win32.h"
#include "settings/memory.h"
#include "settings/win32/storage.h"

namespace {

// Per-window state of a bitmap button.
struct BitmapButtonState {
    HBITMAP pictures[3];  // normal, mouse over, pressed
    int state;            // index into pictures
};
enum : int { kStateNormal = 0, kStateOver = 1, kStatePressed = 2 };

BitmapButtonState* ButtonState(HWND window) {
    return reinterpret_cast<BitmapButtonState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void Notify(HWND button, WORD code) {
    HWND parent = GetParent(button);
    if (!parent) return;
    const int id = GetDlgCtrlID(button);
    PostMessageA(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(button));
}

void SetButtonState(HWND window, BitmapButtonState* s, int state) {
    if (s->state == state) return;
    s->state = state;
    InvalidateRect(window, nullptr, FALSE);
}

// The frame's banners, loaded once when it is created.
struct FrameState {
    aBitmap top;
    aBitmap bottom;
};
FrameState g_frame;

}  // namespace

bool RegisterBitmapButtonClass(HINSTANCE instance) {
    WNDCLASSEXA description;
    ZeroMemory(&description, sizeof description);
    description.cbSize = sizeof description;
    description.lpfnWndProc = BitmapButtonProc;
    description.hInstance = instance;
    description.hCursor = LoadCursor(nullptr, IDC_ARROW);
    description.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    description.lpszClassName = kBitmapButtonClassName;
    return RegisterClassExA(&description) != 0;
}

LRESULT CALLBACK BitmapButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    BitmapButtonState* s = ButtonState(window);
    switch (message) {
        case WM_CREATE: {
            s = static_cast<BitmapButtonState*>(AllocZeroed(sizeof(BitmapButtonState)));
            if (!s) return -1;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(s));
            return 0;
        }
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
            RECT client;
            GetClientRect(window, &client);
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const bool inside = PtInRect(&client, at) != 0;
            if (s->state == kStateNormal && inside) {
                SetCapture(window);
                SetButtonState(window, s, kStateOver);
                Notify(window, kBitmapButtonHover);
            } else if (s->state == kStateOver && !inside) {
                ReleaseCapture();  // WM_CAPTURECHANGED returns it to normal
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
            if (!s) break;
            SetCapture(window);
            SetButtonState(window, s, kStatePressed);
            return 0;
        case WM_LBUTTONUP:
            if (!s) break;
            if (s->state == kStatePressed) {
                SetButtonState(window, s, kStateOver);
                Notify(window, kBitmapButtonClicked);
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (s && reinterpret_cast<HWND>(lParam) != window) SetButtonState(window, s, kStateNormal);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            HBITMAP picture = s ? s->pictures[s->state] : nullptr;
            if (picture) {
                RECT client;
                GetClientRect(window, &client);
                BITMAP info;
                ZeroMemory(&info, sizeof info);
                GetObjectA(picture, sizeof info, &info);
                HDC memory = CreateCompatibleDC(dc);
                HGDIOBJ previous = SelectObject(memory, picture);
                StretchBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
                SelectObject(memory, previous);
                DeleteDC(memory);
            }
            EndPaint(window, &paint);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK SettingsFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            const HINSTANCE instance = reinterpret_cast<LPCREATESTRUCTA>(lParam)->hInstance;
            LoadBitmapResource(g_frame.top, kBannerTopId, instance);
            LoadBitmapResource(g_frame.bottom, kBannerBottomId, instance);
            HWND close = CreateWindowExA(0, kBitmapButtonClassName, "", WS_CHILD | WS_VISIBLE, kCloseButtonX, 0,
                                         kCloseButtonSize, kCloseButtonSize, window,
                                         reinterpret_cast<HMENU>(static_cast<intptr_t>(kCloseButtonId)), instance,
                                         nullptr);
            if (close) {
                const int ids[3] = {kClosePictureNormal, kClosePictureOver, kClosePicturePressed};
                for (int i = 0; i < 3; ++i) {
                    HBITMAP picture = LoadBitmapA(instance, MAKEINTRESOURCEA(ids[i]));
                    SendMessageA(close, kBitmapButtonSetNormal + i, 0, reinterpret_cast<LPARAM>(picture));
                }
            }
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            DrawBitmapToDevice(g_frame.top, dc, 0, 0);
            DrawBitmapToDevice(g_frame.bottom, dc, 0, kBannerBottomY);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_LBUTTONDOWN:
            if (static_cast<short>(HIWORD(lParam)) < kSetupDragBand) {
                // The top band moves the window like a caption.
                ReleaseCapture();
                SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
                return 0;
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == kCloseButtonId && HIWORD(wParam) == kBitmapButtonClicked) {
                PostMessageA(window, WM_CLOSE, 0, 0);
                return 0;
            }
            break;
        case WM_CLOSE:
            SaveSettings();
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
