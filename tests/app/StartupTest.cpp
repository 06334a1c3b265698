// Start-up, the main window's life and shutdown, over the fakes.
#include "support/Fakes.h"

#include "core/FileAttr.h"
#include "pictures/frmPix.h"
#include "text/frmMain.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTimer>
#include <fstream>
#include <gtest/gtest.h>

using namespace quorrel;
using namespace quorrel::test;

namespace {

QComboBox* ClipList(World& w) {
    return w.app->Get<frmMain>(FormId::frmMain)->ui.Combo1;
}

} // namespace

TEST(Startup, NoStoreMakesBothFoldersAndShowsOnlyTheFirstRunDialog) {
    World w;
    w.app->Main();
    EXPECT_TRUE(w.Exists("Clips/Data"));
    EXPECT_FALSE(w.Exists("Clips/Data/Settings.ini")); // nothing written yet
    EXPECT_TRUE(w.app->State().FirstRun);
    EXPECT_FALSE(w.app->State().WindowHidden);
    ASSERT_TRUE(w.app->IsLoaded(FormId::frmMain));
    EXPECT_FALSE(w.app->Loaded(FormId::frmMain)->isVisible());
    ASSERT_TRUE(w.app->IsLoaded(FormId::frmFirst));
    EXPECT_TRUE(w.app->Loaded(FormId::frmFirst)->isVisible());
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmPix));
    EXPECT_TRUE(w.messages.shown.isEmpty());
}

TEST(Startup, EmptyLabelOpensTheDataFolderItselfWithAnEmptyList) {
    World w;
    w.Write("Clips/Data/Settings.ini", "[Collector]\r\nLabel=\r\n");
    w.app->Main();
    EXPECT_EQ(w.app->State().CollectorPath, w.Path("Clips/Data/"));
    EXPECT_EQ(w.Read("Clips/Data/Settings.ini"),
              "[Collector]\r\nOpen=" + w.Path("Clips/Data/") + "\r\nLabel=\r\n");
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    EXPECT_EQ(main->ui.lblCollector->text(), "  ");
    EXPECT_EQ(w.app->Get<frmPix>(FormId::frmPix)->ui.lblCollector->text(), "  ");
    EXPECT_EQ(ClipList(w)->count(), 0);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(w.app->Loaded(FormId::frmPix)->isVisible());
}

TEST(Startup, CollectorWithClipsIsListedInFileOrderBelowThePrompt) {
    World w;
    w.MakeCollector("Work", {"alpha", "beta\r\nsecond line", "gamma"});
    w.app->Main();
    QComboBox* list = ClipList(w);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), "1) alpha");
    EXPECT_EQ(list->itemText(1), "2) beta");
    EXPECT_EQ(list->itemText(2), "3) gamma");
    EXPECT_EQ(list->currentText(), "Select To Replace Clipboard Contents");
    EXPECT_EQ(w.app->State().CollectorLabel, "Work");
    EXPECT_EQ(w.app->State().CollectorPath, w.Path("Clips/Data/Work")); // no trailing separator
    EXPECT_TRUE(w.app->State().TextModeActive);
    // Every start rewrites Open in place.
    EXPECT_EQ(w.Read("Clips/Data/Settings.ini"),
              "[Collector]\r\nLabel=Work\r\nOpen=" + w.Path("Clips/Data/Work") +
                  "\r\nSkip=Work\r\n");
}

TEST(Startup, LoadTakesTheClipboardTextAndStartsTheHotKeyTimer) {
    World w;
    w.clipboard.ExternalText("already there");
    w.MakeCollector("Work");
    w.app->Main();
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    EXPECT_EQ(main->ui.Text1->text(), "already there");
    auto* timer = main->ui.Timer1;
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 200);
    EXPECT_TRUE(timer->isActive());
}

TEST(Startup, LabelNamingNoCollectorStartsAndAddReportsTheMissingFolder) {
    World w;
    w.Write("Clips/Data/Settings.ini", "[Collector]\r\nLabel=Gone\r\n");
    w.app->Main();
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    main->ui.Text1->setText("text");
    main->cmdAdd_Click();
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_EQ(w.messages.shown[0], "76 Path not found");
    EXPECT_FALSE(w.Exists("Clips/Data/Gone"));
    EXPECT_FALSE(w.busy.busy);
}

TEST(Shutdown, ExitClosesEveryWindowItListsAndEndsTheProgram) {
    World w;
    w.MakeCollector("Work", {"one"});
    w.app->Main();
    QSignalSpy ended(w.app.get(), &App::Ended);
    for (FormId id :
         {FormId::frmAbout, FormId::frmNameTxt, FormId::frmOpen, FormId::frmDelete,
          FormId::frmPreview, FormId::frmSaveAs, FormId::frmPixView, FormId::frmClipPrev})
        w.app->Show(id);
    w.app->Unload(FormId::frmMain);
    for (int i = 0; i < kFormCount; ++i)
        EXPECT_FALSE(w.app->IsLoaded(static_cast<FormId>(i))) << FormName(static_cast<FormId>(i));
    EXPECT_EQ(ended.count(), 1);
    Drain();
}

TEST(Shutdown, ClosingTheGraphicsWindowEndsTheProgramToo) {
    World w;
    w.MakeCollector("Work");
    w.app->Main();
    QSignalSpy ended(w.app.get(), &App::Ended);
    w.app->Loaded(FormId::frmPix)->close();
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmMain));
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmPix));
    EXPECT_EQ(ended.count(), 1);
    Drain();
}

TEST(Startup, AStoreThatCannotBeMadeIsReportedAndTheProgramEnds) {
    World w;
    std::remove(w.docs.c_str());
    std::ofstream(w.docs) << "a file where the documents folder should be";
    QSignalSpy ended(w.app.get(), &App::Ended);
    w.app->Main();
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown[0].startsWith("76 ")) << w.messages.shown[0].toStdString();
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(w.app->AnyLoaded());
    Drain();
}

TEST(Startup, UnreadableSettingsAreReportedAndNothingIsWritten) {
    World w;
    w.MakeCollector("Work", {"one"});
    std::remove(w.Path("Clips/Data/Settings.ini").c_str());
    QDir().mkpath(QString::fromStdString(w.Path("Clips/Data/Settings.ini"))); // not a file
    QSignalSpy ended(w.app.get(), &App::Ended);
    w.app->Main();
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_EQ(w.Read("Clips/Data/Work/1"), "one\r\n");
    Drain();
}
