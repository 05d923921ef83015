// A report-style list whose every row carries a real check box over its first column.
// Rows the owner marks invalid get a disabled box that neither a click nor select-all ticks.
#pragma once

#include <QCheckBox>
#include <QStringList>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <vector>

#include "shell/window_layout.h"

namespace kvd {

class CBtnListCtrl : public QTreeWidget {
    Q_OBJECT

  public:
    static constexpr int kRowHeight = layout::transfer::kRowHeight;
    // Tick, name, size and the narrow "new" mark; together they fit the transfer window's
    // list (270 pixels with its frame), so that no horizontal scroll bar appears.
    static constexpr std::array<int, 4> kColumnWidths{
        layout::transfer::kColumnWidths[0], layout::transfer::kColumnWidths[1],
        layout::transfer::kColumnWidths[2], layout::transfer::kColumnWidths[3]};
    // Where a row's box lies in column 0.
    static constexpr int kCheckBoxLeft = 20;
    static constexpr int kCheckBoxWidth = 18;

    // Asked for each row as its box is made; true disables the box.
    using RowInvalidHook = std::function<bool(int row)>;
    // Called after the user toggled the box of a row.
    using CheckChangedHook = std::function<void(int row)>;

    explicit CBtnListCtrl(QWidget* parent = nullptr);

    void Setup(const QStringList& headings, const QStringList& names, RowInvalidHook isRowInvalid,
               CheckChangedHook onCheckChanged);
    // One heading per column, up to kColumnWidths.size().
    void SetHeadings(const QStringList& headings);
    // Rebuilds every row and its box.
    void FillRows(const QStringList& names);
    // Removes every row and its box.
    void RemoveRows();
    // Sets every enabled box; disabled ones are left alone. 1 when `checked` and at least one
    // box is enabled, else 0.
    int SetAllChecks(bool checked);

    int RowCount() const { return static_cast<int>(m_pCheckBoxes.size()); }
    QCheckBox* CheckBox(int row) const;
    bool IsChecked(int row) const;
    // Rows whose box is ticked, in ascending order.
    std::vector<int> CheckedRows() const;
    void SetCellText(int row, int column, const QString& text);
    QString CellText(int row, int column) const;

  protected:
    // The wheel does not scroll the list.
    void wheelEvent(QWheelEvent* event) override;

  private:
    std::vector<QCheckBox*> m_pCheckBoxes;
    RowInvalidHook m_pfnIsRowInvalid;
    CheckChangedHook m_pfnOnCheckChanged;
};

}  // namespace kvd
