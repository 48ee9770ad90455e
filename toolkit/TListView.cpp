#include "toolkit/TListView.h"

#include "base/WideText.h"
#include "toolkit/Dpi.h"

#include <windowsx.h>

#include <algorithm>
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
    HideCellTip();
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

void TListView::SetSelectedChecked(bool checked)
{
    int index = -1;
    while ((index = static_cast<int>(SendMessageW(Handle(), LVM_GETNEXTITEM, static_cast<WPARAM>(index), LVNI_SELECTED))) >= 0) {
        SetChecked(index, checked);
    }
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

void TListView::SetDpi(UINT dpi)
{
    CurrentDpi = dpi;
    HWND window = Handle();
    HIMAGELIST current = reinterpret_cast<HIMAGELIST>(SendMessageW(window, LVM_GETIMAGELIST, LVSIL_STATE, 0));
    HIMAGELIST own = OwnCheckBoxes ? OwnCheckBoxes.get() : current;
    int ownSize = 0;
    int height = 0;
    if (!own || !ImageList_GetIconSize(own, &ownSize, &height)) return;
    // The list made its own for the system's density: they are right there.
    const UINT systemDpi = SystemDpi();
    if (dpi == systemDpi) {
        if (!OwnCheckBoxes) return;
        SendMessageW(window, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(OwnCheckBoxes.release()));
        if (current) ImageList_Destroy(current);
        return;
    }
    const int size = MulDiv(ownSize, static_cast<int>(dpi), static_cast<int>(systemDpi));
    HIMAGELIST images = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 2, 0);
    if (!images) return;
    constexpr COLORREF transparent = RGB(255, 0, 255);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    // State image 1 is unchecked, 2 checked.
    for (const UINT state : {0u, static_cast<UINT>(DFCS_CHECKED)}) {
        HBITMAP bitmap = CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH background = CreateSolidBrush(transparent);
        RECT box{0, 0, size, size};
        FillRect(dc, &box, background);
        DeleteObject(background);
        DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | state);
        SelectObject(dc, old);
        ImageList_AddMasked(images, bitmap, transparent);
        DeleteObject(bitmap);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    // The list frees the list it shows when it goes; the one it gives back is
    // ours: its own is kept for a return to the system's density.
    HIMAGELIST previous =
        reinterpret_cast<HIMAGELIST>(SendMessageW(window, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(images)));
    if (!OwnCheckBoxes) {
        OwnCheckBoxes.reset(previous);
    } else if (previous) {
        ImageList_Destroy(previous);
    }
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

POINT TListView::KeyboardMenuPoint() const
{
    RECT client{};
    GetClientRect(Handle(), &client);
    POINT point{client.left, client.top};
    const int focused = FocusedIndex();
    RECT row{};
    row.left = LVIR_LABEL;
    if (focused >= 0 && SendMessageW(Handle(), LVM_GETITEMRECT, focused, reinterpret_cast<LPARAM>(&row)) &&
        row.bottom > client.top && row.bottom < client.bottom) {
        point = POINT{row.left, row.bottom};
    }
    ClientToScreen(Handle(), &point);
    return point;
}

namespace {

// Asks the list to fit its last column again once it has taken in a header change.
const UINT FitLastColumnMessage = RegisterWindowMessageW(L"Fennoro.TListView.FitLastColumn");

// Room the list leaves around a cell's text, at 96 DPI.
constexpr int CellTextMargin = 12;
// The least width the last column keeps, at 96 DPI.
constexpr int LastColumnMinimum = 60;
// The widest a tip grows before it wraps its text, at 96 DPI.
constexpr int TipMaximumWidth = 600;

int ColumnWidth(HWND list, int column) { return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0)); }

} // namespace

void TListView::SetFillLastColumn(bool fill)
{
    FillLast = fill;
    FitLastColumn();
}

void TListView::FitLastColumn()
{
    if (!FillLast || Fitting) return;
    HWND list = Handle();
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    if (columns <= 0) return;
    const int last = ColumnWidth(list, columns - 1);
    if (last <= 0) return;
    RECT client{};
    GetClientRect(list, &client);
    int others = 0;
    for (int column = 0; column < columns - 1; ++column) others += ColumnWidth(list, column);
    const int width = std::max<int>(ScaleToDpi(LastColumnMinimum, CurrentDpi), client.right - others);
    if (width == last) return;
    Fitting = true;
    SendMessageW(list, LVM_SETCOLUMNWIDTH, columns - 1, MAKELPARAM(width, 0));
    Fitting = false;
}

