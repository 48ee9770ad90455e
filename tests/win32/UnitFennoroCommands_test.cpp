// The main window's command table as the user meets it: the menu tree, the
// toolbar with its tooltips, the shortcuts, and every enabling rule, read back
// from the menu items and toolbar buttons after an idle pass.
#include "base/WideText.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::string MenuText(HMENU menu, UINT position)
{
    wchar_t wide[256] = {};
    GetMenuStringW(menu, position, wide, 256, MF_BYPOSITION);
    const std::string text = Utf8Text(wide);
    MENUITEMINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return (info.fType & MFT_SEPARATOR) ? "-" : text;
}

std::vector<std::string> MenuTexts(HMENU menu)
{
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) texts.push_back(MenuText(menu, static_cast<UINT>(i)));
    return texts;
}

// Enabled in the menu bar's items and on the toolbar, as the user sees it.
bool MenuEnabled(TFormFennoro& form, const TAction& action)
{
    for (TMenuItem* menu : {form.MainMenuFile, form.MainMenuEdit, form.MainMenuOption, form.MainMenuHelp}) {
        if (const TMenuItem* item = menu->Find(action.Id())) {
            MENUITEMINFO info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_STATE;
            GetMenuItemInfoW(item->Parent()->SubMenu(), action.Id(), FALSE, &info);
            return !(info.fState & MFS_GRAYED);
        }
    }
    ADD_FAILURE() << action.Caption() << " is in no menu";
    return false;
}

class UnitFennoroCommands : public ::testing::Test {
protected:
    UnitFennoroCommands()
    {
        Tree.File("a\\01.jpg", "1");
        Tree.File("b\\01.jpg", "1");
        Tree.File("c\\01.txt", "1");
    }
    EngineTempTree Tree{"fennoro-ui"};
};

} // namespace

TEST_F(UnitFennoroCommands, EveryCommandIsShownAndReachedAsItsTableEntrySays)
{
    UiFennoroWindow window;
    TFormFennoro& form = window.Form();
    EXPECT_EQ(MenuTexts(GetMenu(form.Handle())),
              (std::vector<std::string>{"ファイル(&F)", "編集(&E)", "オプション(&O)", "ヘルプ(&H)"}));
    TActionList& actions = form.Actions();
    ASSERT_GE(actions.Count(), 17u);
    for (size_t i = 0; i < actions.Count(); ++i) {
        TAction& action = actions[i];
        SCOPED_TRACE(action.Caption());
        // Its menu item shows the caption and the shortcut, and mirrors the check;
        // only the rename command lives on the list alone, the check commands in its menu.
        const TMenuItem* item = nullptr;
        for (TMenuItem* menu : {form.MainMenuFile, form.MainMenuEdit, form.MainMenuOption, form.MainMenuHelp})
            if (!item) item = menu->Find(action.Id());
        if (&action == form.ActionCheckSelected || &action == form.ActionUncheckSelected) {
            EXPECT_EQ(item, nullptr);
            item = form.PopupMenuList->Find(action.Id());
        }
        if (&action != form.ActionRenameFolder) {
            ASSERT_NE(item, nullptr);
            wchar_t wide[256] = {};
            GetMenuStringW(item->Parent()->SubMenu(), action.Id(), wide, 256, MF_BYCOMMAND);
            const std::string text = Utf8Text(wide);
            const TShortCut key = action.ShortCut();
            std::string expected = action.Caption();
            if (!key.Empty()) expected += '\t' + ShortCutToText(key);
            EXPECT_EQ(text, expected);
            EXPECT_EQ(item->Checked(), action.Checked());
        }
        // Its toolbar button, if it has one, shows the short hint and the same check.
        if (SendMessageW(form.ToolBar->Handle(), TB_COMMANDTOINDEX, action.Id(), 0) >= 0) {
            EXPECT_EQ(form.ToolBar->ToolTipText(action.Id()), action.ShortHint());
            EXPECT_EQ(form.ToolBar->ButtonChecked(action.Id()), action.Checked());
        }
        // An option's shortcut toggles it, and back.
        if (action.AutoCheck() && !action.ShortCut().Empty()) {
            const bool before = action.Checked();
            window.Press(action.ShortCut().Key, true);
            EXPECT_NE(action.Checked(), before);
            window.Press(action.ShortCut().Key, true);
            EXPECT_EQ(action.Checked(), before);
        }
    }
    EXPECT_EQ(MenuTexts(form.MainMenuExtensions->SubMenu()), (std::vector<std::string>{".jpg", ".png", ".gif"}));
    EXPECT_EQ(MenuTexts(form.MainMenuArchiveExtension->SubMenu()),
              (std::vector<std::string>{".zip", ".7z", ".lzh", ".cab", ".cbz"}));
}

