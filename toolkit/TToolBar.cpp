#include "toolkit/TToolBar.h"

#include "base/WideText.h"

#include <stdexcept>

TToolBar::TToolBar(HWND parent, HIMAGELIST images, int buttonWidth, int buttonHeight) : ButtonWidth(buttonWidth)
{
    HWND window = CreateWindowExW(0, TOOLBARCLASSNAME, L"",
                                  WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                      CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                                  0, 0, 100, buttonHeight, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) throw std::runtime_error("ツールバーを作成できません");
    Attach(window, false);
    SendMessageW(window, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(window, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageW(window, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 16));
    SendMessageW(window, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonWidth, buttonHeight));
    // The tooltip sends its requests through the toolbar to our parent: find us from it.
    AddNotifySource(reinterpret_cast<HWND>(SendMessageW(window, TB_GETTOOLTIPS, 0, 0)));
}

void TToolBar::AddButton(TAction& action)
{
    TBBUTTON button{};
    const int imageCount = ImageList_GetImageCount(
        reinterpret_cast<HIMAGELIST>(SendMessageW(Handle(), TB_GETIMAGELIST, 0, 0)));
    button.iBitmap = action.ImageIndex() >= 0 && action.ImageIndex() < imageCount ? action.ImageIndex() : I_IMAGENONE;
    button.idCommand = static_cast<int>(action.Id());
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = static_cast<BYTE>(action.AutoCheck() ? BTNS_CHECK : BTNS_BUTTON);
    SendMessageW(Handle(), TB_ADDBUTTONS, 1, reinterpret_cast<LPARAM>(&button));
    Actions.push_back(&action);
    Extent += ButtonWidth;
    HWND window = Handle();
    const UINT id = action.Id();
    action.AddObserver([window, id](const TAction& changed) {
        SendMessageW(window, TB_ENABLEBUTTON, id, MAKELPARAM(changed.Enabled(), 0));
        SendMessageW(window, TB_CHECKBUTTON, id, MAKELPARAM(changed.Checked(), 0));
    });
}

void TToolBar::AddSeparator(int width)
{
    TBBUTTON button{};
    button.iBitmap = width;
    button.fsStyle = BTNS_SEP;
    SendMessageW(Handle(), TB_ADDBUTTONS, 1, reinterpret_cast<LPARAM>(&button));
    Extent += width;
}

bool TToolBar::ButtonEnabled(UINT id) const { return SendMessageW(Handle(), TB_ISBUTTONENABLED, id, 0) != 0; }

bool TToolBar::ButtonChecked(UINT id) const { return SendMessageW(Handle(), TB_ISBUTTONCHECKED, id, 0) != 0; }

std::string TToolBar::ToolTipText(UINT id) const
{
    const TAction* action = ActionOf(id);
    return action ? action->ShortHint() : std::string();
}

TAction* TToolBar::ActionOf(UINT id) const noexcept
{
    for (TAction* action : Actions) {
        if (action->Id() == id) return action;
    }
    return nullptr;
}

bool TToolBar::Notify(NMHDR& header, LRESULT& result)
{
    if (header.code != TTN_GETDISPINFO) return false;
    auto& info = reinterpret_cast<NMTTDISPINFO&>(header);
    if (info.uFlags & TTF_IDISHWND) return false;
    ToolTipBuffer = WideText(ToolTipText(static_cast<UINT>(header.idFrom)));
    info.lpszText = ToolTipBuffer.data();
    result = 0;
    return true;
}

bool TToolBar::Command(WORD, WORD id)
{
    TAction* action = ActionOf(id);
    if (!action) return false;
    action->Execute();
    // The button toggled itself when clicked: it shows the command's state again.
    SendMessageW(Handle(), TB_CHECKBUTTON, id, MAKELPARAM(action->Checked(), 0));
    return true;
}
