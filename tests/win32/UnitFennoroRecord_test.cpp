// The real main window: one question for a job that removes folders, the record
// of the job, existing archives at the find and after a change of format, the
// command that adds an allowed extension, Ctrl+A in the folder box, and the
// remark column that fills the window and shows a cut remark on hover.
#include "base/WideText.h"
#include "engine/JobProgress.h"
#include "engine/win32/ExistingArchive.h"
#include "settings/FennoroSettings.h"
#include "tests/fixtures/SamplePages.h"
#include "toolkit/TInputBox.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <windowsx.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

std::string FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TMenuItem* FormatItem(TFormFennoro& form, const std::string& caption)
{
    for (size_t i = 0; i < form.MainMenuArchiveExtension->Count(); ++i) {
        TMenuItem& item = form.MainMenuArchiveExtension->Item(i);
        if (GetPlainCaption(item.Caption()) == caption) return &item;
    }
    return nullptr;
}

std::vector<std::string> ExtensionCaptions(TFormFennoro& form)
{
    std::vector<std::string> captions;
    for (size_t i = 0; i < form.MainMenuExtensions->Count(); ++i) {
        const TMenuItem& item = form.MainMenuExtensions->Item(i);
        captions.push_back(GetPlainCaption(item.Caption()) + (item.Checked() ? "" : " (off)"));
    }
    return captions;
}

// Types the text into the input box the window opens, from another thread, and chooses OK.
class InputBoxAnswer {
public:
    InputBoxAnswer(HWND owner, const std::wstring& text)
        : Helper([this, owner, text] {
              for (int attempt = 0; attempt < 3000 && !Answered; ++attempt) {
                  HWND dialog = FindWindowExW(nullptr, nullptr, L"#32770", nullptr);
                  while (dialog && (GetWindow(dialog, GW_OWNER) != owner || !IsWindowVisible(dialog)))
                      dialog = FindWindowExW(nullptr, dialog, L"#32770", nullptr);
                  if (!dialog) {
                      Sleep(10);
                      continue;
                  }
                  SendMessageW(GetDlgItem(dialog, TInputBox::EditId), WM_SETTEXT, 0,
                               reinterpret_cast<LPARAM>(text.c_str()));
                  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                  Answered = true;
              }
          })
    {
    }
    ~InputBoxAnswer() { Helper.join(); }
    std::atomic<bool> Answered{false};

private:
    std::thread Helper;
};

class UnitFennoroRecord : public ::testing::Test {
protected:
    std::vector<std::string> Settings(std::vector<std::string> more = {}) const
    {
        std::vector<std::string> lines{"[Setting]", "Path=" + Tree.Root()};
        lines.insert(lines.end(), more.begin(), more.end());
        return lines;
    }

    EngineTempTree Tree{"fennoro-record"};
};

} // namespace

