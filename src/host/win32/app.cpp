#include "host/win32/app.h"

#include "effects/modules.h"
#include "host/cmdline.h"
#include "host/diagnostics.h"
#include "host/display_layout.h"
#include "host/saver_input.h"
#include "host/win32/displays.h"
#include "host/win32/late_dlls.h"
#include "host/win32/saver_window.h"
#include "net/win32/online.h"
#include "render/win32/bitmap_win32.h"
#include "render/win32/glcontext.h"
#include "settings/settings.h"
#include "settings/strings.h"
#include "settings/win32/presets.h"
#include "settings/win32/storage.h"
#include "settings/win32/ui_sound.h"
#include "sim/eval.h"
#include "sound/sound.h"
#include "ui/win32/about_page.h"
#include "ui/win32/controls.h"
#include "ui/win32/settings_window.h"

uint32_t startTick = 0;
HINSTANCE appInstance = nullptr;
HWND saverWindow = nullptr;
HWND settingsWindow = nullptr;
HWND fadeOverlay = nullptr;

namespace {

constexpr uint32_t kInvalidOption = 1001;
constexpr DWORD kCommonControlClasses = 0x4FF;
constexpr DWORD kIdlePriority = 0x40;

uint32_t g_fixedSeedValue = 0;
uint32_t FixedSeedClock() { return g_fixedSeedValue; }
uint32_t TickCountClock() { return GetTickCount(); }

int32_t LoadProgramBitmap(aBitmap& bitmap, int id) { return LoadBitmapResource(bitmap, id, nullptr); }

// The About page's online buttons: the update check, and the feedback form while
// no transmission runs.
void CheckVersionFromAbout(HWND owner) { CheckForNewVersion(owner); }
void SendFeedbackFromAbout(HWND owner) {
    if (!IsTransmissionOpen()) ShowFeedbackForm(owner);
}

// The settings window's and the preset commands' interface sounds 1 to 3.
void PlayNumberedUiSound(int sound) {
    if (sound == kInterfaceSoundGroup)
        PlayUiSound2();
    else if (sound == kInterfaceSoundPage)
        PlayUiSound3();
    else
        PlayUiSound1();
}

void InitSimulationAndEffects() {
    InitEvaluator();
    InitEffectModules();
    ResetSaverInput();
}

enum class LoopMode { kSaver, kPreview, kConfigure };

// The shared message loop: frames whenever the queue is empty and a saver
// window exists.
void RunMessageLoop() {
    SetFocus(saverWindow);
    MSG message;
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                // While the overlay exists a quit request may be one of its own;
                // one from the saver window's destruction still ends the loop.
                if (fadeOverlay && saverWindow && IsWindow(saverWindow)) continue;
                break;
            }
            if (HandleSettingsWindowKeys(&message) || HandleOnlineDialogKeys(&message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
            continue;
        }
        if (!saverWindow) {
            WaitMessage();
            continue;
        }
        FrameTick();
        if (fadeOverlay) {
            DestroyWindow(fadeOverlay);
            fadeOverlay = nullptr;
            TraceLine("overlay removed ms_since_start=%u", static_cast<unsigned>(GetTickCount() - startTick));
        }
    }
    if (fadeOverlay) {
        DestroyWindow(fadeOverlay);
        fadeOverlay = nullptr;
    }
}

// Steps (b) to (e) of the exit sequence (the owner's re-activation comes first
// and belongs to configuration mode).
void ExitSequence(bool showCursor) {
    EndEffectModules();
    ShutdownSound();
    RestoreDisplayMode(displayModes);
    if (showCursor) ShowCursor(TRUE);
    DestroyDisplayModeList(displayModes);
}

