// The command table at work in a real form: execute paths (menu, toolbar,
// shortcut, code), the idle pass that pushes states to menu items and buttons,
// run-time check and radio items, and errors reaching the error box.
#include "base/WideText.h"
#include "win32/support/UiTestSupport.h"
#include "toolkit/TEdit.h"
#include "toolkit/TForm.h"
#include "toolkit/TToolBar.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

class TTestForm final : public TForm {
public:
    TTestForm() : TForm("TTestCommandForm", "Commands", 400, 300, TFontSpec{"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET}, "ToolImages")
    {
        Find = &Actions().Add("ファイル", "検索の実行(&F)", "検索実行|指定フォルダ内を検索", PlainKey(VK_F5), 5);
        Option = &Actions().Add("オプション", "再帰検索を行う(&R)", "再帰検索指定|再帰検索を行う", CtrlKey('R'), 15, true, false);
        Letter = &Actions().Add("", "Letter", "", PlainKey('A'), -1);
        Find->OnExecute = [this](TAction&) { ++FindRuns; };
        Find->OnUpdate = [this](TAction& action) { action.SetEnabled(FindAllowed); };
        Letter->OnExecute = [this](TAction&) { ++LetterRuns; };
        Letter->OnUpdate = [this](TAction& action) { action.SetEnabled(LetterAllowed); };

        FileMenu = &Menu().AddSubMenu("ファイル(&F)");
        FindItem = &FileMenu->AddItem(*Find);
        FileMenu->AddSeparator();
        OptionItem = &FileMenu->AddItem(*Option);
        Formats = &FileMenu->AddSubMenu("圧縮形式(&H)");
        AttachMenu();

        Bar = std::make_unique<TToolBar>(Handle(), Images(), 23, 22);
        Bar->AddButton(*Option);
        Bar->AddSeparator(8);
        Bar->AddButton(*Find);
        Bar->Align = TAlign::Top;
        AddControl(*Bar);
        Edit = std::make_unique<TEdit>(Handle(), 0, 30, 200, 19);
        SetTabOrder({Edit.get()});
        Realign();
        EndConstruction();
    }

    TAction* Find;
    TAction* Option;
    TAction* Letter;
    TMenuItem* FileMenu;
    TMenuItem* FindItem;
    TMenuItem* OptionItem;
    TMenuItem* Formats;
    std::unique_ptr<TToolBar> Bar;
    std::unique_ptr<TEdit> Edit;
    int FindRuns = 0;
    int LetterRuns = 0;
    bool FindAllowed = true;
    bool LetterAllowed = true;
    int Shows = 0;

private:
    void FormShow() override { ++Shows; }
};

UINT MenuState(HMENU menu, UINT command)
{
    MENUITEMINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE;
    GetMenuItemInfoW(menu, command, FALSE, &info);
    return info.fState;
}

std::string MenuText(HMENU menu, UINT command)
{
    wchar_t text[128] = {};
    GetMenuStringW(menu, command, text, 128, MF_BYCOMMAND);
    return Utf8Text(text);
}

class ToolkitCommands : public ::testing::Test {
protected:
    UiTestApplication App;
    TTestForm Form;
};

} // namespace

TEST_F(ToolkitCommands, EveryWayOfRunningACommandRunsItsUpdateHandlerFirst)
{
    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Form.Find->Id(), 0), 0);
    EXPECT_EQ(Form.FindRuns, 1);

    Form.FindAllowed = false;  // no idle pass in between: only the update handler can know
    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Form.Find->Id(), 0), 0);
    EXPECT_FALSE(Form.Find->Execute());
    Form.Edit->SetFocus();
    PostKey(Form.Edit->Handle(), VK_F5);
    PumpPending();
    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Form.Find->Id(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Form.Bar->Handle()));
    EXPECT_EQ(Form.FindRuns, 1);

    Form.FindAllowed = true;
    PostKey(Form.Edit->Handle(), VK_F5);
    PumpPending();
    EXPECT_EQ(Form.FindRuns, 2);
    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Form.Find->Id(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Form.Bar->Handle()));
    EXPECT_EQ(Form.FindRuns, 3);
}

