#pragma once
// What the worker needs of the window that owns it: the folder list and the
// status bar. The worker never touches them itself: every member below except
// OwnerWindow and DrainsReports runs on the owner's (user-interface) thread, inside
// a synchronous call from the worker or a drain of its queue, so an
// implementation needs no locking.
#include "engine/FolderRow.h"

#include <windows.h>

#include <cstddef>
#include <string>

class TThreadFennoroOwner {
public:
    virtual ~TThreadFennoroOwner() = default;

    // The status bar's single text.
    virtual void DisplayStatus(const std::string& text) = 0;

    // Removes every row as one batch update (the list repaints once).
    virtual void RemoveAllRows() = 0;

    // Appends a copy of the row at the end of the list.
    virtual void AddRow(const FolderRow& row) = 0;

    // The rows in the order the list shows them at this moment (a sort may change it
    // between two calls). A row keeps its address for as long as it is in the list,
    // whatever the order: the compress job holds the row it works on across calls.
    virtual size_t RowCount() const = 0;
    virtual FolderRow& RowAt(size_t index) = 0;

    // The worker has changed the fields of this row (one of RowAt's): show them.
    virtual void RedrawRow(const FolderRow& row) = 0;

    // True when the owner drains the find job's rows and status texts itself, on a
    // timer of its own (TThreadFennoro::DeliverReports) and at the job's end: the
    // worker then queues them instead of waiting for the owner at every folder.
    // Asked once, when a worker is created.
    virtual bool DrainsReports() const { return false; }

    // The window that owns the shell's confirmation and progress windows while a
    // folder is deleted; may be null. Called once, on the owner's thread, when a
    // worker is created.
    virtual HWND OwnerWindow() const = 0;
};
