// Start-up, the main window's life and shutdown, over the fakes.
#include "support/Fakes.h"

#include "core/FileAttr.h"
#include "pictures/frmPix.h"
#include "text/frmMain.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTimer>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

using namespace quorrel;
using namespace quorrel::test;

namespace {

QComboBox* ClipList(World& w) {
    return w.app->Get<frmMain>(FormId::frmMain)->ui.Combo1;
}

// Runs the event loop until `done` holds, or gives up after a few seconds.
template <class F> bool WaitFor(F done) {
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

// Counts the paints a window gets, seen before the window's own filters.
struct PaintCount : QObject {
    QObject* window = nullptr;
    int paints = 0;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == window && e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Starts on the collector Work holding "1) alpha", the list to follow the first frame; runs
// `beforeFrame` before that frame is drawn, then lets the frame and what it queued pass.
// False if the window was never painted.
bool StartAndPassFirstFrame(World& w, const std::function<void()>& beforeFrame) {
    w.MakeCollector("Work", {"alpha"});
    w.app->AfterFirstFrame(true);
    w.app->Main();
    PaintCount seen;
    seen.window = w.app->Loaded(FormId::frmMain);
    qApp->installEventFilter(&seen);
    beforeFrame();
    const bool painted = WaitFor([&] { return seen.paints > 0; });
    QCoreApplication::processEvents(); // what the first frame queued
    qApp->removeEventFilter(&seen);
    return painted;
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

TEST(Startup, LoadTakesTheClipboardTextAndNoTimerRuns) {
    World w;
    w.clipboard.ExternalText("already there");
    w.MakeCollector("Work");
    w.app->Main();
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    EXPECT_EQ(main->ui.Text1->text(), "already there");
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmPix)); // built when first shown
    // The hot key comes as events: nothing wakes the program while it waits.
    for (FormId id : {FormId::frmMain, FormId::frmPix})
        for (auto* timer : w.app->Form(id)->findChildren<QTimer*>())
            EXPECT_FALSE(timer->isActive()) << timer->objectName().toStdString();
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
    w.app->Form(FormId::frmPix)->close();
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

// The program reads the clip list once the text-mode window's first frame is drawn: the window
// comes up with the prompt, the list, the clipboard's text and the window icon follow, and the
// picture-mode window is built when first shown, with the collector's name.
TEST(Startup, TheClipListFollowsTheFirstFrame) {
    World w;
    w.MakeCollector("Work", {"alpha", "beta", "gamma"});
    w.clipboard.ExternalText("copied before");
    w.app->AfterFirstFrame(true);
    QApplication::setWindowIcon(QIcon()); // as at a start
    w.app->Main();
    QComboBox* list = ClipList(w);
    EXPECT_TRUE(QApplication::windowIcon().isNull()) << "read before the first frame";
    auto* text1 = w.app->Get<frmMain>(FormId::frmMain)->ui.Text1;
    EXPECT_EQ(text1->text(), "") << "read before the first frame";
    EXPECT_TRUE(w.app->Loaded(FormId::frmMain)->isVisible());
    EXPECT_EQ(list->count(), 0) << "read before the first frame";
    EXPECT_EQ(list->currentText(), "Select To Replace Clipboard Contents");
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmPix));
    ASSERT_TRUE(WaitFor([&] { return list->count() == 3; })) << "the list never came";
    EXPECT_EQ(list->itemText(2), "3) gamma");
    EXPECT_EQ(text1->text(), "copied before");
    EXPECT_TRUE(
        w.app->Loaded(FormId::frmMain)->windowIcon().availableSizes().contains(QSize(32, 32)));
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(list->currentText(), "Select To Replace Clipboard Contents");
    EXPECT_EQ(w.app->Get<frmPix>(FormId::frmPix)->ui.lblCollector->text(), " Work ");
    EXPECT_TRUE(w.messages.shown.isEmpty());
}

// A list put in place before the first frame (another collector opened) is not replaced by the
// one the start was to read.
TEST(Startup, TheListThatFollowsTheFirstFrameGivesWay) {
    World w;
    ASSERT_TRUE(StartAndPassFirstFrame(w, [&] {
        w.app->ResetClipList(QStringLiteral("Other"));
        w.app->AddClipItems({QStringLiteral("1) other")});
    })) << "never painted";
    ASSERT_EQ(ClipList(w)->count(), 1);
    EXPECT_EQ(ClipList(w)->itemText(0), "1) other");
}

// A clip added before the start's list came goes below that list, which comes once only.
TEST(Startup, AClipAddedBeforeTheListCameGoesBelowIt) {
    World w;
    ASSERT_TRUE(StartAndPassFirstFrame(w, [&] {
        w.app->AddClipItems({QStringLiteral("2) beta")});
    })) << "never painted";
    ASSERT_EQ(ClipList(w)->count(), 2);
    EXPECT_EQ(ClipList(w)->itemText(0), "1) alpha");
    EXPECT_EQ(ClipList(w)->itemText(1), "2) beta");
}
