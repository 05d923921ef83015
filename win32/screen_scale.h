// The windows' designs are in pixels at 96 dots per inch; the screen may have more.
#pragma once

#include <windows.h>

#include "shell/window_layout.h"

namespace kvd::win32 {

// The density of the screen a window is on (of the whole desktop where the system cannot
// tell them apart).
UINT WindowDpi(HWND window);

inline int Scaled(int pixels96, UINT dpi) { return MulDiv(pixels96, static_cast<int>(dpi), 96); }

// Moves a control to its place in the design, scaled.
void PlaceControl(HWND dialog, int id, const layout::Rect& area, UINT dpi);
// Sizes a window so that its client area is `client` in the design, keeping its top-left.
void SizeClientArea(HWND window, const layout::Size& client, UINT dpi);
// Centres `window` on `owner` (on the screen without one).
void CentreOn(HWND window, HWND owner);

}  // namespace kvd::win32
