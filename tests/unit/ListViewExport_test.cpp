#include "listview/ListViewExport.h"

#include <gtest/gtest.h>

namespace {

// The list of the worked example: check boxes, Name (left) and Size (right).
TListViewSnapshot NameSizeList()
{
    TListViewSnapshot list;
    list.CheckBoxes = true;
    list.Columns = {{120, CellKindLeft}, {60, CellKindRight}};
    list.Rows = {{true, {"a\"b", "12"}}, {false, {"x", "7"}}};
    return list;
}

} // namespace

TEST(ListViewExport, WorkedExampleByteForByte)
{
    const TListViewSnapshot list = NameSizeList();
    const TListViewCells cells(list, true, false);
    EXPECT_EQ(cells.RowCount(), 2);
    EXPECT_EQ(cells.ColCount(), 3);

    EXPECT_EQ(ListViewToTabText(list, true, false), "1\ta\"b\t12\r\n0\tx\t7\r\n");
    EXPECT_EQ(ListViewToCsvText(list, true, false), "1,\"a\"\"b\",12\r\n0,\"x\",7\r\n");
    EXPECT_EQ(ListViewToSylkText(list, true, false),
              "ID;PLVU\r\n"
              "B;Y2;X3\r\n"
              "F;Y1;X1;FG0R\r\n"
              "C;K1\r\n"
              "F;X2;FG0L\r\n"
              "C;K\"a\"\"b\"\r\n"
              "F;X3;FG0R\r\n"
              "C;K12\r\n"
              "F;Y2;X1;FG0R\r\n"
              "C;K0\r\n"
              "F;X2;FG0L\r\n"
              "C;K\"x\"\r\n"
              "F;X3;FG0R\r\n"
              "C;K7\r\n"
              "E\r\n");
}

TEST(ListViewExport, NoSelectedRows)
{
    TListViewSnapshot list = NameSizeList();
    list.Rows.clear();
    EXPECT_EQ(ListViewToTabText(list, true, false), "");
    EXPECT_EQ(ListViewToCsvText(list, true, false), "");
    EXPECT_EQ(ListViewToSylkText(list, true, false), "ID;PLVU\r\nB;Y0;X3\r\nE\r\n");
    EXPECT_EQ(ListViewToSylkText(list, true, true), "ID;PLVU\r\nB;Y0;X2\r\nE\r\n");
}

TEST(ListViewExport, HiddenColumnsAreLeftOutOnlyWhenAskedAndSylkColumnsCloseUp)
{
    TListViewSnapshot list;
    list.CheckBoxes = true;
    list.Columns = {{100, CellKindLeft}, {0, CellKindLeft}, {50, CellKindCentre}};
    list.Rows = {{false, {"n", "hidden", "m"}}};

    EXPECT_EQ(ListViewToTabText(list, true, false), "0\tn\tm\r\n");
    EXPECT_EQ(ListViewToTabText(list, false, false), "0\tn\thidden\tm\r\n");
    EXPECT_EQ(ListViewToSylkText(list, true, false),
              "ID;PLVU\r\nB;Y1;X3\r\n"
              "F;Y1;X1;FG0R\r\nC;K0\r\n"
              "F;X2;FG0L\r\nC;K\"n\"\r\n"
              "F;X3;FG0C\r\nC;K\"m\"\r\n"
              "E\r\n");

    // Every column hidden: only the check column remains.
    for (auto& column : list.Columns) column.Width = 0;
    EXPECT_EQ(ListViewToCsvText(list, true, false), "0\r\n");
    EXPECT_EQ(ListViewToCsvText(list, true, true), "\r\n");
}

TEST(ListViewExport, WithoutCheckColumnTheFirstMappedColumnComesFirst)
{
    TListViewSnapshot list = NameSizeList();
    EXPECT_EQ(ListViewToTabText(list, true, true), "a\"b\t12\r\nx\t7\r\n");
    EXPECT_EQ(ListViewToSylkText(list, true, true),
              "ID;PLVU\r\nB;Y2;X2\r\n"
              "F;Y1;X1;FG0L\r\nC;K\"a\"\"b\"\r\n"
              "F;X2;FG0R\r\nC;K12\r\n"
              "F;Y2;X1;FG0L\r\nC;K\"x\"\r\n"
              "F;X2;FG0R\r\nC;K7\r\n"
              "E\r\n");

    list.CheckBoxes = false; // the list itself has none: same result with omit-check off
    EXPECT_EQ(ListViewToTabText(list, true, false), "a\"b\t12\r\nx\t7\r\n");
    EXPECT_EQ(TListViewCells(list, true, false).ColCount(), 2);
}

