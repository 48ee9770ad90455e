// The compress job against fixture archiver libraries and real folders.
#include "base/WideText.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "toolkit/ScopedHandle.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <iterator>
#include <stdexcept>
#include <thread>

namespace {

const char Archiver[] = "fixture_archiver.dll";
const char ZipTemplate[] = R"(a -r $Q -tzip "$A" "$D" *)";

// The fixture takes and logs the ANSI command line a library without the
// Unicode switch is given: read back in UTF-8.
std::vector<std::string> Lines(const std::string& ansiText)
{
    const std::string text = CodePageToUtf8(ansiText, CP_ACP);
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        lines.push_back(text.substr(from, end - from));
    }
    return lines;
}

// A tree with one folder of two images per name, each with a row as the find left it.
void Folders(EngineTempTree& tree, EngineTestOwner& owner, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        tree.File(std::string(name) + "\\01.jpg", "one");
        tree.File(std::string(name) + "\\02.jpg", "two");
        owner.Add(tree.Root(), name, true);
    }
}

// Asks a worker to stop from another thread once its archiver has reported the
// folder's progress, a little later, so that the stop arrives inside the call.
class StopInsideTheCall {
public:
    explicit StopInsideTheCall(TThreadFennoro& worker)
        : Helper([this, &worker] {
              for (int wait = 0; wait < 400 && Seen.FolderPermille < 0; ++wait) {
                  Seen = worker.Progress();
                  Sleep(50);
              }
              Sleep(200);
              StoppedAt = GetTickCount();
              worker.RequestStop();
          })
    {
    }
    ~StopInsideTheCall() { Join(); }
    void Join()
    {
        if (Helper.joinable()) Helper.join();
    }
    TJobProgress Seen;  // the progress when the folder's share first came
    DWORD StoppedAt = 0;

private:
    std::thread Helper;
};

} // namespace

TEST(CompressJob, ALibraryReportingProgressIsStoppedInsideTheFolder)
{
    EngineTempTree tree;
    EngineTestOwner owner;
    Folders(tree, owner, {"a", "b"});
    EngineScript script;
    // Without a stop the call would work for a minute.
    script.Set("FENNORO_FIXTURE_LOG", tree.Path("log.txt")).Set("FENNORO_FIXTURE_SLEEP", "60000");
    TThreadFennoro worker(owner, ".zip", "", false, ZipTemplate, "Fixture", "fixture_progress.dll");
    StopInsideTheCall stop(worker);
    worker.WaitFor();
    const DWORD ended = GetTickCount();
    stop.Join();
    const DWORD afterStop = ended - stop.StoppedAt;

    EXPECT_EQ(stop.Seen.Done, 0u);
    EXPECT_EQ(stop.Seen.Total, 2u);
    EXPECT_GE(stop.Seen.FolderPermille, 0) << "the folder's progress reached the job";
    EXPECT_LT(afterStop, 5000u) << "the job ended " << afterStop << " ms after the stop";
    EngineExpectRow(owner, "a", true, FolderCompressState::Untried, "中断されました", "");
    EXPECT_EQ(owner.Changed, std::vector<std::string>{"a"}) << "no further folder is tried";
    EXPECT_EQ(owner.Statuses.back(), "圧縮を中断しました");
    EXPECT_EQ(tree.Names(""), (std::vector<std::wstring>{L"a", L"b", L"log.txt"}));
    // The callback is the library's only while the call lasts.
    const std::vector<std::string> log = Lines(tree.Read("log.txt"));
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[1], "progress set");
    EXPECT_EQ(log[2].substr(0, 5), "call ");
    EXPECT_EQ(log[3], "progress removed");
}

namespace {

// Text LZMA has real work on: words drawn at random, a few megabytes a file.
std::string WordSalad(size_t bytes, unsigned seed)
{
    static const char* const Words[] = {"scan ", "page ", "volume ", "chapter ", "image ", "folder ", "archive ",
                                        "number ", "book ", "comic ", "photo ", "set ", "\n"};
    std::string text;
    text.reserve(bytes + 16);
    while (text.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        text += Words[(seed >> 16) % std::size(Words)];
    }
    return text;
}

} // namespace

