// Sorting by a clicked column and the sort mark in the header.
#include "listview/ListViewSort.h"
#include "listview/win32/ListViewUtility.h"

#include "toolkit/ScopedHandle.h"

#include <commctrl.h>
#include <shlwapi.h>

namespace {

// The common-controls version the header marks are drawn for.
uint32_t ComCtlVersion = 0;

constexpr const char* UpBitmapName = "ListViewUtility_IDB_UP";
constexpr const char* DownBitmapName = "ListViewUtility_IDB_DOWN";

HWND HeaderOf(HWND list)
{
    const LRESULT header = SendMessageA(list, LVM_GETHEADER, 0, 0);
    if (header == 0 || header == -1) return nullptr;
    return reinterpret_cast<HWND>(header);
}

WNDPROC SavedHeaderProc(HWND header) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(header, GWLP_USERDATA)); }

bool IsListView(HWND window)
{
    char className[64] = {};
    return window && GetClassNameA(window, className, sizeof className) > 0 && lstrcmpiA(className, WC_LISTVIEWA) == 0;
}

// Bitmaps in header items belong to the items: release them before the header goes.
void DeleteHeaderBitmaps(HWND header)
{
    const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEMA item{};
        item.mask = HDI_BITMAP;
        if (SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item)) && item.hbm) {
            DeleteObject(item.hbm);
            item.hbm = nullptr;
            SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&item));
        }
    }
}

bool IsRightAligned(HWND list, int column)
{
    LVCOLUMNA lvc{};
    lvc.mask = LVCF_FMT;
    if (!SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&lvc))) return false;
    return (lvc.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT;
}

struct SortContext {
    HWND List;
    LPARAM Numeric;
};

int CALLBACK CompareItems(LPARAM index1, LPARAM index2, LPARAM data)
{
    const auto* context = reinterpret_cast<const SortContext*>(data);
    int32_t result = 0;
    ListViewSortCompare(context->List, static_cast<int>(index1), static_cast<int>(index2), result, context->Numeric);
    return result;
}

} // namespace

uint32_t GetComCtlVersion(const char* libraryName)
{
    const ScopedModule library(LoadLibraryA(libraryName));
    if (!library) return 0;
    const FARPROC proc = GetProcAddress(library.get(), "DllGetVersion");
    if (!proc) return 0;
    using DllGetVersionProc = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
    const auto getVersion = reinterpret_cast<DllGetVersionProc>(reinterpret_cast<void*>(proc));
    DLLVERSIONINFO info{};
    info.cbSize = sizeof info;
    if (FAILED(getVersion(&info))) return 0;
    return PackComCtlVersion(info.dwMajorVersion, info.dwMinorVersion);
}

uint32_t HeaderSortMarkVersion() { return ComCtlVersion; }

void InitHeaderSortMark(HWND list) { InitHeaderSortMark(list, GetComCtlVersion("comctl32.dll")); }

void InitHeaderSortMark(HWND list, uint32_t comCtlVersion)
{
    ComCtlVersion = comCtlVersion;
    if (SortMarkStyleFor(comCtlVersion) == SortMarkStyle::None) return;
    const HWND header = HeaderOf(list);
    if (!header) return;
    if (comCtlVersion >= ComCtlVersion580) SendMessageA(header, HDM_SETBITMAPMARGIN, 0, 0);
    // Subclassing twice would make the saved procedure ourselves.
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrA(header, GWLP_WNDPROC)) != HeaderSubclassProc) {
        SetWindowLongPtrA(header, GWLP_USERDATA, GetWindowLongPtrA(header, GWLP_WNDPROC));
        SetWindowLongPtrA(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(HeaderSubclassProc));
    }
    if (GetListViewSortWord(list) != 0) SetHeaderSortMark(list, true);
}

void SetHeaderSortMark(HWND list, bool show)
{
    if (!list) return;
    const uint32_t word = GetListViewSortWord(list);
    if (SortWordColumn(word) == 0) return;
    const int index = static_cast<int>(SortWordColumn(word)) - 1;
    const HWND header = HeaderOf(list);
    if (!header || !SavedHeaderProc(header)) return;
    const bool ascending = SortWordAscending(word);

    HDITEMA item{};
    if (SortMarkStyleFor(ComCtlVersion) == SortMarkStyle::SortFlag) {
        item.mask = HDI_FORMAT;
        if (!SendMessageA(header, HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return;
        // Both flags at once would be no mark at all: the shown one replaces the other.
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (show) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
    } else {
        item.mask = HDI_FORMAT | HDI_BITMAP;
        if (!SendMessageA(header, HDM_GETITEMA, index, reinterpret_cast<LPARAM>(&item))) return;
        if (item.hbm) {
            DeleteObject(item.hbm);
            item.hbm = nullptr;
        }
        if (show) {
            item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
            // Without the bitmap (a program built without it) the item simply shows no picture.
            item.hbm = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), ascending ? UpBitmapName : DownBitmapName,
                                                       IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
        } else {
            item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
        }
    }
    SendMessageA(header, HDM_SETITEMA, index, reinterpret_cast<LPARAM>(&item));
}

LRESULT CALLBACK HeaderSubclassProc(HWND header, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC saved = SavedHeaderProc(header);
    if (!saved) return DefWindowProcA(header, message, wParam, lParam);
    if (message == WM_DESTROY) DeleteHeaderBitmaps(header);
    const LRESULT result = CallWindowProcA(saved, header, message, wParam, lParam);
    if (message == WM_CAPTURECHANGED) {
        const HWND parent = GetParent(header);
        if (IsListView(parent)) SetHeaderSortMark(parent, true);
    }
    return result;
}

void ListViewColumnSort(HWND list, int column)
{
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    SetHeaderSortMark(list, false);
    SetListViewSortWord(list, NextSortWord(GetListViewSortWord(list), column));
    SortContext context{list, IsRightAligned(list, column) ? 1 : 0};
    SendMessageA(list, LVM_SORTITEMSEX, reinterpret_cast<WPARAM>(&context), reinterpret_cast<LPARAM>(CompareItems));
    // The header shows the mark again when it releases the mouse; a sort started
    // any other way shows it here, and showing it twice does no harm.
    SetHeaderSortMark(list, true);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void ListViewSortCompare(HWND list, int item1, int item2, int32_t& result, LPARAM numeric)
{
    const uint32_t word = GetListViewSortWord(list);
    // Column 1 is the caption; column c is the cell of list column c - 1.
    const int column = SortWordColumn(word) <= 1 ? 0 : static_cast<int>(SortWordColumn(word)) - 1;
    result = CompareSortTexts(word, GetListViewCellText(list, item1, column), GetListViewCellText(list, item2, column),
                              numeric != 0);
}
