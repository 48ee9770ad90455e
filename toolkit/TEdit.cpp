#include "toolkit/TEdit.h"

#include <stdexcept>

TEdit::TEdit(HWND parent, int left, int top, int width, int height)
{
    HWND window = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                  left, top, width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) throw std::runtime_error("エディットボックスを作成できません");
    Attach(window, true);
}
