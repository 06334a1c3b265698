// The eleven windows as the user first sees them, and the rules they share: one instance each,
// Enter on an enabled default button, Esc on the cancel button, the main window closing the rest,
// secondary windows above the mode window on screen.
#include "support/Fakes.h"

#include "ui/Form.h"
#include "ui/ImageBox.h"

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

// States: D disabled, H hidden, E default (Enter), X cancel (Esc).
struct Ctl {
    const char* name;
    const char* kind;             // widget class
    const char* caption;          // nullptr: set at load from the store, not checked here
    int left, top, width, height; // twips; width -1: the label sizes itself to its text
    int tab;
    const char* states;
};

struct Win {
    FormId id;
    std::string title;
    bool sizable, minBox, inTaskbar;
    int clientWidth, loadHeight; // twips; 0: computed from the picture
    std::vector<Ctl> controls;
};

std::string Spaced(const char* a, int n, const char* b) {
    return a + std::string(n, ' ') + b;
}

const char* const B = "QPushButton";
const char* const L = "QLabel";
const char* const K = "quorrel::ClickableLabel";
const char* const T = "QLineEdit";
const char* const C = "QComboBox";
const char* const I = "quorrel::ImageBox";
const char* const R = "QTextEdit";

std::vector<Ctl> PixControls() {
    std::vector<Ctl> c = {
        {"cmdClear", B, "Clear Clipboard", 120, 3840, 1335, 495, 0, ""},
        {"cmdSave", B, "Add To Collector", 1560, 3840, 1335, 495, 1, "E"},
        {"cmdPreview", B, "Preview", 3000, 3840, 1335, 495, 2, ""},
        {"cmdCapture", B, "Capture Screen", 4440, 3840, 1335, 495, 3, ""},
        {"cmdText", B, "&Text Mode", 5880, 3840, 1335, 495, 4, ""},
        {"imgClipboard", I, "", 120, 720, 3015, 3015, -1, ""},
        {"Label2", L, "Current Clipboard Contents", 240, 360, 2655, 255, -1, ""},
        {"Label3", L, "Current Collector", 4680, 0, 1215, 255, -1, ""},
        {"lblCollector", K, " Work ", 5040, 240, -1, 255, -1, ""},
        {"Label1", L, "Use Win + Alt to Hide Or Unhide Program", 2640, 4440, 3135, 255, -1, ""},
    };
    static const char* const names[] = {"img1",  "img2",  "img3",  "img4",  "img5",
                                        "img6",  "img7",  "img8",  "img9",  "img10",
                                        "img11", "img12", "img13", "img14", "img15"};
    const int lefts[] = {3360, 4440, 5520, 6600, 7680};
    const int tops[] = {600, 1680, 2760};
    for (int n = 0; n < 15; ++n)
        c.push_back({names[n], I, "", lefts[n / 3], tops[n % 3], 975, 975, -1, "H"});
    return c;
}

