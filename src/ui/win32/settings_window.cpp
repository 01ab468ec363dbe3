#include "ui/win32/settings_window.h"

#include <cstring>

#include "host/win32/late_dlls.h"
#include "render/win32/bitmap_win32.h"
#include "settings/settings.h"
#include "settings/win32/presets.h"
#include "settings/win32/storage.h"
#include "settings/win32/ui_sound.h"
#include "sound/sound.h"
#include "ui/win32/about_page.h"
#include "ui/win32/control_common.h"
#include "ui/win32/settings_state.h"

SettingsWindowState settingsState;

namespace {

constexpr int kDragBand = 40;
constexpr int kBannerTopId = 1001;
constexpr int kBannerBottomId = 1002;
constexpr int kBannerBottomY = 499;
constexpr int kClosePictureIds[3] = {1010, 1011, 1012};
constexpr int kCornerWidth = 30;
constexpr int kCornerHeight = 20;
constexpr COLORREF kFieldColour = RGB(8, 20, 10);

AboutPageHandlers g_about = {nullptr, nullptr, nullptr};
// The two banners, loaded when the window is created.
aBitmap g_banners[2];

double ChosenScreenAspect() {
    if (localOptions.screenWidth > 0 && localOptions.screenHeight > 0)
        return ScreenAspect(localOptions.screenWidth, localOptions.screenHeight);
    return ScreenAspect(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

void OpenAddress(HWND window, const char* address) {
    if (g_about.openAddress) {
        g_about.openAddress(window, address);
        return;
    }
    late::ShellExecuteA(window, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

// A slider, check box or edit changed its value.
void HandleValueChange(SettingsWindowState& state, int row, HWND control) {
    const ControlEntry& entry = GetControlEntry(row);
    if (entry.binding == kBindTextLine) {
        char text[kEditMaxLength + 1];
        GetWindowTextA(control, text, sizeof text);
        if (StoreTextLine(TextLineField(settings, entry), text)) UpdateLabels(state);
        return;
    }
    const int value = static_cast<int>(SendMessageA(control, kGetValue, 0, 0));
    ApplyControlValue(entry, value, settings, localOptions, state.easy, ChosenScreenAspect());
    RefreshControls(state, row);
    if (entry.binding == kBindLocalFlag && entry.field == offsetof(LocalOptionsRecord, soundEnabled)) {
        // The sound library follows the option at once; the page sound confirms it.
        if (localOptions.soundEnabled)
            InitSound(state.window);
        else
            ShutdownSound();
        PlayInterfaceSound(kInterfaceSoundPage);
    }
}

void HandleCommand(SettingsWindowState& state, int row, WORD code, HWND control) {
    const ControlEntry& entry = GetControlEntry(row);
    switch (entry.kind) {
    case kControlTick:
    case kControlEdit:
        if (code == kNotifyValueChanged) HandleValueChange(state, row, control);
        return;
    case kControlCheck:
        if (code != kNotifyClicked) return;
        if (SendMessageA(control, kIdentify, 0, 0) == kCheckIdentity) PlayInterfaceSound(kInterfaceSoundClick);
        HandleValueChange(state, row, control);
        return;
    case kControlCombo:
        if (code == CBN_SELCHANGE) HandleModeListChange(state, row);
        return;
    case kControlLink:
        if (code == STN_CLICKED) OpenAddress(state.window, kHomePageAddress);
        return;
    case kControlList:
        if (code == kNotifyActivate) {
            char name[kListTextCapacity];
            SelectedPreset(state, name, sizeof name);
            if (ActivatePreset(state.window, name) == kPresetCommandDone) {
                ResetEasySetupMemory(state.easy, settings);
                RefreshControls(state, -1);
            }
        }
        return;
    default:
        break;
    }
    if (code != kNotifyClicked) return;
    char name[kListTextCapacity];
    switch (entry.command) {
    case kCommandPage:
        if (entry.field != state.page) {
            ShowPage(state, entry.field, state.group);
            PlayInterfaceSound(kInterfaceSoundPage);
        }
        break;
    case kCommandGroup:
        if (entry.field != state.group) {
            ShowPage(state, state.page, entry.field);
            PlayInterfaceSound(kInterfaceSoundGroup);
        }
        break;
    case kCommandSavePreset: SavePresetAs(state.window, &PresetSink(state)); break;
    case kCommandDeletePreset:
        SelectedPreset(state, name, sizeof name);
        DeletePreset(state.window, name, &PresetSink(state));
        break;
    case kCommandExportPreset:
        SelectedPreset(state, name, sizeof name);
        ExportPreset(state.window, name);
        break;
    case kCommandImportPreset: ImportPresetWithDialog(state.window, &PresetSink(state)); break;
    case kCommandSendFeedback:
        PlayInterfaceSound(kInterfaceSoundClick);
        if (g_about.sendFeedback) g_about.sendFeedback(state.window);
        break;
    case kCommandCheckVersion:
        PlayInterfaceSound(kInterfaceSoundClick);
        if (g_about.checkForNewVersion) g_about.checkForNewVersion(state.window);
        break;
    case kCommandBaseColour:
    case kCommandAccentColour: ShowColourMenu(state, row); break;
    case kCommandClose: PostMessageA(state.window, WM_CLOSE, 0, 0); break;
    default: break;
    }
}

void Create(HWND window, const CREATESTRUCTA& create) {
    SettingsWindowState& state = settingsState;
    std::memset(&state, 0, sizeof state);
    state.window = window;
    state.instance = create.hInstance;
    state.resources = static_cast<HMODULE>(create.lpCreateParams);
    state.group = 1;
    state.fieldBrush = CreateSolidBrush(kFieldColour);
    RegisterCustomControls(create.hInstance);
    RegisterBitmapButtonClass(create.hInstance);
    LoadBitmapResource(g_banners[0], kBannerTopId, state.resources);
    LoadBitmapResource(g_banners[1], kBannerBottomId, state.resources);
    for (int i = 0; i < 3; ++i)
        state.closePictures[i] = LoadBitmapA(state.resources ? state.resources : GetModuleHandleA(nullptr),
                                             MAKEINTRESOURCEA(kClosePictureIds[i]));
    BuildColourMenus(state);
    CreateControls(state);
    ResetEasySetupMemory(state.easy, settings);
    FillModeLists(state);
    RefreshPresets(state);
    RefreshControls(state, -1);
    CreateStrips(state);
    ShowPage(state, 0, state.group);
}

void Destroy(SettingsWindowState& state) {
    DestroyColourMenus(state);
    for (HBITMAP& picture : state.closePictures)
        if (picture) DeleteObject(picture);
    if (state.linkFont) DeleteObject(state.linkFont);
    if (state.ownFont) DeleteObject(state.ownFont);
    if (state.fieldBrush) DeleteObject(state.fieldBrush);
    std::memset(&state, 0, sizeof state);
}

HBRUSH ColourStatic(const SettingsWindowState& state, HDC dc, HWND control) {
    const int row = ControlIndexFromId(GetDlgCtrlID(control));
    const bool link = row >= 0 && GetControlEntry(row).kind == kControlLink;
    SetTextColor(dc, link ? kControlHighlightColour : kControlTextColour);
    SetBkColor(dc, 0);
    SetBkMode(dc, TRANSPARENT);
    (void)state;
    return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
}

LRESULT CALLBACK SettingsWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SettingsWindowState& state = settingsState;
    switch (message) {
    case WM_CREATE:
        Create(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        DrawBitmapToDevice(g_banners[0], dc, 0, 0);
        DrawBitmapToDevice(g_banners[1], dc, 0, kBannerBottomY);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_LBUTTONDOWN:
        if (static_cast<short>(HIWORD(lParam)) < kDragBand) {
            // The top band moves the window like a caption.
            ReleaseCapture();
            SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
            return 0;
        }
        break;
    case WM_MOVE:
        PlaceStrips(state);
        break;
    case WM_SHOWWINDOW:
        ShowStrips(state, wParam != 0);
        break;
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(ColourStatic(state, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)));
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, kControlTextColour);
        SetBkColor(dc, kFieldColour);
        return reinterpret_cast<LRESULT>(state.fieldBrush);
    }
    case WM_DRAWITEM:
        DrawColourButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case WM_SETCURSOR: {
        const int row = ControlIndexFromId(GetDlgCtrlID(reinterpret_cast<HWND>(wParam)));
        if (row >= 0 && GetControlEntry(row).kind == kControlLink) {
            SetCursor(LoadCursor(nullptr, IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDCANCEL && lParam == 0) {  // Escape
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 0;
        }
        if (HIWORD(wParam) == 0 && lParam == 0 && HandleColourCommand(state, id)) return 0;
        const int row = ControlIndexFromId(id);
        if (row >= 0 && reinterpret_cast<HWND>(lParam) == state.controls[row])
            HandleCommand(state, row, HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    }
    case WM_CLOSE:
        SaveSettings();
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        Destroy(state);
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void SetAboutPageHandlers(const AboutPageHandlers& handlers) { g_about = handlers; }
const AboutPageHandlers& GetAboutPageHandlers() { return g_about; }

bool RegisterSettingsWindowClass(HINSTANCE instance) {
    const bool registered =
        RegisterWindowClass(instance, kSettingsClassName, SettingsWindowProc, CS_DBLCLKS, LoadIconA(instance, "A"));
    return RegisterStripClass(instance) && registered;
}

HWND CreateSettingsWindow(HINSTANCE instance, HWND owner, HMODULE resources) {
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - kSettingsWidth / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - 269;
    HWND window = CreateWindowExA(WS_EX_CONTROLPARENT, kSettingsClassName, kSettingsClassName,
                                  WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, x, y, kSettingsWidth, kSettingsHeight, owner,
                                  nullptr, instance, resources);
    if (window)
        SetWindowRgn(window, CreateRoundRectRgn(0, 0, kSettingsWidth, kSettingsHeight, kCornerWidth, kCornerHeight),
                     TRUE);
    return window;
}

bool HandleSettingsWindowKeys(MSG* message) {
    HWND window = settingsState.window;
    if (!window || !message) return false;
    if (message->hwnd != window && !IsChild(window, message->hwnd)) return false;
    return IsDialogMessageA(window, message) != 0;
}
