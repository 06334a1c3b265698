// Quorrel: a clipboard collector.
#include "app/App.h"
#include "core/RuntimeError.h"
#include "platform/Platform.h"
#include "ui/Form.h"
#include "ui/Resources.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

// The one top-level catch: a command without a trap of its own still never ends the program.
class QuorrelApplication : public QApplication {
  public:
    using QApplication::QApplication;
    quorrel::MessageBox* messages = nullptr;
    bool notify(QObject* receiver, QEvent* e) override {
        try {
            return QApplication::notify(receiver, e);
        } catch (const quorrel::RuntimeError& err) {
            Report(QString::fromStdString(err.Message()));
        } catch (const std::exception& err) {
            Report(QString::fromLocal8Bit(err.what()));
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
    QuorrelApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorrel"));
    QApplication::setApplicationDisplayName(QString());
    QApplication::setQuitOnLastWindowClosed(false);
    quorrel::UseDialogFont();
    QApplication::setWindowIcon(quorrel::AppIcon()); // message boxes carry it in their title bar

    auto platform = quorrel::MakeRealPlatform();
    const quorrel::PlatformServices services = platform->Services();
    qapp.messages = services.messages;
    quorrel::App app(services);
    QObject::connect(&app, &quorrel::App::Ended, &qapp, &QApplication::quit, Qt::QueuedConnection);
    try {
        app.Main();
    } catch (const quorrel::RuntimeError& err) {
        qapp.Report(QString::fromStdString(err.Message()));
        return 1;
    }
    return QApplication::exec();
}
