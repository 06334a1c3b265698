// The program's message box on a desktop whose window manager offers to minimise every window.
#include "platform/qt/QtServices.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quorrel;

// The box holds every window of the program until OK: minimised, nothing on the screen would
// say why the program no longer answers.
TEST(QtMessageBox, AMessageIsNeverMinimisedAwayWhileItHoldsTheProgram) {
    QtMessageBox messages;
    bool seen = false;
    bool minimisedAfter = true;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = true;
        box->setWindowState(Qt::WindowMinimized);
        QTimer::singleShot(50, box, [&, box] {
            minimisedAfter = box->isMinimized();
            box->button(QMessageBox::Ok)->click();
        });
    });
    messages.Show(QStringLiteral("There is no text on the Clipboard."));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(minimisedAfter);
}
