// An edit that takes the path of a file or folder dropped on it from the desktop: the first
// dropped item's whole path becomes its text; further items are ignored.
#pragma once

#include <windows.h>

namespace kvd::win32 {

void AttachDropEdit(HWND edit);

}  // namespace kvd::win32
