// The real main window and the user's checks: no judgement of the program checks
// a row the user unchecked (a change of format and back, a find again, a rename,
// a job's failure), a job takes only the rows checked at F8, a find of a folder
// that is not there empties the list, an extension with "&" is never misread,
// and Ctrl+C in the folder box copies its text.
#include "base/WideText.h"
#include "settings/FennoroSettings.h"
#include "toolkit/ScopedHandle.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>

namespace {

class UnitFennoroRows : public ::testing::Test {
protected:
    UnitFennoroRows()
    {
        Tree.File("book\\01.jpg", "1");
        Tree.File("book.7z", "an archive of the other format");
        Tree.File("other\\01.jpg", "1");
        Tree.File("taken.zip", "an archive of a name the rename takes");
    }

    std::vector<std::string> Settings(std::vector<std::string> more = {}) const
    {
        std::vector<std::string> lines{"[Setting]", "Path=" + Tree.Root(), "RemoveFolder=0"};
        lines.insert(lines.end(), more.begin(), more.end());
        for (const char* format : {".zip", ".7z"})
            lines.push_back(std::string(format) + "=fixture_progress.dll,Fixture,\"a $Q \"\"$A\"\" \"\"$D\"\"\",-q");
        lines.insert(lines.end() - 2, "[Archive]");
        return lines;
    }

    static int Index(UiFennoroWindow& window, const std::string& name)
    {
        for (int i = 0; i < window->ListView->Count(); ++i)
            if (window->ListView->ItemText(i, 0) == name) return i;
        ADD_FAILURE() << "no row " << name;
        return -1;
    }

    // The user's click on the row's check box.
    static void UserCheck(UiFennoroWindow& window, const std::string& name, bool checked)
    {
        window->ListView->SetChecked(Index(window, name), checked);
        PumpPending();
    }

    static void Format(UiFennoroWindow& window, const std::string& caption)
    {
        for (size_t i = 0; i < window->MainMenuArchiveExtension->Count(); ++i) {
            TMenuItem& item = window->MainMenuArchiveExtension->Item(i);
            if (GetPlainCaption(item.Caption()) == caption && !item.Checked()) window.Choose(item);
        }
        PumpPending();
    }

    static bool Find(UiFennoroWindow& window)
    {
        window.Press(VK_F5);
        return window.WaitForJob();
    }

public:
    EngineTempTree Tree{"fennoro-rows"};
};

// Sets and removes the events the fixture holds a call on.
class HeldCall {
public:
    HeldCall()
        : Name("fennoro-rows-" + std::to_string(GetCurrentProcessId())),
          Entered(CreateEventA(nullptr, TRUE, FALSE, (Name + ".entered").c_str())),
          Release(CreateEventA(nullptr, TRUE, FALSE, (Name + ".release").c_str()))
    {
        Script.Set("FENNORO_FIXTURE_HOLD", Name);
    }
    ~HeldCall() { SetEvent(Release.get()); }
    bool WaitEntered() { return PumpUntil([this] { return WaitForSingleObject(Entered.get(), 0) == WAIT_OBJECT_0; }, 30000); }
    void ReleaseAll() { SetEvent(Release.get()); }
    EngineScript Script;

private:
    std::string Name;
    ScopedHandle Entered;
    ScopedHandle Release;
};

} // namespace

TEST_F(UnitFennoroRows, NoJudgementChecksARowTheUserUnchecked)
{
    using TWindow = UiFennoroWindow;
    using TStep = std::function<void(TWindow&, UnitFennoroRows&)>;
    const struct {
        const char* Path;
        const char* Format;  // at the find
        const char* Row;     // the row unchecked by the user, as it is named at the end
        TStep Before;        // after the find, before the user unchecks "book"
        TStep Rejudge;
    } cases[] = {
        {"format changed and back", ".zip", "book", nullptr,
         [](TWindow& w, UnitFennoroRows&) {
             Format(w, ".7z");
             EXPECT_EQ(w.Row("book").Result, "書庫が既に存在します");
             Format(w, ".zip");
             EXPECT_EQ(w.Row("book").Result, "+圧縮できます");
         }},
        {"the find's existing archive, checked by another format, unchecked, changed and back", ".7z", "book",
         [](TWindow& w, UnitFennoroRows&) {
             EXPECT_EQ(w.Row("book").Result, "書庫が既に存在します");
             Format(w, ".zip");
             EXPECT_TRUE(w.Row("book").Checked) << "the program's own uncheck is the program's to undo";
         },
         [](TWindow& w, UnitFennoroRows&) {
             Format(w, ".7z");
             Format(w, ".zip");
         }},
        {"find again", ".zip", "book", nullptr, [](TWindow& w, UnitFennoroRows&) { ASSERT_TRUE(Find(w)); }},
        {"find again through another spelling of the root", ".zip", "book", nullptr,
         [](TWindow& w, UnitFennoroRows& test) {
             std::string root = test.Tree.Root();
             for (char& c : root) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
             w->EditFolder->SetText(root + ".");
             ASSERT_TRUE(Find(w));
         }},
        {"rename, then find again", ".zip", "renamed", nullptr,
         [](TWindow& w, UnitFennoroRows&) {
             ASSERT_TRUE(w->ListViewEdited(Index(w, "book"), "renamed"));
             EXPECT_FALSE(w.Row("renamed").Checked);
             ASSERT_TRUE(Find(w));
         }},
        {"a failure of the folder in hand, unchecked during the job", ".zip", "book",
         [](TWindow& w, UnitFennoroRows&) { UserCheck(w, "other", false); },
         [](TWindow& w, UnitFennoroRows&) {
             HeldCall call;
             call.Script.Set("FENNORO_FIXTURE_MODE", "fail:1:refused");
             UserCheck(w, "book", true);
             w.Press(VK_F8);
             ASSERT_TRUE(call.WaitEntered());
             UserCheck(w, "book", false);
             call.ReleaseAll();
             ASSERT_TRUE(w.WaitForJob());
             EXPECT_EQ(w.Row("book").Result, "!圧縮に失敗: 戻り値=1");
         }},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Path);
        UiFennoroWindow window(Settings({std::string("ArchiveExtensionIndex=") + (test.Format == std::string(".7z") ? "1" : "0")}));
        ASSERT_TRUE(Find(window));
        if (test.Before) test.Before(window, *this);
        UserCheck(window, "book", false);
        test.Rejudge(window, *this);
        EXPECT_FALSE(window.Row(test.Row).Checked);
        window.Destroy();
        if (Tree.IsFolder("renamed")) MoveFileW(Tree.WidePath("renamed").c_str(), Tree.WidePath("book").c_str());
    }
}

