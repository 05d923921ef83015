// What the start dialog and the transfer window paint alike: a white background with the
// banner across its top, and labels on that white.
#pragma once

#include <windows.h>

namespace kvd::win32 {

// The banner bitmap (760 x 70 pixels at 96 dots per inch); null when it cannot be loaded.
HBITMAP LoadBanner();
// White, then the banner scaled to the screen's density.
void PaintWindowBackground(HWND window, HDC dc, HBITMAP banner, UINT dpi);
// The answer to WM_CTLCOLORSTATIC: dark text on the window's white.
HBRUSH LabelBackground(HDC dc);

}  // namespace kvd::win32
