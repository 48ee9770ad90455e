#include "engine/win32/LongPath.h"

#include "base/PathUtility.h"
#include "base/WideText.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

constexpr std::wstring_view LongPrefix = L"\\\\?\\";
constexpr std::wstring_view UncLongPrefix = L"\\\\?\\UNC\\";

} // namespace

namespace {

bool StartsWith(std::wstring_view text, std::wstring_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool IsAbsolute(std::wstring_view path)
{
    const bool drive = path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    return drive || StartsWith(path, L"\\\\");
}

// True when the path holds a "." or ".." segment or a forward slash: only the
// path functions resolve those, the "\\?\" form takes them literally.
bool NeedsResolving(std::wstring_view path)
{
    if (path.find(L'/') != std::wstring_view::npos) return true;
    for (size_t start = 0; start <= path.size();) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring_view::npos) end = path.size();
        const std::wstring_view segment = path.substr(start, end - start);
        if (segment == L"." || segment == L"..") return true;
        start = end + 1;
    }
    return false;
}

// The full form of a relative path or one with "." or ".." segments. The path
// functions drop a trailing blank or dot of the last segment and read a device
// name there; behind a separator of our own the last segment is a folder name
// like the others and keeps its exact spelling.
std::wstring FullPath(const std::wstring& path)
{
    const bool folder = !path.empty() && (path.back() == L'\\' || path.back() == L'/');
    const std::wstring guarded = folder ? path : path + L'\\';
    std::vector<wchar_t> buffer(guarded.size() + MAX_PATH);
    DWORD length = GetFullPathNameW(guarded.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetFullPathNameW(guarded.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    }
    if (length == 0 || length >= buffer.size()) return path;
    std::wstring full(buffer.data(), length);
    if (!folder && !full.empty() && full.back() == L'\\' && full.size() > 3) full.pop_back();
    return full;
}

} // namespace

std::wstring FileApiPath(const std::wstring& widePath)
{
    if (StartsWith(widePath, LongPrefix) || StartsWith(widePath, L"\\\\.\\")) return widePath;
    // Every path in the "\\?\" form: the file system then gets the exact name, which
    // the path functions would rewrite ("dup " reaches "dup", "nul.jpg" the device).
    const std::wstring full = IsAbsolute(widePath) && !NeedsResolving(widePath) ? widePath : FullPath(widePath);
    if (!IsAbsolute(full)) return full;
    if (StartsWith(full, L"\\\\")) return std::wstring(UncLongPrefix) + full.substr(2);
    return std::wstring(LongPrefix) + full;
}

std::wstring FileApiPath(std::string_view path) { return FileApiPath(WideText(path)); }

DWORD LongPathAttributes(std::string_view path)
{
    if (path.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(FileApiPath(path).c_str());
}

bool LongFileExists(std::string_view path)
{
    const DWORD attributes = LongPathAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool LongPathExists(std::string_view path) { return LongPathAttributes(path) != INVALID_FILE_ATTRIBUTES; }

std::string Utf8Name(const wchar_t* wideName, bool& exact)
{
    std::string name;
    exact = ExactUtf8Text(wideName, name);
    // U+FFFD is what the system shows for a name it could not decode (bytes that are
    // no UTF-8 on a Unix disk): no call made with it reaches the entry itself.
    if (exact && std::wcschr(wideName, 0xFFFD)) exact = false;
    return exact ? name : Utf8Text(wideName);
}

std::wstring ShellPath(const std::wstring& widePath)
{
    std::wstring plain = FileApiPath(widePath);
    if (StartsWith(plain, UncLongPrefix)) {
        plain = L"\\\\" + plain.substr(UncLongPrefix.size());
    } else if (StartsWith(plain, LongPrefix)) {
        plain.erase(0, LongPrefix.size());
    }
    // The shell copies paths into buffers of MAX_PATH characters (Wine's overflows).
    if (plain.size() >= MAX_PATH) return {};
    // The shell reads a plain path through the path functions: a name they would
    // rewrite reaches another entry.
    for (size_t start = 0; start < plain.size();) {
        size_t end = plain.find(L'\\', start);
        if (end == std::wstring::npos) end = plain.size();
        if (end > start && (plain[end - 1] == L' ' || plain[end - 1] == L'.')) return {};
        start = end + 1;
    }
    return plain;
}

std::string ShellPath(std::string_view path)
{
    if (ShellPath(WideText(path)).empty()) return {};
    return std::string(path);
}
