// The main window running jobs: find, compress and abort from commands and keys,
// the refusals in the status bar, the options handed to the next job, Enter and
// drops in the folder box, the automatic find, and closing during a job.
#include "base/WideText.h"
#include "tests/fixtures/SamplePages.h"
#include "transfer/TDataObject.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

namespace {

class UnitFennoroJobs : public ::testing::Test {
protected:
    UnitFennoroJobs()
    {
        Tree.File("表紙\\p01.jpg", "1");
        Tree.File("表紙\\p02.jpg", "2");
        Tree.File("gap\\01.jpg", "1");
        Tree.File("gap\\03.jpg", "3");
        Tree.File("nested\\01.jpg", "1");
        Tree.File("nested\\inner\\01.jpg", "1");
    }

    std::vector<std::string> Settings(std::vector<std::string> more = {}) const
    {
        std::vector<std::string> lines{"[Setting]", "Path=" + Tree.Root(), "RemoveFolder=0"};
        lines.insert(lines.end(), more.begin(), more.end());
        return lines;
    }

    EngineTempTree Tree{"fennoro-ui"};
};

// A data object offering one block in one format, as another program's drag does.
IDataObject* Offered(CLIPFORMAT format, const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    TComRef<TDataObject> data = TDataObject::Create();
    data->SetCapacity(1);
    FORMATETC entry{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block;
    data->SetData(&entry, &medium, TRUE);
    return data.Detach();
}

// A CF_HDROP list of the paths, as the file manager offers a drag.
IDataObject* DroppedFiles(const std::vector<std::string>& paths)
{
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    // An ANSI list, as older file managers give it.
    for (const std::string& path : paths) {
        std::string ansi;
        ExactCodePageText(path, CP_ACP, ansi);
        bytes += ansi + '\0';
    }
    bytes += '\0';
    return Offered(CF_HDROP, bytes);
}

IDataObject* DroppedText(const std::string& text) { return Offered(CF_TEXT, text + '\0'); }

// Answers the folder chooser that the window opens, from another thread: the
// button once the dialog is up (IDOK keeps the folder it opened with).
class ChooserAnswer {
public:
    ChooserAnswer(HWND owner, int button)
        : Helper([this, owner, button] {
              for (int attempt = 0; attempt < 2000 && !Answered; ++attempt) {
                  HWND dialog = FindWindowExA(nullptr, nullptr, "#32770", nullptr);
                  while (dialog && (GetWindow(dialog, GW_OWNER) != owner || !IsWindowVisible(dialog))) {
                      dialog = FindWindowExA(nullptr, dialog, "#32770", nullptr);
                  }
                  if (dialog) {
                      Sleep(300);  // the chooser selects its folder as it starts
                      PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
                      Answered = true;
                  } else {
                      Sleep(10);
                  }
              }
          })
    {
    }
    ~ChooserAnswer() { Helper.join(); }
    std::atomic<bool> Answered{false};

private:
    std::thread Helper;
};

// Makes the list refuse every new row, as a list control out of memory does.
class ListRefusingRows {
public:
    explicit ListRefusingRows(HWND list)
        : List(list), Kept(reinterpret_cast<WNDPROC>(SetWindowLongPtrW(list, GWLP_WNDPROC,
                                                                          reinterpret_cast<LONG_PTR>(Refuse))))
    {
        Previous = Kept;
    }
    ~ListRefusingRows() { SetWindowLongPtrW(List, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Kept)); }

private:
    static LRESULT CALLBACK Refuse(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == LVM_INSERTITEM) return -1;
        return CallWindowProcW(Previous, window, message, wParam, lParam);
    }
    static inline WNDPROC Previous = nullptr;
    HWND List;
    WNDPROC Kept;
};

std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

} // namespace

