#include "win32/transfer_window.h"

#include <commctrl.h>

#include "shell/window_layout.h"
#include "win32/custom_button.h"
#include "win32/dialog_templates.h"
#include "win32/drop_edit.h"
#include "win32/message_loop.h"
#include "win32/progress_dialog.h"
#include "win32/prompts.h"
#include "win32/resource_ids.h"
#include "win32/screen_scale.h"
#include "win32/wide_text.h"
#include "win32/window_paint.h"

namespace kvd::win32 {
namespace {

struct ControlPlace {
    int id;
    layout::Rect area;
};

// Where each control lies in the design.
constexpr ControlPlace kPlaces[] = {
    {IDC_HEADER, layout::transfer::kHeaderLabel},
    {IDC_PATH_LABEL, layout::transfer::kPathLabel},
    {IDC_PATH, layout::transfer::kPathEdit},
    {IDC_SELECT, layout::transfer::kSelectButton},
    {IDC_GET, layout::transfer::kGetButton},
    {IDC_FORMAT, layout::transfer::kFormatChoice},
    {IDC_VOICE_LABEL, layout::transfer::kVoiceLabel},
    {IDC_MEM_PATH_LABEL, layout::transfer::kMemPathLabel},
    {IDC_MEM_PATH, layout::transfer::kMemPathEdit},
    {IDC_SELECT_MEM, layout::transfer::kSelectMemButton},
    {IDC_UPDATE_VOICE, layout::transfer::kUpdateVoiceButton},
    {IDC_LIST_LABEL, layout::transfer::kListLabel},
    {IDC_SELECT_ALL, layout::transfer::kSelectAllBox},
    {IDC_SELECT_ALL_LABEL, layout::transfer::kSelectAllLabel},
    {IDC_DELETE, layout::transfer::kDeleteButton},
    {IDCANCEL, layout::transfer::kCloseButton},
    {IDC_LIST, layout::transfer::kList},
};

constexpr int kButtons[] = {IDC_SELECT,       IDC_GET,    IDC_SELECT_MEM,
                            IDC_UPDATE_VOICE, IDC_DELETE, IDCANCEL};

int ControlId(TransferControl control) {
    switch (control) {
        case TransferControl::HeaderLabel:
            return IDC_HEADER;
        case TransferControl::PathLabel:
            return IDC_PATH_LABEL;
        case TransferControl::PathEdit:
            return IDC_PATH;
        case TransferControl::SelectButton:
            return IDC_SELECT;
        case TransferControl::GetButton:
            return IDC_GET;
        case TransferControl::VoiceLabel:
            return IDC_VOICE_LABEL;
        case TransferControl::MemPathLabel:
            return IDC_MEM_PATH_LABEL;
        case TransferControl::MemPathEdit:
            return IDC_MEM_PATH;
        case TransferControl::SelectMemButton:
            return IDC_SELECT_MEM;
        case TransferControl::UpdateVoiceButton:
            return IDC_UPDATE_VOICE;
        case TransferControl::ListLabel:
            return IDC_LIST_LABEL;
        case TransferControl::SelectAllBox:
            return IDC_SELECT_ALL;
        case TransferControl::SelectAllLabel:
            return IDC_SELECT_ALL_LABEL;
        case TransferControl::DeleteButton:
            return IDC_DELETE;
        case TransferControl::List:
            return IDC_LIST;
        case TransferControl::FormatChoice:
            return IDC_FORMAT;
    }
    return 0;
}

bool IsButton(int id) {
    for (int button : kButtons)
        if (button == id) return true;
    return false;
}

}  // namespace

TransferWindow::TransferWindow(HWND owner, TransferWindowMode mode, ConnectionCheck* check)
    : DialogWindow(WindowRole::Transfer), owner_(owner), presenter_(*this, mode, check) {}

TransferWindow::~TransferWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (banner_ != nullptr) DeleteObject(banner_);
}

bool TransferWindow::Open() {
    if (CreateDialogInLanguage(IDD_TRANSFER, owner_, &DialogWindow::Procedure, Parameter()) ==
        nullptr)
        return false;
    // Modal over its owner.
    EnableWindow(owner_, FALSE);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    PostMessageW(window_, kTransferOpenedMessage, 0, 0);
    return true;
}

void TransferWindow::RequestEnd() {
    endRequested_ = true;
    EndIfRequested();
}

void TransferWindow::EndIfRequested() {
    // Not while a call into the presenter is under way: it would come back to a window that
    // is gone. The procedure's outermost call ends it instead.
    if (!endRequested_ || ended_ || depth_ > 0) return;
    ended_ = true;
    // The owner first, so that it takes the focus back instead of another program.
    EnableWindow(owner_, TRUE);
    ShowWindow(window_, SW_HIDE);
    PostMessageW(owner_, kTransferEndedMessage, 0, 0);
}

INT_PTR TransferWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    ++depth_;
    const INT_PTR result = HandleMessage(message, wParam, lParam);
    --depth_;
    EndIfRequested();
    return result;
}

void TransferWindow::OnInit() {
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    for (int id : kButtons) AttachCustomButton(GetDlgItem(window_, id));
    AttachDropEdit(GetDlgItem(window_, IDC_PATH));
    AttachDropEdit(GetDlgItem(window_, IDC_MEM_PATH));
    dpi_ = WindowDpi(window_);
    list_.Attach(
        GetDlgItem(window_, IDC_LIST), dpi_, [this](int row) { return presenter_.MayTick(row); },
        [this](int row, bool ticked) { presenter_.OnRowTicked(row, ticked); });
    banner_ = LoadBanner();
    LayOut(dpi_);
}

void TransferWindow::LayOut(UINT dpi) {
    for (const ControlPlace& place : kPlaces) PlaceControl(window_, place.id, place.area, dpi);
}

