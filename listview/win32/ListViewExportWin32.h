#pragma once
// The list export on a real list view (SysListView32): the selected rows of
// the list are read into a snapshot, then rendered by the platform-free code.
#include <windows.h>

#include <string>

#include "listview/ListViewExport.h"

class TDataCopyDrag;

// The list's columns (width and header alignment, in column order), whether it
// shows check boxes, and its selected rows in display order with their check
// states and texts.
TListViewSnapshot ReadListViewSnapshot(HWND listView);

std::string ListViewToTabText(HWND listView, bool visibleOnly, bool omitCheck);
std::string ListViewToCsvText(HWND listView, bool visibleOnly, bool omitCheck);
std::string ListViewToSylkText(HWND listView, bool visibleOnly, bool omitCheck);

// Adds the three renderings of the selected rows to a transfer, as copy and
// drag hand them over: the tab text as CF_TEXT and the CSV text under the
// registered format "Csv", each with its terminating NUL, then the SYLK text
// as CF_SYLK without one. All three come from one reading of the selection.
// They replace whatever was pending; false, with nothing pending, when one could not be added.
bool AddListViewRenderings(TDataCopyDrag& transfer, HWND listView, bool visibleOnly, bool omitCheck);
