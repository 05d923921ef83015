#include "transfer/transfer_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include "controls/controls.h"
#include "resources/artwork.h"
#include "shell/catalogue_text.h"
#include "transfer/default_paths.h"

namespace kvd {
namespace {

QLabel* MakeLabel(QWidget* parent, const QRect& area) {
    auto* label = new QLabel(parent);
    label->setGeometry(area);
    label->setAttribute(Qt::WA_TranslucentBackground);  // banner and white show through
    return label;
}

CCustomButton* MakeButton(QWidget* parent, const QRect& area, MessageEntry text) {
    auto* button = new CCustomButton(parent);
    button->setGeometry(area);
    // This window gives both states the same text.
    button->SetTexts(CatalogueText(text), CatalogueText(text));
    return button;
}

QString Qt8(const std::string& text) { return QString::fromStdString(text); }

// A catalogue filter in Qt's form: "desc (*.EXT)", entries joined by ";;".
QString QtFilter(const std::string& catalogueFilter) {
    QStringList entries;
    for (const ChooserFilterEntry& entry : SplitChooserFilter(catalogueFilter))
        entries << Qt8(entry.description + " (" + entry.pattern + ")");
    return entries.join(QStringLiteral(";;"));
}

}  // namespace

CKVD2730Dlg::CKVD2730Dlg(QWidget* parent, TransferWindowMode mode, ConnectionCheck* connectionCheck,
                         ProgressDialogRunner progress, TransferPrompts* prompts)
    : QDialog(parent),
      m_presenter(*this, mode, connectionCheck),
      m_runProgress(std::move(progress)),
      m_pPrompts(prompts != nullptr ? prompts : &m_desktopPrompts) {
    setWindowIcon(ProgramIcon());
    setWindowTitle(QStringLiteral("RW-T356 GPS Log"));
    CreateControls();
}

CKVD2730Dlg::~CKVD2730Dlg() = default;

void CKVD2730Dlg::CreateControls() {
    QFont windowFont = font();
    windowFont.setPointSize(9);
    setFont(windowFont);

    namespace design = layout::transfer;
    m_labelHeader = MakeLabel(this, ToQRect(design::kHeaderLabel));
    m_labelPath = MakeLabel(this, ToQRect(design::kPathLabel));
    m_editPath = new CCustomEdit(this);
    m_editPath->setGeometry(ToQRect(design::kPathEdit));
    m_btnSelect = MakeButton(this, ToQRect(design::kSelectButton), MsgSelect);
    m_btnGet = MakeButton(this, ToQRect(design::kGetButton), MsgGetSelected);
    m_comboFormat = new QComboBox(this);
    m_comboFormat->setGeometry(ToQRect(design::kFormatChoice));
    m_labelVoice = MakeLabel(this, ToQRect(design::kVoiceLabel));
    m_labelMemPath = MakeLabel(this, ToQRect(design::kMemPathLabel));
    m_editMemPath = new CCustomEdit(this);
    m_editMemPath->setGeometry(ToQRect(design::kMemPathEdit));
    m_btnSelectMem = MakeButton(this, ToQRect(design::kSelectMemButton), MsgSelect);
    m_btnUpdateVoice = MakeButton(this, ToQRect(design::kUpdateVoiceButton), MsgUpdate);
    m_labelList = MakeLabel(this, ToQRect(design::kListLabel));
    m_selectAll = new QCheckBox(this);
    m_selectAll->setGeometry(ToQRect(design::kSelectAllBox));
    m_labelSelectAll = MakeLabel(this, ToQRect(design::kSelectAllLabel));
    m_btnDelete = MakeButton(this, ToQRect(design::kDeleteButton), MsgDeleteSelected);
    m_btnClose = MakeButton(this, ToQRect(design::kCloseButton), MsgClose);
    m_list = new CBtnListCtrl(this);
    m_list->setGeometry(ToQRect(design::kList));

    connect(m_btnGet, &QPushButton::clicked, this, [this] { m_presenter.OnGet(); });
    connect(m_btnUpdateVoice, &QPushButton::clicked, this, [this] { m_presenter.OnUpdateVoice(); });
    connect(m_btnDelete, &QPushButton::clicked, this, [this] { m_presenter.OnDelete(); });
    connect(m_btnSelect, &QPushButton::clicked, this, [this] {
        m_presenter.OnSelect();
        m_btnSelect->setFocus();
    });
    connect(m_btnSelectMem, &QPushButton::clicked, this, [this] { m_presenter.OnSelectMem(); });
    connect(m_comboFormat, &QComboBox::activated, this,
            [this](int index) { m_presenter.OnFormatChosen(index); });
    connect(m_selectAll, &QCheckBox::clicked, this,
            [this](bool checked) { m_presenter.OnSelectAll(checked); });
    connect(m_btnClose, &QPushButton::clicked, this, &CKVD2730Dlg::reject);
}

void CKVD2730Dlg::setVisible(bool visible) {
    const bool first = visible && !m_bInitialised;
    if (first) {
        m_bInitialised = true;
        m_banner = Banner();
        m_list->Setup(
            {}, {}, [this](int row) { return !m_presenter.MayTick(row); },
            [this](int row) { m_presenter.OnRowTicked(row, m_list->IsChecked(row)); });
    }
    QDialog::setVisible(visible);
    // The list is asked for once the window shows, under its own progress dialog.
    if (first)
        QTimer::singleShot(0, this, [this] {
            m_presenter.OnOpened();
            emit Opened();
        });
}

void CKVD2730Dlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.drawPixmap(QPoint(0, 0), m_banner, QRect(0, 0, 600, 100));
}

