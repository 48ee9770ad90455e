// Faults while folders are archived: every one gives its row a clear failure,
// leaves no partial archive and keeps the folder, even with removal on.
#include "base/WideText.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

const std::vector<std::string> BundledExtensions = {".zip", ".lzh", ".cab"};

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1);
    return wide;
}

// Bytes that no archiver can shrink.
std::string Noise(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 23);
    }
    return bytes;
}

// Text-like bytes that deflate slowly at its hardest level.
std::string Words(size_t size, unsigned seed)
{
    static const char* const words[] = {"page ", "volume ", "scan ", "cover ", "chapter ", "image ", "index ", "\n"};
    std::string text;
    text.reserve(size + 16);
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        text += words[(seed >> 16) % 8];
        text += std::to_string((seed >> 8) % 1000);
    }
    text.resize(size);
    return text;
}

// The system's text for an error code, as the archivers quote it.
std::string SystemText(DWORD error)
{
    wchar_t text[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 512, nullptr);
    std::string result = Utf8Text(text);
    while (!result.empty() && (result.back() == '\r' || result.back() == '\n' || result.back() == '.')) result.pop_back();
    return result;
}

// A folder of two pages with its row as the find left it.
void Book(EngineTempTree& tree, EngineTestOwner& owner, const std::string& parent, const std::string& name)
{
    tree.File(parent + name + "\\01.jpg", "first page");
    tree.File(parent + name + "\\02.jpg", "second page");
    owner.Add(tree.Path(parent), name, true);
}

// The row failed with a result that starts so and a remark that starts so.
void ExpectFailed(const EngineTestOwner& owner, const std::string& name, const std::string& result,
                  const std::string& remark)
{
    const FolderRow& row = owner.Row(name);
    EXPECT_TRUE(row.Checked) << name;
    EXPECT_EQ(row.CompressState, FolderCompressState::Untried) << name;
    EXPECT_TRUE(StartsWith(row.Result, result)) << row.Result;
    EXPECT_TRUE(StartsWith(row.Remark, remark)) << row.Remark;
}

EngineCompressOptions Removing(const std::string& extension)
{
    EngineCompressOptions options = EngineBundledProfile(extension);
    options.RemoveFolder = true;
    return options;
}

// Another process of this program that holds a file open without sharing.
class OtherProcessHold {
public:
    explicit OtherProcessHold(const std::string& path)
        : Name("FennoroHold" + std::to_string(GetCurrentProcessId())),
          Entered(CreateEventA(nullptr, TRUE, FALSE, (Name + ".entered").c_str())),
          Release(CreateEventA(nullptr, TRUE, FALSE, (Name + ".release").c_str()))
    {
        SetEnvironmentVariableA("FENNORO_HOLD_FILE", path.c_str());
        SetEnvironmentVariableA("FENNORO_HOLD_EVENT", Name.c_str());
        char program[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, program, sizeof program);
        std::string line = std::string("\"") + program +
                           "\" --gtest_also_run_disabled_tests --gtest_filter=HoldingProcess.DISABLED_HoldsTheFile";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &Process)) {
            CloseHandle(Process.hThread);
            HANDLE waits[] = {Entered, Process.hProcess};
            Holding = WaitForMultipleObjects(2, waits, FALSE, 60000) == WAIT_OBJECT_0;
        }
        SetEnvironmentVariableA("FENNORO_HOLD_FILE", nullptr);
        SetEnvironmentVariableA("FENNORO_HOLD_EVENT", nullptr);
    }
    ~OtherProcessHold()
    {
        SetEvent(Release);
        if (Process.hProcess) {
            WaitForSingleObject(Process.hProcess, 60000);
            CloseHandle(Process.hProcess);
        }
        CloseHandle(Entered);
        CloseHandle(Release);
    }
    OtherProcessHold(const OtherProcessHold&) = delete;
    OtherProcessHold& operator=(const OtherProcessHold&) = delete;
    bool Holding = false;

private:
    std::string Name;
    HANDLE Entered, Release;
    PROCESS_INFORMATION Process{};
};

} // namespace

// Runs only in the process OtherProcessHold starts.
TEST(HoldingProcess, DISABLED_HoldsTheFile)
{
    char path[MAX_PATH] = {}, name[MAX_PATH] = {};
    ASSERT_TRUE(GetEnvironmentVariableA("FENNORO_HOLD_FILE", path, sizeof path));
    ASSERT_TRUE(GetEnvironmentVariableA("FENNORO_HOLD_EVENT", name, sizeof name));
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE entered = OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(name) + ".entered").c_str());
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, (std::string(name) + ".release").c_str());
    ASSERT_TRUE(entered && release);
    SetEvent(entered);
    WaitForSingleObject(release, 120000);
    CloseHandle(file);
    CloseHandle(entered);
    CloseHandle(release);
}