int RunSaverMode() {
    if (localOptions.detectMediaPlayer) {
        mediaPlayerFound = false;
        EnumWindows(FindMediaPlayer, 0);
        if (mediaPlayerFound) {
            UINT timeout = 0;
            if (!SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0)) timeout = 60;
            SystemParametersInfoA(SPI_SETSCREENSAVETIMEOUT, timeout, nullptr, 0);
            TraceLine("media_player_found");
            ExitSequence(false);
            return 0;
        }
    }

    CountDisplays();
    const int32_t screenWidth = localOptions.screenWidth;
    const int32_t screenHeight = localOptions.screenHeight;
    if (WantsDisplayModeChange(displayCount, screenWidth, screenHeight))
        ChangeDisplayMode(displayModes, screenWidth, screenHeight, localOptions.screenBits, localOptions.screenHz);

    const bool enumerated = EnumerateDisplays();
    if (!enumerated) UsePrimaryScreenOnly(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    if (diagnostics.testDisplays > 0) SplitIntoTestDisplays(desktopRect, diagnostics.testDisplays);
    ApplyMultiDisplayOverrides(settings, displayCount);
    TraceLine("displays count=%d desktop=%d,%d,%d,%d enumerated=%d text_zoom=%d", displayCount, desktopRect.left,
              desktopRect.top, desktopRect.right, desktopRect.bottom, enumerated ? 1 : 0, settings.textZoomIn);

    InitSimulationAndEffects();

    const DWORD exStyle = localOptions.alwaysOnTop ? WS_EX_TOPMOST : 0;
    saverWindow = CreateWindowExA(exStyle, kSaverClassName, kSaverClassName, WS_POPUP, desktopRect.left,
                                  desktopRect.top, RectWidth(desktopRect), RectHeight(desktopRect), nullptr, nullptr,
                                  appInstance, nullptr);
    if (!saverWindow) {
        ExitSequence(false);
        return 0;
    }

    if (localOptions.fadeOut && enumerated) {
        const RECT area{desktopRect.left, desktopRect.top, desktopRect.right, desktopRect.bottom};
        fadeOverlay = RunFadeOverlay(appInstance, area);
        TraceLine("overlay %s ms_since_start=%u", fadeOverlay ? "opaque" : "failed",
                  static_cast<unsigned>(GetTickCount() - startTick));
    }

    ShowWindow(saverWindow, SW_SHOW);
    InitSound(saverWindow);
    ShowCursor(FALSE);
    if (localOptions.reduceHardwareUsage) SetPriorityClass(GetCurrentProcess(), kIdlePriority);

    RunMessageLoop();
    ExitSequence(true);
    return 0;
}

int RunPreviewMode(const CommandLine& line) {
    HWND host = reinterpret_cast<HWND>(static_cast<intptr_t>(line.host));
    if (!line.hasHost || !IsWindow(host)) {
        // No host to draw into: nothing to preview.
        DestroyDisplayModeList(displayModes);
        return 0;
    }
    ApplyPreviewOverrides(settings);
    RECT area;
    GetWindowRect(host, &area);
    const int32_t width = area.right - area.left;
    const int32_t height = area.bottom - area.top;
    UsePrimaryScreenOnly(width, height);

    InitSimulationAndEffects();

    saverWindow = CreateWindowExA(0, kPreviewClassName, kPreviewClassName, WS_CHILD | WS_VISIBLE, 0, 0, width, height,
                                  host, nullptr, appInstance, nullptr);
    if (!saverWindow) {
        ExitSequence(false);
        return 0;
    }
    if (localOptions.reduceHardwareUsage) SetPriorityClass(GetCurrentProcess(), kIdlePriority);
    InitSound(saverWindow);
    RunMessageLoop();
    ExitSequence(false);
    return 0;
}

