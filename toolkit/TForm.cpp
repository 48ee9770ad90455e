#include "toolkit/TForm.h"

#include "base/WideText.h"

#include "toolkit/TApplication.h"

#include <stdexcept>

namespace {

// Posted when the form has been shown, so that the show event runs after the
// showing, and never in the middle of the form's construction.
constexpr UINT WM_FORMSHOW = WM_APP + 0x100;
constexpr COLORREF ImageMaskColour = RGB(255, 0, 255);

ScopedImageList LoadImageStrip(const char* resource)
{
    if (!resource) return nullptr;
    const ScopedBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), WideText(resource).c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap) return nullptr;
    BITMAP info{};
    GetObjectW(bitmap.get(), sizeof info, &info);
    ScopedImageList images(ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, info.bmWidth / 16, 0));
    if (images) ImageList_AddMasked(images.get(), bitmap.get(), ImageMaskColour);
    return images;
}

} // namespace

TForm::TForm(const char* className, const char* caption, int width, int height, const TFontSpec& font,
             const char* imageStripResource)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = LoadIconW(instance, L"MAINICON");
    if (!icon) icon = LoadIconW(nullptr, IDI_APPLICATION);
    RegisterWindowClass(className, CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), icon);
    FormFont.reset(CreateFontW(-font.Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, font.CharSet, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                               WideText(font.Face).c_str()));
    ImageList = LoadImageStrip(imageStripResource);
    MainMenu = std::make_unique<TMainMenu>(ImageList.get());
    CreateHandle(0, className, caption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, width,
                 height, nullptr);
    if (TApplication* application = TApplication::Current()) application->AddForm(this);
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

bool TForm::PreprocessKey(const MSG& message)
{
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
