#include "settings/win32/SettingsFile.h"

#include "base/WideText.h"

#include "base/PathUtility.h"
#include "settings/win32/ShellUtility.h"
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
// Aside names tried for an unreadable file before giving up.
constexpr int AsideAttempts = 100;

std::string ErrorText(DWORD error)
{
    char* text = GetErrorString(error);
    if (!text) return "エラー " + std::to_string(error);
    std::string result(text);
    LocalFree(text);
    return result;
}

// UTF-8 of UTF-16 bytes behind their mark; false for an odd byte count, a NUL or a lone surrogate.
bool Utf16ToText(std::string_view bytes, bool bigEndian, std::string& text)
{
    if (bytes.size() % 2) return false;
    std::wstring wide(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        wide[i] = static_cast<wchar_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    if (wide.find(L'\0') != std::wstring::npos) return false;
    return ExactUtf8Text(wide, text);
}

bool Exists(const std::string& fileName)
{
    return GetFileAttributesW(WideText(fileName).c_str()) != INVALID_FILE_ATTRIBUTES ||
           GetLastError() != ERROR_FILE_NOT_FOUND;
}

} // namespace

bool TryLoadIniFile(const std::string& fileName, IniDocument& document, std::string* reason)
{
    document = IniDocument();
    const auto refuse = [reason](std::string why) {
        if (reason) *reason = std::move(why);
        return false;
    };
    ScopedHandle file(CreateFileW(WideText(fileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
        return refuse("開けません: " + ErrorText(error));
    }
    std::string bytes;
    std::vector<char> chunk(65536);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr))
            return refuse("読み込めません: " + ErrorText(GetLastError()));
        if (read == 0) break;
        bytes.append(chunk.data(), read);
    }
    // UTF-16 as Notepad's "Unicode" saves it, in either byte order.
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        std::string text;
        if (!Utf16ToText(std::string_view(bytes).substr(2), bytes[0] == '\xFE', text))
            return refuse("UTF-16 のテキストとして正しくありません");
        document = IniDocument::Parse(text);
        return true;
    }
    // A NUL is in no text of ours: no settings file at all.
    if (bytes.find('\0') != std::string::npos) return refuse("NUL バイトを含んでいます");
    // UTF-8 behind its byte-order mark (as we save a value the ANSI code page
    // lacks, or a text editor may); without the mark, the ANSI code page.
    if (bytes.starts_with(Utf8Mark)) {
        bytes.erase(0, Utf8Mark.size());
        if (!IsWellFormedUtf8(bytes)) return refuse("UTF-8 のテキストとして正しくありません");
        document = IniDocument::Parse(bytes);
        return true;
    }
    document = IniDocument::Parse(bytes, [](std::string_view line) { return CodePageToUtf8(line, CP_ACP); });
    return true;
}

IniDocument LoadIniFile(const std::string& fileName)
{
    IniDocument document;
    TryLoadIniFile(fileName, document);
    return document;
}

std::string AsideFileName(const std::string& fileName)
{
    for (int attempt = 1; attempt <= AsideAttempts; ++attempt) {
        std::string aside = fileName + ".unreadable";
        if (attempt > 1) aside += std::to_string(attempt);
        if (!Exists(aside)) return aside;
    }
    return {};
}

namespace {

// Only a file takes the settings file's place aside: a folder (or anything else)
// of that name is left where it is.
bool IsFileEntry(const std::string& fileName)
{
    const DWORD attributes = GetFileAttributesW(WideText(fileName).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

TSettingsLoad LoadSettingsFile(FennoroSettings& settings, const std::string& fileName)
{
    IniDocument document;
    std::string reason;
    TSettingsLoad load;
    if (TryLoadIniFile(fileName, document, &reason)) {
        settings.Load(document);
        return load;
    }
    settings.Load(IniDocument());
    settings.RemoveFolder = false;
    load.Unreadable = true;
    const std::string aside = IsFileEntry(fileName) ? AsideFileName(fileName) : std::string();
    load.Problem = "設定ファイルを読み込めません。\r\n" + fileName + "\r\n(" + reason +
                   ")\r\n\r\n既定の設定で起動し、「圧縮後フォルダを削除する」はオフにします。\r\n";
    load.Problem += aside.empty() ? "このファイルは上書きしません。"
                                  : "終了時、このファイルは次の名前で残し、設定は新しく保存します。\r\n" + aside;
    return load;
}

bool SaveSettingsFile(const FennoroSettings& settings, const std::string& fileName, bool unreadableAtStart)
{
    if (fileName.empty()) return false;
    IniDocument document;
    std::string aside;
    // A file that could not be read at start goes aside whatever it is now: readable
    // again (its holder let go), it is still the user's, and the settings in hand
    // are the defaults, not what it holds.
    if (unreadableAtStart || !TryLoadIniFile(fileName, document)) {
        // Kept whole under another name; the settings start a new file. Nothing is
        // written where it cannot be moved aside.
        if (!IsFileEntry(fileName)) return false;
        aside = AsideFileName(fileName);
        if (aside.empty() || !MoveFileExW(WideText(fileName).c_str(), WideText(aside).c_str(), MOVEFILE_WRITE_THROUGH))
            return false;
        document = IniDocument();
    }
    settings.Save(document);
    if (SaveIniFile(fileName, document)) return true;
    // No new file: the old one goes back, so the next start warns again rather
    // than take the defaults of a first run.
    if (!aside.empty()) MoveFileExW(WideText(aside).c_str(), WideText(fileName).c_str(), MOVEFILE_WRITE_THROUGH);
    return false;
}

bool SaveIniFile(const std::string& fileName, const IniDocument& document)
{
    // ANSI as long as every value fits, so older versions and tools read it; else
    // UTF-8, which loses nothing, with its mark alone on the first line: a reader
    // of the ANSI code page drops that line and still finds every section.
    std::string bytes;
    const bool ansi = document.Serialize(
        [](std::string_view text, std::string& encoded) { return ExactCodePageText(text, CP_ACP, encoded); }, bytes);
    if (!ansi) bytes = std::string(Utf8Mark) + "\r\n" + document.Serialize();
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
