#include "engine/win32/RecycleBin.h"

#include "base/FileSystemRules.h"
#include "base/WideText.h"

#include <string>
#include <vector>

namespace {

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

std::wstring WideEnvironment(const wchar_t* name)
{
    std::vector<wchar_t> value(32768);
    const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    return length > 0 && length < value.size() ? std::wstring(value.data(), length) : std::wstring();
}

// Wine's trash folder (holding "files" and "info"), found as Wine's shell finds it:
// $XDG_DATA_HOME/Trash when that is an absolute path, else the Unix home's
// .local/share/Trash. In the "\\?\" form; empty when there is none.
std::wstring WineTrash()
{
    std::wstring trash;
    const std::wstring dataHome = WideEnvironment(L"XDG_DATA_HOME");
    if (!dataHome.empty() && dataHome[0] == L'/') {
        trash = L"\\\\?\\unix" + dataHome + L"/Trash";
    } else {
        // "\??\unix/home/user"
        const std::wstring home = WideEnvironment(L"WINEHOMEDIR");
        if (home.size() < 4) return {};
        trash = L"\\\\?\\" + home.substr(4) + L"/.local/share/Trash";
    }
    for (wchar_t& c : trash)
        if (c == L'/') c = L'\\';
    return trash;
}

bool Occupied(const std::wstring& path)
{
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
    if (find != INVALID_HANDLE_VALUE) {
        FindClose(find);
        return true;
    }
    // Nothing listed (Wine lists no link whose target is gone): a new file, gone
    // with its handle, tells whether the name is free.
    const HANDLE probe = CreateFileW(path.c_str(), DELETE, 0, nullptr, CREATE_NEW,
                                     FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT | FILE_ATTRIBUTE_HIDDEN,
                                     nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// The folder holding the item, in the "\\?\" form with its separator, and its name.
std::wstring ParentOf(const std::wstring& exactPath)
{
    const size_t last = exactPath.find_last_of(L'\\');
    return last == std::wstring::npos ? std::wstring() : exactPath.substr(0, last + 1);
}

std::wstring NameOf(const std::wstring& exactPath)
{
    const size_t last = exactPath.find_last_of(L'\\');
    return last == std::wstring::npos ? exactPath : exactPath.substr(last + 1);
}

// Wine's shell trashes an item by writing "info\NAME.trashinfo" (or, when that is
// taken, a name with a random suffix) and renaming the item to the same name in
// "files"; a rename that fails makes the shell delete the item for good. So the
// trash takes the item when its own name is free in "files" wherever the info
// file takes that name, and a probe folder beside the item can be renamed there.
bool WineTrashTakes(const std::wstring& exactPath)
{
    const std::wstring trash = WineTrash();
    const std::wstring parent = ParentOf(exactPath);
    const std::wstring name = NameOf(exactPath);
    if (trash.empty() || parent.empty() || name.empty()) return false;
    CreateDirectoryW(trash.c_str(), nullptr);
    const std::wstring files = trash + L"\\files\\";
    const std::wstring info = trash + L"\\info\\";
    CreateDirectoryW(files.c_str(), nullptr);
    CreateDirectoryW(info.c_str(), nullptr);
    const DWORD infoAttributes = GetFileAttributesW(info.c_str());
    const bool infoKept = infoAttributes != INVALID_FILE_ATTRIBUTES && (infoAttributes & FILE_ATTRIBUTE_DIRECTORY);
    // With the info folder, the name is the item's own unless its info file is
    // taken (a random suffix then); without it, the shell tries other names itself.
    if (infoKept && !Occupied(info + name + L".trashinfo") && Occupied(files + name)) return false;

    const std::wstring probeName = L".fennoro-recycle-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(GetCurrentThreadId());
    const std::wstring probe = parent + probeName;
    if (!CreateDirectoryW(probe.c_str(), nullptr)) return false;
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::wstring moved = files + probeName;
    if (MoveFileExW(probe.c_str(), moved.c_str(), 0)) {
        RemoveDirectoryW(moved.c_str());
        return true;
    }
    RemoveDirectoryW(probe.c_str());
    return false;
}

// A DWORD value of the registry; none when absent.
bool ReadDword(HKEY root, const wchar_t* key, const wchar_t* value, DWORD& result)
{
    DWORD size = sizeof result;
    return RegGetValueW(root, key, value, RRF_RT_REG_DWORD, nullptr, &result, &size) == ERROR_SUCCESS;
}

bool PolicyTurnsBinOff()
{
    const wchar_t* const key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        DWORD value = 0;
        if (ReadDword(root, key, L"NoRecycleFiles", value) && value != 0) return true;
    }
    return false;
}

// The bin's largest size on the volume (bytes) and whether the volume deletes for
// good, from the volume's own settings; the system's default size where unset
// (a tenth of the first 40 GB, a twentieth of the rest).
bool VolumeBinTakes(const std::wstring& root, uint64_t bytes)
{
    DWORD nuke = 0;
    DWORD maxMegabytes = 0;
    bool maxKnown = false;
    wchar_t volumeName[64] = {};
    if (GetVolumeNameForVolumeMountPointW(root.c_str(), volumeName, 64)) {
        const std::wstring volume = volumeName;
        const size_t open = volume.find(L'{'), close = volume.find(L'}');
        if (open != std::wstring::npos && close != std::wstring::npos && close > open) {
            const std::wstring key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\BitBucket\\Volume\\" +
                                     volume.substr(open, close - open + 1);
            if (ReadDword(HKEY_CURRENT_USER, key.c_str(), L"NukeOnDelete", nuke) && nuke != 0) return false;
            maxKnown = ReadDword(HKEY_CURRENT_USER, key.c_str(), L"MaxCapacity", maxMegabytes);
        }
    }
    // The older settings for every volume.
    const wchar_t* const global = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\BitBucket";
    if (ReadDword(HKEY_LOCAL_MACHINE, global, L"NukeOnDelete", nuke) && nuke != 0) return false;
    uint64_t capacity = 0;
    if (maxKnown) {
        capacity = static_cast<uint64_t>(maxMegabytes) << 20;
    } else {
        ULARGE_INTEGER total{};
        if (!GetDiskFreeSpaceExW(root.c_str(), nullptr, &total, nullptr)) return bytes == 0;
        constexpr uint64_t first = 40ULL << 30;
        capacity = total.QuadPart <= first ? total.QuadPart / 10 : first / 10 + (total.QuadPart - first) / 20;
    }
    return bytes <= capacity;
}

// A dialog of the shell's, asked for while nobody may be asked: never made, which
// the shell takes for "no".
thread_local HHOOK DialogBlocker = nullptr;

LRESULT CALLBACK BlockDialogs(int code, WPARAM window, LPARAM details)
{
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(details);
        const LPCWSTR className = create && create->lpcs ? create->lpcs->lpszClass : nullptr;
        const bool dialog = IS_INTRESOURCE(className) ? reinterpret_cast<ULONG_PTR>(className) == 0x8002
                                                      : className && lstrcmpiW(className, L"#32770") == 0;
        if (dialog) return 1;
    }
    return CallNextHookEx(DialogBlocker, code, window, details);
}

class TDialogBlock {
public:
    explicit TDialogBlock(bool on)
    {
        if (on) DialogBlocker = SetWindowsHookExW(WH_CBT, BlockDialogs, nullptr, GetCurrentThreadId());
    }
    ~TDialogBlock()
    {
        if (DialogBlocker) UnhookWindowsHookEx(DialogBlocker);
        DialogBlocker = nullptr;
    }
    TDialogBlock(const TDialogBlock&) = delete;
    TDialogBlock& operator=(const TDialogBlock&) = delete;
    bool Failed(bool on) const { return on && !DialogBlocker; }
};

} // namespace

