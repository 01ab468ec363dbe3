#include "host/win32/late_dlls.h"

#include <atomic>

#include "host/win32/system_proc.h"

namespace {

// A DLL loaded at the first call of one of its functions. LoadLibrary counts
// references, so two threads that race to the first call only load it twice.
struct LateDll {
    const char* file;
    std::atomic<HMODULE> module;
};

// One function of a LateDll, found once.
struct LateEntry {
    const char* name;
    std::atomic<SystemProc> proc;
};

LateDll g_comctl32{"comctl32.dll", {nullptr}};
LateDll g_comdlg32{"comdlg32.dll", {nullptr}};
LateDll g_shell32{"shell32.dll", {nullptr}};
LateDll g_wininet{"wininet.dll", {nullptr}};
LateDll g_winmm{"winmm.dll", {nullptr}};
LateDll g_glu32{"glu32.dll", {nullptr}};

SystemProc Find(LateDll& dll, LateEntry& entry) {
    SystemProc proc = entry.proc.load(std::memory_order_acquire);
    if (proc) return proc;
    HMODULE module = dll.module.load(std::memory_order_acquire);
    if (!module) {
        module = LoadLibraryA(dll.file);
        if (!module) return nullptr;
        HMODULE expected = nullptr;
        if (!dll.module.compare_exchange_strong(expected, module)) {
            FreeLibrary(module);
            module = expected;
        }
    }
    proc = AsSystemProc(GetProcAddress(module, entry.name));
    entry.proc.store(proc, std::memory_order_release);
    return proc;
}

// Calls `entry` of `dll` as `Fn` with `args`, or returns `failure` when the DLL
// or the function cannot be found.
template <typename Fn, typename Result, typename... Args>
Result Call(LateDll& dll, LateEntry& entry, Result failure, Args... args) {
    const Fn fn = SystemProcAs<Fn>(Find(dll, entry));
    return fn ? fn(args...) : failure;
}

}  // namespace

namespace late {

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
    static LateEntry entry{"InitCommonControlsEx", {nullptr}};
    return Call<BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*)>(g_comctl32, entry, FALSE, controls);
}

BOOL ChooseColorA(CHOOSECOLORA* choice) {
    static LateEntry entry{"ChooseColorA", {nullptr}};
    return Call<BOOL(WINAPI*)(CHOOSECOLORA*)>(g_comdlg32, entry, FALSE, choice);
}

BOOL GetOpenFileNameA(OPENFILENAMEA* dialog) {
    static LateEntry entry{"GetOpenFileNameA", {nullptr}};
    return Call<BOOL(WINAPI*)(OPENFILENAMEA*)>(g_comdlg32, entry, FALSE, dialog);
}

BOOL GetSaveFileNameA(OPENFILENAMEA* dialog) {
    static LateEntry entry{"GetSaveFileNameA", {nullptr}};
    return Call<BOOL(WINAPI*)(OPENFILENAMEA*)>(g_comdlg32, entry, FALSE, dialog);
}

HINSTANCE ShellExecuteA(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show) {
    static LateEntry entry{"ShellExecuteA", {nullptr}};
    // Values up to 32 are errors; SE_ERR_DLLNOTFOUND says what went wrong.
    const HINSTANCE failure = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
    return Call<HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT)>(g_shell32, entry, failure, window, verb,
                                                                               file, parameters, folder, show);
}

void SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2) {
    static LateEntry entry{"SHChangeNotify", {nullptr}};
    typedef void(WINAPI * Fn)(LONG, UINT, LPCVOID, LPCVOID);
    if (const Fn fn = SystemProcAs<Fn>(Find(g_shell32, entry))) fn(event, flags, item1, item2);
}

DWORD InternetAttemptConnect(DWORD reserved) {
    static LateEntry entry{"InternetAttemptConnect", {nullptr}};
    return Call<DWORD(WINAPI*)(DWORD)>(g_wininet, entry, static_cast<DWORD>(ERROR_MOD_NOT_FOUND), reserved);
}

