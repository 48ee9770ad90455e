#pragma once
// The caller's progress-and-cancel callback, registered per thread through the
// "...SetProgressCallback" export and called on that thread while a later
// call works (ProgressWindow.h reports to it).
#include <windows.h>

typedef BOOL(WINAPI* ARCHIVER_PROGRESS_CALLBACK)(LPVOID context, LPCSTR fileName, ULONGLONG bytesDone, ULONGLONG bytesTotal);

struct TProgressCallback {
    ARCHIVER_PROGRESS_CALLBACK Function = nullptr;
    LPVOID Context = nullptr;
};

// For calls made later from the calling thread; a null function removes it.
void SetThreadProgressCallback(ARCHIVER_PROGRESS_CALLBACK function, LPVOID context);
TProgressCallback ThreadProgressCallback();
