// The transfer window: lists the device's GPS logs, downloads the ticked ones as KML files,
// deletes them, and uploads the two data files in its update mode.
//
// How an opener (the start dialog) uses it:
//
//     CKVD2730Dlg window(parent, ModeGpsLog, &connectionCheck);
//     g_transferDlg = &window;
//     window.exec();               // set-up (list fetched while hidden), then modal
//     g_transferDlg = nullptr;
//
// - The window calls connectionCheck->PauseConnectionCheck() when an operation starts and
//   ResumeConnectionCheck() when it is over (after its result box), unless an exit was
//   requested (connectionCheck->ExitRequested()); then it closes itself instead. A null check
//   is allowed.
// - CancelOperation() asks a running operation to stop at its next block (the exit command).
// - IsSelecting() is true while one of its folder or file choosers is open: the opener skips
//   its probe and the tray its menu meanwhile.
// - reject() closes it as the Close button does; the opener calls it when the device is lost.
// - Boxes and choosers go through `prompts` (null: the real ones), so that tests never block.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "common/cancel_request.h"
#include "transfer/connection_check.h"
#include "transfer/transfer_prompts.h"

class QCheckBox;
class QLabel;

namespace kvd {

class CBtnListCtrl;
class CCustomButton;
class CCustomEdit;
class CWaitDialog;
struct OperationReport;
struct RowEntry;
struct SavedLog;

enum TransferWindowMode : int32_t {
    ModeGpsLog = 1,  // the device's GPS logs: get as KML, delete
    ModeUpdate = 2,  // upload GPS point data and voice-synthesis data
};

class CKVD2730Dlg : public QDialog {
    Q_OBJECT

public:
    static constexpr QSize kGpsLogSize{640, 350};
    static constexpr QSize kUpdateSize{400, 350};
    static constexpr int kMaxRows = 20;

    CKVD2730Dlg(QWidget* parent, TransferWindowMode mode, ConnectionCheck* connectionCheck = nullptr,
                TransferPrompts* prompts = nullptr);
    ~CKVD2730Dlg() override;

    // Runs the set-up (reads the settings, fetches the list) the first time it is shown.
    void setVisible(bool visible) override;

    TransferWindowMode Mode() const { return m_nMode; }
    bool IsSelecting() const { return m_bSelecting.load(); }
    // Asks the running operation, if any, to stop; its result box still shows.
    void CancelOperation() { m_operationCancel.Request(); }

    // The controls, for tests and screenshots.
    CBtnListCtrl* List() const { return m_list; }
    CCustomEdit* PathEdit() const { return m_editPath; }
    CCustomEdit* MemPathEdit() const { return m_editMemPath; }
    QCheckBox* SelectAllBox() const { return m_selectAll; }
    CCustomButton* GetButton() const { return m_btnGet; }
    CCustomButton* DeleteButton() const { return m_btnDelete; }
    CCustomButton* UpdateVoiceButton() const { return m_btnUpdateVoice; }
    CCustomButton* SelectButton() const { return m_btnSelect; }
    CCustomButton* SelectMemButton() const { return m_btnSelectMem; }
    CCustomButton* CloseButton() const { return m_btnClose; }

public slots:
    void OnClickedGet();
    void OnClickedUpdateVoice();
    void OnClickedDelete();
    void OnClickedSelect();
    void OnClickedSelectMem();
    void OnClickedSelectAll();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    void OnInitDialog();

    // The device file list.
    void RefreshList();
    void ResetSelection();
    void FetchList();
    void ApplyRows(const std::vector<RowEntry>& rows);
    bool IsRowInvalid(int row) const;
    void OnRowCheckChanged(int row);
    void EnableGetAndDelete(bool enable);

    // The operations' common frame.
    // Starts an operation: the opener's check paused, a fresh cancel request.
    void BeginOperation();
    void EndOperation();
    void ShowMessage(const QString& text, const QString& detail = {});
    void ShowResult(const OperationReport& report, int32_t okEntry, int32_t errorEntry,
                    const std::vector<SavedLog>& logs = {});
    void RunGet();
    void RunUpdate(CCustomEdit* edit, QString& path, const char* commandLine);

    TransferWindowMode m_nMode;
    ConnectionCheck* m_pConnectionCheck;
    TransferPrompts* m_pPrompts;
    DesktopPrompts m_desktopPrompts;
    bool m_bInitialised = false;

    QString m_strPath;  // save folder (GPS logs) or point-data file (update); edit 1019
    QString m_strMemPath;  // voice-synthesis data file; edit 1020
    std::array<bool, kMaxRows> m_bRowInvalid{};
    std::atomic<bool> m_bSelecting{false};
    CancelRequest m_operationCancel;  // of the operation running now
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
};

// The open transfer window, or null; set by its opener.
extern CKVD2730Dlg* g_transferDlg;

}  // namespace kvd
