#include "settings/win32/SettingsFile.h"

#include "base/PathUtility.h"
#include "toolkit/ScopedHandle.h"

#include <optional>
#include <string_view>
#include <vector>

std::string SettingsFileNameFor(const std::string& modulePath)
{
    const size_t separator = LastPathDelimiter(modulePath);
    const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    // "." never occurs as a trail byte, so a byte scan within the name is safe.
    const size_t dot = modulePath.rfind('.');
    std::string base = (dot != std::string::npos && dot >= nameStart) ? modulePath.substr(0, dot) : modulePath;
    return base + ".ini";
}

std::string GetSettingsFileName()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return SettingsFileNameFor(std::string(buffer.data(), length));
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

// The UTF-8 text in the ANSI code page; none when a character has no place there
// (writing the file back would lose it).
std::optional<std::string> Utf8ToAnsiExactly(std::string_view utf8)
{
    if (utf8.empty()) return std::string();
    const int wideLength =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wideLength <= 0) return std::nullopt;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wideLength);
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, nullptr, 0, nullptr,
                                           &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, ansi.data(), length, nullptr, nullptr);
    return ansi;
}

} // namespace

bool TryLoadIniFile(const std::string& fileName, IniDocument& document)
{
    document = IniDocument();
    ScopedHandle file(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    std::string bytes;
    std::vector<char> chunk(65536);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr)) return false;
        if (read == 0) break;
        bytes.append(chunk.data(), read);
    }
    // A text editor may have saved the file as UTF-8 with its byte-order mark.
    constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";
    if (bytes.starts_with(Utf8Mark)) {
        const std::optional<std::string> ansi = Utf8ToAnsiExactly(std::string_view(bytes).substr(Utf8Mark.size()));
        if (!ansi) return false;
        bytes = *ansi;
    }
    // A NUL is in no text of ours: UTF-16, or no settings file at all.
    if (bytes.find('\0') != std::string::npos) return false;
    document = IniDocument::Parse(bytes);
    return true;
}

IniDocument LoadIniFile(const std::string& fileName)
{
    IniDocument document;
    TryLoadIniFile(fileName, document);
    return document;
}

void LoadSettingsFile(FennoroSettings& settings, const std::string& fileName)
{
    settings.Load(LoadIniFile(fileName));
}

bool SaveSettingsFile(const FennoroSettings& settings, const std::string& fileName)
{
    if (fileName.empty()) return false;
    IniDocument document;
    if (!TryLoadIniFile(fileName, document)) return false;
    settings.Save(document);
    return SaveIniFile(fileName, document);
}

bool SaveIniFile(const std::string& fileName, const IniDocument& document)
{
    const std::string bytes = document.Serialize();
    const std::string temporary = fileName + ".new";
    {
        ScopedHandle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        const bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                        written == bytes.size() && FlushFileBuffers(file.get());
        if (!ok) {
            file.reset();
            DeleteFileA(temporary.c_str());
            return false;
        }
    }
    if (!MoveFileExA(temporary.c_str(), fileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

std::string GetPlainCaption(HMENU menu, UINT position)
{
    const int length = GetMenuStringA(menu, position, nullptr, 0, MF_BYPOSITION);
    if (length <= 0) return {};
    std::string caption(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetMenuStringA(menu, position, caption.data(), length + 1, MF_BYPOSITION);
    caption.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return GetPlainCaption(caption);
}
