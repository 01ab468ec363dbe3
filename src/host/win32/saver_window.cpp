#include "host/win32/saver_window.h"

#include "effects/effects.h"
#include "host/diagnostics.h"
#include "host/display_table.h"
#include "host/frametime.h"
#include "host/saver_input.h"
#include "host/win32/app.h"
#include "render/gl_api.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "settings/strings.h"
#include "settings/win32/platform_strings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

GLContext* glContext = nullptr;
BitmapFont* counterFont = nullptr;
int32_t lastFrameMs = 0;
bool firstFrame = true;
bool mediaPlayerFound = false;

namespace {

constexpr uint32_t kCounterFace = 9001;
constexpr int32_t kTitleCapacity = 2048;

int32_t g_framesDone = 0;
uint32_t g_glErrors = 0;
bool g_testEffectStarted = false;

void OnEffectRun(int slot, bool running) {
    if (running && slot == diagnostics.effectSlot) g_testEffectStarted = true;
    TraceLine("effect %s name=%s frame=%d", running ? "start" : "end", GetEffectName(slot), g_framesDone);
}

// The diagnostic effect start: before its frame's simulation, once.
void StartTestEffect() {
    if (diagnostics.effectSlot < 0 || g_testEffectStarted || g_framesDone < diagnostics.effectFrame) return;
    TriggerEffect(diagnostics.effectSlot);
}

// Diagnostics: what the frame in the back buffer looks like (read back once a
// second while tracing), so that a run can be checked where the screen cannot
// be captured (a preview inside another program's window).
uint8_t* g_readback = nullptr;
size_t g_readbackSize = 0;
uint64_t g_lastPictureUs = 0;

void TracePicture(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return;
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    if (bytes > g_readbackSize) {
        FreeMemory(g_readback);
        g_readback = static_cast<uint8_t*>(AllocZeroed(bytes));
        g_readbackSize = g_readback ? bytes : 0;
        if (!g_readback) return;
    }
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, g_readback);
    double red = 0, green = 0, blue = 0;
    size_t lit = 0;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &g_readback[i * 4];
        red += p[0];
        green += p[1];
        blue += p[2];
        const uint8_t top = p[0] > p[1] ? (p[0] > p[2] ? p[0] : p[2]) : (p[1] > p[2] ? p[1] : p[2]);
        if (top > 24) ++lit;
    }
    TraceLine("picture frame=%d size=%dx%d lit=%.4f red=%.2f green=%.2f blue=%.2f", g_framesDone, width, height,
              static_cast<double>(lit) / count, red / count, green / count, blue / count);
}

LRESULT Close(HWND window) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

// The part of WM_CREATE both windows share.
void CreateRenderingContext(HWND window, bool accumulation, bool lowTextures) {
    glContext = CreateGLContext(window, false, accumulation);
    glContext->nearPlane = 0.01f;
    glContext->farPlane = 10.0f;
    MakeCurrent(glContext);
    SetOrthoProjection(glContext);
    renderer.directLayers = diagnostics.directLayers;
    renderer.wholeQuads = diagnostics.wholeQuads;
    renderer.measure = TraceEnabled();
    InitRenderer(window, lowTextures);
    SetEffectRunObserver(OnEffectRun);
    if (TraceEnabled()) {
        const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        const char* rendererName = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        TraceLine("renderer gl=\"%s\" device=\"%s\" direct=%d whole=%d vbo=%d mipmap=%d aniso=%d blur_size=%d "
                  "blur_frames=%d",
                  version ? version : "", rendererName ? rendererName : "", renderer.directLayers ? 1 : 0,
                  renderer.wholeQuads ? 1 : 0, renderer.vertexBuffers ? 1 : 0,
                  HasExtension(renderer.extensions, kExtGenerateMipmap) ? 1 : 0, renderer.maxAnisotropy,
                  renderer.motionBlurSize, renderer.motionBlurCount);
        for (int32_t i = 0; i < displayCount && i < kQuadDisplaySlots; ++i) {
            const DisplayGeometry& d = renderer.displays[i];
            TraceLine("grid display=%d origin=%d,%d size=%.0fx%.0f cells=%dx%d cell=%.3fx%.3f", i,
                      displayRects[i].left, displayRects[i].top, static_cast<double>(d.width),
                      static_cast<double>(d.height), settings.columns, settings.rows,
                      static_cast<double>(d.cellWidth), static_cast<double>(d.cellHeight));
        }
        const uint32_t error = TakeGLError();
        if (error) ++g_glErrors;
        TraceLine("init gl_error=0x%x", error);
    }
}

void ResizeRendering(HWND window, LPARAM lParam) {
    const int32_t width = LOWORD(lParam);
    const int32_t height = HIWORD(lParam);
    ResizeGLContext(glContext, width, height);
    SetRenderWindowSize(width, height);
    InvalidateRect(window, nullptr, TRUE);
}

void DestroyRendering(HWND window) {
    if (TraceEnabled()) {
        TraceTimingSummary("total");
        TraceLine("exit frames=%d gl_errors=%u", g_framesDone, g_glErrors);
    }
    ReleaseGLContext(window, glContext);
    glContext = nullptr;
    FreeMemory(counterFont);  // its display lists went with the context
    counterFont = nullptr;
}

ULONGLONG FileTimeValue(const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// Milliseconds from the creation of this process to now, and the processor
// time (all its threads, user and kernel) it has used by now.
void ProcessStartTimes(double* wallMs, double* cpuMs) {
    FILETIME created, exited, kernel, user, now;
    *wallMs = *cpuMs = -1.0;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG a = FileTimeValue(created), b = FileTimeValue(now);
    if (b >= a) *wallMs = static_cast<double>(b - a) / 10000.0;
    *cpuMs = static_cast<double>(FileTimeValue(kernel) + FileTimeValue(user)) / 10000.0;
}

}  // namespace