TEST(CompressJob, TheBundledLzmaIsStoppedInsideALongFolder)
{
    const EngineCompressOptions options = EngineBundledProfile(".7z");
    {
        ScopedModule library(LoadLibraryW(WideText(options.Dll).c_str()));
        if (!library || !GetProcAddress(library.get(), (options.Function + "SetProgressCallback").c_str()))
            GTEST_SKIP() << options.Dll << " exports no progress callback";
    }
    EngineTempTree tree;
    for (unsigned i = 0; i < 4; ++i) tree.File("big\\0" + std::to_string(i + 1) + ".txt", WordSalad(8000000, i));
    EngineTestOwner owner;
    owner.Add(tree.Root(), "big", true);

    TThreadFennoro worker(owner, options.Extension, options.Quiet, true, options.Template, options.Function,
                          options.Dll);
    StopInsideTheCall stop(worker);
    worker.WaitFor();
    const DWORD ended = GetTickCount();
    stop.Join();
    const DWORD afterStop = ended - stop.StoppedAt;

    EXPECT_GE(stop.Seen.FolderPermille, 0) << "the library reported the folder's progress";
    EXPECT_LT(afterStop, 5000u) << "the job ended " << afterStop << " ms after the stop";
    const FolderRow& row = owner.Row("big");
    EXPECT_TRUE(row.Checked);
    EXPECT_EQ(row.Result, "中断されました");
    EXPECT_EQ(row.Remark, "");
    EXPECT_EQ(tree.Names(""), std::vector<std::wstring>{L"big"}) << "no archive, no temporary file";
    EXPECT_EQ(tree.Names("big").size(), 4u) << "the folder stays whole";
    EXPECT_TRUE(tree.Read("big\\04.txt") == WordSalad(8000000, 3)) << "a page changed";
}