TEST_F(UnitFennoroRows, ARenameJudgesTheRowAgainForAnArchiveOfItsNewName)
{
    UiFennoroWindow window(Settings());
    ASSERT_TRUE(Find(window));
    ASSERT_TRUE(window->ListViewEdited(Index(window, "other"), "taken"));
    const UiRow taken = window.Row("taken");
    EXPECT_FALSE(taken.Checked);
    EXPECT_EQ(taken.Result, "書庫が既に存在します");
    EXPECT_EQ(taken.Remark, "taken.zip");
}

TEST_F(UnitFennoroRows, AJobTakesTheRowsCheckedAtF8AndTheRestWaitForTheNext)
{
    UiFennoroWindow window(Settings());
    ASSERT_TRUE(Find(window));
    UserCheck(window, "other", false);
    {
        HeldCall call;
        window.Press(VK_F8);
        ASSERT_TRUE(call.WaitEntered());
        UserCheck(window, "other", true);
        call.ReleaseAll();
        ASSERT_TRUE(window.WaitForJob());
    }
    EXPECT_TRUE(Tree.IsFile("book.zip"));
    EXPECT_FALSE(Tree.IsFile("other.zip"));
    EXPECT_TRUE(window.Row("other").Checked);
    EXPECT_EQ(window.Row("other").Result, "+圧縮できます");
    const std::string summary = window->StatusBar->ProgressText();
    EXPECT_EQ(summary.rfind("成功 1 失敗 0 残り 0 |", 0), 0u) << summary;
    EXPECT_NE(summary.find("圧縮中にチェックした 1 個は次回の圧縮で"), std::string::npos) << summary;

    window.Press(VK_F8);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_TRUE(Tree.IsFile("other.zip"));
}

TEST_F(UnitFennoroRows, AFindOfAFolderThatIsNotThereEmptiesTheList)
{
    UiFennoroWindow window(Settings());
    ASSERT_TRUE(Find(window));
    ASSERT_FALSE(window.Rows().empty());
    window->EditFolder->SetText(Tree.Path("gone"));
    window.Press(VK_F5);
    EXPECT_EQ(window.Status(), "フォルダが正しくありません");
    EXPECT_TRUE(window.Rows().empty());
    TApplication::Current()->Idle();
    EXPECT_FALSE(window->ActionCompress->Enabled());
    window.Press(VK_F8);
    EXPECT_FALSE(Tree.IsFile("book.zip"));
}

TEST_F(UnitFennoroRows, AnExtensionWithAnAmpersandIsNeverMisread)
{
    UiFennoroWindow window(Settings({"Extensions=.jpg;.a&b;.png", "ExtensionsSelect=1;0;1"}));
    std::vector<std::string> shown;
    for (size_t i = 0; i < window->MainMenuExtensions->Count(); ++i)
        shown.push_back(GetPlainCaption(window->MainMenuExtensions->Item(i).Caption()));
    EXPECT_EQ(shown, (std::vector<std::string>{".jpg", ".png"}));
    EXPECT_FALSE(window->AddAllowedExtension("a&b"));
    EXPECT_EQ(window.Status(), "拡張子として使えません: a&b");
    window.Destroy();
    const std::string saved = UiFennoroWindow::SettingsText();
    EXPECT_NE(saved.find("Extensions=.jpg;.png;.a&b\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("ExtensionsSelect=1;1;0\r\n"), std::string::npos) << saved;
}

TEST_F(UnitFennoroRows, CtrlCInTheFolderBoxCopiesItsText)
{
    UiFennoroWindow window(Settings());
    ASSERT_TRUE(Find(window));
    window->ListView->SetFocus();
    window.Press('A', true);  // rows selected: the list's copy command is enabled
    window->EditFolder->SetFocus();
    const std::wstring root = WideText(Tree.Root());
    const struct {
        int Start, End;
        std::wstring Copied;
    } cases[] = {{0, 0, root}, {0, 2, root.substr(0, 2)}};
    for (const auto& test : cases) {
        SendMessageW(window->EditFolder->Handle(), EM_SETSEL, test.Start, test.End);
        window.Press('C', true);
        std::wstring copied;
        if (OpenClipboard(nullptr)) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
                copied = static_cast<const wchar_t*>(GlobalLock(data));
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        EXPECT_EQ(copied, test.Copied) << test.End;
    }
}
