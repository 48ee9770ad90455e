#pragma once
// A flat toolbar whose buttons are bound to commands: a button shows its
// command's image, enabled and checked state, runs the command when clicked and
// shows the short half of the command's hint as its tooltip.
#include "toolkit/TAction.h"
#include "toolkit/TControl.h"

#include <commctrl.h>

#include <string>
#include <vector>

class TToolBar final : public TControl {
public:
    TToolBar(HWND parent, HIMAGELIST images, int buttonWidth, int buttonHeight);

    // A button bound to the command; an auto-check command gets a button that
    // appears pressed while the command is checked.
    void AddButton(TAction& action);
    void AddSeparator(int width);
    // The width the buttons and separators take together.
    int ButtonsWidth() const noexcept { return Extent; }

    // The button's state as the control shows it.
    bool ButtonEnabled(UINT id) const;
    bool ButtonChecked(UINT id) const;
    // The tooltip text of a button.
    std::string ToolTipText(UINT id) const;

    bool Notify(NMHDR& header, LRESULT& result) override;
    bool Command(WORD code, WORD id) override;

private:
    TAction* ActionOf(UINT id) const noexcept;

    int ButtonWidth;
    std::vector<TAction*> Actions;
    int Extent = 0;
    std::wstring ToolTipBuffer;
};
