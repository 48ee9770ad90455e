// The controls of the toolkit on a real form: the report list (check boxes,
// values, selection, in-place editing, batched drawing), the edit box's key
// handler, the status bar, the panel with its bevel, alignment and Tab.
#include "base/WideText.h"
#include "win32/support/UiTestSupport.h"
#include "toolkit/TEdit.h"
#include "toolkit/TForm.h"
#include "toolkit/TListView.h"
#include "toolkit/TPanel.h"
#include "toolkit/TStatusBar.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class TTestForm final : public TForm {
public:
    TTestForm() : TForm("TTestControlForm", "Controls", 500, 400, TFontSpec{"ＭＳ Ｐゴシック", 12, SHIFTJIS_CHARSET}, nullptr)
    {
        Header = std::make_unique<TPanel>(Handle(), 0, 0, 500, 25, true);
        Header->Align = TAlign::Top;
        Edit = std::make_unique<TEdit>(Header->Handle(), 1, 1, 200, 19);
        Edit->RightMargin = 2;
        Header->AddChild(*Edit);
        Status = std::make_unique<TStatusBar>(Handle(), 17);
        Status->Align = TAlign::Bottom;
        List = std::make_unique<TListView>(Handle(), 0, 25, 500, 300);
        List->Align = TAlign::Client;
        AddControl(*Header);
        AddControl(*Status);
        AddControl(*List);
        LVCOLUMN column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 100;
        for (int i = 0; i < 3; ++i) {
            column.pszText = const_cast<wchar_t*>(L"列");
            SendMessageW(List->Handle(), LVM_INSERTCOLUMN, i, reinterpret_cast<LPARAM>(&column));
        }
        SetTabOrder({Edit.get(), List.get()});
        Realign();
        EndConstruction();
    }

    std::unique_ptr<TPanel> Header;
    std::unique_ptr<TEdit> Edit;
    std::unique_ptr<TStatusBar> Status;
    std::unique_ptr<TListView> List;
};

class ToolkitControls : public ::testing::Test {
protected:
    UiTestApplication App;
    TTestForm Form;
};

// Types a text into the list's in-place editor, then ends the editing with the key.
void EditInPlace(TListView& list, int index, const char* text, WPARAM key)
{
    list.EditCaption(index);
    HWND editor = reinterpret_cast<HWND>(SendMessageW(list.Handle(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(editor, nullptr);
    SetWindowTextW(editor, WideText(text).c_str());
    SendMessageW(editor, WM_KEYDOWN, key, 0);
    PumpPending();
}

RECT ClientBounds(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

} // namespace

TEST_F(ToolkitControls, ReportListRowsCarryTextsCheckBoxesAndValues)
{
    TListView& list = *Form.List;
    std::vector<std::pair<int, bool>> checks;
    list.OnItemChecked = [&](int index, bool checked) { checks.emplace_back(index, checked); };
    int rows[3] = {};
    list.AddItem("表紙", {"+圧縮できます", ""}, true, reinterpret_cast<LPARAM>(&rows[0]));
    list.AddItem("gap", {"連番になっていません", "01.jpg 03.jpg"}, false, reinterpret_cast<LPARAM>(&rows[1]));
    list.AddItem(std::string(600, 'x'), {"a", "b"}, false, reinterpret_cast<LPARAM>(&rows[2]));
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ItemText(0, 0), "表紙");
    EXPECT_EQ(list.ItemText(1, 2), "01.jpg 03.jpg");
    EXPECT_EQ(list.ItemText(2, 0), std::string(600, 'x'));
    EXPECT_TRUE(list.Checked(0));
    EXPECT_FALSE(list.Checked(1));
    EXPECT_EQ(list.ItemData(1), reinterpret_cast<LPARAM>(&rows[1]));
    EXPECT_EQ(list.IndexOfData(reinterpret_cast<LPARAM>(&rows[2])), 2);
    EXPECT_EQ(list.IndexOfData(0), -1);

    checks.clear();
    list.SetChecked(1, true);
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0], std::make_pair(1, true));
    list.SetItem(0, "表紙", {"*圧縮しました", "表紙.zip"}, false);
    EXPECT_EQ(list.ItemText(0, 1), "*圧縮しました");
    EXPECT_FALSE(list.Checked(0));

    list.SetSelected(0, true);
    list.SetSelected(2, true);
    list.SetFocused(2);
    EXPECT_EQ(list.SelectedCount(), 2);
    EXPECT_TRUE(list.Selected(2));
    EXPECT_EQ(list.FocusedIndex(), 2);
    const DWORD extended = static_cast<DWORD>(SendMessageW(list.Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_TRUE(extended & LVS_EX_CHECKBOXES);
    EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
    EXPECT_FALSE(GetWindowLongA(list.Handle(), GWL_STYLE) & LVS_SINGLESEL);
    EXPECT_TRUE(GetWindowLongA(list.Handle(), GWL_STYLE) & LVS_SHOWSELALWAYS);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Updating());
}

TEST_F(ToolkitControls, DrawingIsSuspendedUntilTheOutermostEndUpdate)
{
    TListView& list = *Form.List;
    Form.Show();
    PumpPending();
    RECT update{};
    ASSERT_FALSE(GetUpdateRect(list.Handle(), &update, FALSE));
    list.BeginUpdate();
    list.BeginUpdate();
    list.AddItem("a", {"b", "c"}, false, 0);
    list.EndUpdate();
    EXPECT_TRUE(list.Updating());
    EXPECT_FALSE(GetUpdateRect(list.Handle(), &update, FALSE)) << "rows added meanwhile are not drawn";
    list.EndUpdate();
    EXPECT_FALSE(list.Updating());
    EXPECT_TRUE(GetUpdateRect(list.Handle(), &update, FALSE)) << "the list is drawn once afterwards";
    list.EndUpdate();  // unbalanced: ignored
    EXPECT_FALSE(list.Updating());
}

TEST_F(ToolkitControls, InPlaceEditingOfTheFirstColumn)
{
    TListView& list = *Form.List;
    Form.Show();
    list.AddItem("old", {"r", ""}, false, 0);
    std::vector<std::string> edited;
    bool accept = false;
    list.OnEdited = [&](int index, const std::string& text) {
        EXPECT_EQ(index, 0);
        edited.push_back(text);
        return accept;
    };
    EXPECT_FALSE(list.IsEditing());
    list.EditCaption(0);
    EXPECT_TRUE(list.IsEditing());
    SendMessageW(reinterpret_cast<HWND>(SendMessageW(list.Handle(), LVM_GETEDITCONTROL, 0, 0)), WM_KEYDOWN, VK_ESCAPE, 0);
    PumpPending();
    EXPECT_FALSE(list.IsEditing());
    EXPECT_TRUE(edited.empty()) << "Escape reports nothing";

    EditInPlace(list, 0, "新しい名前", VK_RETURN);
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0], "新しい名前");
    EXPECT_EQ(list.ItemText(0, 0), "old") << "a refused text is not kept";

    accept = true;
    EditInPlace(list, 0, "new", VK_RETURN);
    EXPECT_EQ(list.ItemText(0, 0), "new");
    EditInPlace(list, 0, "cancelled", VK_ESCAPE);
    EXPECT_EQ(edited.size(), 2u);
    EXPECT_EQ(list.ItemText(0, 0), "new");
}