TEST_F(UnitFennoroRecord, AJobThatRemovesFoldersAsksOnceAndRecordsEachFolder)
{
    // The bin keeps the names: unique ones, forgotten afterwards.
    const std::string stem = "rec" + std::to_string(GetCurrentProcessId()) + "-";
    const struct {
        int Answer;
        bool Archived;
        bool Removed;
    } cases[] = {{IDYES, true, true}, {IDNO, true, false}, {IDCANCEL, false, false}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Answer);
        std::vector<std::string> books;
        for (const char* book : {"a", "b", "c"}) {
            books.push_back(stem + std::to_string(test.Answer) + book);
            Tree.File(books.back() + "\\01.jpg", "page of " + books.back());
        }
        // Format .cbz, the fifth of the defaults; removal on, quiet off.
        UiFennoroWindow window(Settings({"RemoveFolder=1", "SilentArchive=0", "ArchiveExtensionIndex=4"}));
        window.Press(VK_F5);
        ASSERT_TRUE(window.WaitForJob());
        std::vector<std::string> asked;
        {
            EngineDialogAnswerer answerer(test.Answer);
            window.Press(VK_F8);
            ASSERT_TRUE(window.WaitForJob());
            asked = answerer.Answered();
        }
        EXPECT_EQ(asked, std::vector<std::string>{"Fennoro"});
        const std::string log = FileText(TFormFennoro::JobLogFileName());
        for (const std::string& book : books) {
            EXPECT_EQ(Tree.IsFile(book + ".cbz"), test.Archived) << book;
            EXPECT_EQ(Tree.IsFolder(book), !test.Removed) << book;
            EXPECT_EQ(window.Row(book).Checked, !test.Archived) << book;
            EXPECT_EQ(Count(log, std::string(1, '"').append(Tree.Path(book)).append(1, '"')), test.Archived ? 1u : 0u)
                << log;
            if (test.Removed) EngineForgetRecycled(book);
        }
        if (!test.Archived) {
            EXPECT_EQ(window.Status(), "圧縮を取り消しました");
            continue;
        }
        EXPECT_EQ(Count(log, test.Removed ? ",はい\r\n" : ",いいえ\r\n"), books.size()) << log;
        // The summary names the record (a narrow status bar leaves the name out first).
        ASSERT_NE(window->Worker(), nullptr);
        EXPECT_NE(JobProgressText(window->Worker()->Progress()).find("記録 "), std::string::npos);
        // The menu opens the record with the program of its kind, or with Notepad
        // where there is none, and says where the record is.
        static std::string opened;
        opened.clear();
        const TFormFennoro::TShellLauncher launcher = TFormFennoro::ShellLauncher;
        TFormFennoro::ShellLauncher = [](const std::string& file, const std::string& parameters) {
            opened = file + "|" + parameters;
        };
        window.Choose(*window->ActionOpenLog);
        TFormFennoro::ShellLauncher = launcher;
        const std::string record = TFormFennoro::JobLogFileName();
        EXPECT_TRUE(opened == record + "|" || opened == "notepad.exe|\"" + record + "\"") << opened;
        EXPECT_NE(window.Status().find(record), std::string::npos) << window.Status();
    }
    // The archives of the .cbz format are zips that other readers open.
    const std::string book = stem + std::to_string(IDYES) + "a";
    if (!Tree.HostMake("7z t '" + book + ".cbz' >/dev/null && unzip -p '" + book + ".cbz' 01.jpg > page && touch read",
                       "read", ""))
        GTEST_SKIP() << "no host 7z or unzip here";
    EXPECT_EQ(Tree.Read("page"), "page of " + book);
}

TEST_F(UnitFennoroRecord, WithoutARecordTheMenuSaysSo)
{
    UiFennoroWindow window(Settings());
    static bool opened = false;
    const TFormFennoro::TShellLauncher launcher = TFormFennoro::ShellLauncher;
    TFormFennoro::ShellLauncher = [](const std::string&, const std::string&) { opened = true; };
    window.Choose(*window->ActionOpenLog);
    TFormFennoro::ShellLauncher = launcher;
    EXPECT_FALSE(opened);
    EXPECT_EQ(window.Status(), "圧縮の記録はまだありません");
}

TEST_F(UnitFennoroRecord, AnExistingArchiveIsUncheckedAtTheFindAndAChangeOfFormatJudgesAgain)
{
    Tree.File("done\\01.jpg", "1");
    Tree.File("done.zip", "an earlier archive");
    Tree.File("fresh\\01.jpg", "1");
    Tree.File("fresh.7z", "another format's archive");
    Tree.File("stray\\readme.txt", "x");
    Tree.File("stray.zip", "x");
    UiFennoroWindow window(Settings({"RemoveFolder=0"}));
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    UiRow done = window.Row("done");
    EXPECT_FALSE(done.Checked);
    EXPECT_EQ(done.Result, ArchiveExistsVerdict);
    EXPECT_EQ(done.Remark, "done.zip");
    EXPECT_TRUE(window.Row("fresh").Checked);
    EXPECT_EQ(window.Row("stray").Result, "許容外の拡張子です") << "an unfit folder keeps its own verdict";

    window.Choose(*FormatItem(window.Form(), ".7z"));
    PumpPending();
    done = window.Row("done");
    EXPECT_TRUE(done.Checked);
    EXPECT_EQ(done.Result, FitVerdict);
    EXPECT_FALSE(window.Row("fresh").Checked);
    EXPECT_EQ(window.Row("fresh").Remark, "fresh.7z");
    window.Choose(*FormatItem(window.Form(), ".zip"));
    PumpPending();
    EXPECT_FALSE(window.Row("done").Checked);

    // F8 leaves it alone: only the fresh folder is archived.
    window.Press(VK_F8);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(Tree.Read("done.zip"), "an earlier archive");
    EXPECT_EQ(window.Row("done").Result, ArchiveExistsVerdict);
    EXPECT_EQ(window.Row("fresh").Result, "*圧縮しました");
}

