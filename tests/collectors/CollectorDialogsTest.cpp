// The five collector dialogs driven like a user would, over the fakes.
#include "support/Fakes.h"

#include "collectors/frmDelete.h"
#include "collectors/frmFirst.h"
#include "collectors/frmNameTxt.h"
#include "collectors/frmOpen.h"
#include "collectors/frmSaveAs.h"
#include "pictures/frmPix.h"
#include "text/frmMain.h"
#include "ui/ImageBox.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

using namespace quorrel;
using namespace quorrel::test;

namespace {

const std::string kAppIni = "Clips/Data/Settings.ini";

struct Dialogs : ::testing::Test {
    World w;
    void Start() {
        w.MakeCollector("Home", {"x", "y", "z"}, false);
        w.MakeCollector("Misc", {}, false);
        w.MakeCollector("Work", {"a", "b"});
        w.app->Main();
    }
    template <class T> T* Open(FormId id) {
        w.app->Show(id);
        return w.app->Get<T>(id);
    }
    frmMain* Main() { return w.app->Get<frmMain>(FormId::frmMain); }
    QString MainLabel() { return Main()->ui.lblCollector->text(); }
    QComboBox* MainList() { return Main()->ui.Combo1; }
    static QStringList Items(QComboBox* c) {
        QStringList l;
        for (int i = 0; i < c->count(); ++i)
            l << c->itemText(i);
        return l;
    }
    static void Choose(QComboBox* c, const QString& item) {
        const int i = c->findText(item);
        ASSERT_GE(i, 0) << item.toStdString();
        c->setCurrentIndex(i);
        emit c->activated(i);
    }
    static void Type(QWidget* box, const QString& text) { QTest::keyClicks(box, text); }
};

} // namespace

// ---- Create ----

TEST_F(Dialogs, NameBoxesEnableOkExactlyWhileTheyHoldACharacter) {
    Start();
    for (FormId id : {FormId::frmNameTxt, FormId::frmSaveAs}) {
        w.app->Show(id);
        auto* form = static_cast<quorrel::Form*>(w.app->Form(id));
        auto* text1 = Named<QLineEdit>(form, "Text1");
        auto* ok = Named<QPushButton>(form, "cmdOk");
        EXPECT_FALSE(ok->isEnabled());
        QTest::keyClick(text1, Qt::Key_Return); // a disabled default button is not pressed
        EXPECT_TRUE(w.app->IsLoaded(id));
        Type(text1, " ");
        EXPECT_TRUE(ok->isEnabled());
        QTest::keyClick(text1, Qt::Key_Backspace);
        EXPECT_FALSE(ok->isEnabled());
        QTest::keyClick(text1, Qt::Key_Escape); // Esc is Cancel
        EXPECT_FALSE(w.app->IsLoaded(id));
    }
    EXPECT_TRUE(w.messages.shown.isEmpty());
}

TEST_F(Dialogs, EnterCreatesTheCollectorKeepingItsBlanksAndResetsTheTextWindow) {
    Start();
    auto* d = Open<frmNameTxt>(FormId::frmNameTxt);
    Type(d->ui.Text1, " New ");
    QTest::keyClick(d->ui.Text1, Qt::Key_Return);
    EXPECT_TRUE(w.messages.shown.isEmpty()) << w.messages.shown.join("|").toStdString();
    const std::string folder = w.Path("Clips/Data/ New /");
    EXPECT_EQ(w.app->State().CollectorPath, folder);
    EXPECT_EQ(w.Read("Clips/Data/ New /Settings.ini"), "[Collector]\r\nClipNumber=0\r\n");
    const std::string ini = w.Read(kAppIni);
    EXPECT_NE(ini.find("\r\nSkip= New \r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("\r\nLabel= New \r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("\r\nOpen=" + folder + "\r\n"), std::string::npos) << ini;
    EXPECT_EQ(MainLabel(), "  New  ");
    EXPECT_EQ(MainList()->count(), 0);
    EXPECT_EQ(MainList()->currentText(), " New ");
    EXPECT_TRUE(Main()->ui.cmdAdd->isEnabled());
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmNameTxt));
    EXPECT_FALSE(w.busy.busy);
}

