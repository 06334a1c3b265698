#include "Resources.h"

#include <QFile>

// Q_INIT_RESOURCE must be called from outside any namespace.
static void InitQuorrelResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(quorrel);
        return true;
    }();
    (void)done;
}

namespace quorrel {

QIcon AppIcon() {
    InitQuorrelResources();
    static const QIcon icon = [] {
        QIcon i;
        i.addFile(QStringLiteral(":/quorrel/icon16.png"), QSize(16, 16));
        i.addFile(QStringLiteral(":/quorrel/icon32.png"), QSize(32, 32));
        if (QFile::exists(QStringLiteral(":/quorrel/icon.svg")))
            i.addFile(QStringLiteral(":/quorrel/icon.svg"));
        return i;
    }();
    return icon;
}

QImage ProductPicture() {
    InitQuorrelResources();
    return QImage(QStringLiteral(":/quorrel/about.png"));
}

} // namespace quorrel
