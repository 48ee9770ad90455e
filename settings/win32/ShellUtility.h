#pragma once
// Shell helpers the program exports by name: the folder chooser, the
// system error texts and the drag detector of the folder list.
#include <windows.h>

#include <cstdint>
#include <string>

extern "C" {

// Opens the system's folder chooser at the folder held in path (UTF-8, a buffer of
// MAX_PATH bytes, NUL included; a chosen path that does not fit counts as none). Returns 1 and the chosen folder's full path in path when the
// user confirms one; 0 and path unchanged when the dialog is cancelled.
// The calling thread must have OLE initialised (the new dialog style needs it).
int32_t WINAPI FolderDialog(HWND owner, const char* title, char* path);

// The system's message text for an error code in UTF-8, without its line breaks, or
// null when the system has none. The caller frees it with LocalFree.
char* WINAPI GetErrorString(DWORD code);

// GetErrorString of the calling thread's last-error value.
char* WINAPI GetLastErrorString();

// Fed from the folder list's mouse events (client coordinates); only bit 0 of
// left counts, set while the left button is down. DragCheckMouseMove returns
// 1 once per press, when it has moved beyond the system drag distance.
void WINAPI DragCheckMouseDown(int32_t left, int32_t x, int32_t y);
int32_t WINAPI DragCheckMouseMove(int32_t left, int32_t x, int32_t y);
void WINAPI DragCheckMouseUp(int32_t left);

} // extern "C"

// The same for a UTF-8 path of any length.
int32_t FolderDialog(HWND owner, const std::string& title, std::string& path);

// The browse callback FolderDialog installs: selects the folder in data (a wide
// path, may be null) when the dialog starts, and enables OK only while the
// selection has a file-system path. Always 0.
int CALLBACK FolderDialogBrowseCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM data);