// The new collector has no pictures: every slot of the graphics window goes, the last too.
TEST_F(Dialogs, CreateHidesEveryPictureSlotOfTheOldCollector) {
    Start();
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    std::filesystem::create_directories(w.Path("Clips/Data/Work/Pix"));
    for (int n = 1; n <= 15; ++n)
        ASSERT_TRUE(picture.save(
            QString::fromStdString(w.Path("Clips/Data/Work/Pix/" + std::to_string(n) + ".jpg")),
            "BMP"));
    auto* pix = w.app->Get<frmPix>(FormId::frmPix);
    w.app->RefreshPictureSlots();
    auto shown = [pix] {
        std::vector<int> s;
        for (int n = 1; n <= 15; ++n)
            if (!pix->Slot(n)->isHidden()) s.push_back(n);
        return s;
    };
    ASSERT_EQ(shown().size(), 15u);
    auto* d = Open<frmNameTxt>(FormId::frmNameTxt);
    Type(d->ui.Text1, "New");
    QTest::keyClick(d->ui.Text1, Qt::Key_Return);
    EXPECT_TRUE(w.messages.shown.isEmpty()) << w.messages.shown.join("|").toStdString();
    EXPECT_EQ(shown(), std::vector<int>{});
}

TEST_F(Dialogs, ATakenOrUnusableNameChangesNothing) {
    Start();
    const std::string ini = w.Read(kAppIni);
    const std::string path = w.app->State().CollectorPath;
    struct Case {
        QString name, message;
        bool boxEmptied;
    };
    const Case cases[] = {
        {"Work", "A collector with that name already exists.", true},
        {"a/b", "A collector name may not contain / \\ [ or control characters, nor be . or ..",
         false},
        {"..", "A collector name may not contain / \\ [ or control characters, nor be . or ..",
         false},
        {"[x", "A collector name may not contain / \\ [ or control characters, nor be . or ..",
         false},
    };
    auto* d = Open<frmNameTxt>(FormId::frmNameTxt);
    auto* text1 = d->ui.Text1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        w.messages.shown.clear();
        text1->clear();
        Type(text1, c.name);
        QTest::mouseClick(d->ui.cmdOk, Qt::LeftButton);
        EXPECT_EQ(w.messages.shown, QStringList{c.message});
        EXPECT_EQ(text1->text().isEmpty(), c.boxEmptied);
        EXPECT_EQ(d->ui.cmdOk->isEnabled(), !c.boxEmptied);
        EXPECT_TRUE(w.app->IsLoaded(FormId::frmNameTxt));
        EXPECT_EQ(w.Read(kAppIni), ini);
        EXPECT_EQ(w.app->State().CollectorPath, path);
        EXPECT_EQ(MainLabel(), " Work ");
        EXPECT_FALSE(w.busy.busy);
    }
    EXPECT_FALSE(w.Exists("Clips/Data/a"));
    // After a refusal another name goes through.
    text1->clear();
    Type(text1, "Other");
    QTest::mouseClick(d->ui.cmdOk, Qt::LeftButton);
    EXPECT_TRUE(w.Exists("Clips/Data/Other/Settings.ini"));
}

TEST_F(Dialogs, ANameTooLongForTheFileSystemIsToldBeforeAnythingIsWritten) {
    Start();
    const std::string ini = w.Read(kAppIni);
    auto* d = Open<frmNameTxt>(FormId::frmNameTxt);
    d->ui.Text1->setText(QString(300, QLatin1Char('n'))); // beyond a name's length
    d->cmdOk_Click();
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown[0].startsWith("The name is too long"))
        << w.messages.shown[0].toStdString();
    EXPECT_EQ(w.Read(kAppIni), ini);
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmNameTxt));
}

TEST_F(Dialogs, ShowingAnOpenDialogAgainDoesNotReloadIt) {
    Start();
    auto* d = Open<frmNameTxt>(FormId::frmNameTxt);
    Type(d->ui.Text1, "half typed");
    EXPECT_EQ(Open<frmNameTxt>(FormId::frmNameTxt), d);
    EXPECT_EQ(d->ui.Text1->text(), "half typed");

    auto* del = Open<frmDelete>(FormId::frmDelete);
    const int before = del->ui.Combo1->count();
    w.MakeCollector("Later", {}, false);
    Open<frmDelete>(FormId::frmDelete);
    EXPECT_EQ(del->ui.Combo1->count(), before);
}

// ---- First run ----

struct FirstRun : Dialogs {
    frmFirst* first = nullptr;
    void SetUp() override {
        w.app->Main();
        ASSERT_TRUE(w.app->State().FirstRun);
        first = w.app->Get<frmFirst>(FormId::frmFirst);
        ASSERT_TRUE(first->isVisible());
    }
};

