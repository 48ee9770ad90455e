#pragma once
// A report list: check boxes, several rows selected at once, the whole row
// highlighted, the selection shown also without the focus, and the text of the
// first column editable in place. Each row carries one pointer-sized value.
// Space over a selection of several rows that holds the focused one sets every
// selected row's check box to the focused row's new state.
#include "toolkit/ScopedHandle.h"
#include "toolkit/TControl.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

class TListView final : public TControl {
public:
    TListView(HWND parent, int left, int top, int width, int height);

    int Count() const;
    // Appends a row: the caption, the texts of the further columns, the check box, the value.
    int AddItem(const std::string& caption, const std::vector<std::string>& subItems, bool checked, LPARAM data);
    // Rewrites a row's texts and check box.
    void SetItem(int index, const std::string& caption, const std::vector<std::string>& subItems, bool checked);
    void Clear();

    LPARAM ItemData(int index) const;
    // The row holding the value, or -1.
    int IndexOfData(LPARAM data) const;
    std::string ItemText(int index, int column) const;
    bool Checked(int index) const;
    void SetChecked(int index, bool checked);

    // Sets the check box of every selected row.
    void SetSelectedChecked(bool checked);

    int SelectedCount() const;
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    int FocusedIndex() const;
    void SetFocused(int index);

    // Check boxes for the density (the rows grow with them): the list's own at
    // the system's density, for which it made them; at another, drawn again in proportion.
    void SetDpi(UINT dpi);

    // The last column takes the width the others leave it, as the list and the
    // other columns change size; a last column of width 0 stays hidden.
    void SetFillLastColumn(bool fill);
    void FitLastColumn();
    // A cell whose text the column cuts shows the whole text in a tip below it
    // while the pointer is over it.
    void EnableCellTips();
    // The tip window (null before EnableCellTips) and the text it shows now (empty: hidden).
    HWND CellTip() const noexcept { return Tip.get(); }
    const std::string& CellTipText() const noexcept { return TipText; }

    // Starts editing the row's first column in place.
    void EditCaption(int index);
    // True while a first-column text is being edited.
    bool IsEditing() const;

    // A row's check box changed, by the user or by code.
    std::function<void(int index, bool checked)> OnItemChecked;
    // In-place editing ended with a new text (not when cancelled); true keeps the text.
    std::function<bool(int index, const std::string& text)> OnEdited;
    std::function<void(int column)> OnColumnClick;
    std::function<void()> OnDblClick;
    // Enter pressed while the list has the focus.
    std::function<void()> OnReturn;
    // The list saw the left button pressed and the pointer leave the system's drag threshold.
    std::function<void()> OnBeginDrag;

    bool Notify(NMHDR& header, LRESULT& result) override;
    // Below the focused row when it is in view, else the list's top left.
    POINT KeyboardMenuPoint() const override;

protected:
    bool WindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    bool EndEdit(int index, const char* text);
    void TrackCellTip(POINT point);
    void HideCellTip();

    bool Editing = false;
    // The list's own check boxes while it shows others.
    ScopedImageList OwnCheckBoxes;
    UINT CurrentDpi = 96;
    bool FillLast = false;
    bool Fitting = false;
    ScopedWindow Tip;
    std::wstring TipBuffer;
    std::string TipText;
    // The cell under the pointer (row, column); -1 when none.
    int TipItem = -1;
    int TipColumn = -1;
};
