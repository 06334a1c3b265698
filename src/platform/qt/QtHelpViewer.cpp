#include "QtHelpViewer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace quorrel {

QStringList QtHelpViewer::HelpFolders() {
    const QString app = QCoreApplication::applicationDirPath();
    return {app, QDir::cleanPath(app + QStringLiteral("/../share/quorrel"))};
}

QString QtHelpViewer::FindIn(const QStringList& folders, const QString& name) {
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (QFileInfo(path).isFile()) return path;
    }
    return {};
}

void QtHelpViewer::HtmlHelp(QWidget*, const std::string& file, int, int) {
    const QString name = QString::fromStdString(file);
    const QFileInfo given(name);
    const QStringList folders = given.isAbsolute() ? QStringList{given.path()} : HelpFolders();
    const QString base = given.fileName();

    const QString chm = FindIn(folders, base);
    const QString viewer = QStandardPaths::findExecutable(QStringLiteral("xchm"));
    // Viewers are started detached: the program never waits for the help to close.
    if (!chm.isEmpty() && !viewer.isEmpty()) {
        QProcess::startDetached(viewer, {chm});
        return;
    }
    const QString index = FindIn(folders, QStringLiteral("html/index.html"));
    if (!index.isEmpty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(index));
        return;
    }
    if (!viewer.isEmpty()) QProcess::startDetached(viewer, {chm.isEmpty() ? name : chm});
}

} // namespace quorrel
