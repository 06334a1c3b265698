#include "QtProgramStarter.h"

#include <QProcess>

namespace quorrel {

bool QtProgramStarter::Start(const std::string& path) {
    if (path.empty()) return false;
    return QProcess::startDetached(QString::fromStdString(path), {});
}

} // namespace quorrel
