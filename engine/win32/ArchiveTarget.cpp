#include "engine/win32/ArchiveTarget.h"

#include "base/PathUtility.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/RecycleBin.h"
#include "toolkit/ScopedHandle.h"

namespace {

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// The plain text of a "\\?\" path, as the user would spell it.
std::wstring PlainOf(const std::wstring& exact)
{
    if (exact.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + exact.substr(8);
    if (exact.rfind(L"\\\\?\\", 0) == 0) return exact.substr(4);
    return exact;
}

} // namespace

std::string LongFormParent(const std::string& parent)
{
    const std::wstring exact = FileApiPath(IncludeTrailingPathDelimiter(parent));
    // The names after the volume's root: "\\?\C:\" or "\\?\UNC\server\share\".
    size_t start = 0;
    if (exact.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        start = exact.find(L'\\', 8);
        if (start != std::wstring::npos) start = exact.find(L'\\', start + 1);
    } else if (exact.rfind(L"\\\\?\\", 0) == 0) {
        start = exact.find(L'\\', 4);
    } else {
        return parent;
    }
    if (start == std::wstring::npos) return parent;
    std::wstring rebuilt = exact.substr(0, start + 1);
    bool changed = false;
    for (size_t at = start + 1; at < exact.size();) {
        size_t end = exact.find(L'\\', at);
        if (end == std::wstring::npos) end = exact.size();
        std::wstring name = exact.substr(at, end - at);
        if (!name.empty() && name.find_first_of(L"*?") == std::wstring::npos) {
            WIN32_FIND_DATAW data;
            ScopedFind find(FindFirstFileExW((rebuilt + name).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                             nullptr, 0));
            // Another name for the same entry, not only another case of it: a short name.
            if (find.get() != INVALID_HANDLE_VALUE && !SameIgnoringCase(data.cFileName, name)) {
                name = data.cFileName;
                changed = true;
            }
        }
        rebuilt += name + L'\\';
        at = end + 1;
    }
    return changed ? Utf8Text(PlainOf(rebuilt)) : parent;
}

bool ArchivePathOccupied(const std::wstring& exactArchive)
{
    if (GetFileAttributesW(exactArchive.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    WIN32_FIND_DATAW data;
    ScopedFind find(FindFirstFileExW(exactArchive.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (find.get() != INVALID_HANDLE_VALUE) return true;
    // Nothing listed: a new file, gone with its handle, tells whether the name is free.
    ScopedHandle probe(CreateFileW(exactArchive.c_str(), DELETE, 0, nullptr, CREATE_NEW,
                                   FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN,
                                   nullptr));
    if (probe && probe.get() != INVALID_HANDLE_VALUE) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

void RecycleLeftover(const std::wstring& exactArchive)
{
    const DWORD attributes = GetFileAttributesW(exactArchive.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) || IsLinkAt(exactArchive))
        return;
    const auto identity = IdentityOfPath(exactArchive);
    const std::wstring shellPath = ShellPath(exactArchive);
    if (!identity || shellPath.empty() || IdentityOfPath(shellPath) != identity) return;
    if (!RecycleBinCanTake(exactArchive)) return;
    MoveToRecycleBin(nullptr, shellPath, exactArchive, TRecycleDialogs::None, true);
}

bool LosesEmptyFolder(const std::string& archiveExtension, const TFolderTree& tree)
{
    // A cabinet stores files with their paths and nothing else, whoever writes it.
    if (!SameIgnoringCase(WideText(archiveExtension), L".cab")) return false;
    for (const TTreeFolder& folder : tree) {
        if (folder.Depth > 0 && folder.Entries.empty()) return true;
    }
    return false;
}
