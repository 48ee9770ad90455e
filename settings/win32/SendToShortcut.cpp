#include "settings/win32/SendToShortcut.h"

#include "base/WideText.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

namespace {

struct TComRelease {
    void operator()(IUnknown* object) const noexcept { object->Release(); }
};
template <typename Interface>
using TComPtr = std::unique_ptr<Interface, TComRelease>;

struct TTaskMemFree {
    void operator()(wchar_t* text) const noexcept { CoTaskMemFree(text); }
};

std::string HResultText(const char* what, HRESULT result)
{
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(result));
    return std::string(what) + " (" + code + ")";
}

TComPtr<IShellLinkW> NewShellLink(HRESULT& result)
{
    IShellLinkW* link = nullptr;
    result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link));
    return TComPtr<IShellLinkW>(SUCCEEDED(result) ? link : nullptr);
}

TComPtr<IPersistFile> PersistFileOf(IShellLinkW& link, HRESULT& result)
{
    IPersistFile* file = nullptr;
    result = link.QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    return TComPtr<IPersistFile>(SUCCEEDED(result) ? file : nullptr);
}

} // namespace

std::wstring SendToShortcutPath()
{
    wchar_t* folder = nullptr;
    // Made when the profile lacks it (a fresh Wine prefix does).
    if (FAILED(SHGetKnownFolderPath(FOLDERID_SendTo, KF_FLAG_CREATE, nullptr, &folder)) || !folder) return {};
    const std::unique_ptr<wchar_t, TTaskMemFree> owned(folder);
    std::wstring path = folder;
    if (path.empty()) return {};
    if (path.back() != L'\\') path += L'\\';
    return path + L"Fennoro.lnk";
}

bool ShortcutExists(const std::wstring& linkPath)
{
    if (linkPath.empty()) return false;
    const DWORD attributes = GetFileAttributesW(linkPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeShortcut(const std::wstring& linkPath, const std::wstring& target, std::string& error)
{
    HRESULT result = S_OK;
    const TComPtr<IShellLinkW> link = NewShellLink(result);
    if (!link) {
        error = HResultText("ショートカットを作れません", result);
        return false;
    }
    std::wstring folder = target;
    const size_t separator = folder.find_last_of(L"\\/");
    folder.resize(separator == std::wstring::npos ? 0 : separator);
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(folder.c_str());
    link->SetIconLocation(target.c_str(), 0);
    link->SetDescription(WideText("Fennoro: フォルダを書庫にする").c_str());
    const TComPtr<IPersistFile> file = PersistFileOf(*link, result);
    if (file) result = file->Save(linkPath.c_str(), TRUE);
    if (!file || FAILED(result)) {
        error = HResultText("ショートカットを保存できません", result);
        return false;
    }
    return true;
}

std::wstring ShortcutTarget(const std::wstring& linkPath)
{
    HRESULT result = S_OK;
    const TComPtr<IShellLinkW> link = NewShellLink(result);
    if (!link) return {};
    const TComPtr<IPersistFile> file = PersistFileOf(*link, result);
    if (!file || FAILED(file->Load(linkPath.c_str(), STGM_READ))) return {};
    wchar_t target[MAX_PATH * 4] = {};
    // The raw path as saved, not one the shell resolved to something else.
    if (FAILED(link->GetPath(target, static_cast<int>(std::size(target)), nullptr, SLGP_RAWPATH))) return {};
    return target;
}

bool RemoveShortcut(const std::wstring& linkPath)
{
    if (!ShortcutExists(linkPath)) return true;
    return DeleteFileW(linkPath.c_str()) != 0;
}

std::wstring ProgramPath()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return path;
}
