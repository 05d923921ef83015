#include "win32/window_paint.h"

#include "win32/custom_button.h"
#include "win32/resource_ids.h"
#include "win32/screen_scale.h"

namespace kvd::win32 {

HBITMAP LoadBanner() {
    return static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BANNER),
                                           IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void PaintWindowBackground(HWND window, HDC dc, HBITMAP banner, UINT dpi) {
    RECT client{};
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (banner == nullptr) return;
    BITMAP picture{};
    GetObjectW(banner, sizeof picture, &picture);
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, banner);
    // The design's 600 pixels of the banner, at the screen's density.
    const int width = picture.bmWidth < 600 ? picture.bmWidth : 600;
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, 0, 0, Scaled(width, dpi), Scaled(picture.bmHeight, dpi), source, 0, 0, width,
               picture.bmHeight, SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

bool HandlePaintMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, HBITMAP banner,
                        UINT dpi, INT_PTR& result) {
    switch (message) {
        case WM_DRAWITEM:
            result =
                DrawCustomButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
            return true;
        case WM_ERASEBKGND:
            PaintWindowBackground(window, reinterpret_cast<HDC>(wParam), banner, dpi);
            SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
            result = TRUE;
            return true;
        case WM_CTLCOLORSTATIC: {
            // Labels: dark text on the window's white.
            auto* dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, RGB(255, 255, 255));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace kvd::win32
