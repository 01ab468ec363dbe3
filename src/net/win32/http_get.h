// One HTTP GET over WinINet with a single read of at most kVersionFileMaxBytes. The
// WinINet calls run on a thread of their own, so the caller stops waiting after the
// time-outs (one for the connection and the answer's headers, one for the read) even
// where WinINet ignores its own time-out options; an abandoned request finishes or
// fails in the background and cleans up after itself.
#pragma once

#include <windows.h>

// Gets `address` into `reply` (capacity kVersionFileMaxBytes + 1, terminated).
// Posts `stepMessage` to `dialog` after each of the first three stages and after
// each of the four closing stages. Returns the bytes read (0 for an empty answer or
// an answer other than 200 OK), or -1 when there was no answer in time or the read failed.
int HttpGetOnce(const char* address, HWND dialog, UINT stepMessage, char* reply);
