#include "toolkit/TListView.h"

#include "base/WideText.h"

#include <stdexcept>

TListView::TListView(HWND parent, int left, int top, int width, int height)
{
    HWND window = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEW, L"",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS,
                                  left, top, width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) throw std::runtime_error("リストビューを作成できません");
    Attach(window, true);
    const DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
    SendMessageW(window, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
}

int TListView::Count() const { return static_cast<int>(SendMessageW(Handle(), LVM_GETITEMCOUNT, 0, 0)); }

int TListView::AddItem(const std::string& caption, const std::vector<std::string>& subItems, bool checked, LPARAM data)
{
    std::wstring text = WideText(caption);
    LVITEM item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = Count();
    item.pszText = text.data();
    item.lParam = data;
    const int index = static_cast<int>(SendMessageW(Handle(), LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) throw std::runtime_error("リストに行を追加できません");
    SetItem(index, caption, subItems, checked);
    return index;
}

void TListView::SetItem(int index, const std::string& caption, const std::vector<std::string>& subItems, bool checked)
{
    std::wstring text = WideText(caption);
    LVITEM item{};
    item.iSubItem = 0;
    item.pszText = text.data();
    SendMessageW(Handle(), LVM_SETITEMTEXT, index, reinterpret_cast<LPARAM>(&item));
    for (size_t column = 0; column < subItems.size(); ++column) {
        text = WideText(subItems[column]);
        item.iSubItem = static_cast<int>(column + 1);
        item.pszText = text.data();
        SendMessageW(Handle(), LVM_SETITEMTEXT, index, reinterpret_cast<LPARAM>(&item));
    }
    SetChecked(index, checked);
}

void TListView::Clear()
{
    BeginUpdate();
    SendMessageW(Handle(), LVM_DELETEALLITEMS, 0, 0);
    EndUpdate();
}

LPARAM TListView::ItemData(int index) const
{
    LVITEM item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!SendMessageW(Handle(), LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.lParam;
}

int TListView::IndexOfData(LPARAM data) const
{
    LVFINDINFO find{};
    find.flags = LVFI_PARAM;
    find.lParam = data;
    return static_cast<int>(SendMessageW(Handle(), LVM_FINDITEM, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

std::string TListView::ItemText(int index, int column) const
{
    // The list tells how much it copied; grow the buffer until the text fits.
    for (size_t size = 256;; size *= 2) {
        std::wstring text(size, L'\0');
        LVITEM item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(size);
        const LRESULT length = SendMessageW(Handle(), LVM_GETITEMTEXT, index, reinterpret_cast<LPARAM>(&item));
        if (length < 0) return {};
        if (static_cast<size_t>(length) + 1 < size || size >= (1u << 20)) {
            text.resize(std::char_traits<wchar_t>::length(text.c_str()));
            return Utf8Text(text);
        }
    }
}

bool TListView::Checked(int index) const
{
    const UINT state = static_cast<UINT>(SendMessageW(Handle(), LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void TListView::SetChecked(int index, bool checked)
{
    LVITEM item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(Handle(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

int TListView::SelectedCount() const { return static_cast<int>(SendMessageW(Handle(), LVM_GETSELECTEDCOUNT, 0, 0)); }

bool TListView::Selected(int index) const
{
    return (SendMessageW(Handle(), LVM_GETITEMSTATE, index, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void TListView::SetSelected(int index, bool selected)
{
    LVITEM item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    SendMessageW(Handle(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

int TListView::FocusedIndex() const
{
    return static_cast<int>(SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void TListView::SetFocused(int index)
{
    LVITEM item{};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageW(Handle(), LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

void TListView::EditCaption(int index)
{
    SetFocus();
    SendMessageW(Handle(), LVM_EDITLABEL, index, 0);
}

bool TListView::IsEditing() const
{
    return Editing || SendMessageW(Handle(), LVM_GETEDITCONTROL, 0, 0) != 0;
}

bool TListView::EndEdit(int index, const char* text)
{
    Editing = false;
    if (!text || !OnEdited) return false;
    return OnEdited(index, text);
}

bool TListView::Notify(NMHDR& header, LRESULT& result)
{
    switch (header.code) {
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        const UINT newImage = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
        const UINT oldImage = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
        if ((change.uChanged & LVIF_STATE) && change.iItem >= 0 && newImage != oldImage && newImage != 0 && OnItemChecked) {
            OnItemChecked(change.iItem, newImage == 2);
        }
        return false;
    }
    case LVN_BEGINLABELEDITA:
    case LVN_BEGINLABELEDITW:
        Editing = true;
        result = FALSE;
        return true;
    case LVN_ENDLABELEDITA: {
        const auto& info = reinterpret_cast<const NMLVDISPINFOA&>(header);
        const char* text = info.item.pszText;
        result = text ? EndEdit(info.item.iItem, CodePageToUtf8(text, CP_ACP).c_str()) : EndEdit(info.item.iItem, nullptr);
        return true;
    }
    case LVN_ENDLABELEDITW: {
        const auto& info = reinterpret_cast<const NMLVDISPINFOW&>(header);
        if (!info.item.pszText) {
            result = EndEdit(info.item.iItem, nullptr);
            return true;
        }
        // A name with a lone surrogate has no UTF-8 form: refused like an empty one.
        std::string text;
        result = ExactUtf8Text(info.item.pszText, text) ? EndEdit(info.item.iItem, text.c_str()) : FALSE;
        return true;
    }
    case LVN_COLUMNCLICK:
        if (OnColumnClick) OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return false;
    case NM_DBLCLK:
        if (OnDblClick) OnDblClick();
        return false;
    case NM_RETURN:
        if (OnReturn) OnReturn();
        return false;
    case LVN_BEGINDRAG:
        if (OnBeginDrag) OnBeginDrag();
        return false;
    default:
        return false;
    }
}
