#include "host/win32/displays.h"

#include "host/display_layout.h"
#include "host/win32/system_proc.h"

#ifndef WS_EX_NOACTIVATE
#define WS_EX_NOACTIVATE 0x08000000L
#endif
#ifndef WS_EX_LAYERED
#define WS_EX_LAYERED 0x00080000
#endif
#ifndef LWA_ALPHA
#define LWA_ALPHA 0x00000002
#endif

namespace {

constexpr char kOverlayClass[] = "BLANK";
constexpr UINT_PTR kFadeTimer = 1;
constexpr UINT kFadePeriodMs = 10;
constexpr LONG_PTR kFadeStep = 15;

BOOL CALLBACK CountMonitor(HMONITOR, HDC, LPRECT, LPARAM) {
    ++displayCount;
    return displayCount < kDisplayCapacity ? TRUE : FALSE;
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM) {
    if (!rect) return TRUE;
    return AddEnumeratedDisplay(DisplayRect{rect->left, rect->top, rect->right, rect->bottom}) ? TRUE : FALSE;
}

// The class's procedure: installs the window's own procedure (the creation
// parameter) at WM_NCCREATE, so one class serves windows with other procedures.
LRESULT CALLBACK BootstrapProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        const LONG_PTR procedure = reinterpret_cast<LONG_PTR>(create->lpCreateParams);
        SetLastError(0);
        if (!procedure) return 0;
        if (SetWindowLongPtrA(window, GWLP_WNDPROC, procedure) == 0 && GetLastError() != 0) return 0;
        return CallWindowProcA(reinterpret_cast<WNDPROC>(procedure), window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK FadeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetTimer(window, kFadeTimer, kFadePeriodMs, nullptr);
            return 0;
        case WM_TIMER: {
            if (wParam != kFadeTimer) break;
            LONG_PTR alpha = GetWindowLongPtrA(window, GWLP_USERDATA);
            if (alpha > 254) {
                // Opaque: one quit request ends the nested loop; the timer stops
                // so that no further requests reach the saver's own loop.
                KillTimer(window, kFadeTimer);
                PostQuitMessage(0);
                return 0;
            }
            alpha += kFadeStep;
            SetLayeredWindowAttributes(window, 0, static_cast<BYTE>(alpha > 255 ? 255 : alpha), LWA_ALPHA);
            SetWindowLongPtrA(window, GWLP_USERDATA, alpha);
            return 0;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            FillRect(dc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SETCURSOR:
            SetCursor(nullptr);
            return TRUE;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

DpiAwareness DeclareDpiAware() {
    typedef BOOL(WINAPI * SetContextFn)(HANDLE);
    typedef HRESULT(WINAPI * SetAwarenessFn)(int);
    typedef BOOL(WINAPI * SetAwareFn)();
    const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
    constexpr int kProcessPerMonitorAware = 2;
    const HRESULT kAlreadySet = static_cast<HRESULT>(0x80070005L);  // E_ACCESSDENIED

    HMODULE user32 = GetModuleHandleA("user32.dll");
    const SetContextFn setContext = LibraryProcAs<SetContextFn>(user32, "SetProcessDpiAwarenessContext");
    if (setContext && setContext(kPerMonitorAwareV2)) return kDpiPerMonitorAwareV2;
    // shcore stays loaded: the process keeps what it declared.
    const SetAwarenessFn setAwareness = LibraryProcAs<SetAwarenessFn>(LoadLibraryA("shcore.dll"), "SetProcessDpiAwareness");
    if (setAwareness) {
        const HRESULT result = setAwareness(kProcessPerMonitorAware);
        if (result == S_OK || result == kAlreadySet) return kDpiPerMonitorAware;
    }
    const SetAwareFn setAware = LibraryProcAs<SetAwareFn>(user32, "SetProcessDPIAware");
    if (setAware && setAware()) return kDpiSystemAware;
    return kDpiUnaware;
}

int ScreenPixelsPerInch() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi;
}

void CountDisplays() {
    displayCount = 0;
    if (!EnumDisplayMonitors(nullptr, nullptr, CountMonitor, 0)) displayCount = 1;
    if (displayCount < 1) displayCount = 1;
}

bool EnumerateDisplays() {
    BeginDisplayEnumeration(kDisplayLogName);
    const BOOL ok = EnumDisplayMonitors(nullptr, nullptr, AddMonitor, 0);
    const bool any = EndDisplayEnumeration();
    return ok && any;
}

void BuildDisplayModeList(DisplayModeList& list) {
    ClearDisplayModeList(list);
    DEVMODEA mode;
    for (DWORD i = 0;; ++i) {
        ZeroMemory(&mode, sizeof mode);
        mode.dmSize = sizeof mode;
        if (!EnumDisplaySettingsA(nullptr, i, &mode)) break;
        AddDisplayMode(list, static_cast<int32_t>(mode.dmPelsWidth), static_cast<int32_t>(mode.dmPelsHeight),
                       static_cast<int32_t>(mode.dmBitsPerPel), mode.dmDisplayFrequency);
    }
}

bool ChangeDisplayMode(DisplayModeList& list, int32_t width, int32_t height, int32_t bits, int32_t hz) {
    DEVMODEA mode;
    ZeroMemory(&mode, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bits);
    mode.dmDisplayFrequency = static_cast<DWORD>(hz);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    if (bits != 0) mode.dmFields |= DM_BITSPERPEL;
    if (hz != 0) mode.dmFields |= DM_DISPLAYFREQUENCY;
    list.changed = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
    return list.changed;
}

bool RestoreDisplayMode(DisplayModeList& list) {
    if (!list.changed) return true;
    list.changed = false;
    return ChangeDisplaySettingsA(nullptr, 0) == DISP_CHANGE_SUCCESSFUL;
}

void DestroyDisplayModeList(DisplayModeList& list) {
    RestoreDisplayMode(list);
    ClearDisplayModeList(list);
}

HWND RunFadeOverlay(HINSTANCE instance, const RECT& rect) {
    WNDCLASSA overlayClass;
    ZeroMemory(&overlayClass, sizeof overlayClass);
    overlayClass.lpfnWndProc = BootstrapProc;
    overlayClass.hInstance = instance;
    overlayClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    overlayClass.lpszClassName = kOverlayClass;
    RegisterClassA(&overlayClass);  // a repeated registration fails harmlessly

    const DWORD exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_TRANSPARENT | WS_EX_LAYERED | WS_EX_NOACTIVATE;
    HWND overlay = CreateWindowExA(exStyle, kOverlayClass, nullptr, WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                                   rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance,
                                   reinterpret_cast<void*>(FadeProc));
    if (!overlay) return nullptr;

    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == -1) {
            DestroyWindow(overlay);
            return nullptr;
        }
        if (got == 0) break;
        DispatchMessageA(&message);
    }
    if (message.wParam != 0) {
        DestroyWindow(overlay);
        return nullptr;
    }
    return overlay;
}
