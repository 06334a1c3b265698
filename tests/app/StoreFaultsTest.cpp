// The whole program over the fakes when the store fails it: a full disk, a crash's leftovers, a
// hand-edited or hostile store. Every command leaves the files and the windows as they were, or
// as they should be, and says what went wrong.
#include "support/Fakes.h"

#include "core/CoreTestSupport.h"

#include "collectors/frmDelete.h"
#include "collectors/frmNameTxt.h"
#include "collectors/frmOpen.h"
#include "pictures/frmPix.h"
#include "text/frmMain.h"
#include "ui/ImageBox.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

using namespace quorrel;
using namespace quorrel::test;

namespace {

using quorrel::test::FileSizeLimit;

struct StoreFaults : ::testing::Test {
    World w;
    frmMain* Main() { return w.app->Get<frmMain>(FormId::frmMain); }
    frmPix* Pix() { return w.app->Get<frmPix>(FormId::frmPix); }
    QStringList Items() {
        auto* c = Main()->ui.Combo1;
        QStringList l;
        for (int i = 0; i < c->count(); ++i)
            l << c->itemText(i);
        return l;
    }
    QString Label() { return Main()->ui.lblCollector->text(); }
    void Add(const QString& text) {
        Main()->ui.Text1->setText(text);
        Main()->cmdAdd_Click();
    }
};

TEST_F(StoreFaults, AStartOnAFullDiskSaysSoOnceAndStillListsTheClips) {
    w.MakeCollector("Work", {"one", "two"});
    w.Write("Clips/Data/Work/Data", "1) one\r\n2) t"); // a crash cut the last line
    const std::string settings = w.Read("Clips/Data/Settings.ini");
    {
        FileSizeLimit limit(10); // the rewrite of Open cannot be written
        w.app->Main();
    }
    EXPECT_EQ(w.messages.shown, QStringList{"61 Disk full"});
    EXPECT_TRUE(Main()->isVisible());
    EXPECT_EQ(Label(), " Work ");
    // The cut line is gone; its clip gets its line back once there is room.
    EXPECT_EQ(Items(), QStringList{"1) one"});
    EXPECT_EQ(w.Read("Clips/Data/Settings.ini"), settings);
    w.app.reset();
    Drain();
    w.app = std::make_unique<App>(w.Services());
    w.messages.shown.clear();
    w.app->Main();
    EXPECT_TRUE(w.messages.shown.isEmpty());
    EXPECT_EQ(Items(), (QStringList{"1) one", "2) two"}));
}

TEST_F(StoreFaults, AStartFinishesAnAddACrashInterrupted) {
    w.MakeCollector("Work", {"one", "two"});
    // The clip file and ClipNumber were written, the index lines not; a temporary file stayed.
    w.Write("Clips/Data/Work/3", "three\r\n");
    w.Write("Clips/Data/Work/Settings.ini", "[Collector]\r\nClipNumber=3\r\n");
    w.Write("Clips/Data/Work/.[temp]/0123456789ab", "[Collector]\r\nClipNu");
    w.app->Main();
    EXPECT_TRUE(w.messages.shown.isEmpty());
    EXPECT_EQ(Items(), (QStringList{"1) one", "2) two", "3) three"}));
    EXPECT_EQ(w.Read("Clips/Data/Work/Numb"), "1\r\n2\r\n3\r\n");
    EXPECT_FALSE(w.Exists("Clips/Data/Work/.[temp]"));
}

TEST_F(StoreFaults, ALabelLeadingOutsideTheStoreOpensNoCollector) {
    w.MakeCollector("Work", {"one"});
    w.Write("outside/Settings.ini", "[Collector]\r\nClipNumber=0\r\n");
    w.Write("Clips/Data/Settings.ini", "[Collector]\r\nLabel=../../outside\r\n");
    w.app->Main();
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown[0].contains("'../../outside'"))
        << w.messages.shown[0].toStdString();
    EXPECT_EQ(Label(), "  ");
    EXPECT_TRUE(Items().isEmpty());
    EXPECT_EQ(w.app->State().CollectorPath, w.Path("Clips/Data/"));
    Add("stays inside");
    EXPECT_EQ(w.Read("outside/Settings.ini"), "[Collector]\r\nClipNumber=0\r\n");
    EXPECT_FALSE(w.Exists("outside/1"));
}

