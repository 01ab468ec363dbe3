// The full-screen saver window and the preview window: their procedures, the
// frame tick the message loop runs whenever the queue is empty, and the window
// title test that keeps the saver from starting over a media player.
#pragma once

#include <windows.h>

#include <cstdint>

#include "render/win32/glcontext.h"

// State of the frame loop (main thread only).
extern GLContext* glContext;
extern BitmapFont* counterFont;
extern int32_t lastFrameMs;
extern bool firstFrame;
extern bool mediaPlayerFound;

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One frame: grids, simulation and effects, rendering, counters, swap, pacing.
// Returns 0. Without a GL context the frame is simulated and paced but not drawn.
int FrameTick();

// EnumWindows callback: sets mediaPlayerFound and stops at a title containing
// "Media Player".
BOOL CALLBACK FindMediaPlayer(HWND window, LPARAM);
