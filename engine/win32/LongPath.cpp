#include "engine/win32/LongPath.h"

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

std::wstring FullPath(const std::wstring& path)
{
    std::vector<wchar_t> buffer(path.size() + MAX_PATH);
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    }
    if (length == 0 || length >= buffer.size()) return path;
    return std::wstring(buffer.data(), length);
}

} // namespace

std::wstring FileApiPath(const std::wstring& widePath)
{
    if (StartsWith(widePath, LongPrefix) || StartsWith(widePath, L"\\\\.\\")) return widePath;
    if (widePath.size() < MAX_PATH && IsAbsolute(widePath)) return widePath;
    const std::wstring full = FullPath(widePath);
    if (full.size() < MAX_PATH) return widePath;
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

std::string ShellPath(std::string_view ansiPath)
{
    const std::wstring path = FileApiPath(ansiPath);
    if (!StartsWith(path, LongPrefix)) return std::string(ansiPath);
    std::vector<wchar_t> buffer(path.size() + 1);
    const DWORD length = GetShortPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return {};
    std::wstring shortPath(buffer.data(), length);
    if (StartsWith(shortPath, UncLongPrefix)) {
        shortPath = L"\\\\" + shortPath.substr(UncLongPrefix.size());
    } else if (StartsWith(shortPath, LongPrefix)) {
        shortPath.erase(0, LongPrefix.size());
    }
    if (shortPath.size() >= MAX_PATH) return {};
    bool exact = false;
    std::string shown = AnsiName(shortPath.c_str(), exact);
    return exact ? shown : std::string();
}
