#include "ui/UnitAboutBox.h"

#include "base/WideText.h"

#include "resources/AboutBox.h"
#include "toolkit/ScopedHandle.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

AboutBoxShellExecuteFunction AboutBoxShellExecute = ShellExecuteA;

namespace {

// The terms of use shown in the box: fifteen lines.
constexpr char AboutBoxTerms[] =
    "【ご利用にあたって】\r\n"
    "\r\n"
    "本ソフトはフリーソフトウェアです。\r\n"
    "個人・法人を問わず無料でお使いいただけます。\r\n"
    "\r\n"
    "再配布は、同梱のファイルをすべてそろえ、\r\n"
    "内容を変更しない限り自由に行えます。\r\n"
    "雑誌などへの収録も同じ条件で結構です。\r\n"
    "\r\n"
    "本ソフトは無保証です。使用によって生じた\r\n"
    "いかなる損害にも作者は責任を負いません。\r\n"
    "また、作者はサポートの義務を負いません。\r\n"
    "\r\n"
    "圧縮後にフォルダを削除する設定で使う前に、\r\n"
    "大切なデータはバックアップしてください。";

// The layout in pixels, client coordinates of the box. The labels, the icon
// and the terms sit on a panel at (4, 4); their places are given on it.
constexpr SIZE ClientSize{306, 198};
constexpr RECT PanelRect{4, 4, 4 + 297, 4 + 157};
constexpr int PanelX = PanelRect.left;
constexpr int PanelY = PanelRect.top;
constexpr RECT PanelIconRect{PanelX + 8, PanelY + 8, PanelX + 8 + 42, PanelY + 8 + 42};
// The copyright label's right edge, top and height; its width follows its text.
constexpr int CopyrightRight = PanelX + 289;
constexpr int CopyrightTop = PanelY + 38;
constexpr int CopyrightHeight = 15;
constexpr SIZE ToolButtonSize{85, 23};

struct ControlPlace {
    int Id;
    RECT Bounds;
};
constexpr ControlPlace Places[] = {
    // The icon fills the icon panel inside its bevels (2 + 1 + 2 pixels).
    {IDC_ABOUT_PROGRAMICON, {PanelIconRect.left + 5, PanelIconRect.top + 5, PanelIconRect.right - 5, PanelIconRect.bottom - 5}},
    {IDC_ABOUT_PRODUCTNAME, {PanelX + 56, PanelY + 8, PanelX + 56 + 233, PanelY + 8 + 20}},
    {IDC_ABOUT_VERSION, {PanelX + 56, PanelY + 25, PanelX + 56 + 233, PanelY + 25 + 14}},
    {IDC_ABOUT_COMMENTS, {PanelX + 8, PanelY + 60, PanelX + 8 + 281, PanelY + 60 + 90}},
    {IDC_ABOUT_TOOLBAR, {68, 169, 68 + 2 * ToolButtonSize.cx, 169 + ToolButtonSize.cy}},
};

// Heights are character heights in pixels. The family picks a like face where
// the named one is not installed.
ScopedFont MakeFont(const char* face, BYTE family, int height, bool bold, bool italic, BYTE charSet = DEFAULT_CHARSET)
{
    return ScopedFont(CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic, FALSE, FALSE, charSet,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | family,
                                  WideText(face).c_str()));
}

std::string WindowText(HWND window)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Utf8Text(text);
}

std::string RunningExecutable()
{
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length < path.size() ? length : 0);
    return Utf8Text(path);
}

// A bevel of the given width, drawn inwards; the rectangle shrinks by it.
void DrawBevel(HDC dc, RECT& rect, UINT edge, int width)
{
    for (int i = 0; i < width; ++i) {
        DrawEdge(dc, &rect, edge, BF_RECT);
        InflateRect(&rect, -1, -1);
    }
}

RECT WorkAreaNear(HWND window)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info)) return info.rcWork;
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

} // namespace

struct TFormAboutBox::Fonts {
    ScopedFont Form = MakeFont("Arial", FF_SWISS, 12, false, false);
    ScopedFont ProductName = MakeFont("Times New Roman", FF_ROMAN, 19, true, true);
    ScopedFont Version = MakeFont("Arial", FF_SWISS, 13, true, false);
    ScopedFont Comments = MakeFont("ＭＳ Ｐゴシック", FF_MODERN, 12, false, false, SHIFTJIS_CHARSET);
    ScopedFont ToolBar = MakeFont("Arial", FF_SWISS, 12, true, true);
};

