#include "archiver/common/win32/ExactPath.h"

#include <windows.h>

#include <vector>

namespace {

constexpr std::wstring_view LongPrefix = L"\\\\?\\";
constexpr std::wstring_view DevicePrefix = L"\\\\.\\";  // pipes and devices: taken as they are

bool IsSeparator(wchar_t c) { return c == L'\\'; }

bool HasDrive(const std::wstring& path)
{
    return path.size() >= 2 && path[1] == L':' && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

std::wstring CurrentFolder()
{
    std::wstring folder(MAX_PATH, L'\0');
    DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    if (length >= folder.size()) {
        folder.resize(length);
        length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data());
    }
    folder.resize(length < folder.size() ? length : 0);
    return folder;
}

// The root a full path starts with ("C:\" or "\\server\share\"), or 0 when it has none.
size_t RootLength(const std::wstring& path)
{
    if (HasDrive(path) && path.size() >= 3 && IsSeparator(path[2])) return 3;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t end = path.find(L'\\', 2);                      // after the server
        if (end != std::wstring::npos) end = path.find(L'\\', end + 1);  // after the share
        return end == std::wstring::npos ? path.size() : end + 1;
    }
    return 0;
}

// The path joined to the folder it is relative to: the current folder, the
// current folder's root ("\x"), or the drive's current folder ("C:x").
std::wstring Anchored(const std::wstring& path)
{
    if (RootLength(path) > 0) return path;
    if (HasDrive(path)) {
        // The drive's own current folder is known to the system only; "C:" alone has no name to rewrite.
        wchar_t drive[] = {path[0], L':', L'\0'};
        wchar_t full[MAX_PATH + 1];
        const DWORD length = GetFullPathNameW(drive, MAX_PATH + 1, full, nullptr);
        if (length == 0 || length > MAX_PATH) return std::wstring(drive) + L"\\" + path.substr(2);
        return std::wstring(full, length) + L"\\" + path.substr(2);
    }
    const std::wstring current = CurrentFolder();
    if (!path.empty() && IsSeparator(path[0])) return current.substr(0, RootLength(current)) + path.substr(1);
    return current + L"\\" + path;
}

} // namespace

std::wstring AbsolutePath(std::wstring path)
{
    if (path.rfind(LongPrefix, 0) == 0 || path.rfind(DevicePrefix, 0) == 0) return path;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    if (path.empty()) return path;
    const bool trailingSeparator = IsSeparator(path.back());
    path = Anchored(path);
    const size_t root = RootLength(path);
    std::vector<std::wstring> names;
    for (size_t start = root; start < path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring name = path.substr(start, end - start);
        if (name == L"..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != L".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    std::wstring full = path.substr(0, root);
    if (!full.empty() && !IsSeparator(full.back())) full += L'\\';
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0) full += L'\\';
        full += names[i];
    }
    if (trailingSeparator && !names.empty()) full += L'\\';
    return full;
}

std::wstring ExactPath(const std::wstring& path)
{
    if (path.rfind(LongPrefix, 0) == 0 || path.rfind(DevicePrefix, 0) == 0) return path;
    const std::wstring full = AbsolutePath(path);
    if (full.rfind(L"\\\\", 0) == 0) return std::wstring(LongPrefix) + L"UNC\\" + full.substr(2);
    return std::wstring(LongPrefix) + full;
}

std::wstring PlainPath(const std::wstring& path)
{
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
    if (path.rfind(LongPrefix, 0) == 0) return path.substr(LongPrefix.size());
    return path;
}