int RunConfigureMode(const CommandLine& line) {
    // Only the settings window and its dialogs use common controls: the other
    // modes never load their DLL (a start-up cost of its own under Wine).
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = kCommonControlClasses;
    late::InitCommonControlsEx(&controls);
    HWND owner = nullptr;
    if (line.hasOwner) {
        owner = GetParent(reinterpret_cast<HWND>(static_cast<uintptr_t>(line.owner)));
        if (owner) EnableWindow(owner, FALSE);
    }
    settingsWindow = CreateSettingsWindow(appInstance, owner, nullptr);
    if (settingsWindow) {
        InitSound(settingsWindow);
        ShowWindow(settingsWindow, SW_SHOW);
        RunMessageLoop();
    }
    if (owner) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
        BringWindowToTop(owner);
    }
    ExitSequence(false);
    return 0;
}

int RunImportMode(const CommandLine& line) {
    const int result = ImportPresetFile(nullptr, line.importPath);
    DestroyDisplayModeList(displayModes);
    return result == 0 ? 1 : 0;
}

}  // namespace

bool RegisterWindowClasses() {
    WNDCLASSEXA description;
    ZeroMemory(&description, sizeof description);
    description.cbSize = sizeof description;
    description.hInstance = appInstance;
    description.hIcon = LoadIconA(appInstance, "A");
    description.hCursor = LoadCursor(nullptr, IDC_ARROW);
    description.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));

    description.style = CS_SAVEBITS | CS_DBLCLKS;
    description.lpfnWndProc = SaverWindowProc;
    description.lpszClassName = kSaverClassName;
    if (!RegisterClassExA(&description)) return false;

    description.style = CS_DBLCLKS;
    description.lpfnWndProc = PreviewWindowProc;
    description.lpszClassName = kPreviewClassName;
    if (!RegisterClassExA(&description)) return false;

    if (!RegisterSettingsWindowClass(appInstance)) return false;
    RegisterBitmapButtonClass(appInstance);
    return true;
}

int RunScreensaver(HINSTANCE instance, const char* commandLine) {
    startTick = GetTickCount();
    appInstance = instance;
    ReadDiagnosticsOptions();
    TraceLine("start command=\"%s\"", commandLine ? commandLine : "");

    // The switch is read first: the full-screen and preview windows declare DPI
    // awareness before any window or display query, the settings window does not
    // (its layout is in fixed pixels, and Windows enlarges it as a whole).
    CommandLine line;
    ParseCommandLine(commandLine, &line);
    DpiAwareness awareness = kDpiUnaware;
    if (line.mode == SaverMode::kSaver || line.mode == SaverMode::kPreview) awareness = DeclareDpiAware();
    if (TraceEnabled())
        TraceLine("dpi awareness=%d pixels_per_inch=%d", static_cast<int>(awareness), ScreenPixelsPerInch());

    BuildDisplayModeList(displayModes);
    if (!RegisterWindowClasses()) {
        DestroyDisplayModeList(displayModes);
        return 0;
    }
    LoadSettings();
    RegisterPresetFileType();

    // Platform hooks of the portable parts.
    if (diagnostics.fixedSeed) {
        g_fixedSeedValue = diagnostics.seed;
        SetEvaluatorClock(FixedSeedClock);
    } else {
        SetEvaluatorClock(TickCountClock);
    }
    SetRendererBitmapLoader(LoadProgramBitmap);
    SetRendererMipmapBuilder(late::BuildMipmapsWithGlu);
    SetInterfaceSoundHook(PlayNumberedUiSound);
    SetAboutPageHandlers(AboutPageHandlers{SendFeedbackFromAbout, CheckVersionFromAbout, nullptr});
    InstallWin32ExtensionHooks();

    switch (line.mode) {
        case SaverMode::kSaver:
            return RunSaverMode();
        case SaverMode::kPreview:
            return RunPreviewMode(line);
        case SaverMode::kConfigure:
            return RunConfigureMode(line);
        case SaverMode::kImport:
            return RunImportMode(line);
        case SaverMode::kInvalid:
        default:
            MessageBoxA(nullptr, GetString(kInvalidOption), kProductCaption, MB_ICONINFORMATION);
            DestroyDisplayModeList(displayModes);
            return 0;
    }
}
