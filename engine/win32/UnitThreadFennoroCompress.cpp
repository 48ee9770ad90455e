// The compress job: every checked, untried row's folder is packed into an archive
// beside it by the profile's archiver library, and optionally moved to the recycle bin.
#include "base/WideText.h"
#include "engine/ArchiverProfile.h"
#include "engine/win32/ArchiveTarget.h"
#include "engine/win32/ComicInfoFile.h"
#include "engine/win32/CompressPhases.h"
#include "engine/win32/FolderSafety.h"
#include "engine/win32/LeftOutEntries.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/PathLock.h"
#include "engine/win32/RecycleBin.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "base/PathUtility.h"

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
// The optional progress export: the callback, called at least every 100 ms on the
// thread that made the call, cancels the call when it returns FALSE; null removes it.
using ProgressCallback = BOOL(WINAPI*)(LPVOID context, LPCSTR fileName, ULONGLONG bytesDone,
                                       ULONGLONG bytesTotal);
using SetProgressFunction = BOOL(WINAPI*)(ProgressCallback callback, LPVOID context);

// Keeps a callback registered for one call: a library must never call back into
// a worker that is gone.
class TProgressRegistration {
public:
    TProgressRegistration(SetProgressFunction set, ProgressCallback callback, void* context) : Set(set)
    {
        if (Set) Set(callback, context);
    }
    ~TProgressRegistration()
    {
        if (Set) Set(nullptr, nullptr);
    }
    TProgressRegistration(const TProgressRegistration&) = delete;
    TProgressRegistration& operator=(const TProgressRegistration&) = delete;

private:
    SetProgressFunction Set;
};

// The optional Unicode switch: on, every text the library takes and gives is UTF-8.
using UnicodeModeFunction = BOOL(WINAPI*)(BOOL on);

constexpr DWORD OutputSize = 1024;

// The job's phase clock, for the archiver's reports on the same thread.
thread_local TCompressPhases* Phases = nullptr;
// The job's ComicInfo.xml, written anew for each folder that gets one.
thread_local TComicInfoFile* JobComicInfo = nullptr;

// What an archiver returns when the archive already exists; it never overwrites one.
constexpr int ArchiveExistsResult = 2;

// The wide name of the row's folder, when it names exactly the entry the find
// listed: the row's own text is what the archiver gets, so it must convert to
// that very name and back, and be a plain name Win32 does not rewrite.
std::optional<std::wstring> ExactFolderName(const std::string& name, const std::wstring& wideName)
{
    if (!IsPlainFileName(name)) return std::nullopt;
    const std::wstring wide = wideName.empty() ? WideText(name) : wideName;
    bool exact = false;
    if (Utf8Name(wide.c_str(), exact) != name || !exact) return std::nullopt;
    return wide;
}

uint64_t FileBytes(const TFolderTree& tree)
{
    uint64_t bytes = 0;
    for (const TTreeFolder& folder : tree)
        for (const TFolderEntry& entry : folder.Entries)
            if (entry.IsFile()) bytes += entry.Size;
    return bytes;
}

uint64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The first name in the tree that the ANSI code page cannot give back exactly: a
// library without the Unicode switch reads the folder through the ANSI functions,
// which would show it a look-alike or "?". None when every name fits.
std::optional<std::string> NameOutsideAnsi(const TFolderTree& tree)
{
    std::string ansi;
    for (const TTreeFolder& folder : tree) {
        for (const TFolderEntry& entry : folder.Entries) {
            if (!ExactCodePageText(entry.Name, CP_ACP, ansi)) return entry.Name;
        }
    }
    return std::nullopt;
}

} // namespace

BOOL WINAPI TThreadFennoro::ArchiverProgress(void* context, const char* fileName, ULONGLONG bytesDone, ULONGLONG bytesTotal)
{
    auto* self = static_cast<TThreadFennoro*>(context);
    if (!self) return TRUE;
    if (Phases && fileName) Phases->CallReport(!*fileName && bytesDone > 0 && bytesDone * 2 >= bytesTotal, bytesDone == bytesTotal);
    if (bytesTotal > 0) {
        const int permille = static_cast<int>(bytesDone >= bytesTotal ? 1000 : bytesDone * 1000 / bytesTotal);
        self->ChangeProgress([permille](TJobProgress& progress) { progress.FolderPermille = permille; });
    }
    if (!self->StopRequested()) return TRUE;
    self->CancelSent = true;
    return FALSE;
}

