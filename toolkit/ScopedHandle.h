#pragma once
// RAII owners for the kernel, module, window and GDI handles the program holds:
// move-only, each released once by its own kind of call.
#include <windows.h>
#include <commctrl.h>

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

// Fonts and bitmaps: a GDI object must not be selected into a device context when it goes.
struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const noexcept
    {
        if (object) DeleteObject(object);
    }
};
using ScopedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using ScopedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

struct ImageListDestroyer {
    void operator()(HIMAGELIST images) const noexcept
    {
        if (images) ImageList_Destroy(images);
    }
};
using ScopedImageList = std::unique_ptr<std::remove_pointer_t<HIMAGELIST>, ImageListDestroyer>;
