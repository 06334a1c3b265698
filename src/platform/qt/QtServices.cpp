// The Qt-backed services: message box, busy pointer, screen capture, documents folder.
#include "QtServices.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace quorrel {

namespace {

// The box holds every window of the program until OK: it has no minimise box, and one that a
// window manager offers anyway does not take it off the screen, where nothing would say why the
// program no longer answers.
class ProgramMessageBox : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void changeEvent(QEvent* e) override {
        QMessageBox::changeEvent(e);
        if (e->type() == QEvent::WindowStateChange && isMinimized())
            QTimer::singleShot(0, this,
                               [this] { setWindowState(windowState() & ~Qt::WindowMinimized); });
    }
};

// Qt sizes a box to its text and allows for its title in a font of its own: "There is no text
// on the Clipboard." left the window manager too little room, and the title showed as "...".
// The box is as wide as the title in a bold caption font with room for the frame's buttons.
void KeepTitleWhole(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    QFont caption = QApplication::font();
    caption.setBold(true);
    caption.setPointSizeF(std::max(caption.pointSizeF(), 11.0));
    const int title = QFontMetrics(caption).horizontalAdvance(box.windowTitle());
    const int buttons = 4 * QFontMetrics(caption).height(); // icon, minimise, maximise, close
    grid->addItem(new QSpacerItem(title + buttons + 48, 0, QSizePolicy::Minimum), grid->rowCount(),
                  0, 1, grid->columnCount());
}

} // namespace

void QtMessageBox::Show(const QString& text) {
    // Over the window that raised it, and transient for it: Qt centres a box on its parent.
    const QPointer<QWidget> from = QApplication::activeWindow();
    ProgramMessageBox box(QMessageBox::NoIcon, QStringLiteral("Quorrel"), text, QMessageBox::Ok,
                          from);
    // No icon inside the box; the program's icon in its title bar, as on every window.
    box.setWindowIcon(QApplication::windowIcon());
    KeepTitleWhole(box);
    box.exec();
    // The keyboard goes back to the window the message came from: openbox hands it to another
    // window when that one is a utility window (the About box).
    if (from && from->isVisible()) from->activateWindow();
}

void QtBusyPointer::Set(bool busy) {
    if (busy == on_) return;
    on_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

QtScreenCapture::QtScreenCapture(Clipboard& clipboard) : clipboard_(clipboard) {}

void QtScreenCapture::CaptureScreen(QWidget* window) {
    window->setVisible(false);
    // Let the window leave the screen before the grab: the server needs a moment to unmap it.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 150) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    clipboard_.Clear();
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage shot = screen ? screen->grabWindow(0).toImage() : QImage();
    QApplication::processEvents();
    if (!shot.isNull()) clipboard_.SetData(shot);
    QApplication::processEvents();
    QApplication::processEvents();
    window->setVisible(true);
}

std::string SpecialFolderPath(int folderId) {
    if (folderId != 5) return std::string();
    QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (path.isEmpty()) return std::string();
    // A fresh account may have no documents folder yet.
    if (!QDir().mkpath(path)) return std::string();
    return QDir::cleanPath(path).toStdString();
}

} // namespace quorrel
