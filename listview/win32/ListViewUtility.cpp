#include "listview/win32/ListViewUtility.h"

#include "base/WideText.h"

#include "listview/ListViewUtilityText.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

std::string ColumnPropertyName(const char* what, int column) { return std::string("ListViewUtility.") + what + '.' + std::to_string(column); }

int32_t GetIntProperty(HWND window, const std::string& name)
{
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(GetPropA(window, name.c_str())));
}

bool HasProperty(HWND window, const std::string& name)
{
    // A property holding 0 is indistinguishable from none; a marker value tells them apart.
    return GetPropA(window, (name + ".Set").c_str()) != nullptr;
}

void SetIntProperty(HWND window, const std::string& name, int32_t value)
{
    SetPropA(window, name.c_str(), reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)));
    SetPropA(window, (name + ".Set").c_str(), reinterpret_cast<HANDLE>(1));
}

class WaitCursor {
public:
    explicit WaitCursor(bool enabled) : Enabled(enabled)
    {
        if (Enabled) SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    }
    // The default cursor, not the one shown before.
    ~WaitCursor()
    {
        if (Enabled) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool Enabled;
};

} // namespace

int ListViewColumnCount(HWND list)
{
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    if (!header) return 0;
    const LRESULT count = SendMessageW(header, HDM_GETITEMCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

int32_t GetListViewColumnTag(HWND list, int column)
{
    return GetIntProperty(list, ColumnPropertyName("Tag", column));
}

void SetListViewColumnTag(HWND list, int column, int32_t tag)
{
    SetIntProperty(list, ColumnPropertyName("Tag", column), tag);
}

int32_t GetListViewColumnStoredWidth(HWND list, int column)
{
    const std::string name = ColumnPropertyName("Width", column);
    if (HasProperty(list, name)) return GetIntProperty(list, name);
    return static_cast<int32_t>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
}

void SetListViewColumnWidth(HWND list, int column, int32_t width)
{
    SetIntProperty(list, ColumnPropertyName("Width", column), width);
    // Negative widths are the list's automatic sizing codes (-1 contents, -2 header).
    SendMessageW(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0));
}

int InsertListViewColumn(HWND list, int column, const std::string& caption, int32_t width, int format)
{
    LVCOLUMN lvc{};
    lvc.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
    lvc.fmt = format;
    lvc.cx = width < 0 ? 0 : width;
    std::wstring text = WideText(caption);
    lvc.pszText = text.data();
    const int index = static_cast<int>(SendMessageW(list, LVM_INSERTCOLUMN, column, reinterpret_cast<LPARAM>(&lvc)));
    if (index >= 0) SetListViewColumnWidth(list, index, width);
    return index;
}

std::string GetColumnWidthsText(HWND list)
{
    std::vector<int32_t> widths;
    const int count = ListViewColumnCount(list);
    for (int i = 0; i < count; ++i) {
        const int32_t tag = GetListViewColumnTag(list, i);
        widths.push_back(tag < 0 ? tag : static_cast<int32_t>(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0)));
    }
    return FormatColumnWidthsText(widths);
}

void SetColumnWidthsText(HWND list, std::string_view text)
{
    const std::vector<int32_t> widths = ParseColumnWidthsText(text);
    const int count = ListViewColumnCount(list);
    for (int i = 0; i < count; ++i) {
        SetListViewColumnTag(list, i, GetListViewColumnStoredWidth(list, i));
        if (static_cast<size_t>(i) < widths.size()) SetListViewColumnWidth(list, i, widths[i]);
    }
}

void ListViewSelectAll(HWND list, bool waitCursor)
{
    const WaitCursor cursor(waitCursor);
    LVITEM item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void ListViewSelectInvert(HWND list, bool waitCursor)
{
    const WaitCursor cursor(waitCursor);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const UINT state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_SELECTED));
        LVITEM item{};
        item.stateMask = LVIS_SELECTED;
        item.state = (state & LVIS_SELECTED) ? 0 : LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

uint32_t GetListViewSortWord(HWND list)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetPropA(list, "ListViewUtility.SortWord")));
}

void SetListViewSortWord(HWND list, uint32_t word)
{
    SetPropA(list, "ListViewUtility.SortWord", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(word)));
}

std::string GetListViewCellText(HWND list, int item, int column)
{
    std::vector<wchar_t> buffer(260);
    for (;;) {
        LVITEM lvi{};
        lvi.iSubItem = column;
        lvi.pszText = buffer.data();
        lvi.cchTextMax = static_cast<int>(buffer.size());
        const LRESULT length = SendMessageW(list, LVM_GETITEMTEXT, item, reinterpret_cast<LPARAM>(&lvi));
        // A text that filled the buffer may have been cut: try again with more room.
        if (length < static_cast<LRESULT>(buffer.size()) - 1 || buffer.size() >= (1u << 20)) {
            const size_t size = length > 0 ? static_cast<size_t>(length) : 0;
            return Utf8Text(std::wstring_view(buffer.data(), std::min(size, buffer.size() - 1)));
        }
        buffer.resize(buffer.size() * 4);
    }
}
