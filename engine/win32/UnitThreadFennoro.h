#pragma once
// The worker: one object runs one job, the find job (judge every folder below a
// root folder) or the compress job (archive the checked folders). It reaches its
// owner only on the owner's thread: through synchronous calls, or, for the find
// job's rows and status texts, through a queue the owner drains.
#include "base/IgnoredNames.h"
#include "engine/ComicBook.h"
#include "engine/FolderRow.h"
#include "engine/JobLog.h"
#include "engine/JobProgress.h"
#include "engine/win32/FolderEntries.h"
#include "engine/win32/FolderSafety.h"
#include "engine/win32/TThreadFennoroOwner.h"
#include "pages/PageSize.h"
#include "toolkit/TThread.h"

class TPageChecker;
class TPageStamps;
struct TPageSizes;

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

enum class TJobKind { FindJob, CompressJob };

// Whether the find job reads the pages of a folder that passed every other check,
// and how deep (On: the structure around the pixel data; Deep: a JPEG's every
// block too). A type of its own: a bool here would let a compress call's texts
// pass for flags.
enum class TPageCheck { Off, On, Deep };

// The find's content rules (allowed extensions, recursion, numbering) as they stand.
struct TContentRules {
    std::vector<std::string> Extensions;
    bool Recursive = false;
    bool Numbered = false;
    bool NumberedAbout = false;
};

// Whether a row's result is one of the find's content verdicts (a disallowed
// extension, a sub-folder, an empty folder, the numbering): a row checked by hand
// over one of them overrides the content rules.
bool IsContentVerdict(const std::string& result);

// What a find job takes beyond the search options.
struct TFindJobExtras {
    // Book folders at any depth: a folder holding sub-folders and no files (an
    // author, a series) is gone through, and each folder below it that holds
    // files gets a row named by its path below the root.
    bool InTree = false;
    // The names that are no pages (a ";" list with wildcards); empty: none.
    std::string IgnoredFiles;
    // The archive formats' extensions: an archive beside the books it was made
    // of does not make a folder of books a book.
    std::vector<std::string> ArchiveExtensions;
};

// What a compress job takes beyond the profile.
struct TCompressJobExtras {
    // The names that are no pages: left out of the archive, recycled with the folder.
    std::string IgnoredFiles;
    // The user agreed once, for the whole job, that the folders go to the recycle
    // bin: the shell is not to ask again for each one.
    bool RemovalConfirmed = false;
    // Started to run with nobody at the screen: the shell shows no window at all,
    // and a folder it could only delete for good stays.
    bool Unattended = false;
    // The record the job appends one line per folder to; empty: none.
    std::string LogPath;
    // With the page check on, each folder's pages are read again right before its
    // archiver runs, but for those the find found whole and that are unchanged since.
    TPageCheck PageCheck = TPageCheck::Off;
    // The ComicInfo.xml written into the archives that take one.
    TComicInfoOptions ComicInfo;
    // The rows the job takes: those checked when the user asked for it, among the
    // owner's. None given: those checked when the job starts. Rows checked while it
    // runs wait for the next job, so that it never archives (or recycles) more
    // than the user was asked about.
    std::optional<std::vector<const FolderRow*>> Rows;
    // The content rules F8 judges each folder by again, on what its safety walk
    // listed, unless the row was checked by hand over a content verdict. None: the
    // safety rules alone.
    std::optional<TContentRules> Content;
};

class TThreadFennoro final : public TThread {
public:
    // Find job. The root folder as the user typed it (a separator is appended when
    // missing), the allowed extensions as a ";" list text, and the search options.
    // With an archive extension, a fit folder whose archive is beside it already
    // is found unchecked with its own verdict.
    TThreadFennoro(TThreadFennoroOwner& owner, const std::string& rootFolder, const std::string& extensions,
                   bool recursive, bool numbered, bool numberedAbout, TPageCheck pageCheck = TPageCheck::Off,
                   const std::string& archiveExtension = {}, const TFindJobExtras& findExtras = {});

    // Find job over the folders named one by one (full paths), each judged as a
    // folder directly below its own parent is; the list holds exactly those.
    TThreadFennoro(TThreadFennoroOwner& owner, const std::vector<std::string>& folders, const std::string& extensions,
                   bool recursive, bool numbered, bool numberedAbout, TPageCheck pageCheck = TPageCheck::Off,
                   const std::string& archiveExtension = {}, const TFindJobExtras& findExtras = {});

