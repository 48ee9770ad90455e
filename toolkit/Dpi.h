#pragma once
// Screen density: the dots per inch a window is drawn at, and lengths designed
// at 96 DPI scaled to it. The per-monitor functions exist from Windows 10 on and
// are looked up at run time; elsewhere the system's one density stands for all.
#include <windows.h>

constexpr UINT DesignDpi = 96;

// The density of the monitor the window is on (of the system where that cannot be told).
UINT WindowDpi(HWND window);
// The density of the system: the primary monitor's at sign-in.
UINT SystemDpi();
// A length designed at 96 DPI, at the given density (rounded to the nearest pixel).
inline int ScaleToDpi(int length, UINT dpi) { return MulDiv(length, static_cast<int>(dpi), DesignDpi); }
// A length at the given density, in 96-DPI pixels.
inline int ScaleFromDpi(int length, UINT dpi) { return MulDiv(length, DesignDpi, static_cast<int>(dpi)); }
