#include "transfer/transfer_window.h"

#include <QCheckBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

#include "controls/controls.h"
#include "devicelink/devicelink.h"
#include "resources/artwork.h"
#include "shell/catalogue_text.h"
#include "transfer/transfer.h"

namespace kvd {

CKVD2730Dlg* g_transferDlg = nullptr;

namespace {

// The window's layout in the dialog units of its design, at 1.5 pixels per unit.
QRect Units(int x, int y, int width, int height) {
    auto px = [](int units) { return units * 3 / 2; };
    return {px(x), px(y), px(width), px(height)};
}

// Labels get a little more height than their design so that Qt's fonts fit.
QRect LabelUnits(int x, int y, int width, int height) {
    QRect area = Units(x, y, width, height);
    area.adjust(0, -2, 0, 3);
    return area;
}

QLabel* MakeLabel(QWidget* parent, const QRect& area) {
    auto* label = new QLabel(parent);
    label->setGeometry(area);
    label->setAttribute(Qt::WA_TranslucentBackground);  // banner and white show through
    return label;
}

// The wide buttons grow to the left, where the window is empty, so that their texts fit in
// fonts wider than the design's.
QRect WideButtonUnits(int x, int y, int width, int height) {
    return Units(x, y, width, height).adjusted(-40, 0, 0, 0);
}

CCustomButton* MakeButton(QWidget* parent, const QRect& area, MessageEntry text) {
    auto* button = new CCustomButton(parent);
    button->setGeometry(area);
    // This window gives both states the same text.
    button->SetTexts(CatalogueText(text), CatalogueText(text));
    return button;
}

}  // namespace

CKVD2730Dlg::CKVD2730Dlg(QWidget* parent, TransferWindowMode mode, ConnectionCheck* connectionCheck,
                         TransferPrompts* prompts)
    : QDialog(parent),
      m_nMode(mode),
      m_pConnectionCheck(connectionCheck),
      m_pPrompts(prompts != nullptr ? prompts : &m_desktopPrompts) {
    m_bRowInvalid.fill(true);
    setWindowIcon(ProgramIcon());
    setWindowTitle(QStringLiteral("RW-T356 GPS Log"));
    CreateControls();
}

CKVD2730Dlg::~CKVD2730Dlg() = default;

void CKVD2730Dlg::CreateControls() {
    QFont windowFont = font();
    windowFont.setPointSize(9);
    setFont(windowFont);

    m_labelHeader = MakeLabel(this, LabelUnits(7, 57, 147, 8));
    m_labelPath = MakeLabel(this, LabelUnits(15, 69, 133, 11));
    m_editPath = new CCustomEdit(this);
    m_editPath->setGeometry(Units(15, 81, 168, 13));
    m_btnSelect = MakeButton(this, Units(187, 80, 28, 14), MsgSelect);
    m_btnGet = MakeButton(this, WideButtonUnits(146, 100, 69, 14), MsgGetSelected);
    m_labelVoice = MakeLabel(this, LabelUnits(7, 123, 128, 8));
    m_labelMemPath = MakeLabel(this, LabelUnits(15, 136, 130, 8));
    m_editMemPath = new CCustomEdit(this);
    m_editMemPath->setGeometry(Units(15, 146, 168, 13));
    m_btnSelectMem = MakeButton(this, Units(187, 145, 28, 14), MsgSelect);
    m_btnUpdateVoice = MakeButton(this, WideButtonUnits(146, 166, 69, 14), MsgUpdate);
    m_labelList = MakeLabel(this, LabelUnits(7, 148, 125, 8));
    m_selectAll = new QCheckBox(this);
    m_selectAll->setGeometry(Units(16, 159, 8, 8).adjusted(-1, -2, 2, 2));
    m_labelSelectAll = MakeLabel(this, LabelUnits(24, 159, 152, 8).adjusted(0, 0, 76, 0));  // to the list
    m_btnDelete = MakeButton(this, WideButtonUnits(146, 174, 69, 14), MsgDeleteSelected);
    m_btnClose = MakeButton(this, Units(15, 189, 50, 14), MsgClose);
    m_list = new CBtnListCtrl(this);
    m_list->setGeometry(Units(228, 0, 180, 217));

    connect(m_btnGet, &QPushButton::clicked, this, &CKVD2730Dlg::OnClickedGet);
    connect(m_btnUpdateVoice, &QPushButton::clicked, this, &CKVD2730Dlg::OnClickedUpdateVoice);
    connect(m_btnDelete, &QPushButton::clicked, this, &CKVD2730Dlg::OnClickedDelete);
    connect(m_btnSelect, &QPushButton::clicked, this, &CKVD2730Dlg::OnClickedSelect);
    connect(m_btnSelectMem, &QPushButton::clicked, this, &CKVD2730Dlg::OnClickedSelectMem);
    connect(m_selectAll, &QCheckBox::clicked, this, &CKVD2730Dlg::OnClickedSelectAll);
    connect(m_btnClose, &QPushButton::clicked, this, &CKVD2730Dlg::reject);
}

void CKVD2730Dlg::setVisible(bool visible) {
    // The set-up runs while the window is still hidden: it is shown with its list filled.
    if (visible && !m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

void CKVD2730Dlg::OnInitDialog() {
    const int rowCount = m_nMode == ModeGpsLog ? kGpsLogRowCount : kUpdateRowCount;
    QStringList placeholders;
    for (int row = 0; row < rowCount; ++row) placeholders << CatalogueText(MsgFile);
    m_list->Setup({CatalogueText(MsgSelect), CatalogueText(MsgFileName), CatalogueText(MsgSize)},
                  placeholders, [this](int row) { return IsRowInvalid(row); },
                  [this](int row) { OnRowCheckChanged(row); });
    m_list->hide();
    m_btnUpdateVoice->hide();
    m_btnGet->hide();
    m_btnDelete->hide();

    RefreshList();

    m_banner = Banner();
    m_labelSelectAll->setText(CatalogueText(MsgSelectAllValid));
    m_labelMemPath->setText(CatalogueText(MsgDataFilePath));

    const std::filesystem::path current = PathFromUtf8(QDir::currentPath().toStdString());
    if (m_nMode == ModeGpsLog) {
        m_strPath = QString::fromStdString(ReadSaveFolder(current));
        m_labelPath->setText(CatalogueText(MsgFolderPath));
        m_editPath->setText(QDir::toNativeSeparators(m_strPath));
        m_editMemPath->setText(m_strMemPath);
        setFixedSize(kGpsLogSize);
        m_btnGet->SetTexts(CatalogueText(MsgGetSelected), CatalogueText(MsgGetSelected));
    } else {
        m_labelPath->setText(CatalogueText(MsgDataFilePath));
        if (const auto file = FindLocalFile(current, ".FPT"))
            m_strPath = QString::fromStdString(PathToUtf8(*file));
        m_editPath->setText(QDir::toNativeSeparators(m_strPath));
        if (const auto file = FindLocalFile(current, ".mem"))
            m_strMemPath = QString::fromStdString(PathToUtf8(*file));
        m_editMemPath->setText(QDir::toNativeSeparators(m_strMemPath));
        setFixedSize(kUpdateSize);
        m_btnGet->SetTexts(CatalogueText(MsgUpdate), CatalogueText(MsgUpdate));
    }
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

}  // namespace kvd
