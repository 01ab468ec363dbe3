// The custom controls of the settings window: owner-painted window classes that
// share one look (black background, text colour, a highlight that fades in while
// the mouse is over a control), with their private messages and notifications.
//
// Every control posts WM_COMMAND to its parent with its identifier in the low
// word, its window in lParam and a notification code in the high word (below).
// Every one of them can be reached and changed from the keyboard: the classes
// answer WM_GETDLGCODE so that IsDialogMessage moves the focus with Tab and
// leaves arrows, Space and Enter to the control.
#pragma once

#include <windows.h>

constexpr char kButtonClassName[] = "aCCtrlButtonClass";
constexpr char kBitmapButtonClassName[] = "BitmapButtonClass";
constexpr char kDividerClassName[] = "VelDividerClass";
constexpr char kTickClassName[] = "VelTickClass";
constexpr char kCheckClassName[] = "VelCheckClass";
constexpr char kListClassName[] = "VelListClass";
constexpr char kIndexClassName[] = "VelIndexClass";
constexpr char kTitleClassName[] = "VelTitleClass";
constexpr char kEditClassName[] = "VelEditClass";

// Colours the settings window gives every control (COLORREF); a control starts
// with white for both until its owner sets them.
constexpr COLORREF kControlTextColour = 0x7FDF7F;
constexpr COLORREF kControlHighlightColour = 0x3FFF3F;

// ---- private messages ----------------------------------------------------------
constexpr UINT kSetTextColour = WM_USER + 0x01;       // lParam: COLORREF
constexpr UINT kSetValue = WM_USER + 0x02;            // tick: position 0..255 (others ignored); check: state
constexpr UINT kGetValue = WM_USER + 0x03;            // tick: position; check: 0 or 1
constexpr UINT kSetHighlightColour = WM_USER + 0x04;  // lParam: COLORREF (slider, check box)
constexpr UINT kIdentify = WM_USER + 0xC7;            // check box answers kCheckIdentity
constexpr LRESULT kCheckIdentity = 0xACEC;

// aCCtrlButtonClass: wParam non-zero shows the button as the chosen one of its row
// (the page column and the effect selector keep their choice lit).
constexpr UINT kButtonSetLatched = WM_USER + 0x10;

// BitmapButtonClass: the pictures (HBITMAP in lParam) of the normal, mouse-over and
// pressed states; a picture that is already set is ignored.
constexpr UINT kBitmapButtonSetNormal = WM_USER + 0x02;
constexpr UINT kBitmapButtonSetOver = WM_USER + 0x03;
constexpr UINT kBitmapButtonSetPressed = WM_USER + 0x04;

// VelListClass. Items are copied (at most kListTextCapacity - 1 characters each,
// at most kListMaxItems of them).
constexpr int kListTextCapacity = 2048;
constexpr int kListMaxItems = 10000;
constexpr int kListRowHeight = 18;
constexpr UINT kListClear = WM_USER + 0x20;         // removes every item and the selection
constexpr UINT kListAppend = WM_USER + 0x21;        // lParam: text; returns its index or -1
constexpr UINT kListFinish = WM_USER + 0x22;        // all items given: updates the indicator, repaints
constexpr UINT kListGetSelection = WM_USER + 0x23;  // the selected index or -1
constexpr UINT kListSetSelection = WM_USER + 0x24;  // wParam: index (-1: none); no notification
constexpr UINT kListGetText = WM_USER + 0x25;       // wParam: index, lParam: buffer of kListTextCapacity; length or -1
constexpr UINT kListGetCount = WM_USER + 0x26;
constexpr UINT kListGetTop = WM_USER + 0x27;        // index of the first row shown

// VelIndexClass (inside a list): the item count and the selected index (-1 while
// the list has no focus).
constexpr UINT kIndexSetCount = WM_USER + 0x02;
constexpr UINT kIndexSetSelection = WM_USER + 0x03;

// VelEditClass: wParam is the font of the inner "EDIT" (WM_SETFONT does the same).
// WM_SETTEXT and WM_GETTEXT reach the inner edit, which holds at most
// kEditMaxLength characters.
constexpr UINT kEditSetFont = WM_USER + 0x02;
constexpr int kEditMaxLength = 127;

// ---- styles ----------------------------------------------------------------------
constexpr DWORD kTickVertical = 0x0004;     // style bit 2: a vertical slider
constexpr DWORD kCheckMarkRight = 0x0001;   // the text first, the mark at the right end

// ---- notification codes (high word of WM_COMMAND) ------------------------------
constexpr WORD kNotifyClicked = 0;          // buttons, check boxes
constexpr WORD kNotifyValueChanged = 0x400; // sliders, edits
constexpr WORD kNotifySelection = 1;        // list: the selection moved
constexpr WORD kNotifyActivate = 2;         // list: double click or Enter
constexpr WORD kNotifyBitmapHover = 2;      // bitmap button: the mouse came in

// Registers every class but BitmapButtonClass (start-up registers that one). A
// class that is already registered counts as registered.
bool RegisterCustomControls(HINSTANCE instance);
bool RegisterBitmapButtonClass(HINSTANCE instance);