TEST_F(UnitFennoroJobs, F5FindsEveryFolderAndTheCommandsFollowTheJob)
{
    UiFennoroWindow window(Settings());
    window.Press(VK_F5);
    ASSERT_TRUE(window->IsRunning() || window.Status() == "検索が終了しました");
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Status(), "検索が終了しました");
    ASSERT_EQ(window.Rows().size(), 3u);
    EXPECT_TRUE(window.Row("表紙").Checked);
    EXPECT_EQ(window.Row("表紙").Result, "+圧縮できます");
    EXPECT_FALSE(window.Row("gap").Checked);
    EXPECT_EQ(window.Row("gap").Result, "連番になっていません");
    EXPECT_EQ(window.Row("nested").Result, "サブディレクトリが存在します");
    EXPECT_TRUE(window->ListView->Focused());
    EXPECT_TRUE(window->ActionFind->Enabled());
    EXPECT_TRUE(window->ActionCompress->Enabled());
    EXPECT_FALSE(window->ActionAbort->Enabled());

    // F5 again once the first job has ended: a new worker, the list cleared and filled anew.
    Tree.File("second\\01.jpg", "1");
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Rows().size(), 4u);
    EXPECT_EQ(window.Row("second").Result, "+圧縮できます");
    EXPECT_TRUE(window.Errors().empty());
}

TEST_F(UnitFennoroJobs, ARootLongerThanMaxPathIsSearchedLikeAnyOther)
{
    const std::string root = std::string(150, 'r') + "\\" + std::string(150, 's');
    Tree.File(root + "\\book\\01.jpg", "1");
    UiFennoroWindow window({"[Setting]", "Path=" + Tree.Path(root), "RemoveFolder=0"});
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Status(), "検索が終了しました");
    ASSERT_EQ(window.Rows().size(), 1u);
    EXPECT_EQ(window.Row("book").Result, "+圧縮できます");
}

TEST_F(UnitFennoroJobs, TheEndOfAJobShowsWithoutAnyInput)
{
    for (int i = 0; i < 30; ++i) Tree.File("more" + std::to_string(i) + "\\01.jpg", "1");
    UiFennoroWindow window(Settings());
    window.Choose(*window->ActionFind);
    // Served as the application's loop serves it: sleep until a message comes, handle
    // it, run the idle pass. Nothing is sent when a job ends, yet the window must notice.
    while (window->IsRunning() || !window->ActionFind->Enabled()) {
        const DWORD woke = MsgWaitForMultipleObjectsEx(0, nullptr, 30000, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        ASSERT_NE(woke, static_cast<DWORD>(WAIT_TIMEOUT)) << "nothing woke the window after the job";
        TApplication::Current()->ProcessMessages();
    }
    EXPECT_EQ(window.Status(), "検索が終了しました");
    EXPECT_EQ(window.Rows().size(), 33u) << "every row is in the list, drawn or not";
    EXPECT_FALSE(window->ActionAbort->Enabled());
    EXPECT_TRUE(window->ToolBar->ButtonEnabled(window->ActionFind->Id()));
}

TEST_F(UnitFennoroJobs, AFindEndedByAnErrorShowsWhyOnceTheWindowSeesItsEnd)
{
    UiFennoroWindow window(Settings());
    ListRefusingRows refusal(window->ListView->Handle());
    window.Choose(*window->ActionFind);
    // As when the timer's last tick falls between the job's last text and its end.
    KillTimer(window->Handle(), TFolderList::JobTimerId);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Status(), "検索中にエラーが発生したため中止しました: リストに行を追加できません");
    EXPECT_TRUE(window->ActionFind->Enabled());
}

TEST_F(UnitFennoroJobs, AListWithoutItsTimerTakesEachRowAsTheFindMakesIt)
{
    for (int i = 0; i < 20; ++i) Tree.File("more" + std::to_string(i) + "\\01.jpg", "1");
    UiFennoroWindow window(Settings());
    // A handle no timer can be set on: the window is gone.
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    TFolderList folders(*window->ListView, *window->StatusBar, gone);
    folders.StartJobWatch();
    TThreadFennoro worker(folders, Tree.Root(), ".jpg", false, true, false);
    // The worker's calls served as they come, without the idle pass or a timer.
    while (window->ListView->Count() == 0 && !worker.Ended()) {
        MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_SENDMESSAGE, 0);
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    EXPECT_LT(window->ListView->Count(), 23) << "the rows came all at once, at the end";
    worker.WaitFor();
    folders.FlushDrawing();
    EXPECT_EQ(window->ListView->Count(), 23);
    EXPECT_EQ(window->StatusBar->SimpleText(), "検索が終了しました");
}

