// What a folder or an archive really is, whatever its spelling or its listing
// says: one lock per entry, names the system could not decode, formats that drop
// empty folders, pages still being written, temporary files of a call that dies.
// (Links to files and whatever holds an archive's name: safety.e2e.sh.)
#include "base/WideText.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::string Unique(const std::string& stem)
{
    static int serial = 0;
    return stem + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
           std::to_string(serial++);
}

EngineCompressOptions Removing(EngineCompressOptions options = {})
{
    options.RemoveFolder = true;
    return options;
}

// The names in the folder that look like an archiver's temporary file.
std::vector<std::wstring> Temporaries(const EngineTempTree& tree, const std::string& folder)
{
    std::vector<std::wstring> found;
    for (const std::wstring& name : tree.Names(folder)) {
        if (name.size() > 4 && name.compare(name.size() - 4, 4, L".tmp") == 0) found.push_back(name);
    }
    return found;
}

} // namespace

TEST(EntryIdentity, EverySpellingOfAFolderMeetsTheSameLock)
{
    EngineTempTree tree;
    tree.File("the library\\book\\01.jpg", "one");
    const std::string root = tree.Path("the library\\");
    if (!tree.FolderLink("linked", tree.Path("the library"))) GTEST_SKIP() << "no links here";
    wchar_t shortForm[1024] = {};
    ASSERT_GT(GetShortPathNameW(WideText(root).c_str(), shortForm, 1024), 0u);
    const std::string shortRoot = Utf8Text(shortForm);
    ASSERT_EQ(shortRoot.find("the library"), std::string::npos) << "a short name to test with";
    std::string upper = root;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
    const std::vector<std::pair<const char*, std::string>> spellings = {
        {"linked root", tree.Path("linked\\")},
        {"short name", shortRoot},
        {"long form", "\\\\?\\" + root},
        {"other case", upper},
    };

    for (const auto& [what, spelling] : spellings) {
        SCOPED_TRACE(what);
        // Window A is inside its slow library call on the folder when window B starts.
        const std::string hold = Unique("FennoroLockHold");
        HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, (hold + ".entered").c_str());
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, (hold + ".release").c_str());
        EngineScript script;
        script.Set("FENNORO_FIXTURE_HOLD", hold);
        EngineTestOwner first, second;
        first.Add(root, "book", true);
        second.Add(spelling, "book", true);
        {
            TThreadFennoro worker(first, ".zip", "", false, R"(a -r $Q -tzip "$A" "$D" *)", "Fixture",
                                  "fixture_archiver.dll");
            ASSERT_TRUE(EngineWaitServingCalls(entered, 60000));
            EngineCompress(second, Removing());
            SetEvent(release);
            worker.WaitFor();
        }
        CloseHandle(entered);
        CloseHandle(release);
        EngineExpectRow(second, "book", true, FolderCompressState::Untried, "!別のウィンドウで処理中です", "book");
        EngineExpectRow(first, "book", false, FolderCompressState::Compressed, "*圧縮しました", "book.zip");
        EXPECT_EQ(tree.Read("the library\\book\\01.jpg"), "one");
        ASSERT_TRUE(DeleteFileW(tree.WidePath("the library\\book.zip").c_str()));
    }

    // Alone, the short spelling works, and the library is given the long names.
    EngineScript script;
    script.Set("FENNORO_FIXTURE_LOG", tree.Path("calls.log"));
    EngineTestOwner owner;
    owner.Add(shortRoot, "book", true);
    EngineCompress(owner);
    EngineExpectRow(owner, "book", false, FolderCompressState::Compressed, "*圧縮しました", "book.zip");
    const std::string calls = tree.Read("calls.log");
    EXPECT_NE(calls.find("\"" + root + "book.zip\""), std::string::npos) << calls;
    EXPECT_EQ(calls.find(shortRoot), std::string::npos) << calls;
}

