#pragma once
// Export of the selected rows of a report-style list as tab text, CSV and SYLK.
// The renderers work on a snapshot of the list, so they run without a window;
// listview/win32/ListViewExportWin32.h takes the snapshot from a real list view.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Cell kinds: how a cell is aligned, and so how CSV and SYLK write it.
enum : int32_t {
    CellKindLeft = 0,   // text
    CellKindRight = 1,  // numeric: written bare
    CellKindCentre = 2, // text
};

struct TListViewColumn {
    int32_t Width = 0;                // current width in pixels; 0 means hidden
    int32_t Alignment = CellKindLeft; // the header alignment as a cell kind
};

struct TListViewRow {
    bool Checked = false;
    // Caption first, then the sub-items. A row shorter than the column list
    // reads as empty text in the columns it lacks.
    std::vector<std::string> Texts;
};

// What an export needs to know of a list.
struct TListViewSnapshot {
    bool CheckBoxes = false;              // the list shows check boxes
    std::vector<TListViewColumn> Columns; // every column, in column order
    std::vector<TListViewRow> Rows;       // the selected rows, in display order
};

// The rows and columns of one export: the selected rows, the column map and
// the optional check column in front.
class TListViewCells {
public:
    // The snapshot is read, not copied: it must outlive the cells.
    TListViewCells(const TListViewSnapshot& list, bool visibleOnly, bool omitCheck);
    TListViewCells(TListViewSnapshot&&, bool, bool) = delete;

    int32_t RowCount() const { return static_cast<int32_t>(List.Rows.size()); }
    int32_t ColCount() const { return static_cast<int32_t>(ColumnMap.size()) + (HasCheckColumn ? 1 : 0); }

    // The text of one cell; its kind through `kind` when given. Outside the
    // snapshot: "0", and the kind is left alone.
    std::string GetCell(int32_t row, int32_t col, int32_t* kind = nullptr) const;
    // The CSV form: right-aligned cells bare, the others in double quotes
    // with inner double quotes doubled.
    std::string GetQuotedCell(int32_t row, int32_t col, int32_t* kind = nullptr) const;

private:
    const TListViewSnapshot& List;
    bool HasCheckColumn;
    std::vector<int32_t> ColumnMap; // list column index of each exported column
};

// Appends one cell to a line, with the separator in front of every cell but
// the first of the row. The caller says which cell is first: a line that is
// still empty after an empty first cell must get its separator all the same.
void AppendField(std::string& line, char separator, std::string_view cell, bool firstCell);

std::string ListViewToTabText(const TListViewSnapshot& list, bool visibleOnly, bool omitCheck);
std::string ListViewToCsvText(const TListViewSnapshot& list, bool visibleOnly, bool omitCheck);
std::string ListViewToSylkText(const TListViewSnapshot& list, bool visibleOnly, bool omitCheck);