void TThreadFennoro::CompressFolders()
{
    TCompressPhases phases;
    struct TActivePhases {
        explicit TActivePhases(TCompressPhases& phases) { Phases = &phases; }
        ~TActivePhases() { Phases = nullptr; }
    } active(phases);
    TComicInfoFile comicInfo;
    struct TActiveComicInfo {
        explicit TActiveComicInfo(TComicInfoFile& file) { JobComicInfo = &file; }
        ~TActiveComicInfo() { JobComicInfo = nullptr; }
    } activeComicInfo(comicInfo);
    phases.Enter(TCompressPhase::Window);
    SetStatus("圧縮中: ");
    // Each call into the window shows the last folder's outcome, picks the next
    // folder and shows its name.
    const auto showOutcome = [this] {
        if (RowUpdatePending) UpdateRow();
        RowUpdatePending = false;
    };
    while (!StopRequested()) {
        phases.Enter(TCompressPhase::Window);
        Synchronize([&] {
            showOutcome();
            PickNextRow();
            if (!CurrentRow) return;
            StatusText = "圧縮中: " + CurrentName;
            ShowStatus();
        });
        if (!CurrentRow) break;
        phases.Enter(TCompressPhase::Other);
        CompressFolder(CurrentName, CurrentWideName, CurrentParent);
        phases.FolderDone();
    }
    phases.Enter(TCompressPhase::Window);
    Synchronize([&] {
        showOutcome();
        CurrentRow = nullptr;
        EndCompressMarks();
    });
    SetStatus(StopRequested() ? "圧縮を中断しました" : "圧縮が終了しました");
    phases.Finish();
}

