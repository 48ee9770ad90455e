// The recycle bin or nothing: a folder the bin would not take stays where it is,
// whatever the user answered and whether anyone is there to answer.
#include "engine/win32/LongPath.h"
#include "engine/win32/RecycleBin.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"

#include "base/WideText.h"

#include <gtest/gtest.h>

namespace {

std::string UniqueName(const char* stem)
{
    static int count = 0;
    return std::string(stem) + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
}

// A stranger's item in the bin under the name, without the bin's record of it:
// the bin cannot take another item of that name. A folder, or a link whose target
// is gone (made by the host; Link() false where it cannot be made).
class TakenInTheBin {
public:
    explicit TakenInTheBin(const std::string& name, bool link = false) : Path(EngineRecycleBinFiles() + name)
    {
        if (link) {
            Linked = EngineRunProcess("/bin/ln -s /nonexistent-fennoro-target \"" + EngineUnixPath(Path) + "\"");
            return;
        }
        CreateDirectoryW(FileApiPath(Path).c_str(), nullptr);
        const HANDLE file = CreateFileW(FileApiPath(Path + "\\mine.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
    ~TakenInTheBin()
    {
        if (Linked) {
            EngineRunProcess("/bin/rm -f \"" + EngineUnixPath(Path) + "\"");
            return;
        }
        DeleteFileW(FileApiPath(Path + "\\mine.txt").c_str());
        RemoveDirectoryW(FileApiPath(Path).c_str());
    }
    bool Link() const { return Linked; }
    bool Intact() const
    {
        return Linked || GetFileAttributesW(FileApiPath(Path + "\\mine.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    std::string Path;
    bool Linked = false;
};

} // namespace

TEST(RecycleBin, ABookWhoseNameTheBinHoldsStaysWhateverWasAnswered)
{
    if (EngineRecycleBinFiles().empty()) GTEST_SKIP() << "no recycle bin folder known here";
    const struct {
        const char* Name;
        bool Confirmed;   // the job's one question answered yes
        bool Unattended;  // nobody to answer
        bool Link;        // the name taken by a link whose target is gone
    } cases[] = {
        {"asked once, answered yes", true, false, false},
        {"unattended", false, true, false},
        {"asked for each folder", false, false, false},
        {"asked once, the name a dead link's", true, false, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        EngineTempTree tree;
        const std::string book = UniqueName("taken");
        TakenInTheBin taken(book, test.Link);
        if (test.Link && !taken.Link()) continue;  // no links here
        tree.File(book + "\\01.jpg", "one");
        tree.File(book + "\\02.jpg", "two");
        EngineTestOwner owner(true);
        owner.Add(tree.Root(), book, true);
        EngineCompressOptions options;
        options.RemoveFolder = true;
        options.Extras.RemovalConfirmed = test.Confirmed;
        options.Extras.Unattended = test.Unattended;
        options.Extras.LogPath = tree.Path("log.csv");
        std::vector<std::string> asked;
        {
            // A careless yes to whatever the shell asks.
            EngineDialogAnswerer answerer(IDYES);
            EngineCompress(owner, options);
            asked = answerer.Answered();
        }
        EngineExpectRow(owner, book, false, FolderCompressState::Compressed,
                        "*圧縮成功: ただしごみ箱に移せないため削除しません", book + ".zip");
        EXPECT_EQ(tree.Read(book + "\\02.jpg"), "two");
        EXPECT_TRUE(tree.IsFile(book + ".zip"));
        EXPECT_TRUE(taken.Intact());
        const std::string log = tree.Read("log.csv");
        EXPECT_NE(log.find("ごみ箱に移せないため削除しません\",\"" + book + ".zip\",いいえ\r"), std::string::npos) << log;
        if (test.Unattended) EXPECT_TRUE(asked.empty()) << asked.front();
    }
}

TEST(RecycleBin, TheShellWarnsBeforeADeleteForGoodAndUnattendedNothingShows)
{
    // Past the check before (as where it cannot see what the bin will do), the
    // shell's own warning is the last guard: it is always asked for.
    if (EngineRecycleBinFiles().empty()) GTEST_SKIP() << "no recycle bin folder known here";
    const struct {
        const char* Name;
        TRecycleDialogs Dialogs;
        int Answer;
        size_t Asked;
    } cases[] = {
        {"confirmed: the warning still comes, and no keeps the folder", TRecycleDialogs::Confirmed, IDNO, 1},
        {"unattended: no window, the folder stays", TRecycleDialogs::None, IDYES, 0},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        EngineTempTree tree;
        const std::string book = UniqueName("warned");
        TakenInTheBin taken(book);
        tree.File(book + "\\01.jpg", "one");
        const std::wstring exact = tree.WidePath(book);
        EXPECT_FALSE(RecycleBinCanTake(exact)) << "the check before sees the name taken";
        std::vector<std::string> asked;
        TRecycleOutcome outcome;
        {
            EngineDialogAnswerer answerer(test.Answer);
            outcome = MoveToRecycleBin(nullptr, ShellPath(exact), exact, test.Dialogs, true);
            asked = answerer.Answered();
        }
        EXPECT_EQ(outcome, TRecycleOutcome::Declined);
        EXPECT_EQ(asked.size(), test.Asked);
        EXPECT_EQ(tree.Read(book + "\\01.jpg"), "one");
        EXPECT_TRUE(taken.Intact());
    }
}

TEST(RecycleBin, ABinTurnedOffByPolicyTakesNothing)
{
    // The Windows check, run here on the registry of this prefix.
    EngineTempTree tree;
    tree.File("book\\01.jpg", "one");
    const std::wstring exact = tree.WidePath("book");
    const wchar_t* const key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
    if (!WindowsRecycleBinTakes(exact, 3)) GTEST_SKIP() << "no recycle bin on this volume for the Windows check";
    HKEY policies = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &policies, nullptr),
              ERROR_SUCCESS);
    const DWORD on = 1;
    RegSetValueExW(policies, L"NoRecycleFiles", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on);
    EXPECT_FALSE(WindowsRecycleBinTakes(exact, 3));
    RegDeleteValueW(policies, L"NoRecycleFiles");
    RegCloseKey(policies);
    EXPECT_TRUE(WindowsRecycleBinTakes(exact, 3));
    // Larger than any bin the volume may keep.
    EXPECT_FALSE(WindowsRecycleBinTakes(exact, ~0ULL));
}
