// The text-mode commands, the clipboard hook and the hot key, over the fakes.
#include "support/Fakes.h"

#include "core/FileAttr.h"
#include "pictures/frmPix.h"
#include "text/frmMain.h"
#include "ui/ImageBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quorrel;
using namespace quorrel::test;

namespace {

struct TextMode : ::testing::Test {
    World w;
    frmMain* main = nullptr;
    void Start(const std::vector<std::string>& clips = {}) {
        w.MakeCollector("Work", clips);
        w.app->Main();
        main = w.app->Get<frmMain>(FormId::frmMain);
    }
    QLineEdit* Text1() { return main->ui.Text1; }
    QComboBox* Combo1() { return main->ui.Combo1; }
    QPushButton* Button(const char* n) { return Named<QPushButton>(main, n); }
    std::string C(const std::string& f) { return w.Read("Clips/Data/Work/" + f); }
};

} // namespace

TEST_F(TextMode, AddWithAnEmptyBoxSaysSoAndWritesNothing) {
    Start();
    QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    EXPECT_EQ(w.messages.shown, QStringList{"There is no text on the Clipboard."});
    EXPECT_FALSE(w.Exists("Clips/Data/Work/1"));
    EXPECT_EQ(C("Settings.ini"), "[Collector]\r\nClipNumber=0\r\n");
}

TEST_F(TextMode, FirstAddWritesTheClipItsIndexAndTheNewNumber) {
    Start();
    w.clipboard.ExternalText("first\r\nsecond");
    QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    EXPECT_TRUE(w.messages.shown.isEmpty()) << w.messages.shown.join("|").toStdString();
    EXPECT_EQ(C("1"), "first\r\nsecond\r\n");
    EXPECT_EQ(C("Numb"), "1\r\n");
    EXPECT_EQ(C("Data"), "1) first\r\n");
    EXPECT_EQ(C("Settings.ini"), "[Collector]\r\nClipNumber=1\r\n");
    ASSERT_EQ(Combo1()->count(), 1);
    EXPECT_EQ(Combo1()->itemText(0), "1) first");
    EXPECT_EQ(Combo1()->currentText(), "Select To Replace Clipboard Contents");
    EXPECT_FALSE(w.busy.busy);
    if (IsHidden(w.Path("Clips/Data/Work/Settings.ini")) ||
        IsHidden(w.Path("Clips/Data/Work/Data"))) {
        EXPECT_TRUE(IsHidden(w.Path("Clips/Data/Work/Settings.ini")));
        EXPECT_TRUE(IsHidden(w.Path("Clips/Data/Work/Numb")));
        EXPECT_TRUE(IsHidden(w.Path("Clips/Data/Work/Data")));
        EXPECT_FALSE(IsHidden(w.Path("Clips/Data/Work/1")));
    }
}

TEST_F(TextMode, SameTextTwiceGivesTwoClipsAndALeadingLineEndListsTheNumberAlone) {
    Start();
    for (const char* t : {"same", "same", "\r\nafter a line end"}) {
        Text1()->setText(t);
        main->cmdAdd_Click();
    }
    EXPECT_EQ(C("Data"), "1) same\r\n2) same\r\n3) \r\n");
    EXPECT_EQ(C("Numb"), "1\r\n2\r\n3\r\n");
    EXPECT_EQ(Combo1()->count(), 3);
}

TEST_F(TextMode, AddReplacesAClipFileLeftByAnInterruptedAdd) {
    Start();
    w.Write("Clips/Data/Work/1", "left over\r\n");
    Text1()->setText("new clip");
    main->cmdAdd_Click();
    EXPECT_EQ(C("1"), "new clip\r\n");
}

TEST_F(TextMode, AddErrorsShowNumberAndDescriptionAndWriteNoClip) {
    struct Case {
        const char* settings;
        const char* message;
    };
    for (const Case& c : {Case{"[Collector]\r\nClipNumber=abc\r\n", "13 Type mismatch"},
                          Case{"[Collector]\r\nClipNumber=32767\r\n", "6 Overflow"},
                          Case{"[Collector]\r\n", "13 Type mismatch"}}) {
        World w2;
        w2.MakeCollector("Work");
        w2.Write("Clips/Data/Work/Settings.ini", c.settings);
        w2.app->Main();
        auto* m = w2.app->Get<frmMain>(FormId::frmMain);
        m->ui.Text1->setText("x");
        m->cmdAdd_Click();
        EXPECT_EQ(w2.messages.shown, QStringList{c.message}) << c.settings;
        EXPECT_FALSE(w2.Exists("Clips/Data/Work/Numb"));
        EXPECT_FALSE(w2.Exists("Clips/Data/Work/32768"));
        EXPECT_FALSE(w2.busy.busy);
    }
}

