// A line edit that takes the path of a file or folder dropped on it from the desktop.
#pragma once

#include <QLineEdit>

namespace kvd {

class CCustomEdit : public QLineEdit {
    Q_OBJECT

  public:
    explicit CCustomEdit(QWidget* parent = nullptr);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

}  // namespace kvd