TEST(CompressFaults, AFileAnotherProcessHoldsOpen)
{
    EngineTempTree tree("fennoro-fault");
    EngineTestOwner owner(true);
    Book(tree, owner, "", "book");
    OtherProcessHold hold(tree.Path("book\\02.jpg"));
    ASSERT_TRUE(hold.Holding);
    // The find sees nothing wrong: the name is there.
    EngineTestOwner found;
    EngineFind(found, tree.Root());
    EngineExpectRow(found, "book", true, "+圧縮できます", "");

    for (const std::string& extension : BundledExtensions) {
        SCOPED_TRACE(extension);
        owner.Rows[0]->Checked = true;
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, Removing(extension));
        ExpectFailed(owner, "book", "!圧縮に失敗: 戻り値=3", "ファイルを開けません: 02.jpg");
        EXPECT_TRUE(answerer.Answered().empty()) << "no removal was asked for";
    }
    EXPECT_EQ(tree.Names(""), (std::vector<std::wstring>{L"book"})) << "no archive, whole or partial";
    EXPECT_EQ(tree.Read("book\\01.jpg"), "first page");
}

TEST(CompressFaults, AnArchiveFolderThatIsReadOnly)
{
    EngineTempTree tree("fennoro-fault");
    tree.File("source\\book\\01.jpg", "first page");
    tree.File("source\\book\\02.jpg", "second page");
    tree.File("source\\marker.txt");
    tree.Folder("shelf");
    // A read-only mount refuses everyone, the administrator too.
    if (!tree.FolderBind("shelf", tree.Path("source"), "marker.txt", true)) GTEST_SKIP() << "no read-only mounts here";
    EngineTestOwner owner(true);
    owner.Add(tree.Path("shelf\\"), "book", true);
    for (const std::string& extension : BundledExtensions) {
        SCOPED_TRACE(extension);
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, Removing(extension));
        ExpectFailed(owner, "book", "!圧縮に失敗: 戻り値=4", "書庫を作成できません: " + tree.Path("shelf\\book" + extension));
    }
    EXPECT_EQ(tree.Names("shelf"), (std::vector<std::wstring>{L"book", L"marker.txt"}));
    EXPECT_EQ(tree.Read("shelf\\book\\02.jpg"), "second page");
}

TEST(CompressFaults, AnArchiveFolderWithoutWritePermission)
{
    // Unix permissions bind ordinary users only: what the test process can do
    // there decides what the compression must do.
    EngineTempTree tree("fennoro-fault");
    EngineTestOwner owner(true);
    Book(tree, owner, "locked\\", "book");
    const std::string unixPath = EngineUnixPath(tree.Path("locked"));
    if (unixPath.empty() || !EngineRunProcess("/bin/chmod 555 \"" + unixPath + "\"")) GTEST_SKIP() << "no host";
    const std::wstring probe = tree.WidePath("locked\\probe.tmp");
    bool writable = true;
    for (int i = 0; i < 100 && writable; ++i) {  // until the file system takes the change
        HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        writable = file != INVALID_HANDLE_VALUE;
        if (writable) {
            CloseHandle(file);
            DeleteFileW(probe.c_str());
            if (GetFileAttributesW(tree.WidePath("locked").c_str()) & FILE_ATTRIBUTE_READONLY) break;
            Sleep(50);
        }
    }
    EngineCompressOptions options = EngineBundledProfile(".zip");
    EngineCompress(owner, options);
    if (writable) {
        std::cout << "[ note ] the permission does not bind this process (the administrator): archived as usual\n";
        EngineExpectRow(owner, "book", false, FolderCompressState::Compressed, "*圧縮しました", "book.zip");
        EXPECT_TRUE(tree.IsFile("locked\\book.zip"));
    } else {
        ExpectFailed(owner, "book", "!圧縮に失敗: 戻り値=4", "書庫を作成できません: ");
        EXPECT_EQ(tree.Names("locked"), (std::vector<std::wstring>{L"book"}));
    }
    EXPECT_EQ(tree.Read("locked\\book\\01.jpg"), "first page");
    EngineRunProcess("/bin/chmod 755 \"" + unixPath + "\"");
}

