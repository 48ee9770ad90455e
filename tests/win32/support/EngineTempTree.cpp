#include "win32/support/EngineTempTree.h"

#include "base/PathUtility.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace {

std::atomic<unsigned> Serial{0};

std::wstring Wide(const std::string& text, UINT codePage = CP_UTF8)
{
    const int length = MultiByteToWideChar(codePage, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1) MultiByteToWideChar(codePage, 0, text.c_str(), -1, wide.data(), length);
    return wide;
}

// Any length, through the "\\?\" form (the root is a full path).
std::wstring LongForm(const std::string& path) { return L"\\\\?\\" + Wide(path); }

// dir: in the "\\?\" form, with a trailing separator.
void RemoveTree(const std::wstring& dir)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = dir + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) RemoveTree(path + L"\\");
                RemoveDirectoryW(path.c_str());
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(dir.substr(0, dir.size() - 1).c_str());
}

void CreateWithContent(const std::wstring& path, const std::string& content, DWORD attributes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create a file (error " << GetLastError() << ")";
        return;
    }
    DWORD written = 0;
    if (!content.empty()) WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    if (written != content.size()) ADD_FAILURE() << "a file was written short";
    if (attributes) SetFileAttributesW(path.c_str(), attributes);
}

// The file's content; empty when it cannot be read.
std::string ReadWhole(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) content.append(buffer, read);
    CloseHandle(file);
    return content;
}

// Arguments reach a host program split by the Windows rules: quotes group blanks.
std::string Quote(const std::string& text) { return '"' + text + '"'; }

// What a host program did, as this program sees it through the file API.
template <typename Done>
bool Await(Done done)
{
    for (int i = 0; i < 100 && !done(); ++i) Sleep(50);
    return done();
}

} // namespace

std::string EngineUnixPath(const std::string& windowsPath)
{
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, windowsPath.c_str(), -1, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, windowsPath.c_str(), -1, wide.data(), length);
    char* unixPath = toUnix(wide.c_str());
    if (!unixPath) return {};
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

bool EngineRunProcess(const std::string& commandLine)
{
    // Wine gives a Unix program no process object, and its CreateProcess then reports
    // success with a process information it never filled in: whatever its stack held,
    // which may name any handle of this process (closing a thread's message queue so
    // leaves that thread deaf to SendMessage). Those values are never used: the shell
    // writes the program's exit code to a file once the program has ended.
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    // Named as the trees are: a file left by an earlier run of this program is never taken for this one's.
    const std::string endFile = IncludeTrailingPathDelimiter(temp) + "fennoro-host-" +
                                std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
                                std::to_string(Serial++) + ".end";
    const std::string unixEndFile = EngineUnixPath(endFile);
    if (unixEndFile.empty()) return false;
    // $0 is the file, "$@" the command line as Wine splits it; the rename makes the file whole at once.
    const std::string line = R"(/bin/sh -c "\"$@\"; echo $? >\"$0.part\" && mv \"$0.part\" \"$0\"" )" +
                             Quote(unixEndFile) + " " + commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION unfilled{};
    std::wstring wide = Wide(line, CP_UTF8);
    if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &unfilled)) {
        return false;
    }
    const std::wstring end = LongForm(endFile);
    for (int i = 0; i < 3000; ++i) {
        if (GetFileAttributesW(end.c_str()) != INVALID_FILE_ATTRIBUTES) {
            const std::string code = ReadWhole(end);
            DeleteFileW(end.c_str());
            return code == "0\n";
        }
        Sleep(20);
    }
    ADD_FAILURE() << "a host program did not end within a minute: " << commandLine;
    return false;
}

EngineTempTree::EngineTempTree(const std::string& stem)
{
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    RootPath = IncludeTrailingPathDelimiter(temp) + stem + "-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(GetTickCount()) + "-" + std::to_string(Serial++);
    if (!CreateDirectoryW(Wide(RootPath).c_str(), nullptr)) ADD_FAILURE() << "cannot create " << RootPath;
    RootPath = IncludeTrailingPathDelimiter(RootPath);
}

EngineTempTree::~EngineTempTree()
{
    // Mounts and links first, so that removing the tree never reaches out of it;
    // one that does not go away leaves the tree where it is.
    bool undone = true;
    for (auto entry = HostEntries.rbegin(); entry != HostEntries.rend(); ++entry) undone = Undo(*entry) && undone;
    if (undone) RemoveTree(LongForm(RootPath));
}

bool EngineTempTree::Undo(const HostEntry& entry) const
{
    EngineRunProcess(entry.UndoCommand + Quote(entry.UnixPath));
    return Await([&] { return GetFileAttributesW(WidePath(entry.Seen).c_str()) == INVALID_FILE_ATTRIBUTES; });
}

std::wstring EngineTempTree::WidePath(const std::string& relative) const { return LongForm(Path(relative)); }