TEST(CompressJob, SuccessWritesTheArchiveAndClearsTheRow)
{
    EngineTempTree tree;
    EngineTestOwner owner;
    Folders(tree, owner, {"a", "b"});
    owner.Add(tree.Root(), "unchecked", false);
    owner.Rows.back()->Result = "空のフォルダです";
    // A folder's outcome is on show before the next folder's name.
    std::string resultOfAWhenBStarts;
    owner.OnStatus = [&](const std::string& text) {
        if (text == "圧縮中: b") resultOfAWhenBStarts = owner.Rows.front()->Result;
    };

    EngineCompress(owner);
    EXPECT_EQ(resultOfAWhenBStarts, "*圧縮しました");
    EngineExpectRow(owner, "a", false, FolderCompressState::Compressed, "*圧縮しました", "a.zip");
    EngineExpectRow(owner, "b", false, FolderCompressState::Compressed, "*圧縮しました", "b.zip");
    EngineExpectRow(owner, "unchecked", false, FolderCompressState::Untried, "空のフォルダです", "");
    EXPECT_TRUE(tree.IsFile("a.zip"));
    EXPECT_TRUE(tree.IsFile("b.zip"));
    EXPECT_TRUE(tree.IsFile("a\\01.jpg")) << "removal is off: the folder stays";
    EXPECT_EQ(owner.Changed, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(owner.Statuses, (std::vector<std::string>{"圧縮中: ", "圧縮中: a", "圧縮中: b", "圧縮が終了しました"}));
}

TEST(CompressJob, TheCommandLineReachesTheLibraryByteForByte)
{
    // 表 ends in the byte 0x5C: the folder's separator must still be added.
    EngineTempTree tree("表ソ");
    EngineTestOwner owner;
    Folders(tree, owner, {"旅行表", "trip"});
    const std::string log = tree.Path("log.txt");
    EngineScript script;
    script.Set("FENNORO_FIXTURE_LOG", log);

    EngineCompressOptions quiet;
    quiet.Quiet = "-hide";
    EngineCompress(owner, quiet);
    const std::string root = tree.Root();
    const std::vector<std::string> expected = {
        "running",
        "call a -r -hide -tzip \"" + root + "旅行表.zip\" \"" + root + "旅行表\\\" *",
        "running",
        "call a -r -hide -tzip \"" + root + "trip.zip\" \"" + root + "trip\\\" *",
    };
    EXPECT_EQ(Lines(tree.Read("log.txt")), expected);
    EngineExpectRow(owner, "旅行表", false, FolderCompressState::Compressed, "*圧縮しました", "旅行表.zip");
    EXPECT_EQ(CodePageToUtf8(tree.Read("旅行表.zip"), CP_ACP), expected[1].substr(5)) << "the fixture stores the line it got";

    // Quiet off: the placeholder gives way to nothing, the blanks around it stay.
    DeleteFileW(WideText(log).c_str());
    DeleteFileW(WideText(tree.Path("trip.zip")).c_str());
    owner.Rows[1]->Checked = true;
    owner.Rows[1]->CompressState = FolderCompressState::Untried;
    EngineCompress(owner);
    EXPECT_EQ(Lines(tree.Read("log.txt")),
              (std::vector<std::string>{"running", "call a -r  -tzip \"" + root + "trip.zip\" \"" + root + "trip\\\" *"}));
}

TEST(CompressJob, FailuresKeepTheRowCheckedForTheNextRun)
{
    struct Case {
        const char* Title;
        EngineCompressOptions Options;
        const char* Variable;
        const char* Value;
        std::string Result;
        std::string Remark;
        bool Called;
    };
    EngineCompressOptions missing;
    missing.Dll = "no_such_archiver.dll";
    EngineCompressOptions noEntry;
    noEntry.Dll = "fixture_noentry.dll";
    EngineCompressOptions noRunning;
    noRunning.Dll = "fixture_norunning.dll";
    EngineCompressOptions wrongName;
    wrongName.Function = "SevenZip";
    EngineCompressOptions emptyName;
    emptyName.Dll = "";
    const Case cases[] = {
        {"missing library", missing, nullptr, nullptr, "!致命的なエラー", "no_such_archiver.dllをロードできません", false},
        {"empty library name", emptyName, nullptr, nullptr, "!致命的なエラー", "をロードできません", false},
        {"no entry point", noEntry, nullptr, nullptr, "!致命的なエラー",
         "fixture_noentry.dllのFixture関数が見つかりません", false},
        {"wrong entry point", wrongName, nullptr, nullptr, "!致命的なエラー",
         "fixture_archiver.dllのSevenZip関数が見つかりません", false},
        {"no running check", noRunning, nullptr, nullptr, "!致命的なエラー",
         "fixture_norunning.dllのFixtureGetRunning関数が見つかりません", false},
        {"busy", {}, "FENNORO_FIXTURE_BUSY", "1", "!致命的なエラー",
         "fixture_archiver.dllは現在動作中なので使用できません", false},
        {"returns 2", {}, "FENNORO_FIXTURE_MODE", "fail:2:ファイルが開けません", "!圧縮に失敗: 戻り値=2",
         "ファイルが開けません", true},
        {"returns negative", {}, "FENNORO_FIXTURE_MODE", "fail:-32768:", "!圧縮に失敗: 戻り値=-32768", "", true},
        {"fills the buffer", {}, "FENNORO_FIXTURE_MODE", "flood", "!圧縮に失敗: 戻り値=1", std::string(1023, 'x'),
         true},
        {"no archive made", {}, "FENNORO_FIXTURE_MODE", "none", "!書庫が作成されていません", "a.zip", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Title);
        EngineTempTree tree;
        EngineTestOwner owner;
        Folders(tree, owner, {"a", "b"});
        EngineScript script;
        script.Set("FENNORO_FIXTURE_LOG", tree.Path("log.txt"));
        if (c.Variable) script.Set(c.Variable, c.Value);
        EngineCompressOptions options = c.Options;
        options.RemoveFolder = true;  // no failure may cost the folder
        EngineCompress(owner, options);

        std::string remarkB = c.Remark;
        if (remarkB == "a.zip") remarkB = "b.zip";
        EngineExpectRow(owner, "a", true, FolderCompressState::Untried, c.Result, c.Remark);
        EngineExpectRow(owner, "b", true, FolderCompressState::Untried, c.Result, remarkB);
        EXPECT_TRUE(tree.IsFile("a\\01.jpg"));
        EXPECT_TRUE(tree.IsFile("b\\02.jpg"));
        const std::string log = tree.Read("log.txt");
        EXPECT_EQ(log.find("call ") != std::string::npos, c.Called);
        EXPECT_EQ(owner.Statuses.back(), "圧縮が終了しました");
    }
}

TEST(CompressJob, AnExistingArchiveIsNeverOverwritten)
{
    EngineTempTree tree;
    EngineTestOwner owner;
    Folders(tree, owner, {"first", "second"});
    tree.File("first.zip", "precious");
    EngineScript script;
    script.Set("FENNORO_FIXTURE_LOG", tree.Path("log.txt"));
    EngineCompress(owner);

    EngineExpectRow(owner, "first", true, FolderCompressState::Untried, "!書庫が既存します", "first.zip");
    EngineExpectRow(owner, "second", false, FolderCompressState::Compressed, "*圧縮しました", "second.zip");
    EXPECT_EQ(tree.Read("first.zip"), "precious");
    const std::vector<std::string> calls = Lines(tree.Read("log.txt"));
    ASSERT_EQ(calls.size(), 2u) << "only the second folder reached the library";
    EXPECT_NE(calls[1].find("second.zip"), std::string::npos);
}

TEST(CompressJob, CompressedRowsAreNeverPickedAgain)
{
    EngineTempTree tree;
    EngineTestOwner owner;
    Folders(tree, owner, {"good", "bad"});
    EngineScript script;
    script.Set("FENNORO_FIXTURE_FAIL_IF", "bad.zip");
    EngineCompress(owner);
    EngineExpectRow(owner, "good", false, FolderCompressState::Compressed, "*圧縮しました", "good.zip");
    EngineExpectRow(owner, "bad", true, FolderCompressState::Untried, "!圧縮に失敗: 戻り値=2", "failed on request");

    // The user checks the compressed row again: only the failed one is tried.
    owner.Rows[0]->Checked = true;
    script.Set("FENNORO_FIXTURE_FAIL_IF", "nothing fails now");
    EngineCompress(owner);
    EngineExpectRow(owner, "good", true, FolderCompressState::Compressed, "*圧縮しました", "good.zip");
    EngineExpectRow(owner, "bad", false, FolderCompressState::Compressed, "*圧縮しました", "bad.zip");
    EXPECT_EQ(owner.Changed, (std::vector<std::string>{"good", "bad", "bad"}));

    // Nothing checked and untried is left: the job ends at once and changes nothing.
    owner.Statuses.clear();
    EngineCompress(owner);
    EXPECT_EQ(owner.Statuses, (std::vector<std::string>{"圧縮中: ", "圧縮が終了しました"}));
    EXPECT_EQ(owner.Changed.size(), 3u);
}

TEST(CompressJob, TheNextRowIsTheFirstInTheListsCurrentOrder)
{
    EngineTempTree tree;
    EngineTestOwner owner;
    Folders(tree, owner, {"a", "b", "c"});
    bool sorted = false;
    owner.OnStatus = [&](const std::string& text) {
        if (text == "圧縮中: a" && !sorted) {
            owner.ReverseOrder();  // a column click while the job runs
            sorted = true;
        }
    };
    EngineCompress(owner);
    EXPECT_EQ(owner.Changed, (std::vector<std::string>{"a", "c", "b"}));
}

TEST(CompressJob, StopWhileAFolderIsBeingCompressed)
{
    EngineTempTree tree;
    EngineTestOwner owner;
    Folders(tree, owner, {"a", "b"});
    const std::string name = "FennoroFixtureHold" + std::to_string(GetCurrentProcessId());
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, (name + ".entered").c_str());
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, (name + ".release").c_str());
    EngineScript script;
    script.Set("FENNORO_FIXTURE_HOLD", name);
    {
        TThreadFennoro worker(owner, ".zip", "", false, ZipTemplate, "Fixture", Archiver);
        ASSERT_TRUE(EngineWaitServingCalls(entered, 60000));
        EXPECT_TRUE(worker.Running());
        worker.RequestStop();
        SetEvent(release);
        worker.WaitFor();
        EXPECT_FALSE(worker.Running());
    }
    CloseHandle(entered);
    CloseHandle(release);
    EngineExpectRow(owner, "a", false, FolderCompressState::Compressed, "*圧縮しました", "a.zip");
    EngineExpectRow(owner, "b", true, FolderCompressState::Untried, "+圧縮できます", "");
    EXPECT_FALSE(tree.IsFile("b.zip"));
    EXPECT_EQ(owner.Statuses.back(), "圧縮を中断しました");
}