TEST_F(UnitFennoroJobs, RefusalsShowTheirTextAndLeaveTheWorker)
{
    UiFennoroWindow window(Settings({"[Archive]", ".zip=7-zip32.DLL,SevenZip", ".7z=7-zip32.DLL,SevenZip,\"a $Q $A $D\""}));
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    const TThreadFennoro* finished = window->Worker();
    ASSERT_NE(finished, nullptr);
    const size_t rows = window.Rows().size();

    window->EditFolder->SetText("");
    window.Press(VK_F5);
    EXPECT_EQ(window.Status(), "フォルダが正しくありません");
    window->EditFolder->SetText(Tree.Path("gap\\01.jpg"));
    window.Choose(*window->ActionFind);
    EXPECT_EQ(window.Status(), "フォルダが正しくありません");
    EXPECT_EQ(window.Rows().size(), 0u) << "no rows of a root the box no longer names";
    EXPECT_EQ(window->Worker(), finished);

    window->EditFolder->SetText(Tree.Root());
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    ASSERT_EQ(window.Rows().size(), rows);
    finished = window->Worker();
    for (size_t i = 0; i < window->MainMenuExtensions->Count(); ++i) window.Choose(window->MainMenuExtensions->Item(i));
    window.Press(VK_F5);
    EXPECT_EQ(window.Status(), "許容拡張子が選択されていません");
    EXPECT_EQ(window->Worker(), finished);

    // The checked format has only two items.
    window.Press(VK_F8);
    EXPECT_EQ(window.Status(), "拡張子.zipの圧縮設定が正しくありません");
    EXPECT_EQ(window->Worker(), nullptr) << "a profile error comes after the old worker is freed";
    EXPECT_EQ(window.Rows().size(), rows);

    // Three items: fine while quiet compression is off, refused while it is on.
    window.Choose(window->MainMenuArchiveExtension->Item(1));
    ASSERT_TRUE(window->ActionSilentArchive->Checked());
    window.Press(VK_F8);
    EXPECT_EQ(window.Status(), "拡張子.7zの圧縮設定が正しくありません");
    window.Press('L', true);
    ASSERT_FALSE(window->ActionSilentArchive->Checked());
    window.Press(VK_F8);
    ASSERT_NE(window->Worker(), nullptr);
    ASSERT_TRUE(window.WaitForJob());

    window->ListView->SetChecked(0, true);
    window.Choose(window->MainMenuArchiveExtension->Item(1));  // the checked one: none is left
    window.Choose(*window->ActionCompress);
    EXPECT_EQ(window.Status(), "圧縮形式が選択されていません");
}

TEST_F(UnitFennoroJobs, CompressWritesEachOutcomeIntoItsRow)
{
    UiFennoroWindow window(Settings({"[Archive]", ".zip=7-zip32.DLL,SevenZip,\"a -r $Q -tzip \"\"$A\"\" \"\"$D\"\" *\",-hide",
                                     ".bad=NoSuchArchiver.DLL,Pack,\"a $A $D\",-q"}));
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    window.Press(VK_F8);
    ASSERT_TRUE(window.WaitForJob());
    const UiRow cover = window.Row("表紙");
    EXPECT_FALSE(cover.Checked);
    EXPECT_EQ(cover.Result.substr(0, 1), "*") << cover.Result << " " << cover.Remark;
    EXPECT_TRUE(Tree.IsFile("表紙.zip"));
    EXPECT_TRUE(Tree.IsFolder("表紙")) << "removing the folder is off";

    // A profile naming a missing library fails per folder; the row stays checked.
    window.Choose(window->MainMenuArchiveExtension->Item(1));
    for (size_t i = 0; i < window->Folders().RowCount(); ++i) {
        if (window->Folders().RowAt(i).Name == "gap") window->ListView->SetChecked(static_cast<int>(i), true);
    }
    window.Press(VK_F8);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_TRUE(window.Row("gap").Checked);
    EXPECT_EQ(window.Row("gap").Result.substr(0, 1), "!");
    EXPECT_FALSE(window.Row("表紙").Checked) << "a compressed row is never picked again";
}

