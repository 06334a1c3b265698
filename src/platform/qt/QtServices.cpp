// The Qt-backed services: message box, busy pointer, screen capture, documents folder.
#include "QtServices.h"

#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>
#include <QWindow>

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

// Chained timers, so that no event is handled inside the click that started the capture: hide
// the window, wait until the server has taken it off the screen and the windows under it had a
// moment to repaint, grab, put the image on the clipboard, show the window again. A capture
// asked for while one runs is dropped.
void QtScreenCapture::CaptureScreen(QWidget* window) {
    if (running_ || !window) return;
    running_ = true;
    QPointer<QWidget> w(window);
    window->setVisible(false);
    WaitUnmapped(w, kUnmapPolls);
}

void QtScreenCapture::WaitUnmapped(QPointer<QWidget> window, int pollsLeft) {
    const QWindow* handle = window ? window->windowHandle() : nullptr;
    if (handle && handle->isExposed() && pollsLeft > 0) {
        QTimer::singleShot(kPollMs, &timers_,
                           [this, window, pollsLeft] { WaitUnmapped(window, pollsLeft - 1); });
        return;
    }
    QTimer::singleShot(kRepaintMs, &timers_, [this, window] { Grab(window); });
}

void QtScreenCapture::Grab(QPointer<QWidget> window) {
    clipboard_.Clear();
    QScreen* screen = QGuiApplication::primaryScreen();
    const QImage shot = screen ? screen->grabWindow(0).toImage() : QImage();
    if (!shot.isNull()) clipboard_.SetData(shot);
    if (window) window->setVisible(true);
    running_ = false;
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