TEST_F(TextMode, AClipComesBackExactlyAsItWasCopied) {
    Start();
    // Stored as CR LF lines with one more line end; back with the clipboard's LF and without it.
    const QString copies[] = {"ssh deploy@10.0.0.5 -p 2222", "two\nlines", "ends with\n",
                              "\n\nblank lines first", "tab\tand a lone\rCR"};
    for (const QString& t : copies) {
        w.clipboard.ExternalText(t);
        QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    }
    EXPECT_EQ(C("1"), "ssh deploy@10.0.0.5 -p 2222\r\n");
    EXPECT_EQ(C("3"), "ends with\r\n\r\n");
    for (int i = 0; i < Combo1()->count(); ++i) {
        w.clipboard.ExternalText("something else");
        const int before = w.clipboard.notices;
        Combo1()->activated(i);
        EXPECT_EQ(w.clipboard.GetText(), copies[i]) << i;
        EXPECT_EQ(Text1()->text(), copies[i]); // the hook showed it before the call returned
        EXPECT_GT(w.clipboard.notices, before);
    }
    EXPECT_TRUE(Button("cmdPreview")->isEnabled());
}

TEST_F(TextMode, ChoosingAClipWhoseFileIsGoneSaysSoWithoutEndingTheProgram) {
    Start({"one"});
    std::remove(w.Path("Clips/Data/Work/1").c_str());
    Combo1()->activated(0);
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown[0].startsWith("53 "));
    EXPECT_EQ(w.clipboard.GetText(), "");
}

TEST_F(TextMode, AddToClipboardPutsTheEditedTextEvenWhenEmpty) {
    Start();
    w.clipboard.ExternalText("original");
    Text1()->setText("edited");
    QTest::mouseClick(Button("cmdAddToClipboard"), Qt::LeftButton);
    EXPECT_EQ(w.clipboard.GetText(), "edited");
    Text1()->clear();
    main->cmdAddToClipboard_Click();
    EXPECT_EQ(w.clipboard.GetText(), "");
    EXPECT_FALSE(w.busy.busy);
}

TEST_F(TextMode, ClearEmptiesClipboardAndBoxAndShowsThePromptKeepingTheItems) {
    Start({"a", "b"});
    Combo1()->activated(0);
    QTest::mouseClick(Button("cmdClear"), Qt::LeftButton);
    EXPECT_EQ(w.clipboard.GetText(), "");
    EXPECT_EQ(Text1()->text(), "");
    EXPECT_EQ(Combo1()->currentText(), "Select To Replace Clipboard Contents");
    EXPECT_EQ(Combo1()->count(), 2);
}

TEST_F(TextMode, ClipPreviewWithoutClipsSaysSo) {
    Start();
    main->cmdClipPrev_Click();
    EXPECT_EQ(w.messages.shown, QStringList{"There are no text Clips to preview."});
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmClipPrev));
}

TEST_F(TextMode, HookFeedsBothWindowsOnEveryChange) {
    Start();
    auto* img = w.app->Get<frmPix>(FormId::frmPix)->ui.imgClipboard;
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    w.clipboard.ExternalImage(picture);
    EXPECT_EQ(Text1()->text(), "");
    EXPECT_FALSE(img->Picture().isNull());
    img->setEnabled(false);
    w.clipboard.ExternalText("text");
    EXPECT_EQ(Text1()->text(), "text");
    EXPECT_TRUE(img->Picture().isNull());
    EXPECT_TRUE(img->isEnabled());
}

TEST_F(TextMode, HotKeyNeedsLeftWindowsKeyWithAltAndActsOnlyInItsMode) {
    Start();
    auto* timer = main->ui.Timer1;
    auto tick = [&] { QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection); };
    // Alone, neither key does anything; the right Windows key (92) never counts.
    for (auto keys : {std::map<int, bool>{{91, true}}, std::map<int, bool>{{18, true}},
                      std::map<int, bool>{{92, true}, {18, true}}}) {
        w.keys.down = keys;
        tick();
        EXPECT_TRUE(main->isVisible());
    }
    w.keys.down = {{91, true}, {18, true}};
    tick();
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(w.app->State().WindowHidden);
    tick(); // no edge detection: held keys toggle again
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(w.app->State().WindowHidden);
    // In graphics mode the text window's timer does nothing.
    w.app->State().TextModeActive = false;
    tick();
    EXPECT_TRUE(main->isVisible());
}

TEST_F(TextMode, LosingTheFocusHidesAndTheHotKeyBringsItBack) {
    Start();
    emit main->LostFocus();
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(w.app->State().WindowHidden);
    w.keys.down = {{91, true}, {18, true}};
    QMetaObject::invokeMethod(main->ui.Timer1, "timeout", Qt::DirectConnection);
    EXPECT_TRUE(main->isVisible());
}

