// What the start dialog and the transfer window paint alike: a white background with the
// banner across its top, and labels on that white.
#pragma once

#include <windows.h>

namespace kvd::win32 {

// The banner bitmap (760 x 70 pixels at 96 dots per inch); null when it cannot be loaded.
HBITMAP LoadBanner();
// White, then the banner scaled to the screen's density.
void PaintWindowBackground(HWND window, HDC dc, HBITMAP banner, UINT dpi);
// The messages by which a dialog with the banner paints: its background, its labels on white
// and its flat buttons. True when `message` was one of them; `result` is then the dialog
// procedure's answer.
bool HandlePaintMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, HBITMAP banner,
                        UINT dpi, INT_PTR& result);

}  // namespace kvd::win32