TEST(EntryIdentity, ANameTheSystemCouldNotDecodeIsNeverActedOn)
{
    // Code page 932 bytes in Unix names, which are no UTF-8: "日.jpg" in a folder,
    // and a folder named "本".
    EngineTempTree tree;
    tree.File("pages\\01.jpg", "one");
    if (!tree.HostMake("a=$(printf '\\223\\372') && b=$(printf '\\226\\173') && printf odd > pages/$a.jpg && "
                       "mkdir $b && printf one > $b/01.jpg && touch made",
                       "made", "")) {
        GTEST_SKIP() << "no host shell here";
    }
    EngineTestOwner found;
    EngineFindOptions unnumbered;
    unnumbered.Numbered = false;
    EngineFind(found, tree.Root(), unnumbered);
    ASSERT_EQ(found.RowCount(), 2u);
    for (const auto& row : found.Rows) {
        SCOPED_TRACE(row->Name);
        EXPECT_FALSE(row->Checked);
        EXPECT_EQ(row->Result, "扱えないファイル名です");
        EXPECT_NE(row->Remark.find("\xEF\xBF\xBD"), std::string::npos) << "the name as the system shows it";
    }

    EngineTestOwner owner(true);
    for (const auto& row : found.Rows) owner.Add(tree.Root(), row->Name, true).WideName = row->WideName;
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, Removing());
        EXPECT_TRUE(answerer.Answered().empty()) << "nothing was to be removed";
    }
    for (const auto& row : owner.Rows) EXPECT_EQ(row->Result, "!扱えないファイル名です") << row->Name;
    const std::vector<std::wstring> names = tree.Names("");
    EXPECT_EQ(names.size(), 3u) << "the two folders and the host's mark: no archive, no removal";
    EXPECT_TRUE(std::none_of(names.begin(), names.end(), [](const std::wstring& name) {
        return name.size() > 4 && name.compare(name.size() - 4, 4, L".zip") == 0;
    }));
    EXPECT_EQ(tree.Names("pages").size(), 2u);
}

TEST(EntryIdentity, ACabinetDropsEmptyFoldersSoTheFolderStays)
{
    for (const std::string extension : {".cab", ".zip"}) {
        SCOPED_TRACE(extension);
        EngineTempTree tree;
        const std::string name = Unique("book");
        tree.File(name + "\\01.jpg", "first page");
        tree.Folder(name + "\\extras\\blank");
        EngineTestOwner owner(true);
        owner.Add(tree.Root(), name, true);
        {
            EngineDialogAnswerer answerer(IDYES);
            EngineCompress(owner, Removing(EngineBundledProfile(extension)));
        }
        const std::string archive = name + extension;
        if (extension == ".cab") {
            EngineExpectRow(owner, name, false, FolderCompressState::Compressed,
                            "*圧縮成功: ただしCAB書庫に入らない空のフォルダがあるため削除しません", archive);
            EXPECT_TRUE(tree.IsFolder(name + "\\extras\\blank"));
            EXPECT_EQ(tree.Read(name + "\\01.jpg"), "first page");
        } else {
            EngineExpectRow(owner, name, false, FolderCompressState::Compressed, "*圧縮しました", archive);
            EXPECT_FALSE(tree.IsFolder(name)) << "recycled: the archive keeps the empty folder";
            EngineForgetRecycled(name);
        }
        // An independent reader extracts the same bytes.
        const std::string reader = extension == ".cab" ? "cabextract -q -d out '" + archive + "'"
                                                        : "unzip -q '" + archive + "' -d out";
        if (!tree.HostMake("7z t '" + archive + "' >/dev/null && " + reader + " && touch read", "read", "")) {
            ADD_FAILURE() << "the archive does not read back";
            continue;
        }
        EXPECT_EQ(tree.Read("out\\01.jpg"), "first page");
        if (extension == ".zip") EXPECT_TRUE(tree.IsFolder("out\\extras\\blank"));
    }
}

