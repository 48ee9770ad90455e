#include "settings/win32/IniUtility.h"

#include "settings/PlacementText.h"

namespace {

RECT WorkArea()
{
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) area = RECT{};
    return area;
}

int CurrentState(HWND form)
{
    if (IsIconic(form)) return 1;
    if (IsZoomed(form)) return 2;
    return 0;
}

// The normal frame in screen coordinates: GetWindowPlacement gives it relative
// to the work area for top-level windows.
PlacementRect NormalFrame(HWND form)
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(form, &placement);
    const RECT area = WorkArea();
    const RECT& r = placement.rcNormalPosition;
    return {r.left + area.left, r.top + area.top, r.right + area.left, r.bottom + area.top};
}

} // namespace

std::string GetFormPlacementText(HWND form, HWND application)
{
    Placement placement;
    placement.Bounds = NormalFrame(form);
    placement.State = (application && IsIconic(application)) ? 1 : CurrentState(form);
    return FormatPlacementText(placement);
}

void SetFormPlacementText(HWND form, std::string_view text)
{
    if (!form) return;
    const Placement current{NormalFrame(form), CurrentState(form)};
    const Placement wanted = ApplyPlacementText(current, text);

    if (wanted.Bounds != current.Bounds) {
        // Through the placement, the exact inverse of GetWindowPlacement, so a
        // saved frame comes back at the same place whatever the work area is.
        // A minimised or maximised window keeps its state and gets a new normal frame.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(form, &placement);
        const RECT area = WorkArea();
        const PlacementRect& b = wanted.Bounds;
        placement.rcNormalPosition = {b.Left - area.left, b.Top - area.top, b.Right - area.left, b.Bottom - area.top};
        placement.flags = 0;
        placement.showCmd = !IsWindowVisible(form) ? SW_HIDE
                          : current.State == 1  ? SW_SHOWMINNOACTIVE
                          : current.State == 2  ? SW_SHOWMAXIMIZED
                                                : SW_SHOWNOACTIVATE;
        SetWindowPlacement(form, &placement);
    }

    switch (wanted.State) {
    case 1: SendMessageW(form, WM_SYSCOMMAND, SC_MINIMIZE, 0); break;
    case 2: SendMessageW(form, WM_SYSCOMMAND, SC_MAXIMIZE, 0); break;
    case 0:
        if (current.State != 0) SendMessageW(form, WM_SYSCOMMAND, SC_RESTORE, 0);
        break;
    default: break;
    }
}

void KeepFormUsable(HWND form, int minWidth, int minHeight)
{
    if (!form) return;
    const PlacementRect frame = NormalFrame(form);
    const RECT wanted{frame.Left, frame.Top, frame.Right, frame.Bottom};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& w = monitor.rcWork;
    const PlacementRect usable = UsablePlacementBounds(frame, {w.left, w.top, w.right, w.bottom}, minWidth, minHeight);
    if (usable == frame) return;
    // Through the same path as a saved text: the state stays, only the frame moves.
    SetFormPlacementText(form, FormatPlacementText({usable, -1}));
}