TEST_F(FirstRun, HelpThenOkCreatesTheFirstCollectorAndShowsTheTextWindow) {
    QTest::mouseClick(first->ui.cmdHelp, Qt::LeftButton);
    ASSERT_EQ(w.help.calls.size(), 1u);
    EXPECT_EQ(w.help.calls[0].owner, first);
    EXPECT_EQ(w.help.calls[0].file, "QuorrelHelp.chm");
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmFirst));
    auto* text1 = first->ui.Text1;
    QTest::keyClick(text1, Qt::Key_Return); // nothing typed: nothing happens
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmFirst));
    Type(text1, "Mine");
    QTest::keyClick(text1, Qt::Key_Return);
    Drain();
    EXPECT_FALSE(w.app->State().FirstRun);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmFirst));
    EXPECT_TRUE(Main()->isVisible());
    EXPECT_EQ(MainLabel(), " Mine ");
    EXPECT_EQ(MainList()->currentText(), "Mine");
    EXPECT_TRUE(w.Exists("Clips/Data/Mine/Settings.ini"));
    const std::string ini = w.Read(kAppIni);
    for (const char* key : {"Skip=Mine", "Label=Mine", "Open="})
        EXPECT_NE(ini.find(key), std::string::npos) << key;
}

TEST_F(FirstRun, CancelOrTheCloseBoxRemovesTheStoreAndEndsTheProgram) {
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        if (closeBox) {
            w.app = std::make_unique<App>(w.Services());
            w.app->Main();
            first = w.app->Get<frmFirst>(FormId::frmFirst);
        }
        QSignalSpy ended(w.app.get(), &App::Ended);
        if (closeBox)
            first->close();
        else
            QTest::mouseClick(first->ui.cmdCancel, Qt::LeftButton);
        Drain();
        EXPECT_FALSE(w.Exists("Clips"));
        EXPECT_EQ(ended.count(), 1);
        EXPECT_FALSE(w.app->AnyLoaded());
        EXPECT_TRUE(w.messages.shown.isEmpty());
    }
}

TEST_F(FirstRun, AStoreThatCannotBeRemovedIsReportedAndTheProgramEndsAnyway) {
    w.Write("Clips/Data/locked/file", "x");
    const std::string locked = w.Path("Clips/Data/locked");
    ASSERT_EQ(::chdir(w.docs.c_str()), 0); // an earlier delete may have left us in a gone folder
    if (::geteuid() == 0) {
        // Root ignores permissions: make the folder immutable instead where the system allows.
        if (std::system(("chattr +i '" + locked + "' 2>/dev/null").c_str()) != 0)
            GTEST_SKIP() << "no way to make a folder undeletable here";
    } else {
        ASSERT_EQ(::chmod(locked.c_str(), 0500), 0);
    }
    QSignalSpy ended(w.app.get(), &App::Ended);
    first->cmdCancel_Click();
    Drain();
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown[0].contains("could not be removed"));
    EXPECT_EQ(ended.count(), 1);
    EXPECT_NE(std::system(("chattr -i '" + locked + "' 2>/dev/null").c_str()), -1);
    ::chmod(locked.c_str(), 0700);
}

// ---- Open ----

TEST_F(Dialogs, OpenListsEveryCollectorAndOpensTheChosenOne) {
    Start();
    auto* d = Open<frmOpen>(FormId::frmOpen);
    auto* combo = d->ui.Combo1;
    auto* ok = d->ui.cmdOk;
    QStringList items = Items(combo);
    items.sort();
    EXPECT_EQ(items, (QStringList{"Home", "Misc", "Work"}));
    EXPECT_EQ(combo->currentText(), "Select a collector");
    EXPECT_FALSE(ok->isEnabled());
    Type(combo, "Ho");
    EXPECT_FALSE(ok->isEnabled());          // typing is no choice
    QTest::keyClick(combo, Qt::Key_Return); // nor does Enter open anything yet
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmOpen));
    QTest::keyClick(combo, Qt::Key_Down); // the first collector is chosen
    EXPECT_TRUE(ok->isEnabled());
    Choose(combo, "Home");
    QTest::keyClick(combo, Qt::Key_Return); // Enter is OK

    EXPECT_TRUE(w.messages.shown.isEmpty()) << w.messages.shown.join("|").toStdString();
    const std::string folder = w.Path("Clips/Data/Home/");
    EXPECT_EQ(w.app->State().CollectorPath, folder);
    EXPECT_EQ(w.Read(kAppIni), "[Collector]\r\nLabel=Home\r\nOpen=" + folder + "\r\nSkip=Home\r\n");
    EXPECT_EQ(Items(MainList()), (QStringList{"1) x", "2) y", "3) z"}));
    EXPECT_EQ(MainList()->currentText(), "Select To Replace Clipboard Contents");
    EXPECT_EQ(MainLabel(), " Home ");
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmOpen));
    EXPECT_FALSE(w.busy.busy);
}

