#include "net/win32/http_get.h"

#include <atomic>
#include <cstring>

#include "host/win32/late_dlls.h"
#include "net/endpoints.h"
#include "net/version_file.h"
#include "net/win32/transmission.h"
#include "settings/memory.h"
#include "settings/strings.h"

namespace {

// Shared by the caller and the request thread; the last of the two frees it.
struct Request {
    std::atomic<int> owners;
    std::atomic<bool> abandoned;  // the caller stopped waiting: no more progress
    HANDLE stages;                // released once when the headers are in, once when the read ended
    HWND dialog;
    UINT stepMessage;
    int length;  // -1: failed
    char address[kAddressBufferSize];
    char reply[kVersionFileMaxBytes + 1];
};

void Release(Request* request) {
    if (--request->owners > 0) return;
    CloseHandle(request->stages);
    FreeMemory(request);
}

void Step(const Request& request) {
    if (!request.abandoned) PostMessageA(request.dialog, request.stepMessage, 0, 0);
}

// Honoured by WinINet on Windows; the waits of HttpGetOnce cover the rest.
void SetTimeouts(HINTERNET handle, DWORD ms) {
    late::InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
    late::InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
    late::InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
}

DWORD WINAPI RequestThread(void* parameter) {
    Request* request = static_cast<Request*>(parameter);
    HINTERNET internet = late::InternetOpenA(kProductCaption, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    Step(*request);
    if (internet) SetTimeouts(internet, NetTimeoutMs());
    HINTERNET url = internet ? late::InternetOpenUrlA(internet, request->address, nullptr, 0, INTERNET_FLAG_RAW_DATA, 0)
                             : nullptr;
    Step(*request);
    ReleaseSemaphore(request->stages, 1, nullptr);
    Step(*request);
    DWORD read = 0, status = 0, size = sizeof status;
    const bool ok = url && late::InternetReadFile(url, request->reply, kVersionFileMaxBytes, &read);
    if (ok && !late::HttpQueryInfoA(url, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        status = 0;
    }
    // An answer other than 200 OK (a missing file, a proxy's error page) has no
    // version number or reply in it.
    request->length = !ok ? -1 : status == HTTP_STATUS_OK ? static_cast<int>(read) : 0;
    ReleaseSemaphore(request->stages, 1, nullptr);
    if (url) late::InternetCloseHandle(url);
    if (internet) late::InternetCloseHandle(internet);
    Release(request);
    return 0;
}

}  // namespace

int HttpGetOnce(const char* address, HWND dialog, UINT stepMessage, char* reply) {
    reply[0] = '\0';
    Request* request = static_cast<Request*>(AllocZeroed(sizeof(Request)));
    if (!request) return -1;
    request->owners = 2;
    request->dialog = dialog;
    request->stepMessage = stepMessage;
    std::strncpy(request->address, address, sizeof request->address - 1);
    request->stages = CreateSemaphoreA(nullptr, 0, 2, nullptr);
    HANDLE thread = request->stages ? CreateThread(nullptr, 0, RequestThread, request, 0, nullptr) : nullptr;
    if (!thread) {
        if (request->stages) CloseHandle(request->stages);
        FreeMemory(request);
        return -1;
    }
    CloseHandle(thread);

    const DWORD ms = NetTimeoutMs();
    const bool ended = WaitForSingleObject(request->stages, ms) == WAIT_OBJECT_0 &&
                       WaitForSingleObject(request->stages, ms) == WAIT_OBJECT_0;
    int length = -1;
    if (ended) {
        length = request->length;
        if (length > 0) std::memcpy(reply, request->reply, static_cast<size_t>(length));
        reply[length > 0 ? length : 0] = '\0';
        for (int i = 0; i < 4; ++i) PostMessageA(dialog, stepMessage, 0, 0);
    }
    request->abandoned = true;
    Release(request);
    return length;
}
