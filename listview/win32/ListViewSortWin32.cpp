// Sorting by a clicked column and the sort mark in the header.
#include "listview/ListViewSort.h"
#include "listview/win32/ListViewUtility.h"

#include "base/Utf8Sequence.h"
#include "base/WideText.h"

#include "toolkit/ErrorReport.h"
#include "toolkit/ScopedHandle.h"
#include "toolkit/WindowRegistry.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// The common-controls version the header marks are drawn for.
uint32_t ComCtlVersion = 0;

constexpr const char* UpBitmapName = "ListViewUtility_IDB_UP";
constexpr const char* DownBitmapName = "ListViewUtility_IDB_DOWN";

HWND HeaderOf(HWND list)
{
    const LRESULT header = SendMessageW(list, LVM_GETHEADER, 0, 0);
    if (header == 0 || header == -1) return nullptr;
    return reinterpret_cast<HWND>(header);
}

// The header's own procedure, kept by the window registry while ours is in place.
WNDPROC SavedHeaderProc(HWND header)
{
    const TWindowBinding* binding = FindWindowBinding(header);
    return binding && binding->Subclass == HeaderSubclassProc ? binding->PreviousProc : nullptr;
}

bool IsListView(HWND window)
{
    wchar_t className[64] = {};
    return window && GetClassNameW(window, className, 64) > 0 && lstrcmpiW(className, WC_LISTVIEW) == 0;
}

// Bitmaps in header items belong to the items: release them before the header goes.
void DeleteHeaderBitmaps(HWND header)
{
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        HDITEM item{};
        item.mask = HDI_BITMAP;
        if (SendMessageW(header, HDM_GETITEM, i, reinterpret_cast<LPARAM>(&item)) && item.hbm) {
            DeleteObject(item.hbm);
            item.hbm = nullptr;
            SendMessageW(header, HDM_SETITEM, i, reinterpret_cast<LPARAM>(&item));
        }
    }
}