bool WindowsRecycleBinTakes(const std::wstring& exactPath, uint64_t bytes)
{
    std::vector<wchar_t> volume(exactPath.size() + 2);
    if (!GetVolumePathNameW(exactPath.c_str(), volume.data(), static_cast<DWORD>(volume.size()))) return false;
    // The "\\?\" form GetVolumePathNameW gives back is not one these take.
    const std::wstring root = PlainVolumeRoot(volume.data());
    // Removable, network and RAM volumes keep no recycle bin: the shell would delete for good.
    if (GetDriveTypeW(root.c_str()) != DRIVE_FIXED) return false;
    if (PolicyTurnsBinOff() || !VolumeBinTakes(root, bytes)) return false;
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    return SUCCEEDED(SHQueryRecycleBinW(root.c_str(), &info));
}

bool RecycleBinCanTake(const std::wstring& exactPath, uint64_t bytes)
{
    return UnderWine() ? WineTrashTakes(exactPath) : WindowsRecycleBinTakes(exactPath, bytes);
}

TRecycleOutcome MoveToRecycleBin(HWND owner, const std::wstring& shellPath, const std::wstring& exactPath,
                                 TRecycleDialogs dialogs, bool silent)
{
    if (shellPath.empty()) return TRecycleOutcome::Failed;
    // The shell's list form: the path and two zero characters.
    std::vector<wchar_t> source(shellPath.begin(), shellPath.end());
    source.resize(source.size() + 2, L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = dialogs == TRecycleDialogs::None ? nullptr : owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.data();
    // Whatever was answered before, the shell warns before it would delete for good
    // (the warning outlives FOF_NOCONFIRMATION): the bin or nothing.
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOERRORUI | FOF_WANTNUKEWARNING | (silent ? FOF_SILENT : 0);
    if (dialogs != TRecycleDialogs::Ask) operation.fFlags |= FOF_NOCONFIRMATION;
    // Unattended, no window at all: the warning, were it due, cannot be made and counts as "no".
    const bool unattended = dialogs == TRecycleDialogs::None;
    if (unattended) operation.fFlags |= FOF_NO_UI;
    TDialogBlock block(unattended);
    if (block.Failed(unattended)) return TRecycleOutcome::Declined;
    const int result = SHFileOperationW(&operation);
    if (operation.fAnyOperationsAborted) return TRecycleOutcome::Declined;
    return result == 0 && GetFileAttributesW(exactPath.c_str()) == INVALID_FILE_ATTRIBUTES ? TRecycleOutcome::Recycled
                                                                                          : TRecycleOutcome::Failed;
}
