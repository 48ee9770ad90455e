#include "toolkit/TWindow.h"

#include "toolkit/TApplication.h"

#include <stdexcept>
#include <string>
#include <utility>

TWindow::~TWindow()
{
    if (Window) {
        // The window must not call back into a half-destroyed object.
        SetWindowLongPtrA(Window, GWLP_USERDATA, 0);
        HWND window = Window;
        Window = nullptr;
        DestroyWindow(window);
    }
}

void TWindow::DestroyHandle() noexcept
{
    if (Window) DestroyWindow(Window);
}

TWindow* TWindow::FromHandle(HWND window) noexcept
{
    if (!window) return nullptr;
    WNDPROC procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (procedure != WindowProc) return nullptr;
    return reinterpret_cast<TWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void TWindow::RegisterWindowClass(const char* className, UINT style, HBRUSH background, HICON icon)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, className, &existing)) return;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = className;
    if (!RegisterClassExA(&windowClass)) throw std::runtime_error(std::string("ウィンドウクラスを登録できません: ") + className);
}

void TWindow::CreateHandle(DWORD exStyle, const char* className, const char* caption, DWORD style, int x, int y,
                           int width, int height, HWND parent)
{
    HWND window = CreateWindowExA(exStyle, className, caption, style, x, y, width, height, parent, nullptr,
                                  GetModuleHandleA(nullptr), this);
    if (CreateError) std::rethrow_exception(std::exchange(CreateError, nullptr));
    if (!window) throw std::runtime_error(std::string("ウィンドウを作成できません: ") + className);
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(Window, message, wParam, lParam);
}

LRESULT CALLBACK TWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->Window = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<TWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(window, message, wParam, lParam);

    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        if (message == WM_NCCREATE || message == WM_CREATE) {
            // The window does not come into being; the creator reports the error.
            self->CreateError = std::current_exception();
            result = message == WM_CREATE ? -1 : FALSE;
        } else {
            TApplication::HandleException();
        }
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->Window = nullptr;
        try {
            self->HandleDestroyed();
        } catch (...) {
            TApplication::HandleException();
        }
    }
    return result;
}