TEST(ListViewExport, EmptyCellsKeepTheirSeparatorsAndValues)
{
    TListViewSnapshot list;
    list.Columns = {{10, CellKindLeft}, {10, CellKindLeft}, {10, CellKindRight}};
    list.Rows = {{false, {"", "b", ""}}, {false, {"", "", ""}}};
    EXPECT_EQ(ListViewToTabText(list, true, false), "\tb\t\r\n\t\t\r\n");
    EXPECT_EQ(ListViewToCsvText(list, true, false), "\"\",\"b\",\r\n\"\",\"\",\r\n");
    const std::string sylk = ListViewToSylkText(list, true, false);
    EXPECT_NE(sylk.find("F;Y1;X1;FG0L\r\nC;K\"\"\r\n"), std::string::npos);
    EXPECT_NE(sylk.find("F;X3;FG0R\r\nC;K\r\n"), std::string::npos);
}

TEST(ListViewExport, RowsShorterThanTheColumnListReadAsEmpty)
{
    TListViewSnapshot list;
    list.Columns = {{10, CellKindLeft}, {10, CellKindLeft}, {10, CellKindLeft}};
    list.Rows = {{false, {"only"}}, {false, {}}};
    EXPECT_EQ(ListViewToTabText(list, true, false), "only\t\t\r\n\t\t\r\n");
}

TEST(ListViewExport, OnlyDoubleQuotesAreEscapedAndOnlyInQuotedKinds)
{
    TListViewSnapshot list;
    list.Columns = {{10, CellKindLeft}, {10, CellKindCentre}, {10, CellKindRight}};
    list.Rows = {{false, {"a,b\r\nc", "x;\ty\"\"", "1\"2"}}};
    EXPECT_EQ(ListViewToTabText(list, true, false), "a,b\r\nc\tx;\ty\"\"\t1\"2\r\n");
    EXPECT_EQ(ListViewToCsvText(list, true, false), "\"a,b\r\nc\",\"x;\ty\"\"\"\"\",1\"2\r\n");
    // A semicolon would end a SYLK field: doubled there only. A right-aligned cell stays bare.
    const std::string sylk = ListViewToSylkText(list, true, false);
    EXPECT_NE(sylk.find("F;X2;FG0C\r\nC;K\"x;;\ty\"\"\"\"\"\r\n"), std::string::npos);
    EXPECT_NE(sylk.find("F;X3;FG0R\r\nC;K1\"2\r\n"), std::string::npos);
}

TEST(ListViewExport, JapaneseTextIsCopiedByteForByte)
{
    // 表 and ソ end in the byte 0x5C in code page 932; 圧縮できます is the verdict text.
    const std::string name = "表ソ\"予";
    const std::string result = "+圧縮できます";
    TListViewSnapshot list;
    list.CheckBoxes = true;
    list.Columns = {{10, CellKindLeft}, {10, CellKindLeft}};
    list.Rows = {{true, {name, result}}};
    EXPECT_EQ(ListViewToTabText(list, true, false), "1\t" + name + "\t" + result + "\r\n");
    EXPECT_EQ(ListViewToCsvText(list, true, false),
              "1,\"表ソ\"\"予\",\"" + result + "\"\r\n");
}

TEST(ListViewExport, CellGuardsAndKinds)
{
    const TListViewSnapshot list = NameSizeList();
    const TListViewCells cells(list, true, false);
    int32_t kind = 42;
    EXPECT_EQ(cells.GetCell(-1, 0, &kind), "0");
    EXPECT_EQ(cells.GetCell(2, 0, &kind), "0");
    EXPECT_EQ(cells.GetCell(0, 3, &kind), "0");
    EXPECT_EQ(kind, 42);
    kind = CellKindRight; // the kind left alone decides the quoting
    EXPECT_EQ(cells.GetQuotedCell(0, -1, &kind), "0");
    EXPECT_EQ(kind, CellKindRight);

    EXPECT_EQ(cells.GetCell(0, 0, &kind), "1");
    EXPECT_EQ(kind, CellKindRight);
    EXPECT_EQ(cells.GetQuotedCell(0, 1, &kind), "\"a\"\"b\"");
    EXPECT_EQ(kind, CellKindLeft);
    EXPECT_EQ(cells.GetQuotedCell(1, 2), "7");
}

TEST(ListViewExport, AppendFieldSeparatesAllButTheFirstCell)
{
    std::string line;
    AppendField(line, ',', "", true);
    AppendField(line, ',', "b", false);
    AppendField(line, ',', "", false);
    EXPECT_EQ(line, ",b,");
}
