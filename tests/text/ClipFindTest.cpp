// Finding a clip by typing in the clip list's box, over the fakes.
#include "support/Fakes.h"

#include "text/ClipFind.h"
#include "text/frmMain.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorrel;
using namespace quorrel::test;

namespace {

struct Find : ::testing::Test {
    World w;
    frmMain* main = nullptr;
    QComboBox* combo = nullptr;
    QAbstractItemView* popup = nullptr;
    void Start(const std::vector<std::string>& clips) {
        w.MakeCollector("Work", clips);
        w.app->Main();
        main = w.app->Get<frmMain>(FormId::frmMain);
        combo = main->ui.Combo1;
        popup = main->findChild<QCompleter*>(QStringLiteral("ClipFind"))->popup();
        combo->setFocus();
    }
    // What the drop-down offers, top down; nothing while it is closed.
    QStringList Offered() const {
        QStringList rows;
        if (!popup->isVisible()) return rows;
        for (int r = 0; r < popup->model()->rowCount(); ++r)
            rows << popup->model()->index(r, 0).data().toString();
        return rows;
    }
};

} // namespace

TEST_F(Find, TypingOffersTheClipsHoldingItNewestFirstAndChoosingOneRestoresIt) {
    Start({"ssh deploy@10.0.0.5 -p 2222", "grocery list", "SSH key passphrase",
           "first line\r\nssh only further down", "tmux; Ssh back"});
    EXPECT_TRUE(Offered().isEmpty()); // nothing opens for a user who does not type
    EXPECT_EQ(combo->view()->textElideMode(), Qt::ElideRight);
    const int writes = w.clipboard.writes;
    QTest::keyClicks(combo, "sSh");
    EXPECT_EQ(combo->currentText(), "sSh"); // the prompt gave way to what was typed
    // First lines at once; a clip that holds it further down once the clips' texts are read.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Offered().size() == 4; }));
    EXPECT_EQ(Offered(),
              (QStringList{"5) tmux; Ssh back", "4) first line  \u2014  ssh only further down",
                           "3) SSH key passphrase", "1) ssh deploy@10.0.0.5 -p 2222"}));
    EXPECT_EQ(w.clipboard.writes, writes); // typing restores nothing
    EXPECT_GE(popup->width(), 60 * popup->fontMetrics().averageCharWidth());
    EXPECT_EQ(popup->textElideMode(), Qt::ElideRight);

    // Down three times, Enter: the third offered, exactly as if chosen from the list.
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(combo->currentIndex(), 2);
    EXPECT_EQ(combo->currentText(), "3) SSH key passphrase");
    EXPECT_EQ(w.clipboard.GetText(), "SSH key passphrase");
    EXPECT_EQ(main->ui.Text1->text(), "SSH key passphrase");
    EXPECT_TRUE(main->ui.cmdPreview->isEnabled());
}