// The bundled library packing a folder in another process, which the test
// kills (or whose folder it renames) while the call is in the given phase.
class CallInOtherProcess {
public:
    CallInOtherProcess(const std::string& archive, const std::string& folder, const char* phase)
        : Name(Unique("FennoroKill")), Entered(CreateEventA(nullptr, TRUE, FALSE, (Name + ".entered").c_str())),
          Release(CreateEventA(nullptr, TRUE, FALSE, (Name + ".release").c_str()))
    {
        SetEnvironmentVariableW(L"FENNORO_KILL_ARCHIVE", WideText(archive).c_str());
        SetEnvironmentVariableW(L"FENNORO_KILL_FOLDER", WideText(folder).c_str());
        SetEnvironmentVariableA("FENNORO_KILL_PHASE", phase);
        SetEnvironmentVariableA("FENNORO_KILL_EVENT", Name.c_str());
        wchar_t program[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        std::wstring line = std::wstring(L"\"") + program +
                            L"\" --gtest_also_run_disabled_tests --gtest_filter=ArchiverCall.DISABLED_RunsUntilStopped";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &Process)) {
            CloseHandle(Process.hThread);
            HANDLE waits[] = {Entered, Process.hProcess};
            InPhase = WaitForMultipleObjects(2, waits, FALSE, 120000) == WAIT_OBJECT_0;
        }
        for (const wchar_t* variable : {L"FENNORO_KILL_ARCHIVE", L"FENNORO_KILL_FOLDER", L"FENNORO_KILL_PHASE",
                                        L"FENNORO_KILL_EVENT"}) {
            SetEnvironmentVariableW(variable, nullptr);
        }
    }
    ~CallInOtherProcess()
    {
        if (Process.hProcess) {
            TerminateProcess(Process.hProcess, 9);
            WaitForSingleObject(Process.hProcess, 60000);
            CloseHandle(Process.hProcess);
        }
        CloseHandle(Entered);
        CloseHandle(Release);
    }
    CallInOtherProcess(const CallInOtherProcess&) = delete;
    CallInOtherProcess& operator=(const CallInOtherProcess&) = delete;

    void Kill()
    {
        TerminateProcess(Process.hProcess, 9);
        WaitForSingleObject(Process.hProcess, 60000);
    }
    // Lets the call cancel itself and waits for its end.
    void Cancel()
    {
        SetEvent(Release);
        WaitForSingleObject(Process.hProcess, 60000);
    }
    bool InPhase = false;

private:
    std::string Name;
    HANDLE Entered, Release;
    PROCESS_INFORMATION Process{};
};

namespace {

std::string KillPhase;
HANDLE KillEntered, KillRelease;

// Packing reports a source's name; the read-back reports none, from the half on
// (its last report, the whole, comes before the archive takes its name).
// In the phase asked for, the call waits to be killed, or cancels once released.
BOOL WINAPI StopInPhase(LPVOID, LPCSTR file, ULONGLONG done, ULONGLONG total)
{
    const bool packing = file && file[0] && done < total / 2;
    const bool readingBack = (!file || !file[0]) && done >= total / 2 && total > 0;
    if ((KillPhase == "packing" && packing) || (KillPhase == "read-back" && readingBack)) {
        SetEvent(KillEntered);
        return WaitForSingleObject(KillRelease, 120000) != WAIT_OBJECT_0;
    }
    return TRUE;
}

} // namespace

// Runs only in the process CallInOtherProcess starts.
TEST(ArchiverCall, DISABLED_RunsUntilStopped)
{
    std::string& phase = KillPhase;
    std::string name;
    HANDLE& entered = KillEntered;
    HANDLE& release = KillRelease;
    char text[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableA("FENNORO_KILL_PHASE", text, sizeof text));
    phase = text;
    ASSERT_TRUE(GetEnvironmentVariableA("FENNORO_KILL_EVENT", text, sizeof text));
    name = text;
    entered = OpenEventA(EVENT_MODIFY_STATE, FALSE, (name + ".entered").c_str());
    release = OpenEventA(SYNCHRONIZE, FALSE, (name + ".release").c_str());
    ASSERT_TRUE(entered && release);
    wchar_t archive[2048] = {}, folder[2048] = {};
    ASSERT_TRUE(GetEnvironmentVariableW(L"FENNORO_KILL_ARCHIVE", archive, 2048));
    ASSERT_TRUE(GetEnvironmentVariableW(L"FENNORO_KILL_FOLDER", folder, 2048));
    HMODULE library = LoadLibraryW(L"7-zip32.dll");
    ASSERT_TRUE(library);
    using Call = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
    using Progress = BOOL(WINAPI*)(LPVOID, LPCSTR, ULONGLONG, ULONGLONG);
    using SetProgress = BOOL(WINAPI*)(Progress, LPVOID);
    using SetUnicode = BOOL(WINAPI*)(BOOL);
    const auto call = reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, "SevenZip")));
    const auto setProgress =
        reinterpret_cast<SetProgress>(reinterpret_cast<void*>(GetProcAddress(library, "SevenZipSetProgressCallback")));
    const auto setUnicode =
        reinterpret_cast<SetUnicode>(reinterpret_cast<void*>(GetProcAddress(library, "SevenZipSetUnicodeMode")));
    ASSERT_TRUE(call && setProgress && setUnicode && setUnicode(TRUE));
    setProgress(StopInPhase, nullptr);
    const std::string line = "a -r -hide -tzip \"" + Utf8Text(archive) + "\" \"" + Utf8Text(folder) + "\" *";
    char output[1024] = {};
    call(nullptr, line.c_str(), output, sizeof output);
}

