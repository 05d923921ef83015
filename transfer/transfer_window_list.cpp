// The device file list of the transfer window: one row per slot of the device's list reply.
#include <QCheckBox>
#include <QLabel>

#include "controls/controls.h"
#include "devicelink/devicelink.h"
#include "shell/catalogue_text.h"
#include "transfer/transfer.h"
#include "transfer/transfer_window.h"

namespace kvd {
namespace {

// What each mode lists and the captions it writes at every refresh.
struct ModeRecord {
    MessageEntry listCaption;    // label 1018; MsgFile: left unchanged
    MessageEntry headerCaption;  // label 1026
    MessageEntry updateCaption;  // label 1023; MsgFile: left unchanged
    const char* listCommand;
    int rowCount;
};

constexpr ModeRecord kGpsLogModeRecord{MsgGpsLogDataList, MsgGetGpsLogData, MsgFile,
                                       command_line::kLogList, kGpsLogRowCount};
constexpr ModeRecord kUpdateModeRecord{MsgFile, MsgUpdateGpsPointData, MsgUpdateVoiceData,
                                       command_line::kRecordList, kUpdateRowCount};

}  // namespace

void CKVD2730Dlg::RefreshList() {
    m_list->RemoveRows();
    ResetSelection();
    const bool gpsLog = m_nMode == ModeGpsLog;
    for (QWidget* widget : std::initializer_list<QWidget*>{m_labelList, m_selectAll, m_labelSelectAll,
                                                           m_btnDelete, m_list})
        widget->setVisible(gpsLog);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_labelVoice, m_editMemPath, m_btnSelectMem,
                                                           m_btnUpdateVoice, m_labelMemPath})
        widget->setVisible(!gpsLog);
    FetchList();
}

void CKVD2730Dlg::ResetSelection() {
    m_selectAll->setChecked(false);
    m_list->show();
    for (QWidget* widget : std::initializer_list<QWidget*>{m_selectAll, m_btnUpdateVoice, m_btnGet, m_btnDelete})
        widget->show();
    if (m_nMode == ModeGpsLog) EnableGetAndDelete(false);
}

void CKVD2730Dlg::FetchList() {
    const ModeRecord& record = m_nMode == ModeGpsLog ? kGpsLogModeRecord : kUpdateModeRecord;
    if (record.listCaption != MsgFile) m_labelList->setText(CatalogueText(record.listCaption));
    m_labelHeader->setText(CatalogueText(record.headerCaption));
    m_labelHeader->show();
    if (record.updateCaption != MsgFile) m_labelVoice->setText(CatalogueText(record.updateCaption));

    TransferSettings settings;
    settings.port = DevicePortName();
    std::vector<RowEntry> rows;
    // A device that does not answer leaves the list empty; nothing is shown to the user.
    if (kvd::FetchList(settings, record.listCommand, record.rowCount, rows).Succeeded()) ApplyRows(rows);
}

void CKVD2730Dlg::ApplyRows(const std::vector<RowEntry>& rows) {
    m_bRowInvalid.fill(true);
    QStringList names;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        if (row < m_bRowInvalid.size()) m_bRowInvalid[row] = rows[row].invalid;
        names << QString::fromStdString(rows[row].name);
    }
    m_list->FillRows(names);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const int32_t size = rows[row].size;
        m_list->SetCellText(static_cast<int>(row), 2, size < 0 ? QString() : QString::number(size));
    }
}

bool CKVD2730Dlg::IsRowInvalid(int row) const {
    return row < 0 || row >= kMaxRows || m_bRowInvalid[static_cast<std::size_t>(row)];
}

void CKVD2730Dlg::OnRowCheckChanged(int) {
    if (m_nMode != ModeGpsLog) return;
    EnableGetAndDelete(!m_list->CheckedRows().empty());
}

void CKVD2730Dlg::OnClickedSelectAll() {
    EnableGetAndDelete(m_list->SetAllChecks(m_selectAll->isChecked()) == 1);
}

void CKVD2730Dlg::EnableGetAndDelete(bool enable) {
    m_btnGet->setEnabled(enable);
    m_btnDelete->setEnabled(enable);
}

}  // namespace kvd
