// Inside the online services: one request on its worker thread, reporting to its
// Transmission dialog. The dialog records nothing global but the number of open
// Transmission dialogs; each request knows its own dialog.
#pragma once

#include <windows.h>

constexpr int kAddressBufferSize = 65536;

// One request, zero-filled; the worker thread frees it.
struct TransferJob {
    bool feedback;           // false: the update check
    bool wantsUpdateInfo;    // the feedback form's two boxes
    bool wantsSoftwareNews;
    HWND dialog;             // set when the Transmission dialog exists
    char address[kAddressBufferSize];
};

// A zero-filled job, or null.
TransferJob* NewTransferJob();

HINSTANCE OnlineResourceModule();

// The Transmission dialog, modal: starts `job` once the dialog exists and returns
// when the user closes it (kOnlineDone or kOnlineDialogFailed). Takes the job.
int RunTransmissionDialog(HWND owner, TransferJob* job);
// The same dialog, modeless, owned by `owner`; false (job freed, nothing left open)
// when the dialog or the thread cannot be created. Takes the job.
bool OpenTransmissionDialog(HWND owner, TransferJob* job);
