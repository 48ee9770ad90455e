#include "settings/PathUtility.h"

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
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsAnsiLeadByte(c) && i + 1 < path.size()) {
            ++i;
        } else if (c == '\\' || c == '/') {
            last = i;
        }
    }
    return last;
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
