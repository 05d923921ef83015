// The dialogs of the program, made from the template of the user's language. The system
// would pick a template by the thread's UI language, which not every system sets from the
// user's language; so the program finds the template itself.
#pragma once

#include <windows.h>

namespace kvd::win32 {

// A modeless dialog (the caller runs its messages); null when it could not be made.
HWND CreateDialogInLanguage(int templateId, HWND owner, DLGPROC procedure, LPARAM parameter);
// A modal dialog; returns its end code, or -1 when it could not be made.
INT_PTR RunDialogInLanguage(int templateId, HWND owner, DLGPROC procedure, LPARAM parameter);

}  // namespace kvd::win32
