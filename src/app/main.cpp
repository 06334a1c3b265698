// Quorrel: a clipboard collector.
#include "app/App.h"
#include "core/RuntimeError.h"
#include "pictures/BitmapFile.h"
#include "platform/Fonts.h"
#include "platform/Platform.h"
#include "ui/Form.h"
#include "ui/Resources.h"
#include "ui/Trap.h"

#include <QApplication>
#include <QImageReader>
#include <QMessageBox>
#include <QTimer>

namespace {

// A net under the handlers, which trap their own failures: Qt does not carry exceptions
// through its event dispatch, so one that still arrives here is reported, the busy pointer
// goes off, and the program carries on. Commands write the store whole or not at all, so what
// is on disk stays as the last finished command left it.
class QuorrelApplication : public QApplication {
  public:
    using QApplication::QApplication;
    quorrel::MessageBox* messages = nullptr;
    quorrel::BusyPointer* busy = nullptr;
    bool notify(QObject* receiver, QEvent* e) override {
        try {
            return QApplication::notify(receiver, e);
        } catch (...) {
            if (busy) busy->Set(false);
            const QString text = quorrel::TrapMessage(std::current_exception());
            qWarning("Quorrel: a failure escaped its handler: %s", qPrintable(text));
            Report(text);
        }
        return false;
    }
    void Report(const QString& text) {
        if (messages) messages->Show(text);
    }
};

} // namespace

int main(int argc, char** argv) {
    // The clipboard and the global keys can be watched on X11 (XWayland on Wayland desktops).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    quorrel::FontConfigReader fonts;
    QuorrelApplication qapp(argc, argv);
    // One limit for every picture read, on any thread: the clipboard's, the stored ones.
    QImageReader::setAllocationLimit(quorrel::kPictureAllocationLimitMB);
    QApplication::setApplicationName(QStringLiteral("Quorrel"));
    QApplication::setApplicationDisplayName(QString());
    QApplication::setQuitOnLastWindowClosed(false);
    quorrel::UseDialogFont(); // named only: the font is looked up when a window first uses it
    QApplication::setWindowIcon(quorrel::AppIcon()); // message boxes carry it in their title bar

    auto platform = quorrel::MakeRealPlatform();
    const quorrel::PlatformServices services = platform->Services();
    qapp.messages = services.messages;
    qapp.busy = services.busy;
    quorrel::App app(services);
    QObject::connect(&app, &quorrel::App::Ended, &qapp, &QApplication::quit, Qt::QueuedConnection);
    fonts.Wait(); // the windows that Main() builds need it
    try {
        app.Main();
    } catch (const quorrel::RuntimeError& err) {
        qapp.Report(QString::fromStdString(err.Message()));
        return 1;
    }
    return QApplication::exec();
}
