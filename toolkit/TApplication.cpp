#include "toolkit/TApplication.h"

#include "toolkit/TForm.h"

#include <commctrl.h>

#include <algorithm>
#include <new>
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
    CurrentApplication = this;
}

TApplication::~TApplication()
{
    if (CurrentApplication == this) CurrentApplication = nullptr;
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
    PostMessageA(nullptr, WM_NULL, 0, 0);
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
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
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
    DispatchMessageA(&message);
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
            HandleException();
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

void TApplication::HandleException() noexcept { ShowException(std::current_exception()); }

void TApplication::ShowException(const std::exception_ptr& error) noexcept
{
    try {
        const std::string message = ExceptionMessage(error);
        TApplication* application = CurrentApplication;
        if (application && application->OnException) {
            application->OnException(message);
            return;
        }
        HWND owner = application && application->Main ? application->Main->Handle() : nullptr;
        MessageBoxA(owner, message.c_str(), application ? application->Title.c_str() : "",
                    MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    } catch (...) {
        // Nothing more can be reported.
    }
}

std::string TApplication::ExceptionMessage(const std::exception_ptr& error)
{
    if (!error) return {};
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return "メモリが不足しています";
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return {};
    }
}

TBusyCursor::TBusyCursor()
{
    ++BusyCount;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

TBusyCursor::~TBusyCursor()
{
    if (--BusyCount == 0) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

bool TBusyCursor::Active() noexcept { return BusyCount > 0; }
