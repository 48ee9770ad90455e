// What the user does with the rows of the folder list: sort by a column, rename
// a folder in place, open a folder or its archive, drag the selected rows out,
// copy them, select all or invert the selection, check or uncheck the selected rows.
#include "ui/UnitFennoro.h"

#include "engine/win32/LongPath.h"
#include "listview/win32/ListViewExportWin32.h"
#include "listview/win32/ListViewUtility.h"
#include "base/PathUtility.h"
#include "transfer/TDataCopyDrag.h"

#include <shellapi.h>

namespace {

// The file manager's "/n," switch opens a new window; a quote in the path is doubled.
std::string ExplorerParameters(const std::string& folder)
{
    std::string parameters = "/n,\"";
    for (char c : folder) {
        parameters += c;
        if (c == '"') parameters += '"';
    }
    parameters += '"';
    return parameters;
}

void ShellExecuteLauncher(const std::string& file, const std::string& parameters)
{
    const std::wstring wideFile = WideText(file);
    const std::wstring wideParameters = WideText(parameters);
    SHELLEXECUTEINFO info{};
    info.cbSize = sizeof info;
    info.lpFile = wideFile.c_str();
    info.lpParameters = wideParameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    ShellExecuteExW(&info);
}

bool IsDirectory(const std::string& path)
{
    const DWORD attributes = LongPathAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Puts the three renderings of the selected rows into the transfer object;
// every line starts with the row's check state, hidden columns are left out.
bool CollectSelectedRows(TDataCopyDrag& transfer, HWND list)
{
    return AddListViewRenderings(transfer, list, true, false);
}

} // namespace

TFormFennoro::TShellLauncher TFormFennoro::ShellLauncher = ShellExecuteLauncher;

void TFormFennoro::ListViewColumnClick(int column)
{
    // A job's reports wait on this thread, so they never meet the sort half done.
    ListViewColumnSort(ListView->Handle(), column);
    FolderList->OrderChanged();
}

void TFormFennoro::ActionRenameFolderExecute(TAction&)
{
    const int index = ListView->FocusedIndex();
    if (index >= 0) ListView->EditCaption(index);
}

bool TFormFennoro::ListViewEdited(int index, const std::string& text)
{
    FolderRow* row = FolderList->RowOfItem(index);
    if (!row) return false;
    // A row below a folder of books shows its path below the root: the folder's
    // own name is what changes, typed with that path or alone.
    const bool withLocation = !row->Location.empty() && text.size() > row->Location.size() &&
                              text.compare(0, row->Location.size(), row->Location) == 0;
    const std::string name = withLocation ? text.substr(row->Location.size()) : text;
    if (name == row->Name) return false;
    // A name with a path in it would move the folder out of its place:
    // refused like any rename the file system turns down.
    if (!IsPlainFileName(name)) return false;
    // The folder by its exact name, which its row's text may only resemble.
    const std::wstring parent = FileApiPath(IncludeTrailingPathDelimiter(row->ParentPath));
    const std::wstring oldPath = parent + (row->WideName.empty() ? WideText(row->Name) : row->WideName);
    const std::wstring newName = WideText(name);
    if (!MoveFileW(oldPath.c_str(), (parent + newName).c_str())) return false;
    FolderList->RowRenamed(*row, name, newName, RowsJudgedFor);
    // The list would show the name alone: the row shows its path again instead.
    return row->Location.empty() || withLocation;
}

void TFormFennoro::ListViewDblClick()
{
    const FolderRow* row = FolderList->RowOfItem(ListView->FocusedIndex());
    if (!row) return;
    // A row whose text only resembles its folder's name would open a look-alike.
    bool exact = true;
    if (!row->WideName.empty() && (Utf8Name(row->WideName.c_str(), exact) != row->Name || !exact)) return;
    const std::string folder = row->ParentPath + row->Name;
    const std::string archive = row->ParentPath + row->Remark;
    // The shell takes paths that fit MAX_PATH, and never a short form.
    if (IsDirectory(folder)) {
        const std::string shellFolder = ShellPath(folder);
        if (!shellFolder.empty()) ShellLauncher("explorer", ExplorerParameters(shellFolder));
    }
    if (row->CompressState == FolderCompressState::Compressed && !row->Remark.empty() && LongFileExists(archive)) {
        const std::string shellArchive = ShellPath(archive);
        if (!shellArchive.empty()) ShellLauncher(shellArchive, "");
    }
}

void TFormFennoro::ListViewBeginDrag()
{
    if (ListView->SelectedCount() == 0) return;
    TDataCopyDrag& transfer = TDataCopyDrag::Instance();
    if (CollectSelectedRows(transfer, ListView->Handle())) transfer.DoDrag();
}

void TFormFennoro::ActionCopyExecute(TAction&)
{
    TDataCopyDrag& transfer = TDataCopyDrag::Instance();
    if (CollectSelectedRows(transfer, ListView->Handle())) transfer.CopyToClipboard();
}

void TFormFennoro::ActionSelectAllExecute(TAction&)
{
    ListViewSelectAll(ListView->Handle(), true);
}

void TFormFennoro::ActionSelectInvertExecute(TAction&)
{
    ListViewSelectInvert(ListView->Handle(), true);
}

void TFormFennoro::ActionCheckSelectedExecute(TAction&) { ListView->SetSelectedChecked(true); }

void TFormFennoro::ActionUncheckSelectedExecute(TAction&) { ListView->SetSelectedChecked(false); }

void TFormFennoro::ListViewContextMenu(POINT screen)
{
    // Its items show the states of this moment (the form updates them as the menu opens).
    TMainMenu::TrackPopup(*PopupMenuList, Handle(), screen);
}
