// System DLLs that only some commands need, loaded at the first call of one of
// their functions instead of at process start (every DLL mapped at start costs
// start-up time): the settings window's common controls and dialogs, the
// network, sound output, the shell, and GLU's mipmap builder.
//
// Each function below stands in for the system function of the same name and
// signature, found by name with LoadLibrary and GetProcAddress; when the DLL or
// the entry point is missing it fails as the system function does (FALSE,
// null, an error code), so callers keep their error paths. The program links
// none of these DLLs: a direct call of one of their functions does not link,
// and no import slot is left for a loader or a thunk to fill, which makes the
// mechanism the same in the 32-bit and the 64-bit program.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

namespace late {

// comctl32
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);

// comdlg32
BOOL ChooseColorA(CHOOSECOLORA* choice);
BOOL GetOpenFileNameA(OPENFILENAMEA* dialog);
BOOL GetSaveFileNameA(OPENFILENAMEA* dialog);

// shell32
HINSTANCE ShellExecuteA(HWND window, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder, INT show);
void SHChangeNotify(LONG event, UINT flags, LPCVOID item1, LPCVOID item2);

// wininet
DWORD InternetAttemptConnect(DWORD reserved);
HINTERNET InternetOpenA(LPCSTR agent, DWORD access, LPCSTR proxy, LPCSTR bypass, DWORD flags);
HINTERNET InternetOpenUrlA(HINTERNET internet, LPCSTR url, LPCSTR headers, DWORD headersLength, DWORD flags,
                           DWORD_PTR context);
BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length);
BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read);
BOOL HttpQueryInfoA(HINTERNET request, DWORD level, LPVOID buffer, LPDWORD length, LPDWORD index);
BOOL InternetCloseHandle(HINTERNET handle);

// winmm
MMRESULT waveOutOpen(LPHWAVEOUT device, UINT id, LPCWAVEFORMATEX format, DWORD_PTR callback, DWORD_PTR instance,
                     DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT waveOutReset(HWAVEOUT device);
MMRESULT waveOutClose(HWAVEOUT device);

// glu32: gluBuild2DMipmaps, for GL drivers without automatic mipmap levels
// (GL_TARGET, internal format, width, height, format, type, pixels).
int BuildMipmapsWithGlu(unsigned target, int internalFormat, int width, int height, unsigned format,
                        unsigned type, const void* pixels);

}  // namespace late
