// The clip preview and the paste preview, over the fakes.
#include "support/Fakes.h"

#include "collectors/CollectorSteps.h"
#include "text/frmClipPrev.h"
#include "text/frmMain.h"
#include "text/frmPreview.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace quorrel;
using namespace quorrel::test;

namespace {

struct Previews : ::testing::Test {
    World w;
    void Start(const std::vector<std::string>& clips) {
        w.MakeCollector("Work", clips);
        w.app->Main();
    }
    frmClipPrev* Clips() {
        w.app->Show(FormId::frmClipPrev);
        return w.app->Get<frmClipPrev>(FormId::frmClipPrev);
    }
    frmPreview* Paste() {
        w.app->Show(FormId::frmPreview);
        return w.app->Get<frmPreview>(FormId::frmPreview);
    }
    static QString Label(frmClipPrev* p) { return p->ui.Label1->text(); }
    static QString Box(quorrel::Form* p) {
        return Named<QTextEdit>(p, "RichTextBox1")->toPlainText();
    }
    static void Press(quorrel::Form* p, const char* button) {
        QTest::mouseClick(Named<QPushButton>(p, button), Qt::LeftButton);
    }
    // What is on show after each press, as "label|box".
    static QStringList Walk(frmClipPrev* p, const char* button, int presses) {
        QStringList seen;
        for (int i = 0; i < presses; ++i) {
            Press(p, button);
            seen << Label(p) + "|" + Box(p);
        }
        return seen;
    }
};

} // namespace

TEST_F(Previews, NextAndBackWrapAroundThreeClips) {
    Start({"one", "two", "three"});
    auto* p = Clips();
    EXPECT_EQ(Label(p), " 1 ");
    EXPECT_EQ(Box(p), "one");
    EXPECT_FALSE(p->ui.cmdBack->isEnabled());
    EXPECT_EQ(Walk(p, "cmdNext", 3), (QStringList{" 2 |two", " 3 |three", " 1 |one"}));
    EXPECT_TRUE(p->ui.cmdBack->isEnabled());
    EXPECT_EQ(Walk(p, "cmdBack", 3), (QStringList{" 3 |three", " 2 |two", " 1 |one"}));
    EXPECT_TRUE(w.messages.shown.isEmpty());
}

TEST_F(Previews, ASingleClipStaysOnShowBothWays) {
    Start({"only"});
    auto* p = Clips();
    EXPECT_EQ(Walk(p, "cmdNext", 2), (QStringList{" 1 |only", " 1 |only"}));
    EXPECT_EQ(Walk(p, "cmdBack", 2), (QStringList{" 1 |only", " 1 |only"}));
}

TEST_F(Previews, ABlankOrBrokenIndexLineIsSteppedOverWithoutChangingTheScreen) {
    Start({"one", "two", "three"});
    // A blank line, and a line naming a clip file that is gone.
    w.Write("Clips/Data/Work/Numb", "1\r\n\r\n9\r\n3\r\n");
    auto* p = Clips();
    EXPECT_EQ(Walk(p, "cmdNext", 4), (QStringList{" 1 |one", " 1 |one", " 3 |three", " 1 |one"}));
    EXPECT_EQ(p->Position(), 0);
    EXPECT_EQ(Walk(p, "cmdBack", 2), (QStringList{" 3 |three", " 3 |three"}));
}

// Numb is a text file anyone can edit: a line naming a file in another folder shows nothing.
TEST_F(Previews, AnIndexLineLeadingOutOfTheCollectorShowsNothingOfThere) {
    Start({"one"});
    w.Write("Clips/Data/Home/1", "secret\r\n");
    w.Write("Clips/Data/Work/Numb", "1\r\n../Home/1\r\n" + w.Path("Clips/Data/Home/1") + "\r\n");
    auto* p = Clips();
    EXPECT_EQ(Walk(p, "cmdNext", 3), (QStringList{" 1 |one", " 1 |one", " 1 |one"}));
    EXPECT_EQ(Walk(p, "cmdBack", 2), (QStringList{" 1 |one", " 1 |one"}));
}

TEST_F(Previews, AMissingOrEmptyIndexStillShowsClipOneAndNeverSteps) {
    for (const char* numb : std::vector<const char*>{"", nullptr}) {
        SCOPED_TRACE(numb ? "empty Numb" : "no Numb");
        World fresh;
        fresh.MakeCollector("Work", {"one", "two"});
        if (numb)
            fresh.Write("Clips/Data/Work/Numb", numb);
        else
            std::remove(fresh.Path("Clips/Data/Work/Numb").c_str());
        fresh.app->Main();
        fresh.app->Show(FormId::frmClipPrev);
        auto* p = fresh.app->Get<frmClipPrev>(FormId::frmClipPrev);
        EXPECT_EQ(Box(p), "one");
        const QString label = Label(p);
        Walk(p, "cmdNext", 2);
        Walk(p, "cmdBack", 2);
        EXPECT_EQ(Box(p), "one");
        EXPECT_EQ(Label(p), label);
        EXPECT_TRUE(fresh.messages.shown.isEmpty());
    }
}

