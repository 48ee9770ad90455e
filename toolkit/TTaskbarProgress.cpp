#include "toolkit/TTaskbarProgress.h"

TTaskbarProgress::TTaskbarProgress(HWND window) : Window(window)
{
    ITaskbarList3* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                reinterpret_cast<void**>(&list))) ||
        !list)
        return;
    List.reset(list);
    if (FAILED(List->HrInit())) List.reset();
}

TTaskbarProgress::~TTaskbarProgress() { Clear(); }

void TTaskbarProgress::Show(ULONGLONG done, ULONGLONG total)
{
    if (!List || total == 0) return;
    if (!Showing) Showing = SUCCEEDED(List->SetProgressState(Window, TBPF_NORMAL));
    List->SetProgressValue(Window, done < total ? done : total, total);
}

void TTaskbarProgress::Clear()
{
    if (!List || !Showing) return;
    Showing = false;
    List->SetProgressState(Window, TBPF_NOPROGRESS);
}
