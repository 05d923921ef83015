#include "win32/screen_scale.h"

namespace kvd::win32 {

UINT WindowDpi(HWND window) {
    // GetDpiForWindow knows each monitor's density (Windows 10 and later); older systems
    // have one for the whole desktop.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi != 0) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void PlaceControl(HWND dialog, int id, const layout::Rect& area, UINT dpi) {
    SetWindowPos(GetDlgItem(dialog, id), nullptr, Scaled(area.x, dpi), Scaled(area.y, dpi),
                 Scaled(area.width, dpi), Scaled(area.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
}

void SizeClientArea(HWND window, const layout::Size& client, UINT dpi) {
    RECT frame{0, 0, Scaled(client.width, dpi), Scaled(client.height, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CentreOn(HWND window, HWND owner) {
    RECT area{};
    if (owner != nullptr) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT own{};
    GetWindowRect(window, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace kvd::win32