TEST_F(UnitFennoroJobs, AbortEndsAFindAndACompressionAndTheCommandsComeBack)
{
    UiFennoroWindow window(Settings({"[Archive]", ".zip=NoSuchArchiver.DLL,Pack,\"a $A $D\",-q"}));
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    ASSERT_EQ(window.Rows().size(), 3u);

    // The worker waits for its first call into the window: the stop is seen before any folder.
    window.Choose(*window->ActionFind);
    ASSERT_TRUE(window->IsRunning());
    TApplication::Current()->Idle();
    EXPECT_TRUE(window->ActionAbort->Enabled());
    EXPECT_FALSE(window->ActionFind->Enabled());
    // Ctrl+D, handled before anything else runs.
    SetKeyHeld(VK_CONTROL, true);
    const bool aborted = window->PreprocessKey(MSG{window->ListView->Handle(), WM_KEYDOWN, 'D', 0, 0, {}});
    SetKeyHeld(VK_CONTROL, false);
    EXPECT_TRUE(aborted);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Status(), "検索を中断しました");
    // The folder in hand when the stop arrived, and no further one.
    ASSERT_EQ(window.Rows().size(), 1u);
    EXPECT_EQ(window.Rows()[0].Result, "中断されました");
    EXPECT_FALSE(window.Rows()[0].Checked);
    EXPECT_TRUE(window->ActionFind->Enabled());
    EXPECT_FALSE(window->ActionAbort->Enabled());

    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    window.Choose(*window->ActionCompress);  // no message is handled before the abort
    ASSERT_TRUE(window->IsRunning());
    window.Choose(*window->ActionAbort);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Status(), "圧縮を中断しました");
    EXPECT_TRUE(window.Row("表紙").Checked);
    EXPECT_EQ(window.Row("表紙").Result, "+圧縮できます");
    EXPECT_TRUE(window->ActionCompress->Enabled());
    EXPECT_FALSE(window->ActionAbort->Enabled());
}

TEST_F(UnitFennoroJobs, OptionsChangedDuringAJobReachOnlyTheNextJob)
{
    UiFennoroWindow window(Settings());
    window.Press(VK_F5);
    ASSERT_TRUE(window->IsRunning());
    window.Press('R', true);  // recursive search, while the first job runs
    EXPECT_TRUE(window->ActionRecursive->Checked());
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Row("nested").Result, "サブディレクトリが存在します");

    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Row("nested").Result, "+圧縮できます");

    // Gaps tolerated: the numbering check of the next job lets them pass.
    window.Choose(*window->ActionNumberedAbout);
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Row("gap").Result, "+圧縮できます");
    // Pages checked (Ctrl+I): the fixture's one-byte "JPEG" files are no image at all.
    EXPECT_FALSE(window->ActionVerifyImages->Checked());
    window.Press('I', true);
    ASSERT_TRUE(window->ActionVerifyImages->Checked());
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_FALSE(window.Row("表紙").Checked);
    EXPECT_EQ(window.Row("表紙").Result, "破損した画像があります");
    EXPECT_EQ(window.Row("表紙").Remark, "p01.jpg JPEG・PNG・GIF・BMPのどれでもありません");
    // Only the checked extensions are allowed.
    window.Choose(window->MainMenuExtensions->Item(0));  // .jpg
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_NE(window.Row("gap").Result, "+圧縮できます");
}

