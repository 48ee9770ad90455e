#pragma once
// Plays the main window for a worker: keeps the rows at stable addresses, records
// every status text and lets a test act inside the synchronous calls.
#include "engine/win32/TThreadFennoroOwner.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class EngineTestOwner : public TThreadFennoroOwner {
public:
    // withWindow: own a hidden top-level window to stand as the shell's owner window.
    explicit EngineTestOwner(bool withWindow = false);
    ~EngineTestOwner() override;

    void DisplayStatus(const std::string& text) override;
    void RemoveAllRows() override;
    void AddRow(const FolderRow& row) override;
    size_t RowCount() const override
    {
        Called("RowCount");
        return Rows.size();
    }
    FolderRow& RowAt(size_t index) override { return *Rows.at(index); }
    void RedrawRow(const FolderRow& row) override;
    HWND OwnerWindow() const override { return Window; }

    // Adds a row as a finished find would have left it.
    FolderRow& Add(const std::string& parentPath, const std::string& name, bool checked,
                   FolderCompressState state = FolderCompressState::Untried);
    // The row of a folder name (as the list shows it: with its path below the
    // root, when it has one); fails the test when there is none.
    const FolderRow& Row(const std::string& name) const;
    // Reverses the shown order without moving any row, as a sort by a column does.
    void ReverseOrder();

    std::vector<std::unique_ptr<FolderRow>> Rows;
    std::vector<std::string> Statuses;
    std::vector<std::string> Changed;  // names, one per RedrawRow
    int Clears = 0;

    // Run inside the calls, on the owner's thread, after the call's own work.
    std::function<void(const std::string&)> OnStatus;
    std::function<void(const FolderRow&)> OnAppend;
    // Run at the start of every call the worker makes (DisplayStatus, RemoveAllRows,
    // AddRow, RowCount, RedrawRow), with the call's name.
    std::function<void(const char*)> OnCall;

private:
    void Called(const char* what) const
    {
        if (OnCall) OnCall(what);
    }
    HWND Window = nullptr;
};
