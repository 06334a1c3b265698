// The handlers' error trap and the scoped busy pointer: whatever a handler throws ends as one
// message, the hourglass goes off, and the program goes on.
#include "support/Fakes.h"

#include "core/RuntimeError.h"
#include "text/frmMain.h"
#include "ui/Trap.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using namespace quorrel;
using namespace quorrel::test;

TEST(Trap, EveryKindOfFailureBecomesOneMessage) {
    RecordingMessageBox messages;
    EXPECT_TRUE(RunTrapped(messages, [] {}));
    EXPECT_TRUE(messages.shown.isEmpty());
    const struct {
        const char* what;
        void (*fail)();
        QString message;
    } cases[] = {
        {"RuntimeError", [] { throw RuntimeError(ErrFileNotFound); }, "53 File not found"},
        {"no memory", [] { throw std::bad_alloc(); }, "7 Out of memory"},
        {"other", [] { throw std::logic_error("index out of range"); },
         "51 Internal error: index out of range"},
        {"not even an exception", [] { throw 42; }, "51 Internal error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        messages.shown.clear();
        EXPECT_FALSE(RunTrapped(messages, c.fail));
        EXPECT_EQ(messages.shown, QStringList{c.message});
    }
}

TEST(Trap, TheBusyPointerGoesOffHoweverTheScopeEnds) {
    FakeBusy busy;
    {
        BusyGuard guard(busy);
        EXPECT_TRUE(busy.busy);
    }
    EXPECT_FALSE(busy.busy);
    RecordingMessageBox messages;
    RunTrapped(messages, [&] {
        BusyGuard guard(busy);
        throw std::runtime_error("gone");
    });
    EXPECT_FALSE(busy.busy);
    // Off before a message: the end of the scope then changes nothing more.
    busy.changes = 0;
    {
        BusyGuard guard(busy);
        guard.Off();
        EXPECT_FALSE(busy.busy);
    }
    EXPECT_EQ(busy.changes, 2);
}

TEST(Trap, AWindowHandlerThatFailsShowsItsMessageAndTheWindowGoesOn) {
    World w;
    w.MakeCollector("Work");
    w.app->Main();
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    main->ui.Text1->setText(QStringLiteral("typed"));
    w.clipboard.beforeWrite = [] { throw std::runtime_error("the clipboard is gone"); };
    QTest::mouseClick(main->ui.cmdAddToClipboard, Qt::LeftButton);
    EXPECT_EQ(w.messages.shown, QStringList{"51 Internal error: the clipboard is gone"});
    EXPECT_FALSE(w.busy.busy);

    w.clipboard.beforeWrite = nullptr;
    main->ui.Text1->setText(QStringLiteral("typed")); // the clear emptied it
    QTest::mouseClick(main->ui.cmdAddToClipboard, Qt::LeftButton);
    EXPECT_EQ(w.clipboard.GetText(), QStringLiteral("typed"));
    EXPECT_EQ(w.messages.shown.size(), 1);
}
