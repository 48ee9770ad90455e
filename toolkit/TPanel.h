#pragma once
// A panel: a plain child window that holds other controls, with an optional
// bevel (raised inner, lowered outer edge) drawn inside its border. It passes the
// notifications of its children on to its own parent, where the form hands them
// back to the control that sent them.
#include "toolkit/TControl.h"
#include "toolkit/TWindow.h"

#include <vector>

class TPanel final : public TControl, private TWindow {
public:
    TPanel(HWND parent, int left, int top, int width, int height, bool bevel);
    ~TPanel() override;

    HWND Handle() const noexcept { return TControl::Handle(); }

    // Children in the order they take their places.
    void AddChild(TControl& control) { Children.push_back(&control); }
    // The area the children share: the client area less the bevel.
    RECT ContentRect() const;
    void Realign();

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void HandleDestroyed() override { Detach(); }

    bool Bevel;
    std::vector<TControl*> Children;
};
