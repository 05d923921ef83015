#include "resources/artwork.h"

// The pictures live in a static library: its resources register only when asked to. (Outside
// any namespace, where the resource compiler defines its registration function.)
static void RegisterArtwork() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(artwork);
        return true;
    }();
    (void)registered;
}

namespace kvd {

QIcon ProgramIcon() {
    RegisterArtwork();
    QIcon icon;
    for (const char* file : {":/icon-48.png", ":/icon-32.png", ":/icon-16.png"})
        icon.addFile(QString::fromLatin1(file));
    return icon;
}

QPixmap Banner() {
    RegisterArtwork();
    return QPixmap(QStringLiteral(":/banner.png"));
}

}  // namespace kvd