TEST_F(UnitFennoroJobs, TheDeepLevelFindsAPageDamagedInsideItsData)
{
    const std::string page = SamplePages::Page("progressive.jpg");
    std::string zeroed = page;
    std::fill(zeroed.begin() + page.size() / 2, zeroed.begin() + page.size() / 2 + 1024, '\0');
    Tree.File("頁\\p01.jpg", page);
    Tree.File("頁\\p02.jpg", zeroed);
    UiFennoroWindow window(Settings());
    TApplication::Current()->Idle();
    EXPECT_FALSE(window->ActionDeepImageCheck->Enabled()) << "nothing to deepen while the page check is off";
    window.Press('I', true);
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Row("頁").Result, "+圧縮できます") << "the quick level reads around the data";

    ASSERT_TRUE(window->ActionDeepImageCheck->Enabled());
    window.Choose(*window->ActionDeepImageCheck);
    ASSERT_TRUE(window->ActionDeepImageCheck->Checked());
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_FALSE(window.Row("頁").Checked);
    EXPECT_EQ(window.Row("頁").Result, "破損した画像があります");
    EXPECT_TRUE(window.Row("頁").Remark.starts_with("p02.jpg ") &&
                window.Row("頁").Remark.ends_with(" バイト目付近のデータが壊れています"))
        << window.Row("頁").Remark;
}

TEST_F(UnitFennoroJobs, EnterInTheFolderBoxSearchesUnlessAJobRuns)
{
    UiFennoroWindow window;
    window->EditFolder->SetText(Tree.Root());
    window->EditFolder->SetFocus();
    PostMessageW(window->EditFolder->Handle(), WM_CHAR, '\r', 1);
    PumpPending();
    ASSERT_NE(window->Worker(), nullptr);
    const TThreadFennoro* first = window->Worker();
    EXPECT_EQ(window->EditFolder->Text(), Tree.Root()) << "Enter is consumed";
    // While it runs, Enter changes nothing.
    window->EditFolder->SetFocus();
    PostMessageW(window->EditFolder->Handle(), WM_CHAR, '\r', 1);
    if (window->IsRunning()) {
        PumpPending();
        EXPECT_EQ(window->Worker(), first);
    }
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Rows().size(), 3u);
}

TEST_F(UnitFennoroJobs, AutomaticFindOnTheFirstShowingOnly)
{
    UiFennoroWindow window(Settings({"AutoFind=1"}));
    EXPECT_EQ(window->Worker(), nullptr) << "not before the window shows";
    window->Show();
    ASSERT_TRUE(PumpUntil([&] { return window->Worker() != nullptr; }));
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Rows().size(), 3u);
    const TThreadFennoro* first = window->Worker();

    ShowWindow(window->Handle(), SW_MINIMIZE);
    ShowWindow(window->Handle(), SW_RESTORE);
    ShowWindow(window->Handle(), SW_HIDE);
    ShowWindow(window->Handle(), SW_SHOW);
    PumpPending();
    PumpPending();
    EXPECT_EQ(window->Worker(), first);
    EXPECT_FALSE(window->IsRunning());
}

TEST_F(UnitFennoroJobs, AutomaticFindAlsoInAMaximisedOrMinimisedWindow)
{
    for (const char* state : {"2", "1"}) {
        SCOPED_TRACE(state);
        UiFennoroWindow window(Settings({"AutoFind=1", std::string("Window=10,10,600,400,") + state}));
        window->Show();
        ASSERT_TRUE(PumpUntil([&] { return window->Worker() != nullptr; }));
        ASSERT_TRUE(window.WaitForJob());
        EXPECT_EQ(window.Rows().size(), 3u);
        EXPECT_EQ(window.Status(), "検索が終了しました");
    }
}

TEST_F(UnitFennoroJobs, AutomaticFindOfAMissingFolderSaysSo)
{
    UiFennoroWindow window({"[Setting]", "AutoFind=1", "Path=" + Tree.Path("missing")});
    window->Show();
    PumpPending();
    PumpPending();
    EXPECT_EQ(window.Status(), "フォルダが正しくありません");
    EXPECT_EQ(window->Worker(), nullptr);
}

