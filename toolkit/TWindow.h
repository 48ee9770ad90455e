#pragma once
// Base of every window whose class is our own. One static window procedure for
// all our classes binds `this` on WM_NCCREATE (from lpCreateParams) in the window
// registry and forgets it on WM_NCDESTROY; the object handles its messages in
// HandleMessage. No exception leaves the window procedure: one thrown while the
// window is being made is rethrown by CreateHandle, any other is reported.
#include <windows.h>

#include <exception>

class TWindow {
public:
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;
    // Destroys the window if it still exists.
    virtual ~TWindow();

    HWND Handle() const noexcept { return Window; }

    // The object bound to a window of one of our classes, or null.
    static TWindow* FromHandle(HWND window) noexcept;

protected:
    TWindow() = default;

    // Registers the class once per process; later calls with the same name do nothing.
    static void RegisterWindowClass(const char* className, UINT style, HBRUSH background, HICON icon);

    // Creates the window of this object; throws when the system refuses.
    void CreateHandle(DWORD exStyle, const char* className, const char* caption, DWORD style, int x, int y,
                      int width, int height, HWND parent);

    // Destroys the window now, while the derived object still exists.
    void DestroyHandle() noexcept;

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Called once the window is gone (after WM_NCDESTROY); Handle() is null by then.
    virtual void HandleDestroyed() {}

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND Window = nullptr;
    // An exception thrown while the window was being created, rethrown by CreateHandle.
    std::exception_ptr CreateError;
};