INT_PTR TransferWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    INT_PTR result = FALSE;
    if (HandlePaintMessage(window_, message, wParam, lParam, banner_, dpi_, result)) return result;
    switch (message) {
        case kTransferOpenedMessage:
            presenter_.OnOpened();
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            LRESULT answer = 0;
            if (!list_.OnNotify(*reinterpret_cast<const NMHDR*>(lParam), answer)) return FALSE;
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, answer);
            return TRUE;
        }
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wParam);
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                         suggested->right - suggested->left, suggested->bottom - suggested->top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            LayOut(dpi_);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

void TransferWindow::OnCommand(int id, int code) {
    switch (id) {
        case IDC_GET:
            presenter_.OnGet();
            break;
        case IDC_UPDATE_VOICE:
            presenter_.OnUpdateVoice();
            break;
        case IDC_DELETE:
            presenter_.OnDelete();
            break;
        case IDC_SELECT:
            presenter_.OnSelect();
            break;
        case IDC_SELECT_MEM:
            presenter_.OnSelectMem();
            break;
        case IDC_SELECT_ALL:
            if (code == BN_CLICKED)
                presenter_.OnSelectAll(IsDlgButtonChecked(window_, IDC_SELECT_ALL) == BST_CHECKED);
            break;
        case IDC_FORMAT:
            if (code == CBN_SELCHANGE)
                presenter_.OnFormatChosen(
                    static_cast<int>(SendDlgItemMessageW(window_, IDC_FORMAT, CB_GETCURSEL, 0, 0)));
            break;
        case IDCANCEL:  // Close, Escape, the close box
            RequestEnd();
            break;
        default:  // IDOK: Enter in a path edit does nothing
            break;
    }
}

HWND TransferWindow::Control(TransferControl control) const {
    return GetDlgItem(window_, ControlId(control));
}

void TransferWindow::SetText(TransferControl control, const std::string& text) {
    const int id = ControlId(control);
    const std::wstring wide = Wide(text);
    if (IsButton(id)) {
        SetButtonTexts(GetDlgItem(window_, id), wide, wide);  // both states alike here
        return;
    }
    SetDlgItemTextW(window_, id, wide.c_str());
}

std::string TransferWindow::Text(TransferControl control) const {
    return Utf8(WindowText(Control(control)));
}

void TransferWindow::SetVisible(TransferControl control, bool visible) {
    ShowWindow(Control(control), visible ? SW_SHOW : SW_HIDE);
}

void TransferWindow::SetEnabled(TransferControl control, bool enabled) {
    EnableWindow(Control(control), enabled ? TRUE : FALSE);
}

void TransferWindow::SetChecked(TransferControl control, bool checked) {
    CheckDlgButton(window_, ControlId(control), checked ? BST_CHECKED : BST_UNCHECKED);
}

void TransferWindow::SetChoices(TransferControl control, const std::vector<std::string>& items,
                                int chosen) {
    HWND combo = Control(control);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

void TransferWindow::SetLayout(TransferWindowMode mode) {
    SizeClientArea(
        window_,
        mode == ModeGpsLog ? layout::transfer::kGpsLogClient : layout::transfer::kUpdateClient,
        dpi_);
    CentreOn(window_, owner_);
}

void TransferWindow::SetListHeadings(const std::vector<std::string>& headings) {
    std::vector<std::wstring> texts;
    for (const std::string& heading : headings) texts.push_back(Wide(heading));
    if (texts.size() > std::size(layout::transfer::kColumnWidths))
        texts.resize(std::size(layout::transfer::kColumnWidths));
    list_.SetHeadings(texts, layout::transfer::kColumnWidths, dpi_);
}

void TransferWindow::SetRows(const std::vector<ListRow>& rows) {
    std::vector<std::wstring> names;
    for (const ListRow& row : rows) names.push_back(Wide(row.name));
    list_.SetRows(names);
    for (size_t row = 0; row < rows.size(); ++row)
        list_.SetCell(static_cast<int>(row), 2, Wide(rows[row].size));
}

void TransferWindow::SetNewMarks(const std::vector<bool>& marks, const std::string& mark) {
    const std::wstring text = Wide(mark);
    for (size_t row = 0; row < marks.size(); ++row)
        list_.SetCell(static_cast<int>(row), 3, marks[row] ? text : std::wstring());
}

void TransferWindow::SetTicks(const std::vector<bool>& ticks) { list_.SetTicks(ticks); }

void TransferWindow::ShowMessage(const std::string& text, const std::string& detail) {
    ShowMessageBox(window_, text, detail);
}

bool TransferWindow::ShowMessageOffering(const std::string& text, const std::string& detail,
                                         const std::string& offer) {
    return ShowMessageBoxOffering(window_, text, detail, offer);
}

void TransferWindow::OpenFolder(const std::string& folder) { OpenFolderWindow(folder); }

bool TransferWindow::Ask(const std::string& text, const std::string& yes, const std::string& no) {
    return AskQuestion(window_, text, yes, no);
}

std::optional<std::string> TransferWindow::ChooseFolder(const std::string& title,
                                                        const std::string& startFolder) {
    return ChooseFolderDialog(window_, title, startFolder);
}

std::optional<std::string> TransferWindow::ChooseFile(const std::string& catalogueFilter,
                                                      const std::string& startFolder) {
    return ChooseFileDialog(window_, catalogueFilter, startFolder);
}

void TransferWindow::RunProgress(ProgressRun& run, std::function<void()> operation) {
    ProgressDialog::Run(window_, run, std::move(operation));
}

void TransferWindow::CloseWindow() { RequestEnd(); }

}  // namespace kvd::win32
