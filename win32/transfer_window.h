// The transfer window: the Windows view of a TransferPresenter. It lists the device's GPS
// logs with the buttons that get and delete them, or offers the two uploads in its update
// mode; every click goes to the presenter, which decides.
//
// Modal over the start dialog without a loop of its own: the start dialog is disabled while
// the window is open and told when it has ended (kTransferEndedMessage), so that the dialog
// goes on checking the device meanwhile.
#pragma once

#include <windows.h>

#include <memory>

#include "transfer/connection_check.h"
#include "transfer/transfer_presenter.h"
#include "transfer/transfer_view.h"
#include "win32/check_list.h"
#include "win32/dialog_window.h"

namespace kvd::win32 {

class TransferWindow final : public DialogWindow, public TransferView {
  public:
    TransferWindow(HWND owner, TransferWindowMode mode, ConnectionCheck* check);
    ~TransferWindow() override;

    // Makes and shows the window; false when it could not be made. The list is fetched
    // once it is on screen.
    bool Open();
    // Ends the window as its Close button does: at once, or once the operation under way
    // has returned.
    void RequestEnd();

    TransferPresenter& Presenter() { return presenter_; }

  private:
    void OnInit() override;
    // Every message, counted: the window ends only when no call of the presenter is under way.
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void LayOut(UINT dpi);
    void OnCommand(int id, int code);
    void PaintBackground(HDC dc);
    void EndIfRequested();
    HWND Control(TransferControl control) const;

    // TransferView
    void SetText(TransferControl control, const std::string& text) override;
    std::string Text(TransferControl control) const override;
    void SetVisible(TransferControl control, bool visible) override;
    void SetEnabled(TransferControl control, bool enabled) override;
    void SetChecked(TransferControl control, bool checked) override;
    void SetChoices(TransferControl control, const std::vector<std::string>& items,
                    int chosen) override;
    void SetLayout(TransferWindowMode mode) override;
    void SetListHeadings(const std::vector<std::string>& headings) override;
    void SetRows(const std::vector<ListRow>& rows) override;
    void SetNewMarks(const std::vector<bool>& marks, const std::string& mark) override;
    void SetTicks(const std::vector<bool>& ticks) override;
    void ShowMessage(const std::string& text, const std::string& detail) override;
    bool ShowMessageOffering(const std::string& text, const std::string& detail,
                             const std::string& offer) override;
    void OpenFolder(const std::string& folder) override;
    bool Ask(const std::string& text, const std::string& yes, const std::string& no) override;
    std::optional<std::string> ChooseFolder(const std::string& title,
                                            const std::string& startFolder) override;
    std::optional<std::string> ChooseFile(const std::string& catalogueFilter,
                                          const std::string& startFolder) override;
    void RunProgress(ProgressRun& run, std::function<void()> operation) override;
    void CloseWindow() override;

    HWND owner_;
    TransferPresenter presenter_;
    CheckList list_;
    HBITMAP banner_ = nullptr;
    UINT dpi_ = 96;
    int depth_ = 0;  // calls of the window's procedure under way
    bool endRequested_ = false;
    bool ended_ = false;
};

}  // namespace kvd::win32