TEST(EntryIdentity, ACallThatDiesOrLosesItsFolderLeavesNoTemporaryFile)
{
    struct Case {
        const char* Phase;
        bool Kill;  // else the folder is renamed and the call cancelled
    };
    for (const Case& c : {Case{"packing", true}, Case{"read-back", true}, Case{"packing", false}}) {
        SCOPED_TRACE(std::string(c.Phase) + (c.Kill ? ", killed" : ", renamed"));
        EngineTempTree tree;
        // Pages enough that the call reports more than once in each phase.
        std::string page(4 << 20, '\0');
        for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<char>((i * 2654435761u) >> 13);
        for (int i = 1; i <= 4; ++i) tree.File("root\\book\\0" + std::to_string(i) + ".jpg", page);
        CallInOtherProcess call(tree.Path("root\\book.zip"), tree.Path("root\\book\\"), c.Phase);
        ASSERT_TRUE(call.InPhase) << "the call never reached the phase";
        ASSERT_EQ(Temporaries(tree, "root").size(), 1u) << "the call writes beside its archive";
        std::string root = "root";
        if (c.Kill) {
            call.Kill();
        } else {
            ASSERT_TRUE(MoveFileW(tree.WidePath("root").c_str(), tree.WidePath("moved").c_str()));
            root = "moved";
            call.Cancel();
        }
        if (!c.Kill) {
            // Wine removes a file by the path it was opened with, gone with the
            // folder's old name: the next call there removes what no one holds.
            EngineTestOwner owner;
            owner.Add(tree.Path(root + "\\"), "book", true);
            EngineCompress(owner, EngineBundledProfile(".zip"));
            EngineExpectRow(owner, "book", false, FolderCompressState::Compressed, "*圧縮しました", "book.zip");
            ASSERT_TRUE(DeleteFileW(tree.WidePath(root + "\\book.zip").c_str()));
        }
        // The system closes a dead process's handles on its own time.
        for (int i = 0; i < 200 && !Temporaries(tree, root).empty(); ++i) Sleep(50);
        EXPECT_TRUE(Temporaries(tree, root).empty());
        EXPECT_EQ(tree.Names(root), (std::vector<std::wstring>{L"book"}));
    }
}

TEST(EntryIdentity, APageStillBeingWrittenIsNeverArchived)
{
    EngineTempTree tree;
    tree.File("book\\01.jpg", "first page");
    tree.File("book\\02.jpg", "second page, half");
    // A program saving the page, as most do: others may read and write meanwhile.
    HANDLE writer = CreateFileW(tree.WidePath("book\\02.jpg").c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EngineTestOwner owner(true);
    owner.Add(tree.Root(), "book", true);
    for (const std::string extension : {".zip", ".7z", ".lzh", ".cab"}) {
        SCOPED_TRACE(extension);
        owner.Rows[0]->Checked = true;
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, Removing(EngineBundledProfile(extension)));
        const FolderRow& row = owner.Row("book");
        EXPECT_TRUE(row.Checked);
        EXPECT_EQ(row.Result.rfind("!圧縮に失敗: 戻り値=", 0), 0u) << row.Result;
        EXPECT_EQ(row.Remark.rfind("ファイルを開けません: 02.jpg (", 0), 0u) << row.Remark;
        EXPECT_FALSE(tree.IsFile("book" + extension));
    }
    CloseHandle(writer);
    EXPECT_EQ(tree.Names("book").size(), 2u);
}
