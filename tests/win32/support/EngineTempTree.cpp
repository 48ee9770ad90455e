#include "win32/support/EngineTempTree.h"

#include "settings/PathUtility.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

std::atomic<unsigned> Serial{0};

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*.*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = dir + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveTree(path + "\\");
                RemoveDirectoryA(path.c_str());
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(ExcludeTrailingPathDelimiter(dir).c_str());
}

// Arguments reach a host program split by the Windows rules: quotes group blanks.
std::string Quote(const std::string& text) { return '"' + text + '"'; }

} // namespace

std::string EngineUnixPath(const std::string& windowsPath)
{
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), length);
    char* unixPath = toUnix(wide.c_str());
    if (!unixPath) return {};
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

bool EngineRunProcess(const std::string& commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const int length = MultiByteToWideChar(CP_UTF8, 0, commandLine.c_str(), -1, nullptr, 0);
    std::wstring line(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, commandLine.c_str(), -1, line.data(), length);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

EngineTempTree::EngineTempTree(const std::string& stem)
{
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    RootPath = IncludeTrailingPathDelimiter(temp) + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(GetTickCount()) + "-" + std::to_string(Serial++);
    if (!CreateDirectoryA(RootPath.c_str(), nullptr)) ADD_FAILURE() << "cannot create " << RootPath;
    RootPath = IncludeTrailingPathDelimiter(RootPath);
}

EngineTempTree::~EngineTempTree()
{
    // Mounts and links first, so that removing the tree never reaches out of it;
    // one that does not go away leaves the tree where it is.
    bool undone = true;
    for (const HostEntry& bind : Binds) undone = Undo(bind, "/bin/umount -l ") && undone;
    for (const HostEntry& link : Links) undone = Undo(link, "/bin/rm -f ") && undone;
    if (undone) RemoveTree(RootPath);
}

bool EngineTempTree::Undo(const HostEntry& entry, const char* command) const
{
    EngineRunProcess(command + Quote(entry.UnixPath));
    // The host program's end is not waited for: look for its work.
    const auto present = [&] { return GetFileAttributesA(Path(entry.Seen).c_str()) != INVALID_FILE_ATTRIBUTES; };
    for (int i = 0; i < 100 && present(); ++i) Sleep(50);
    return !present();
}

void EngineTempTree::Folder(const std::string& relative) const
{
    const std::string path = Path(relative);
    // Parents first, cut at real separators only.
    for (size_t i = RootPath.size(); i < path.size(); ++i) {
        if (IsAnsiLeadByte(static_cast<unsigned char>(path[i]))) {
            ++i;
        } else if (path[i] == '\\') {
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        }
    }
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        ADD_FAILURE() << "cannot create folder " << path;
    }
}

void EngineTempTree::File(const std::string& relative, const std::string& content, DWORD attributes) const
{
    const size_t last = LastPathDelimiter(relative);
    if (last != std::string::npos) Folder(relative.substr(0, last));
    const std::string path = Path(relative);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create file " << path;
        return;
    }
    DWORD written = 0;
    if (!content.empty()) WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    if (attributes) SetFileAttributesA(path.c_str(), attributes);
}

bool EngineTempTree::FolderLink(const std::string& relative, const std::string& target)
{
    const std::string link = EngineUnixPath(Path(relative));
    const std::string to = EngineUnixPath(target);
    if (link.empty() || to.empty()) return false;
    if (!EngineRunProcess("/bin/ln -s " + Quote(to) + " " + Quote(link))) return false;
    Links.push_back({link, relative, relative});
    // A host program's exit code does not come back: look for its work instead.
    for (int i = 0; i < 100 && !IsFolder(relative); ++i) Sleep(50);
    return IsFolder(relative);
}

bool EngineTempTree::FolderBind(const std::string& relative, const std::string& target, const std::string& marker)
{
    const std::string at = EngineUnixPath(Path(relative));
    const std::string from = EngineUnixPath(target);
    if (at.empty() || from.empty()) return false;
    if (!EngineRunProcess("/bin/mount --bind " + Quote(from) + " " + Quote(at))) return false;
    const std::string seen = relative + "\\" + marker;
    Binds.push_back({at, relative, seen});
    for (int i = 0; i < 100 && !IsFile(seen); ++i) Sleep(50);
    return IsFile(seen);
}

bool EngineTempTree::IsFile(const std::string& relative) const
{
    const DWORD attributes = GetFileAttributesA(Path(relative).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EngineTempTree::IsFolder(const std::string& relative) const
{
    const DWORD attributes = GetFileAttributesA(Path(relative).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string EngineTempTree::Read(const std::string& relative) const
{
    HANDLE file = CreateFileA(Path(relative).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
    CloseHandle(file);
    return content;
}

std::string EngineRecycleBinFiles()
{
    char dataHome[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("XDG_DATA_HOME", dataHome, sizeof dataHome);
    if (length == 0 || length >= sizeof dataHome) return {};
    using DosFileName = WCHAR*(CDECL*)(const char*);
    const auto toDos = reinterpret_cast<DosFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (!toDos) return {};
    WCHAR* dos = toDos((std::string(dataHome) + "/Trash/files").c_str());
    if (!dos) return {};
    char path[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, dos, -1, path, sizeof path, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, dos);
    return IncludeTrailingPathDelimiter(path);
}
