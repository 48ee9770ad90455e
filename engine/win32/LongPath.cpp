#include "engine/win32/LongPath.h"

#include "base/PathUtility.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::wstring_view LongPrefix = L"\\\\?\\";
constexpr std::wstring_view UncLongPrefix = L"\\\\?\\UNC\\";

} // namespace

std::wstring AnsiToWide(std::string_view text)
{
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

namespace {

std::string Narrow(std::wstring_view text, DWORD flags, BOOL* usedDefault)
{
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, usedDefault);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                        usedDefault);
    return narrow;
}

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

std::wstring FileApiPath(std::string_view ansiPath) { return FileApiPath(AnsiToWide(ansiPath)); }

DWORD LongPathAttributes(std::string_view ansiPath)
{
    if (ansiPath.empty()) return INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesW(FileApiPath(ansiPath).c_str());
}

bool LongFileExists(std::string_view ansiPath)
{
    const DWORD attributes = LongPathAttributes(ansiPath);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool LongPathExists(std::string_view ansiPath) { return LongPathAttributes(ansiPath) != INVALID_FILE_ATTRIBUTES; }

std::string AnsiName(const wchar_t* wideName, bool& exact)
{
    const std::wstring_view wide(wideName);
    if (std::all_of(wide.begin(), wide.end(), [](wchar_t c) { return c < 0x80; })) {
        exact = true;
        return std::string(wide.begin(), wide.end());
    }
    // The text the ANSI functions would give, look-alikes included.
    std::string shown = Narrow(wide, 0, nullptr);
    // It names the entry only when no character had to be replaced and it reads back the same.
    BOOL usedDefault = FALSE;
    const bool flagsAllowed = GetACP() != CP_UTF8;  // UTF-8 takes neither the flag nor the question
    Narrow(wide, flagsAllowed ? WC_NO_BEST_FIT_CHARS : 0, flagsAllowed ? &usedDefault : nullptr);
    exact = !usedDefault && AnsiToWide(shown) == wide;
    return shown;
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

std::string ShellPath(std::string_view ansiPath)
{
    if (ShellPath(AnsiToWide(ansiPath)).empty()) return {};
    return std::string(ansiPath);
}