bool IsRightAligned(HWND list, int column)
{
    LVCOLUMN lvc{};
    lvc.mask = LVCF_FMT;
    if (!SendMessageW(list, LVM_GETCOLUMN, column, reinterpret_cast<LPARAM>(&lvc))) return false;
    return (lvc.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT;
}

LPARAM ItemParam(HWND list, int index)
{
    LVITEM item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    SendMessageW(list, LVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

void SetItemParam(HWND list, int index, LPARAM param)
{
    LVITEM item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = param;
    SendMessageW(list, LVM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
}

struct RankContext {
    const std::unordered_map<LPARAM, size_t>* Ranks;   // null: the item data are the ranks
};

size_t RankOf(const RankContext& context, LPARAM param)
{
    if (!context.Ranks) return static_cast<size_t>(param);
    const auto found = context.Ranks->find(param);
    return found == context.Ranks->end() ? 0 : found->second;
}

int CALLBACK CompareRanks(LPARAM param1, LPARAM param2, LPARAM data)
{
    const auto& context = *reinterpret_cast<const RankContext*>(data);
    const size_t rank1 = RankOf(context, param1);
    const size_t rank2 = RankOf(context, param2);
    return rank1 < rank2 ? -1 : rank1 > rank2 ? 1 : 0;
}

// Puts the items into the given order (order[p] is the item now at p). The
// list sorts by item data only, so each item's rank is found through its data
// when those are distinct, and otherwise the data are swapped for the ranks
// for the length of the sort and given back after it.
void ReorderItems(HWND list, const std::vector<int>& order)
{
    const size_t count = order.size();
    std::vector<LPARAM> params(count);
    for (size_t i = 0; i < count; ++i) params[i] = ItemParam(list, static_cast<int>(i));
    std::unordered_map<LPARAM, size_t> ranks;
    for (size_t p = 0; p < count; ++p) ranks.emplace(params[order[p]], p);
    if (ranks.size() == count) {
        RankContext context{&ranks};
        SendMessageW(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context), reinterpret_cast<LPARAM>(CompareRanks));
        return;
    }
    for (size_t p = 0; p < count; ++p) SetItemParam(list, order[p], static_cast<LPARAM>(p));
    RankContext context{nullptr};
    SendMessageW(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context), reinterpret_cast<LPARAM>(CompareRanks));
    for (size_t p = 0; p < count; ++p) SetItemParam(list, static_cast<int>(p), params[order[p]]);
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
    if (comCtlVersion >= ComCtlVersion580) SendMessageW(header, HDM_SETBITMAPMARGIN, 0, 0);
    // Once per header: the registry keeps its own procedure, and a second call changes nothing.
    InstallSubclass(header, HeaderSubclassProc);
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

    HDITEM item{};
    if (SortMarkStyleFor(ComCtlVersion) == SortMarkStyle::SortFlag) {
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEM, index, reinterpret_cast<LPARAM>(&item))) return;
        // Both flags at once would be no mark at all: the shown one replaces the other.
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (show) item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
    } else {
        item.mask = HDI_FORMAT | HDI_BITMAP;
        if (!SendMessageW(header, HDM_GETITEM, index, reinterpret_cast<LPARAM>(&item))) return;
        if (item.hbm) {
            DeleteObject(item.hbm);
            item.hbm = nullptr;
        }
        if (show) {
            item.fmt |= HDF_BITMAP | HDF_BITMAP_ON_RIGHT;
            // Without the bitmap (a program built without it) the item simply shows no picture.
            item.hbm = static_cast<HBITMAP>(LoadImageA(GetModuleHandleW(nullptr), ascending ? UpBitmapName : DownBitmapName,
                                                       IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
        } else {
            item.fmt &= ~(HDF_BITMAP | HDF_BITMAP_ON_RIGHT);
        }
    }
    SendMessageW(header, HDM_SETITEM, index, reinterpret_cast<LPARAM>(&item));
}

LRESULT CALLBACK HeaderSubclassProc(HWND header, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WNDPROC saved = SavedHeaderProc(header);
    if (!saved) return DefWindowProcW(header, message, wParam, lParam);
    if (message == WM_DESTROY) DeleteHeaderBitmaps(header);
    const LRESULT result = CallWindowProcW(saved, header, message, wParam, lParam);
    // A later window with this handle starts without our subclass.
    if (message == WM_NCDESTROY) ForgetSubclass(header);
    if (message == WM_CAPTURECHANGED) {
        try {
            const HWND parent = GetParent(header);
            if (IsListView(parent)) SetHeaderSortMark(parent, true);
        } catch (...) {
            ReportException();
        }
    }
    return result;
}

namespace {

constexpr unsigned CodePage932 = 932;

} // namespace

std::string ListViewSortKey(std::string_view text)
{
    std::string key;
    // The usual case in one conversion; 0xFF is kept for the escape.
    if (ExactCodePageText(text, CodePage932, key) && key.find(static_cast<char>(SortKeyEscape)) == std::string::npos)
        return key;
    key.clear();
    std::string bytes;
    for (size_t at = 0; at < text.size();) {
        uint32_t code = 0;
        const size_t size = Utf8Sequence(text, at, code);
        if (ExactCodePageText(text.substr(at, size), CodePage932, bytes) && !bytes.empty() &&
            bytes != std::string(1, static_cast<char>(SortKeyEscape))) {
            key += bytes;
        } else {
            key += static_cast<char>(SortKeyEscape);
            key += static_cast<char>((code >> 16) & 0xFF);
            key += static_cast<char>((code >> 8) & 0xFF);
            key += static_cast<char>(code & 0xFF);
        }
        at += size;
    }
    return key;
}

void ListViewColumnSort(HWND list, int column)
{
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    SetHeaderSortMark(list, false);
    SetListViewSortWord(list, NextSortWord(GetListViewSortWord(list), column));
    // The order is decided on a snapshot of the column's texts, with the
    // list's own sort only moving the items: comparisons by item position
    // during the list's sort are not reliable on every platform.
    const bool numeric = IsRightAligned(list, column);
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const uint32_t word = GetListViewSortWord(list);
    const int textColumn = static_cast<int>(SortWordColumn(word)) - 1;
    std::vector<std::string> texts;
    std::vector<int> order;
    for (int i = 0; i < count; ++i) {
        texts.push_back(ListViewSortKey(GetListViewCellText(list, i, textColumn)));
        order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return CompareSortTexts(word, texts[a], texts[b], numeric) < 0; });
    ReorderItems(list, order);
    // The header shows the mark again when it releases the mouse; a sort started
    // any other way shows it here, and showing it twice does no harm.
    SetHeaderSortMark(list, true);
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void ListViewSortCompare(HWND list, int item1, int item2, int32_t& result, LPARAM numeric)
{
    const uint32_t word = GetListViewSortWord(list);
    // Column 1 is the caption; column c is the cell of list column c - 1.
    const int column = SortWordColumn(word) <= 1 ? 0 : static_cast<int>(SortWordColumn(word)) - 1;
    result = CompareSortTexts(word, ListViewSortKey(GetListViewCellText(list, item1, column)),
                              ListViewSortKey(GetListViewCellText(list, item2, column)), numeric != 0);
}
