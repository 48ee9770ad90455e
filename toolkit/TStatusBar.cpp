#include "toolkit/TStatusBar.h"

#include "base/WideText.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

TStatusBar::TStatusBar(HWND parent, int height)
{
    // Placed by its form like any other control, not by itself.
    HWND window = CreateWindowExW(0, STATUSCLASSNAME, L"",
                                  WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE, 0, 0,
                                  100, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window) throw std::runtime_error("ステータスバーを作成できません");
    // Subclassed: a new width lays the parts out again.
    Attach(window, true);
    // One part over the whole width: it looks like the simple mode, and unlike that
    // mode its text can be read back from the control.
    LayParts(100);
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

std::string TStatusBar::ProgressText() const
{
    if (SendMessageW(Handle(), SB_GETPARTS, 0, 0) < 2) return {};
    const LRESULT length = SendMessageW(Handle(), SB_GETTEXTLENGTHW, 1, 0);
    std::wstring text(static_cast<size_t>(LOWORD(length)) + 1, L'\0');
    SendMessageW(Handle(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text.data()));
    text.resize(std::char_traits<wchar_t>::length(text.c_str()));
    return Utf8Text(text);
}

void TStatusBar::SetProgressText(const std::string& text)
{
    SetProgressTexts(text.empty() ? std::vector<std::string>{} : std::vector<std::string>{text});
}

void TStatusBar::SetProgressTexts(const std::vector<std::string>& forms)
{
    if (forms == Forms) return;
    Forms = forms;
    // The part grows with its text and does not shrink while it has one, so the
    // first text does not jump as the numbers change.
    if (forms.empty()) PartWidth = 0;
    RECT client{};
    GetClientRect(Handle(), &client);
    LayParts(client.right - client.left);
}

bool TStatusBar::WindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_SIZE) LayParts(LOWORD(lParam));
    return TControl::WindowMessage(message, wParam, lParam, result);
}

void TStatusBar::LayParts(int width)
{
    Progress.clear();
    if (!Forms.empty()) {
        // The fullest form that fits the right half; the shortest when none does.
        Progress = Forms.back();
        int needed = TextWidth(WideText(Progress));
        for (const std::string& form : Forms) {
            const int formWidth = TextWidth(WideText(form));
            if (formWidth <= width / 2) {
                Progress = form;
                needed = formWidth;
                break;
            }
        }
        PartWidth = std::max(PartWidth, needed);
    }
    if (PartWidth == 0) {
        int rightEdges[1] = {-1};
        SendMessageW(Handle(), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(rightEdges));
        return;
    }
    // The first text keeps at least half of a narrow bar.
    const int second = std::min(PartWidth, width / 2);
    int rightEdges[2] = {width - second, -1};
    SendMessageW(Handle(), SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rightEdges));
    SendMessageW(Handle(), SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(WideText(Progress).c_str()));
}

// The text in the bar's font, with the part's borders and the size grip beside it.
int TStatusBar::TextWidth(const std::wstring& text) const
{
    HDC dc = GetDC(Handle());
    if (!dc) return 0;
    const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(Handle(), WM_GETFONT, 0, 0));
    const HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(Handle(), dc);
    int borders[3] = {};
    SendMessageW(Handle(), SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
    const int grip = GetSystemMetrics(SM_CXVSCROLL);
    return size.cx + 2 * metrics.tmAveCharWidth + 2 * borders[2] + 4 * GetSystemMetrics(SM_CXEDGE) + grip;
}
