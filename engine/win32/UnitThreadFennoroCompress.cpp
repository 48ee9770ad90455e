// The compress job: every checked, untried row's folder is packed into an archive
// beside it by the profile's archiver library, and optionally moved to the recycle bin.
#include "engine/ArchiverProfile.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "settings/PathUtility.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// The archiver library's two entry points.
using ArchiverFunction = int(WINAPI*)(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize);
using RunningFunction = BOOL(WINAPI*)();

constexpr DWORD OutputSize = 1024;

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Moves the folder to the recycle bin through the shell; true only when it is gone.
bool RecycleFolder(HWND owner, const std::string& folderPath, bool quiet)
{
    // The shell wants a full path; it must not resolve a relative one on this thread.
    std::string fullPath = folderPath;
    const DWORD length = GetFullPathNameA(folderPath.c_str(), 0, nullptr, nullptr);
    if (length > 0) {
        std::string buffer(length, '\0');
        const DWORD written = GetFullPathNameA(folderPath.c_str(), length, buffer.data(), nullptr);
        if (written > 0 && written < length) fullPath.assign(buffer.data(), written);
    }
    // The shell's list form: the path and two zero bytes, in a buffer sized to the path.
    std::vector<char> source(fullPath.begin(), fullPath.end());
    source.resize(source.size() + 2, '\0');

    SHFILEOPSTRUCTA operation{};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.data();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOERRORUI | (quiet ? FOF_SILENT : 0);
    const int result = SHFileOperationA(&operation);
    // Declining the confirmation is no error for the shell, but the folder is still there.
    return result == 0 && !operation.fAnyOperationsAborted && !PathExists(folderPath);
}

} // namespace

void TThreadFennoro::CompressFolders()
{
    SetStatus("圧縮中: ");
    while (!StopRequested()) {
        Synchronize([this] { PickNextRow(); });
        if (!CurrentRow) break;
        CompressFolder(CurrentName, CurrentParent);
    }
    CurrentRow = nullptr;
    Synchronize([this] { EndCompressMarks(); });
    SetStatus(StopRequested() ? "圧縮を中断しました" : "圧縮が終了しました");
}

void TThreadFennoro::CompressFolder(const std::string& name, const std::string& parent)
{
    SetStatus("圧縮中: " + name);
    const std::string folderPath = parent + name;
    const std::string archiveName = name + ArchiveExtension;
    const std::string archivePath = parent + archiveName;
    const std::string commandLine =
        BuildCommandLine(CommandTemplate, QuietOption, archivePath, IncludeTrailingPathDelimiter(folderPath));
    const std::string runningName = FunctionName + "GetRunning";
    const auto fail = [&](const std::string& result, const std::string& remark) { SetRowResult(result, remark, true); };

    if (FileExists(archivePath)) return fail("!書庫が既存します", archiveName);

    int returned = 0;
    char output[OutputSize];
    {
        ScopedModule library(LoadLibraryA(DllName.c_str()));
        if (!library) return fail("!致命的なエラー", DllName + "をロードできません");
        const auto archiver = reinterpret_cast<ArchiverFunction>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), FunctionName.c_str())));
        if (!archiver) return fail("!致命的なエラー", DllName + "の" + FunctionName + "関数が見つかりません");
        const auto running = reinterpret_cast<RunningFunction>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), runningName.c_str())));
        if (!running) return fail("!致命的なエラー", DllName + "の" + runningName + "関数が見つかりません");
        if (running()) return fail("!致命的なエラー", DllName + "は現在動作中なので使用できません");

        std::fill(std::begin(output), std::end(output), '\0');
        returned = archiver(nullptr, commandLine.c_str(), output, OutputSize);
    }  // the library is released before its result is looked at

    if (returned != 0) {
        output[OutputSize - 1] = '\0';
        return fail("!圧縮に失敗: 戻り値=" + std::to_string(returned), output);
    }
    // A profile whose command line writes the archive elsewhere must never cost the folder.
    if (!FileExists(archivePath)) return fail("!書庫が作成されていません", archiveName);

    if (RemoveFolder) {
        SetStatus("削除中: " + name);
        if (!RecycleFolder(OwnerWindow, folderPath, !QuietOption.empty())) {
            return SetRowResult("*圧縮成功: ただしフォルダの削除に失敗", archiveName, false);
        }
    }
    SetRowResult("*圧縮しました", archiveName, false);
}
