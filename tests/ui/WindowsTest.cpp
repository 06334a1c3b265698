// The eleven windows as the user first sees them, and the rules they share: one instance each,
// Enter on an enabled default button, Esc on the cancel button, the main window closing the rest,
// secondary windows above the mode window on screen.
#include "support/Fakes.h"

#include "ui/Form.h"
#include "ui/ImageBox.h"
#include "ui/Layout.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

using namespace quorrel;
using namespace quorrel::test;

namespace {

const char* ClassOf(const ControlLayout& c) {
    switch (c.kind) {
    case Kind::Button:
        return "QPushButton";
    case Kind::Label:
        return (c.flags & Clickable) ? "quorrel::ClickableLabel" : "QLabel";
    case Kind::TextBox:
        return "QLineEdit";
    case Kind::Combo:
        return "QComboBox";
    case Kind::Image:
        return "quorrel::ImageBox";
    case Kind::RichText:
        return "QTextEdit";
    case Kind::FileList:
        return "QWidget";
    case Kind::Timer:
        return "QTimer";
    }
    return "";
}

std::vector<FormId> AllWindows() {
    std::vector<FormId> ids;
    for (int i = 0; i < kFormCount; ++i)
        ids.push_back(static_cast<FormId>(i));
    return ids;
}

// The one button a flag marks in a window's table, if any.
const char* ButtonWith(FormId id, Flag flag) {
    for (const ControlLayout& c : LayoutOf(id).controls)
        if (c.kind == Kind::Button && (c.flags & flag)) return c.name;
    return nullptr;
}

// A store with one open collector holding one clip, a picture on the clipboard, and the
// program started.
struct Windows_ : ::testing::Test {
    World w;
    void SetUp() override {
        w.MakeCollector("Work", {"hello"});
        w.clipboard.ExternalImage(QImage(40, 30, QImage::Format_RGB32));
        w.app->Main();
    }
    Form* Open(FormId id) { return static_cast<Form*>(w.app->Form(id)); }
};

} // namespace

