#pragma once
// The one binding of windows to the objects that handle them: windows of our
// own classes (TWindow), wrapped and subclassed controls with their helper
// windows (TControl), dialogs made from templates (TDialog), and subclasses that
// only need the window's own procedure back (the list header). One in-process
// table keyed by window: window properties and the common controls' subclass
// helper cost a round trip to the window server under Wine on every message,
// and GWLP_USERDATA belongs to whoever wrote it last. Bindings are made and
// read on the thread that owns the windows, the user-interface thread.
#include <windows.h>

class TControl;
class TDialog;
class TWindow;

struct TWindowBinding {
    TWindow* Window = nullptr;       // set from WM_NCCREATE to WM_NCDESTROY
    TControl* Control = nullptr;     // the control of this window or helper window
    TDialog* Dialog = nullptr;       // set from WM_INITDIALOG to WM_NCDESTROY
    WNDPROC PreviousProc = nullptr;  // the window's own procedure while we subclass it
    WNDPROC Subclass = nullptr;      // the procedure we put in its place

    bool Empty() const noexcept { return !Window && !Control && !Dialog && !Subclass; }
};

// The window's binding, or null. The address stays valid until the window is
// forgotten, but a handler may destroy windows: look it up again afterwards.
TWindowBinding* FindWindowBinding(HWND window) noexcept;
// The window's binding, made empty when it had none.
TWindowBinding& BindWindow(HWND window);
// Drops the binding once nothing is bound in it any more.
void PruneWindowBinding(HWND window) noexcept;

// Puts `procedure` in place of the window's own, which the binding keeps. A window
// has one subclass of ours: asking again with the same procedure does nothing,
// with another one throws.
void InstallSubclass(HWND window, WNDPROC procedure);
// Gives the window its own procedure back when `procedure` is still the one in
// place. When a later subclass has put its own on top (a tooltip's, say), ours
// stays in its chain and keeps calling through to the window's own procedure
// until WM_NCDESTROY. The window's other bindings stay either way.
void RemoveSubclass(HWND window, WNDPROC procedure) noexcept;
// Forgets the subclass of a window that is going (WM_NCDESTROY): a later window
// with the same handle must not inherit it.
void ForgetSubclass(HWND window) noexcept;
// The subclassed window's own procedure; DefWindowProc when it has none.
LRESULT CallPreviousProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
