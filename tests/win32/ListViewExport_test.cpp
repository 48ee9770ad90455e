#include "listview/win32/ListViewExportWin32.h"

#include "base/WideText.h"

#include "transfer/TDataCopyDrag.h"

#include "toolkit/ScopedHandle.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// A hidden report list with check boxes, columns and rows set through messages.
class ListViewExportWin32 : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&init));
        Parent.reset(CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(Parent);
        List = CreateWindowExW(0, WC_LISTVIEW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0,
                               400, 300, Parent.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(List);
        SendMessageW(List, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                     LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    }

    void AddColumn(const char* caption, int width, int format)
    {
        LVCOLUMN column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        std::wstring text = WideText(caption);
        column.pszText = text.data();
        column.cx = width;
        column.fmt = format;
        const int index = Columns++;
        ASSERT_EQ(SendMessageW(List, LVM_INSERTCOLUMN, index, reinterpret_cast<LPARAM>(&column)), index);
        SendMessageW(List, LVM_SETCOLUMNWIDTH, index, width); // width 0 is taken as it is
    }

    // Appends a row; `key` is its sort key for the tests that sort.
    int AddRow(const std::vector<std::string>& texts, bool checked, bool selected, LPARAM key = 0)
    {
        LVITEM item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(SendMessageW(List, LVM_GETITEMCOUNT, 0, 0));
        std::wstring itemText = WideText(texts[0]);
        item.pszText = itemText.data();
        item.lParam = key;
        const int index = static_cast<int>(SendMessageW(List, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)));
        for (size_t i = 1; i < texts.size(); ++i) {
            LVITEM sub{};
            sub.iSubItem = static_cast<int>(i);
            std::wstring subText = WideText(texts[i]);
        sub.pszText = subText.data();
            SendMessageW(List, LVM_SETITEMTEXT, index, reinterpret_cast<LPARAM>(&sub));
        }
        LVITEM state{};
        state.stateMask = LVIS_STATEIMAGEMASK | LVIS_SELECTED;
        state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1) | (selected ? LVIS_SELECTED : 0);
        SendMessageW(List, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
        return index;
    }

    ScopedWindow Parent;
    HWND List = nullptr;
    int Columns = 0;
};

int CALLBACK CompareKeys(LPARAM a, LPARAM b, LPARAM)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

TEST_F(ListViewExportWin32, WorkedExampleFromARealList)
{
    AddColumn("Name", 100, LVCFMT_LEFT);
    AddColumn("Size", 60, LVCFMT_RIGHT);
    AddRow({"a\"b", "12"}, true, true);
    AddRow({"unselected", "99"}, true, false);
    AddRow({"x", "7"}, false, true);

    EXPECT_EQ(ListViewToTabText(List, true, false), "1\ta\"b\t12\r\n0\tx\t7\r\n");
    EXPECT_EQ(ListViewToCsvText(List, true, false), "1,\"a\"\"b\",12\r\n0,\"x\",7\r\n");
    EXPECT_EQ(ListViewToSylkText(List, true, false),
              "ID;PLVU\r\nB;Y2;X3\r\n"
              "F;Y1;X1;FG0R\r\nC;K1\r\nF;X2;FG0L\r\nC;K\"a\"\"b\"\r\nF;X3;FG0R\r\nC;K12\r\n"
              "F;Y2;X1;FG0R\r\nC;K0\r\nF;X2;FG0L\r\nC;K\"x\"\r\nF;X3;FG0R\r\nC;K7\r\n"
              "E\r\n");
}

TEST_F(ListViewExportWin32, SnapshotReadsWidthsAlignmentsChecksAndTexts)
{
    AddColumn("フォルダ名", 120, LVCFMT_LEFT);
    AddColumn("結果", 0, LVCFMT_LEFT);
    AddColumn("備考", 80, LVCFMT_CENTER);
    AddColumn("数", 40, LVCFMT_RIGHT);
    AddRow({"表示", "+圧縮できます", "", "3"}, true, true);

    const TListViewSnapshot list = ReadListViewSnapshot(List);
    EXPECT_TRUE(list.CheckBoxes);
    ASSERT_EQ(list.Columns.size(), 4u);
    EXPECT_EQ(list.Columns[0].Alignment, CellKindLeft);
    EXPECT_EQ(list.Columns[1].Width, 0);
    EXPECT_EQ(list.Columns[2].Alignment, CellKindCentre);
    EXPECT_EQ(list.Columns[3].Alignment, CellKindRight);
    EXPECT_EQ(list.Columns[3].Width, 40);
    ASSERT_EQ(list.Rows.size(), 1u);
    EXPECT_TRUE(list.Rows[0].Checked);
    EXPECT_EQ(list.Rows[0].Texts, (std::vector<std::string>{"表示", "+圧縮できます", "", "3"}));

    // The hidden column is left out; the centred empty cell is quoted, the number bare.
    EXPECT_EQ(ListViewToCsvText(List, true, false), "1,\"表示\",\"\",3\r\n");
    EXPECT_EQ(ListViewToCsvText(List, false, false), "1,\"表示\",\"+圧縮できます\",\"\",3\r\n");
    EXPECT_EQ(ListViewToTabText(List, true, true), "表示\t\t3\r\n");
}