TEST_F(ToolkitCommands, TheIdlePassFollowsInputTimersAndCommandsOnly)
{
    TApplication& application = *TApplication::Current();
    application.ProcessMessages();
    Form.FindAllowed = false;
    // Paints, mouse moves and sent calls (a worker's) change no command.
    InvalidateRect(Form.Handle(), nullptr, TRUE);
    PostMessageW(Form.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(Form.Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Commands"));
    application.ProcessMessages();
    EXPECT_TRUE(Form.Find->Enabled());
    // A key, a timer or a command may.
    for (const UINT message : {static_cast<UINT>(WM_KEYUP), static_cast<UINT>(WM_TIMER)}) {
        Form.FindAllowed = !Form.FindAllowed;
        PostMessageW(Form.Edit->Handle(), message, message == WM_KEYUP ? VK_SHIFT : 77, 0);
        application.ProcessMessages();
        EXPECT_EQ(Form.Find->Enabled(), Form.FindAllowed) << message;
    }
    Form.FindAllowed = true;
    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Form.Option->Id(), 0), 0);
    application.ProcessMessages();
    EXPECT_TRUE(Form.Find->Enabled());
}

TEST_F(ToolkitCommands, TheIdlePassShowsEnabledAndCheckedStatesInMenuAndToolbar)
{
    const HMENU file = Form.FileMenu->SubMenu();
    EXPECT_EQ(MenuText(file, Form.Find->Id()), "検索の実行(&F)\tF5");
    EXPECT_EQ(MenuText(file, Form.Option->Id()), "再帰検索を行う(&R)\tCtrl+R");
    EXPECT_TRUE(Form.Bar->ButtonEnabled(Form.Find->Id()));

    Form.FindAllowed = false;
    PumpPending();
    EXPECT_TRUE(MenuState(file, Form.Find->Id()) & MFS_GRAYED);
    EXPECT_FALSE(Form.Bar->ButtonEnabled(Form.Find->Id()));
    Form.FindAllowed = true;
    PumpPending();
    EXPECT_FALSE(MenuState(file, Form.Find->Id()) & MFS_GRAYED);
    EXPECT_TRUE(Form.Bar->ButtonEnabled(Form.Find->Id()));

    // An auto-check command toggles from the menu, the toolbar and its shortcut alike.
    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Form.Option->Id(), 0), 0);
    EXPECT_TRUE(Form.Option->Checked());
    EXPECT_TRUE(MenuState(file, Form.Option->Id()) & MFS_CHECKED);
    EXPECT_TRUE(Form.Bar->ButtonChecked(Form.Option->Id()));
    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Form.Option->Id(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Form.Bar->Handle()));
    EXPECT_FALSE(Form.Option->Checked());
    EXPECT_FALSE(Form.Bar->ButtonChecked(Form.Option->Id()));
    Form.Edit->SetFocus();
    SetKeyHeld(VK_CONTROL, true);
    PostKey(Form.Edit->Handle(), 'R');
    PumpPending();
    SetKeyHeld(VK_CONTROL, false);
    EXPECT_TRUE(Form.Option->Checked());
    EXPECT_TRUE(MenuState(file, Form.Option->Id()) & MFS_CHECKED);
}

TEST_F(ToolkitCommands, ADisabledShortcutLeavesTheKeyToTheFocusedControl)
{
    Form.Edit->SetFocus();
    ASSERT_TRUE(Form.Edit->Focused());
    PostKey(Form.Edit->Handle(), 'A');
    PumpPending();
    EXPECT_EQ(Form.LetterRuns, 1);
    EXPECT_EQ(Form.Edit->Text(), "");

    Form.LetterAllowed = false;
    PostKey(Form.Edit->Handle(), 'A');
    PumpPending();
    EXPECT_EQ(Form.LetterRuns, 1);
    EXPECT_EQ(Form.Edit->Text(), "a");
}

