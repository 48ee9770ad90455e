#pragma once
// The list export on a real list view (SysListView32): the selected rows of
// the list are read into a snapshot, then rendered by the platform-free code.
#include <windows.h>

#include <string>

#include "listview/ListViewExport.h"

// The list's columns (width and header alignment, in column order), whether it
// shows check boxes, and its selected rows in display order with their check
// states and texts.
TListViewSnapshot ReadListViewSnapshot(HWND listView);

std::string ListViewToTabText(HWND listView, bool visibleOnly, bool omitCheck);
std::string ListViewToCsvText(HWND listView, bool visibleOnly, bool omitCheck);
std::string ListViewToSylkText(HWND listView, bool visibleOnly, bool omitCheck);
