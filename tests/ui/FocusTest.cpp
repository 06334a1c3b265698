// Losing the focus: the mode window hides when no window of the program is active any more,
// but not while one of its own menus or lists is open (X11 reports the popup taking the
// keyboard as a focus change).
#include "support/Fakes.h"

#include "text/frmMain.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace quorrel;
using namespace quorrel::test;

TEST(Focus, OnlyFocusGoneFromEveryWindowAndPopupIsLost) {
    World w;
    w.MakeCollector("Work");
    w.app->Main();
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    ASSERT_TRUE(main->isVisible());
    QSignalSpy lost(main, &Form::LostFocus);

    QMenu menu;
    menu.addAction(QStringLiteral("entry"));
    QApplication::setActiveWindow(main);
    menu.popup(main->mapToGlobal(QPoint(10, 10)));
    ASSERT_EQ(QApplication::activePopupWidget(), &menu);
    QApplication::setActiveWindow(nullptr);
    Drain();
    EXPECT_EQ(lost.count(), 0);
    EXPECT_TRUE(main->isVisible());

    menu.close();
    QApplication::setActiveWindow(main);
    QApplication::setActiveWindow(nullptr);
    Drain();
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(main->isVisible());
}