TEST_F(StoreFaults, AFailedAddLeavesTheListAndTheFilesAsTheyWere) {
    w.MakeCollector("Work", {"one", "two"});
    w.app->Main();
    const std::string numb = w.Read("Clips/Data/Work/Numb");
    {
        FileSizeLimit limit(4);
        Add("a clip longer than the disk has room for");
    }
    EXPECT_EQ(w.messages.shown, QStringList{"61 Disk full"});
    EXPECT_EQ(Items(), (QStringList{"1) one", "2) two"}));
    EXPECT_EQ(w.Read("Clips/Data/Work/Numb"), numb);
    EXPECT_EQ(w.Read("Clips/Data/Work/Settings.ini"), "[Collector]\r\nClipNumber=2\r\n");
    EXPECT_FALSE(w.Exists("Clips/Data/Work/3"));
    EXPECT_FALSE(w.busy.busy);
}

TEST_F(StoreFaults, AFailedOpenLeavesThePreviousCollectorOpen) {
    w.MakeCollector("Home", {"x"}, false);
    w.MakeCollector("Work", {"a", "b"});
    w.app->Main();
    // Settings the rewrite cannot take: larger than a settings file may be.
    std::string settings;
    for (int i = 0; i < 600000; ++i)
        settings += "\r\n";
    settings += "[Collector]\r\nLabel=Work\r\nSkip=Work\r\n";
    w.Write("Clips/Data/Settings.ini", settings);
    w.app->Show(FormId::frmOpen);
    auto* d = w.app->Get<frmOpen>(FormId::frmOpen);
    auto* combo = d->ui.Combo1;
    combo->setCurrentIndex(combo->findText("Home"));
    emit combo->activated(combo->currentIndex());
    d->cmdOk_Click();
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown[0].startsWith(
        QString::fromStdString("6 Overflow: '" + w.Path("Clips/Data/Settings.ini") + "'")))
        << w.messages.shown[0].toStdString();
    EXPECT_EQ(Label(), " Work ");
    EXPECT_EQ(Items(), (QStringList{"1) a", "2) b"}));
    EXPECT_EQ(w.app->State().CollectorPath, w.Path("Clips/Data/Work"));
    EXPECT_TRUE(w.Read("Clips/Data/Settings.ini") == settings);
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmOpen));
}

TEST_F(StoreFaults, AFailedCreateLeavesTheWindowsAndTheStoreAsTheyWere) {
    w.MakeCollector("Work", {"a"});
    w.Write("Clips/Data/Work/Pix/Settings.ini", "[Collector]\r\nPicNum=1\r\n");
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(w.Path("Clips/Data/Work/Pix/1.jpg")), "BMP"));
    w.app->Main();
    ASSERT_TRUE(Pix()->Slot(1)->isVisibleTo(Pix()));
    const std::string settings = w.Read("Clips/Data/Settings.ini");
    w.app->Show(FormId::frmNameTxt);
    auto* d = w.app->Get<frmNameTxt>(FormId::frmNameTxt);
    d->ui.Text1->setText("New");
    {
        FileSizeLimit limit(10);
        d->cmdOk_Click();
    }
    EXPECT_EQ(w.messages.shown, QStringList{"61 Disk full"});
    EXPECT_FALSE(w.Exists("Clips/Data/New"));
    EXPECT_FALSE(w.Exists("Clips/Data/.[temp]"));
    EXPECT_EQ(w.Read("Clips/Data/Settings.ini"), settings);
    EXPECT_TRUE(Pix()->Slot(1)->isVisibleTo(Pix()));
    EXPECT_EQ(Label(), " Work ");
    EXPECT_EQ(Items(), QStringList{"1) a"});
    // With room again the same name goes through.
    w.messages.shown.clear();
    d->cmdOk_Click();
    EXPECT_TRUE(w.messages.shown.isEmpty());
    EXPECT_EQ(w.Read("Clips/Data/New/Settings.ini"), "[Collector]\r\nClipNumber=0\r\n");
    EXPECT_EQ(Label(), " New ");
}

