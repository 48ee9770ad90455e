// The one way windows are bound to their objects: dialogs report their handlers'
// exceptions like every window and never let them cross the dialog procedure;
// bindings and subclasses go with their windows.
#include "base/WideText.h"
#include "win32/support/UiTestSupport.h"
#include "listview/ListViewSort.h"
#include "listview/win32/ListViewUtility.h"
#include "toolkit/ScopedHandle.h"
#include "toolkit/TDialog.h"
#include "toolkit/TEdit.h"
#include "toolkit/TForm.h"
#include "toolkit/WindowRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

constexpr UINT WM_TEST_THROW = WM_APP + 1;
constexpr UINT WM_TEST_ANSWER = WM_APP + 2;
HWND LastInitWindow = nullptr;

// Any template of the program serves: the About box's.
class TTestDialog final : public TDialog {
public:
    explicit TTestDialog(bool throwOnInit) : ThrowOnInit(throwOnInit) { CreateHandle("TFormAboutBox", nullptr); }

private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_INITDIALOG:
            LastInitWindow = Handle();
            if (ThrowOnInit) throw std::runtime_error("作成できません");
            return FALSE;
        case WM_TEST_THROW:
            throw std::runtime_error("ダイアログの失敗");
        case WM_TEST_ANSWER:
            SetWindowLongPtrW(Handle(), DWLP_MSGRESULT, 42);
            return TRUE;
        default:
            return TDialog::HandleMessage(message, wParam, lParam);
        }
    }

    bool ThrowOnInit;
};

class TTestForm final : public TForm {
public:
    TTestForm() : TForm("TTestBindingForm", "Binding", 300, 200, TFontSpec{"Arial", 12, ANSI_CHARSET}, nullptr)
    {
        Edit = std::make_unique<TEdit>(Handle(), 0, 0, 100, 20);
        EndConstruction();
    }

    std::unique_ptr<TEdit> Edit;
};

class ToolkitBinding : public ::testing::Test {
protected:
    UiTestApplication App;
};

} // namespace

TEST_F(ToolkitBinding, ADialogHandlersExceptionIsReportedAndStaysInside)
{
    TTestDialog dialog(false);
    ASSERT_NE(dialog.Handle(), nullptr);
    SendMessageW(dialog.Handle(), WM_TEST_THROW, 0, 0);
    ASSERT_EQ(App.Errors.size(), 1u);
    EXPECT_EQ(App.Errors[0], "ダイアログの失敗");
    // The dialog goes on answering.
    EXPECT_EQ(SendMessageW(dialog.Handle(), WM_TEST_ANSWER, 0, 0), 42);
}

TEST_F(ToolkitBinding, AnExceptionWhileADialogIsMadeReachesItsCreatorAndTheDialogIsGone)
{
    LastInitWindow = nullptr;
    try {
        TTestDialog dialog(true);
        ADD_FAILURE() << "the constructor did not throw";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "作成できません");
    }
    EXPECT_TRUE(App.Errors.empty());
    ASSERT_NE(LastInitWindow, nullptr);
    EXPECT_FALSE(IsWindow(LastInitWindow));
    EXPECT_EQ(FindWindowBinding(LastInitWindow), nullptr);
}

TEST_F(ToolkitBinding, BindingsAndSubclassesGoWithTheirWindows)
{
    TTestForm form;
    const HWND formWindow = form.Handle();
    const HWND edit = form.Edit->Handle();
    EXPECT_EQ(TWindow::FromHandle(formWindow), &form);
    EXPECT_EQ(TControl::FromHandle(edit), form.Edit.get());

    // A report list's header, subclassed for the sort marks.
    const HWND list = CreateWindowExW(0, WC_LISTVIEW, L"", WS_CHILD | LVS_REPORT, 0, 30, 200, 100, formWindow,
                                      nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    InsertListViewColumn(list, 0, "列", 50);
    const HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    InitHeaderSortMark(list, PackComCtlVersion(6, 0));
    ASSERT_NE(FindWindowBinding(header), nullptr);
    InitHeaderSortMark(list, PackComCtlVersion(6, 0)); // once per header
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(header, GWLP_WNDPROC)), HeaderSubclassProc);
    EXPECT_NE(FindWindowBinding(header)->PreviousProc, HeaderSubclassProc);
    // The header still works through its own procedure.
    EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 1);

    DestroyWindow(formWindow);
    EXPECT_EQ(form.Handle(), nullptr);
    EXPECT_EQ(form.Edit->Handle(), nullptr);
    // No handle that the system may give out again keeps a binding.
    for (HWND gone : {formWindow, edit, header, list}) EXPECT_EQ(FindWindowBinding(gone), nullptr) << gone;
}
