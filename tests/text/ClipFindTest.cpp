// Finding a clip by typing in the clip list's box, over the fakes.
#include "support/Fakes.h"

#include "text/frmMain.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
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
    EXPECT_EQ(Offered(), (QStringList{"5) tmux; Ssh back", "4) first line", "3) SSH key passphrase",
                                      "1) ssh deploy@10.0.0.5 -p 2222"}));
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