TEST_F(UnitFennoroJobs, ADroppedFolderReplacesTheFolderBoxText)
{
    UiFennoroWindow window;
    TDataDropAccept* target = window->FolderDropTarget();
    ASSERT_NE(target, nullptr);
    EXPECT_TRUE(target->Registered());

    IDataObject* text = DroppedText("C:\\not a drop");
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    target->DragEnter(text, 0, POINTL{}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    target->Drop(text, 0, POINTL{}, &effect);
    text->Release();
    EXPECT_EQ(window->EditFolder->Text(), "");

    IDataObject* folders = DroppedFiles({Tree.Path("表紙"), Tree.Path("gap"), Tree.Path("nested")});
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    target->DragEnter(folders, 0, POINTL{}, &effect);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_LINK));
    target->Drop(folders, 0, POINTL{}, &effect);
    folders->Release();
    EXPECT_EQ(window->EditFolder->Text(), Tree.Path("表紙"));
    EXPECT_EQ(window->Worker(), nullptr) << "a drop only fills the box";

    IDataObject* file = DroppedFiles({Tree.Path("gap\\01.jpg")});
    effect = DROPEFFECT_COPY;
    target->Drop(file, 0, POINTL{}, &effect);
    file->Release();
    EXPECT_EQ(window->EditFolder->Text(), Tree.Path("gap\\01.jpg"));
}

TEST_F(UnitFennoroJobs, ClosingDuringAJobSavesTheScreenOptionsThenEndsTheJob)
{
    for (int i = 0; i < 40; ++i) Tree.File("many" + std::to_string(i) + "\\01.jpg", "1");
    UiFennoroWindow window(Settings());
    window.Press(VK_F5);
    ASSERT_TRUE(window->IsRunning());
    // Let it report a few rows, so that it is in the middle of its work.
    PumpUntil([&] { return window->Folders().RowCount() >= 2 || !window->IsRunning(); });
    window.Press('L', true);  // quiet compression off, during the job
    window.Press('R', true);  // recursive on
    window.Destroy();         // saves, asks the worker to stop, waits for it serving its calls
    const std::string saved = UiFennoroWindow::SettingsText();
    EXPECT_NE(saved.find("SilentArchive=0\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Recursive=1\r\n"), std::string::npos) << saved;
}

TEST_F(UnitFennoroJobs, TheFolderChooserFillsTheBoxAndSearchesWhenAutomatic)
{
    UiFennoroWindow window;
    window->EditFolder->SetText(SystemFolder());
    {
        ChooserAnswer cancel(window->Handle(), IDCANCEL);
        window.Press('F', true);
    }
    EXPECT_EQ(window->EditFolder->Text(), SystemFolder()) << "a cancelled chooser changes nothing";
    EXPECT_EQ(window->Worker(), nullptr);

    // A folder text longer than the chooser's buffer is never copied into it: the
    // chooser opens at its own default, and the box keeps its text unless a folder
    // was chosen there.
    const std::string tooLong = "C:\\" + std::string(400, 'x');
    window->EditFolder->SetText(tooLong);
    {
        ChooserAnswer ok(window->Handle(), IDOK);
        window.Choose(*window->ActionSelectFolder);
    }
    const std::string chosen = window->EditFolder->Text();
    EXPECT_TRUE(chosen == tooLong || chosen.size() < MAX_PATH) << chosen;

    window->EditFolder->SetText(SystemFolder());
    window.Choose(*window->ActionAutoFind);
    {
        ChooserAnswer ok(window->Handle(), IDOK);
        window.Choose(*window->ActionSelectFolder);
    }
    EXPECT_EQ(window->EditFolder->Text(), SystemFolder());
    ASSERT_NE(window->Worker(), nullptr) << "automatic search starts on the chosen folder";
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Status(), "検索が終了しました");
}
