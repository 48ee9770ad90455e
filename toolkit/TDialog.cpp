#include "toolkit/TDialog.h"

#include "base/WideText.h"

#include "toolkit/ErrorReport.h"
#include "toolkit/WindowRegistry.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace {

void Unbind(HWND window, const TDialog* self) noexcept
{
    TWindowBinding* binding = FindWindowBinding(window);
    if (!binding || binding->Dialog != self) return;
    binding->Dialog = nullptr;
    PruneWindowBinding(window);
}

// Disables the owner for the life of the object, when it was enabled.
class TOwnerDisabled {
public:
    explicit TOwnerDisabled(HWND owner) noexcept : Owner(owner && IsWindowEnabled(owner) ? owner : nullptr)
    {
        if (Owner) EnableWindow(Owner, FALSE);
    }
    ~TOwnerDisabled()
    {
        if (Owner) EnableWindow(Owner, TRUE);
    }
    TOwnerDisabled(const TOwnerDisabled&) = delete;
    TOwnerDisabled& operator=(const TOwnerDisabled&) = delete;

private:
    HWND Owner;
};

} // namespace

TDialog::~TDialog()
{
    if (!Window) return;
    HWND window = std::exchange(Window, nullptr);
    Unbind(window, this);
    DestroyWindow(window);
}

void TDialog::CreateHandle(const char* templateName, HWND owner)
{
    OwnerWindow = owner;
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), WideText(templateName).c_str(), owner, DialogProc,
                                     reinterpret_cast<LPARAM>(this));
    Created(window, templateName);
}

void TDialog::CreateHandle(const DLGTEMPLATE* dialogTemplate, HWND owner)
{
    OwnerWindow = owner;
    HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate, owner, DialogProc,
                                             reinterpret_cast<LPARAM>(this));
    Created(window, "");
}

void TDialog::Created(HWND window, const char* templateName)
{
    if (CreateError) {
        if (window) DestroyWindow(window);
        if (Window) Unbind(std::exchange(Window, nullptr), this);
        std::rethrow_exception(std::exchange(CreateError, nullptr));
    }
    if (!window) throw std::runtime_error(std::string("ダイアログを作成できません: ") + templateName);
}

void TDialog::DestroyHandle() noexcept
{
    if (Window) DestroyWindow(Window);
}

void TDialog::ShowModal()
{
    if (!Window) return;
    {
        // The owner comes back before the dialog goes, so that it gets the activation.
        TOwnerDisabled ownerDisabled(OwnerWindow);
        ShowWindow(Window, SW_SHOWNORMAL);
        ModalEnded = false;
        MSG message;
        while (!ModalEnded && Window) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == -1) break;
            if (got == 0) {
                PostQuitMessage(static_cast<int>(message.wParam)); // for the loop that owns it
                break;
            }
            try {
                if (PreviewMessage(message) || IsDialogMessageW(Window, &message)) continue;
            } catch (...) {
                ReportException();
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (Window) ShowWindow(Window, SW_HIDE);
}

INT_PTR TDialog::HandleMessage(UINT, WPARAM, LPARAM) { return FALSE; }

bool TDialog::PreviewMessage(MSG&) { return false; }

INT_PTR CALLBACK TDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    TDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<TDialog*>(lParam);
        try {
            BindWindow(window) = TWindowBinding{nullptr, nullptr, self};
        } catch (...) {
            self->CreateError = std::current_exception();
            return FALSE;
        }
        self->Window = window;
    } else {
        const TWindowBinding* binding = FindWindowBinding(window);
        self = binding ? binding->Dialog : nullptr;
    }
    if (!self) return FALSE;

    INT_PTR result = FALSE;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        if (message == WM_INITDIALOG) {
            // The dialog does not come into being; the creator reports the error.
            self->CreateError = std::current_exception();
        } else {
            ReportException();
        }
        result = FALSE;
    }
    if (message == WM_NCDESTROY) {
        Unbind(window, self);
        self->Window = nullptr;
    }
    return result;
}
