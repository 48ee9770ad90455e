#pragma once
// RAII owners for the kernel and module handles the program holds.
#include <windows.h>

#include <memory>
#include <type_traits>

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept
    {
        if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using ScopedHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

struct FindCloser {
    void operator()(HANDLE handle) const noexcept
    {
        if (handle && handle != INVALID_HANDLE_VALUE) FindClose(handle);
    }
};
using ScopedFind = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindCloser>;

struct ModuleFreer {
    void operator()(HMODULE module) const noexcept
    {
        if (module) FreeLibrary(module);
    }
};
using ScopedModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFreer>;

struct WindowDestroyer {
    void operator()(HWND window) const noexcept
    {
        if (window) DestroyWindow(window);
    }
};
using ScopedWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;
