#include "toolkit/WindowRegistry.h"

#include <stdexcept>
#include <unordered_map>

namespace {

// Node-based: a binding keeps its address while others come and go.
std::unordered_map<HWND, TWindowBinding>& Bindings()
{
    static std::unordered_map<HWND, TWindowBinding> bindings;
    return bindings;
}

} // namespace

TWindowBinding* FindWindowBinding(HWND window) noexcept
{
    if (!window) return nullptr;
    auto& bindings = Bindings();
    const auto found = bindings.find(window);
    return found == bindings.end() ? nullptr : &found->second;
}

TWindowBinding& BindWindow(HWND window)
{
    if (!window) throw std::invalid_argument("BindWindow: no window");
    return Bindings()[window];
}

void PruneWindowBinding(HWND window) noexcept
{
    auto& bindings = Bindings();
    const auto found = bindings.find(window);
    if (found != bindings.end() && found->second.Empty()) bindings.erase(found);
}

void InstallSubclass(HWND window, WNDPROC procedure)
{
    TWindowBinding& binding = BindWindow(window);
    if (binding.Subclass == procedure) return;
    if (binding.Subclass) throw std::logic_error("InstallSubclass: the window has another subclass");
    // Kept before the switch: the new procedure may see a message at once.
    binding.PreviousProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    binding.Subclass = procedure;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

void RemoveSubclass(HWND window, WNDPROC procedure) noexcept
{
    TWindowBinding* binding = FindWindowBinding(window);
    if (!binding || binding->Subclass != procedure || !procedure) return;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) != procedure) return;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(binding->PreviousProc));
    ForgetSubclass(window);
}

void ForgetSubclass(HWND window) noexcept
{
    TWindowBinding* binding = FindWindowBinding(window);
    if (!binding) return;
    binding->PreviousProc = nullptr;
    binding->Subclass = nullptr;
    PruneWindowBinding(window);
}

LRESULT CallPreviousProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const TWindowBinding* binding = FindWindowBinding(window);
    if (!binding || !binding->PreviousProc) return DefWindowProcW(window, message, wParam, lParam);
    return CallWindowProcW(binding->PreviousProc, window, message, wParam, lParam);
}