HINTERNET InternetOpenA(LPCSTR agent, DWORD access, LPCSTR proxy, LPCSTR bypass, DWORD flags) {
    static LateEntry entry{"InternetOpenA", {nullptr}};
    return Call<HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD)>(g_wininet, entry, HINTERNET{}, agent,
                                                                          access, proxy, bypass, flags);
}

HINTERNET InternetOpenUrlA(HINTERNET internet, LPCSTR url, LPCSTR headers, DWORD headersLength, DWORD flags,
                           DWORD_PTR context) {
    static LateEntry entry{"InternetOpenUrlA", {nullptr}};
    return Call<HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR)>(
        g_wininet, entry, HINTERNET{}, internet, url, headers, headersLength, flags, context);
}

BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
    static LateEntry entry{"InternetSetOptionA", {nullptr}};
    return Call<BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD)>(g_wininet, entry, FALSE, handle, option, buffer,
                                                                length);
}

BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read) {
    static LateEntry entry{"InternetReadFile", {nullptr}};
    return Call<BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD)>(g_wininet, entry, FALSE, file, buffer, toRead, read);
}

BOOL HttpQueryInfoA(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length, LPDWORD index) {
    static LateEntry entry{"HttpQueryInfoA", {nullptr}};
    return Call<BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD)>(g_wininet, entry, FALSE, request, level,
                                                                           buffer, length, index);
}

BOOL InternetCloseHandle(HINTERNET handle) {
    static LateEntry entry{"InternetCloseHandle", {nullptr}};
    return Call<BOOL(WINAPI*)(HINTERNET)>(g_wininet, entry, FALSE, handle);
}

MMRESULT waveOutOpen(LPHWAVEOUT device, UINT id, LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance,
                     DWORD flags) {
    static LateEntry entry{"waveOutOpen", {nullptr}};
    return Call<MMRESULT(WINAPI*)(LPHWAVEOUT, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD)>(
        g_winmm, entry, MMRESULT{MMSYSERR_NODRIVER}, device, id, format, callback, instance, flags);
}

MMRESULT waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size) {
    static LateEntry entry{"waveOutPrepareHeader", {nullptr}};
    return Call<MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT)>(g_winmm, entry, MMRESULT{MMSYSERR_NODRIVER}, device,
                                                              header, size);
}

MMRESULT waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size) {
    static LateEntry entry{"waveOutWrite", {nullptr}};
    return Call<MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT)>(g_winmm, entry, MMRESULT{MMSYSERR_NODRIVER}, device,
                                                              header, size);
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size) {
    static LateEntry entry{"waveOutUnprepareHeader", {nullptr}};
    return Call<MMRESULT(WINAPI*)(HWAVEOUT, LPWAVEHDR, UINT)>(g_winmm, entry, MMRESULT{MMSYSERR_NODRIVER}, device,
                                                              header, size);
}

MMRESULT waveOutReset(HWAVEOUT device) {
    static LateEntry entry{"waveOutReset", {nullptr}};
    return Call<MMRESULT(WINAPI*)(HWAVEOUT)>(g_winmm, entry, MMRESULT{MMSYSERR_NODRIVER}, device);
}

MMRESULT waveOutClose(HWAVEOUT device) {
    static LateEntry entry{"waveOutClose", {nullptr}};
    return Call<MMRESULT(WINAPI*)(HWAVEOUT)>(g_winmm, entry, MMRESULT{MMSYSERR_NODRIVER}, device);
}

int BuildMipmapsWithGlu(unsigned target, int internalFormat, int width, int height, unsigned format, unsigned type,
                        const void* pixels) {
    static LateEntry entry{"gluBuild2DMipmaps", {nullptr}};
    // GLU_OUT_OF_MEMORY (100902) when GLU cannot be had.
    return Call<int(WINAPI*)(unsigned, int, int, int, unsigned, unsigned, const void*)>(
        g_glu32, entry, 100902, target, internalFormat, width, height, format, type, pixels);
}

}  // namespace late