POINT AboutBoxPosition(const RECT& owner, SIZE box, const RECT& workArea)
{
    // Integer division rounds toward zero, as the centring wants.
    LONG left = owner.left + ((owner.right - owner.left) - box.cx) / 2;
    LONG top = owner.top + ((owner.bottom - owner.top) - box.cy) / 2;
    if (left + box.cx > workArea.right) left = workArea.right - box.cx;
    if (top + box.cy > workArea.bottom) top = workArea.bottom - box.cy;
    if (left < workArea.left) left = workArea.left;
    if (top < workArea.top) top = workArea.top;
    return {left, top};
}

TFormAboutBox::TFormAboutBox(HWND owner, const std::string& programPath) : FontSet(std::make_unique<Fonts>())
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    CreateHandle("TFormAboutBox", owner);
    ReadVersionResource(programPath.empty() ? RunningExecutable() : programPath);
    if (HICON icon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON"))
        SendDlgItemMessageW(Handle(), IDC_ABOUT_PROGRAMICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    PlaceOnOwner();
}

// The box goes before the fonts its controls use.
TFormAboutBox::~TFormAboutBox() { DestroyHandle(); }

void TFormAboutBox::BuildLayout()
{
    const DWORD style = static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE));
    RECT frame{0, 0, ClientSize.cx, ClientSize.cy};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    for (const ControlPlace& place : Places) {
        MoveWindow(GetDlgItem(Handle(), place.Id), place.Bounds.left, place.Bounds.top,
                   place.Bounds.right - place.Bounds.left, place.Bounds.bottom - place.Bounds.top, FALSE);
    }
    const auto setFont = [this](int id, HFONT font) {
        SendDlgItemMessageW(Handle(), id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    };
    setFont(IDC_ABOUT_PRODUCTNAME, FontSet->ProductName.get());
    setFont(IDC_ABOUT_VERSION, FontSet->Version.get());
    setFont(IDC_ABOUT_COPYRIGHT, FontSet->Form.get());
    setFont(IDC_ABOUT_COMMENTS, FontSet->Comments.get());
    setFont(IDC_ABOUT_TOOLBAR, FontSet->ToolBar.get());
    SetCopyrightText(WindowText(GetDlgItem(Handle(), IDC_ABOUT_COPYRIGHT)));
    SetDlgItemTextW(Handle(), IDC_ABOUT_COMMENTS, WideText(AboutBoxTerms).c_str());

    // Two flat buttons that show only their captions.
    HWND toolBar = GetDlgItem(Handle(), IDC_ABOUT_TOOLBAR);
    SendMessageW(toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    SendMessageW(toolBar, TB_SETBUTTONWIDTH, 0, MAKELPARAM(ToolButtonSize.cx, ToolButtonSize.cx));
    static wchar_t okCaption[] = L"OK";
    static wchar_t webPageCaption[] = L"  Web page...  ";
    TBBUTTON buttons[2]{};
    buttons[0].iBitmap = I_IMAGENONE;
    buttons[0].idCommand = IDC_ABOUT_OK;
    buttons[0].fsState = TBSTATE_ENABLED;
    buttons[0].fsStyle = BTNS_BUTTON;
    buttons[0].iString = reinterpret_cast<INT_PTR>(okCaption);
    buttons[1] = buttons[0];
    buttons[1].idCommand = IDC_ABOUT_WEBPAGE;
    buttons[1].iString = reinterpret_cast<INT_PTR>(webPageCaption);
    SendMessageW(toolBar, TB_ADDBUTTONS, 2, reinterpret_cast<LPARAM>(buttons));
    SendMessageW(toolBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(ToolButtonSize.cx, ToolButtonSize.cy));
}

void TFormAboutBox::SetCopyrightText(const std::string& text)
{
    // The label is as wide as its text and grows to the left.
    HWND label = GetDlgItem(Handle(), IDC_ABOUT_COPYRIGHT);
    const std::wstring wide = WideText(text);
    SetWindowTextW(label, wide.c_str());
    SIZE extent{};
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, FontSet->Form.get());
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    MoveWindow(label, CopyrightRight - extent.cx, CopyrightTop, extent.cx, CopyrightHeight, TRUE);
}