TEST_F(Dialogs, OpenRefusesATypedNameThatIsNoCollector) {
    Start();
    w.Write("Clips/Data/outside/Settings.ini", "[Collector]\r\nClipNumber=0\r\n");
    const std::string ini = w.Read(kAppIni);
    auto* d = Open<frmOpen>(FormId::frmOpen);
    auto* combo = d->ui.Combo1;
    Choose(combo, "Home");
    for (const QString typed : {"Nobody", "../Data/Home", "", "Settings.ini"}) {
        SCOPED_TRACE(typed.toStdString());
        w.messages.shown.clear();
        combo->setEditText(typed);
        QTest::mouseClick(d->ui.cmdOk, Qt::LeftButton);
        EXPECT_EQ(w.messages.shown.size(), 1);
        EXPECT_EQ(w.Read(kAppIni), ini);
        EXPECT_EQ(MainLabel(), " Work ");
        EXPECT_EQ(MainList()->count(), 2);
        EXPECT_TRUE(w.app->IsLoaded(FormId::frmOpen));
    }
    QTest::mouseClick(d->ui.cmdCancel, Qt::LeftButton);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmOpen));
    EXPECT_EQ(w.Read(kAppIni), ini);
}

// ---- Save As ----

TEST_F(Dialogs, SaveAsCopiesTheOpenCollectorAndChangesNoSetting) {
    Start();
    const std::string ini = w.Read(kAppIni);
    auto* d = Open<frmSaveAs>(FormId::frmSaveAs);
    auto* text1 = d->ui.Text1;
    Type(text1, "Work");
    QTest::keyClick(text1, Qt::Key_Return);
    EXPECT_EQ(w.messages.shown, QStringList{"A Collector With That Name Already Exists."});
    EXPECT_EQ(text1->text(), "Work");
    EXPECT_TRUE(d->ui.cmdOk->isEnabled());

    text1->setText("Copy1");
    QTest::keyClick(text1, Qt::Key_Return);
    EXPECT_EQ(w.messages.shown.size(), 1);
    for (const char* f : {"Settings.ini", "1", "2", "Numb", "Data"})
        EXPECT_EQ(w.Read(std::string("Clips/Data/Copy1/") + f),
                  w.Read(std::string("Clips/Data/Work/") + f))
            << f;
    EXPECT_EQ(w.Read(kAppIni), ini);
    EXPECT_EQ(w.app->State().CollectorPath.find("Copy1"), std::string::npos);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmSaveAs));
    EXPECT_FALSE(w.busy.busy);
}

TEST_F(Dialogs, AFailedSaveAsSaysWhyAndLeavesNoPartCopy) {
    Start();
    w.app->State().CollectorPath = w.Path("Clips/Data/Vanished/");
    auto* d = Open<frmSaveAs>(FormId::frmSaveAs);
    d->ui.Text1->setText("Copy1");
    d->cmdOk_Click();
    EXPECT_EQ(w.messages.shown, QStringList{"76 Path not found"});
    EXPECT_FALSE(w.Exists("Clips/Data/Copy1"));
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmSaveAs));
    EXPECT_FALSE(w.busy.busy);
}

// ---- Delete ----

TEST_F(Dialogs, DeleteLeavesTheOpenCollectorOutAndDeletesTheChoiceOnEnter) {
    Start();
    const std::string ini = w.Read(kAppIni);
    auto* d = Open<frmDelete>(FormId::frmDelete);
    auto* combo = d->ui.Combo1;
    QStringList items = Items(combo);
    items.sort();
    EXPECT_EQ(items, (QStringList{"Home", "Misc"}));
    EXPECT_EQ(combo->currentText(), "");
    EXPECT_EQ(d->ui.lblSkip->text(),
              "The Collector named 'Work'\r\nis currently open and will not be listed.");
    EXPECT_GT(d->ui.lblSkip->height(), 195 / 15); // grew to show both lines
    EXPECT_FALSE(d->ui.cmdOk->isEnabled());
    Choose(combo, "Home");
    // The Trash of this test's own home (on the same file system as its documents).
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", w.Path("share").c_str());
    QTest::keyClick(combo, Qt::Key_Return);
    qputenv("XDG_DATA_HOME", data);
    EXPECT_EQ(w.messages.shown,
              QStringList{"The Collector 'Home' was moved to the Trash, from where it can be "
                          "restored."});
    EXPECT_FALSE(w.Exists("Clips/Data/Home"));
    EXPECT_TRUE(w.Exists("share/Trash/files/Home/Settings.ini")); // whole, to be restored
    EXPECT_NE(w.Read("share/Trash/info/Home.trashinfo").find("Path=" + w.Path("Clips/Data/Home")),
              std::string::npos);
    EXPECT_TRUE(w.Exists("Clips/Data/Work/1"));
    EXPECT_EQ(w.Read(kAppIni), ini);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmDelete));
    Drain();
    auto* open = Open<frmOpen>(FormId::frmOpen);
    EXPECT_EQ(open->ui.Combo1->findText("Home"), -1);
}