TEST_F(ToolkitCommands, RunTimeCheckAndRadioItems)
{
    TMenuItem& zip = Form.Formats->AddItem(".zip", true, true, true);
    TMenuItem& sevenZip = Form.Formats->AddItem(".7z", true, false, true);
    TMenuItem& plain = Form.FileMenu->AddItem(".jpg", true, true);
    const HMENU formats = Form.Formats->SubMenu();
    EXPECT_EQ(GetMenuItemCount(formats), 2);
    EXPECT_TRUE(MenuState(formats, zip.Command()) & MFS_CHECKED);

    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(sevenZip.Command(), 0), 0);
    EXPECT_TRUE(sevenZip.Checked());
    EXPECT_FALSE(zip.Checked());
    EXPECT_FALSE(MenuState(formats, zip.Command()) & MFS_CHECKED);
    EXPECT_TRUE(MenuState(formats, sevenZip.Command()) & MFS_CHECKED);
    // Choosing the checked radio item leaves the group with none checked.
    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(sevenZip.Command(), 0), 0);
    EXPECT_FALSE(sevenZip.Checked());
    EXPECT_FALSE(zip.Checked());

    SendMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(plain.Command(), 0), 0);
    EXPECT_FALSE(plain.Checked());
    EXPECT_FALSE(MenuState(Form.FileMenu->SubMenu(), plain.Command()) & MFS_CHECKED);
    EXPECT_EQ(Form.FileMenu->Find(plain.Command()), &plain);
}

TEST_F(ToolkitCommands, TooltipsShowTheShortHalfOfTheHint)
{
    EXPECT_EQ(Form.Bar->ToolTipText(Form.Find->Id()), "検索実行");
    HWND tooltip = reinterpret_cast<HWND>(SendMessageW(Form.Bar->Handle(), TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tooltip, nullptr);
    NMTTDISPINFO info{};
    info.hdr.hwndFrom = tooltip;
    info.hdr.idFrom = Form.Option->Id();
    info.hdr.code = TTN_GETDISPINFO;
    SendMessageW(Form.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_EQ(Utf8Text(info.lpszText), "再帰検索指定");
}

TEST_F(ToolkitCommands, AnExceptionInAHandlerReachesTheErrorBoxAndTheLoopGoesOn)
{
    Form.Find->OnExecute = [](TAction&) { throw std::runtime_error("失敗しました"); };
    PostMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Form.Find->Id(), 0), 0);
    PumpPending();
    ASSERT_EQ(App.Errors.size(), 1u);
    EXPECT_EQ(App.Errors[0], "失敗しました");
    Form.Find->OnExecute = [](TAction&) { throw 42; };
    PostMessageW(Form.Handle(), WM_COMMAND, MAKEWPARAM(Form.Find->Id(), 0), 0);
    PumpPending();
    ASSERT_EQ(App.Errors.size(), 2u);
    EXPECT_EQ(App.Errors[1], "");
}

TEST_F(ToolkitCommands, TheShowEventFollowsTheShowingOncePerShowing)
{
    EXPECT_EQ(Form.Shows, 0);
    Form.Show();
    EXPECT_EQ(Form.Shows, 0);
    PumpPending();
    EXPECT_EQ(Form.Shows, 1);
    ShowWindow(Form.Handle(), SW_MINIMIZE);
    ShowWindow(Form.Handle(), SW_RESTORE);
    PumpPending();
    EXPECT_EQ(Form.Shows, 1);
    ShowWindow(Form.Handle(), SW_HIDE);
    ShowWindow(Form.Handle(), SW_SHOW);
    PumpPending();
    EXPECT_EQ(Form.Shows, 2);
}

TEST_F(ToolkitCommands, ClosingTheMainFormEndsTheLoop)
{
    App.Application().SetMainForm(&Form);
    PostMessageW(Form.Handle(), WM_CLOSE, 0, 0);
    App.Application().Run(Form);
    EXPECT_TRUE(Form.CloseRequested());
    EXPECT_TRUE(IsWindow(Form.Handle()));
}
