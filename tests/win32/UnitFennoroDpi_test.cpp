// The main window on monitors of other densities: what it draws grows with the
// density, and what it saves does not.
#include "win32/support/EngineTempTree.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Measures {
    int FontHeight = 0;
    int RowHeight = 0;
    int CheckBox = 0;
    int FirstColumn = 0;
    int ToolButtonWidth = 0;
    int ToolButtonHeight = 0;
    int ToolImage = 0;
    int ToolBarWidth = 0;
    int StatusBarHeight = 0;
    int HeaderHeight = 0;
    int FolderBoxHeight = 0;
};

int Height(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

Measures Measure(TFormFennoro& form)
{
    Measures m;
    HWND list = form.ListView->Handle();
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)), sizeof font, &font);
    m.FontHeight = std::abs(font.lfHeight);
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    m.RowHeight = row.bottom - row.top;
    int width = 0, height = 0;
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_STATE, 0)), &width,
                          &height);
    m.CheckBox = height;
    m.FirstColumn = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    HWND toolBar = form.ToolBar->Handle();
    const LRESULT buttonSize = SendMessageW(toolBar, TB_GETBUTTONSIZE, 0, 0);
    m.ToolButtonWidth = LOWORD(buttonSize);
    m.ToolButtonHeight = HIWORD(buttonSize);
    ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(SendMessageW(toolBar, TB_GETIMAGELIST, 0, 0)), &width, &height);
    m.ToolImage = height;
    m.ToolBarWidth = form.ToolBar->Width();
    m.StatusBarHeight = Height(form.StatusBar->Handle());
    m.HeaderHeight = Height(form.PanelHeader->Handle());
    m.FolderBoxHeight = Height(form.EditFolder->Handle());
    return m;
}

// What the system sends when the window reaches a monitor of another density.
void MoveToDpi(TFormFennoro& form, UINT dpi, RECT suggested)
{
    SendMessageW(form.Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    PumpPending();
}

RECT Frame(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT Scaled(RECT rect, double factor)
{
    rect.right = rect.left + static_cast<LONG>(std::lround((rect.right - rect.left) * factor));
    rect.bottom = rect.top + static_cast<LONG>(std::lround((rect.bottom - rect.top) * factor));
    return rect;
}

void ExpectScaled(const Measures& at96, const Measures& now, double factor)
{
    const auto expectNear = [factor](int base, int scaled, const char* what) {
        EXPECT_NEAR(scaled, base * factor, 1.0 + base * factor * 0.05) << what << " at 96 DPI: " << base;
    };
    expectNear(at96.FontHeight, now.FontHeight, "font");
    expectNear(at96.RowHeight, now.RowHeight, "row");
    expectNear(at96.CheckBox, now.CheckBox, "check box");
    expectNear(at96.FirstColumn, now.FirstColumn, "column");
    expectNear(at96.ToolButtonWidth, now.ToolButtonWidth, "toolbar button width");
    expectNear(at96.ToolButtonHeight, now.ToolButtonHeight, "toolbar button height");
    EXPECT_EQ(now.ToolImage, static_cast<int>(16 * factor)) << "toolbar pictures";
    expectNear(at96.ToolBarWidth, now.ToolBarWidth, "toolbar");
    expectNear(at96.StatusBarHeight, now.StatusBarHeight, "status bar");
    expectNear(at96.HeaderHeight, now.HeaderHeight, "header");
    expectNear(at96.FolderBoxHeight, now.FolderBoxHeight, "folder box");
}

} // namespace

TEST(UnitFennoroDpi, EverythingDrawnFollowsTheMonitorsDensityAndComesBack)
{
    EngineTempTree tree("fennoro-dpi");
    tree.File("a\\01.jpg", "1");
    tree.File("b\\01.jpg", "1");
    UiFennoroWindow window({"[Setting]", "Path=" + tree.Root(), "Window=40,30,400,300,0"});
    TFormFennoro& form = window.Form();
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    ASSERT_EQ(form.Dpi(), 96u);
    const Measures at96 = Measure(form);
    const RECT frame96 = Frame(form.Handle());
    EXPECT_EQ(at96.ToolImage, 16);
    EXPECT_GE(at96.RowHeight, at96.FontHeight);

    for (const double factor : {1.5, 2.0, 1.25}) {
        SCOPED_TRACE(factor);
        const RECT suggested = Scaled(frame96, factor);
        MoveToDpi(form, static_cast<UINT>(96 * factor), suggested);
        EXPECT_EQ(form.Dpi(), static_cast<UINT>(96 * factor));
        const RECT frame = Frame(form.Handle());
        EXPECT_TRUE(EqualRect(&frame, &suggested)) << "the window takes the suggested frame";
        ExpectScaled(at96, Measure(form), factor);
        // The rows, the folder box and the status bar hold the whole height of their font.
        const Measures now = Measure(form);
        EXPECT_GE(now.RowHeight, now.FontHeight);
        EXPECT_GE(now.FolderBoxHeight, now.FontHeight + 4);
        EXPECT_GE(now.StatusBarHeight, now.FontHeight + 4);
    }
    // At a density whose check boxes are drawn for it, a click on the box and Space still toggle it.
    MoveToDpi(form, 144, Scaled(frame96, 1.5));
    TListView& list = *form.ListView;
    const bool before = list.Checked(0);
    RECT row{};
    row.left = LVIR_BOUNDS;
    SendMessageW(list.Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    LVHITTESTINFO hit{};
    hit.pt = POINT{row.left + Measure(form).CheckBox / 2, (row.top + row.bottom) / 2};
    SendMessageW(list.Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    EXPECT_EQ(hit.iItem, 0);
    EXPECT_TRUE(hit.flags & LVHT_ONITEMSTATEICON);
    SendMessageW(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(hit.pt.x, hit.pt.y));
    SendMessageW(list.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(hit.pt.x, hit.pt.y));
    PumpPending();
    EXPECT_NE(list.Checked(0), before);
    EXPECT_EQ(form.Folders().RowOfItem(0)->Checked, list.Checked(0));
    list.SetFocus();
    list.SetFocused(0);
    PostKey(list.Handle(), VK_SPACE);
    PumpPending();
    EXPECT_EQ(list.Checked(0), before);

    MoveToDpi(form, 96, frame96);
    const Measures back = Measure(form);
    EXPECT_EQ(back.FontHeight, at96.FontHeight);
    EXPECT_EQ(back.RowHeight, at96.RowHeight);
    EXPECT_EQ(back.ToolImage, 16);
    EXPECT_EQ(back.ToolBarWidth, at96.ToolBarWidth);
    EXPECT_NEAR(back.FirstColumn, at96.FirstColumn, 1);
}

TEST(UnitFennoroDpi, SizesAreSavedIn96DpiPixelsAndTheCornerAsItIs)
{
    UiFennoroWindow window({"[Setting]", "Window=40,30,600,400,0", "ListView=250,90,160", "ToolBar=223"});
    TFormFennoro& form = window.Form();
    MoveToDpi(form, 144, Scaled(Frame(form.Handle()), 1.5));
    EXPECT_EQ(SendMessageW(form.ListView->Handle(), LVM_GETCOLUMNWIDTH, 0, 0), 375);
    window.Destroy();
    const std::string text = UiFennoroWindow::SettingsText();
    EXPECT_NE(text.find("Window=40,30,600,400,0\r\n"), std::string::npos) << text;
    // The last column fills the window: its width follows the window, not the file.
    EXPECT_NE(text.find("ListView=250,90,"), std::string::npos) << text;
    EXPECT_NE(text.find("ToolBar=223\r\n"), std::string::npos) << text;
}
