#include "toolkit/TStatusBar.h"

#include "base/WideText.h"

#include <commctrl.h>

#include <stdexcept>

TStatusBar::TStatusBar(HWND parent, int height)
{
    // Placed by its form like any other control, not by itself.
    HWND window = CreateWindowExW(0, STATUSCLASSNAME, L"",
                                  WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 0,
                                  100, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) throw std::runtime_error("ステータスバーを作成できません");
    Attach(window, false);
    // One part over the whole width: it looks like the simple mode, and unlike that
    // mode its text can be read back from the control.
    int rightEdges[1] = {-1};
    SendMessageW(window, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(rightEdges));
}

std::string TStatusBar::SimpleText() const
{
    const LRESULT length = SendMessageW(Handle(), SB_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(LOWORD(length)) + 1, L'\0');
    SendMessageW(Handle(), SB_GETTEXT, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::char_traits<wchar_t>::length(text.c_str()));
    return Utf8Text(text);
}

void TStatusBar::SetSimpleText(const std::string& text)
{
    SendMessageW(Handle(), SB_SETTEXT, 0, reinterpret_cast<LPARAM>(WideText(text).c_str()));
}