TEST_F(TextMode, TheHotKeyBringsBackAMinimisedWindow) {
    Start();
    main->setWindowState(Qt::WindowMinimized);
    w.keys.down = {{91, true}, {18, true}};
    auto* timer = main->ui.Timer1;
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection); // hides
    EXPECT_FALSE(main->isVisible());
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection); // shows
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(main->isMinimized());
}

TEST_F(TextMode, GraphicsModeSwitchHidesTextWindowAndShowsThePictureWindow) {
    Start();
    QTest::mouseClick(Button("cmdPix"), Qt::LeftButton);
    EXPECT_FALSE(w.app->State().TextModeActive);
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(w.app->Loaded(FormId::frmPix)->isVisible());
}

TEST_F(TextMode, MenuEntriesAndTheLabelOpenTheirWindows) {
    Start();
    struct Case {
        const char* entry;
        FormId form;
    };
    for (const Case& c : {Case{"mnuNew", FormId::frmNameTxt}, Case{"mnuOpen", FormId::frmOpen},
                          Case{"mnuSave", FormId::frmSaveAs}, Case{"mnuDelete", FormId::frmDelete},
                          Case{"mnuAbout", FormId::frmAbout}}) {
        Named<QAction>(main, c.entry)->trigger();
        EXPECT_TRUE(w.app->IsLoaded(c.form)) << c.entry;
        w.app->Unload(c.form);
    }
    main->ui.mnuProgHelp->trigger();
    ASSERT_EQ(w.help.calls.size(), 1u);
    EXPECT_EQ(w.help.calls[0].file, "QuorrelHelp.chm");
    EXPECT_EQ(w.help.calls[0].command, 0);
    QTest::mouseClick(main->ui.lblCollector, Qt::LeftButton);
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmOpen));
}

TEST_F(TextMode, AHeldAccessKeyAddsOneClip) {
    Start();
    w.clipboard.ExternalText("held");
    main->show();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    QWidget* focus = main->focusWidget();
    ASSERT_NE(focus, nullptr);
    auto* add = Button("cmdAdd");
    // Alt+A goes down, repeats while held, comes up: one press of the button.
    QTest::simulateEvent(focus, true, Qt::Key_A, Qt::AltModifier, "a", false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Exists("Clips/Data/Work/1") && !add->isDown(); }));
    for (int i = 0; i < 6; ++i) {
        QTest::simulateEvent(focus, true, Qt::Key_A, Qt::AltModifier, "a", true);
        EXPECT_FALSE(add->isDown()) << "repeat " << i << " pressed the button again";
    }
    QTest::simulateEvent(focus, false, Qt::Key_A, Qt::AltModifier, "a", false);
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.Exists("Clips/Data/Work/2"));
    EXPECT_EQ(C("Numb"), "1\r\n");
    EXPECT_EQ(Text1()->text(), "held") << "no letter typed by the repeats";

    // The next press of the key is a new press.
    QTest::simulateEvent(focus, true, Qt::Key_A, Qt::AltModifier, "a", false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.Exists("Clips/Data/Work/2"); }));
}

TEST_F(TextMode, LinuxLineEndsAreStoredAsCrLfLinesAndListedByTheFirstLine) {
    Start();
    // LF from most programs, CR LF from some, and a mix: all stored the same way.
    for (const QString& t : {QStringLiteral("alpha\nbeta\n"), QStringLiteral("alpha\r\nbeta\r\n"),
                             QStringLiteral("alpha\nbeta\r\n")}) {
        w.clipboard.ExternalText(t);
        QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    }
    EXPECT_TRUE(w.messages.shown.isEmpty()) << w.messages.shown.join("|").toStdString();
    for (const char* n : {"1", "2", "3"})
        EXPECT_EQ(C(n), "alpha\r\nbeta\r\n\r\n") << n;
    EXPECT_EQ(C("Data"), "1) alpha\r\n2) alpha\r\n3) alpha\r\n");
    Combo1()->activated(0);
    EXPECT_EQ(w.clipboard.GetText(), "alpha\nbeta\n");
}

TEST_F(TextMode, StoreTextWrittenOnWindowsComesBackAsItsCharacters) {
    // "café – ok" in Windows-1252: not valid UTF-8.
    Start({"caf\xe9 \x96 ok"});
    Combo1()->activated(0);
    EXPECT_EQ(w.clipboard.GetText(), QStringLiteral("caf\u00e9 \u2013 ok"));
    EXPECT_EQ(Combo1()->itemText(0), QStringLiteral("1) caf\u00e9 \u2013 ok"));
}

