#pragma once
// The progress a window's taskbar button shows, where the system offers it
// (ITaskbarList3); elsewhere every call does nothing.
#include <windows.h>
#include <shobjidl.h>

#include <memory>

class TTaskbarProgress {
public:
    // COM must be initialised on the calling thread for the taskbar to be found.
    explicit TTaskbarProgress(HWND window);
    TTaskbarProgress(const TTaskbarProgress&) = delete;
    TTaskbarProgress& operator=(const TTaskbarProgress&) = delete;
    // The button shows no progress once the object goes.
    ~TTaskbarProgress();

    bool Available() const noexcept { return List != nullptr; }
    // done of total, as a bar on the button.
    void Show(ULONGLONG done, ULONGLONG total);
    // No bar.
    void Clear();

private:
    struct TReleaser {
        void operator()(IUnknown* object) const noexcept { object->Release(); }
    };
    HWND Window;
    std::unique_ptr<ITaskbarList3, TReleaser> List;
    bool Showing = false;
};