TEST_F(ListViewExportWin32, WithoutCheckBoxesThereIsNoCheckColumn)
{
    SendMessageW(List, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, 0);
    AddColumn("Name", 100, LVCFMT_LEFT);
    AddColumn("Size", 60, LVCFMT_RIGHT);
    AddRow({"", "b"}, false, true);
    EXPECT_EQ(ListViewToTabText(List, true, false), "\tb\r\n");
    EXPECT_EQ(ListViewToSylkText(List, true, false),
              "ID;PLVU\r\nB;Y1;X2\r\nF;Y1;X1;FG0L\r\nC;K\"\"\r\nF;X2;FG0R\r\nC;Kb\r\nE\r\n");
}

TEST_F(ListViewExportWin32, RowsFollowTheCurrentSortOrder)
{
    AddColumn("Name", 100, LVCFMT_LEFT);
    AddRow({"c"}, false, true, 3);
    AddRow({"a"}, true, true, 1);
    AddRow({"b"}, false, false, 2);
    AddRow({"d"}, false, true, 0);
    EXPECT_EQ(ListViewToTabText(List, true, false), "0\tc\r\n1\ta\r\n0\td\r\n");
    ASSERT_TRUE(SendMessageW(List, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&CompareKeys)));
    EXPECT_EQ(ListViewToTabText(List, true, false), "0\td\r\n1\ta\r\n0\tc\r\n");
}

TEST_F(ListViewExportWin32, LongTextsAreReadWhole)
{
    AddColumn("Name", 100, LVCFMT_LEFT);
    AddColumn("Remark", 100, LVCFMT_LEFT);
    std::string longText;
    for (int i = 0; i < 700; ++i) longText += "表";
    AddRow({"n", longText}, false, true);
    EXPECT_EQ(ListViewToTabText(List, true, true), "n\t" + longText + "\r\n");
}

TEST_F(ListViewExportWin32, NoSelectionAndNoWindow)
{
    AddColumn("Name", 100, LVCFMT_LEFT);
    AddRow({"a"}, true, false);
    EXPECT_EQ(ListViewToTabText(List, true, false), "");
    EXPECT_EQ(ListViewToSylkText(List, true, false), "ID;PLVU\r\nB;Y0;X2\r\nE\r\n");
    EXPECT_EQ(ListViewToSylkText(nullptr, true, false), "ID;PLVU\r\nB;Y0;X0\r\nE\r\n");
}

TEST_F(ListViewExportWin32, TheThreeRenderingsOfOneSelectionGoToTheTransfer)
{
    AddColumn("Name", 100, LVCFMT_LEFT);
    AddColumn("Size", 60, LVCFMT_RIGHT);
    AddRow({"a\"b", "12"}, true, true);
    AddRow({"x", "7"}, false, true);

    TDataCopyDrag transfer;
    ASSERT_TRUE(transfer.AddText("a rendering a failed copy left behind"));
    ASSERT_TRUE(AddListViewRenderings(transfer, List, true, false));
    const std::vector<TFormatData>& pending = transfer.PendingRenderings();
    ASSERT_EQ(pending.size(), 4u);
    std::vector<std::string> blocks;
    for (const TFormatData& data : pending) {
        TGlobalLock lock(data.Block.get());
        ASSERT_TRUE(lock);
        blocks.emplace_back(static_cast<const char*>(lock.Get()), lock.Size());
    }
    // Tab text (in UTF-16 and ANSI) and CSV with their NUL, SYLK without.
    EXPECT_EQ(pending[0].Format, CF_UNICODETEXT);
    EXPECT_EQ(pending[1].Format, CF_TEXT);
    EXPECT_EQ(blocks[1], std::string("1\ta\"b\t12\r\n0\tx\t7\r\n") + '\0');
    EXPECT_EQ(pending[2].Format, RegisterClipboardFormatA("Csv"));
    EXPECT_EQ(blocks[2], std::string("1,\"a\"\"b\",12\r\n0,\"x\",7\r\n") + '\0');
    EXPECT_EQ(pending[3].Format, CF_SYLK);
    EXPECT_EQ(blocks[3], ListViewToSylkText(List, true, false));
    EXPECT_EQ(blocks[3].back(), '\n');
}

TEST_F(ListViewExportWin32, CsvIsAlwaysInTheAnsiCodePage)
{
    // One cell the code page lacks (Hangul) leaves every other cell readable.
    AddColumn("Name", 100, LVCFMT_LEFT);
    AddRow({"表紙"}, true, true);
    AddRow({"가나"}, false, true);
    TDataCopyDrag transfer;
    ASSERT_TRUE(AddListViewRenderings(transfer, List, true, false));
    const std::vector<TFormatData>& pending = transfer.PendingRenderings();
    const auto csv = std::find_if(pending.begin(), pending.end(), [](const TFormatData& data) {
        return data.Format == RegisterClipboardFormatA("Csv");
    });
    ASSERT_NE(csv, pending.end());
    TGlobalLock lock(csv->Block.get());
    ASSERT_TRUE(lock);
    EXPECT_EQ(std::string(static_cast<const char*>(lock.Get()), lock.Size()),
              std::string("1,\"\x95\x5C\x8E\x86\"\r\n0,\"??\"\r\n") + '\0');
}