const std::vector<Win>& Windows() {
    static const std::vector<Win> w = {
        {FormId::frmMain,
         Spaced("Quorrel", 24, "Text Mode"),
         false,
         true,
         true,
         6795,
         3270,
         {
             {"Text1", T, "", 120, 480, 6495, 375, 0, ""},
             {"cmdAddToClipboard", B, "Add to &Clipboard", 240, 1080, 1335, 495, 1, ""},
             {"cmdAdd", B, "&Add to Collector", 240, 1680, 1335, 495, 2, ""},
             {"cmdClear", B, "Clear Clipboar&d", 1680, 1080, 1335, 495, 3, ""},
             {"cmdPreview", B, "&Paste Preview", 1680, 1680, 1335, 495, 4, ""},
             {"Combo1", C, "Select To Replace Clipboard Contents", 3120, 1200, 3135, 315, 5, ""},
             {"cmdClipPrev", B, "Pre&view Clips", 3120, 1680, 1215, 495, 6, ""},
             {"cmdPix", B, "&Graphics Mode", 4560, 1680, 1335, 495, 7, ""},
             {"Label1", L, "Current Clipboard Contents", 360, 240, 2175, 255, -1, ""},
             {"Label2", L, "Collection", 3480, 960, 2055, 255, -1, ""},
             {"lblCollector", K, " Work ", 4320, 240, -1, 255, -1, ""},
             {"Label3", L, "Current Collector", 4320, 0, -1, 195, -1, ""},
             {"lblShowHide", L, "Use Win + Alt to Hide or Unhide Program", 480, 2280, 5175, 255, -1,
              ""},
         }},
        {FormId::frmPix, Spaced("Quorrel", 33, "Graphics Mode"), false, true, true, 9135, 5565,
         PixControls()},
        {FormId::frmNameTxt,
         "Create Collector",
         true,
         false,
         true,
         4965,
         2520,
         {
             {"Text1", T, "", 240, 720, 4335, 375, 0, ""},
             {"cmdOk", B, "&OK", 1920, 1440, 1215, 495, 2, "DE"},
             {"cmdCancel", B, "&Cancel", 3360, 1440, 1215, 495, 3, "X"},
             {"Label1", L, "Give the new collector a name", 240, 360, 2295, 255, -1, ""},
         }},
        {FormId::frmOpen,
         "Open Collector",
         true,
         false,
         true,
         5265,
         2400,
         {
             {"Combo1", C, "Select a collector", 960, 600, 3495, 315, 0, ""},
             {"cmdOk", B, "&OK", 1440, 1320, 1215, 495, 1, "DE"},
             {"cmdCancel", B, "&Cancel", 3000, 1320, 1215, 495, 2, "X"},
         }},
        {FormId::frmPreview,
         Spaced("Quorrel", 54, "Paste Preview"),
         false,
         true,
         true,
         9810,
         5115,
         {
             {"RichTextBox1", R, nullptr, 240, 240, 9375, 3735, 0, ""},
             {"cmdOk", B, "&OK", 3720, 4080, 1215, 495, 1, "E"},
             {"cmdCancel", B, "&Cancel", 5160, 4080, 1215, 495, 2, "X"},
         }},
        {FormId::frmDelete,
         Spaced("Quorrel", 13, "Delete Collector"),
         false,
         false,
         true,
         5925,
         2385,
         {
             {"Combo1", C, nullptr, 360, 480, 4575, 315, 0, ""},
             {"cmdOk", B, "&OK", 3000, 1320, 1215, 495, 2, "DE"}, // disabled by the load
             {"cmdCancel", B, "&Cancel", 4440, 1320, 1215, 495, 3, "X"},
             {"Label1", L, "Choose a Collector to Delete", 720, 240, 4575, 255, -1, ""},
         }},
        {FormId::frmSaveAs,
         Spaced("Quorrel", 8, "Save As..."),
         true,
         false,
         true,
         5880,
         2430,
         {
             {"Label1", L, "Type In The Name To Save Colledctor As", 240, 360, 3015, 255, -1, ""},
             {"Text1", T, "", 240, 720, 5295, 375, 1, ""},
             {"cmdOk", B, "&OK", 2640, 1320, 1215, 495, 2, "DE"},
             {"cmdCancel", B, "&Cancel", 3960, 1320, 1215, 495, 3, "X"},
         }},
        {FormId::frmPixView,
         Spaced("Quorrel", 20, "Preview"),
         true,
         true,
         true,
         0,
         0,
         {
             {"Image1", I, "", 120, 120, -1, -1, -1, ""}, // takes the picture's own size
         }},
        {FormId::frmAbout,
         "About Quorrel ",
         false,
         false,
         false,
         6195,
         3975,
         {
             {"cmdOK", B, "OK", 4245, 2625, 1260, 345, 0, "EX"},
             {"cmdSysInfo", B, "&System Info...", 4260, 3075, 1245, 345, 1, ""},
             {"Image1", I, "", 120, 240, 2895, 2145, -1, ""},
             {"Label1", L, "Quorrel ", 3240, 960, 2175, 255, -1, ""},
             {"lblVersion", L, "   Version 1.0", 3240, 1680, 1095, 375, -1, ""},
             {"lblBuild", L, "Build 2", 4440, 1680, 1215, 495, -1, ""},
         }},
        {FormId::frmFirst,
         "Create Collector",
         true,
         false,
         true,
         5910,
         2310,
         {
             {"Text1", T, "", 480, 600, 4935, 375, 0, ""},
             {"cmdOk", B, "&OK", 840, 1200, 1215, 495, 1, "DE"},
             {"cmdCancel", B, "&Cancel", 2280, 1200, 1215, 495, 2, ""},
             {"cmdHelp", B, "&Help", 3720, 1200, 1215, 495, 3, ""},
             {"Label1", L, "Give the new Collector a name", 600, 240, 3135, 255, -1, ""},
         }},
        {FormId::frmClipPrev,
         Spaced("Quorrel", 35, "Clip Preview"),
         true,
         true,
         true,
         9810,
         5115,
         {
             {"cmdAdd", B, "&Add to Clipboard", 7080, 4080, 1215, 495, 0, ""},
             {"cmdClose", B, "&Close", 8400, 4080, 1215, 495, 1, "X"},
             {"RichTextBox1", R, nullptr, 120, 120, 9495, 3855, 2, ""},
             {"cmdBack", B, "&Back", 3600, 4080, 1215, 495, 3, "D"},
             {"cmdNext", B, "&Next", 4800, 4080, 1215, 495, 4, ""},
             {"File1", "QWidget", nullptr, 240, 4080, 1215, 480, 5, "H"},
             {"Label1", L, nullptr, 6240, 4200, -1, 360, -1, ""},
         }},
    };
    return w;
}

