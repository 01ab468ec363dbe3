#include "render/win32/glcontext.h"

#include <cstdarg>

#include "host/win32/system_proc.h"
#include "render/gl_api.h"
#include "settings/memory.h"

#ifndef PFD_SUPPORT_COMPOSITION
#define PFD_SUPPORT_COMPOSITION 0x00008000
#endif

namespace {

HDC g_currentDevice = nullptr;
HGLRC g_currentContext = nullptr;
bool g_cacheValid = false;
uint32_t g_switches = 0;
// Stands in when a record cannot be allocated: it has no rendering context, so
// every operation on it reports -11.
GLContext g_emptyRecord{};

ExtensionProc ResolveWithWgl(const char* name) {
    PROC proc = wglGetProcAddress(name);
    const intptr_t value = reinterpret_cast<intptr_t>(proc);
    // Some drivers report failure with small values instead of null.
    if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1) return nullptr;
    return AsSystemProc(proc);
}

void ShowStubReport(const char* caption, const char* text) {
    MessageBoxA(nullptr, text, caption, MB_ICONHAND);
}

}  // namespace

DWORD GLContextPixelFormatFlags(bool composition) {
    DWORD flags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_SWAP_EXCHANGE;
    if (composition) flags |= PFD_SUPPORT_COMPOSITION;
    return flags;
}

bool IsDesktopCompositionEnabled() {
    HMODULE dwm = LoadLibraryA("dwmapi");
    if (!dwm) return false;
    typedef HRESULT(WINAPI * IsEnabledFn)(BOOL*);
    const auto isEnabled = LibraryProcAs<IsEnabledFn>(dwm, "DwmIsCompositionEnabled");
    BOOL enabled = FALSE;
    const bool result = isEnabled && SUCCEEDED(isEnabled(&enabled)) && enabled;
    FreeLibrary(dwm);
    return result;
}

uint32_t GLContextSwitchCount() { return g_switches; }

GLContext* CreateGLContext(HWND window, bool depthStencil, bool accumulation) {
    GLContext* context = static_cast<GLContext*>(AllocZeroed(sizeof(GLContext)));
    if (!context) return &g_emptyRecord;
    context->deviceContext = GetDC(window);

    PIXELFORMATDESCRIPTOR pfd;
    ZeroMemory(&pfd, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = GLContextPixelFormatFlags(IsDesktopCompositionEnabled());
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cRedBits = 8;
    pfd.cRedShift = 16;
    pfd.cGreenBits = 8;
    pfd.cGreenShift = 8;
    pfd.cBlueBits = 8;
    pfd.cBlueShift = 0;
    if (accumulation) {
        pfd.cAccumBits = 32;
        pfd.cAccumRedBits = 8;
        pfd.cAccumGreenBits = 8;
        pfd.cAccumBlueBits = 8;
        pfd.cAccumAlphaBits = 8;
    }
    pfd.cDepthBits = depthStencil ? 32 : 24;
    pfd.cStencilBits = depthStencil ? 8 : 0;

    const int format = ChoosePixelFormat(context->deviceContext, &pfd);
    SetLastError(0);
    SetPixelFormat(context->deviceContext, format, &pfd);
    context->renderingContext = wglCreateContext(context->deviceContext);
    MakeCurrent(context);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    // The clear colour is the window class's background colour.
    HBRUSH brush = reinterpret_cast<HBRUSH>(GetClassLongPtrA(window, GCLP_HBRBACKGROUND));
    LOGBRUSH info;
    ZeroMemory(&info, sizeof info);
    if (brush && GetObjectA(brush, sizeof info, &info) == sizeof info) {
        glClearColor(GetRValue(info.lbColor) / 255.0f, GetGValue(info.lbColor) / 255.0f,
                     GetBValue(info.lbColor) / 255.0f, 1.0f);
    } else {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    }
    return context;
}

int MakeCurrent(GLContext* context) {
    if (!context || !context->renderingContext) return kGLNoContext;
    if (g_cacheValid && g_currentDevice == context->deviceContext && g_currentContext == context->renderingContext)
        return 0;
    g_currentDevice = context->deviceContext;
    g_currentContext = context->renderingContext;
    g_cacheValid = true;
    ++g_switches;
    wglMakeCurrent(context->deviceContext, context->renderingContext);
    return 0;
}

int ReleaseGLContext(HWND window, GLContext* context) {
    if (!context) return kGLNullRecord;
    wglMakeCurrent(nullptr, nullptr);
    g_cacheValid = false;
    g_currentDevice = nullptr;
    g_currentContext = nullptr;
    if (context->renderingContext) wglDeleteContext(context->renderingContext);
    if (context->deviceContext) ReleaseDC(window, context->deviceContext);
    context->renderingContext = nullptr;
    context->deviceContext = nullptr;
    if (context != &g_emptyRecord) FreeMemory(context);
    return 0;
}

int SetOrthoProjection(GLContext* context) {
    const int result = MakeCurrent(context);
    if (result != 0) return result;
    ApplyOrthoProjection(context->width, context->height);
    return 0;
}

int ResizeGLContext(GLContext* context, int32_t width, int32_t height) {
    if (!context || !context->renderingContext) return kGLNoContext;
    context->width = width;
    context->height = height;
    return SetOrthoProjection(context);
}

int ClearScreen(GLContext* context) {
    const int result = MakeCurrent(context);
    if (result != 0) return result;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return 0;
}

BitmapFont* CreateBitmapFont(GLContext* context, int height, int weight, bool italic, DWORD charset,
                             DWORD pitchAndFamily, const char* faceName) {
    if (MakeCurrent(context) != 0) return nullptr;
    BitmapFont* font = static_cast<BitmapFont*>(AllocZeroed(sizeof(BitmapFont)));
    if (!font) return nullptr;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    font->listBase = glGenLists(256);
    font->listCount = 256;
    HFONT created = CreateFontA(height, 0, 0, 0, weight, italic ? TRUE : FALSE, FALSE, FALSE, charset,
                                OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, pitchAndFamily, faceName);
    HGDIOBJ previous = SelectObject(context->deviceContext, created);
    SIZE size{0, 0};
    if (GetTextExtentPoint32A(context->deviceContext, "A", 1, &size)) font->charWidth = size.cx;
    if (!wglUseFontBitmapsA(context->deviceContext, 0, 256, font->listBase))
        wglUseFontBitmapsA(context->deviceContext, 0, 256, font->listBase);
    SelectObject(context->deviceContext, previous);
    DeleteObject(created);
    return font;
}

int PrintText(GLContext* context, const BitmapFont* font, int32_t x, int32_t y, const char* format, ...) {
    const int result = MakeCurrent(context);
    if (result != 0) return result;
    if (!format) return -1;
    if (!font) return -1;
    va_list args;
    va_start(args, format);
    const int printed = PrintTextV(*font, x, y, format, args);
    va_end(args);
    return printed;
}

void InstallWin32ExtensionHooks() {
    SetExtensionResolver(ResolveWithWgl);
    SetExtensionStubReport(ShowStubReport);
}
