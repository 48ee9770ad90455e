#include "toolkit/TForm.h"

#include "base/WideText.h"
#include "toolkit/Dpi.h"
#include "toolkit/TApplication.h"

#include <windowsx.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace {

// Posted when the form has been shown, so that the show event runs after the
// showing, and never in the middle of the form's construction.
constexpr UINT WM_FORMSHOW = WM_APP + 0x100;
constexpr COLORREF ImageMaskColour = RGB(255, 0, 255);

// The strip drawn at the largest size that does not pass the wanted one; the
// plain strip is the 16-pixel one.
ScopedImageList LoadImageStrip(const char* resource, int wanted, int& size)
{
    size = 16;
    if (!resource) return nullptr;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    ScopedBitmap bitmap;
    for (int candidate : {32, 24, 20}) {
        if (candidate > wanted) continue;
        const std::string name = resource + std::to_string(candidate);
        bitmap.reset(static_cast<HBITMAP>(LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        if (bitmap) {
            size = candidate;
            break;
        }
    }
    if (!bitmap) bitmap.reset(static_cast<HBITMAP>(LoadImageA(instance, resource, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap) return nullptr;
    BITMAP info{};
    GetObjectA(bitmap.get(), sizeof info, &info);
    ScopedImageList images(ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, info.bmWidth / size, 0));
    if (images) ImageList_AddMasked(images.get(), bitmap.get(), ImageMaskColour);
    return images;
}

} // namespace

TForm::TForm(const char* className, const char* caption, int width, int height, const TFontSpec& font,
             const char* imageStripResource)
    : DesignFont(font), ImageStripName(imageStripResource), FormDpi(SystemDpi())
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, L"MAINICON");
    if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);
    RegisterWindowClass(className, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon);
    MakeFontAndImages(FormFont, ImageList);
    MainMenu = std::make_unique<TMainMenu>(ImageList.get());
    CreateHandle(0, className, caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                 Scale(width), Scale(height), nullptr);
    // Made on a monitor of another density than the system's: its size and pictures follow that one.
    const UINT dpi = WindowDpi(Handle());
    if (dpi != FormDpi) {
        RECT frame{};
        GetWindowRect(Handle(), &frame);
        frame.right = frame.left + MulDiv(frame.right - frame.left, static_cast<int>(dpi), static_cast<int>(FormDpi));
        frame.bottom = frame.top + MulDiv(frame.bottom - frame.top, static_cast<int>(dpi), static_cast<int>(FormDpi));
        ChangeDpi(dpi, &frame);
    }
    if (TApplication* application = TApplication::Current()) application->AddForm(this);
}

void TForm::MakeFontAndImages(ScopedFont& font, ScopedImageList& images)
{
    font.reset(CreateFontW(-Scale(DesignFont.Height), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DesignFont.CharSet,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           WideText(DesignFont.Face).c_str()));
    images = LoadImageStrip(ImageStripName, Scale(16), ImagePixels);
}

void TForm::ChangeDpi(UINT dpi, const RECT* suggested)
{
    const UINT oldDpi = FormDpi;
    FormDpi = dpi;
    // The old font and pictures stay until every control has the new ones.
    ScopedFont font;
    ScopedImageList images;
    MakeFontAndImages(font, images);
    std::swap(font, FormFont);
    std::swap(images, ImageList);
    MainMenu->SetImages(ImageList.get());
    DpiChanged(oldDpi);
    if (suggested) {
        SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    Realign();
    DrawMenuBar(Handle());
}

TForm::~TForm()
{
    if (TApplication* application = TApplication::Current()) application->RemoveForm(this);
    // The menu is ours, not the window's: take it off before the window goes.
    if (Handle()) SetMenu(Handle(), nullptr);
    DestroyHandle();
    // The menu draws with the image strip: it goes first.
    MainMenu.reset();
    ImageList.reset();
    FormFont.reset();
}

void TForm::AttachMenu()
{
    SetMenu(Handle(), MainMenu->Handle());
    DrawMenuBar(Handle());
}

void TForm::AddControl(TControl& control) { Controls.push_back(&control); }

void TForm::SetHint(TControl& control, const std::string& hint)
{
    if (!HintWindow) {
        HintWindow = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
        if (!HintWindow) return;
    }
    TTTOOLINFO tool{};
    // The size every version of the common controls accepts.
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(control.Handle());
    std::wstring text = WideText(hint);  // the tool tip keeps a copy
    tool.lpszText = text.data();
    SendMessageW(HintWindow, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&tool));
}

void TForm::Realign()
{
    RECT client{};
    GetClientRect(Handle(), &client);
    AlignControls(Controls, client);
}

void TForm::EndConstruction()
{
    Constructed = true;
    // A saved maximised or minimised state shows the window while it is being
    // made, and Show will not show it again: its first showing is now.
    if (ShowPending || IsWindowVisible(Handle())) {
        ShowPending = false;
        PostMessageW(Handle(), WM_FORMSHOW, 0, 0);
    }
}

