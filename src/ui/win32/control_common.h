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

ControlState* GetControlState(HWND window);
// WM_NCCREATE/WM_CREATE: allocates the block (white colours); false when it cannot.
bool CreateControlState(HWND window);
// WM_DESTROY: releases the block and the fonts the control made.
void DestroyControlState(HWND window);

// Messages every class answers alike (colours, fonts, hover fade timers).
// Returns true when `message` was handled; *result then holds the answer.
bool HandleCommonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// The mouse came in or moved (starts the fade in and asks for WM_MOUSELEAVE), or left.
void HoverEnter(HWND window, ControlState* s, UINT periodMs);
void HoverLeave(HWND window, ControlState* s, UINT periodMs);
// WM_TIMER of the fade timers: adds `step` to the running fade, stops it past 1.
// Returns false for other timers.
bool StepHoverFade(HWND window, ControlState* s, WPARAM timer, float step);
// 0 (no highlight) .. 1 (full highlight).
float HoverLevel(const ControlState* s);

void NotifyParent(HWND window, WORD code);

COLORREF MixColour(COLORREF a, COLORREF b, float t);  // t = 0 gives a, 1 gives b
COLORREF DimColour(COLORREF c, float factor);

// Paints through an off-screen bitmap of the client size; `draw` gets the memory
// device context with the control's font selected and the client rectangle.
void PaintBuffered(HWND window, void (*draw)(HWND, ControlState*, HDC, const RECT&));

void FillRectColour(HDC dc, const RECT& r, COLORREF colour);
void FrameRectColour(HDC dc, const RECT& r, COLORREF colour);
