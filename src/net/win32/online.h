// The two online actions of the About page, each taking the window that owns its
// dialogs and message boxes:
//  - CheckForNewVersion asks the server for the newest version number on a worker
//    thread and shows the Transmission dialog (103) modally until the user closes it;
//  - ShowFeedbackForm shows the feedback form (102) modally; its "Send" leaves the
//    Transmission dialog open (modeless, owned by `owner`) while a worker thread
//    delivers the record, so the owner's thread must keep dispatching messages.
// Every request ends in a message box and the word "Finished." in the Transmission
// dialog, whose OK button is enabled then; Cancel closes it at any time.
#pragma once

#include <windows.h>

// Dialog 102: the feedback form.
constexpr int kFeedbackDialogId = 102;
constexpr char kFeedbackDialogCaption[] = "The Korvan Selwyth Screensaver: Feedback";
constexpr int kFeedbackEmailId = 101;
constexpr int kFeedbackCountryId = 102;
constexpr int kFeedbackAgeId = 103;
constexpr int kFeedbackMessageId = 104;
constexpr int kFeedbackUpdateInfoId = 105;
constexpr int kFeedbackSoftwareNewsId = 106;
constexpr int kFeedbackMarkId = 109;  // the tiny mark in the bottom-left corner
constexpr int kFeedbackNameId = 111;

// Dialog 103: the Transmission dialog (IDOK, IDCANCEL, a progress bar of 0..10 and
// the status line).
constexpr int kTransmissionDialogId = 103;
constexpr char kTransmissionDialogCaption[] = "Transmission";
constexpr int kTransmissionProgressId = 101;
constexpr int kTransmissionStatusId = 105;

enum OnlineResult : int {
    kOnlineDone = 0,          // the dialog was shown and closed, or the feedback is on its way
    kOnlineCancelled = 1,     // the feedback form was cancelled
    kOnlineBusy = -1,         // a Transmission dialog is already open: nothing was shown
    kOnlineDialogFailed = -2, // a dialog or the worker thread could not be created
};

int CheckForNewVersion(HWND owner);
int ShowFeedbackForm(HWND owner);

// True while a Transmission dialog is open (the About page then does not open
// another feedback form).
bool IsTransmissionOpen();

// Gives the dialog keys (Escape, Enter, Tab) of an open modeless Transmission
// dialog to it (IsDialogMessage); the message loop of the thread that opened the
// feedback form calls it for every message. True when the message was handled.
bool HandleOnlineDialogKeys(MSG* message);

// Where dialogs 102 and 103 come from; the program's own module unless set.
void SetOnlineResourceModule(HINSTANCE module);

// Receives the address the update check would hand to the shell instead of opening
// it (tests); null restores ShellExecuteA.
typedef void (*ShellOpenHook)(const char* address);
void SetShellOpenHook(ShellOpenHook hook);
