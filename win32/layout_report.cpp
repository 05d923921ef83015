#include "win32/layout_report.h"

#include <commctrl.h>

#include <cstdlib>
#include <cwchar>
#include <string>

#include "win32/check_list.h"
#include "win32/message_loop.h"
#include "win32/resource_ids.h"
#include "win32/start_dialog.h"
#include "win32/wide_text.h"

namespace kvd::win32 {
namespace {

std::wstring& ReportPath() {
    static std::wstring path;
    return path;
}

std::string& LastReport() {
    static std::string report;
    return report;
}

std::string Hex(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
    return text;
}

std::string TextOf(HWND window) {
    std::string utf8 = Utf8(WindowText(window));
    for (char& c : utf8)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return utf8;
}

std::string ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return Utf8(name);
}

std::string Area(const RECT& area) {
    return std::to_string(area.left) + "\t" + std::to_string(area.top) + "\t" +
           std::to_string(area.right - area.left) + "\t" + std::to_string(area.bottom - area.top);
}

const char* RoleName(HWND window) {
    WindowRole role{};
    if (RoleOf(window, role)) {
        switch (role) {
            case WindowRole::Tray:
                return "tray";
            case WindowRole::Start:
                return "start";
            case WindowRole::Transfer:
                return "transfer";
            case WindowRole::Progress:
                return "progress";
        }
    }
    const std::string name = ClassOf(window);
    if (name == "#32770") return "box";
    if (name == "#32768") return "menu";
    return "other";
}

std::string ControlName(const std::string& role, int id, const std::string& className) {
    struct Name {
        const char* role;
        int id;
        const char* name;
    };
    static const Name names[] = {
        {"start", IDC_MODE_BUTTON, "mode"},
        {"start", IDC_UPDATE_BUTTON, "update"},  // never shown
        {"start", IDCANCEL, "end"},
        {"start", IDC_STATUS, "status"},
        {"transfer", IDC_HEADER, "header"},
        {"transfer", IDC_PATH_LABEL, "pathLabel"},
        {"transfer", IDC_PATH, "path"},
        {"transfer", IDC_SELECT, "select"},
        {"transfer", IDC_GET, "get"},
        {"transfer", IDC_FORMAT, "format"},
        {"transfer", IDC_VOICE_LABEL, "voiceLabel"},
        {"transfer", IDC_MEM_PATH_LABEL, "memPathLabel"},
        {"transfer", IDC_MEM_PATH, "memPath"},
        {"transfer", IDC_SELECT_MEM, "selectMem"},
        {"transfer", IDC_UPDATE_VOICE, "updateVoice"},
        {"transfer", IDC_LIST_LABEL, "listLabel"},
        {"transfer", IDC_SELECT_ALL, "selectAll"},
        {"transfer", IDC_SELECT_ALL_LABEL, "selectAllLabel"},
        {"transfer", IDC_DELETE, "delete"},
        {"transfer", IDCANCEL, "close"},
        {"transfer", IDC_LIST, "list"},
        {"progress", IDC_PROGRESS_MESSAGE, "message"},
        {"progress", IDC_PROGRESS_BAR, "bar"},
        {"progress", IDCANCEL, "cancel"},
        {"box", IDOK, "ok"},
        {"box", IDCANCEL, "cancel"},
        {"box", IDYES, "yes"},
        {"box", IDNO, "no"},
    };
    for (const Name& name : names)
        if (role == name.role && id == name.id) return name.name;
    if (role == "box" && className == "Static") return "text";
    return "id" + std::to_string(id);
}

void ReportRows(HWND window, HWND list, std::string& out) {
    const int count = ListView_GetItemCount(list);
    for (int row = 0; row < count; ++row) {
        wchar_t name[256] = {};
        ListView_GetItemText(list, row, 1, name, 256);
        out += "row\t" + Hex(window) + "\t" + std::to_string(row) + "\t" +
               Area(RowCheckBoxRect(list, row)) + "\t" + (IsRowTicked(list, row) ? "1" : "0") +
               "\t" + (IsRowRefused(list, row) ? "0" : "1") + "\t" + Utf8(name) + "\n";
    }
}

BOOL CALLBACK ReportControl(HWND control, LPARAM parameter) {
    auto* out = reinterpret_cast<std::string*>(parameter);
    HWND window = GetAncestor(control, GA_ROOT);
    if (GetParent(control) != window) return TRUE;  // only the dialog's own controls
    const std::string role = RoleName(window);
    const std::string className = ClassOf(control);
    const int id = GetDlgCtrlID(control);
    RECT area{};
    GetWindowRect(control, &area);
    const bool checked =
        SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED && className == "Button";
    *out += "control\t" + Hex(window) + "\t" + ControlName(role, id, className) + "\t" +
            Area(area) + "\t" + (IsWindowVisible(control) ? "1" : "0") + "\t" +
            (IsWindowEnabled(control) ? "1" : "0") + "\t" + (checked ? "1" : "0") + "\t" +
            TextOf(control) + "\n";
    if (role == "transfer" && id == IDC_LIST) ReportRows(window, control, *out);
    return TRUE;
}

BOOL CALLBACK ReportWindow(HWND window, LPARAM parameter) {
    auto* out = reinterpret_cast<std::string*>(parameter);
    const std::string role = RoleName(window);
    if (role == "other" && !IsWindowVisible(window)) return TRUE;
    RECT area{};
    GetWindowRect(window, &area);
    *out += "window\t" + Hex(window) + "\t" + role + "\t" + Area(area) + "\t" +
            (IsWindowVisible(window) ? "1" : "0") + "\t" + (IsWindowEnabled(window) ? "1" : "0") +
            "\t" + TextOf(window) + "\n";
    if (role != "tray" && role != "menu") EnumChildWindows(window, ReportControl, parameter);
    return TRUE;
}

}  // namespace

void StartLayoutReport(HWND window) {
    const wchar_t* path = _wgetenv(L"KVD2730_TEST_LAYOUT");
    if (path == nullptr || *path == L'\0') return;
    ReportPath() = path;
    // Benchmarks look more often than the tests need.
    UINT interval = 100;
    if (const wchar_t* milliseconds = _wgetenv(L"KVD2730_TEST_LAYOUT_MS")) {
        const long value = std::wcstol(milliseconds, nullptr, 10);
        if (value >= 1 && value <= 1000) interval = static_cast<UINT>(value);
    }
    SetTimer(window, kLayoutReportTimer, interval, nullptr);
}

void WriteLayoutReport(StartState startState) {
    if (ReportPath().empty()) return;
    std::string report;
    EnumThreadWindows(GetCurrentThreadId(), ReportWindow, reinterpret_cast<LPARAM>(&report));
    report += std::string("state\tstart\t") + StartDialog::StateName(startState) + "\n";
    if (report == LastReport()) return;
    const std::wstring temporary = ReportPath() + L".new";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    const BOOL wrote =
        WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
    CloseHandle(file);
    if (!wrote || written != report.size()) return;
    if (MoveFileExW(temporary.c_str(), ReportPath().c_str(), MOVEFILE_REPLACE_EXISTING))
        LastReport() = report;
}

}  // namespace kvd::win32