TEST_F(UnitFennoroCommands, WhileAJobRunsOnlyAbortOptionsChooserExitAndAboutAreEnabled)
{
    UiFennoroWindow window({"[Setting]", "Path=" + Tree.Root()});
    TFormFennoro& form = window.Form();
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    form.ListView->SetSelected(0, true);
    form.ListView->SetFocused(0);
    PumpPending();
    for (TAction* action : {form.ActionFind, form.ActionCompress, form.ActionCopy, form.ActionSelectAll,
                            form.ActionSelectInvert, form.ActionRenameFolder,
                            form.ActionCheckSelected, form.ActionUncheckSelected}) {
        EXPECT_TRUE(action->Enabled()) << action->Caption();
    }
    EXPECT_FALSE(form.ActionAbort->Enabled());
    EXPECT_FALSE(MenuEnabled(form, *form.ActionAbort));

    // A second find, held in its first call into the window: a job runs.
    window.Choose(*form.ActionFind);
    ASSERT_TRUE(form.IsRunning());
    TApplication::Current()->Idle();
    for (TAction* action : {form.ActionFind, form.ActionCompress, form.ActionCopy, form.ActionSelectAll,
                            form.ActionSelectInvert, form.ActionRenameFolder,
                            form.ActionCheckSelected, form.ActionUncheckSelected}) {
        EXPECT_FALSE(action->Enabled()) << action->Caption();
    }
    for (TAction* action : {form.ActionAbort, form.ActionAutoFind, form.ActionRecursive, form.ActionNumbered,
                            form.ActionNumberedAbout, form.ActionSilentArchive, form.ActionRemoveFolder,
                            form.ActionVerifyImages, form.ActionSelectFolder, form.ActionExit, form.ActionAbout}) {
        EXPECT_TRUE(action->Enabled()) << action->Caption();
    }
    EXPECT_TRUE(MenuEnabled(form, *form.ActionAbort));
    EXPECT_FALSE(MenuEnabled(form, *form.ActionFind));
    EXPECT_FALSE(form.ToolBar->ButtonEnabled(form.ActionCompress->Id()));
    EXPECT_TRUE(form.ToolBar->ButtonEnabled(form.ActionAbort->Id()));
    // Its shortcut does nothing either.
    const TThreadFennoro* running = form.Worker();
    EXPECT_FALSE(form.PreprocessKey(MSG{form.ListView->Handle(), WM_KEYDOWN, VK_F5, 0, 0, {}}));
    EXPECT_EQ(form.Worker(), running);

    ASSERT_TRUE(window.WaitForJob());
    EXPECT_TRUE(form.ActionFind->Enabled());
    EXPECT_FALSE(form.ActionAbort->Enabled());
}