TEST(CompressJob, AnUnexpectedErrorStillEndsTheRun)
{
    EngineTempTree tree;
    EngineTestOwner owner;
    Folders(tree, owner, {"a", "b"});
    EngineScript script;
    script.Set("FENNORO_FIXTURE_MODE", "fail:7:no");
    owner.OnStatus = [&](const std::string& text) {
        if (text == "圧縮中: b") throw std::runtime_error("表示を更新できません");
    };
    TThreadFennoro worker(owner, ".zip", "", false, ZipTemplate, "Fixture", Archiver);
    worker.WaitFor();
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(owner.Statuses.back(), "圧縮中にエラーが発生したため中止しました: 表示を更新できません");
    // The failed row is back to untried, ready for the next run.
    EngineExpectRow(owner, "a", true, FolderCompressState::Untried, "!圧縮に失敗: 戻り値=7", "no");
    EngineExpectRow(owner, "b", true, FolderCompressState::Untried, "+圧縮できます", "");
}

TEST(CompressJob, CompressedFoldersGoToTheRecycleBin)
{
    const std::string bin = EngineRecycleBinFiles();
    if (bin.empty()) GTEST_SKIP() << "no recycle bin folder known here";
    EngineTempTree tree;
    EngineTestOwner owner(true);
    // The recycle bin keeps the folder's own name: make it unique to this run.
    const std::string unique = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    const std::string kept = "kept-" + unique, gone = "gone-" + unique, quiet = "quiet-" + unique;
    Folders(tree, owner, {kept.c_str(), gone.c_str()});
    EngineScript script;
    script.Set("FENNORO_FIXTURE_FAIL_IF", kept + ".zip");
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompressOptions options;
        options.RemoveFolder = true;
        EngineCompress(owner, options);
        // The shell asked before it moved the folder.
        EXPECT_EQ(answerer.Answered().size(), 1u);
    }
    EngineExpectRow(owner, gone, false, FolderCompressState::Compressed, "*圧縮しました", gone + ".zip");
    EngineExpectRow(owner, kept, true, FolderCompressState::Untried, "!圧縮に失敗: 戻り値=2", "failed on request");
    EXPECT_FALSE(tree.IsFolder(gone));
    EXPECT_TRUE(tree.IsFile(gone + ".zip"));
    EXPECT_TRUE(tree.IsFile(kept + "\\01.jpg"));
    EXPECT_TRUE(GetFileAttributesA((bin + gone + "\\02.jpg").c_str()) != INVALID_FILE_ATTRIBUTES)
        << "the folder is in the recycle bin, files and all";
    EXPECT_TRUE(std::find(owner.Statuses.begin(), owner.Statuses.end(), "削除中: " + gone) != owner.Statuses.end());

    // Quiet: the same request without the progress window.
    Folders(tree, owner, {quiet.c_str()});
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompressOptions options;
        options.RemoveFolder = true;
        options.Quiet = "-hide";
        script.Set("FENNORO_FIXTURE_FAIL_IF", "nothing fails now");
        EngineCompress(owner, options);
        // The earlier failed row is tried again too; quiet hides the progress, not the question.
        EXPECT_EQ(answerer.Answered().size(), 2u);
    }
    EngineExpectRow(owner, quiet, false, FolderCompressState::Compressed, "*圧縮しました", quiet + ".zip");
    EXPECT_FALSE(tree.IsFolder(quiet));
    EXPECT_TRUE(tree.IsFile(kept + ".zip"));
    EXPECT_FALSE(tree.IsFolder(kept));

    for (const std::string& name : {gone, quiet, kept}) EngineForgetRecycled(name);
}

TEST(CompressJob, AFolderTheUserKeepsIsReported)
{
    EngineTempTree tree;
    EngineTestOwner owner(true);
    Folders(tree, owner, {"a"});
    {
        EngineDialogAnswerer answerer(IDNO);
        EngineCompressOptions options;
        options.RemoveFolder = true;
        EngineCompress(owner, options);
        EXPECT_EQ(answerer.Answered().size(), 1u);
    }
    EngineExpectRow(owner, "a", false, FolderCompressState::Compressed, "*圧縮成功: ただしフォルダの削除に失敗", "a.zip");
    EXPECT_TRUE(tree.IsFile("a\\01.jpg"));
    EXPECT_TRUE(tree.IsFile("a.zip"));
}
