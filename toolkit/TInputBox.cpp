#include "toolkit/TInputBox.h"

#include "base/WideText.h"

#include <algorithm>
#include <vector>

namespace {

// A dialog template built in memory: the layout in dialog units, so that it
// follows the font and the density as a resource template would.
class TTemplateBuilder {
public:
    void Dialog(DWORD style, short width, short height, WORD items, const wchar_t* font, WORD pointSize)
    {
        Put(LOWORD(style));
        Put(HIWORD(style));
        Put(0);  // extended style
        Put(0);
        Put(items);
        Put(0);  // x, y: placed on the owner when the box starts
        Put(0);
        Put(static_cast<WORD>(width));
        Put(static_cast<WORD>(height));
        Put(0);  // no menu
        Put(0);  // the dialog class
        PutText(L"");  // caption: set when the box starts
        Put(pointSize);
        PutText(font);
    }

    void Item(WORD atom, DWORD style, short x, short y, short width, short height, WORD id)
    {
        while (Words.size() % 2) Words.push_back(0);  // each item on a DWORD boundary
        style |= WS_CHILD | WS_VISIBLE;
        Put(LOWORD(style));
        Put(HIWORD(style));
        Put(0);
        Put(0);
        Put(static_cast<WORD>(x));
        Put(static_cast<WORD>(y));
        Put(static_cast<WORD>(width));
        Put(static_cast<WORD>(height));
        Put(id);
        Put(0xFFFF);
        Put(atom);
        PutText(L"");  // text: set when the box starts
        Put(0);    // no creation data
    }

    const DLGTEMPLATE* Template() const { return reinterpret_cast<const DLGTEMPLATE*>(Words.data()); }

private:
    void Put(WORD word) { Words.push_back(word); }
    void PutText(const wchar_t* text)
    {
        for (; *text; ++text) Words.push_back(static_cast<WORD>(*text));
        Words.push_back(0);
    }

    std::vector<WORD> Words;
};

constexpr WORD ButtonAtom = 0x0080;
constexpr WORD EditAtom = 0x0081;
constexpr WORD StaticAtom = 0x0082;
constexpr int PromptId = 101;

std::string DialogItemText(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return Utf8Text(text);
}

} // namespace

TInputBox::TInputBox(HWND owner, const std::string& caption, const std::string& prompt, const std::string& text)
    : Caption(caption), Prompt(prompt), Text(text)
{
    TTemplateBuilder builder;
    builder.Dialog(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU, 200, 62, 4,
                   L"ＭＳ Ｐゴシック", 9);
    builder.Item(StaticAtom, SS_LEFT | SS_NOPREFIX, 7, 7, 186, 10, PromptId);
    builder.Item(EditAtom, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 19, 186, 13, EditId);
    builder.Item(ButtonAtom, WS_TABSTOP | BS_DEFPUSHBUTTON, 89, 41, 50, 14, IDOK);
    builder.Item(ButtonAtom, WS_TABSTOP | BS_PUSHBUTTON, 143, 41, 50, 14, IDCANCEL);
    CreateHandle(builder.Template(), owner);
}

TInputBox::~TInputBox() { DestroyHandle(); }

void TInputBox::PlaceOnOwner()
{
    // Centred on the owner's window, inside the work area of its monitor.
    RECT owner{};
    RECT box{};
    if (!Owner() || !GetWindowRect(Owner(), &owner) || !GetWindowRect(Handle(), &box)) return;
    MONITORINFO monitor{sizeof monitor};
    if (!GetMonitorInfoW(MonitorFromWindow(Owner(), MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    const LONG width = box.right - box.left;
    const LONG height = box.bottom - box.top;
    LONG left = (owner.left + owner.right - width) / 2;
    LONG top = (owner.top + owner.bottom - height) / 2;
    left = std::max(work.left, std::min(left, work.right - width));
    top = std::max(work.top, std::min(top, work.bottom - height));
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TInputBox::Execute(std::string& text)
{
    Accepted = false;
    ShowModal();
    if (Accepted) text = Text;
    return Accepted;
}

INT_PTR TInputBox::HandleMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextW(Handle(), WideText(Caption).c_str());
        SetDlgItemTextW(Handle(), PromptId, WideText(Prompt).c_str());
        SetDlgItemTextW(Handle(), IDOK, L"OK");
        SetDlgItemTextW(Handle(), IDCANCEL, L"キャンセル");
        SetDlgItemTextW(Handle(), EditId, WideText(Text).c_str());
        SendDlgItemMessageW(Handle(), EditId, EM_SETSEL, 0, -1);
        PlaceOnOwner();
        SetFocus(GetDlgItem(Handle(), EditId));
        return FALSE;  // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            Text = DialogItemText(Handle(), EditId);
            Accepted = true;
            EndModal();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndModal();
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

bool InputQuery(HWND owner, const std::string& caption, const std::string& prompt, std::string& text)
{
    TInputBox box(owner, caption, prompt, text);
    return box.Execute(text);
}
