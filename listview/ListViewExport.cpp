#include "listview/ListViewExport.h"

#include <cstdio>

TListViewCells::TListViewCells(const TListViewSnapshot& list, bool visibleOnly, bool omitCheck)
    : List(list), HasCheckColumn(list.CheckBoxes && !omitCheck)
{
    const int32_t columns = static_cast<int32_t>(list.Columns.size());
    ColumnMap.reserve(list.Columns.size());
    for (int32_t i = 0; i < columns; ++i) {
        if (visibleOnly && list.Columns[i].Width == 0) continue;
        ColumnMap.push_back(i);
    }
}

std::string TListViewCells::GetCell(int32_t row, int32_t col, int32_t* kind) const
{
    if (row < 0 || row >= RowCount() || col < 0 || col >= ColCount()) return "0";
    const TListViewRow& item = List.Rows[row];
    if (HasCheckColumn && col == 0) {
        if (kind) *kind = CellKindRight;
        return item.Checked ? "1" : "0";
    }
    const int32_t column = ColumnMap[HasCheckColumn ? col - 1 : col];
    if (kind) *kind = List.Columns[column].Alignment;
    if (static_cast<size_t>(column) >= item.Texts.size()) return {};
    return item.Texts[column];
}

std::string TListViewCells::GetQuotedCell(int32_t row, int32_t col, int32_t* kind) const
{
    int32_t cellKind = CellKindLeft;
    if (kind) cellKind = *kind; // a guard cell leaves the caller's kind alone
    std::string text = GetCell(row, col, &cellKind);
    if (kind) *kind = cellKind;
    if (cellKind == CellKindRight) return text;
    std::string quoted;
    quoted.reserve(text.size() + 2);
    quoted += '"';
    for (char c : text) {
        // No byte of a multi-byte UTF-8 character is a double quote: a byte scan is safe.
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

void AppendField(std::string& line, char separator, std::string_view cell, bool firstCell)
{
    if (!firstCell) line += separator;
    line += cell;
}

namespace {

constexpr std::string_view LineEnd = "\r\n";

// One line per row, each cell taken by `cellOf`, each line ending in CR LF.
template <typename CellOf>
std::string RenderLines(const TListViewCells& cells, char separator, CellOf cellOf)
{
    std::string text;
    std::string line;
    for (int32_t r = 0; r < cells.RowCount(); ++r) {
        line.clear();
        for (int32_t c = 0; c < cells.ColCount(); ++c) AppendField(line, separator, cellOf(r, c), c == 0);
        text += line;
        text += LineEnd;
    }
    return text;
}

char SylkAlignment(int32_t kind)
{
    switch (kind) {
    case CellKindRight: return 'R';
    case CellKindCentre: return 'C';
    default: return 'L';
    }
}

} // namespace

std::string ListViewToTabText(const TListViewSnapshot& list, bool visibleOnly, bool omitCheck)
{
    const TListViewCells cells(list, visibleOnly, omitCheck);
    return RenderLines(cells, '\t', [&](int32_t r, int32_t c) { return cells.GetCell(r, c); });
}

std::string ListViewToCsvText(const TListViewSnapshot& list, bool visibleOnly, bool omitCheck)
{
    const TListViewCells cells(list, visibleOnly, omitCheck);
    return RenderLines(cells, ',', [&](int32_t r, int32_t c) { return cells.GetQuotedCell(r, c); });
}

std::string ListViewToSylkText(const TListViewSnapshot& list, bool visibleOnly, bool omitCheck)
{
    const TListViewCells cells(list, visibleOnly, omitCheck);
    char record[64];
    std::string text = "ID;PLVU";
    text += LineEnd;
    std::snprintf(record, sizeof record, "B;Y%d;X%d", static_cast<int>(cells.RowCount()),
                  static_cast<int>(cells.ColCount()));
    text += record;
    text += LineEnd;
    for (int32_t r = 1; r <= cells.RowCount(); ++r) {
        for (int32_t c = 1; c <= cells.ColCount(); ++c) {
            int32_t kind = CellKindLeft;
            const std::string value = cells.GetQuotedCell(r - 1, c - 1, &kind);
            text += "F;";
            if (c == 1) {
                std::snprintf(record, sizeof record, "Y%d;", static_cast<int>(r));
                text += record;
            }
            std::snprintf(record, sizeof record, "X%d;FG0%c", static_cast<int>(c), SylkAlignment(kind));
            text += record;
            text += LineEnd;
            text += "C;K";
            // A semicolon ends a SYLK field unless doubled. No byte of a
            // multi-byte UTF-8 character is one, so a byte scan is safe.
            for (char ch : value) {
                if (ch == ';') text += ';';
                text += ch;
            }
            text += LineEnd;
        }
    }
    text += "E";
    text += LineEnd;
    return text;
}