// Every window is built as its table says: frame, boxes, controls at their places (15 twips to
// the pixel) with their kinds, states and tab order. What a load sets (captions from the store,
// labels sized to their text, the picture viewer sized to its picture) is left to the tests of
// each window.
TEST_F(Windows_, EveryWindowIsBuiltFromItsTable) {
    for (FormId id : AllWindows()) {
        const WindowLayout& L = LayoutOf(id);
        Form* f = Open(id);
        ASSERT_NE(f, nullptr);
        SCOPED_TRACE(L.name);

        EXPECT_EQ(f->windowTitle().toStdString(), L.title);
        if (L.loadHeight) {
            EXPECT_EQ(f->width(), Px(L.clientWidth)) << "client width";
            EXPECT_EQ(f->frameGeometry().height(), Px(L.loadHeight)) << "outer height at load";
        }
        EXPECT_EQ(f->minimumSize() == f->maximumSize(), L.frame != Frame::Sizable) << "frame";
        EXPECT_EQ(bool(f->windowFlags() & Qt::WindowMinimizeButtonHint), L.minBox);
        EXPECT_FALSE(f->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ((f->windowFlags() & Qt::WindowType_Mask) == Qt::Tool, !L.inTaskbar);
        EXPECT_FALSE(f->windowIcon().isNull()) << "application icon";
        EXPECT_TRUE(f->windowIcon().availableSizes().contains(QSize(16, 16)));
        EXPECT_TRUE(f->windowIcon().availableSizes().contains(QSize(32, 32)));

        std::vector<QString> tabOrder;
        for (const ControlLayout& c : L.controls) {
            SCOPED_TRACE(c.name);
            if (c.kind == Kind::Timer) {
                EXPECT_NE(f->findChild<QTimer*>(QString::fromLatin1(c.name)), nullptr);
                continue;
            }
            auto* x = Named<QWidget>(f->Client(), c.name);
            ASSERT_NE(x, nullptr);
            EXPECT_STREQ(x->metaObject()->className(), ClassOf(c));
            if (auto* combo = qobject_cast<QComboBox*>(x)) {
                EXPECT_TRUE(combo->isEditable());
            }
            if (auto* b = qobject_cast<QPushButton*>(x)) {
                EXPECT_EQ(b->text(), QString::fromUtf8(c.caption));
                EXPECT_EQ(b->isDefault(), bool(c.flags & Default)) << "default";
            }
            const QRect g = x->geometry();
            if (id != FormId::frmPixView) {
                EXPECT_EQ(g.left(), Px(c.left));
                EXPECT_EQ(g.top(), Px(c.top));
                if (!(c.flags & (AutoSize | WordWrap))) {
                    EXPECT_EQ(g.width(), Px(c.width));
                    EXPECT_EQ(g.height(), Px(c.height));
                }
            }
            EXPECT_EQ(x->isHidden(), bool(c.flags & Hidden)) << "hidden";
            if (c.tab < 0) {
                EXPECT_EQ(x->focusPolicy(), Qt::NoFocus);
            } else {
                if (tabOrder.size() <= static_cast<size_t>(c.tab)) tabOrder.resize(c.tab + 1);
                tabOrder[c.tab] = QString::fromLatin1(c.name);
            }
        }
        // The focus chain visits the tab-index controls in index order.
        std::vector<QString> chain;
        QWidget* client = f->Client();
        for (QWidget* n = client->nextInFocusChain(); n && n != client; n = n->nextInFocusChain()) {
            QWidget* top = n;
            while (top && top->parentWidget() != client)
                top = top->parentWidget();
            if (!top) continue;
            const QString name = top->objectName();
            if (std::find(tabOrder.begin(), tabOrder.end(), name) != tabOrder.end() &&
                std::find(chain.begin(), chain.end(), name) == chain.end())
                chain.push_back(name);
        }
        tabOrder.erase(std::remove(tabOrder.begin(), tabOrder.end(), QString()), tabOrder.end());
        if (!chain.empty()) {
            // The chain is a ring: start it at the lowest tab index.
            auto first = std::find(chain.begin(), chain.end(), tabOrder.front());
            std::rotate(chain.begin(), first, chain.end());
        }
        EXPECT_EQ(chain, tabOrder) << "tab order";
    }
}

TEST_F(Windows_, MainWindowMenusAndTimers) {
    for (FormId id : {FormId::frmMain, FormId::frmPix}) {
        Form* f = Open(id);
        SCOPED_TRACE(f->objectName().toStdString());
        const bool pix = id == FormId::frmPix;
        const std::vector<std::pair<const char*, const char*>> entries = {
            {pix ? "mnuCreate" : "mnuNew", "&Create a New Collector"},
            {"mnuOpen", "&Open an Existing Collector"},
            {"mnuSave", "&Save Current Collector As..."},
            {"mnuDelete", "&Delete a Collector"},
            {"mnuExit", "E&xit"},
            {"mnuProgHelp", "&Help"},
            {"mnuAbout", "&About"},
        };
        for (const auto& [name, caption] : entries) {
            ASSERT_NE(Named<QAction>(f, name), nullptr) << name;
            EXPECT_EQ(Named<QAction>(f, name)->text(), QString::fromUtf8(caption));
            EXPECT_TRUE(Named<QAction>(f, name)->shortcut().isEmpty());
        }
        auto* help = f->findChild<QMenu*>(QString::fromLatin1(pix ? "mnuHelp" : "mnuhelp"));
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(help->title(), "&Help");
    }
}

TEST_F(Windows_, AboutBoxStandsAtItsOwnPlaceWithItsPicture) {
    Form* f = Open(FormId::frmAbout);
    EXPECT_EQ(f->geometry().topLeft(), QPoint(2430 / 15, 2475 / 15));
    auto* image = Named<ImageBox>(f, "Image1");
    EXPECT_EQ(image->Picture().size(), QSize(200, 150));
    EXPECT_TRUE(image->Stretch());
    QFont bold = Named<QLabel>(f, "Label1")->font();
    EXPECT_TRUE(bold.bold());
    EXPECT_DOUBLE_EQ(bold.pointSizeF(), 9.75);
}

TEST_F(Windows_, ShowingAnOpenWindowOnlyBringsItToTheFront) {
    for (FormId id : AllWindows()) {
        if (id == FormId::frmMain || id == FormId::frmFirst) continue;
        SCOPED_TRACE(FormName(id));
        w.app->Show(id);
        auto* f = static_cast<Form*>(w.app->Loaded(id));
        ASSERT_NE(f, nullptr);
        // A load that ran again would set the height once more.
        const QSize changed(f->width(), f->height() + 37);
        if (LayoutOf(id).frame == Frame::Sizable)
            f->resize(changed);
        else
            f->setFixedSize(changed);
        w.app->Show(id);
        EXPECT_EQ(w.app->Loaded(id), f);
        EXPECT_EQ(f->height(), changed.height());
        EXPECT_TRUE(f->isVisible());
    }
}

// Window managers offer minimise and maximise on every frame (openbox ignores the hints that
// leave them out): a window keeps the state its boxes allow, and showing a minimised window
// (its menu entry, the hot key) brings it back, since no other way may be left.
TEST_F(Windows_, WindowsKeepTheStatesTheirBoxesAllowAndComeBackFromMinimised) {
    for (FormId id : AllWindows()) {
        if (id == FormId::frmFirst) continue;
        SCOPED_TRACE(FormName(id));
        w.app->Show(id);
        auto* f = static_cast<Form*>(w.app->Loaded(id));
        ASSERT_NE(f, nullptr);
        const QSize size = f->size();

        f->setWindowState(Qt::WindowMaximized);
        Drain();
        EXPECT_FALSE(f->isMaximized());
        EXPECT_EQ(f->size(), size);

        f->setWindowState(Qt::WindowMinimized);
        Drain();
        EXPECT_EQ(f->isMinimized(), LayoutOf(id).minBox);
        w.app->Show(id);
        Drain();
        EXPECT_FALSE(f->isMinimized());
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(w.app->Loaded(id), f);
    }
}

// Labels and images are painted on the window itself, under every button, box and list: where
// they overlap one (a label grown to fit its text), the control shows whole and takes the click.
TEST_F(Windows_, LabelsAndImagesLieUnderTheControls) {
    for (FormId id : AllWindows()) {
        SCOPED_TRACE(FormName(id));
        Form* f = Open(id);
        const QObjectList order = f->Client()->children(); // bottom first
        for (QObject* o : order) {
            auto* painted = qobject_cast<QWidget*>(o);
            if (!painted || !(qobject_cast<QLabel*>(o) || qobject_cast<ImageBox*>(o))) continue;
            for (QObject* p : order) {
                auto* control = qobject_cast<QWidget*>(p);
                if (!control || qobject_cast<QLabel*>(p) || qobject_cast<ImageBox*>(p)) continue;
                if (!control->geometry().intersects(painted->geometry())) continue;
                EXPECT_LT(order.indexOf(o), order.indexOf(p))
                    << painted->objectName().toStdString() << " over "
                    << control->objectName().toStdString();
            }
        }
    }
    // The open collector's long name wraps the delete dialog's note onto the buttons' row.
    w.app->Show(FormId::frmDelete);
    Form* del = Open(FormId::frmDelete);
    SetCaption(Named<QLabel>(del, "lblSkip"),
               QString("The Collector named '%1'\r\nis currently open and will not be listed.")
                   .arg(QString(70, QLatin1Char('W'))));
    for (const char* name : {"cmdOk", "cmdCancel"}) {
        auto* b = Named<QPushButton>(del, name);
        EXPECT_EQ(del->Client()->childAt(b->geometry().center().x(), b->geometry().top() + 2), b)
            << name;
    }
}

TEST_F(Windows_, EnterPressesOnlyAnEnabledDefaultButton) {
    for (FormId id : AllWindows()) {
        const char* def = ButtonWith(id, Default);
        SCOPED_TRACE(FormName(id));
        Form* f = Open(id);
        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        for (QPushButton* b : f->Client()->findChildren<QPushButton*>())
            spies[b->objectName()] = std::make_unique<QSignalSpy>(b, &QPushButton::clicked);
        f->show();
        if (def) Named<QPushButton>(f, def)->setEnabled(false);
        QTest::keyClick(f, Qt::Key_Return);
        for (auto& [name, spy] : spies)
            EXPECT_EQ(spy->count(), 0) << name.toStdString();
        if (!def) continue;
        Named<QPushButton>(f, def)->setEnabled(true);
        QTest::keyClick(f, Qt::Key_Return);
        for (auto& [name, spy] : spies)
            EXPECT_EQ(spy->count(), name == QLatin1String(def) ? 1 : 0) << name.toStdString();
        // A command that finishes off the window thread (Add To Collector) takes no keys
        // until it is done.
        EXPECT_TRUE(QTest::qWaitFor([this] { return !w.busy.busy; }, 30000));
        Drain();
    }
}

TEST_F(Windows_, EnterInTheNameBoxOfAnEmptyCreateDialogDoesNothing) {
    for (FormId id : {FormId::frmNameTxt, FormId::frmSaveAs}) {
        Form* f = Open(id);
        QSignalSpy ok(Named<QPushButton>(f, "cmdOk"), &QPushButton::clicked);
        QTest::keyClick(Named<QLineEdit>(f, "Text1"), Qt::Key_Return);
        EXPECT_EQ(ok.count(), 0);
        EXPECT_TRUE(w.app->IsLoaded(id));
    }
    EXPECT_TRUE(w.messages.shown.isEmpty());
}

// Esc is Cancel where closing the window by its frame means Cancel: the first-run dialog (whose
// Cancel ends the program) keeps it for nothing. The picture viewer, which has no buttons, closes
// on Esc as on a click (GraphicsModeTest).
TEST_F(Windows_, EscPressesOnlyTheCancelButton) {
    for (FormId id : AllWindows()) {
        if (id == FormId::frmMain || id == FormId::frmPix || id == FormId::frmPixView) continue;
        const char* cancel = ButtonWith(id, Cancel);
        SCOPED_TRACE(FormName(id));
        w.app->Show(id);
        Form* f = static_cast<Form*>(w.app->Loaded(id));
        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        for (QPushButton* b : f->Client()->findChildren<QPushButton*>())
            spies[b->objectName()] = std::make_unique<QSignalSpy>(b, &QPushButton::clicked);
        QWidget* target = f->focusWidget() ? f->focusWidget() : f;
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_EQ(w.app->IsLoaded(id), cancel == nullptr);
        for (auto& [name, spy] : spies)
            EXPECT_EQ(spy->count(), cancel && name == QLatin1String(cancel) ? 1 : 0)
                << name.toStdString();
        Drain();
    }
}

// The mode window on screen owns the secondary windows, so that they stay above it when it is
// clicked; a switch of mode hands them to the other one.
TEST_F(Windows_, SecondaryWindowsStayAboveTheModeWindowOnScreen) {
    auto handle = [this](FormId id) { return w.app->Loaded(id)->windowHandle(); };
    w.app->Show(FormId::frmClipPrev);
    ASSERT_NE(handle(FormId::frmClipPrev), nullptr);
    EXPECT_EQ(handle(FormId::frmClipPrev)->transientParent(), handle(FormId::frmMain));
    QTest::mouseClick(Named<QPushButton>(w.app->Loaded(FormId::frmMain), "cmdPix"), Qt::LeftButton);
    ASSERT_TRUE(w.app->Loaded(FormId::frmPix)->isVisible());
    EXPECT_EQ(handle(FormId::frmClipPrev)->transientParent(), handle(FormId::frmPix));
    w.app->Show(FormId::frmAbout);
    EXPECT_EQ(handle(FormId::frmAbout)->transientParent(), handle(FormId::frmPix));
    Drain();
}

TEST_F(Windows_, ClosingTheMainWindowClosesTheOthers) {
    const FormId others[] = {FormId::frmAbout,  FormId::frmPix,     FormId::frmNameTxt,
                             FormId::frmOpen,   FormId::frmDelete,  FormId::frmPreview,
                             FormId::frmSaveAs, FormId::frmPixView, FormId::frmClipPrev};
    for (FormId id : others)
        w.app->Show(id);
    for (FormId id : others)
        ASSERT_TRUE(w.app->IsLoaded(id)) << FormName(id);
    QSignalSpy ended(w.app.get(), &App::Ended);
    static_cast<Form*>(w.app->Loaded(FormId::frmMain))->close();
    for (FormId id : others)
        EXPECT_FALSE(w.app->IsLoaded(id)) << FormName(id);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmMain));
    EXPECT_EQ(ended.count(), 1);
    Drain();
}

