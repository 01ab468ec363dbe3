#include "net/win32/transmission.h"

#include <atomic>
#include <cstdio>

#include "host/win32/late_dlls.h"
#include "net/endpoints.h"
#include "net/feedback.h"
#include "net/version_file.h"
#include "net/win32/http_get.h"
#include "net/win32/online.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "settings/strings.h"

namespace {

constexpr uint32_t kConnectionFailedId = 9401;
constexpr uint32_t kServerProblemId = 9402;
constexpr uint32_t kDeliveredId = 9403;
constexpr uint32_t kFinishedId = 9410;
constexpr uint32_t kNewVersionId = 9420;
constexpr uint32_t kNewestVersionId = 9421;

constexpr int kProgressSteps = 10;
// The status line with "Finished." appended is cut to this many bytes (terminator
// included): the update check's line is shorter than the feedback's.
constexpr int kUpdateStatusLimit = 216;
constexpr int kFeedbackStatusLimit = 255;

// Posted by the worker thread to its dialog.
constexpr UINT kStepMessage = WM_APP + 1;      // one step of the bar
constexpr UINT kFullMessage = WM_APP + 2;      // the bar to its end
constexpr UINT kFinishedMessage = WM_APP + 3;  // wParam: the status line's limit

HINSTANCE g_module = nullptr;
ShellOpenHook g_shellOpen = nullptr;
std::atomic<int> g_openDialogs{0};
// The open modeless dialogs, whose keys the message loop hands to them.
constexpr int kModelessCapacity = 4;
std::atomic<HWND> g_modeless[kModelessCapacity];

void TrackModeless(HWND dialog, bool open) {
    for (std::atomic<HWND>& slot : g_modeless) {
        HWND expected = open ? nullptr : dialog;
        if (slot.compare_exchange_strong(expected, open ? dialog : nullptr)) return;
    }
}

// What the dialog keeps in DWLP_USER.
struct DialogState {
    TransferJob* job;  // until the thread has taken it
    bool modal;
};

// ---- worker thread --------------------------------------------------------------

void Post(const TransferJob& job, UINT message, WPARAM wParam = 0) { PostMessageA(job.dialog, message, wParam, 0); }

// Message boxes of the request belong to its dialog while it is open.
int Tell(const TransferJob& job, const char* text, UINT style) {
    HWND owner = IsWindow(job.dialog) ? job.dialog : nullptr;
    return MessageBoxA(owner, text, kProductCaption, style);
}
int Tell(const TransferJob& job, uint32_t id, UINT style) { return Tell(job, GetString(id), style); }

void OpenAddress(const char* address) {
    if (g_shellOpen) g_shellOpen(address);
    else late::ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

// Fetches the job's address into `reply`. Returns the bytes read (0: nothing usable
// arrived), or -1 after a failed connection or read, once message 9401 has been shown.
int Fetch(const TransferJob& job, char* reply) {
    if (!reply || late::InternetAttemptConnect(0) != ERROR_SUCCESS) {
        Tell(job, kConnectionFailedId, MB_ICONERROR);
        return -1;
    }
    const int length = HttpGetOnce(job.address, job.dialog, kStepMessage, reply);
    if (length < 0) {
        Post(job, kFullMessage);
        Tell(job, kConnectionFailedId, MB_ICONERROR);
    }
    return length;
}

void ReportVersion(const TransferJob& job, const char* reply, int length) {
    VersionReply version;
    EvaluateVersionReply(reply, length, kProgramVersion, &version);
    Post(job, kStepMessage);
    if (version.verdict == kVersionUnreadable) {
        Tell(job, kServerProblemId, MB_ICONWARNING);
        return;
    }
    char text[2048 + kAddressListShown];
    if (version.verdict == kVersionNotNewer) {
        std::snprintf(text, sizeof text, GetString(kNewestVersionId), static_cast<double>(version.serverVersion));
        Tell(job, text, MB_ICONINFORMATION);
        return;
    }
    std::snprintf(text, sizeof text, GetString(kNewVersionId), static_cast<double>(kProgramVersion),
                  static_cast<double>(version.serverVersion), version.addressList);
    // Only web addresses reach the shell: a forged reply must not start a local
    // program or open a document.
    if (Tell(job, text, MB_YESNO | MB_ICONQUESTION) == IDYES && version.addressOpenable) {
        OpenAddress(version.firstAddress);
    }
}

void ReportFeedback(const TransferJob& job, const char* reply, int length) {
    const FeedbackOutcome outcome = EvaluateFeedbackReply(reply, length, job.wantsUpdateInfo, job.wantsSoftwareNews);
    if (!outcome.delivered) {
        Post(job, kFullMessage);
        Tell(job, kServerProblemId, MB_ICONWARNING);
        return;
    }
    Post(job, kStepMessage);
    char text[1024];
    std::snprintf(text, sizeof text, GetString(kDeliveredId), outcome.mailLine ? GetString(outcome.mailLine) : "",
                  outcome.newsLine ? GetString(outcome.newsLine) : "");
    Post(job, kFullMessage);
    Tell(job, text, MB_ICONINFORMATION);
}

DWORD WINAPI TransferThread(void* parameter) {
    TransferJob* job = static_cast<TransferJob*>(parameter);
    char* reply = static_cast<char*>(AllocZeroed(kVersionFileMaxBytes + 1));
    const int length = Fetch(*job, reply);
    if (length == 0) Tell(*job, kServerProblemId, MB_ICONWARNING);
    if (length > 0 && job->feedback) ReportFeedback(*job, reply, length);
    if (length > 0 && !job->feedback) ReportVersion(*job, reply, length);
    FreeMemory(reply);
    Post(*job, kFinishedMessage, job->feedback ? kFeedbackStatusLimit : kUpdateStatusLimit);
    FreeMemory(job);
    return 0;
}

bool StartTransfer(HWND dialog, TransferJob* job) {
    job->dialog = dialog;
    HANDLE thread = CreateThread(nullptr, 0, TransferThread, job, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

// ---- the Transmission dialog ---------------------------------------------------------

void CloseTransmission(HWND dialog, INT_PTR result) {
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (state && state->modal) EndDialog(dialog, result);
    else DestroyWindow(dialog);
}

void AppendFinished(HWND dialog, int limit) {
    char status[kFeedbackStatusLimit + 1] = {};
    GetDlgItemTextA(dialog, kTransmissionStatusId, status, sizeof status);
    char combined[kFeedbackStatusLimit + 1];
    if (limit > static_cast<int>(sizeof combined)) limit = sizeof combined;
    std::snprintf(combined, static_cast<size_t>(limit), "%s%s", status, GetString(kFinishedId));
    SetDlgItemTextA(dialog, kTransmissionStatusId, combined);
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

INT_PTR CALLBACK TransmissionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND bar = GetDlgItem(dialog, kTransmissionProgressId);
    switch (message) {
        case WM_INITDIALOG: {
            auto* state = reinterpret_cast<DialogState*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            ++g_openDialogs;
            SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, kProgressSteps));
            SendMessageA(bar, PBM_SETSTEP, 1, 0);
            if (!state->modal) TrackModeless(dialog, true);
            // The modal dialog starts its request itself, so the request always has a
            // dialog to report to.
            if (state->modal) {
                TransferJob* job = state->job;
                state->job = nullptr;
                if (!StartTransfer(dialog, job)) {
                    FreeMemory(job);
                    EndDialog(dialog, kOnlineDialogFailed);
                }
            }
            return TRUE;
        }
        case kStepMessage:
            SendMessageA(bar, PBM_STEPIT, 0, 0);
            return TRUE;
        case kFullMessage:
            SendMessageA(bar, PBM_SETPOS, kProgressSteps, 0);
            return TRUE;
        case kFinishedMessage:
            AppendFinished(dialog, static_cast<int>(wParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                CloseTransmission(dialog, kOnlineDone);
                return TRUE;
            }
            break;
        case WM_CLOSE:
            CloseTransmission(dialog, kOnlineDone);
            return TRUE;
        case WM_DESTROY:
            --g_openDialogs;
            TrackModeless(dialog, false);
            break;
        default:
            break;
    }
    return FALSE;
}

void EnsureProgressBarClass() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    late::InitCommonControlsEx(&controls);
}

}  // namespace

TransferJob* NewTransferJob() { return static_cast<TransferJob*>(AllocZeroed(sizeof(TransferJob))); }

HINSTANCE OnlineResourceModule() { return g_module ? g_module : GetModuleHandleA(nullptr); }

int RunTransmissionDialog(HWND owner, TransferJob* job) {
    EnsureProgressBarClass();
    DialogState state{job, true};
    const INT_PTR result = DialogBoxParamA(OnlineResourceModule(), MAKEINTRESOURCEA(kTransmissionDialogId), owner,
                                           TransmissionProc, reinterpret_cast<LPARAM>(&state));
    if (state.job) FreeMemory(state.job);  // the dialog never started it
    return result == kOnlineDone ? kOnlineDone : kOnlineDialogFailed;
}

uint32_t OpenTransmissionDialog(HWND owner, TransferJob* job) {
    EnsureProgressBarClass();
    static DialogState modeless{nullptr, false};  // the job goes to the thread below
    HWND dialog = CreateDialogParamA(OnlineResourceModule(), MAKEINTRESOURCEA(kTransmissionDialogId), owner,
                                     TransmissionProc, reinterpret_cast<LPARAM>(&modeless));
    if (!dialog) {
        FreeMemory(job);
        return kNoTransmissionDialogId;
    }
    if (!StartTransfer(dialog, job)) {
        FreeMemory(job);
        DestroyWindow(dialog);
        return kNoRequestThreadId;
    }
    ShowWindow(dialog, SW_SHOW);
    return 0;
}

bool IsTransmissionOpen() { return g_openDialogs.load() > 0; }

bool HandleOnlineDialogKeys(MSG* message) {
    if (!message) return false;
    for (std::atomic<HWND>& slot : g_modeless) {
        HWND dialog = slot.load();
        if (dialog && (message->hwnd == dialog || IsChild(dialog, message->hwnd)))
            return IsDialogMessageA(dialog, message) != 0;
    }
    return false;
}

void SetOnlineResourceModule(HINSTANCE module) { g_module = module; }

void SetShellOpenHook(ShellOpenHook hook) { g_shellOpen = hook; }

int CheckForNewVersion(HWND owner) {
    TransferJob* job = NewTransferJob();
    if (!job || BuildServerUrl(kVersionFilePath, job->address, sizeof job->address) < 0) {
        FreeMemory(job);
        return kOnlineDialogFailed;
    }
    return RunTransmissionDialog(owner, job);
}
