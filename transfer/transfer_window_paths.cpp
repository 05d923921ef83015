// The transfer window's choosers: the save folder (kept in the settings file) and the two
// upload files.
#include <QDir>

#include "controls/controls.h"
#include "shell/catalogue_text.h"
#include "transfer/transfer.h"
#include "transfer/transfer_window.h"

namespace kvd {
namespace {

QString QtFilter(MessageEntry catalogueFilter) {
    return QString::fromStdString(ChooserFilter(MessageText(catalogueFilter)));
}

// Marks the window as choosing for as long as a chooser is open.
class SelectingScope {
public:
    explicit SelectingScope(std::atomic<bool>& selecting) : selecting_(selecting) { selecting_ = true; }
    ~SelectingScope() { selecting_ = false; }
    SelectingScope(const SelectingScope&) = delete;
    SelectingScope& operator=(const SelectingScope&) = delete;

private:
    std::atomic<bool>& selecting_;
};

}  // namespace

void CKVD2730Dlg::OnClickedSelect() {
    SelectingScope selecting(m_bSelecting);
    const QString current = QDir::currentPath();
    if (m_nMode == ModeGpsLog) {
        const auto folder =
            m_pPrompts->ChooseFolder(this, CatalogueText(MsgSelectStoreFolder), current);
        if (folder) {
            m_strPath = *folder;
            m_editPath->setText(m_strPath);
            // Not being able to keep it is no reason to bother the user: it is still used now.
            std::string ignored;
            WriteSaveFolder(PathFromUtf8(current.toStdString()), m_strPath.toStdString(), ignored);
        }
    } else {
        if (const auto file = m_pPrompts->ChooseFile(this, QtFilter(MsgFilterFpt), current)) {
            m_strPath = *file;
            m_editPath->setText(m_strPath);
        }
    }
    m_btnSelect->setFocus();
}

void CKVD2730Dlg::OnClickedSelectMem() {
    SelectingScope selecting(m_bSelecting);
    if (const auto file = m_pPrompts->ChooseFile(this, QtFilter(MsgFilterMem), QDir::currentPath())) {
        m_strMemPath = *file;
        m_editMemPath->setText(m_strMemPath);
    }
}

}  // namespace kvd