void TListView::EnableCellTips()
{
    if (Tip) return;
    Tip.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                              GetModuleHandleW(nullptr), nullptr));
    if (!Tip) return;
    TipBuffer.assign(1, L'\0');
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    tool.lpszText = TipBuffer.data();
    SendMessageW(Tip.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TListView::TrackCellTip(POINT point)
{
    if (!Tip) return;
    LVHITTESTINFO hit{};
    hit.pt = point;
    SendMessageW(Handle(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    const bool onCell = hit.iItem >= 0 && (hit.flags & LVHT_ONITEM) && !IsEditing();
    const int item = onCell ? hit.iItem : -1;
    const int column = onCell ? hit.iSubItem : -1;
    if (item == TipItem && column == TipColumn) return;
    HideCellTip();
    TipItem = item;
    TipColumn = column;
    if (!onCell) return;
    const std::string text = ItemText(item, column);
    if (text.empty()) return;
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_LABEL;
    if (!SendMessageW(Handle(), LVM_GETSUBITEMRECT, item, reinterpret_cast<LPARAM>(&cell))) return;
    TipBuffer = WideText(text);
    const int needed = static_cast<int>(SendMessageW(Handle(), LVM_GETSTRINGWIDTHW, 0,
                                                     reinterpret_cast<LPARAM>(TipBuffer.c_str())));
    // Only a text the column cuts: the others can be read where they are.
    if (needed + ScaleToDpi(CellTextMargin, CurrentDpi) <= cell.right - cell.left) return;
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    tool.lpszText = TipBuffer.data();
    HWND tip = Tip.get();
    SendMessageW(tip, WM_SETFONT, SendMessageW(Handle(), WM_GETFONT, 0, 0), FALSE);
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, ScaleToDpi(TipMaximumWidth, CurrentDpi));
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    POINT below{cell.left, cell.bottom};
    ClientToScreen(Handle(), &below);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(below.x, below.y));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    // Kept on the monitor: a cell near the right edge moves its tip to the left.
    RECT shown{};
    MONITORINFO monitor{sizeof monitor};
    if (GetWindowRect(tip, &shown) && GetMonitorInfoW(MonitorFromPoint(below, MONITOR_DEFAULTTONEAREST), &monitor) &&
        shown.right > monitor.rcWork.right) {
        const LONG left = std::max(monitor.rcWork.left, monitor.rcWork.right - (shown.right - shown.left));
        SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(left, below.y));
    }
    TipText = text;
    // Told when the pointer leaves, so that the tip goes with it.
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
    TrackMouseEvent(&track);
}

void TListView::HideCellTip()
{
    TipItem = -1;
    TipColumn = -1;
    if (!Tip || TipText.empty()) return;
    TipText.clear();
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    SendMessageW(Tip.get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

bool TListView::WindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == FitLastColumnMessage) {
        FitLastColumn();
        result = 0;
        return true;
    }
    switch (message) {
    case WM_SIZE:
        FitLastColumn();
        break;
    case WM_NOTIFY: {
        // The header's changes of a column's width (a drag of its divider, a new width
        // set): the last column fits again once the list has taken them in.
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (FillLast && header &&
            header->hwndFrom == reinterpret_cast<HWND>(SendMessageW(Handle(), LVM_GETHEADER, 0, 0)) &&
            (header->code == HDN_ITEMCHANGEDW || header->code == HDN_ITEMCHANGEDA ||
             header->code == HDN_ENDTRACKW || header->code == HDN_ENDTRACKA))
            PostMessageW(Handle(), FitLastColumnMessage, 0, 0);
        break;
    }
    case WM_MOUSEMOVE:
        TrackCellTip(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        break;
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_KEYDOWN:
        HideCellTip();
        break;
    default:
        break;
    }
    // The list's own Space toggles the focused row alone and selects it alone.
    if (message == WM_KEYDOWN && wParam == VK_SPACE && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_SHIFT) >= 0 &&
        GetKeyState(VK_MENU) >= 0) {
        const int focused = FocusedIndex();
        if (focused >= 0 && Selected(focused) && SelectedCount() > 1) {
            SetSelectedChecked(!Checked(focused));
            result = 0;
            return true;
        }
    }
    // The Menu key's release asks for the shortcut menu, which not every system's
    // default handling does; taken here, it cannot ask twice.
    if (message == WM_KEYUP && wParam == VK_APPS) {
        SendMessageW(Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Handle()), -1);
        result = 0;
        return true;
    }
    return TControl::WindowMessage(message, wParam, lParam, result);
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
