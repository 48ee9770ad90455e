#include "toolkit/TApplication.h"

#include "toolkit/ErrorReport.h"
#include "toolkit/TForm.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

namespace {

TApplication* CurrentApplication = nullptr;
int BusyCount = 0;

TForm* FormOf(HWND window)
{
    if (!window) return nullptr;
    return dynamic_cast<TForm*>(TWindow::FromHandle(GetAncestor(window, GA_ROOT)));
}

} // namespace

TApplication::TApplication()
{
    if (CurrentApplication) throw std::logic_error("TApplication exists already");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    SetErrorSink([this](const std::string& message) { ShowError(message); });
    CurrentApplication = this;
}

TApplication::~TApplication()
{
    if (CurrentApplication != this) return;
    SetErrorSink(nullptr);
    CurrentApplication = nullptr;
}

TApplication* TApplication::Current() noexcept { return CurrentApplication; }

void TApplication::Run(TForm& mainForm)
{
    Main = &mainForm;
    TerminateRequested = false;
    mainForm.Show();
    while (!TerminateRequested) {
        if (!ProcessMessages()) break;
        if (TerminateRequested) break;
        // Woken by any message, also one sent from another thread.
        WaitMessage();
    }
}

void TApplication::Terminate() noexcept
{
    TerminateRequested = true;
    // Wakes a loop that waits for a message.
    PostMessageW(nullptr, WM_NULL, 0, 0);
}

namespace {

// After these the commands' states cannot have changed (WTL's IsIdleMessage):
// mouse moves, paints and the caret's blink.
bool IsIdleMessage(const MSG& message)
{
    switch (message.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case WM_NCPAINT:
    case 0x0118:  // WM_SYSTIMER
    case WM_NULL:
        return false;
    default:
        return true;
    }
}

} // namespace

bool TApplication::ProcessMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            TerminateRequested = true;
            return false;
        }
        if (IsIdleMessage(message)) IdlePending = true;
        HandleMessage(message);
        if (TerminateRequested) return true;
    }
    if (IdlePending) {
        IdlePending = false;
        Idle();
    }
    return true;
}

void TApplication::HandleMessage(MSG& message)
{
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        TForm* form = FormOf(message.hwnd);
        if (form && form->PreprocessKey(message)) return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void TApplication::Idle()
{
    // A copy: an idle handler may close a form.
    const std::vector<TForm*> forms = Forms;
    for (TForm* form : forms) {
        if (std::find(Forms.begin(), Forms.end(), form) == Forms.end()) continue;
        try {
            form->Idle();
        } catch (...) {
            ReportException();
        }
    }
}

void TApplication::AddForm(TForm* form)
{
    if (std::find(Forms.begin(), Forms.end(), form) == Forms.end()) Forms.push_back(form);
}

void TApplication::RemoveForm(TForm* form) noexcept
{
    Forms.erase(std::remove(Forms.begin(), Forms.end(), form), Forms.end());
    if (Main == form) Main = nullptr;
}

void TApplication::HandleException() noexcept { ReportException(); }

void TApplication::ShowError(const std::string& message)
{
    if (OnException) {
        OnException(message);
        return;
    }
    ShowErrorBox(Main ? Main->Handle() : nullptr, message, Title);
}

TBusyCursor::TBusyCursor()
{
    ++BusyCount;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

TBusyCursor::~TBusyCursor()
{
    if (--BusyCount == 0) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool TBusyCursor::Active() noexcept { return BusyCount > 0; }