int FrameTick() {
    const DWORD t0 = GetTickCount();
    const uint64_t us0 = MonotonicMicros();
    // Without a rendering context only the GL operations are left out: the
    // rain, the mouse decay and the pacing go on (a failed context must not
    // spin a core behind a black window).
    const bool draws = glContext && glContext->renderingContext;

    DecayMouseMoves();
    if (draws) MakeCurrent(glContext);
    const bool hold = diagnostics.holdAfterFrames > 0 && g_framesDone >= diagnostics.holdAfterFrames;
    const int32_t frameMs = diagnostics.fixedFrameMs ? diagnostics.frameMs : lastFrameMs;
    int32_t units;
    if (hold) {
        // Test hold: the grids keep the last simulated frame.
        if (g_framesDone == diagnostics.holdAfterFrames) TraceLine("hold frame=%d", g_framesDone);
        // Once every remembered motion blur frame shows the held grids too.
        if (g_framesDone == diagnostics.holdAfterFrames + renderer.motionBlurCount + 2)
            TraceLine("hold steady frame=%d", g_framesDone);
        if (draws) ClearColorBuffer();
        units = 0;  // held time: the console intro stands still as well
    } else {
        ClearCodeGrids(displayCount);
        if (draws) ClearColorBuffer();
        StartTestEffect();
        units = AdvanceFrameTime(firstFrame, frameMs);
    }
    const uint64_t us1 = MonotonicMicros();

    if (draws) RenderFrame(units);
    const uint64_t us2 = MonotonicMicros();

    if (draws) {
        if (counterFont && localOptions.showCounters)
            DrawCounterLine(*counterFont, CounterFramesPerSecond(lastFrameMs), mouseMoves, CountActiveTracers());
        if (TraceEnabled() && (g_lastPictureUs == 0 || MonotonicMicros() - g_lastPictureUs >= 1000000)) {
            g_lastPictureUs = MonotonicMicros();
            TracePicture(glContext->width, glContext->height);
        }
        glFlush();
        SwapBuffers(glContext->deviceContext);
    }
    const uint64_t us3 = MonotonicMicros();

    ++g_framesDone;
    if (TraceEnabled()) {
        if (firstFrame) {
            double wallMs = 0.0, cpuMs = 0.0;
            ProcessStartTimes(&wallMs, &cpuMs);
            TraceLine("first_frame ms_since_process_start=%.1f cpu_ms=%.1f", wallMs, cpuMs);
        }
        const uint32_t error = draws ? TakeGLError() : 0;
        if (error) {
            ++g_glErrors;
            if (g_glErrors <= 8) TraceLine("gl_error frame=%d code=0x%x", g_framesDone, error);
        }
        RecordFrameTiming(FrameTiming{us1 - us0, us2 - us1, renderer.walkMicros, renderer.submitMicros, us3 - us2,
                                      us3 - us0, renderer.layersDrawn, renderer.gridFragments,
                                      renderer.smallFragments, renderer.composeFragments});
    }

    Sleep(FramePacingSleepMs(localOptions.reduceHardwareUsage != 0, lastFrameMs));
    firstFrame = false;
    lastFrameMs = static_cast<int32_t>(GetTickCount() - t0);
    return 0;
}

BOOL CALLBACK FindMediaPlayer(HWND window, LPARAM) {
    char title[kTitleCapacity];
    title[0] = '\0';
    GetWindowTextA(window, title, kTitleCapacity);
    if (TitleHasMediaPlayer(title)) {
        mediaPlayerFound = true;
        return FALSE;
    }
    return TRUE;
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetActiveWindow(window);
            SetFatalReportOwner(window);
            CreateRenderingContext(window, true, localOptions.extremeLowTextures != 0);
            counterFont = CreateBitmapFont(glContext, -14, 400, false, 1, 0x20, GetString(kCounterFace));
            // The system's font conversion may leave an error flag of its own;
            // it is logged apart from the renderer's.
            if (TraceEnabled()) TraceLine("font gl_error=0x%x", TakeGLError());
            return 0;
        case WM_SIZE:
            ResizeRendering(window, lParam);
            return 0;
        case WM_DESTROY:
            DestroyRendering(window);
            PostQuitMessage(0);
            return 0;
        case WM_ACTIVATEAPP:
            if (wParam) return 0;
            return Close(window);
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_SCREENSAVE:
                    return 0;
                case SC_CLOSE:
                    return Close(window);
                case SC_MONITORPOWER:
                    PostMessageA(window, WM_CLOSE, 0, 0);
                    break;
                default:
                    break;
            }
            break;
        case WM_KEYDOWN:
            if (HandleSaverKey(static_cast<int>(wParam)) == kInputClose) return Close(window);
            return 0;
        case WM_MOUSEMOVE:
            if (HandleSaverMouseMove(GetTickCount(), startTick) == kInputClose) return Close(window);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_MOUSEWHEEL:
            if (HandleSaverMouseButton(false) == kInputClose) return Close(window);
            return 0;
        case WM_MBUTTONDBLCLK:
            HandleSaverMouseButton(true);
            return Close(window);
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            SetFatalReportOwner(window);
            CreateRenderingContext(window, false, true);
            return 0;
        case WM_SIZE:
            ResizeRendering(window, lParam);
            return 0;
        case WM_ERASEBKGND:
            ClearScreen(glContext);
            return 1;
        case WM_CLOSE:
            DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            DestroyRendering(window);
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
