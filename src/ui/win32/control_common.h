// Shared parts of the custom control classes: the state block every control keeps
// in its window, colour arithmetic, the hover fade and buffered painting.
#pragma once

#include <windows.h>

#include "ui/win32/controls.h"

struct ListItems;

// Zero-filled when the control is created, freed when it is destroyed.
struct ControlState {
    COLORREF text;       // kSetTextColour
    COLORREF highlight;  // kSetHighlightColour
    int value;           // slider position, check state, list selection
    float fadeIn;        // 0..1 while the mouse is over the control (timer 1)
    float fadeOut;       // 0..1 after it left (timer 2)
    float flash;         // check box click flash, 1 fading to 0 (timer 3)
    bool hover;
    bool tracking;       // TrackMouseEvent asked for WM_MOUSELEAVE
    bool pressed;
    bool latched;        // a button shown as chosen
    HFONT font;          // WM_SETFONT
    HFONT extraFont;     // a font the control made itself (title, mark), deleted with it
    HWND child;          // the inner edit or the list's indicator
    ListItems* items;    // list only
    int top;             // list: first row shown
    int count;           // index: item count
};

enum : UINT_PTR { kTimerFadeIn = 1, kTimerFadeOut = 2, kTimerFlash = 3 };

// Registers a window class with the black background and the arrow cursor; a
// class that exists already counts as registered.
bool RegisterWindowClass(HINSTANCE instance, const char* name, WNDPROC procedure, UINT style, HICON icon = nullptr);

ControlState* GetControlState(HWND window);

// Messages every class answers alike: the state block's life (made on
// WM_NCCREATE, white colours; released with the fonts the control made on
// WM_NCDESTROY), the two colours, fonts, background erasing, focus and enabling
// repaints. Returns true when `message` was handled; *result then holds the answer.
bool HandleCommonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// The hover fade: WM_MOUSEMOVE starts the fade in (and asks for WM_MOUSELEAVE),
// WM_MOUSELEAVE the fade out (not while the control holds the mouse), the fade
// timers add `step` per tick of `periodMs`. Returns true when `message` was one of them.
bool HandleHover(HWND window, ControlState* s, UINT message, WPARAM wParam, UINT periodMs, float step);
void HoverLeave(HWND window, ControlState* s, UINT periodMs);
// The control lost the mouse capture (a drag or a press ended): it fades out
// unless the mouse is over it now, as if WM_MOUSELEAVE had not been held back.
void HoverLeaveUnlessUnderMouse(HWND window, ControlState* s, UINT periodMs);
// Whether the mouse position in a mouse message's lParam lies in the client area.
bool IsInClientArea(HWND window, LPARAM lParam);
// 0 (no highlight) .. 1 (full highlight).
float HoverLevel(const ControlState* s);

void NotifyParent(HWND window, WORD code);

COLORREF MixColour(COLORREF a, COLORREF b, float t);  // t = 0 gives a, 1 gives b
COLORREF DimColour(COLORREF c, float factor);

// Painting through an off-screen bitmap of the client size: Begin returns the
// memory device context (black, `font` selected, transparent text), or null when
// there is nothing to paint; End copies it to the window.
struct BufferedPaint {
    PAINTSTRUCT paint;
    HDC target;
    HDC memory;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    HGDIOBJ oldFont;
    RECT client;
};
HDC BeginBufferedPaint(HWND window, HFONT font, BufferedPaint& buffer);
void EndBufferedPaint(HWND window, BufferedPaint& buffer);
// The same for a control: `draw` gets its state, the memory context and the client rectangle.
void PaintBuffered(HWND window, void (*draw)(HWND, ControlState*, HDC, const RECT&));

void FillRectColour(HDC dc, const RECT& r, COLORREF colour);
void FrameRectColour(HDC dc, const RECT& r, COLORREF colour);