TEST_F(StoreFaults, DeleteKeepsACollectorHoldingAReadOnlyFile) {
    w.MakeCollector("Old", {"kept"}, false);
    w.MakeCollector("Work");
    ::chmod(w.Path("Clips/Data/Old/1").c_str(), 0444);
    w.app->Main();
    w.app->Show(FormId::frmDelete);
    auto* d = w.app->Get<frmDelete>(FormId::frmDelete);
    auto* combo = d->ui.Combo1;
    combo->setCurrentIndex(combo->findText("Old"));
    emit combo->activated(combo->currentIndex());
    d->cmdOk_Click();
    EXPECT_EQ(w.messages.shown,
              QStringList{"Runtime Error\r\n70 Permission denied: '1' is read-only"});
    EXPECT_EQ(w.Read("Clips/Data/Old/1"), "kept\r\n");
    EXPECT_EQ(w.Read("Clips/Data/Old/Data"), "1) kept\r\n");
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmDelete));
}

TEST_F(StoreFaults, APictureFileThatIsALinkIsNeverShown) {
    w.MakeCollector("Work");
    w.Write("Clips/Data/Work/Pix/Settings.ini", "[Collector]\r\nPicNum=2\r\n");
    QImage red(4, 4, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString(w.Path("outside.bmp")), "BMP"));
    ASSERT_TRUE(red.save(QString::fromStdString(w.Path("Clips/Data/Work/Pix/2.jpg")), "BMP"));
    std::filesystem::create_symlink(w.Path("outside.bmp"), w.Path("Clips/Data/Work/Pix/1.jpg"));
    w.app->Main();
    EXPECT_FALSE(Pix()->Slot(1)->isVisibleTo(Pix()));
    EXPECT_TRUE(Pix()->Slot(2)->isVisibleTo(Pix()));
}

// A store the user may read but not write (another user's files; a read-only disk acts alike):
// the program starts, lists and restores; an Add says which file it cannot write and changes
// nothing.
TEST_F(StoreFaults, AStoreThisUserMayOnlyReadStartsAndAnAddNamesTheFile) {
    w.MakeCollector("Work", {"one", "two"});
    w.Write("Clips/Data/Work/Pix/Settings.ini", "[Collector]\r\nPicNum=0\r\n");
    // The scratch folder around the documents folder is for its owner only: let nobody in.
    std::filesystem::permissions(std::filesystem::path(w.Path("Clips")).parent_path().parent_path(),
                                 std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    ReadOnlyTree readOnly(w.Path(""));
    SKIP_UNLESS_USABLE(readOnly);
    w.app->Main();
    EXPECT_TRUE(w.messages.shown.isEmpty()) << w.messages.shown.join(" | ").toStdString();
    EXPECT_TRUE(Main()->isVisible());
    EXPECT_EQ(Items(), (QStringList{"1) one", "2) two"}));
    emit Main()->ui.Combo1->activated(1);
    EXPECT_EQ(w.clipboard.GetText(), "two");
    Add("three");
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown[0].startsWith(
        QString::fromStdString("70 Permission denied: '" + w.Path("Clips/Data/Work/Settings.ini") +
                               "' cannot be written")))
        << w.messages.shown[0].toStdString();
    EXPECT_EQ(Items(), (QStringList{"1) one", "2) two"}));
    EXPECT_FALSE(w.Exists("Clips/Data/Work/3"));
}

} // namespace
