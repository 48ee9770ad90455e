#pragma once
// Paths of the libraries' file-system calls. Win32 rewrites a plain path: a
// trailing blank or dot is dropped ("02.jpg." reaches "02.jpg") and device
// names ("nul.jpg", "aux.txt", "CON") name devices. Behind "\\?\" a path is
// taken as it is, so every call gets that form of a full path, made here
// without GetFullPathName (which rewrites the same way).
#include <string>

// The full path of a possibly relative one: '/' becomes '\\', "." and ".."
// are resolved, every other name is kept exactly as written, as is a trailing
// separator. A path already in the "\\?\" or "\\.\" form is returned as it is.
std::wstring AbsolutePath(std::wstring path);

// The path as file API calls take it: "\\?\C:\..." or "\\?\UNC\server\share\...".
std::wstring ExactPath(const std::wstring& path);

// The path without the "\\?\" prefix, as messages show it.
std::wstring PlainPath(const std::wstring& path);