void TThreadFennoro::CompressFolder(const std::string& name, const std::wstring& wideName, const std::string& rowParent)
{
    // "圧縮中: " and the name are on show: CompressFolders picked the folder with them.
    TCompressPhases& phases = *Phases;
    const std::string parent = LongFormParent(rowParent);
    const std::string folderPath = parent + name;
    const std::string archiveName = name + ArchiveExtension;
    const std::string archivePath = parent + archiveName;
    std::string utf8CommandLine =
        BuildCommandLine(CommandTemplate, QuietOption, archivePath, IncludeTrailingPathDelimiter(folderPath));
    const std::string runningName = FunctionName + "GetRunning";
    Record = TJobLogEntry{};
    RecordLeftOut.clear();
    Record.Folder = folderPath;
    Record.Archive = archivePath;
    CancelSent = false;
    const auto fail = [&](const std::string& result, const std::string& remark) {
        phases.Enter(TCompressPhase::Window);
        SetRowResult(result, remark, true);
    };
    // The sizes before and after count once the archive is there.
    uint64_t folderBytes = 0;
    uint64_t archiveBytes = 0;
    const auto kept = [&](const std::string& result) {
        ChangeProgress([&](TJobProgress& progress) {
            progress.BytesBefore += folderBytes;
            progress.BytesAfter += archiveBytes;
        });
        phases.Enter(TCompressPhase::Window);
        SetRowResult(result, archiveName, false);
    };

    // The folder and its archive by their exact names: a name Win32 would rewrite,
    // or one the row's text cannot give back, reaches another entry or a device.
    const auto exactName = ExactFolderName(name, wideName);
    if (!exactName) return fail("!扱えないファイル名です", name);
    if (!IsPlainFileName(archiveName)) return fail("!扱えないファイル名です", archiveName);
    const std::wstring wideParent = FileApiPath(IncludeTrailingPathDelimiter(parent));
    const std::wstring exactFolder = wideParent + *exactName;
    const std::wstring exactArchive = FileApiPath(archivePath);

    // Another Fennoro window at work on the same folder or archive, or on one above
    // or below the folder: no harm to either.
    phases.Enter(TCompressPhase::SafetyWalk);
    TPathLock lock;
    if (!lock.TryLockTree(exactFolder) || !lock.TryLock(exactArchive)) return fail("!別のウィンドウで処理中です", name);

    // A link or junction leads outside the root: never archived or recycled.
    if (IsLinkAt(exactFolder)) return fail("!扱えないファイル名です", name);
    // Whatever holds the name, a link to nothing included, is never replaced.
    if (ArchivePathOccupied(exactArchive)) return fail("!書庫が既存します", archiveName);

    // The safety rules over the whole tree, whatever the row's verdict said.
    const auto identity = IdentityOfPath(exactFolder);
    TSafetyWalk walk{folderPath, exactFolder, {}, nullptr, nullptr};
    walk.ResolveFiles = true;
    if (const auto parentIdentity = IdentityOfPath(wideParent)) walk.Ancestors.push_back(*parentIdentity);
    TFolderTree tree;
    if (const auto fault = WalkFolderTree(walk, tree)) return fail("!" + fault->Result, fault->Remark);
    const TTreeDigest before = DigestOf(tree);
    // What the system left is not packed; the digest above still covers it.
    const TLeftOut leftOut = LeftOutOf(tree, Ignored);
    if (!leftOut.Names.empty()) {
        utf8CommandLine += ExclusionSwitches(Ignored);
        for (const std::string& left : leftOut.Names) RecordLeftOut += (RecordLeftOut.empty() ? "" : " ") + left;
    }
    const long long pageFiles = before.Files - leftOut.Files;
    Record.Files = pageFiles;
    Record.BytesBefore = FileBytes(tree);
    // The content rules too: the folder goes only as the find would judge it now.
    if (const auto verdict = ContentFault(tree, rowParent + name)) {
        if (StopRequested()) return StopRowInHand();
        RowJudged = true;
        return fail(verdict->Result, verdict->Remark);
    }
    // The pages again, from what the walk listed: one damaged since the find (or
    // never found whole) keeps the folder, whatever the row said.
    if (VerifyImages) {
        if (const auto fault = RecheckPages(tree, identity)) return fail(fault->Result, fault->Remark);
    }
    // The book's ComicInfo.xml, one more file for the archiver, unless the folder has its own.
    TComicInfoFile& comicInfo = *JobComicInfo;
    struct TDiscard {
        TComicInfoFile& File;
        ~TDiscard() { File.Discard(); }
    } discard{comicInfo};
    if (WantsComicInfo(ComicInfoOptions, ArchiveExtension) && !HasOwnComicInfo(tree)) {
        if (const auto fault = comicInfo.Write(BookOf(name, tree))) return fail("!" + fault->Result, fault->Remark);
    }
    const long long addedFiles = comicInfo.Path().empty() ? 0 : 1;
    const std::string fullCommandLine =
        addedFiles ? WithComicInfoFile(utf8CommandLine, comicInfo.Path()) : utf8CommandLine;

    int returned = 0;
    bool archiveAbsent = false;
    bool cleansUp = false;
    int archivedFiles = -1;
    bool fileCountKnown = false;
    char output[OutputSize];
    bool unicode = false;
    {
        phases.Enter(TCompressPhase::Library);
        ScopedModule library(LoadLibraryW(WideText(DllName).c_str()));
        if (!library) return fail("!致命的なエラー", DllName + "をロードできません");
        const auto archiver = reinterpret_cast<ArchiverFunction>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), FunctionName.c_str())));
        if (!archiver) return fail("!致命的なエラー", DllName + "の" + FunctionName + "関数が見つかりません");
        const auto running = reinterpret_cast<RunningFunction>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), runningName.c_str())));
        if (!running) return fail("!致命的なエラー", DllName + "の" + runningName + "関数が見つかりません");
        if (running()) return fail("!致命的なエラー", DllName + "は現在動作中なので使用できません");

        // UTF-8 where the library takes it; else the ANSI code page, and only for a
        // folder whose every name it holds exactly, before anything is written.
        const auto unicodeMode = reinterpret_cast<UnicodeModeFunction>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), (FunctionName + "SetUnicodeMode").c_str())));
        unicode = unicodeMode && unicodeMode(TRUE);
        std::string commandLine = fullCommandLine;
        std::string ansiArchivePath = archivePath;
        if (!unicode) {
            if (!ExactCodePageText(fullCommandLine, CP_ACP, commandLine)) return fail("!扱えないファイル名です", name);
            ExactCodePageText(archivePath, CP_ACP, ansiArchivePath);
            if (const auto unfit = NameOutsideAnsi(tree)) return fail("!扱えないファイル名です", *unfit);
        }
        // A library that reports its progress shows it, and stops within the folder.
        const auto setProgress = reinterpret_cast<SetProgressFunction>(reinterpret_cast<void*>(
            GetProcAddress(library.get(), (FunctionName + "SetProgressCallback").c_str())));

        std::fill(std::begin(output), std::end(output), '\0');
        // Taken since the walk: a library's "a" would add to whatever holds it now.
        archiveAbsent = !ArchivePathOccupied(exactArchive);
        if (!archiveAbsent) return fail("!書庫が既存します", archiveName);
        phases.Enter(TCompressPhase::Packing);
        {
            TProgressRegistration registration(setProgress, &TThreadFennoro::ArchiverProgress, this);
            returned = archiver(nullptr, commandLine.c_str(), output, OutputSize);
        }

        phases.Enter(TCompressPhase::Counting);
        const auto fileCount = reinterpret_cast<FileCountFunction>(
            reinterpret_cast<void*>(GetProcAddress(library.get(), (FunctionName + "GetFileCount").c_str())));
        // A library that counts its archives (the bundled three) removes its own
        // unfinished work: after its failure nothing at the path is its.
        cleansUp = fileCount != nullptr;
        if (returned == 0 && RemoveFolder && fileCount) {
            fileCountKnown = true;
            archivedFiles = fileCount(ansiArchivePath.c_str());
        }
    }  // the library is released before its result is looked at
    phases.Enter(TCompressPhase::Other);

    if (returned != 0) {
        // A file at the archive path now is this call's unfinished work, which would
        // later pass for a finished archive, only when nothing held its name just before
        // the call, no other Fennoro window may write it (the lock), the library did
        // not answer that the archive exists, and it is no library that cleans up
        // after itself. Else it stays. To the recycle bin rather than gone, even so.
        if (archiveAbsent && !cleansUp && returned != ArchiveExistsResult) RecycleLeftover(exactArchive);
        output[OutputSize - 1] = '\0';
        const std::string message = unicode ? Utf8Text(WideText(output)) : CodePageToUtf8(output, CP_ACP);
        if (CancelSent) return StopRowInHand();
        return fail("!圧縮に失敗: 戻り値=" + std::to_string(returned), message);
    }
    // A profile whose command line writes the archive elsewhere must never cost the folder.
    if (!LongFileExists(archivePath)) return fail("!書庫が作成されていません", archiveName);
    folderBytes = FileBytes(tree);
    archiveBytes = FileSize(exactArchive);
    Record.BytesAfter = archiveBytes;
    if (!RemoveFolder) return kept("*圧縮しました");

    // The folder goes only as it was archived: the same tree, still safe, whole in the archive.
    phases.Enter(TCompressPhase::SafetyWalk);
    TFolderTree after;
    if (WalkFolderTree(walk, after) || !(DigestOf(after) == before))
        return kept("*圧縮成功: ただし圧縮中にフォルダが変更されたため削除しません");
    // A library that can count what it packed: an archive holding fewer files than
    // the folder's tree (a template without its recursive switch, say) must not
    // cost the rest of the folder.
    if (fileCountKnown && (archivedFiles < 0 || archivedFiles < pageFiles + addedFiles))
        return kept("*圧縮成功: ただし書庫の内容がフォルダと一致しないため削除しません");
    // The empty folder would survive only in the recycle bin.
    if (LosesEmptyFolder(ArchiveExtension, tree))
        return kept("*圧縮成功: ただしCAB書庫に入らない空のフォルダがあるため削除しません");
    // Where no recycle bin can take it, the shell would delete it for good.
    constexpr const char* NoBin = "*圧縮成功: ただしごみ箱に移せないため削除しません";
    if (!RecycleBinCanTake(exactFolder, folderBytes)) return kept(NoBin);
    // The shell reads a plain path: it must lead to the very folder digested above.
    const std::wstring shellPath = ShellPath(exactFolder);
    if (shellPath.empty() || !identity || IdentityOfPath(shellPath) != identity ||
        IdentityOfPath(exactFolder) != identity)
        return kept("*圧縮成功: ただしフォルダの削除に失敗");
    phases.Enter(TCompressPhase::Window);
    SetStatus("削除中: " + name);
    phases.Enter(TCompressPhase::Recycling);
    // Asked once for the whole job, the shell asks nothing more but before a delete
    // for good; unattended, it asks nothing and such a folder stays.
    const TRecycleDialogs dialogs = Unattended          ? TRecycleDialogs::None
                                    : RemovalConfirmed ? TRecycleDialogs::Confirmed
                                                       : TRecycleDialogs::Ask;
    switch (MoveToRecycleBin(OwnerWindow, shellPath, exactFolder, dialogs, !QuietOption.empty())) {
    case TRecycleOutcome::Recycled: break;
    // Declined with no question but the one before a delete for good: the bin refused it.
    case TRecycleOutcome::Declined:
        if (dialogs != TRecycleDialogs::Ask) return kept(NoBin);
        [[fallthrough]];
    case TRecycleOutcome::Failed: return kept("*圧縮成功: ただしフォルダの削除に失敗");
    }
    Record.Recycled = true;
    kept("*圧縮しました");
}
