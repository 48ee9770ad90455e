#pragma once
// The placement of a top-level window as one settings text (see PlacementText.h):
// the normal frame in screen coordinates and the state 0 normal, 1 minimised,
// 2 maximised.
#include <windows.h>

#include <string>
#include <string_view>

// The form's placement text. The state is 1 when the application window is
// iconic (pass the window that stands for the application on the task bar, or
// nullptr when the form is that window itself), otherwise the form's own state.
std::string GetFormPlacementText(HWND form, HWND application = nullptr);

// Applies a placement text: the items present set the normal frame (all edges
// in one step), then the state: 1 and 2 send the minimise or maximise system
// command, as the window's own buttons do (that shows the window); 0 restores
// a minimised or maximised window; other values leave the state as it is.
// An item that is not an integer stops the apply at that item.
void SetFormPlacementText(HWND form, std::string_view text);

// Brings the form's normal frame onto the work area of the nearest monitor at
// least at the minimum size, when a hand-edited or stale placement left it
// unusable (see UsablePlacementBounds); the state is kept.
void KeepFormUsable(HWND form, int minWidth, int minHeight);
