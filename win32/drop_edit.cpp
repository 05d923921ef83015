#include "win32/drop_edit.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

namespace kvd::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 1;

// The whole path, however long: the system tells its length first.
std::wstring FirstDroppedPath(HDROP drop) {
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    if (length == 0) return {};
    std::wstring path(length + 1, L'\0');
    const UINT copied = DragQueryFileW(drop, 0, path.data(), length + 1);
    path.resize(copied);
    return path;
}

LRESULT CALLBACK EditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) {
    switch (message) {
        case WM_DROPFILES: {
            auto* drop = reinterpret_cast<HDROP>(wParam);
            const std::wstring path = FirstDroppedPath(drop);
            DragFinish(drop);
            if (!path.empty()) SetWindowTextW(edit, path.c_str());
            return 0;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(edit, EditProcedure, kSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

void AttachDropEdit(HWND edit) {
    // Paths of any length; the edit's own limit is far shorter than a long path's.
    SendMessageW(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    DragAcceptFiles(edit, TRUE);
    SetWindowSubclass(edit, EditProcedure, kSubclassId, 0);
}

}  // namespace kvd::win32
