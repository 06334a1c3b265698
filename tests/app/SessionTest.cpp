// What another start asks of the running copy, and one process per store.
#include "support/Fakes.h"

#include "platform/Session.h"

#include "ui/Form.h"

#include <QDir>
#include <QWidget>
#include <gtest/gtest.h>

using namespace quorrel;
using namespace quorrel::test;

TEST(Session, ShowBringsTheCurrentModesWindowBackAndToggleIsTheHotKey) {
    World w;
    w.MakeCollector("Work");
    w.app->Main();
    QWidget* main = w.app->Loaded(FormId::frmMain);
    emit static_cast<Form*>(main)->LostFocus();
    ASSERT_FALSE(main->isVisible());
    main->setWindowState(Qt::WindowMinimized);
    w.app->Request(SessionRequest::Show);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->isMinimized());
    EXPECT_FALSE(w.app->State().WindowHidden);
    w.app->Request(SessionRequest::Show); // shown stays shown
    EXPECT_TRUE(main->isVisible());

    w.app->Request(SessionRequest::Toggle);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(w.app->State().WindowHidden);
    // In graphics mode both act on the graphics window.
    w.app->State().TextModeActive = false;
    w.app->Request(SessionRequest::Toggle);
    EXPECT_FALSE(main->isVisible());
    ASSERT_TRUE(w.app->IsLoaded(FormId::frmPix));
    EXPECT_TRUE(w.app->Loaded(FormId::frmPix)->isVisible());
    EXPECT_TRUE(w.messages.shown.isEmpty());
}

TEST(Session, DuringAFirstRunShowBringsTheFirstRunDialog) {
    World w;
    w.app->Main();
    QWidget* first = w.app->Loaded(FormId::frmFirst);
    ASSERT_NE(first, nullptr);
    first->hide();
    w.app->Request(SessionRequest::Show);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(w.app->Loaded(FormId::frmMain)->isVisible());
}

TEST(Session, ASecondProcessOnAStoreInUseSaysSoAndWritesNothing) {
    World w;
    w.MakeCollector("Work", {"one"});
    const std::string settings = w.Read("Clips/Data/Settings.ini");
    {
        // Another process (here: another open of the folder) holds the store.
        const auto other = LockFolder(w.Path("Clips"));
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(LockFolder(w.Path("Clips")), nullptr);
        w.app->Main();
        ASSERT_EQ(w.messages.shown.size(), 1);
        EXPECT_TRUE(w.messages.shown[0].startsWith("Another Quorrel is using the collectors in "))
            << w.messages.shown[0].toStdString();
        EXPECT_FALSE(w.app->AnyLoaded());
        EXPECT_EQ(w.Read("Clips/Data/Settings.ini"), settings); // Open not rewritten
    }
    // The program holds the lock while it runs, and no lock file is left among the collectors.
    World again;
    again.MakeCollector("Work");
    again.app->Main();
    EXPECT_TRUE(again.messages.shown.isEmpty());
    EXPECT_EQ(LockFolder(again.Path("Clips")), nullptr);
    EXPECT_EQ(QDir(QString::fromStdString(again.Path("Clips")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Data"});
    again.app.reset();
    EXPECT_NE(LockFolder(again.Path("Clips")), nullptr);
}
