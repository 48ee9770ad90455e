#include "toolkit/TWindow.h"

#include "base/WideText.h"

#include "toolkit/ErrorReport.h"
#include "toolkit/WindowRegistry.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace {

void Unbind(HWND window, const TWindow* self) noexcept
{
    TWindowBinding* binding = FindWindowBinding(window);
    if (!binding || binding->Window != self) return;
    binding->Window = nullptr;
    PruneWindowBinding(window);
}

} // namespace

TWindow::~TWindow()
{
    if (!Window) return;
    // The window must not call back into a half-destroyed object.
    HWND window = std::exchange(Window, nullptr);
    Unbind(window, this);
    DestroyWindow(window);
}

void TWindow::DestroyHandle() noexcept
{
    if (Window) DestroyWindow(Window);
}

TWindow* TWindow::FromHandle(HWND window) noexcept
{
    const TWindowBinding* binding = FindWindowBinding(window);
    return binding ? binding->Window : nullptr;
}

void TWindow::RegisterWindowClass(const char* className, UINT style, HBRUSH background, HICON icon)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEX existing{};
    existing.cbSize = sizeof existing;
    const std::wstring wideClassName = WideText(className);
    if (GetClassInfoExW(instance, wideClassName.c_str(), &existing)) return;
    WNDCLASSEX windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = wideClassName.c_str();
    if (!RegisterClassExW(&windowClass)) throw std::runtime_error(std::string("ウィンドウクラスを登録できません: ") + className);
}

void TWindow::CreateHandle(DWORD exStyle, const char* className, const char* caption, DWORD style, int x, int y,
                           int width, int height, HWND parent)
{
    HWND window = CreateWindowExW(exStyle, WideText(className).c_str(), WideText(caption ? caption : "").c_str(),
                                  style, x, y, width, height, parent, nullptr, GetModuleHandleW(nullptr), this);
    if (!window && Window) {
        // Refused after WM_NCCREATE: the handle is gone, whether or not WM_NCDESTROY said so.
        Unbind(std::exchange(Window, nullptr), this);
    }
    if (CreateError) std::rethrow_exception(std::exchange(CreateError, nullptr));
    if (!window) throw std::runtime_error(std::string("ウィンドウを作成できません: ") + className);
}

LRESULT TWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(Window, message, wParam, lParam);
}

LRESULT CALLBACK TWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams);
        try {
            // A new window: nothing left over from an earlier one with this handle counts.
            BindWindow(window) = TWindowBinding{self};
        } catch (...) {
            self->CreateError = std::current_exception();
            return FALSE;
        }
        self->Window = window;
    } else {
        self = FromHandle(window);
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);

    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        if (message == WM_NCCREATE || message == WM_CREATE) {
            // The window does not come into being; the creator reports the error.
            self->CreateError = std::current_exception();
            result = message == WM_CREATE ? -1 : FALSE;
        } else {
            ReportException();
        }
    }
    if (message == WM_NCDESTROY) {
        Unbind(window, self);
        self->Window = nullptr;
        try {
            self->HandleDestroyed();
        } catch (...) {
            ReportException();
        }
    }
    return result;
}
