#include "win32/window_paint.h"

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

HBRUSH LabelBackground(HDC dc) {
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

}  // namespace kvd::win32
