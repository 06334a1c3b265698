// Quorrel: a clipboard collector.
#include "app/App.h"
#include "core/RuntimeError.h"
#include "pictures/BitmapFile.h"
#include "platform/CommandLine.h"
#include "platform/Fonts.h"
#include "platform/Platform.h"
#include "platform/Session.h"
#include "ui/Form.h"
#include "ui/Trap.h"

#include <QApplication>
#include <QImageReader>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

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

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

} // namespace

int main(int argc, char** argv) {
    using quorrel::CommandLine;
    // --help and --version answer before Qt starts, so that they need no display.
    const CommandLine early = quorrel::ParseCommandLine(Arguments(argc, argv), false);
    if (early.action == CommandLine::Action::Help) {
        std::fputs(quorrel::UsageText().c_str(), stdout);
        return 0;
    }
    if (early.action == CommandLine::Action::Version) {
        std::fputs(quorrel::VersionText().c_str(), stdout);
        return 0;
    }
    // The clipboard and the global keys can be watched on X11 (XWayland on Wayland desktops).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    quorrel::FontConfigReader fonts;
    QuorrelApplication qapp(argc, argv);
    // Qt took its own options; whatever is left must be ours.
    const CommandLine command = quorrel::ParseCommandLine(Arguments(argc, argv), true);
    if (command.action == CommandLine::Action::Wrong) {
        std::fprintf(stderr, "quorrel: unknown option '%s'\nTry 'quorrel --help'.\n",
                     command.wrong.c_str());
        fonts.Abandon();
        return 2;
    }
    // One copy per session: a second start hands its request to the first and ends, before it
    // touches the store or the clipboard.
    auto session = quorrel::MakeSession();
    if (!session->Claim(command.request)) {
        fonts.Abandon(); // the running copy shows the window: no text is drawn here
        return 0;
    }

    // One limit for every picture read, on any thread: the clipboard's, the stored ones.
    QImageReader::setAllocationLimit(quorrel::kPictureAllocationLimitMB);
    QApplication::setApplicationName(QStringLiteral("Quorrel"));
    QApplication::setApplicationDisplayName(QString());
    QApplication::setQuitOnLastWindowClosed(false);
    quorrel::UseDialogFont(); // named only: the font is looked up when a window first uses it

    auto platform = quorrel::MakeRealPlatform();
    const quorrel::PlatformServices services = platform->Services();
    qapp.messages = services.messages;
    qapp.busy = services.busy;
    quorrel::App app(services);
    app.AfterFirstFrame(true);
    QObject::connect(&app, &quorrel::App::Ended, &qapp, &QApplication::quit, Qt::QueuedConnection);
    fonts.Wait(); // the windows that Main() builds need it
    QObject::connect(session.get(), &quorrel::Session::Requested, &app, &quorrel::App::Request);
    try {
        app.Main();
    } catch (const quorrel::RuntimeError& err) {
        qapp.Report(QString::fromStdString(err.Message()));
        return 1;
    }
    return QApplication::exec();
}