TEST_F(UnitFennoroRecord, AnExtensionAddedFromTheWindowIsAllowedAndSaved)
{
    const std::string page = SamplePages::Page("baseline.jpg");
    Tree.File("scan\\001.jpeg", page);
    Tree.File("scan\\002.jpeg", page);
    Tree.File("cut\\001.jpeg", page);
    Tree.File("cut\\002.jpeg", page.substr(0, page.size() / 2));
    UiFennoroWindow window(Settings({"RemoveFolder=0", "VerifyImages=1"}));
    {
        InputBoxAnswer answer(window->Handle(), L"jpeg");
        window.Choose(*window->ActionAddExtension);
        EXPECT_TRUE(answer.Answered);
    }
    EXPECT_EQ(ExtensionCaptions(window.Form()), (std::vector<std::string>{".jpg", ".png", ".gif", ".jpeg"}));
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Row("scan").Result, FitVerdict);
    EXPECT_FALSE(window.Row("cut").Checked) << "the pages are still checked: " << window.Row("cut").Result;

    const struct {
        const char* Text;
        bool Taken;
    } cases[] = {{" .PNG ", true}, {"a/b", false}, {".tar.gz", false}, {"my book", false}, {".", false}};
    window.Choose(window->MainMenuExtensions->Item(1));  // .png off
    for (const auto& test : cases) EXPECT_EQ(window->AddAllowedExtension(test.Text), test.Taken) << test.Text;
    EXPECT_EQ(ExtensionCaptions(window.Form()), (std::vector<std::string>{".jpg", ".png", ".gif", ".jpeg"}));
    window.Destroy();
    EXPECT_NE(UiFennoroWindow::SettingsText().find("Extensions=.jpg;.png;.gif;.jpeg\r\n"), std::string::npos);
}

TEST_F(UnitFennoroRecord, CtrlASelectsTheFolderBoxTextAndStillSelectsTheRowsInTheList)
{
    Tree.File("a\\01.jpg", "1");
    Tree.File("b\\01.jpg", "1");
    UiFennoroWindow window(Settings({"RemoveFolder=0"}));
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    window->EditFolder->SetFocus();
    SendMessageW(window->EditFolder->Handle(), EM_SETSEL, 2, 2);
    window.Press('A', true);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(window->EditFolder->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, WideText(Tree.Root()).size());
    EXPECT_EQ(window->ListView->SelectedCount(), 0);

    window->ListView->SetFocus();
    window.Press('A', true);
    EXPECT_EQ(window->ListView->SelectedCount(), 2);
}

TEST_F(UnitFennoroRecord, TheRemarkColumnFillsTheWindowAndACutRemarkShowsWholeOnHover)
{
    const std::string longName = "an empty folder with a rather long name " + std::string(60, 'x');
    Tree.Folder(longName);
    // Enough rows for the list's vertical scroll bar, which narrows its client area.
    for (int i = 0; i < 40; ++i) Tree.File("book" + std::to_string(100 + i) + "\\01.jpg", "1");
    UiFennoroWindow window(Settings());
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    HWND list = window->ListView->Handle();
    const auto widths = [list] {
        int sum = 0;
        for (int column = 0; column < 3; ++column) sum += static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
        return sum;
    };
    // The rows came after the window was laid out: their scroll bar narrowed the list.
    RECT first{};
    GetClientRect(list, &first);
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(widths(), first.right);
    for (const int width : {900, 640}) {
        SetWindowPos(window->Handle(), nullptr, 0, 0, width, 400, SWP_NOMOVE | SWP_NOZORDER);
        PumpPending();
        RECT client{};
        GetClientRect(list, &client);
        EXPECT_EQ(widths(), client.right) << width;
        EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
        EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL) << "the columns fit";
    }

    // The remark is the folder's full path, wider than the column.
    int row = 0;
    while (row < window->ListView->Count() && window->ListView->ItemText(row, 0) != longName) ++row;
    SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
    RECT cell{};
    cell.top = 2;
    cell.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell)));
    SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 5, (cell.top + cell.bottom) / 2));
    EXPECT_TRUE(IsWindowVisible(window->ListView->CellTip()));
    EXPECT_EQ(window->ListView->CellTipText(), Tree.Path(longName));
    // A result that fits shows no tip.
    RECT result{};
    result.top = 1;
    result.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&result)));
    SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(result.left + 5, (result.top + result.bottom) / 2));
    EXPECT_FALSE(IsWindowVisible(window->ListView->CellTip()));
    EXPECT_EQ(window->ListView->CellTipText(), "");
}