namespace {

// A key event as the X server sends it, with its time in milliseconds; X11 repeats a held key
// as a release and a press at the same moment, which Qt does not always mark as a repeat.
void SendKey(QWidget* to, QEvent::Type type, Qt::Key key, ulong time) {
    const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : QStringLiteral("\r");
    QKeyEvent e(type, key, Qt::NoModifier, text);
    e.setTimestamp(time);
    QApplication::sendEvent(to, &e);
}

// The key goes down at `down`, repeats every 40 ms after 660 ms, and comes up at `up`.
void Hold(QWidget* to, Qt::Key key, ulong down, ulong up) {
    SendKey(to, QEvent::KeyPress, key, down);
    for (ulong t = down + 660; t < up; t += 40) {
        SendKey(to, QEvent::KeyRelease, key, t);
        SendKey(to, QEvent::KeyPress, key, t);
    }
    SendKey(to, QEvent::KeyRelease, key, up);
}

} // namespace

TEST_F(Windows_, AKeyHeldDownPressesTheFocusedButtonOnce) {
    Form* f = Open(FormId::frmClipPrev);
    f->show();
    auto* next = Named<QPushButton>(f, "cmdNext");
    QSignalSpy clicked(next, &QPushButton::clicked);
    next->setFocus();
    ulong t = 10000;
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        SCOPED_TRACE(key == Qt::Key_Space ? "Space" : "Enter");
        clicked.clear();
        Hold(next, key, t, t + 2000);
        EXPECT_EQ(clicked.count(), 1);
        // Pressed again a moment later: a new press.
        Hold(next, key, t + 2100, t + 2200);
        EXPECT_EQ(clicked.count(), 2);
        t += 5000;
    }
    Drain();
}