TEST_F(Previews, NoClipOneOpensAnEmptyWindowWithOnlyClose) {
    Start({});
    auto* p = Clips();
    EXPECT_EQ(w.messages.shown, QStringList{"No Clips to preview"});
    for (const char* b : {"cmdNext", "cmdBack", "cmdAdd"})
        EXPECT_FALSE(Named<QPushButton>(p, b)->isEnabled()) << b;
    EXPECT_EQ(Box(p), "");
    Press(p, "cmdClose");
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmClipPrev));
}

TEST_F(Previews, AClipIsShownAsPlainTextAndAddPutsItOnTheClipboard) {
    Start({"{\\rtf1 \\b bold\\b0}", "<b>tag</b>"});
    auto* p = Clips();
    EXPECT_EQ(Box(p), "{\\rtf1 \\b bold\\b0}");
    Press(p, "cmdNext");
    EXPECT_EQ(Box(p), "<b>tag</b>");
    const int writes = w.clipboard.writes;
    Press(p, "cmdAdd");
    EXPECT_EQ(w.clipboard.GetText(), "<b>tag</b>"); // as it was added
    EXPECT_EQ(w.clipboard.writes, writes + 2);      // cleared, then set
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmClipPrev));
}

TEST_F(Previews, AChosenClipGoesThroughThePastePreviewAsItWasAdded) {
    Start({"two\r\nlines"});
    emit w.app->Get<frmMain>(FormId::frmMain)->ui.Combo1->activated(0);
    auto* p = Paste();
    EXPECT_EQ(Box(p), "two\nlines");
    Press(p, "cmdOk");
    EXPECT_EQ(w.clipboard.GetText(), "two\nlines");
}

TEST_F(Previews, TheOpenPreviewKeepsItsCollectorAndPosition) {
    Start({"one", "two"});
    w.MakeCollector("Home", {"home 1", "home 2"}, false);
    auto* p = Clips();
    Press(p, "cmdNext");
    RecordOpenCollector(w.app->State(), "Home");
    EXPECT_EQ(Clips(), p); // shown again: not reloaded
    EXPECT_EQ(Label(p), " 2 ");
    EXPECT_EQ(Walk(p, "cmdNext", 2), (QStringList{" 1 |one", " 2 |two"}));
    EXPECT_EQ(p->ui.File1->property("Path").toString().toStdString(),
              w.Path("Clips/Data/Work")); // as start-up left it
}

TEST_F(Previews, BothBoxesWrapOnlyBeyondAThousandLetters) {
    Start({"one"});
    const int a = QFontMetrics(w.app->Get<frmMain>(FormId::frmMain)->font())
                      .horizontalAdvance(QLatin1Char('a'));
    for (quorrel::Form* f :
         {static_cast<quorrel::Form*>(Clips()), static_cast<quorrel::Form*>(Paste())}) {
        auto* box = Named<QTextEdit>(f, "RichTextBox1");
        EXPECT_EQ(box->lineWrapMode(), QTextEdit::FixedPixelWidth) << f->objectName().toStdString();
        EXPECT_EQ(box->lineWrapColumnOrWidth(), 1001 * a);
    }
}

TEST_F(Previews, PastePreviewOkPutsTheEditedTextBackWithoutClearing) {
    Start({});
    w.clipboard.ExternalText("hello");
    auto* p = Paste();
    EXPECT_EQ(Box(p), "hello");
    auto* box = p->ui.RichTextBox1;
    box->moveCursor(QTextCursor::End);
    QTest::keyClicks(box, " world");
    QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier); // a line break, not OK
    QTest::keyClick(box, Qt::Key_Tab, Qt::ControlModifier);    // a tab character
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmPreview));
    EXPECT_EQ(Box(p), "hello world\n\t");
    const int writes = w.clipboard.writes;
    QTest::keyClick(box, Qt::Key_Return); // Enter is OK, also in the box
    EXPECT_EQ(w.clipboard.GetText(), "hello world\n\t");
    EXPECT_EQ(w.clipboard.writes, writes + 1);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmPreview));
}

TEST_F(Previews, TabLeavesBothBoxesInTheWindowsTabOrder) {
    Start({"one", "two"});
    struct Case {
        quorrel::Form* form;
        const char* after;  // focused after Tab in the box
        const char* before; // focused after Shift+Tab in the box
    };
    // The clip preview's Back button starts disabled: Tab passes over it to Next.
    for (const Case& c : {Case{Paste(), "cmdOk", nullptr}, Case{Clips(), "cmdNext", "cmdClose"}}) {
        SCOPED_TRACE(c.form->objectName().toStdString());
        auto* box = Named<QTextEdit>(c.form, "RichTextBox1");
        const QString text = box->toPlainText();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Tab);
        ASSERT_NE(c.form->focusWidget(), nullptr);
        EXPECT_EQ(c.form->focusWidget()->objectName(), c.after);
        QTest::keyClick(c.form->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(c.form->focusWidget(), box);
        if (c.before) {
            QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
            EXPECT_EQ(c.form->focusWidget()->objectName(), c.before);
        }
        EXPECT_EQ(box->toPlainText(), text) << "no tab typed into the box";
    }
}