TEST_F(Find, TheOfferFollowsTheTypingAndTheList) {
    Start({"alpha", "beta", "alphabet"});
    QTest::keyClicks(combo, "alp");
    EXPECT_EQ(Offered(), (QStringList{"3) alphabet", "1) alpha"}));
    QTest::keyClicks(combo, "hab"); // narrower
    EXPECT_EQ(Offered(), QStringList{"3) alphabet"});
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(combo, Qt::Key_Backspace); // wider again
    EXPECT_EQ(Offered(), (QStringList{"3) alphabet", "1) alpha"}));
    QTest::keyClick(popup, Qt::Key_Escape);
    EXPECT_TRUE(Offered().isEmpty());
    EXPECT_EQ(combo->currentText(), "alp");
    QTest::keyClicks(combo, "zz");
    EXPECT_TRUE(Offered().isEmpty()); // nothing holds it: no empty drop-down
    QTest::keyClick(combo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(combo, Qt::Key_Backspace);
    EXPECT_TRUE(Offered().isEmpty());

    // After a choice from the list, the next letter starts a search of its own.
    combo->setCurrentIndex(0);
    combo->activated(0);
    EXPECT_EQ(w.clipboard.GetText(), "alpha");
    QTest::keyClicks(combo, "B");
    EXPECT_EQ(combo->currentText(), "B");
    EXPECT_EQ(Offered(), (QStringList{"3) alphabet", "2) beta"}));

    // A clip added meanwhile is found at once, first.
    main->ui.Text1->setText("bravo");
    main->cmdAdd_Click();
    EXPECT_EQ(combo->currentText(), "Select To Replace Clipboard Contents");
    QTest::keyClicks(combo, "b");
    EXPECT_EQ(Offered(), (QStringList{"4) bravo", "3) alphabet", "2) beta"}));
}

TEST_F(Find, AClipFoundBelowItsFirstLineShowsWhereAndIsChosenByItsRow) {
    const std::string deep = "notes\r\nline two\r\n\t\tcd /srv/backups && " + std::string(60, 'x') +
                             " ssh -p 2222 backup@host && echo\tdone; " + std::string(100, 'y');
    Start({"ssh deploy@10.0.0.5\r\nssh again", deep, "Проект\r\nсервер: SSH Доступ",
           "old mac\rsecond\nthird: ssh over CR and LF line ends", "grocery list"});
    QTest::keyClicks(combo, "ssh");
    EXPECT_EQ(Offered(), QStringList{"1) ssh deploy@10.0.0.5"}); // first lines until read
    EXPECT_TRUE(QTest::qWaitFor([&] { return Offered().size() == 4; }));
    const QString cut(u'\u2026');
    const QString after = " -p 2222 backup@host && echo done; " + QString(25, u'y') + cut;
    EXPECT_EQ(Offered(),
              (QStringList{"4) old mac  \u2014  third: ssh over CR and LF line ends",
                           "3) Проект  \u2014  сервер: SSH Доступ",
                           "2) notes  \u2014  " + cut + QString(23, u'x') + " ssh" + after,
                           "1) ssh deploy@10.0.0.5"}));
    auto where = [&](int r) { return popup->model()->index(r, 0).data(kFoundLineRole); };
    // The found text apart (in the clip's own letter case), the long line cut around it.
    EXPECT_EQ(where(1).toStringList(), (QStringList{"сервер: ", "SSH", " Доступ"}));
    EXPECT_EQ(where(2).toStringList(), (QStringList{cut + QString(23, u'x') + " ", "ssh", after}));
    EXPECT_FALSE(where(3).isValid()); // found in its first line: as the list shows it
    EXPECT_EQ(popup->model()->index(2, 0).data(Qt::EditRole).toString(), "2) notes");
    QImage shot(popup->viewport()->size(), QImage::Format_RGB32);
    popup->viewport()->render(&shot); // the drop-down paints it without a fault

    // Choosing a clip found further down takes its row, exactly as from the list.
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(combo->currentText(), "2) notes");
    EXPECT_EQ(w.clipboard.GetText(), QString::fromStdString(deep).replace("\r\n", "\n"));

    // Across a line end from the first line: the entry alone does not show it, so where it was
    // found does, each line end as one mark; other letter cases of non-Latin text are found.
    auto* finder = main->findChild<ClipFinder*>();
    finder->Find(QStringLiteral("NOTES\r\nLINE"));
    ASSERT_EQ(finder->rowCount(), 1);
    EXPECT_EQ(finder->index(0, 0).data(kFoundLineRole).toStringList(),
              (QStringList{"", "notes\u21b5line", " two"}));
    finder->Find(QStringLiteral("ДОСТУП"));
    EXPECT_EQ(finder->index(0, 0).data(kFoundLineRole).toStringList(),
              (QStringList{"сервер: SSH ", "Доступ", ""}));
    finder->Find(QStringLiteral("\u041f\u0440\u043e"));
    EXPECT_FALSE(finder->index(0, 0).data(kFoundLineRole).isValid());
}
