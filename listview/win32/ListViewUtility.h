#pragma once
// Report-list services on a real SysListView32: column widths as settings text,
// select all and invert selection, sorting by a clicked column with the sort
// mark in the header. All on the user-interface thread.
//
// The list's sort word and its columns' tags are kept as window properties of
// the list, so these work on any list view whatever wraps it.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <string_view>

// --- column widths and selection

// One integer per column: the column's tag when negative (an automatic width
// code of the design), otherwise its current width.
std::string GetColumnWidthsText(HWND list);
// Sets every column's tag to its width before the apply, then the widths of
// the leading items that are integers; columns without an item keep theirs.
void SetColumnWidthsText(HWND list, std::string_view text);

// The column's general-purpose tag; 0 until SetColumnWidthsText sets it.
int32_t GetListViewColumnTag(HWND list, int column);
void SetListViewColumnTag(HWND list, int column, int32_t tag);

int ListViewColumnCount(HWND list);
// Inserts a column with its designed width, which may be an automatic width
// code (-1 size to the contents, -2 size to the header text); the design is
// remembered, so SetColumnWidthsText tags such a column with its code.
// Returns the new column's index, or -1.
int InsertListViewColumn(HWND list, int column, const std::string& caption, int32_t width, int format = LVCFMT_LEFT);
// The width a column was last given through this unit, else its pixel width.
int32_t GetListViewColumnStoredWidth(HWND list, int column);
// Sets (and remembers) a column's width; negative values size it automatically.
void SetListViewColumnWidth(HWND list, int column, int32_t width);

void ListViewSelectAll(HWND list, bool waitCursor);
// Flips every item's selected state; focus and check boxes stay.
void ListViewSelectInvert(HWND list, bool waitCursor);

// --- sorting and header marks

// The sort word (see listview/ListViewSort.h); 0 until the first sort.
uint32_t GetListViewSortWord(HWND list);
void SetListViewSortWord(HWND list, uint32_t word);

// Version of the named common-controls library (major << 16 | minor), 0 when unknown.
uint32_t GetComCtlVersion(const char* libraryName);
// The version the marks are drawn for, as the last InitHeaderSortMark stored it.
uint32_t HeaderSortMarkVersion();

// Prepares the list's header for sort marks, for the version of "comctl32.dll":
// from 6.0 sort flags, from 4.70 the bitmaps "ListViewUtility_IDB_UP" and
// "ListViewUtility_IDB_DOWN" of the executable (a missing bitmap leaves an empty
// mark), below 4.70 nothing. Call once per list, after the widths are applied.
void InitHeaderSortMark(HWND list);
// The same for a given version (tests, or a caller that knows better).
void InitHeaderSortMark(HWND list, uint32_t comCtlVersion);

// Shows or hides the mark of the list's sort column; does nothing for a list
// that was never sorted or whose header was not prepared.
void SetHeaderSortMark(HWND list, bool show);

// The prepared header's window procedure (a subclass kept in the window
// registry): shows the mark after every capture change, that is after a header
// click has been handled.
LRESULT CALLBACK HeaderSubclassProc(HWND header, UINT message, WPARAM wParam, LPARAM lParam);

// The key a cell text sorts by: the text in code page 932 (whatever the system's
// code page), where each character without a form there is the escape byte and
// its code point in three bytes (listview/ListViewSort.h).
std::string ListViewSortKey(std::string_view text);

// One header click on the 0-based column: hides the old mark, updates the sort
// word and sorts (numerically when the column is right-aligned). The new mark
// appears when the header's capture is released, or at the next SetHeaderSortMark.
void ListViewColumnSort(HWND list, int column);

// Compares two items (by index) under the list's sort word; numeric non-zero
// compares as signed whole numbers.
void ListViewSortCompare(HWND list, int item1, int item2, int32_t& result, LPARAM numeric);

// The text of an item's cell: column 0 is the caption.
std::string GetListViewCellText(HWND list, int item, int column);