TEST_F(ToolkitControls, KeyPressMayConsumeACharacter)
{
    std::vector<char> seen;
    Form.Edit->OnKeyPress = [&](char& key) {
        seen.push_back(key);
        if (key == '\r') key = 0;
    };
    Form.Edit->SetFocus();
    PostMessageW(Form.Edit->Handle(), WM_CHAR, 'x', 1);
    PostMessageW(Form.Edit->Handle(), WM_CHAR, '\r', 1);
    PostMessageW(Form.Edit->Handle(), WM_CHAR, 'y', 1);
    PumpPending();
    EXPECT_EQ(seen, (std::vector<char>{'x', '\r', 'y'}));
    EXPECT_EQ(Form.Edit->Text(), "xy");
}

TEST_F(ToolkitControls, StatusBarHoldsOneText)
{
    Form.Status->SetSimpleText("検索中: 表紙");
    EXPECT_EQ(Form.Status->SimpleText(), "検索中: 表紙");
    EXPECT_EQ(SendMessageW(Form.Status->Handle(), SB_GETPARTS, 0, 0), 1);
    Form.Status->SetSimpleText("");
    EXPECT_EQ(Form.Status->SimpleText(), "");
}

TEST_F(ToolkitControls, ControlsTakeTheirPlacesAndFollowTheForm)
{
    RECT client{};
    GetClientRect(Form.Handle(), &client);
    const RECT header = ClientBounds(Form.Header->Handle());
    const RECT status = ClientBounds(Form.Status->Handle());
    const RECT list = ClientBounds(Form.List->Handle());
    EXPECT_EQ(header.top, 0);
    EXPECT_EQ(header.bottom, 25);
    EXPECT_EQ(header.right, client.right);
    EXPECT_EQ(status.bottom, client.bottom);
    EXPECT_EQ(status.bottom - status.top, 17);
    EXPECT_EQ(list.top, 25);
    EXPECT_EQ(list.bottom, status.top);
    const RECT edit = ClientBounds(Form.Edit->Handle());
    EXPECT_EQ(edit.left, 1);
    EXPECT_EQ(edit.right, client.right - 2 - 2) << "inside the bevel, 2 px from its right edge";

    SetWindowPos(Form.Handle(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(Form.Handle(), &client);
    EXPECT_EQ(ClientBounds(Form.Header->Handle()).right, client.right);
    EXPECT_EQ(ClientBounds(Form.Edit->Handle()).right, client.right - 4);
    EXPECT_EQ(ClientBounds(Form.Status->Handle()).bottom, client.bottom);
    EXPECT_EQ(ClientBounds(Form.List->Handle()).bottom, client.bottom - 17);
}

TEST_F(ToolkitControls, TabMovesAlongTheTabOrder)
{
    Form.Show();
    PumpPending();
    Form.Edit->SetFocus();
    PostKey(Form.Edit->Handle(), VK_TAB);
    PumpPending();
    EXPECT_TRUE(Form.List->Focused());
    PostKey(Form.List->Handle(), VK_TAB);
    PumpPending();
    EXPECT_TRUE(Form.Edit->Focused());
    EXPECT_EQ(Form.Edit->Text(), "") << "the Tab character never reaches the edit box";
}
