// Inside the online services: one request on its worker thread, reporting to its
// Transmission dialog. The dialog records nothing global but the number of open
// Transmission dialogs and the handles of the modeless ones (whose keys the message
// loop hands to them); each request knows its own dialog.
#pragma once

#include <windows.h>

#include <cstdint>

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
// The same dialog, modeless, owned by `owner`. Takes the job. Returns 0 when the
// dialog is open and the request started; otherwise the id of the string that
// says what failed (the dialog or the thread), with the job freed and nothing left open.
uint32_t OpenTransmissionDialog(HWND owner, TransferJob* job);
// Ids of the strings that say why a request could not start.
constexpr uint32_t kNoMemoryForRequestId = 9203;
constexpr uint32_t kNoRequestAddressId = 9204;
constexpr uint32_t kNoTransmissionDialogId = 9205;
constexpr uint32_t kNoRequestThreadId = 9206;
