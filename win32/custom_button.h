// The flat owner-drawn button: two texts (one while enabled, one while disabled), five looks,
// and a highlight once the pointer has rested on it. The dialog templates give the buttons
// BS_OWNERDRAW; the dialog hands each WM_DRAWITEM of a button to DrawCustomButton.
#pragma once

#include <windows.h>

#include <string>

namespace kvd::win32 {

// Takes the button over; both texts start as its window text.
void AttachCustomButton(HWND button);
void SetButtonTexts(HWND button, const std::wstring& enabledText, const std::wstring& disabledText);
// The text the button shows now.
std::wstring ButtonShownText(HWND button);
bool DrawCustomButton(const DRAWITEMSTRUCT& item);

}  // namespace kvd::win32
