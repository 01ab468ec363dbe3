// The feedback form (dialog 102): checks the e-mail address, builds the record and
// hands it to a worker thread with its Transmission dialog.
#include <atomic>
#include <cstdio>
#include <cstring>

#include "net/base64.h"
#include "net/endpoints.h"
#include "net/feedback.h"
#include "net/win32/online.h"
#include "net/win32/transmission.h"
#include "settings/memory.h"
#include "settings/settings.h"
#include "settings/strings.h"

namespace {

constexpr uint32_t kWrongEmailId = 9201;
constexpr uint32_t kNotSentId = 9202;  // "... (%s) ...": the reason
constexpr int kMarkFontHeight = 8;  // pixels

// Set by the first "Send" of the process; from then on the tiny mark sets the
// feedback flag.
std::atomic<bool> g_sendPressed{false};
HFONT g_markFont = nullptr;

void ReadText(HWND dialog, int id, char* out, int capacity) {
    out[0] = '\0';
    GetDlgItemTextA(dialog, id, out, capacity);
}

// Fills the job's address with the feedback path and the Base64 of the form's record.
bool PrepareFeedback(const FeedbackForm& form, TransferJob* job) {
    char record[kFeedbackRecordCapacity];
    const int length = BuildFeedbackRecord(form, kProgramVersion, record, sizeof record);
    const int prefix = BuildServerUrl(kFeedbackPath, job->address, sizeof job->address);
    if (length < 0 || prefix < 0) return false;
    job->feedback = true;
    job->wantsUpdateInfo = form.wantsUpdateInfo;
    job->wantsSoftwareNews = form.wantsSoftwareNews;
    return EncodeBase64(record, length, job->address + prefix, static_cast<int>(sizeof job->address) - prefix) >= 0;
}

void Send(HWND dialog) {
    g_sendPressed = true;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    FeedbackForm form;
    std::memset(&form, 0, sizeof form);
    ReadText(dialog, kFeedbackEmailId, form.email, sizeof form.email);
    if (!IsAcceptableEmail(form.email)) {
        SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        MessageBoxA(dialog, GetString(kWrongEmailId), kProductCaption, MB_ICONERROR);
        SetFocus(GetDlgItem(dialog, kFeedbackEmailId));
        return;
    }
    form.wantsUpdateInfo = IsDlgButtonChecked(dialog, kFeedbackUpdateInfoId) == BST_CHECKED;
    form.wantsSoftwareNews = IsDlgButtonChecked(dialog, kFeedbackSoftwareNewsId) == BST_CHECKED;
    char age[32];
    ReadText(dialog, kFeedbackAgeId, age, sizeof age);
    form.age = ParseFeedbackAge(age);
    ReadText(dialog, kFeedbackNameId, form.name, sizeof form.name);
    ReadText(dialog, kFeedbackCountryId, form.country, sizeof form.country);
    ReadText(dialog, kFeedbackMessageId, form.message, sizeof form.message);

    TransferJob* job = NewTransferJob();
    uint32_t failure = !job ? kNoMemoryForRequestId : (PrepareFeedback(form, job) ? 0 : kNoRequestAddressId);
    if (failure) FreeMemory(job);
    else failure = OpenTransmissionDialog(GetWindow(dialog, GW_OWNER), job);
    if (!failure) {
        EndDialog(dialog, kOnlineDone);
        return;
    }
    // Nothing was sent: the form stays open with everything typed, and says why.
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    char text[512];
    std::snprintf(text, sizeof text, GetString(kNotSentId), GetString(failure));
    MessageBoxA(dialog, text, kProductCaption, MB_ICONERROR);
}

INT_PTR CALLBACK FeedbackFormProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            SendDlgItemMessageA(dialog, kFeedbackEmailId, EM_LIMITTEXT, kFeedbackShortFieldCapacity - 1, 0);
            SendDlgItemMessageA(dialog, kFeedbackNameId, EM_LIMITTEXT, kFeedbackShortFieldCapacity - 1, 0);
            SendDlgItemMessageA(dialog, kFeedbackCountryId, EM_LIMITTEXT, kFeedbackShortFieldCapacity - 1, 0);
            SendDlgItemMessageA(dialog, kFeedbackAgeId, EM_LIMITTEXT, 10, 0);
            SendDlgItemMessageA(dialog, kFeedbackMessageId, EM_LIMITTEXT, kFeedbackMessageCapacity - 1, 0);
            if (!g_markFont) {
                g_markFont = CreateFontA(kMarkFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET,
                                         OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                         DEFAULT_PITCH | FF_DONTCARE, "Symbol");
            }
            SendDlgItemMessageA(dialog, kFeedbackMarkId, WM_SETFONT, reinterpret_cast<WPARAM>(g_markFont), FALSE);
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    Send(dialog);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, kOnlineCancelled);
                    return TRUE;
                case kFeedbackMarkId:
                    if (g_sendPressed) localOptions.feedbackFlag = 1;
                    return TRUE;
                default:
                    break;
            }
            break;
        case WM_CLOSE:
            EndDialog(dialog, kOnlineCancelled);
            return TRUE;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

int ShowFeedbackForm(HWND owner) {
    if (IsTransmissionOpen()) return kOnlineBusy;
    const INT_PTR result = DialogBoxParamA(OnlineResourceModule(), MAKEINTRESOURCEA(kFeedbackDialogId), owner,
                                           FeedbackFormProc, 0);
    return result == kOnlineDone || result == kOnlineCancelled ? static_cast<int>(result) : kOnlineDialogFailed;
}
