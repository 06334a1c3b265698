// Capture Screen waits for the window to leave the screen with timers, never by running events
// inside the click that asked for it.
#include "platform/qt/QtServices.h"
#include "support/Fakes.h"

#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

using namespace quorrel;

TEST(QtScreenCapture, HidesGrabsAndShowsAgainAfterTheCallReturned) {
    test::FakeClipboard clipboard;
    QtScreenCapture capture(clipboard);
    QWidget window;
    window.resize(120, 90);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    bool eventsRan = false;
    QTimer::singleShot(0, [&] { eventsRan = true; });

    capture.CaptureScreen(&window);
    EXPECT_FALSE(eventsRan) << "events ran inside the call";
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(clipboard.writes, 0);
    capture.CaptureScreen(&window); // while one runs: dropped

    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, 5000));
    EXPECT_TRUE(eventsRan);
    // Emptied once, then the screen's picture, once.
    EXPECT_EQ(clipboard.writes, 2);
    EXPECT_FALSE(clipboard.GetData().isNull());
    // Once done it captures again.
    capture.CaptureScreen(&window);
    EXPECT_TRUE(QTest::qWaitFor([&] { return clipboard.writes == 4 && window.isVisible(); }, 5000));
}
