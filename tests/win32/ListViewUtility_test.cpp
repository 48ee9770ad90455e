#include "listview/ListViewSort.h"

#include "base/WideText.h"
#include "listview/win32/ListViewUtility.h"

#include "toolkit/ScopedHandle.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// A top-level window holding one report list, as the main window does.
class ListViewUtilityTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&icc));
        static const bool registered = [] {
            WNDCLASSA wc{};
            wc.lpfnWndProc = DefWindowProcA;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = "ListViewUtilityTestForm";
            return RegisterClassA(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        Form.reset(CreateWindowExA(0, "ListViewUtilityTestForm", "Form", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), nullptr));
        ASSERT_TRUE(Form);
        List = CreateWindowExW(0, WC_LISTVIEW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 780,
                               500, Form.get(), nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(List);
        SendMessageW(List, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT,
                     LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    }

    void AddColumns(std::vector<int32_t> widths, int rightAligned = -1)
    {
        for (size_t i = 0; i < widths.size(); ++i) {
            std::string caption = "C";
            caption += std::to_string(i);
            ASSERT_EQ(InsertListViewColumn(List, static_cast<int>(i), caption, widths[i],
                                           static_cast<int>(i) == rightAligned ? LVCFMT_RIGHT : LVCFMT_LEFT),
                      static_cast<int>(i));
        }
    }

    void AddRow(const Strings& cells)
    {
        LVITEM item{};
        item.mask = LVIF_TEXT;
        item.iItem = ItemCount();
        std::wstring itemText = WideText(cells[0]);
        item.pszText = itemText.data();
        const int index = static_cast<int>(SendMessageW(List, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)));
        ASSERT_GE(index, 0);
        for (size_t c = 1; c < cells.size(); ++c) {
            LVITEM sub{};
            sub.iSubItem = static_cast<int>(c);
            std::wstring subText = WideText(cells[c]);
        sub.pszText = subText.data();
            SendMessageW(List, LVM_SETITEMTEXT, index, reinterpret_cast<LPARAM>(&sub));
        }
    }

    int ItemCount() const { return static_cast<int>(SendMessageW(List, LVM_GETITEMCOUNT, 0, 0)); }

    Strings Column(int column) const
    {
        Strings texts;
        for (int i = 0; i < ItemCount(); ++i) texts.push_back(GetListViewCellText(List, i, column));
        return texts;
    }

    std::vector<int> Selected() const
    {
        std::vector<int> rows;
        for (int i = 0; i < ItemCount(); ++i)
            if (SendMessageW(List, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED) rows.push_back(i);
        return rows;
    }

    void SetItemState(int index, UINT state, UINT mask)
    {
        LVITEM item{};
        item.state = state;
        item.stateMask = mask;
        SendMessageW(List, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
    }

    int Width(int column) const { return static_cast<int>(SendMessageW(List, LVM_GETCOLUMNWIDTH, column, 0)); }

    HWND Header() const { return reinterpret_cast<HWND>(SendMessageW(List, LVM_GETHEADER, 0, 0)); }

    HDITEM HeaderItem(int index) const
    {
        HDITEM item{};
        item.mask = HDI_FORMAT | HDI_BITMAP;
        SendMessageW(Header(), HDM_GETITEM, index, reinterpret_cast<LPARAM>(&item));
        return item;
    }

    // The mark each header item shows: '^' up, 'v' down, 'b' bitmap, '.' none.
    std::string Marks() const
    {
        std::string marks;
        const int count = ListViewColumnCount(List);
        for (int i = 0; i < count; ++i) {
            const int fmt = HeaderItem(i).fmt;
            const bool up = fmt & HDF_SORTUP, down = fmt & HDF_SORTDOWN;
            const bool bitmap = (fmt & (HDF_BITMAP | HDF_BITMAP_ON_RIGHT)) == (HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
            marks += up && !down ? '^' : down && !up ? 'v' : bitmap ? 'b' : up || down ? '?' : '.';
        }
        return marks;
    }

    bool HeaderSubclassed() const
    {
        return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(Header(), GWLP_WNDPROC)) == HeaderSubclassProc;
    }

    void AddSortRows()
    {
        AddColumns({100, 80, 80}, 1);
        AddRow({"b", "10", "Zeta"});
        AddRow({"A", "", "alpha"});
        AddRow({"c", "-5", "beta"});
        AddRow({"a", "3", "Gamma"});
        AddRow({"B", "+7", "delta"});
        AddRow({"d", "-10", "Epsilon"});
    }

    ScopedWindow Form;
    HWND List = nullptr;
};

} // namespace

TEST_F(ListViewUtilityTest, ColumnWidthsRoundTripAndPartialTexts)
{
    AddColumns({250, 200, 160});
    EXPECT_EQ(GetColumnWidthsText(List), "250,200,160");

    SetColumnWidthsText(List, "300");
    EXPECT_EQ(Width(0), 300);
    EXPECT_EQ(Width(1), 200);
    EXPECT_EQ(Width(2), 160);
    // Tags hold the widths as they stood before the apply.
    EXPECT_EQ(GetListViewColumnTag(List, 0), 250);
    EXPECT_EQ(GetListViewColumnTag(List, 2), 160);
    EXPECT_EQ(GetColumnWidthsText(List), "300,200,160");

    // Items past the columns are ignored; a non-integer stops the apply there.
    SetColumnWidthsText(List, "120,110,100,90,80");
    EXPECT_EQ(GetColumnWidthsText(List), "120,110,100");
    SetColumnWidthsText(List, "90,wide,50");
    EXPECT_EQ(GetColumnWidthsText(List), "90,110,100");
    SetColumnWidthsText(List, "\"70\" 60");
    EXPECT_EQ(GetColumnWidthsText(List), "70,60,100");
}

TEST_F(ListViewUtilityTest, EmptyTextChangesNoWidthButSetsTags)
{
    AddColumns({250, 200, 160});
    EXPECT_EQ(GetListViewColumnTag(List, 1), 0);
    SetColumnWidthsText(List, "");
    EXPECT_EQ(GetColumnWidthsText(List), "250,200,160");
    EXPECT_EQ(GetListViewColumnTag(List, 0), 250);
    EXPECT_EQ(GetListViewColumnTag(List, 1), 200);
    EXPECT_EQ(GetListViewColumnTag(List, 2), 160);
}

TEST_F(ListViewUtilityTest, AutomaticWidthCodeSurvivesWidening)
{
    AddColumns({250, 200, -2});
    SetColumnWidthsText(List, "");
    EXPECT_EQ(GetListViewColumnTag(List, 2), -2);
    SendMessageW(List, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(400, 0));   // the user widens it
    EXPECT_EQ(Width(2), 400);
    EXPECT_EQ(GetColumnWidthsText(List), "250,200,-2");
    // The next start applies the code again and keeps the tag.
    SetColumnWidthsText(List, "250,200,-2");
    EXPECT_EQ(GetListViewColumnTag(List, 2), -2);
    EXPECT_GT(Width(2), 0);
    EXPECT_EQ(GetColumnWidthsText(List), "250,200,-2");
}

TEST_F(ListViewUtilityTest, SelectAllAndInvert)
{
    ListViewSelectInvert(List, true);   // an empty list: nothing happens
    EXPECT_EQ(ItemCount(), 0);

    AddColumns({100});
    for (const char* name : {"a", "b", "c", "d", "e"}) AddRow({name});
    SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    SetItemState(3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetCheckState(List, 2, TRUE);

    ListViewSelectInvert(List, true);
    EXPECT_EQ(Selected(), (std::vector<int>{0, 2, 4}));
    // Focus and check boxes stay where they were.
    EXPECT_EQ(SendMessageW(List, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 3);
    EXPECT_TRUE(ListView_GetCheckState(List, 2));
    EXPECT_FALSE(ListView_GetCheckState(List, 0));

    ListViewSelectInvert(List, false);
    EXPECT_EQ(Selected(), (std::vector<int>{1, 3}));

    ListViewSelectAll(List, true);
    EXPECT_EQ(Selected(), (std::vector<int>{0, 1, 2, 3, 4}));
    ListViewSelectInvert(List, true);
    EXPECT_TRUE(Selected().empty());
}

TEST_F(ListViewUtilityTest, HeaderClicksSortTextAndNumbersWithSortFlagMarks)
{
    AddSortRows();
    InitHeaderSortMark(List, ComCtlVersion600);
    EXPECT_TRUE(HeaderSubclassed());
    EXPECT_EQ(Marks(), "...");

    ListViewColumnSort(List, 2);
    EXPECT_EQ(GetListViewSortWord(List), 0x00010003u);
    EXPECT_EQ(Column(2), (Strings{"alpha", "beta", "delta", "Epsilon", "Gamma", "Zeta"}));
    EXPECT_EQ(Marks(), "..^");

    ListViewColumnSort(List, 2);
    EXPECT_EQ(GetListViewSortWord(List), 0x00000003u);
    EXPECT_EQ(Column(2), (Strings{"Zeta", "Gamma", "Epsilon", "delta", "beta", "alpha"}));
    EXPECT_EQ(Marks(), "..v");

    // The right-aligned column sorts as signed numbers.
    ListViewColumnSort(List, 1);
    EXPECT_EQ(GetListViewSortWord(List), 0x00010002u);
    EXPECT_EQ(Column(1), (Strings{"", "-10", "-5", "3", "+7", "10"}));
    EXPECT_EQ(Marks(), ".^.");

    ListViewColumnSort(List, 0);
    EXPECT_EQ(GetListViewSortWord(List), 0x00010001u);
    const Strings captions = Column(0);
    for (size_t i = 1; i < captions.size(); ++i)
        EXPECT_LE(CompareListText(ListViewSortKey(captions[i - 1]), ListViewSortKey(captions[i])), 0);
    EXPECT_EQ(Marks(), "^..");
}

TEST_F(ListViewUtilityTest, CaptureChangeOnTheHeaderShowsTheMark)
{
    AddSortRows();
    InitHeaderSortMark(List, ComCtlVersion600);
    InitHeaderSortMark(List, ComCtlVersion600);   // a second prepare must not subclass twice
    ListViewColumnSort(List, 1);
    SetHeaderSortMark(List, false);
    EXPECT_EQ(Marks(), "...");
    SendMessageW(Header(), WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(Marks(), ".^.");
    // The header still works as a header through the subclass.
    EXPECT_EQ(SendMessageW(Header(), HDM_GETITEMCOUNT, 0, 0), 3);
}

TEST_F(ListViewUtilityTest, ListSortedBeforeThePrepareShowsItsMarkAtOnce)
{
    AddSortRows();
    SetListViewSortWord(List, MakeSortWord(3, false));
    InitHeaderSortMark(List, ComCtlVersion600);
    EXPECT_EQ(Marks(), "..v");
}

TEST_F(ListViewUtilityTest, BitmapMarksBelowVersionSix)
{
    AddSortRows();
    SendMessageW(Header(), HDM_SETBITMAPMARGIN, 7, 0);
    InitHeaderSortMark(List, PackComCtlVersion(5, 81));
    EXPECT_TRUE(HeaderSubclassed());
    EXPECT_EQ(SendMessageW(Header(), HDM_GETBITMAPMARGIN, 0, 0), 0);

    ListViewColumnSort(List, 2);
    EXPECT_EQ(Marks(), "..b");
    // The item shows the program's arrow bitmap when the module carries one, else only the flags.
    const bool hasArrows = FindResourceW(GetModuleHandleW(nullptr), L"ListViewUtility_IDB_DOWN", RT_BITMAP) != nullptr;
    EXPECT_EQ(HeaderItem(2).hbm != nullptr, hasArrows);
    ListViewColumnSort(List, 0);
    EXPECT_EQ(Marks(), "b..");
}

TEST_F(ListViewUtilityTest, BitmapMarksAtVersion472LeaveTheMarginAlone)
{
    AddSortRows();
    SendMessageW(Header(), HDM_SETBITMAPMARGIN, 7, 0);
    InitHeaderSortMark(List, PackComCtlVersion(4, 72));
    EXPECT_TRUE(HeaderSubclassed());
    EXPECT_EQ(SendMessageW(Header(), HDM_GETBITMAPMARGIN, 0, 0), 7);
    ListViewColumnSort(List, 1);
    EXPECT_EQ(Marks(), ".b.");
}

TEST_F(ListViewUtilityTest, NoMarksBelow470ButSortingWorks)
{
    for (uint32_t version : {0u, PackComCtlVersion(4, 0)}) {
        AddSortRows();
        InitHeaderSortMark(List, version);
        EXPECT_FALSE(HeaderSubclassed());
        ListViewColumnSort(List, 2);
        EXPECT_EQ(Column(2), (Strings{"alpha", "beta", "delta", "Epsilon", "Gamma", "Zeta"}));
        EXPECT_EQ(Marks(), "...");
        SendMessageW(List, LVM_DELETEALLITEMS, 0, 0);
        while (SendMessageW(List, LVM_DELETECOLUMN, 0, 0)) {}
        SetListViewSortWord(List, 0);
    }
}

TEST_F(ListViewUtilityTest, SortCompareByItemIndex)
{
    AddSortRows();
    SetListViewSortWord(List, MakeSortWord(2, true));
    int32_t result = 0;
    ListViewSortCompare(List, 0, 2, result, 1);   // "10" against "-5" as numbers
    EXPECT_GT(result, 0);
    ListViewSortCompare(List, 0, 2, result, 0);   // as text "1" > "-"
    EXPECT_GT(result, 0);
    SetListViewSortWord(List, MakeSortWord(1, false));
    ListViewSortCompare(List, 1, 3, result, 0);   // "A" and "a", descending
    EXPECT_EQ(result, 0);
    ListViewSortCompare(List, 0, 2, result, 0);   // "b" before "c", reversed
    EXPECT_GT(result, 0);
}

TEST(ComCtlVersion, ReportsTheLibraryOrZero)
{
    const uint32_t version = GetComCtlVersion("comctl32.dll");
    EXPECT_GE(version, ComCtlVersion470);
    EXPECT_EQ(GetComCtlVersion("no-such-library-fennoro.dll"), 0u);
    EXPECT_EQ(GetComCtlVersion("kernel32.dll"), 0u);   // no DllGetVersion export
}

TEST(ListViewCellText, LongTextsComeBackWhole)
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    ScopedWindow list(CreateWindowExW(0, WC_LISTVIEW, L"", LVS_REPORT, 0, 0, 100, 100, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(list);
    ASSERT_EQ(InsertListViewColumn(list.get(), 0, "Name", 100), 0);
    const std::string text = std::string(1000, 'x') + "表";
    LVITEM item{};
    item.mask = LVIF_TEXT;
    std::wstring itemText = WideText(text);
        item.pszText = itemText.data();
    ASSERT_EQ(SendMessageW(list.get(), LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)), 0);
    EXPECT_EQ(GetListViewCellText(list.get(), 0, 0), text);
}

TEST_F(ListViewUtilityTest, SortKeepsItemDataStatesAndChecksWithTheirRows)
{
    AddColumns({100, 80}, 1);
    const Strings names{"d", "b", "e", "a", "c"};
    for (const std::string& name : names) AddRow({name, std::to_string(name[0] - 'a')});
    auto param = [&](int index) {
        LVITEM item{};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        SendMessageW(List, LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
        return item.lParam;
    };
    auto setParam = [&](int index, LPARAM value) {
        LVITEM item{};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        item.lParam = value;
        SendMessageW(List, LVM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
    };
    // Distinct data (as row objects would be) and, in a second round, repeated data.
    for (bool distinct : {true, false}) {
        for (int i = 0; i < ItemCount(); ++i) {
            const std::string name = GetListViewCellText(List, i, 0);
            setParam(i, distinct ? 1000 + name[0] : (name[0] == 'a' || name[0] == 'c' ? 7 : 0));
            SetItemState(i, name == "b" ? LVIS_SELECTED : 0, LVIS_SELECTED);
            ListView_SetCheckState(List, i, name == "e");
        }
        SetListViewSortWord(List, 0);
        ListViewColumnSort(List, 0);
        EXPECT_EQ(Column(0), (Strings{"a", "b", "c", "d", "e"}));
        EXPECT_EQ(Column(1), (Strings{"0", "1", "2", "3", "4"}));
        for (int i = 0; i < ItemCount(); ++i) {
            const char name = GetListViewCellText(List, i, 0)[0];
            EXPECT_EQ(param(i), distinct ? 1000 + name : (name == 'a' || name == 'c' ? 7 : 0)) << name;
            EXPECT_EQ((SendMessageW(List, LVM_GETITEMSTATE, i, LVIS_SELECTED) & LVIS_SELECTED) != 0, name == 'b');
            EXPECT_EQ(ListView_GetCheckState(List, i) != 0, name == 'e');
        }
        ListViewColumnSort(List, 1);   // numbers, ascending
        ListViewColumnSort(List, 1);   // descending
        EXPECT_EQ(Column(1), (Strings{"4", "3", "2", "1", "0"}));
    }
}

TEST_F(ListViewUtilityTest, NamesSortInCodePage932Order)
{
    // By code page 932 value: full-width digit, hiragana, kanji by reading, half-width
    // kana; a character the code page lacks (Hangul, an emoji) after all of them.
    AddColumns({100, 80});
    for (const char* name : {"\xF0\x9F\x93\x96", "亜", "가", "一", "ｱ", "１", "あ", "b", "A"}) AddRow({name, ""});
    ListViewColumnSort(List, 0);
    EXPECT_EQ(Column(0), (Strings{"A", "b", "１", "あ", "亜", "一", "ｱ", "가", "\xF0\x9F\x93\x96"}));
}

TEST_F(ListViewUtilityTest, EqualTextsKeepTheirOrder)
{
    AddColumns({100, 80});
    for (const char* name : {"x1", "x2", "x3", "x4"}) AddRow({name, "same"});
    AddRow({"x0", "SAME"});
    ListViewColumnSort(List, 1);
    EXPECT_EQ(Column(0), (Strings{"x1", "x2", "x3", "x4", "x0"}));
    ListViewColumnSort(List, 1);
    EXPECT_EQ(Column(0), (Strings{"x1", "x2", "x3", "x4", "x0"}));
}
