#include "toolkit/TPanel.h"

namespace {

constexpr char PanelClass[] = "TPanel";

} // namespace

TPanel::TPanel(HWND parent, int left, int top, int width, int height, bool bevel) : Bevel(bevel)
{
    RegisterWindowClass(PanelClass, CS_HREDRAW | CS_VREDRAW, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr);
    CreateHandle(WS_EX_CONTROLPARENT, PanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, left,
                 top, width, height, parent);
    // Our own class: no subclass needed, the window procedure is ours.
    Attach(TWindow::Handle(), false);
}

TPanel::~TPanel()
{
    // TWindow destroys the window; the control part only forgets it.
    Detach();
}

RECT TPanel::ContentRect() const
{
    RECT rect{};
    GetClientRect(Handle(), &rect);
    if (Bevel) InflateRect(&rect, -2, -2);
    return rect;
}

void TPanel::Realign() { AlignControls(Children, ContentRect()); }

LRESULT TPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SIZE:
        Realign();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Handle(), &paint);
        if (Bevel) {
            RECT rect{};
            GetClientRect(Handle(), &rect);
            DrawEdge(dc, &rect, BDR_SUNKENOUTER | BDR_RAISEDINNER, BF_RECT);
        }
        EndPaint(Handle(), &paint);
        return 0;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        return SendMessageW(GetParent(Handle()), message, wParam, lParam);
    default:
        return TWindow::HandleMessage(message, wParam, lParam);
    }
}
