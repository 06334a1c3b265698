// The yardstick for the start-up: a bare Qt window of the text-mode window's size, named so that
// startup_probe can wait for it. Usage: bare_window [--menu | --label]
//   --menu   gives it one menu bar with one menu, to weigh what a menu bar costs
//   --label  gives it one label of text: the first text makes Qt read the desktop's font
//            configuration, which any window that says something pays
#include <QApplication>
#include <QLabel>
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
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0)
        (new QLabel(QStringLiteral("Text Mode"), &w))->move(10, 10);
    w.show();
    return QApplication::exec();
}
