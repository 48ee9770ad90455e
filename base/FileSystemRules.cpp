#include "base/FileSystemRules.h"

namespace {

constexpr uint32_t ReparsePointAttribute = 0x400;     // FILE_ATTRIBUTE_REPARSE_POINT
constexpr uint32_t NameSurrogateBit = 0x20000000;     // IsReparseTagNameSurrogate

bool StartsWith(const std::wstring& text, const wchar_t* prefix)
{
    return text.compare(0, std::char_traits<wchar_t>::length(prefix), prefix) == 0;
}

} // namespace

bool IsLinkReparsePoint(uint32_t attributes, uint32_t reparseTag)
{
    if (!(attributes & ReparsePointAttribute)) return false;
    return reparseTag == 0 || (reparseTag & NameSurrogateBit) != 0;
}

std::wstring PlainVolumeRoot(const std::wstring& volumePath)
{
    std::wstring root;
    if (StartsWith(volumePath, L"\\\\?\\UNC\\")) {
        root = L"\\\\" + volumePath.substr(8);
    } else if (StartsWith(volumePath, L"\\\\?\\") && volumePath.size() >= 6 && volumePath[5] == L':') {
        root = volumePath.substr(4);
    } else {
        root = volumePath;
    }
    if (!root.empty() && root.back() != L'\\') root += L'\\';
    return root;
}
