#include "controls/custom_edit.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace kvd {
namespace {

// The local path of the first dropped item; empty when it is not a local file or folder.
QString FirstDroppedPath(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return {};
    // Taken whole: a path cut short would name another place.
    return QDir::toNativeSeparators(urls.front().toLocalFile());
}

}  // namespace

CCustomEdit::CCustomEdit(QWidget* parent) : QLineEdit(parent) { setAcceptDrops(true); }

void CCustomEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!FirstDroppedPath(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void CCustomEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (!FirstDroppedPath(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void CCustomEdit::dropEvent(QDropEvent* event) {
    const QString path = FirstDroppedPath(event->mimeData());
    if (path.isEmpty()) {
        QLineEdit::dropEvent(event);
        return;
    }
    setText(path);  // the whole text, replacing what was there
    event->acceptProposedAction();
}

}  // namespace kvd
