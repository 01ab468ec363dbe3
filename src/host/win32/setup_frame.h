// The configuration window's frame: the window of class "The Korvan Selwyth -
// Setup" with its banners, its draggable top band and its close button, which
// stores both option records when it closes. The pages of the settings window
// are built inside this frame.
#pragma once

#include <windows.h>

constexpr int kSetupWidth = 500;
constexpr int kSetupHeight = 539;
constexpr int kSetupDragBand = 40;
constexpr int kBannerTopId = 1001;
constexpr int kBannerBottomId = 1002;
constexpr int kBannerBottomY = 499;
constexpr int kCloseButtonId = 1;
constexpr int kCloseButtonX = 476;
constexpr int kCloseButtonSize = 24;
constexpr int kClosePictureNormal = 1010;
constexpr int kClosePictureOver = 1011;
constexpr int kClosePicturePressed = 1012;

constexpr char kBitmapButtonClassName[] = "BitmapButtonClass";
// Private messages of the bitmap button: the picture (an HBITMAP in lParam) of
// the normal, mouse-over and pressed states.
constexpr UINT kBitmapButtonSetNormal = WM_USER + 2;
constexpr UINT kBitmapButtonSetOver = WM_USER + 3;
constexpr UINT kBitmapButtonSetPressed = WM_USER + 4;
// Notification codes (high word of WM_COMMAND) the button posts to its parent.
constexpr WORD kBitmapButtonClicked = 0;
constexpr WORD kBitmapButtonHover = 2;

LRESULT CALLBACK SettingsFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers BitmapButtonClass (solid black background, arrow cursor).
bool RegisterBitmapButtonClass(HINSTANCE instance);
LRESULT CALLBACK BitmapButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