void TFormAboutBox::ReadVersionResource(const std::string& programPath)
{
    DWORD unused = 0;
    const std::wstring widePath = WideText(programPath);
    const DWORD size = GetFileVersionInfoSizeW(widePath.c_str(), &unused);
    if (size == 0) return;
    std::vector<char> block(size);
    if (!GetFileVersionInfoW(widePath.c_str(), 0, size, block.data())) return;
    void* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) || !translation ||
        length < 2 * sizeof(WORD))
        return;
    const WORD* languageAndCodePage = static_cast<const WORD*>(translation);
    char prefix[40];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", languageAndCodePage[0],
                  languageAndCodePage[1]);

    const auto query = [&](const char* name) -> std::optional<std::string> {
        void* value = nullptr;
        UINT valueLength = 0;
        if (!VerQueryValueW(block.data(), WideText(std::string(prefix) + name).c_str(), &value, &valueLength) || !value)
            return std::nullopt;
        const wchar_t* text = static_cast<const wchar_t*>(value);
        return Utf8Text(std::wstring_view(text, wcsnlen(text, valueLength)));
    };
    if (const auto productName = query("ProductName")) {
        SetWindowTextW(Handle(), WideText(*productName + WindowText(Handle())).c_str());
        SetDlgItemTextW(Handle(), IDC_ABOUT_PRODUCTNAME, WideText(*productName).c_str());
    }
    if (const auto productVersion = query("ProductVersion")) {
        HWND label = GetDlgItem(Handle(), IDC_ABOUT_VERSION);
        SetWindowTextW(label, WideText(WindowText(label) + *productVersion).c_str());
    }
    if (const auto copyright = query("LegalCopyright")) SetCopyrightText(*copyright);
}

void TFormAboutBox::PlaceOnOwner()
{
    RECT box{};
    GetWindowRect(Handle(), &box);
    const SIZE size{box.right - box.left, box.bottom - box.top};
    const RECT workArea = WorkAreaNear(Owner());
    RECT owner = workArea; // without an owner: centred on the work area
    if (Owner()) GetWindowRect(Owner(), &owner);
    const POINT position = AboutBoxPosition(owner, size, workArea);
    SetWindowPos(Handle(), nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormAboutBox::Paint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    RECT panel = PanelRect;
    DrawBevel(dc, panel, BDR_SUNKENOUTER, 1);
    DrawBevel(dc, panel, BDR_RAISEDINNER, 1);
    RECT iconPanel = PanelIconRect;
    DrawBevel(dc, iconPanel, BDR_SUNKENOUTER, 2);
    InflateRect(&iconPanel, -1, -1); // border
    DrawBevel(dc, iconPanel, BDR_RAISEDINNER, 2);
    EndPaint(Handle(), &paint);
}

bool TFormAboutBox::PreviewMessage(MSG& message)
{
    if (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd)) return false;
    if (message.message == WM_CHAR) {
        char key = static_cast<char>(message.wParam);
        FormKeyPress(key);
        return true;
    }
    // Enter and Escape reach the box as characters, whatever control has the focus.
    if (message.message == WM_KEYDOWN && (message.wParam == VK_RETURN || message.wParam == VK_ESCAPE)) {
        TranslateMessage(&message);
        return true;
    }
    return false;
}

void TFormAboutBox::FormKeyPress(char& key)
{
    if (key == '\r' || key == '\x1b') ToolButtonOKClick();
    key = 0;
}

void TFormAboutBox::ToolButtonOKClick() { Close(); }

void TFormAboutBox::ToolButtonWebPageClick()
{
    AboutBoxShellExecute(nullptr, nullptr, FennoroWebPage, nullptr, "", SW_SHOWNORMAL);
    Close();
}

void TFormAboutBox::Close() { EndModal(); }

INT_PTR TFormAboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        BuildLayout();
        return FALSE; // nothing to focus: no control is a tab stop
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ABOUT_OK:
            ToolButtonOKClick();
            return TRUE;
        case IDC_ABOUT_WEBPAGE:
            ToolButtonWebPageClick();
            return TRUE;
        case IDOK:
        case IDCANCEL:
            Close();
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        Close();
        return TRUE;
    case WM_PAINT:
        Paint();
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        // Black texts on the dialog's colour, the read-only terms included.
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
        return TDialog::HandleMessage(message, wParam, lParam);
    }
}

void ShowAboutBox(HWND owner)
{
    TFormAboutBox box(owner);
    box.ShowModal();
}
