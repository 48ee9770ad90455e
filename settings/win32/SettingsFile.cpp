#include "settings/win32/SettingsFile.h"

#include "base/WideText.h"

#include "base/PathUtility.h"
#include "toolkit/ScopedHandle.h"

#include <optional>
#include <string_view>
#include <vector>

std::string SettingsFileNameFor(const std::string& modulePath)
{
    const size_t separator = LastPathDelimiter(modulePath);
    const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const size_t dot = modulePath.rfind('.');
    std::string base = (dot != std::string::npos && dot >= nameStart) ? modulePath.substr(0, dot) : modulePath;
    return base + ".ini";
}

std::string GetSettingsFileName()
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return SettingsFileNameFor(Utf8Text(std::wstring_view(buffer.data(), length)));
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

constexpr std::string_view Utf8Mark = "\xEF\xBB\xBF";

} // namespace

bool TryLoadIniFile(const std::string& fileName, IniDocument& document)
{
    document = IniDocument();
    ScopedHandle file(CreateFileW(WideText(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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
    // A NUL is in no text of ours: UTF-16, or no settings file at all.
    if (bytes.find('\0') != std::string::npos) return false;
    // UTF-8 behind its byte-order mark (as we save a value the ANSI code page
    // lacks, or a text editor may); without the mark, the ANSI code page.
    if (bytes.starts_with(Utf8Mark)) {
        bytes.erase(0, Utf8Mark.size());
        if (!IsWellFormedUtf8(bytes)) return false;
    } else {
        bytes = CodePageToUtf8(bytes, CP_ACP);
    }
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
    // ANSI as long as every value fits, so older versions and tools read it;
    // else UTF-8 with its mark, which loses nothing.
    const std::string text = document.Serialize();
    std::string bytes;
    if (!ExactCodePageText(text, CP_ACP, bytes)) bytes = std::string(Utf8Mark) + text;
    const std::wstring wideFile = WideText(fileName);
    const std::wstring temporary = WideText(fileName + ".new");
    {
        ScopedHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        const bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                        written == bytes.size() && FlushFileBuffers(file.get());
        if (!ok) {
            file.reset();
            DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (!MoveFileExW(temporary.c_str(), wideFile.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

std::string GetPlainCaption(HMENU menu, UINT position)
{
    const int length = GetMenuStringW(menu, position, nullptr, 0, MF_BYPOSITION);
    if (length <= 0) return {};
    std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetMenuStringW(menu, position, caption.data(), length + 1, MF_BYPOSITION);
    caption.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return GetPlainCaption(Utf8Text(caption));
}