    // Compress job, with the fields of the chosen archiver profile; the quiet option
    // is already empty when quiet compression is off.
    TThreadFennoro(TThreadFennoroOwner& owner, const std::string& archiveExtension, const std::string& quietOption,
                   bool removeFolder, const std::string& commandTemplate, const std::string& functionName,
                   const std::string& dllName, const TCompressJobExtras& extras = {});

    // Asks the job to stop and waits for it, serving its synchronous calls meanwhile.
    ~TThreadFennoro() override;

    // True from construction until the job has ended, normally, after a stop
    // request or by an unexpected error (then its status text says what went wrong).
    // Read without a lock: the owner may see the change one idle cycle late.
    // A worker whose thread died without returning is not running either, so the
    // window can always abort and start anew.
    bool Running() const noexcept { return RunningFlag.load(std::memory_order_acquire) && !Ended(); }

    TJobKind JobKind() const noexcept { return Job; }

    // Shows the find job's queued rows and status texts now, in the order they came
    // (an owner that drains them calls it on its timer; the job's end does too).
    // On the owner's thread only.
    void DeliverReports();

    // How far the job has come: the folders done and in the job, the folder in
    // hand when its archiver reports it, and at the end the counts. Any thread.
    TJobProgress Progress() const;

    // Inherited: RequestStop() (the abort command), StopRequested(), WaitFor(), Finished().

private:
    void StartFindJob();
    void Execute() override;
    void DoTerminate() override;
    void RunJob();

    // Worker side: stage the values, then run the owner-side operation synchronously.
    // (The find job stages each row itself and sends it with the next status text.)
    void SetStatus(const std::string& text);
    void SetRowResult(const std::string& result, const std::string& remark, bool keepChecked);

    // The find job's report of a folder: the rows that are ready (handed over and
    // cleared) and StatusText, queued for an owner that drains them, else shown
    // through one synchronous call.
    void ReportFolder(std::vector<FolderRow>& rows);
    FolderRow StagedRow() const;

    // Owner side: run on the owner's thread, read the staged members.
    void ShowStatus();
    void UpdateRow();
    void PickNextRow();
    void EndCompressMarks();
    void ClearRows();

    // Find job.
    void FindFolders();
    // The folder's own listing, when the find has read it (null: read it here).
    bool CheckFolder(const std::string& path, const std::wstring& widePath, const std::vector<TFolderEntry>* listing,
                     long long& count);
    bool CheckFiles(const TTreeFolder& folder, size_t topLength, long long& count);
    bool CheckTreeContent(const TFolderTree& tree, long long& count);
    // Whether a folder of the walked tree lies in a left-out one (a "__MACOSX").
    bool InsideIgnored(const TTreeFolder& folder, size_t topLength) const;
    // What the tree search makes of a folder by its listing: a folder of books
    // (sub-folders, and no files but archives and left-overs), what is left of
    // one whose books are all archived (archives and left-overs only), or a book.
    enum class TTreeKind { Container, Done, Book };
    TTreeKind TreeKindOf(const std::vector<TFolderEntry>& entries) const;
    std::optional<bool> CheckFirstLevel(const TTreeFolder& folder, long long& count);
    bool CheckNumbering(const std::vector<std::string>& names);
    bool IsAllowedExtension(const std::string& extension) const;
    // The page check, over the files the folder check kept in Pages (the folder
    // and, when the search is recursive, its sub-folders): begun for a folder
    // whose row is otherwise "+圧縮できます", ended once the next folder is listed;
    // the end puts the verdict into the row.
    struct TPendingFolder {
        FolderRow Row;
        std::vector<std::string> PageNames;  // in the order checked
        std::vector<std::string> PagePaths;  // the same inside the folder, for their sizes
        std::vector<std::wstring> PageFiles;  // the same, as the checker opens them
        std::shared_ptr<const TPageStamps> Stamps;  // the row's, once every page is whole
    };
    void BeginPages(TPendingFolder& folder);
    void EndPages(TPendingFolder& folder);
    struct TFolderPages {
        std::string Dir;  // with its separator
        std::string Inside;  // the same below the row's folder, for remarks
        std::vector<std::string> Names;
    };
    std::vector<TFolderPages> Pages;
    std::unique_ptr<TPageChecker> PageChecker;  // for the find job's life
    // The page stamps: the find takes them of the folder it begins to read (its
    // walked tree kept in PagesTree); F8 reads again what they do not prove whole.
    TFolderTree PagesTree;
    void StampPages(TPendingFolder& folder);
    std::optional<TSafetyFault> RecheckPages(const TFolderTree& tree, const std::optional<TFolderIdentity>& folder);