void CKVD2730Dlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();  // Enter in a path edit does nothing
        return;
    }
    QDialog::keyPressEvent(event);  // Escape closes, as the Close button does
}

QWidget* CKVD2730Dlg::Control(TransferControl control) const {
    switch (control) {
        case TransferControl::HeaderLabel:
            return m_labelHeader;
        case TransferControl::PathLabel:
            return m_labelPath;
        case TransferControl::PathEdit:
            return m_editPath;
        case TransferControl::SelectButton:
            return m_btnSelect;
        case TransferControl::GetButton:
            return m_btnGet;
        case TransferControl::VoiceLabel:
            return m_labelVoice;
        case TransferControl::MemPathLabel:
            return m_labelMemPath;
        case TransferControl::MemPathEdit:
            return m_editMemPath;
        case TransferControl::SelectMemButton:
            return m_btnSelectMem;
        case TransferControl::UpdateVoiceButton:
            return m_btnUpdateVoice;
        case TransferControl::ListLabel:
            return m_labelList;
        case TransferControl::SelectAllBox:
            return m_selectAll;
        case TransferControl::SelectAllLabel:
            return m_labelSelectAll;
        case TransferControl::DeleteButton:
            return m_btnDelete;
        case TransferControl::List:
            return m_list;
        case TransferControl::FormatChoice:
            return m_comboFormat;
    }
    return nullptr;
}

void CKVD2730Dlg::SetText(TransferControl control, const std::string& text) {
    QWidget* widget = Control(control);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(Qt8(text));
    } else if (auto* edit = qobject_cast<CCustomEdit*>(widget)) {
        // Paths as the system writes them.
        edit->setText(QDir::toNativeSeparators(Qt8(text)));
    } else if (auto* button = qobject_cast<CCustomButton*>(widget)) {
        button->SetTexts(Qt8(text), Qt8(text));
    }
}

std::string CKVD2730Dlg::Text(TransferControl control) const {
    if (auto* edit = qobject_cast<CCustomEdit*>(Control(control)))
        return edit->text().toStdString();
    return {};
}

void CKVD2730Dlg::SetVisible(TransferControl control, bool visible) {
    Control(control)->setVisible(visible);
}

