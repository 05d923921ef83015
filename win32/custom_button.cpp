#include "win32/custom_button.h"

#include <commctrl.h>

#include "shell/button_look.h"
#include "win32/wide_text.h"

namespace kvd::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;
const wchar_t kStateProperty[] = L"KVD2730.ButtonState";

struct ButtonState {
    std::wstring texts[2];  // enabled, disabled
    bool hover = false;
};

ButtonState* StateOf(HWND button) {
    return static_cast<ButtonState*>(GetPropW(button, kStateProperty));
}

COLORREF Rgb(Colour colour) { return RGB(colour.red, colour.green, colour.blue); }

void Redraw(HWND button) {
    InvalidateRect(button, nullptr, TRUE);
    UpdateWindow(button);
}

// The window text follows the text shown, so that screen readers say what is drawn.
void ShowCurrentText(HWND button, const ButtonState& state) {
    SetWindowTextW(button, state.texts[IsWindowEnabled(button) ? 0 : 1].c_str());
}

LRESULT CALLBACK ButtonProcedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                 DWORD_PTR data) {
    auto* state = reinterpret_cast<ButtonState*>(data);
    switch (message) {
        case WM_MOUSEMOVE:
            if (!state->hover) {
                // Any movement restarts the wait: the highlight needs the pointer to rest.
                TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, button,
                                      kButtonHoverDelayMs};
                TrackMouseEvent(&track);
            }
            break;
        case WM_MOUSEHOVER:
            state->hover = true;
            Redraw(button);
            return 0;
        case WM_MOUSELEAVE:
            state->hover = false;
            Redraw(button);
            return 0;
        case WM_ENABLE:
            ShowCurrentText(button, *state);
            break;
        case WM_ERASEBKGND:
            return 1;  // the fill covers everything
        case WM_NCDESTROY:
            RemoveWindowSubclass(button, ButtonProcedure, kSubclassId);
            RemovePropW(button, kStateProperty);
            delete state;
            break;
        default:
            break;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

}  // namespace

void AttachCustomButton(HWND button) {
    auto* state = new ButtonState;
    const std::wstring text = WindowText(button);
    state->texts[0] = state->texts[1] = text;
    SetPropW(button, kStateProperty, state);
    SetWindowSubclass(button, ButtonProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(state));
}

void SetButtonTexts(HWND button, const std::wstring& enabledText,
                    const std::wstring& disabledText) {
    ButtonState* state = StateOf(button);
    if (state == nullptr) return;
    state->texts[0] = enabledText;
    state->texts[1] = disabledText;
    ShowCurrentText(button, *state);
    Redraw(button);
}

std::wstring ButtonShownText(HWND button) {
    const ButtonState* state = StateOf(button);
    if (state == nullptr) return {};
    return state->texts[IsWindowEnabled(button) ? 0 : 1];
}

bool DrawCustomButton(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_BUTTON) return false;
    const ButtonState* state = StateOf(item.hwndItem);
    if (state == nullptr) return false;
    const ButtonLook look =
        LookOf((item.itemState & ODS_DISABLED) == 0, (item.itemState & ODS_SELECTED) != 0,
               state->hover, (item.itemState & ODS_FOCUS) != 0);
    HDC dc = item.hDC;
    RECT area = item.rcItem;
    HBRUSH fill = CreateSolidBrush(Rgb(ButtonFillColour(look)));
    FillRect(dc, &area, fill);
    DeleteObject(fill);
    if (look == ButtonLook::Pressed) {
        // A sunken edge: dark on the top and left only; the other edges keep the fill.
        HPEN pen = CreatePen(PS_SOLID, 1, Rgb(kPressedEdgeColour));
        HGDIOBJ previous = SelectObject(dc, pen);
        MoveToEx(dc, area.left, area.bottom - 1, nullptr);
        LineTo(dc, area.left, area.top);
        LineTo(dc, area.right, area.top);
        SelectObject(dc, previous);
        DeleteObject(pen);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Rgb(ButtonTextColour(look)));
    const std::wstring& text = state->texts[look == ButtonLook::Disabled ? 1 : 0];
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return true;
}

}  // namespace kvd::win32