TEST_F(Previews, EnterInTheClipPreviewPressesTheFocusedButtonOrBreaksTheLine) {
    Start({"one", "two"});
    auto* p = Clips();
    auto* box = p->ui.RichTextBox1;
    box->moveCursor(QTextCursor::End);
    QTest::keyClick(box, Qt::Key_Return); // no default button: the box takes Enter
    EXPECT_EQ(Box(p), "one\n");
    EXPECT_EQ(Label(p), " 1 ");
    QTest::keyClick(p->ui.cmdNext, Qt::Key_Return);
    EXPECT_EQ(Label(p), " 2 ");
    QTest::keyClick(p->ui.cmdClose, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmClipPrev));
    Drain();
}

TEST_F(Previews, PastePreviewGivesBackClipboardLineEnds) {
    Start({});
    w.clipboard.ExternalText("one\r\ntwo");
    auto* p = Paste();
    EXPECT_EQ(Box(p), "one\ntwo"); // no stray carriage returns on show
    Press(p, "cmdOk");
    EXPECT_EQ(w.clipboard.GetText(), "one\ntwo");
}

TEST_F(Previews, PastePreviewNeverShowsAPasswordAndOkLeavesIt) {
    Start({});
    w.clipboard.ExternalText("hunter2", /*secret=*/true);
    auto* p = Paste();
    EXPECT_FALSE(Box(p).contains("hunter2"));
    EXPECT_TRUE(p->ui.RichTextBox1->isReadOnly());
    const int writes = w.clipboard.writes;
    Press(p, "cmdOk");
    EXPECT_EQ(w.clipboard.writes, writes);
    EXPECT_EQ(w.clipboard.GetText(), "hunter2");
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmPreview));
}

TEST_F(Previews, PastePreviewOfAHugeTextShowsItsBeginningAndOkGivesBackAllOfIt) {
    Start({});
    const QString huge = QString(3'000'000, QLatin1Char('x')) + QStringLiteral("END");
    w.clipboard.ExternalText(huge);
    auto* p = Paste();
    auto* box = p->ui.RichTextBox1;
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_LT(Box(p).size(), 300'000);
    EXPECT_TRUE(Box(p).startsWith("[Too large to show"));
    Press(p, "cmdOk");
    EXPECT_EQ(w.clipboard.GetText(), huge);
}

TEST_F(Previews, PastePreviewCancelAndCloseBoxLeaveTheClipboard) {
    Start({});
    w.clipboard.ExternalText("keep");
    for (bool closeBox : {false, true}) {
        auto* p = Paste();
        p->ui.RichTextBox1->setPlainText("edited");
        const int writes = w.clipboard.writes;
        if (closeBox)
            p->close();
        else
            Press(p, "cmdCancel");
        Drain();
        EXPECT_EQ(w.clipboard.GetText(), "keep");
        EXPECT_EQ(w.clipboard.writes, writes);
        EXPECT_FALSE(w.app->IsLoaded(FormId::frmPreview));
    }
}

TEST_F(Previews, PastePreviewOfAnEmptyClipboardSetsTheEmptyText) {
    Start({});
    auto* p = Paste();
    EXPECT_EQ(Box(p), "");
    Press(p, "cmdOk");
    EXPECT_EQ(w.clipboard.GetText(), "");
    EXPECT_EQ(w.clipboard.writes, 1);
}

TEST_F(Previews, AHugeClipShowsItsBeginningAndAddPutsAllOfItBack) {
    std::string clip;
    QString back;
    for (int i = 0; i < 40'000; ++i) {
        clip += "row " + std::to_string(i) + "\r\n";
        back += QStringLiteral("row %1\n").arg(i);
    }
    Start({clip});
    auto* p = Clips();
    EXPECT_TRUE(p->ui.RichTextBox1->isReadOnly());
    EXPECT_TRUE(Box(p).startsWith("[Too large to show"));
    Press(p, "cmdAdd");
    EXPECT_EQ(w.clipboard.GetText(), back); // without the line end storing added
}

// The number grows to the right from its fixed place: the highest clip number still ends before
// "Add to Clipboard", which would otherwise lose its first letter under the number.
TEST_F(Previews, TheHighestClipNumberStaysClearOfTheButtonBesideIt) {
    Start({"one"});
    w.Write("Clips/Data/Work/32767", "last\r\n");
    w.Write("Clips/Data/Work/Numb", "1\r\n32767\r\n");
    auto* p = Clips();
    Press(p, "cmdNext");
    ASSERT_EQ(Label(p), " 32767 ");
    auto* label = p->ui.Label1;
    EXPECT_LT(label->geometry().right(), p->ui.cmdAdd->geometry().left());
    // Still whole: the number fits inside the border.
    EXPECT_GE(label->contentsRect().width(), label->fontMetrics().horizontalAdvance(label->text()));
}
