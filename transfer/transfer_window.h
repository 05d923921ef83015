// The transfer window: the Qt view of a TransferPresenter. It lists the device's GPS logs,
// with the buttons that get and delete them, or offers the two uploads in its update mode;
// every click goes to the presenter, which decides.
//
// How an opener (the start dialog) uses it:
//
//     CKVD2730Dlg window(parent, ModeGpsLog, &connectionCheck, &CWaitDialog::RunModal);
//     window.open();               // the list is fetched once it shows
//
// - The presenter pauses the opener's connection check while an operation talks to the
//   device, and closes the window after an operation when the program is ending.
// - Presenter().CancelOperation() stops a running operation at its next block.
// - Presenter().IsSelecting() is true while one of its choosers is open.
// - reject() closes it as the Close button does.
// - Boxes and choosers go through `prompts` (null: the real ones), so that tests never block.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <functional>

#include "controls/layout_rect.h"
#include "transfer/connection_check.h"
#include "transfer/transfer_presenter.h"
#include "transfer/transfer_prompts.h"
#include "transfer/transfer_view.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace kvd {

class CBtnListCtrl;
class CCustomButton;
class CCustomEdit;

// Shows the shell's progress dialog over `owner` for `run` and returns when it has closed.
using ProgressDialogRunner =
    std::function<void(QWidget* owner, ProgressRun& run, std::function<void()> operation)>;

class CKVD2730Dlg : public QDialog, public TransferView {
    Q_OBJECT

  public:
    static constexpr QSize kGpsLogSize = ToQSize(layout::transfer::kGpsLogClient);
    static constexpr QSize kUpdateSize = ToQSize(layout::transfer::kUpdateClient);

    CKVD2730Dlg(QWidget* parent, TransferWindowMode mode, ConnectionCheck* connectionCheck,
                ProgressDialogRunner progress, TransferPrompts* prompts = nullptr);
    ~CKVD2730Dlg() override;

    // The first show runs the set-up; the list is fetched once the window is on screen.
    void setVisible(bool visible) override;

    TransferPresenter& Presenter() { return m_presenter; }
    TransferWindowMode Mode() const { return m_presenter.Mode(); }

    // The controls, for tests and screenshots.
    CBtnListCtrl* List() const { return m_list; }
    CCustomEdit* PathEdit() const { return m_editPath; }
    CCustomEdit* MemPathEdit() const { return m_editMemPath; }
    QCheckBox* SelectAllBox() const { return m_selectAll; }
    QComboBox* FormatChoice() const { return m_comboFormat; }
    CCustomButton* GetButton() const { return m_btnGet; }
    CCustomButton* DeleteButton() const { return m_btnDelete; }
    CCustomButton* UpdateVoiceButton() const { return m_btnUpdateVoice; }
    CCustomButton* SelectButton() const { return m_btnSelect; }
    CCustomButton* SelectMemButton() const { return m_btnSelectMem; }
    CCustomButton* CloseButton() const { return m_btnClose; }

  signals:
    // The set-up's list fetch has ended (for tests and screenshots).
    void Opened();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CreateControls();
    QWidget* Control(TransferControl control) const;

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

    TransferPresenter m_presenter;
    ProgressDialogRunner m_runProgress;
    TransferPrompts* m_pPrompts;
    DesktopPrompts m_desktopPrompts;
    bool m_bInitialised = false;
    QPixmap m_banner;

    CBtnListCtrl* m_list = nullptr;
    CCustomEdit* m_editPath = nullptr;
    CCustomEdit* m_editMemPath = nullptr;
    CCustomButton* m_btnDelete = nullptr;
    CCustomButton* m_btnSelect = nullptr;
    CCustomButton* m_btnGet = nullptr;
    CCustomButton* m_btnSelectMem = nullptr;
    CCustomButton* m_btnUpdateVoice = nullptr;
    CCustomButton* m_btnClose = nullptr;
    QLabel* m_labelHeader = nullptr;     // 1026
    QLabel* m_labelPath = nullptr;       // 1027
    QLabel* m_labelVoice = nullptr;      // 1023
    QLabel* m_labelMemPath = nullptr;    // 1028
    QLabel* m_labelList = nullptr;       // 1018
    QLabel* m_labelSelectAll = nullptr;  // 1025
    QCheckBox* m_selectAll = nullptr;    // 1013
    QComboBox* m_comboFormat = nullptr;
};

}  // namespace kvd