TEST(CompressFaults, ADiskThatFillsUp)
{
    EngineTempTree tree("fennoro-fault");
    tree.Folder("volume");
    if (!tree.SmallVolume("volume", 512)) GTEST_SKIP() << "no small volume can be mounted here";
    // 300 KiB that no archiver shrinks, on a volume of 512 KiB: the archive cannot fit beside it.
    for (int i = 0; i < 3; ++i) tree.File("volume\\book\\0" + std::to_string(i) + ".jpg", Noise(100 * 1024, i + 1));
    ULARGE_INTEGER freeBefore{}, total{}, freeAfter{};
    GetDiskFreeSpaceExW(tree.WidePath("volume\\").c_str(), &freeBefore, &total, nullptr);
    EngineTestOwner owner(true);
    owner.Add(tree.Path("volume\\"), "book", true);
    for (const std::string& extension : BundledExtensions) {
        SCOPED_TRACE(extension);
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, Removing(extension));
        const FolderRow& row = owner.Row("book");
        ExpectFailed(owner, "book", "!圧縮に失敗: 戻り値=4", "書庫");
        EXPECT_NE(row.Remark.find(tree.Path("volume\\book" + extension)), std::string::npos) << row.Remark;
        // The reason, not the "success" a write cut short by the full disk reports.
        EXPECT_NE(row.Remark.find("(" + SystemText(ERROR_DISK_FULL) + ")"), std::string::npos) << row.Remark;
        GetDiskFreeSpaceExW(tree.WidePath("volume\\").c_str(), &freeAfter, &total, nullptr);
        EXPECT_EQ(freeAfter.QuadPart, freeBefore.QuadPart) << "the space the attempt took is free again";
    }
    EXPECT_EQ(tree.Names("volume"), (std::vector<std::wstring>{L"book", L"volume.txt"}));
    EXPECT_EQ(tree.Read("volume\\book\\02.jpg"), Noise(100 * 1024, 3));
}

TEST(CompressFaults, AFileRemovedWhileItsFolderIsCompressed)
{
    EngineTempTree tree("fennoro-fault");
    EngineTestOwner owner(true);
    // The first file keeps the archiver busy long after it has listed the folder.
    tree.File("book\\01.jpg", Words(24 << 20, 7));
    tree.File("book\\02.jpg", "second page");
    owner.Add(tree.Root(), "book", true);

    // Once the archiver has begun to write, the second file goes.
    std::atomic<bool> quit{false}, removed{false};
    std::thread remover([&] {
        const std::wstring pattern = Wide(tree.Root()) + L"~fennoro-unfinished-*.tmp";
        bool writing = false;
        while (!quit && !removed) {
            if (!writing) {
                WIN32_FIND_DATAW data;
                HANDLE find = FindFirstFileW(pattern.c_str(), &data);
                writing = find != INVALID_HANDLE_VALUE;
                if (writing) FindClose(find);
            }
            // Refused while the archiver has the file open: then again until it lets go.
            if (writing) removed = DeleteFileW(tree.WidePath("book\\02.jpg").c_str()) != FALSE;
            Sleep(1);
        }
    });
    EngineCompressOptions options = Removing(".zip");
    options.Template = R"(a -r $Q -mx9 -tzip "$A" "$D" *)";
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
        quit = true;
        remover.join();
    }
    ASSERT_TRUE(removed) << "the file could not be removed while the archiver ran";
    const FolderRow& row = owner.Row("book");
    if (row.Checked) {
        ExpectFailed(owner, "book", "!圧縮に失敗: 戻り値=3", "ファイルを開けません: 02.jpg");
        EXPECT_EQ(tree.Names(""), (std::vector<std::wstring>{L"book"})) << "no archive, whole or partial";
    } else {
        // The archiver had read the file before it went: the archive holds it, but
        // the folder is not what was archived any more.
        std::cout << "[ note ] the file went after the archiver had read it\n";
        EngineExpectRow(owner, "book", false, FolderCompressState::Compressed,
                        "*圧縮成功: ただし圧縮中にフォルダが変更されたため削除しません", "book.zip");
    }
    EXPECT_TRUE(tree.IsFile("book\\01.jpg"));
}

TEST(CompressFaults, AFolderChangedWhileItIsCompressedIsKept)
{
    EngineTempTree tree("fennoro-fault");
    EngineTestOwner owner(true);
    Book(tree, owner, "", "book");
    Book(tree, owner, "", "still");
    EngineScript script;
    // The user saves a file into the first folder while the archiver runs.
    script.Set("FENNORO_FIXTURE_ADD", tree.Path("book\\03.jpg"));
    script.Set("FENNORO_FIXTURE_FAIL_IF", "still.zip");
    EngineCompressOptions options;
    options.RemoveFolder = true;
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
        EXPECT_TRUE(answerer.Answered().empty()) << "no removal was asked for";
    }
    EngineExpectRow(owner, "book", false, FolderCompressState::Compressed,
                    "*圧縮成功: ただし圧縮中にフォルダが変更されたため削除しません", "book.zip");
    EXPECT_TRUE(tree.IsFile("book\\03.jpg"));
    EXPECT_TRUE(tree.IsFile("book\\01.jpg"));
    EXPECT_TRUE(tree.IsFile("book.zip"));
}

