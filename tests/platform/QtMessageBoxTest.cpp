// The program's message box on a desktop whose window manager offers to minimise every window.
#include "platform/qt/QtServices.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdlib>
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

// The box stands centred over the window that raised it, transient for it, and is wide enough
// for the title "Quorrel" in a bold caption font with the frame's buttons beside it.
TEST(QtMessageBox, StandsOverTheWindowThatRaisedItWithItsTitleWhole) {
    QWidget owner;
    owner.setGeometry(60, 80, 600, 400);
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
    QRect box;
    QWidget* parent = nullptr;
    QTimer::singleShot(0, [&] {
        auto* b = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!b) return;
        box = b->geometry();
        parent = b->parentWidget();
        b->button(QMessageBox::Ok)->click();
    });
    QtMessageBox messages;
    messages.Show(QStringLiteral("No."));
    EXPECT_EQ(parent, &owner);
    EXPECT_LE(std::abs(box.center().x() - owner.geometry().center().x()), 2) << box.x();
    EXPECT_LE(std::abs(box.center().y() - owner.geometry().center().y()), 2) << box.y();
    QFont caption = QApplication::font();
    caption.setBold(true);
    caption.setPointSizeF(11);
    EXPECT_GE(box.width(), QFontMetrics(caption).horizontalAdvance(QStringLiteral("Quorrel")) * 2);
}