void TForm::Show()
{
    if (!IsWindowVisible(Handle())) ShowWindow(Handle(), SW_SHOWNORMAL);
    UpdateWindow(Handle());
}

void TForm::Close()
{
    CloseAsked = true;
    TApplication* application = TApplication::Current();
    if (application && application->MainForm() == this) {
        application->Terminate();
    } else {
        ShowWindow(Handle(), SW_HIDE);
    }
}

void TForm::Idle() { ActionList.UpdateAll(); }

namespace {

bool IsEditBox(HWND window)
{
    wchar_t name[16] = {};
    return window && GetClassNameW(window, name, 16) > 0 && lstrcmpiW(name, L"Edit") == 0;
}

} // namespace

bool TForm::PreprocessKey(const MSG& message)
{
    // Ctrl+A in an edit box (the folder box, a name edited in place) selects its
    // text, as in every other program, before any command of the same key; and
    // Ctrl+C there copies its selected text (the whole text when none is selected),
    // not what the window's copy command would.
    const bool editKey = message.message == WM_KEYDOWN && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_SHIFT) >= 0 &&
                         GetKeyState(VK_MENU) >= 0 && IsEditBox(GetFocus());
    if (editKey && message.wParam == 'A') {
        SendMessageW(GetFocus(), EM_SETSEL, 0, -1);
        return true;
    }
    if (editKey && message.wParam == 'C') {
        HWND edit = GetFocus();
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        if (start == end) SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, WM_COPY, 0, 0);
        if (start == end) SendMessageW(edit, EM_SETSEL, start, end);
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0 &&
        GetKeyState(VK_MENU) >= 0) {
        if (SelectNext(GetKeyState(VK_SHIFT) >= 0)) return true;
    }
    return ActionList.ExecuteShortCut(ShortCutOfKey(message.wParam));
}

bool TForm::SelectNext(bool forward)
{
    const size_t count = TabOrder.size();
    if (count == 0) return false;
    HWND focus = GetFocus();
    for (size_t i = 0; i < count; ++i) {
        HWND window = TabOrder[i]->Handle();
        if (window && (window == focus || IsChild(window, focus))) {
            TabOrder[forward ? (i + 1) % count : (i + count - 1) % count]->SetFocus();
            return true;
        }
    }
    return false;
}

bool TForm::RouteCommand(WPARAM wParam, LPARAM lParam)
{
    const WORD id = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    if (lParam) {
        TControl* control = TControl::FromHandle(reinterpret_cast<HWND>(lParam));
        return control && control->Command(code, id);
    }
    if (TMenuItem* item = MainMenu->Find(id)) {
        item->Click();
        return true;
    }
    if (TAction* action = ActionList.Find(id)) {
        action->Execute();
        return true;
    }
    return false;
}

bool TForm::RouteNotify(NMHDR& header, LRESULT& result)
{
    TControl* control = TControl::FromHandle(header.hwndFrom);
    return control && control->Notify(header, result);
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        Realign();
        return 0;
    case WM_COMMAND:
        // Sent commands (a test's, another program's) bypass the queue.
        if (TApplication* application = TApplication::Current()) application->RequestIdle();
        if (RouteCommand(wParam, lParam)) return 0;
        break;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (RouteNotify(*reinterpret_cast<NMHDR*>(lParam), result)) return result;
        break;
    }
    case WM_MEASUREITEM:
        if (wParam == 0 && MainMenu->MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DRAWITEM:
        if (wParam == 0 && MainMenu->DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam))) return TRUE;
        break;
    case WM_DPICHANGED:
        ChangeDpi(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_CONTEXTMENU: {
        // A child's request, passed up by its default handling; from the keyboard the point is (-1, -1).
        TControl* control = TControl::FromHandle(reinterpret_cast<HWND>(wParam));
        if (!control || !control->OnContextMenu) break;
        const bool keyboard = lParam == -1;
        control->OnContextMenu(keyboard ? control->KeyboardMenuPoint()
                                        : POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    }
    case WM_INITMENUPOPUP:
        // A menu shows the states of this moment.
        ActionList.UpdateAll();
        return 0;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_SETCURSOR:
        if (TBusyCursor::Active() && LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    case WM_SHOWWINDOW:
        if (wParam && lParam == 0) PostMessageW(Handle(), WM_FORMSHOW, 0, 0);
        break;
    case WM_FORMSHOW:
        if (Constructed) {
            FormShow();
        } else {
            ShowPending = true;
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus)) LastFocus = focus;
        }
        break;
    case WM_SETFOCUS:
        // The focus goes back to the control that had it, else to the first of the tab order.
        if (LastFocus && IsWindow(LastFocus) && IsChild(Handle(), LastFocus)) {
            ::SetFocus(LastFocus);
        } else if (!TabOrder.empty()) {
            TabOrder.front()->SetFocus();
        }
        return 0;
    default:
        break;
    }
    return TWindow::HandleMessage(message, wParam, lParam);
}