    // The progress, changed under its lock.
    template <typename Change>
    void ChangeProgress(Change change)
    {
        std::lock_guard<std::mutex> lock(ProgressLock);
        change(ProgressState);
    }
    void EndProgress();

    // Compress job.
    // The archiver's report from inside its call, on this worker's thread: the
    // folder's share done; false (a stop request) makes it cancel the call.
    static BOOL WINAPI ArchiverProgress(void* context, const char* fileName, ULONGLONG bytesDone,
                                        ULONGLONG bytesTotal);
    void CompressFolders();
    void CompressFolder(const std::string& name, const std::wstring& wideName, const std::string& parent);
    // The book of the folder in hand: its row's name and the pages of its walked tree.
    TComicInfo BookOf(const std::string& name, const TFolderTree& tree);
    // The folder in hand was stopped inside its archiver's call: not tried to its
    // end, so its row stays checked and untried ("中断されました"), one of those left.
    void StopRowInHand();
    // The folder's line in the record, with its outcome.
    void RecordFolder(const std::string& result, const std::string& remark);
    // The content rules again (UnitThreadFennoroContent): the find's verdict on the
    // folder now, when it is no longer fit; none while it is, or for a row checked
    // by hand over a content verdict.
    void SetContentRules(const TContentRules& rules);
    std::optional<TSafetyFault> ContentFault(const TFolderTree& tree, const std::string& folderPath);
    bool RecheckContentRules = false;
    // The row in hand gets the find's verdict: unchecked, not archived, tried again only by hand.
    bool RowJudged = false;

    TThreadFennoroOwner& Owner;
    HWND OwnerWindow;

    std::atomic<bool> RunningFlag{true};
    TJobKind Job;
    std::string RootPath;
    std::vector<std::string> NamedFolders;  // the find job's folders when named one by one
    std::vector<std::string> AllowedExtensions;
    bool Recursive = false;
    bool Numbered = false;
    bool NumberedAbout = false;
    bool VerifyImages = false;
    bool DeepImages = false;
    bool InTree = false;
    std::vector<std::string> ArchiveExtensions;
    TIgnoredNames Ignored;
    // What the folder in hand holds of them, for its record.
    std::string RecordLeftOut;
    std::string ArchiveExtension;
    std::string DllName;
    std::string FunctionName;
    std::string CommandTemplate;
    std::string QuietOption;
    bool RemoveFolder = false;
    bool RemovalConfirmed = false;
    TComicInfoOptions ComicInfoOptions;
    bool Unattended = false;
    std::string LogPath;
    // The record of the folder in hand, filled in as its values become known.
    TJobLogEntry Record;
    // The archiver was told to cancel its call (a stop request).
    std::atomic<bool> CancelSent{false};

    // The find job's reports waiting for an owner that drains them.
    struct TReport {
        std::optional<FolderRow> Row;
        std::string Status;
    };
    bool QueueReports = false;
    std::mutex ReportLock;
    std::vector<TReport> Reports;

    mutable std::mutex ProgressLock;
    TJobProgress ProgressState;
    ULONGLONG StartTick = GetTickCount64();
    ULONGLONG EndTick = 0;

    std::string StatusText;
    bool RowChecked = false;
    bool RowStopped = false;
    std::string RowName;
    std::wstring RowWideName;
    std::string RowLocation;  // below the root, with its separator; empty directly below it
    uint64_t RowListing = 0;  // the digest of the folder's own listing
    std::string ResultText;
    std::string RemarkText;
    FolderRow* CurrentRow = nullptr;
    bool RowUpdatePending = false;  // the compress job's outcome, staged for the next call
    std::string CurrentName;
    std::wstring CurrentWideName;
    std::string CurrentParent;
    std::string CurrentResult;
    std::shared_ptr<const TPageStamps> CurrentStamps;
    std::shared_ptr<const TPageSizes> CurrentSizes;
    // The sizes of the pages F8 read again (by their wide path), for ComicInfo.xml.
    std::unordered_map<std::wstring, TPageSize> FreshSizes;
    // The compress job's rows (TCompressJobExtras::Rows), taken at its first pick when none were given.
    std::optional<std::unordered_set<const FolderRow*>> JobRows;

    // The search root's identity, so that a link or mount leading back to it is
    // never followed.
    std::vector<TFolderIdentity> RootIdentity;
};
