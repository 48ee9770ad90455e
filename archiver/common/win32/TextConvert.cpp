#include "archiver/common/win32/TextConvert.h"

#include <atomic>

namespace {

std::atomic<bool> UnicodeMode{false};

std::wstring ToWide(UINT codePage, std::string_view text)
{
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
    return result;
}

std::string FromWide(UINT codePage, std::wstring_view text)
{
    if (text.empty()) return {};
    const int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr, nullptr);
    return result;
}

} // namespace

void SetUnicodeMode(bool on) { UnicodeMode = on; }

bool IsUnicodeMode() { return UnicodeMode.load(); }

std::string FromCallText(std::string_view text) { return IsUnicodeMode() ? std::string(text) : AnsiToUtf8(text); }

std::string ToCallText(std::string_view text) { return IsUnicodeMode() ? std::string(text) : FromWide(CP_ACP, Utf8ToWide(text)); }

std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, text); }

std::string WideToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, text); }

std::string AnsiToUtf8(std::string_view text) { return WideToUtf8(ToWide(CP_ACP, text)); }

std::string SystemErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string result = length && text ? WideToUtf8(std::wstring_view(text, length)) : "エラー " + std::to_string(error);
    if (text) LocalFree(text);
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == ' ' || result.back() == '.')) result.pop_back();
    return result;
}
