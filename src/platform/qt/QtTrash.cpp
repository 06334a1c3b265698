#include "platform/Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace quorrel {

bool MoveToTrash(const std::string& path) {
    // Qt 6.4 falls back to the current directory when it finds no Trash at all: the folder went
    // to "./files", here the collectors folder, where it looked like a collector of that name.
    // The user's own Trash is made first, as a desktop would; without it nothing is moved.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data)) return false;
    const QString trash = data + QStringLiteral("/Trash");
    if (!QFileInfo(trash).isDir() &&
        !QDir().mkdir(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return false;
    // Qt renames, never copies: a folder on a file system without a Trash of its own stays.
    return QFile::moveToTrash(QFile::decodeName(QByteArray::fromStdString(path)));
}

} // namespace quorrel
