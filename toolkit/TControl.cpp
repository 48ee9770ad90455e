#include "toolkit/TControl.h"

#include "toolkit/TApplication.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include <unordered_map>

namespace {

// Every control of the user-interface thread by its window (and helper windows).
std::unordered_map<HWND, TControl*>& Registry()
{
    static std::unordered_map<HWND, TControl*> controls;
    return controls;
}

// Mouse events leave the message to the control as well.
bool RaiseMouse(const std::function<void(const TMouseEvent&)>& handler, WPARAM wParam, LPARAM lParam)
{
    if (handler) handler(TMouseEvent{(wParam & MK_LBUTTON) != 0, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    return false;
}

} // namespace

TControl::~TControl()
{
    if (!Window) return;
    HWND window = Window;
    Detach();
    DestroyWindow(window);
}

TControl* TControl::FromHandle(HWND window) noexcept
{
    if (!window) return nullptr;
    const auto& controls = Registry();
    const auto found = controls.find(window);
    return found == controls.end() ? nullptr : found->second;
}

void TControl::Attach(HWND window, bool subclass)
{
    Window = window;
    Registry()[window] = this;
    if (subclass) {
        PreviousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc)));
    }
    GetWindowRect(window, &Placement);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&Placement), 2);
}

void TControl::AddNotifySource(HWND window)
{
    if (!window) return;
    Registry()[window] = this;
    NotifySources.push_back(window);
}

void TControl::Detach() noexcept
{
    if (!Window) return;
    if (PreviousProc && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Window, GWLP_WNDPROC)) == ControlProc) {
        SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviousProc));
    }
    auto& controls = Registry();
    controls.erase(Window);
    for (HWND source : NotifySources) {
        const auto found = controls.find(source);
        if (found != controls.end() && found->second == this) controls.erase(found);
    }
    NotifySources.clear();
    PreviousProc = nullptr;
    Window = nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    Placement = RECT{left, top, left + width, top + height};
    if (Window) MoveWindow(Window, left, top, width, height, TRUE);
}

void TControl::SetWidth(int width) { SetBounds(Placement.left, Placement.top, width, Height()); }

void TControl::BeginUpdate()
{
    if (UpdateDepth++ == 0 && Window) SendMessageA(Window, WM_SETREDRAW, FALSE, 0);
}

void TControl::EndUpdate()
{
    if (UpdateDepth == 0 || --UpdateDepth > 0 || !Window) return;
    SendMessageA(Window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Window, nullptr, TRUE);
}

void TControl::SetFont(HFONT font)
{
    if (Window) SendMessageA(Window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::string TControl::Text() const
{
    if (!Window) return {};
    const int length = GetWindowTextLengthA(Window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(Window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void TControl::SetText(const std::string& text)
{
    if (Window) SetWindowTextA(Window, text.c_str());
}

void TControl::SetFocus()
{
    if (Window) ::SetFocus(Window);
}

bool TControl::Focused() const { return Window && GetFocus() == Window; }

bool TControl::Notify(NMHDR&, LRESULT&) { return false; }

bool TControl::Command(WORD, WORD) { return false; }

bool TControl::WindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_CHAR:
        if (OnKeyPress) {
            char key = static_cast<char>(wParam);
            OnKeyPress(key);
            if (key == 0) {
                result = 0;
                return true;
            }
        }
        return false;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        return RaiseMouse(OnMouseDown, wParam, lParam);
    case WM_MOUSEMOVE:
        return RaiseMouse(OnMouseMove, wParam, lParam);
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        return RaiseMouse(OnMouseUp, wParam, lParam);
    default:
        return false;
    }
}

LRESULT CALLBACK TControl::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TControl* self = FromHandle(window);
    if (!self || self->Window != window || !self->PreviousProc) return DefWindowProcA(window, message, wParam, lParam);
    const WNDPROC previous = self->PreviousProc;
    if (message == WM_NCDESTROY) {
        // Destroyed with its parent: the object stays, without a window.
        self->Detach();
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    try {
        LRESULT result = 0;
        if (self->WindowMessage(message, wParam, lParam, result)) return result;
    } catch (...) {
        TApplication::HandleException();
        return 0;
    }
    return CallWindowProcA(previous, window, message, wParam, lParam);
}

void AlignControls(const std::vector<TControl*>& controls, RECT client)
{
    RECT rest = client;
    for (TControl* control : controls) {
        const int width = control->Width();
        const int height = control->Height();
        switch (control->Align) {
        case TAlign::Top:
            control->SetBounds(rest.left, rest.top, rest.right - rest.left, height);
            rest.top += height;
            break;
        case TAlign::Bottom:
            control->SetBounds(rest.left, rest.bottom - height, rest.right - rest.left, height);
            rest.bottom -= height;
            break;
        case TAlign::Right:
            control->SetBounds(rest.right - width, rest.top, width, rest.bottom - rest.top);
            rest.right -= width;
            break;
        default:
            break;
        }
    }
    for (TControl* control : controls) {
        const RECT bounds = control->Bounds();
        if (control->Align == TAlign::Client) {
            control->SetBounds(rest.left, rest.top, std::max(0L, rest.right - rest.left),
                               std::max(0L, rest.bottom - rest.top));
        } else if (control->Align == TAlign::None && control->RightMargin >= 0) {
            const int width = client.right - control->RightMargin - bounds.left;
            control->SetBounds(bounds.left, bounds.top, std::max(0, width), bounds.bottom - bounds.top);
        }
    }
}
