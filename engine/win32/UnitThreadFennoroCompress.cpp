// The compress job: every checked, untried row's folder is packed into an archive
// beside it by the profile's archiver library, and optionally moved to the recycle bin.
#include "engine/ArchiverProfile.h"
#include "engine/win32/FolderEntries.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "base/PathUtility.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

namespace {

// The archiver library's two entry points.
using ArchiverFunction = int(WINAPI*)(HWND window, LPCSTR commandLine, LPSTR output, DWORD outputSize);
using RunningFunction = BOOL(WINAPI*)();
// The optional third export: the number of files in an archive, or -1.
using FileCountFunction = int(WINAPI*)(LPCSTR archive);

// What an archiver returns when the archive already exists; it never overwrites one.
constexpr int ArchiveExistsResult = 2;

constexpr DWORD OutputSize = 1024;

// What the folder holds, down to every nested entry's name, attributes, size and
// time, as one value: taken before the archiver runs and again before the folder
// goes, so that a folder changed meanwhile is never removed with what its
// archive lacks. One pass, nothing kept but the value and the count of files.
class TFolderDigest {
public:
    explicit TFolderDigest(const std::string& folderPath)
    {
        // By the wide names: a name the code page lacks is followed too. A stack of
        // its own, not recursion: no depth of nesting exhausts the thread's stack.
        std::vector<std::wstring> pending{AnsiToWide(IncludeTrailingPathDelimiter(folderPath))};
        const size_t rootLength = pending.front().size();
        while (!pending.empty()) {
            const std::wstring dir = std::move(pending.back());
            pending.pop_back();
            Mix(dir.c_str() + rootLength, (dir.size() - rootLength + 1) * sizeof(wchar_t));
            // A folder that cannot be read gives no entries: then it may be read the
            // second time and the values differ, which only keeps the folder.
            ForEachFolderEntry(dir, [&](const TFolderEntry& entry) {
                Mix(entry.WideName.c_str(), (entry.WideName.size() + 1) * sizeof(wchar_t));
                Mix(&entry.Attributes, sizeof entry.Attributes);
                Mix(&entry.Size, sizeof entry.Size);
                Mix(&entry.LastWriteTime, sizeof entry.LastWriteTime);
                // Links are not followed, as the archivers do not follow them.
                if (!entry.IsFolder()) {
                    ++Files;
                } else if (!(entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                    pending.push_back(dir + entry.WideName + L"\\");
                }
                return true;
            });
            Mix("\0", 1);  // the end of a folder, so that nesting counts
        }
    }
    bool operator==(const TFolderDigest&) const = default;
    // The files of the whole tree, which a complete archive holds.
    long long FileCount() const { return Files; }

private:
    void Mix(const void* data, size_t size)
    {
        for (size_t i = 0; i < size; ++i) Value = (Value ^ static_cast<const unsigned char*>(data)[i]) * 0x100000001B3ULL;
    }

    unsigned long long Value = 0xCBF29CE484222325ULL;
    long long Files = 0;
};

// Moves a file or folder to the recycle bin through the shell; true only when it is gone.
bool Recycle(HWND owner, const std::string& path, FILEOP_FLAGS flags)
{
    // The shell takes neither a path longer than MAX_PATH nor the "\\?\" form: such an
    // item goes by its short name, and without one it stays where it is.
    const std::string shellPath = ShellPath(path);
    if (shellPath.empty()) return false;
    // The shell wants a full path; it must not resolve a relative one on this thread.
    std::string fullPath = shellPath;
    const DWORD length = GetFullPathNameA(shellPath.c_str(), 0, nullptr, nullptr);
    if (length > 0) {
        std::string buffer(length, '\0');
        const DWORD written = GetFullPathNameA(shellPath.c_str(), length, buffer.data(), nullptr);
        if (written > 0 && written < length) fullPath.assign(buffer.data(), written);
    }
    // The shell's list form: the path and two zero bytes, in a buffer sized to the path.
    std::vector<char> source(fullPath.begin(), fullPath.end());
    source.resize(source.size() + 2, '\0');

    SHFILEOPSTRUCTA operation{};
    operation.hwnd = owner;
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.data();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOERRORUI | flags;
    const int result = SHFileOperationA(&operation);
    // Declining the confirmation is no error for the shell, but the item is still there.
    return result == 0 && !operation.fAnyOperationsAborted && !LongPathExists(path);
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

    // A name Win32 would rewrite reaches another folder or a device, and a link or
    // junction leads outside the root: neither is ever archived or recycled (the
    // search judges them unfit, but the user may check any row).
    const DWORD attributes = LongPathAttributes(folderPath);
    if (!IsWin32ExactName(name) ||
        (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)))
        return fail("!扱えないファイル名です", name);
    if (LongFileExists(archivePath)) return fail("!書庫が既存します", archiveName);
    std::optional<TFolderDigest> before;
    if (RemoveFolder) before.emplace(folderPath);

    int returned = 0;
    bool archiveAbsent = false;
    int archivedFiles = -1;
    bool fileCountKnown = false;
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
        archiveAbsent = !LongPathExists(archivePath);
        returned = archiver(nullptr, commandLine.c_str(), output, OutputSize);

        const auto fileCount = reinterpret_cast<FileCountFunction>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), (FunctionName + "GetFileCount").c_str())));
        if (returned == 0 && RemoveFolder && fileCount) {
            fileCountKnown = true;
            archivedFiles = fileCount(archivePath.c_str());
        }
    }  // the library is released before its result is looked at

    if (returned != 0) {
        // Nothing was at the archive path just before the call, and the library did
        // not find an archive there: what is there now is the failed call's
        // unfinished work, which would later pass for a finished archive. Another
        // program's file (the library answered that the archive exists) stays.
        // To the recycle bin rather than gone, should it be anything else.
        if (archiveAbsent && returned != ArchiveExistsResult && LongFileExists(archivePath))
            Recycle(nullptr, archivePath, FOF_SILENT | FOF_NOCONFIRMATION);
        output[OutputSize - 1] = '\0';
        return fail("!圧縮に失敗: 戻り値=" + std::to_string(returned), output);
    }
    // A profile whose command line writes the archive elsewhere must never cost the folder.
    if (!LongFileExists(archivePath)) return fail("!書庫が作成されていません", archiveName);

    if (RemoveFolder) {
        if (!(TFolderDigest(folderPath) == *before)) {
            return SetRowResult("*圧縮成功: ただし圧縮中にフォルダが変更されたため削除しません", archiveName, false);
        }
        // A library that can count what it packed: an archive holding fewer files
        // than the folder's tree (a template without its recursive switch, say)
        // must not cost the rest of the folder.
        if (fileCountKnown && (archivedFiles < 0 || archivedFiles < before->FileCount())) {
            return SetRowResult("*圧縮成功: ただし書庫の内容がフォルダと一致しないため削除しません", archiveName,
                                false);
        }
        SetStatus("削除中: " + name);
        if (!Recycle(OwnerWindow, folderPath, QuietOption.empty() ? 0 : FOF_SILENT)) {
            return SetRowResult("*圧縮成功: ただしフォルダの削除に失敗", archiveName, false);
        }
    }
    SetRowResult("*圧縮しました", archiveName, false);
}
