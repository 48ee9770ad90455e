#pragma once
// Base of a dialog made from a dialog template. Its one dialog procedure binds
// `this` on WM_INITDIALOG in the window registry and forgets it on WM_NCDESTROY;
// the object handles its messages in HandleMessage. No exception leaves the
// dialog procedure: one thrown by WM_INITDIALOG is rethrown by CreateHandle, any
// other is reported through the one error path, as for every window.
#include <windows.h>

#include <exception>

class TDialog {
public:
    TDialog(const TDialog&) = delete;
    TDialog& operator=(const TDialog&) = delete;
    // Destroys the dialog if it still exists.
    virtual ~TDialog();

    HWND Handle() const noexcept { return Window; }
    HWND Owner() const noexcept { return OwnerWindow; }

    // Shows the dialog with its owner disabled and runs its own message loop
    // until EndModal; then the owner comes back and the dialog is hidden.
    void ShowModal();
    // Ends the loop of ShowModal after the message in hand.
    void EndModal() noexcept { ModalEnded = true; }

protected:
    TDialog() = default;

    // Makes the dialog, hidden and modeless, from the template resource; throws
    // when the system refuses.
    void CreateHandle(const char* templateName, HWND owner);
    // The same from a template in memory.
    void CreateHandle(const DLGTEMPLATE* dialogTemplate, HWND owner);
    // Destroys the dialog now, while the derived object still exists.
    void DestroyHandle() noexcept;

    // A message of the dialog; the answer of a dialog procedure (FALSE: the
    // dialog manager's default handling).
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // Each message of the modal loop, before the dialog manager sees it. True
    // when used up.
    virtual bool PreviewMessage(MSG& message);

private:
    // After the system made (or refused) the window: rethrows the error of WM_INITDIALOG.
    void Created(HWND window, const char* templateName);
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Window = nullptr;
    HWND OwnerWindow = nullptr;
    bool ModalEnded = false;
    // An exception thrown by WM_INITDIALOG, rethrown by CreateHandle.
    std::exception_ptr CreateError;
};
