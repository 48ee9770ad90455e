#include "toolkit/TStatusBar.h"

#include <commctrl.h>

#include <stdexcept>

TStatusBar::TStatusBar(HWND parent, int height)
{
    // Placed by its form like any other control, not by itself.
    HWND window = CreateWindowExA(0, STATUSCLASSNAMEA, "",
                                  WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 0,
                                  100, height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) throw std::runtime_error("ステータスバーを作成できません");
    Attach(window, false);
    // One part over the whole width: it looks like the simple mode, and unlike that
    // mode its text can be read back from the control.
    int rightEdges[1] = {-1};
    SendMessageA(window, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(rightEdges));
}

std::string TStatusBar::SimpleText() const
{
    // The length may be counted in characters, not bytes: leave room for two bytes each.
    const LRESULT length = SendMessageA(Handle(), SB_GETTEXTLENGTHA, 0, 0);
    std::string text(2 * static_cast<size_t>(LOWORD(length)) + 1, '\0');
    SendMessageA(Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::char_traits<char>::length(text.c_str()));
    return text;
}

void TStatusBar::SetSimpleText(const std::string& text)
{
    SendMessageA(Handle(), SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}
