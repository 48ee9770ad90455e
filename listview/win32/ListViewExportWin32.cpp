#include "listview/win32/ListViewExportWin32.h"

#include "base/WideText.h"

#include "listview/win32/ListViewUtility.h"
#include "transfer/TDataCopyDrag.h"

#include <commctrl.h>

#include <vector>

namespace {

std::vector<TListViewColumn> ReadColumns(HWND listView)
{
    std::vector<TListViewColumn> columns;
    LVCOLUMN column{};
    column.mask = LVCF_FMT;
    for (int i = 0; SendMessageW(listView, LVM_GETCOLUMN, i, reinterpret_cast<LPARAM>(&column)); ++i) {
        TListViewColumn entry;
        entry.Width = static_cast<int32_t>(SendMessageW(listView, LVM_GETCOLUMNWIDTH, i, 0));
        switch (column.fmt & LVCFMT_JUSTIFYMASK) {
        case LVCFMT_RIGHT: entry.Alignment = CellKindRight; break;
        case LVCFMT_CENTER: entry.Alignment = CellKindCentre; break;
        default: entry.Alignment = CellKindLeft; break;
        }
        columns.push_back(entry);
    }
    return columns;
}

} // namespace

TListViewSnapshot ReadListViewSnapshot(HWND listView)
{
    TListViewSnapshot list;
    if (!IsWindow(listView)) return list;
    list.CheckBoxes = (SendMessageW(listView, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES) != 0;
    list.Columns = ReadColumns(listView);
    const int itemCount = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    int item = -1;
    // The next selected item after the previous one; never more rows than items.
    while (static_cast<int>(list.Rows.size()) < itemCount) {
        const int next = static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, item, MAKELPARAM(LVNI_ALL | LVNI_SELECTED, 0)));
        if (next < 0 || next <= item) break;
        item = next;
        TListViewRow row;
        const UINT state = static_cast<UINT>(SendMessageW(listView, LVM_GETITEMSTATE, item, LVIS_STATEIMAGEMASK));
        row.Checked = (state >> 12) == 2; // state image 2 is the ticked box
        row.Texts.reserve(list.Columns.size());
        for (size_t column = 0; column < list.Columns.size(); ++column)
            row.Texts.push_back(GetListViewCellText(listView, item, static_cast<int>(column)));
        list.Rows.push_back(std::move(row));
    }
    return list;
}

std::string ListViewToTabText(HWND listView, bool visibleOnly, bool omitCheck)
{
    return ListViewToTabText(ReadListViewSnapshot(listView), visibleOnly, omitCheck);
}

std::string ListViewToCsvText(HWND listView, bool visibleOnly, bool omitCheck)
{
    return ListViewToCsvText(ReadListViewSnapshot(listView), visibleOnly, omitCheck);
}

std::string ListViewToSylkText(HWND listView, bool visibleOnly, bool omitCheck)
{
    return ListViewToSylkText(ReadListViewSnapshot(listView), visibleOnly, omitCheck);
}

bool AddListViewRenderings(TDataCopyDrag& transfer, HWND listView, bool visibleOnly, bool omitCheck)
{
    const TListViewSnapshot list = ReadListViewSnapshot(listView);
    const std::string tab = ListViewToTabText(list, visibleOnly, omitCheck);
    const std::string csv = ListViewToCsvText(list, visibleOnly, omitCheck);
    const std::string sylk = ListViewToSylkText(list, visibleOnly, omitCheck);
    // Registering a name again gives the same number; asked on every copy.
    const auto csvFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("Csv"));
    // The three renderings describe one selection: what a failed call left behind
    // is dropped first, and a failure now leaves nothing for the next transfer.
    transfer.ClearPending();
    // "Csv" is read in the ANSI code page, as CF_TEXT is: a character the code
    // page lacks is "?" there, and every other cell still reads right. SYLK only
    // in the ANSI code page, so a selection that does not fit it leaves SYLK out
    // rather than offer names Excel would show wrong.
    const std::string csvBytes = CodePageText(csv, CP_ACP);
    std::string sylkBytes;
    const bool sylkFits = ExactCodePageText(sylk, CP_ACP, sylkBytes);
    if (transfer.AddText(tab) && transfer.AddData(csvFormat, csvBytes.c_str(), csvBytes.size() + 1) &&
        (!sylkFits || transfer.AddData(CF_SYLK, sylkBytes.data(), sylkBytes.size())))
        return true;
    transfer.ClearPending();
    return false;
}
