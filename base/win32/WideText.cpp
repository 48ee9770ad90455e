#include "base/WideText.h"

#include <windows.h>

namespace {

std::string Narrow(std::wstring_view wide, UINT codePage, DWORD flags, BOOL* usedDefault)
{
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, nullptr, usedDefault);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), length, nullptr, usedDefault);
    return text;
}

std::wstring Widen(std::string_view text, UINT codePage)
{
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

} // namespace

std::wstring WideText(std::string_view utf8) { return Widen(utf8, CP_UTF8); }

std::string Utf8Text(std::wstring_view wide) { return Narrow(wide, CP_UTF8, 0, nullptr); }

bool ExactUtf8Text(std::wstring_view wide, std::string& utf8)
{
    utf8.clear();
    if (wide.empty()) return true;
    utf8 = Narrow(wide, CP_UTF8, WC_ERR_INVALID_CHARS, nullptr);
    return !utf8.empty();
}

bool ExactCodePageText(std::string_view utf8, unsigned codePage, std::string& text)
{
    text.clear();
    if (utf8.empty()) return true;
    const std::wstring wide = WideText(utf8);
    const UINT page = codePage == CP_ACP ? GetACP() : codePage;
    if (page == CP_UTF8) {
        text.assign(utf8);
        return Utf8Text(wide) == utf8;
    }
    BOOL usedDefault = FALSE;
    text = Narrow(wide, page, WC_NO_BEST_FIT_CHARS, &usedDefault);
    // A character the code page lacks is a default character; one it holds only
    // as a look-alike reads back as another: both are refused.
    return !usedDefault && Widen(text, page) == wide;
}

std::string CodePageToUtf8(std::string_view text, unsigned codePage) { return Utf8Text(Widen(text, codePage)); }

std::string CodePageText(std::string_view utf8, unsigned codePage)
{
    const UINT page = codePage == CP_ACP ? GetACP() : codePage;
    if (page == CP_UTF8) return std::string(utf8);  // UTF-8 takes no best-fit flag
    return Narrow(WideText(utf8), page, WC_NO_BEST_FIT_CHARS, nullptr);
}