TEST_F(UnitFennoroCommands, ListCommandsFollowTheRowsTheSelectionAndTheEditor)
{
    UiFennoroWindow window({"[Setting]", "Path=" + Tree.Root()});
    TFormFennoro& form = window.Form();
    form.Show();
    PumpPending();
    EXPECT_FALSE(form.ActionSelectAll->Enabled()) << "empty list";
    EXPECT_FALSE(form.ActionCompress->Enabled()) << "no checked row";
    EXPECT_FALSE(form.ActionRenameFolder->Enabled());

    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    ASSERT_EQ(form.ListView->Count(), 3);
    EXPECT_TRUE(form.ActionSelectAll->Enabled());
    EXPECT_FALSE(form.ActionCopy->Enabled()) << "rows, none selected";
    EXPECT_FALSE(form.ActionSelectInvert->Enabled());
    EXPECT_TRUE(form.ActionCompress->Enabled());

    form.ListView->SetSelected(1, true);
    PumpPending();
    EXPECT_TRUE(form.ActionCopy->Enabled());
    EXPECT_TRUE(form.ActionSelectInvert->Enabled());
    EXPECT_TRUE(MenuEnabled(form, *form.ActionCopy));
    form.ListView->SetFocused(1);
    PumpPending();
    EXPECT_TRUE(form.ActionRenameFolder->Enabled());

    form.ListView->EditCaption(1);
    ASSERT_TRUE(form.ListView->IsEditing());
    PumpPending();
    EXPECT_FALSE(form.ActionCopy->Enabled()) << "a name is being edited";
    EXPECT_FALSE(form.ActionSelectInvert->Enabled());
    EXPECT_TRUE(form.ActionSelectAll->Enabled());
    HWND editor = reinterpret_cast<HWND>(SendMessageW(form.ListView->Handle(), LVM_GETEDITCONTROL, 0, 0));
    SendMessageW(editor, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpPending();
    EXPECT_TRUE(form.ActionCopy->Enabled());

    // Unchecking every row (as the user does with the check boxes) disables compressing.
    for (int i = 0; i < form.ListView->Count(); ++i) form.ListView->SetChecked(i, false);
    PumpPending();
    EXPECT_FALSE(form.ActionCompress->Enabled());
    EXPECT_FALSE(form.ToolBar->ButtonEnabled(form.ActionCompress->Id()));
    form.ListView->SetChecked(2, true);
    PumpPending();
    EXPECT_TRUE(form.ActionCompress->Enabled());
}

TEST_F(UnitFennoroCommands, GapsOptionIsGreyedWithoutNumberingAndKeepsItsCheck)
{
    UiFennoroWindow window({"[Setting]", "NumberedAbout=1"});
    TFormFennoro& form = window.Form();
    PumpPending();
    ASSERT_TRUE(form.ActionNumberedAbout->Checked());
    EXPECT_TRUE(form.ActionNumberedAbout->Enabled());

    window.Press('N', true);
    EXPECT_FALSE(form.ActionNumbered->Checked());
    EXPECT_FALSE(form.ActionNumberedAbout->Enabled());
    EXPECT_FALSE(MenuEnabled(form, *form.ActionNumberedAbout));
    EXPECT_FALSE(form.ToolBar->ButtonEnabled(form.ActionNumberedAbout->Id()));
    EXPECT_TRUE(form.ActionNumberedAbout->Checked());
    EXPECT_TRUE(form.ToolBar->ButtonChecked(form.ActionNumberedAbout->Id()));
    // Its shortcut does nothing while it is greyed.
    window.Press('B', true);
    EXPECT_TRUE(form.ActionNumberedAbout->Checked());

    window.Choose(*form.ActionNumbered);
    PumpPending();
    EXPECT_TRUE(form.ActionNumberedAbout->Enabled());
    EXPECT_TRUE(form.ActionNumberedAbout->Checked());
    window.Press('B', true);
    EXPECT_FALSE(form.ActionNumberedAbout->Checked());
}

TEST_F(UnitFennoroCommands, ArchiveFormatsFormOneRadioGroupThatCanBeLeftEmpty)
{
    UiFennoroWindow window({"[Setting]", "Path=" + Tree.Root()});
    TFormFennoro& form = window.Form();
    TMenuItem& formats = *form.MainMenuArchiveExtension;
    auto checkedFormats = [&] {
        std::string names;
        for (size_t i = 0; i < formats.Count(); ++i) {
            if (formats.Item(i).Checked()) names += formats.Item(i).Caption();
        }
        return names;
    };
    EXPECT_EQ(checkedFormats(), ".zip");
    window.Choose(formats.Item(2));
    EXPECT_EQ(checkedFormats(), ".lzh");
    MENUITEMINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    GetMenuItemInfoW(formats.SubMenu(), 2, TRUE, &info);
    EXPECT_TRUE(info.fState & MFS_CHECKED);
    EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
    GetMenuItemInfoW(formats.SubMenu(), 0, TRUE, &info);
    EXPECT_FALSE(info.fState & MFS_CHECKED);

    window.Choose(formats.Item(2));
    EXPECT_EQ(checkedFormats(), "");
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    window.Press(VK_F8);
    EXPECT_EQ(window.Status(), "圧縮形式が選択されていません");
    EXPECT_FALSE(form.IsRunning());

    // Extensions are independent check items.
    TMenuItem& extensions = *form.MainMenuExtensions;
    window.Choose(extensions.Item(1));
    EXPECT_TRUE(extensions.Item(0).Checked());
    EXPECT_FALSE(extensions.Item(1).Checked());
    EXPECT_TRUE(extensions.Item(2).Checked());
}

TEST_F(UnitFennoroCommands, ExitClosesTheWindowThroughTheApplication)
{
    UiFennoroWindow window;
    TApplication::Current()->SetMainForm(&window.Form());
    window.Press('W', true);
    EXPECT_TRUE(window->CloseRequested());
    EXPECT_TRUE(TApplication::Current()->Terminated());
}

TEST_F(UnitFennoroCommands, AboutOpensAModalBoxOwnedByTheMainWindow)
{
    UiFennoroWindow window;
    HWND main = window->Handle();
    std::atomic<HWND> box{nullptr};
    std::atomic<bool> ownerDisabled{false};
    // Closes the box from outside, as a user would, once it is up.
    std::thread closer([&] {
        for (int attempt = 0; attempt < 3000 && !box; ++attempt) {
            HWND found = FindWindowExA(nullptr, nullptr, "#32770", nullptr);
            if (found && GetWindow(found, GW_OWNER) == main && IsWindowVisible(found)) {
                ownerDisabled = !IsWindowEnabled(main);
                box = found;
                PostMessageW(found, WM_CLOSE, 0, 0);
            } else {
                Sleep(10);
            }
        }
    });
    window.Choose(*window->ActionAbout);
    closer.join();
    ASSERT_NE(box.load(), nullptr) << "no About box appeared";
    EXPECT_TRUE(ownerDisabled) << "the box is modal";
    EXPECT_FALSE(IsWindow(box.load())) << "closed and gone when the command returns";
    EXPECT_TRUE(IsWindowEnabled(main));
}
