// The GL context of a window (WGL): creation with a pixel format that respects
// desktop composition, a cached make-current, the y-down orthographic projection,
// bitmap fonts and text, and the platform hooks of the extension registry.
#pragma once

#include <windows.h>

#include <cstdint>

#include "render/render.h"

constexpr int kGLNoContext = -11;
constexpr int kGLNullRecord = -10;

struct GLContext {
    HDC deviceContext;
    HGLRC renderingContext;  // null: every operation returns -11
    int32_t width;           // client size used for viewport and projection
    int32_t height;
    float nearPlane;  // kept for the window's own use
    float farPlane;
};

// A new record for the window (never null); see the failure notes in the .cpp.
GLContext* CreateGLContext(HWND window, bool depthStencil, bool accumulation);
int MakeCurrent(GLContext* context);
int ReleaseGLContext(HWND window, GLContext* context);
int SetOrthoProjection(GLContext* context);
int ResizeGLContext(GLContext* context, int32_t width, int32_t height);
int ClearScreen(GLContext* context);
// A new font (256 display lists), or null without a rendering context.
BitmapFont* CreateBitmapFont(GLContext* context, int height, int weight, bool italic, DWORD charset,
                             DWORD pitchAndFamily, const char* faceName);
int PrintText(GLContext* context, const BitmapFont* font, int32_t x, int32_t y, const char* format, ...);

// The pixel format flags CreateGLContext asks for (tests).
DWORD GLContextPixelFormatFlags(bool composition);
// Whether the desktop reports composition through dwmapi (false without it).
bool IsDesktopCompositionEnabled();
// How many times MakeCurrent actually switched contexts (tests).
uint32_t GLContextSwitchCount();

// Installs wglGetProcAddress as the extension resolver and the "Ostra Engine"
// message box as the stub's report.
void InstallWin32ExtensionHooks();
