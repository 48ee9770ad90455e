#include "engine/win32/FolderEntries.h"

#include "engine/win32/LongPath.h"
#include "toolkit/ScopedHandle.h"

bool ForEachFolderEntry(const std::string& dir, const std::function<bool(const TFolderEntry&)>& visit)
{
    return ForEachFolderEntry(WideText(dir), visit);
}

namespace {

void FillEntry(const WIN32_FIND_DATAW& data, TFolderEntry& entry)
{
    entry.WideName = data.cFileName;
    entry.Name = Utf8Name(data.cFileName, entry.ExactName);
    entry.Attributes = data.dwFileAttributes;
    entry.ReparseTag = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? data.dwReserved0 : 0;
    entry.Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.LastWriteTime =
        (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

} // namespace

bool FolderEntryOf(const std::string& path, TFolderEntry& entry)
{
    WIN32_FIND_DATAW data;
    ScopedFind find(FindFirstFileExW(FileApiPath(path).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, 0));
    if (find.get() == INVALID_HANDLE_VALUE) return false;
    FillEntry(data, entry);
    return true;
}

bool ForEachFolderEntry(const std::wstring& dir, const std::function<bool(const TFolderEntry&)>& visit)
{
    WIN32_FIND_DATAW data;
    // "*" matches every entry; the short names are not needed.
    ScopedFind find(FindFirstFileExW(FileApiPath(dir + L"*").c_str(), FindExInfoBasic, &data,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    // A folder lists "." and ".." (a drive's root may list nothing at all, and then
    // says so): no first entry otherwise means no folder that can be read.
    if (find.get() == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    TFolderEntry entry;
    do {
        const wchar_t* name = data.cFileName;
        if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
        FillEntry(data, entry);
        if (!visit(entry)) return true;
    } while (FindNextFileW(find.get(), &data));
    return true;
}