void EngineTempTree::Folder(const std::string& relative) const
{
    const std::string path = Path(relative);
    // Parents first, cut at real separators only.
    for (size_t i = RootPath.size(); i < path.size(); ++i) {
        if (path[i] == '\\') {
            CreateDirectoryW(LongForm(path.substr(0, i)).c_str(), nullptr);
        }
    }
    if (!CreateDirectoryW(LongForm(path).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        ADD_FAILURE() << "cannot create folder " << path;
    }
}

void EngineTempTree::File(const std::string& relative, const std::string& content, DWORD attributes) const
{
    const size_t last = LastPathDelimiter(relative);
    if (last != std::string::npos) Folder(relative.substr(0, last));
    CreateWithContent(WidePath(relative), content, attributes);
}

void EngineTempTree::WideFile(const std::string& folder, const std::wstring& name, const std::string& content) const
{
    CreateWithContent(LongForm(IncludeTrailingPathDelimiter(Path(folder))) + name, content, 0);
}

void EngineTempTree::WideFolder(const std::string& folder, const std::wstring& name) const
{
    if (!CreateDirectoryW((LongForm(IncludeTrailingPathDelimiter(Path(folder))) + name).c_str(), nullptr)) {
        ADD_FAILURE() << "cannot create a folder in " << folder;
    }
}

bool EngineTempTree::FolderLink(const std::string& relative, const std::string& target)
{
    const std::string link = EngineUnixPath(Path(relative));
    const std::string to = EngineUnixPath(target);
    if (link.empty() || to.empty()) return false;
    if (!EngineRunProcess("/bin/ln -s " + Quote(to) + " " + Quote(link))) return false;
    HostEntries.push_back({link, relative, relative, "/bin/rm -f "});
    return Await([&] { return IsFolder(relative); });
}

bool EngineTempTree::HostMake(const std::string& script, const std::string& seen, const std::string& made)
{
    std::string root = EngineUnixPath(RootPath);
    if (root.empty()) return false;
    if (root.back() != '/') root += '/';
    // Whatever part of `made` the script got to goes when the tree goes.
    if (!made.empty()) HostEntries.push_back({root + made, made, made, "/bin/rm -rf "});
    if (!EngineRunProcess("/bin/sh -c " + Quote("cd '" + root + "' && " + script))) return false;
    return Await([&] { return GetFileAttributesW(WidePath(seen).c_str()) != INVALID_FILE_ATTRIBUTES; });
}

bool EngineTempTree::FolderBind(const std::string& relative, const std::string& target, const std::string& marker,
                                bool readOnly)
{
    const std::string at = EngineUnixPath(Path(relative));
    const std::string from = EngineUnixPath(target);
    if (at.empty() || from.empty()) return false;
    // One host program for both steps: the second must follow the first.
    std::string command = "mount --bind '" + from + "' '" + at + "'";
    if (readOnly) command += " && mount -o remount,bind,ro '" + at + "'";
    // Undone even when only the first step took.
    const std::string seen = relative + "\\" + marker;
    HostEntries.push_back({at, relative, seen, "/bin/umount -l "});
    if (!EngineRunProcess("/bin/sh -c " + Quote(command))) return false;
    if (!Await([&] { return IsFile(seen); })) return false;
    if (!readOnly) return true;
    // Read-only once a new file cannot be made there.
    const std::wstring probe = WidePath(relative + "\\probe.tmp");
    return Await([&] {
        HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return true;
        CloseHandle(file);
        DeleteFileW(probe.c_str());
        return false;
    });
}

bool EngineTempTree::SmallVolume(const std::string& relative, unsigned kilobytes)
{
    const std::string at = EngineUnixPath(Path(relative));
    if (at.empty()) return false;
    if (!EngineRunProcess("/bin/mount -t tmpfs -o size=" + std::to_string(kilobytes) + "k tmpfs " + Quote(at))) {
        return false;
    }
    const std::string seen = relative + "\\volume.txt";
    HostEntries.push_back({at, relative, seen, "/bin/umount -l "});
    const std::wstring folder = WidePath(relative + "\\");
    const bool small = Await([&] {
        ULARGE_INTEGER available, total, free;
        return GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free) &&
               total.QuadPart <= 2ULL * 1024 * kilobytes;
    });
    if (!small) return false;
    File(seen);
    return true;
}

bool EngineTempTree::IsFile(const std::string& relative) const
{
    const DWORD attributes = GetFileAttributesW(WidePath(relative).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EngineTempTree::IsFolder(const std::string& relative) const
{
    const DWORD attributes = GetFileAttributesW(WidePath(relative).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string EngineTempTree::Read(const std::string& relative) const { return ReadWhole(WidePath(relative)); }

std::vector<std::wstring> EngineTempTree::Names(const std::string& folder) const
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((LongForm(IncludeTrailingPathDelimiter(Path(folder))) + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::string EngineRecycleBinFiles()
{
    char dataHome[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("XDG_DATA_HOME", dataHome, sizeof dataHome);
    if (length == 0 || length >= sizeof dataHome) return {};
    using DosFileName = WCHAR*(CDECL*)(const char*);
    const auto toDos = reinterpret_cast<DosFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (!toDos) return {};
    WCHAR* dos = toDos((std::string(dataHome) + "/Trash/files").c_str());
    if (!dos) return {};
    char path[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_UTF8, 0, dos, -1, path, sizeof path, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, dos);
    return IncludeTrailingPathDelimiter(path);
}

namespace {

// ".../Trash/files\\" beside ".../Trash/info\\".
std::string RecycleBinInfoFile(const std::string& bin, const std::string& name)
{
    return bin.substr(0, bin.size() - std::string("files\\").size()) + "info\\" + name + ".trashinfo";
}

} // namespace

std::string EngineRecycleBinInfo(const std::string& name)
{
    const std::string bin = EngineRecycleBinFiles();
    if (bin.empty()) return {};
    HANDLE file = CreateFileW(LongForm(RecycleBinInfoFile(bin, name)).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string content(65536, '\0');
    DWORD read = 0;
    ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    CloseHandle(file);
    content.resize(read);
    return content;
}

void EngineForgetRecycled(const std::string& name)
{
    const std::string bin = EngineRecycleBinFiles();
    if (bin.empty()) return;
    const std::wstring item = LongForm(bin + name);
    const DWORD attributes = GetFileAttributesW(item.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        RemoveTree(item + L"\\");
    } else {
        DeleteFileW(item.c_str());
    }
    DeleteFileW(LongForm(RecycleBinInfoFile(bin, name)).c_str());
}
