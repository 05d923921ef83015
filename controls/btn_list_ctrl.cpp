#include "controls/btn_list_ctrl.h"

#include <QHeaderView>
#include <QPalette>
#include <QWheelEvent>
#include <algorithm>

namespace kvd {
namespace {

// The cell under a row's box: white, so the box reads on any list colour.
QWidget* MakeCheckCell(QWidget* parent, QCheckBox*& box) {
    auto* cell = new QWidget(parent);
    cell->setAutoFillBackground(true);
    QPalette palette = cell->palette();
    palette.setColor(QPalette::Window, Qt::white);
    cell->setPalette(palette);
    box = new QCheckBox(cell);
    box->setGeometry(CBtnListCtrl::kCheckBoxLeft, 1, CBtnListCtrl::kCheckBoxWidth,
                     CBtnListCtrl::kRowHeight - 2);
    return cell;
}

}  // namespace

CBtnListCtrl::CBtnListCtrl(QWidget* parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CBtnListCtrl::Setup(const QStringList& headings, const QStringList& names,
                         RowInvalidHook isRowInvalid, CheckChangedHook onCheckChanged) {
    m_pfnIsRowInvalid = std::move(isRowInvalid);
    m_pfnOnCheckChanged = std::move(onCheckChanged);
    SetHeadings(headings);
    FillRows(names);
}

void CBtnListCtrl::SetHeadings(const QStringList& headings) {
    const int columns = static_cast<int>(
        std::min<std::size_t>(static_cast<std::size_t>(headings.size()), kColumnWidths.size()));
    if (columns == 0) return;
    setColumnCount(columns);
    setHeaderLabels(headings.first(columns));
    for (int column = 0; column < columns; ++column)
        setColumnWidth(column, kColumnWidths[static_cast<std::size_t>(column)]);
}

void CBtnListCtrl::RemoveRows() {
    clear();  // also destroys the item widgets, and with them the boxes
    m_pCheckBoxes.clear();
}

void CBtnListCtrl::FillRows(const QStringList& names) {
    RemoveRows();
    m_pCheckBoxes.reserve(static_cast<std::size_t>(names.size()));
    for (int row = 0; row < names.size(); ++row) {
        auto* item = new QTreeWidgetItem(this, {QString(), names[row], QString()});
        item->setSizeHint(0, QSize(kColumnWidths[0], kRowHeight));
        QCheckBox* box = nullptr;
        setItemWidget(item, 0, MakeCheckCell(this, box));
        box->setFont(font());
        if (m_pfnIsRowInvalid && m_pfnIsRowInvalid(row)) box->setEnabled(false);
        connect(box, &QCheckBox::clicked, this, [this, row] {
            if (m_pfnOnCheckChanged) m_pfnOnCheckChanged(row);
        });
        m_pCheckBoxes.push_back(box);
    }
}

int CBtnListCtrl::SetAllChecks(bool checked) {
    bool anyEnabled = false;
    for (QCheckBox* box : m_pCheckBoxes) {
        if (!box->isEnabled()) continue;
        anyEnabled = true;
        box->setChecked(checked);
    }
    return checked && anyEnabled ? 1 : 0;
}

QCheckBox* CBtnListCtrl::CheckBox(int row) const {
    if (row < 0 || row >= RowCount()) return nullptr;
    return m_pCheckBoxes[static_cast<std::size_t>(row)];
}

bool CBtnListCtrl::IsChecked(int row) const {
    const QCheckBox* box = CheckBox(row);
    return box != nullptr && box->isChecked();
}

std::vector<int> CBtnListCtrl::CheckedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < RowCount(); ++row)
        if (IsChecked(row)) rows.push_back(row);
    return rows;
}

void CBtnListCtrl::SetCellText(int row, int column, const QString& text) {
    if (QTreeWidgetItem* item = topLevelItem(row)) item->setText(column, text);
}

QString CBtnListCtrl::CellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item != nullptr ? item->text(column) : QString();
}

void CBtnListCtrl::wheelEvent(QWheelEvent* event) { event->accept(); }

}  // namespace kvd