TEST(CompressFaults, AFailedCallsUnfinishedArchiveDoesNotStay)
{
    const std::string bin = EngineRecycleBinFiles();
    EngineTempTree tree("fennoro-fault");
    EngineTestOwner owner(true);
    const std::string name = "cut-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    Book(tree, owner, "", name);
    EngineScript script;
    script.Set("FENNORO_FIXTURE_MODE", "partial:9:ディスクがいっぱいです");
    EngineCompressOptions options;
    options.RemoveFolder = true;
    EngineCompress(owner, options);
    EngineExpectRow(owner, name, true, FolderCompressState::Untried, "!圧縮に失敗: 戻り値=9", "ディスクがいっぱいです");
    EXPECT_FALSE(tree.IsFile(name + ".zip")) << "a later run would take it for a finished archive";
    EXPECT_TRUE(tree.IsFile(name + "\\01.jpg"));
    if (!bin.empty()) {
        // Not destroyed: whatever it was, it can be brought back.
        EXPECT_NE(GetFileAttributesA((bin + name + ".zip").c_str()), INVALID_FILE_ATTRIBUTES);
        EngineForgetRecycled(name + ".zip");
    }

    // The next run finds no archive in its way.
    script.Set("FENNORO_FIXTURE_MODE", "make");
    options.RemoveFolder = false;
    EngineCompress(owner, options);
    EngineExpectRow(owner, name, false, FolderCompressState::Compressed, "*圧縮しました", name + ".zip");
}

TEST(CompressFaults, AnArchiveAnotherProgramMadeMeanwhileStays)
{
    // Another program (or a second window on the same library) writes the archive
    // while the call runs, and the library refuses to overwrite it.
    EngineTempTree tree("fennoro-fault");
    EngineTestOwner owner(true);
    Book(tree, owner, "", "book");
    EngineScript script;
    script.Set("FENNORO_FIXTURE_MODE", "partial:2:書庫が既に存在します");
    EngineCompressOptions options;
    options.RemoveFolder = true;
    EngineCompress(owner, options);
    ExpectFailed(owner, "book", "!圧縮に失敗: 戻り値=2", "書庫が既に存在します");
    EXPECT_TRUE(tree.IsFile("book.zip")) << "not ours to recycle";
    EXPECT_TRUE(tree.IsFile("book\\01.jpg"));
}

TEST(CompressFaults, ABundledProfileWithoutItsRecursiveSwitchKeepsTheFolder)
{
    // ".zip" and ".cab" written without "-r": only the top files are packed.
    EngineTempTree tree("fennoro-fault");
    for (const std::string extension : {".zip", ".cab"}) {
        SCOPED_TRACE(extension);
        EngineTestOwner owner(true);
        const std::string name = "book" + extension.substr(1);
        Book(tree, owner, "", name);
        tree.File(name + "\\extra\\03.jpg", "third page");
        EngineCompressOptions options = EngineBundledProfile(extension);
        options.RemoveFolder = true;
        options.Template.erase(options.Template.find("-r "), 3);
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
        EngineExpectRow(owner, name, false, FolderCompressState::Compressed,
                        "*圧縮成功: ただし書庫の内容がフォルダと一致しないため削除しません", name + extension);
        EXPECT_TRUE(tree.IsFile(name + "\\extra\\03.jpg"));
    }
}

TEST(CompressFaults, AnArchiveHoldingLessThanTheFolderKeepsTheFolder)
{
    // Two pages at the top and one in a sub-folder; the library counts the
    // archive's files. Too few, or a count it cannot give, keeps the folder.
    EngineTempTree tree("fennoro-fault");
    EngineCompressOptions options;
    options.RemoveFolder = true;
    options.Dll = "fixture_counting.dll";
    const std::string whole = "whole-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    for (const auto& [name, count] : {std::pair<std::string, std::string>{"short", "2"}, {"unread", "-1"}, {whole, "3"}}) {
        SCOPED_TRACE(name);
        EngineTestOwner owner(true);
        Book(tree, owner, "", name);
        tree.File(name + "\\extra\\03.jpg", "third page");
        EngineScript script;
        script.Set("FENNORO_FIXTURE_COUNT", count);
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
        if (name == whole) {
            EngineExpectRow(owner, name, false, FolderCompressState::Compressed, "*圧縮しました", name + ".zip");
            EXPECT_FALSE(tree.IsFolder(name));
            EngineForgetRecycled(name);
        } else {
            EngineExpectRow(owner, name, false, FolderCompressState::Compressed,
                            "*圧縮成功: ただし書庫の内容がフォルダと一致しないため削除しません", name + ".zip");
            EXPECT_TRUE(tree.IsFile(name + "\\extra\\03.jpg"));
        }
    }
}