QString Caption(QWidget* w) {
    if (auto* b = qobject_cast<QPushButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* t = qobject_cast<QLineEdit*>(w)) return t->text();
    if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentText();
    return {};
}

int Px15(int twips) {
    return twips / 15;
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

TEST_F(Windows_, EveryWindowMatchesItsLayout) {
    ASSERT_EQ(Windows().size(), static_cast<size_t>(kFormCount));
    for (const Win& win : Windows()) {
        Form* f = Open(win.id);
        ASSERT_NE(f, nullptr);
        const std::string where = f->objectName().toStdString();
        SCOPED_TRACE(where);

        EXPECT_EQ(f->windowTitle().toStdString(), win.title);
        if (win.clientWidth) {
            EXPECT_EQ(f->width(), Px15(win.clientWidth)) << "client width";
        }
        if (win.loadHeight) {
            EXPECT_EQ(f->frameGeometry().height(), Px15(win.loadHeight)) << "outer height at load";
        }
        EXPECT_EQ(f->minimumSize() == f->maximumSize(), !win.sizable) << "frame";
        EXPECT_EQ(bool(f->windowFlags() & Qt::WindowMinimizeButtonHint), win.minBox);
        EXPECT_FALSE(f->windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ((f->windowFlags() & Qt::WindowType_Mask) == Qt::Tool, !win.inTaskbar);
        EXPECT_FALSE(f->windowIcon().isNull()) << "application icon";
        EXPECT_TRUE(f->windowIcon().availableSizes().contains(QSize(16, 16)));
        EXPECT_TRUE(f->windowIcon().availableSizes().contains(QSize(32, 32)));

        std::vector<QString> tabOrder;
        for (const Ctl& c : win.controls) {
            SCOPED_TRACE(c.name);
            auto* x = Named<QWidget>(f->Client(), c.name);
            ASSERT_NE(x, nullptr);
            EXPECT_STREQ(x->metaObject()->className(), c.kind);
            if (auto* combo = qobject_cast<QComboBox*>(x)) {
                EXPECT_TRUE(combo->isEditable());
            }
            if (c.caption) {
                EXPECT_EQ(Caption(x), QString::fromUtf8(c.caption));
            }
            const QRect g = x->geometry();
            EXPECT_EQ(g.left(), Px15(c.left));
            EXPECT_EQ(g.top(), Px15(c.top));
            if (c.width >= 0) {
                EXPECT_EQ(g.width(), Px15(c.width));
            }
            if (c.height >= 0) {
                EXPECT_EQ(g.height(), Px15(c.height));
            }
            const std::string s = c.states;
            EXPECT_EQ(x->isEnabled(), s.find('D') == std::string::npos) << "enabled";
            EXPECT_EQ(x->isHidden(), s.find('H') != std::string::npos) << "hidden";
            if (auto* b = qobject_cast<QPushButton*>(x)) {
                EXPECT_EQ(b->isDefault(), s.find('E') != std::string::npos) << "default";
            }
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
    for (const Win& win : Windows()) {
        if (win.id == FormId::frmMain || win.id == FormId::frmFirst) continue;
        SCOPED_TRACE(FormName(win.id));
        w.app->Show(win.id);
        auto* f = static_cast<Form*>(w.app->Loaded(win.id));
        ASSERT_NE(f, nullptr);
        // A load that ran again would set the height once more.
        const QSize changed(f->width(), f->height() + 37);
        if (win.sizable)
            f->resize(changed);
        else
            f->setFixedSize(changed);
        w.app->Show(win.id);
        EXPECT_EQ(w.app->Loaded(win.id), f);
        EXPECT_EQ(f->height(), changed.height());
        EXPECT_TRUE(f->isVisible());
    }
}

// Window managers offer minimise and maximise on every frame (openbox ignores the hints that
// leave them out): a window keeps the state its boxes allow, and showing a minimised window
// (its menu entry, the hot key) brings it back, since no other way may be left.
TEST_F(Windows_, WindowsKeepTheStatesTheirBoxesAllowAndComeBackFromMinimised) {
    for (const Win& win : Windows()) {
        if (win.id == FormId::frmFirst) continue;
        SCOPED_TRACE(FormName(win.id));
        w.app->Show(win.id);
        auto* f = static_cast<Form*>(w.app->Loaded(win.id));
        ASSERT_NE(f, nullptr);
        const QSize size = f->size();

        f->setWindowState(Qt::WindowMaximized);
        Drain();
        EXPECT_FALSE(f->isMaximized());
        EXPECT_EQ(f->size(), size);

        f->setWindowState(Qt::WindowMinimized);
        Drain();
        EXPECT_EQ(f->isMinimized(), win.minBox);
        w.app->Show(win.id);
        Drain();
        EXPECT_FALSE(f->isMinimized());
        EXPECT_TRUE(f->isVisible());
        EXPECT_EQ(w.app->Loaded(win.id), f);
    }
}

// Labels and images are painted on the window itself, under every button, box and list: where
// they overlap one (a label grown to fit its text), the control shows whole and takes the click.
TEST_F(Windows_, LabelsAndImagesLieUnderTheControls) {
    for (const Win& win : Windows()) {
        SCOPED_TRACE(FormName(win.id));
        Form* f = Open(win.id);
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
    for (const Win& win : Windows()) {
        const Ctl* def = nullptr;
        for (const Ctl& c : win.controls)
            if (std::string(c.states).find('E') != std::string::npos) def = &c;
        SCOPED_TRACE(FormName(win.id));
        Form* f = Open(win.id);
        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        for (QPushButton* b : f->Client()->findChildren<QPushButton*>())
            spies[b->objectName()] = std::make_unique<QSignalSpy>(b, &QPushButton::clicked);
        f->show();
        if (def) Named<QPushButton>(f, def->name)->setEnabled(false);
        QTest::keyClick(f, Qt::Key_Return);
        for (auto& [name, spy] : spies)
            EXPECT_EQ(spy->count(), 0) << name.toStdString();
        if (!def) continue;
        Named<QPushButton>(f, def->name)->setEnabled(true);
        QTest::keyClick(f, Qt::Key_Return);
        for (auto& [name, spy] : spies)
            EXPECT_EQ(spy->count(), name == QLatin1String(def->name) ? 1 : 0) << name.toStdString();
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
    for (const Win& win : Windows()) {
        if (win.id == FormId::frmMain || win.id == FormId::frmPix || win.id == FormId::frmPixView)
            continue;
        const Ctl* cancel = nullptr;
        for (const Ctl& c : win.controls)
            if (std::string(c.states).find('X') != std::string::npos) cancel = &c;
        SCOPED_TRACE(FormName(win.id));
        w.app->Show(win.id);
        Form* f = static_cast<Form*>(w.app->Loaded(win.id));
        std::map<QString, std::unique_ptr<QSignalSpy>> spies;
        for (QPushButton* b : f->Client()->findChildren<QPushButton*>())
            spies[b->objectName()] = std::make_unique<QSignalSpy>(b, &QPushButton::clicked);
        QWidget* target = f->focusWidget() ? f->focusWidget() : f;
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_EQ(w.app->IsLoaded(win.id), cancel == nullptr);
        for (auto& [name, spy] : spies)
            EXPECT_EQ(spy->count(), cancel && name == QLatin1String(cancel->name) ? 1 : 0)
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
