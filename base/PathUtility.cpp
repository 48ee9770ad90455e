#include "base/PathUtility.h"

#include <cctype>
#include <cstdint>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

bool IsAnsiLeadByte(unsigned char byte)
{
#ifdef _WIN32
    return IsDBCSLeadByte(byte) != FALSE;
#else
    // Code page 932, the program's code page, for the platform-free build.
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
#endif
}

size_t LastPathDelimiter(std::string_view path)
{
    // UTF-8: no byte of a multi-byte character is ever below 0x80.
    return path.find_last_of("\\/");
}

bool EndsWithPathDelimiter(std::string_view path)
{
    return !path.empty() && LastPathDelimiter(path) == path.size() - 1;
}

std::string IncludeTrailingPathDelimiter(std::string_view path)
{
    std::string result(path);
    if (!EndsWithPathDelimiter(path)) result += '\\';
    return result;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path)
{
    if (EndsWithPathDelimiter(path)) path.remove_suffix(1);
    return std::string(path);
}

std::string ExtractFileName(std::string_view path)
{
    const size_t last = LastPathDelimiter(path);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

bool IsDeviceName(std::string_view name)
{
    // The part before the first dot, blanks at its end ignored: "nul .txt" is the device too.
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    std::string upper(stem);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (upper == device) return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

bool IsWin32ExactName(std::string_view name)
{
    return !name.empty() && name.back() != ' ' && name.back() != '.' && !IsDeviceName(name);
}

bool IsWellFormedUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                              : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

bool IsPlainFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || !IsWellFormedUtf8(name)) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x20 || std::strchr("\\/:*?\"<>|", byte)) return false;
    }
    return IsWin32ExactName(name);
}
