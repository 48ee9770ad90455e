#include "toolkit/TControl.h"

#include "base/WideText.h"

#include "toolkit/ErrorReport.h"
#include "toolkit/WindowRegistry.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

namespace {

// Forgets the control bound to a window, if it is that control.
void Unbind(HWND window, const TControl* control) noexcept
{
    TWindowBinding* binding = FindWindowBinding(window);
    if (!binding || binding->Control != control) return;
    binding->Control = nullptr;
    PruneWindowBinding(window);
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
    const TWindowBinding* binding = FindWindowBinding(window);
    return binding ? binding->Control : nullptr;
}

void TControl::Attach(HWND window, bool subclass)
{
    BindWindow(window).Control = this;
    Window = window;
    if (subclass) {
        try {
            InstallSubclass(window, ControlProc);
        } catch (...) {
            Detach();
            throw;
        }
        Subclassed = true;
    }
    GetWindowRect(window, &Placement);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&Placement), 2);
}

void TControl::AddNotifySource(HWND window)
{
    if (!window) return;
    NotifySources.reserve(NotifySources.size() + 1);
    BindWindow(window).Control = this;
    NotifySources.push_back(window);
}

void TControl::Detach() noexcept
{
    if (!Window) return;
    if (Subclassed) RemoveSubclass(Window, ControlProc);
    Unbind(Window, this);
    for (HWND source : NotifySources) Unbind(source, this);
    NotifySources.clear();
    Subclassed = false;
    Window = nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    RequestedWidth = width;
    Place(left, top, width, height);
}

void TControl::Place(int left, int top, int width, int height)
{
    Placement = RECT{left, top, left + width, top + height};
    if (Window) MoveWindow(Window, left, top, width, height, TRUE);
}

void TControl::SetWidth(int width) { SetBounds(Placement.left, Placement.top, width, Height()); }

void TControl::BeginUpdate()
{
    if (UpdateDepth++ == 0 && Window) SendMessageW(Window, WM_SETREDRAW, FALSE, 0);
}

void TControl::EndUpdate()
{
    if (UpdateDepth == 0 || --UpdateDepth > 0 || !Window) return;
    SendMessageW(Window, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Window, nullptr, TRUE);
}

void TControl::SetFont(HFONT font)
{
    if (Window) SendMessageW(Window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::string TControl::Text() const
{
    if (!Window) return {};
    const int length = GetWindowTextLengthW(Window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(Window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return Utf8Text(text);
}

void TControl::SetText(const std::string& text)
{
    if (Window) SetWindowTextW(Window, WideText(text).c_str());
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
        if (OnKeyPress && wParam < 0x80) {  // the keys handled are ASCII
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
    const TWindowBinding* binding = FindWindowBinding(window);
    if (!binding || !binding->PreviousProc) return DefWindowProcW(window, message, wParam, lParam);
    const WNDPROC previous = binding->PreviousProc;
    TControl* self = binding->Control;
    if (message == WM_NCDESTROY) {
        // Destroyed with its parent: the object stays, without a window.
        if (self) self->Detach();
        ForgetSubclass(window);
        return CallWindowProcW(previous, window, message, wParam, lParam);
    }
    // Detached while another subclass still calls ours: pass everything on.
    if (!self || self->Window != window) return CallWindowProcW(previous, window, message, wParam, lParam);
    try {
        LRESULT result = 0;
        if (self->WindowMessage(message, wParam, lParam, result)) return result;
    } catch (...) {
        ReportException();
        return 0;
    }
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

void AlignControls(const std::vector<TControl*>& controls, RECT client)
{
    RECT rest = client;
    int clientMinimum = 0;
    for (const TControl* control : controls) {
        if (control->Align == TAlign::Client) clientMinimum = std::max(clientMinimum, control->MinWidth);
    }
    for (TControl* control : controls) {
        const int height = control->Height();
        switch (control->Align) {
        case TAlign::Top:
            control->Place(rest.left, rest.top, rest.right - rest.left, height);
            rest.top += height;
            break;
        case TAlign::Bottom:
            control->Place(rest.left, rest.bottom - height, rest.right - rest.left, height);
            rest.bottom -= height;
            break;
        case TAlign::Right: {
            const int room = static_cast<int>(rest.right - rest.left) - clientMinimum;
            const int width = std::max(0, std::min(control->OwnWidth(), room));
            control->Place(rest.right - width, rest.top, width, rest.bottom - rest.top);
            rest.right -= width;
            break;
        }
        default:
            break;
        }
    }
    for (TControl* control : controls) {
        const RECT bounds = control->Bounds();
        if (control->Align == TAlign::Client) {
            control->Place(rest.left, rest.top, std::max(0L, rest.right - rest.left),
                           std::max(0L, rest.bottom - rest.top));
        } else if (control->Align == TAlign::None && control->RightMargin >= 0) {
            const int width = client.right - control->RightMargin - bounds.left;
            control->Place(bounds.left, bounds.top, std::max(0, width), bounds.bottom - bounds.top);
        }
    }
}
