// The yardstick for the start-up: a bare Qt window of the text-mode window's size, named so that
// startup_probe can wait for it. Usage: bare_window [--menu]
//   --menu  gives it one menu bar with one menu, to weigh what a menu bar costs
#include <QApplication>
#include <QMenuBar>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle(QStringLiteral("Bare Text Mode"));
    w.resize(640, 480);
    if (argc > 1 && std::strcmp(argv[1], "--menu") == 0) {
        auto* bar = new QMenuBar(&w);
        bar->addMenu(QStringLiteral("&File"))->addAction(QStringLiteral("E&xit"));
    }
    w.show();
    return QApplication::exec();
}