TEST_F(TextMode, APasswordIsShownMaskedAndNeverStored) {
    Start();
    w.clipboard.ExternalText("hunter2", /*secret=*/true);
    EXPECT_EQ(Text1()->echoMode(), QLineEdit::Password);
    QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown[0].contains("password"));
    EXPECT_FALSE(w.Exists("Clips/Data/Work/1"));
    EXPECT_EQ(C("Settings.ini"), "[Collector]\r\nClipNumber=0\r\n");
    // Add to Clipboard leaves it on the clipboard with its owner's mark; it cannot be edited.
    EXPECT_TRUE(Text1()->isReadOnly());
    QTest::mouseClick(Button("cmdAddToClipboard"), Qt::LeftButton);
    EXPECT_TRUE(w.clipboard.IsSecret());
    EXPECT_EQ(w.clipboard.GetText(), "hunter2");
    // The next copy is an ordinary text again.
    w.clipboard.ExternalText("plain");
    EXPECT_EQ(Text1()->echoMode(), QLineEdit::Normal);
    EXPECT_FALSE(Text1()->isReadOnly());
    QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    EXPECT_EQ(C("1"), "plain\r\n");
}

TEST_F(TextMode, AClipWithAVeryLongFirstLineIsListedByItsBeginningAndComesBackWhole) {
    const std::string stored(2'000'000, 'y');
    Start({stored});
    ASSERT_EQ(Combo1()->count(), 1);
    EXPECT_LE(Combo1()->itemText(0).size(), frmMain::kListShown);
    EXPECT_TRUE(Combo1()->itemText(0).startsWith("1) yyy"));
    const QString line(3'000'000, QLatin1Char('x'));
    w.clipboard.ExternalText(line);
    QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    EXPECT_EQ(C("Data").size(), 2'000'000 + 3'000'000 + 2 * 5); // the index keeps every line whole
    ASSERT_EQ(Combo1()->count(), 2);
    EXPECT_LE(Combo1()->itemText(1).size(), frmMain::kListShown);
    EXPECT_TRUE(Combo1()->itemText(1).startsWith("2) xxx"));
    Combo1()->activated(1);
    EXPECT_EQ(w.clipboard.GetText(), line);
    Combo1()->activated(0);
    EXPECT_EQ(w.clipboard.GetText().size(), 2'000'000);
}

TEST_F(TextMode, AHugeTextShowsItsBeginningButAddAndAddToClipboardTakeAllOfIt) {
    Start();
    QString huge;
    std::string stored;
    for (int i = 0; i < 200'000; ++i) {
        huge += QStringLiteral("line %1\n").arg(i);
        stored += "line " + std::to_string(i) + "\r\n";
    }
    w.clipboard.ExternalText(huge);
    EXPECT_TRUE(Text1()->isReadOnly());
    EXPECT_LT(Text1()->text().size(), frmMain::kText1Shown + 100);
    EXPECT_TRUE(Text1()->text().startsWith("[Too large to show"));
    QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    EXPECT_EQ(C("1"), stored + "\r\n");
    EXPECT_EQ(C("Data"), "1) line 0\r\n");
    QTest::mouseClick(Button("cmdAddToClipboard"), Qt::LeftButton);
    EXPECT_EQ(w.clipboard.GetText(), huge);
    // A small text makes the box editable again.
    w.clipboard.ExternalText("small");
    EXPECT_FALSE(Text1()->isReadOnly());
    EXPECT_EQ(Text1()->text(), "small");
}

TEST_F(TextMode, ACopyTooLargeToTakeIsSaidSoAndNothingIsAddedOrReplaced) {
    Start();
    const QString problem =
        QStringLiteral("The text on the Clipboard is too large to keep (more than 256 MB).");
    w.clipboard.ExternalTooLarge(problem);
    EXPECT_EQ(Text1()->text(), "[" + problem + "]");
    EXPECT_TRUE(Text1()->isReadOnly());
    QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    EXPECT_EQ(w.messages.shown, QStringList{problem + " It is not added to the Collector."});
    EXPECT_FALSE(w.Exists("Clips/Data/Work/1"));
    // Add to Clipboard would have replaced the other program's copy with the message or nothing.
    const int writes = w.clipboard.writes;
    QTest::mouseClick(Button("cmdAddToClipboard"), Qt::LeftButton);
    EXPECT_EQ(w.clipboard.writes, writes);
    // The next copy is taken as usual.
    w.clipboard.ExternalText("next");
    EXPECT_EQ(Text1()->text(), "next");
    EXPECT_FALSE(Text1()->isReadOnly());
    QTest::mouseClick(Button("cmdAdd"), Qt::LeftButton);
    EXPECT_EQ(C("1"), "next\r\n");
}