TEST_F(Dialogs, WithoutATrashDeleteDeletesForGoodAndSaysSo) {
    Start();
    auto* d = Open<frmDelete>(FormId::frmDelete);
    Choose(d->ui.Combo1, "Misc");
    // No Trash can be made where the data folder cannot be: the Trash is not looked for in the
    // current folder (the collectors folder) instead.
    w.Write("blocked", "a file, not a folder");
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", w.Path("blocked/share").c_str());
    QTest::mouseClick(d->ui.cmdOk, Qt::LeftButton);
    qputenv("XDG_DATA_HOME", data);
    EXPECT_EQ(w.messages.shown, QStringList{"The Collector 'Misc' was deleted for good: there is "
                                            "no Trash where it was kept."});
    EXPECT_FALSE(w.Exists("Clips/Data/Misc"));
    EXPECT_FALSE(w.Exists("Clips/Data/files"));
    EXPECT_FALSE(w.Exists("Clips/Data/info"));
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmDelete));
}

TEST_F(Dialogs, DeleteAnswersEveryTextItCannotDelete) {
    Start();
    auto* d = Open<frmDelete>(FormId::frmDelete);
    auto* combo = d->ui.Combo1;
    Choose(combo, "Misc");
    struct Case {
        QString typed, message;
    };
    const Case cases[] = {
        {"Work", "You may not delete the Collector you have open"},
        {"Nobody", "Runtime Error\r\n76 Path not found"},
        {"..", "A collector name may not contain / \\ [ or control characters, nor be . or .."},
        {"../../Clips",
         "A collector name may not contain / \\ [ or control characters, nor be . or .."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        w.messages.shown.clear();
        combo->setEditText(c.typed);
        QTest::mouseClick(d->ui.cmdOk, Qt::LeftButton);
        EXPECT_EQ(w.messages.shown, QStringList{c.message});
        EXPECT_TRUE(w.app->IsLoaded(FormId::frmDelete));
        EXPECT_FALSE(w.busy.busy);
    }
    EXPECT_TRUE(w.Exists("Clips/Data/Work/1"));
    EXPECT_TRUE(w.Exists("Clips/Data/Settings.ini"));
    w.messages.shown.clear();
    combo->setEditText("");
    QTest::mouseClick(d->ui.cmdOk, Qt::LeftButton);
    EXPECT_EQ(w.messages.shown, QStringList{"You must first choose a collector to delete"});
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmDelete));
}

// A delete the system refuses is told as it is, not as the open collector (which is refused
// before anything is tried); here the collectors folder stops being reachable (a link to
// itself) after the list was shown.
TEST_F(Dialogs, ADeleteTheSystemRefusesIsToldAsItIs) {
    Start();
    auto* d = Open<frmDelete>(FormId::frmDelete);
    Choose(d->ui.Combo1, "Misc");
    const std::string data = w.Path("Clips/Data");
    std::filesystem::rename(data, data + ".away");
    std::filesystem::create_directory_symlink("Data", data);
    QTest::mouseClick(d->ui.cmdOk, Qt::LeftButton);
    std::filesystem::remove(data);
    std::filesystem::rename(data + ".away", data);
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown[0].startsWith("Runtime Error\r\n75 Path/File access error"))
        << w.messages.shown[0].toStdString();
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmDelete));
    EXPECT_FALSE(w.busy.busy);
    EXPECT_TRUE(w.Exists("Clips/Data/Misc/Settings.ini"));
}

TEST_F(Dialogs, DeleteListsEveryCollectorWhenSkipIsMissing) {
    Start();
    w.Write(kAppIni, "[Collector]\r\nLabel=Work\r\n");
    auto* d = Open<frmDelete>(FormId::frmDelete);
    EXPECT_EQ(d->ui.Combo1->count(), 3);
    EXPECT_EQ(d->ui.lblSkip->text(),
              "The Collector named ''\r\nis currently open and will not be listed.");
}
