#include "engine/win32/RecycleBin.h"

#include "base/FileSystemRules.h"
#include "base/WideText.h"

#include <string>
#include <vector>

namespace {

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// In UTF-8, as Wine's Unix paths are spelled.
std::string Environment(const wchar_t* name)
{
    wchar_t value[4096];
    const DWORD length = GetEnvironmentVariableW(name, value, 4096);
    return length > 0 && length < 4096 ? Utf8Text(std::wstring_view(value, length)) : std::string();
}

// Wine's trash folder for moved items, as a wide path; empty when there is none.
std::wstring WineTrashFiles()
{
    using DosFileName = WCHAR*(CDECL*)(const char*);
    const auto toDos = reinterpret_cast<DosFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (!toDos) return {};
    std::string dataHome = Environment(L"XDG_DATA_HOME");
    if (dataHome.empty()) {
        const std::string home = Environment(L"HOME");
        if (home.empty()) return {};
        dataHome = home + "/.local/share";
    }
    WCHAR* dos = toDos((dataHome + "/Trash/files").c_str());
    if (!dos) return {};
    std::wstring files = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return files;
}

// The folder holding the item, in the "\\?\" form with its separator.
std::wstring ParentOf(const std::wstring& exactPath)
{
    const size_t last = exactPath.find_last_of(L'\\');
    return last == std::wstring::npos ? std::wstring() : exactPath.substr(0, last + 1);
}

// Wine renames an item into its trash: a probe folder beside the item tells
// whether that rename can happen, without touching the item.
bool WineTrashTakes(const std::wstring& exactPath)
{
    const std::wstring trash = WineTrashFiles();
    const std::wstring parent = ParentOf(exactPath);
    if (trash.empty() || parent.empty()) return false;
    CreateDirectoryW((L"\\\\?\\" + trash.substr(0, trash.rfind(L'\\'))).c_str(), nullptr);
    CreateDirectoryW((L"\\\\?\\" + trash).c_str(), nullptr);
    const std::wstring name = L".fennoro-recycle-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetCurrentThreadId());
    const std::wstring probe = parent + name;
    if (!CreateDirectoryW(probe.c_str(), nullptr)) return false;
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::wstring moved = L"\\\\?\\" + trash + L"\\" + name;
    if (MoveFileExW(probe.c_str(), moved.c_str(), 0)) {
        RemoveDirectoryW(moved.c_str());
        return true;
    }
    RemoveDirectoryW(probe.c_str());
    return false;
}

bool WindowsBinTakes(const std::wstring& exactPath)
{
    std::vector<wchar_t> volume(exactPath.size() + 2);
    if (!GetVolumePathNameW(exactPath.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) return false;
    // The "\\?\" form GetVolumePathNameW gives back is not one these two take.
    const std::wstring root = PlainVolumeRoot(volume.data());
    // Removable, network and RAM volumes keep no recycle bin: the shell would delete for good.
    if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) return false;
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    return SUCCEEDED(SHQueryRecycleBinW(root.c_str(), &info));
}

} // namespace

bool RecycleBinCanTake(const std::wstring& exactPath)
{
    return UnderWine() ? WineTrashTakes(exactPath) : WindowsBinTakes(exactPath);
}

bool MoveToRecycleBin(HWND owner, const std::wstring& shellPath, const std::wstring& exactPath, FILEOP_FLAGS flags)
{
    if (shellPath.empty()) return false;
    // The shell's list form: the path and two zero characters.
    std::vector<wchar_t> source(shellPath.begin(), shellPath.end());
    source.resize(source.size() + 2, L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.data();
    // Should the bin still refuse the item, a shell that may ask warns rather than
    // deleting it silently (one that may not has no one to ask: the check before stands).
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOERRORUI | flags;
    if (!(flags & FOF_NOCONFIRMATION)) operation.fFlags |= FOF_WANTNUKEWARNING;
    const int result = SHFileOperationW(&operation);
    // Declining the confirmation is no error for the shell, but the item is still there.
    return result == 0 && !operation.fAnyOperationsAborted &&
           GetFileAttributesW(exactPath.c_str()) == INVALID_FILE_ATTRIBUTES;
}