void CKVD2730Dlg::SetEnabled(TransferControl control, bool enabled) {
    Control(control)->setEnabled(enabled);
}

void CKVD2730Dlg::SetChecked(TransferControl control, bool checked) {
    if (auto* box = qobject_cast<QCheckBox*>(Control(control))) box->setChecked(checked);
}

void CKVD2730Dlg::SetChoices(TransferControl control, const std::vector<std::string>& items,
                             int chosen) {
    auto* combo = qobject_cast<QComboBox*>(Control(control));
    if (combo == nullptr) return;
    combo->clear();
    for (const std::string& item : items) combo->addItem(Qt8(item));
    combo->setCurrentIndex(chosen);
}

void CKVD2730Dlg::SetLayout(TransferWindowMode mode) {
    setFixedSize(mode == ModeGpsLog ? kGpsLogSize : kUpdateSize);
}

void CKVD2730Dlg::SetListHeadings(const std::vector<std::string>& headings) {
    QStringList texts;
    for (const std::string& heading : headings) texts << Qt8(heading);
    m_list->SetHeadings(texts);
}

void CKVD2730Dlg::SetRows(const std::vector<ListRow>& rows) {
    QStringList names;
    for (const ListRow& row : rows) names << Qt8(row.name);
    m_list->FillRows(names);
    for (std::size_t row = 0; row < rows.size(); ++row)
        m_list->SetCellText(static_cast<int>(row), 2, Qt8(rows[row].size));
}

void CKVD2730Dlg::SetNewMarks(const std::vector<bool>& marks, const std::string& mark) {
    for (std::size_t row = 0; row < marks.size(); ++row)
        m_list->SetCellText(static_cast<int>(row), 3, marks[row] ? Qt8(mark) : QString());
}

void CKVD2730Dlg::SetTicks(const std::vector<bool>& ticks) {
    for (std::size_t row = 0; row < ticks.size(); ++row)
        if (QCheckBox* box = m_list->CheckBox(static_cast<int>(row))) box->setChecked(ticks[row]);
}

void CKVD2730Dlg::ShowMessage(const std::string& text, const std::string& detail) {
    m_pPrompts->ShowMessage(this, Qt8(text), Qt8(detail));
}

bool CKVD2730Dlg::ShowMessageOffering(const std::string& text, const std::string& detail,
                                      const std::string& offer) {
    return m_pPrompts->ShowMessageOffering(this, Qt8(text), Qt8(detail), Qt8(offer));
}

void CKVD2730Dlg::OpenFolder(const std::string& folder) { m_pPrompts->OpenFolder(Qt8(folder)); }

bool CKVD2730Dlg::Ask(const std::string& text, const std::string& yes, const std::string& no) {
    return m_pPrompts->Ask(this, Qt8(text), Qt8(yes), Qt8(no));
}

std::optional<std::string> CKVD2730Dlg::ChooseFolder(const std::string& title,
                                                     const std::string& startFolder) {
    const auto folder = m_pPrompts->ChooseFolder(this, Qt8(title), Qt8(startFolder));
    if (!folder) return std::nullopt;
    return folder->toStdString();
}

std::optional<std::string> CKVD2730Dlg::ChooseFile(const std::string& catalogueFilter,
                                                   const std::string& startFolder) {
    const auto file = m_pPrompts->ChooseFile(this, QtFilter(catalogueFilter), Qt8(startFolder));
    if (!file) return std::nullopt;
    return file->toStdString();
}

void CKVD2730Dlg::RunProgress(ProgressRun& run, std::function<void()> operation) {
    m_runProgress(this, run, std::move(operation));
}

void CKVD2730Dlg::CloseWindow() {
    // An operation nested in another (the list fetched again after a delete) may ask again
    // once the window has closed; a second reject() would report the end a second time.
    if (isVisible()) reject();
}

}  // namespace kvd
