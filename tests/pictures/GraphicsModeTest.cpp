// The graphics-mode window and the picture viewer over the fakes: the slots as the store has
// them, the picture commands and the window rules.
#include "support/Fakes.h"

#include "pictures/frmPix.h"
#include "pictures/frmPixView.h"
#include "text/frmMain.h"
#include "ui/ImageBox.h"

#include <QAction>
#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

using namespace quorrel;
using namespace quorrel::test;

namespace {

QImage Filled(int w, int h, QColor colour) {
    QImage picture(w, h, QImage::Format_RGB32);
    picture.fill(colour);
    return picture;
}

std::string Fixture(const char* name) {
    QFile f(QStringLiteral(QUORREL_TEST_DATA "/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return f.readAll().toStdString();
}

std::string Bitmap(QColor colour, int w = 4, int h = 3) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    Filled(w, h, colour).save(&buffer, "BMP");
    return bytes.toStdString();
}

struct GraphicsMode : ::testing::Test {
    World w;
    frmPix* pix = nullptr;
    void Start() {
        w.MakeCollector("Work");
        w.app->Main();
        pix = w.app->Get<frmPix>(FormId::frmPix);
    }
    ImageBox* Current() { return pix->ui.imgClipboard; }
    QPushButton* Button(const char* n) { return Named<QPushButton>(pix, n); }
    // Until the picture work off the window thread (Add, a slot click, slots loading) is done.
    void Settle() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return pix->Idle(); }, 30000))
            << "picture work still going after 30 s";
    }
    void Click(const char* n) {
        QTest::mouseClick(Button(n), Qt::LeftButton);
        Settle();
    }
    void ClickImage(ImageBox* img) {
        QTest::mouseClick(img, Qt::LeftButton, {}, QPoint(5, 5));
        Settle();
    }
    void Refresh() {
        w.app->RefreshPictureSlots();
        Settle();
    }
    std::string Pix(const std::string& f) { return "Clips/Data/Work/Pix/" + f; }
    void Store(int n, const std::string& bytes) { w.Write(Pix(std::to_string(n) + ".jpg"), bytes); }
    std::set<int> Shown() {
        std::set<int> shown;
        for (int n = 1; n <= 15; ++n)
            if (!pix->Slot(n)->isHidden()) shown.insert(n);
        return shown;
    }
    void GraphicsModeOn() {
        QTest::mouseClick(w.app->Get<frmMain>(FormId::frmMain)->ui.cmdPix, Qt::LeftButton);
        Settle();
    }
};

} // namespace

TEST_F(GraphicsMode, FirstAddStoresABitmapNamedOneJpgAndShowsItInSlotOne) {
    Start();
    w.clipboard.ExternalImage(Filled(30, 20, Qt::red));
    GraphicsModeOn();
    QTest::keyClick(pix, Qt::Key_Return); // the window's default button
    Settle();
    EXPECT_TRUE(w.messages.shown.isEmpty()) << w.messages.shown.join("|").toStdString();
    const std::string stored = w.Read(Pix("1.jpg"));
    EXPECT_EQ(stored.substr(0, 2), "BM");
    EXPECT_EQ(w.Read(Pix("Settings.ini")), "[Collector]\r\nPicNum=1\r\n");
    EXPECT_EQ(Shown(), std::set<int>{1});
    const QImage slot = pix->Slot(1)->Picture();
    EXPECT_EQ(slot.size(), QSize(30, 20));
    EXPECT_EQ(slot.pixelColor(10, 10), QColor(Qt::red));
}

TEST_F(GraphicsMode, FifteenthPictureFillsTheCollectorAndTheNextAddIsRefused) {
    Start();
    w.Write(Pix("Settings.ini"), "[Collector]\r\nPicNum=14\r\n");
    w.clipboard.ExternalImage(Filled(5, 5, Qt::green));
    Click("cmdSave");
    EXPECT_TRUE(w.Exists(Pix("15.jpg")));
    EXPECT_EQ(Shown(), std::set<int>{15});
    Click("cmdSave");
    EXPECT_EQ(w.messages.shown,
              QStringList{"Sorry, you already have 15 images in this collector."});
    EXPECT_EQ(w.Read(Pix("Settings.ini")), "[Collector]\r\nPicNum=15\r\n");
    EXPECT_FALSE(w.Exists(Pix("16.jpg")));
}

TEST_F(GraphicsMode, AddFailuresShowTheirMessageAndKeepPicNum) {
    struct Case {
        const char* settings; // Pix/Settings.ini, or nullptr for a collector without Pix
        bool picture;
        const char* message;
        const char* after;
    };
    const Case cases[] = {
        // A failed first picture leaves no Pix folder behind.
        {nullptr, false, "There are no graphics on the Clipboard.", ""},
        {"[Collector]\r\nPicNum=3\r\n", false, "There are no graphics on the Clipboard.",
         "[Collector]\r\nPicNum=3\r\n"},
        {"[Collector]\r\nPicNum=two\r\n", true, "13 Type mismatch",
         "[Collector]\r\nPicNum=two\r\n"},
        {"[Collector]\r\nPicNum=32767\r\n", true, "6 Overflow", "[Collector]\r\nPicNum=32767\r\n"},
    };
    Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::filesystem::remove_all(w.Path(Pix("")));
        if (c.settings) w.Write(Pix("Settings.ini"), c.settings);
        if (c.picture)
            w.clipboard.ExternalImage(Filled(4, 4, Qt::blue));
        else
            w.clipboard.ExternalText("only text");
        w.messages.shown.clear();
        Click("cmdSave");
        EXPECT_EQ(w.messages.shown, QStringList{c.message});
        EXPECT_EQ(w.Read(Pix("Settings.ini")), c.after);
        EXPECT_FALSE(w.Exists(Pix("1.jpg")));
        EXPECT_FALSE(w.Exists(Pix("4.jpg")));
    }
}

TEST_F(GraphicsMode, TextOnTheClipboardNeverFillsTheCollector) {
    Start();
    w.clipboard.ExternalText("text");
    for (int i = 0; i < 16; ++i)
        Click("cmdSave");
    EXPECT_EQ(w.messages.shown.size(), 16);
    EXPECT_EQ(w.messages.shown.count("There are no graphics on the Clipboard."), 16);
    EXPECT_FALSE(w.Exists(Pix("")));
}

TEST_F(GraphicsMode, CollectorFolderRemovedBehindTheProgramsBackIsReportedNotACrash) {
    Start();
    std::filesystem::remove_all(w.Path("Clips/Data/Work"));
    w.clipboard.ExternalImage(Filled(4, 4, Qt::blue));
    Click("cmdSave");
    EXPECT_EQ(w.messages.shown, QStringList{"76 Path not found"});
    EXPECT_FALSE(w.Exists("Clips/Data/Work"));
    EXPECT_TRUE(Shown().empty());
}

TEST_F(GraphicsMode, SlotsShowWhatIsOnDiskWhateverPicNumSays) {
    Start();
    w.Write(Pix("Settings.ini"), "[Collector]\r\nPicNum=1\r\n");
    Store(1, Bitmap(Qt::red));
    Store(2, Fixture("pix_red.png"));       // another format under the same name shows too
    Store(3, Fixture("pix_truncated.jpg")); // exists, cannot be decoded: treated as missing
    Store(4, Bitmap(Qt::blue));
    Store(6, "not a picture at all");
    Store(7, Bitmap(Qt::green));
    Store(16, Bitmap(Qt::red)); // beyond the last slot: never looked at
    GraphicsModeOn();
    EXPECT_EQ(Shown(), (std::set<int>{1, 2, 4, 7}));
    EXPECT_EQ(pix->Slot(2)->Picture().size(), QSize(8, 6));
    EXPECT_EQ(pix->Slot(4)->Picture().pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(pix->Slot(7)->Picture().pixelColor(0, 0), QColor(Qt::green));

    // A file removed since the last refresh hides its slot; a trailing separator on the
    // collector path changes nothing.
    std::filesystem::remove(w.Path(Pix("4.jpg")));
    w.app->State().CollectorPath += "/";
    Refresh();
    EXPECT_EQ(Shown(), (std::set<int>{1, 2, 7}));

    // A file replaced under the same name is read again.
    Store(7, Bitmap(Qt::yellow, 9, 9));
    Refresh();
    EXPECT_EQ(pix->Slot(7)->Picture().size(), QSize(9, 9));
    EXPECT_EQ(pix->Slot(7)->Picture().pixelColor(0, 0), QColor(Qt::yellow));

    w.app->HidePictureSlots();
    EXPECT_TRUE(Shown().empty());
    EXPECT_TRUE(w.Exists(Pix("1.jpg")));
}

TEST_F(GraphicsMode, ClickingASlotPutsItsPictureOnTheClipboardAndAddStoresACopy) {
    Start();
    w.Write(Pix("Settings.ini"), "[Collector]\r\nPicNum=3\r\n");
    Store(1, Bitmap(Qt::red));
    Store(2, Bitmap(Qt::green));
    Store(3, Bitmap(Qt::blue, 7, 5));
    GraphicsModeOn();
    w.clipboard.ExternalText("text before");
    ClickImage(pix->Slot(3));
    EXPECT_EQ(w.clipboard.GetData().size(), QSize(7, 5));
    EXPECT_EQ(w.clipboard.GetText(), "");
    EXPECT_EQ(Current()->Picture().pixelColor(1, 1), QColor(Qt::blue));
    EXPECT_EQ(w.app->Get<frmMain>(FormId::frmMain)->ui.Text1->text(), "");
    Click("cmdSave");
    EXPECT_TRUE(w.messages.shown.isEmpty());
    EXPECT_EQ(w.Read(Pix("4.jpg")), w.Read(Pix("3.jpg")));
    EXPECT_EQ(Shown(), (std::set<int>{1, 2, 3, 4}));
}

TEST_F(GraphicsMode, ClearDisablesTheCurrentPictureButPreviewStillOpensTheViewer) {
    Start();
    w.clipboard.ExternalImage(Filled(10, 10, Qt::red));
    GraphicsModeOn();
    Click("cmdClear");
    EXPECT_FALSE(w.clipboard.GetFormat());
    EXPECT_TRUE(Current()->Picture().isNull());
    EXPECT_FALSE(Current()->isEnabled());
    ClickImage(Current());
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmPixView));
    Click("cmdPreview");
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmPixView));
    // The next change enables the current picture again; a click on it opens the viewer.
    w.app->Unload(FormId::frmPixView);
    w.clipboard.ExternalImage(Filled(10, 10, Qt::green));
    ClickImage(Current());
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmPixView));
}

TEST_F(GraphicsMode, ViewerFitsItselfAroundThePictureAndKeepsItUntilClosed) {
    Start();
    w.clipboard.ExternalImage(Filled(200, 100, Qt::red));
    GraphicsModeOn();
    Click("cmdPreview");
    auto* view = static_cast<frmPixView*>(w.app->Loaded(FormId::frmPixView));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    auto* image = view->ui.Image1;
    EXPECT_EQ(image->size(), QSize(200, 100));                // 3000 x 1500 twips
    EXPECT_EQ(view->frameGeometry().size(), QSize(220, 140)); // 3300 x 2100 twips offscreen

    w.clipboard.ExternalImage(Filled(50, 40, Qt::green));
    Click("cmdPreview");
    EXPECT_EQ(w.app->Loaded(FormId::frmPixView), view);
    EXPECT_EQ(image->Picture().size(), QSize(200, 100));

    ClickImage(image);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmPixView));
    Drain();
    Click("cmdPreview");
    auto* again = static_cast<frmPixView*>(w.app->Loaded(FormId::frmPixView));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->ui.Image1->Picture().size(), QSize(50, 40));
}

TEST_F(GraphicsMode, ViewerWithoutAPictureKeepsItsDesignSizeAndClosesOnAClick) {
    Start();
    w.clipboard.ExternalText("text only");
    w.app->Show(FormId::frmPixView);
    auto* view = static_cast<frmPixView*>(w.app->Loaded(FormId::frmPixView));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->size(), QSize(428, 277)); // 6420 x 4155 twips
    auto* image = view->ui.Image1;
    EXPECT_TRUE(image->Picture().isNull());
    ClickImage(image);
    EXPECT_FALSE(w.app->IsLoaded(FormId::frmPixView));
}

TEST_F(GraphicsMode, CaptureLeavesTheWindowShownWithTheScreenAndTheCollectorUnchanged) {
    Start();
    GraphicsModeOn();
    w.capture.screen = Filled(64, 48, Qt::yellow);
    Click("cmdCapture");
    EXPECT_TRUE(w.capture.windowWasHidden);
    EXPECT_TRUE(pix->isVisible());
    EXPECT_EQ(Current()->Picture().size(), QSize(64, 48));
    EXPECT_TRUE(Current()->isEnabled());
    EXPECT_FALSE(w.Exists(Pix("")));
    EXPECT_FALSE(w.app->State().TextModeActive);
}

TEST_F(GraphicsMode, ModeSwitchesMoveBetweenTheWindowsAndTheHotKeyActsInGraphicsModeOnly) {
    Start();
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    auto* timer = pix->ui.Timer1;
    ASSERT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 200);
    auto tick = [&] { QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection); };
    w.keys.down = {{91, true}, {18, true}};
    tick(); // text mode: the graphics window's timer does nothing
    EXPECT_FALSE(pix->isVisible());
    EXPECT_FALSE(w.app->State().WindowHidden);

    GraphicsModeOn();
    EXPECT_FALSE(w.app->State().TextModeActive);
    EXPECT_TRUE(pix->isVisible());
    EXPECT_FALSE(main->isVisible());
    tick();
    EXPECT_FALSE(pix->isVisible());
    EXPECT_TRUE(w.app->State().WindowHidden);
    EXPECT_FALSE(main->isVisible());
    tick();
    EXPECT_TRUE(pix->isVisible());
    w.keys.down.clear();

    emit pix->LostFocus();
    EXPECT_FALSE(pix->isVisible());
    EXPECT_TRUE(w.app->State().WindowHidden);
    w.app->State().WindowHidden = false;
    pix->show();

    Click("cmdText");
    EXPECT_TRUE(w.app->State().TextModeActive);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(pix->isVisible());
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmPix));
    emit pix->LostFocus(); // a hidden graphics window in text mode does not hide the text one
    EXPECT_FALSE(w.app->State().WindowHidden);
}

TEST_F(GraphicsMode, MenuAndLabelOpenTheirWindowsAndExitEndsTheProgram) {
    Start();
    GraphicsModeOn();
    pix->ui.mnuProgHelp->trigger();
    ASSERT_EQ(w.help.calls.size(), 1u);
    EXPECT_EQ(w.help.calls[0].owner, pix);
    pix->ui.mnuAbout->trigger();
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmAbout));
    QTest::mouseClick(pix->ui.lblCollector, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(w.app->IsLoaded(FormId::frmOpen));

    QSignalSpy ended(w.app.get(), &App::Ended);
    pix->ui.mnuExit->trigger();
    EXPECT_EQ(ended.count(), 1);
    for (int i = 0; i < kFormCount; ++i)
        EXPECT_FALSE(w.app->IsLoaded(static_cast<FormId>(i))) << FormName(static_cast<FormId>(i));
    Drain();
}

namespace {

// A picture with detail everywhere, so that its encoded data runs through the whole file.
QImage Noise(int w, int h) {
    QImage picture(w, h, QImage::Format_RGB32);
    quint32 x = 12345;
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < w; ++i) {
            x = x * 1103515245u + 12345u;
            picture.setPixel(i, y, qRgb(x >> 24, (x >> 16) & 0xff, (x >> 8) & 0xff));
        }
    return picture;
}

std::string Encoded(const QImage& picture, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(picture.save(&buffer, format));
    return bytes.toStdString();
}

} // namespace

TEST_F(GraphicsMode, EnterRightAfterSwitchingStoresThePictureOnceHoweverLongItIsHeld) {
    Start();
    w.clipboard.ExternalImage(Filled(8, 8, Qt::red));
    GraphicsModeOn();
    QWidget* focus = pix->focusWidget();
    ASSERT_EQ(focus, Button("cmdSave"));
    QTest::simulateEvent(focus, true, Qt::Key_Return, Qt::NoModifier, "\r", false);
    Settle();
    EXPECT_TRUE(w.Exists(Pix("1.jpg")));
    for (int i = 0; i < 12; ++i) // the key repeats while it is held
        QTest::simulateEvent(focus, true, Qt::Key_Return, Qt::NoModifier, "\r", true);
    QTest::simulateEvent(focus, false, Qt::Key_Return, Qt::NoModifier, "\r", false);
    Settle();
    EXPECT_FALSE(w.Exists(Pix("2.jpg")));
    EXPECT_EQ(w.Read(Pix("Settings.ini")), "[Collector]\r\nPicNum=1\r\n");
    EXPECT_TRUE(w.messages.shown.isEmpty());

    // Every time the window shows, the focus is back on Add To Collector.
    Click("cmdText");
    pix->ui.cmdPreview->setFocus();
    GraphicsModeOn();
    EXPECT_EQ(pix->focusWidget(), Button("cmdSave"));
}

TEST_F(GraphicsMode, EnterOnAFocusedButtonPressesThatButton) {
    Start();
    w.clipboard.ExternalImage(Filled(8, 8, Qt::red));
    GraphicsModeOn();
    QTest::keyClick(pix->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(pix->focusWidget(), Button("cmdClear"));
    QTest::keyClick(pix->focusWidget(), Qt::Key_Return);
    Settle();
    EXPECT_FALSE(w.clipboard.GetFormat());
    EXPECT_FALSE(Current()->isEnabled());
    EXPECT_FALSE(w.Exists(Pix("")));
    EXPECT_TRUE(w.messages.shown.isEmpty());
}

TEST_F(GraphicsMode, APictureFileThatEndsEarlyHidesItsSlot) {
    Start();
    const QImage noise = Noise(120, 90);
    const std::string png = Encoded(noise, "PNG"), jpeg = Encoded(noise, "JPEG");
    Store(1, png.substr(0, png.size() / 2));
    Store(2, jpeg.substr(0, jpeg.size() * 2 / 3));
    Store(3, png);
    Store(4, jpeg);
    Store(5, jpeg + "trailing bytes after the picture");
    GraphicsModeOn();
    EXPECT_EQ(Shown(), (std::set<int>{3, 4, 5}));
    // Each is held at the slot's size (the box inside its border), not whole.
    const QSize box = pix->Slot(3)->contentsRect().size();
    EXPECT_EQ(pix->Slot(3)->Picture().size(), box);
    EXPECT_EQ(pix->Slot(4)->Picture().size(), box);

    // Once whole, the same slot shows the picture.
    Store(1, png);
    Refresh();
    EXPECT_EQ(Shown(), (std::set<int>{1, 3, 4, 5}));
}

TEST_F(GraphicsMode, ASlotShowsTheFileItNamesNowNotOneOfTheSameSizeAndTime) {
    Start();
    w.MakeCollector("Other", {}, false);
    const std::string other = "Clips/Data/Other/Pix/1.jpg";
    Store(1, Bitmap(Qt::red, 6, 6));
    w.Write(other, Bitmap(Qt::blue, 6, 6));
    const auto when = std::filesystem::last_write_time(w.Path(Pix("1.jpg")));
    std::filesystem::last_write_time(w.Path(other), when);
    GraphicsModeOn();
    EXPECT_EQ(pix->Slot(1)->Picture().pixelColor(0, 0), QColor(Qt::red));

    // What opening the other collector does to the slots.
    w.app->State().CollectorPath = w.Path("Clips/Data/Other");
    Refresh();
    EXPECT_EQ(pix->Slot(1)->Picture().pixelColor(0, 0), QColor(Qt::blue));

    // A file put in place of another under the same name, size and time is read too.
    w.Write("Clips/Data/Other/Pix/new.jpg", Bitmap(Qt::green, 6, 6));
    std::filesystem::last_write_time(w.Path("Clips/Data/Other/Pix/new.jpg"), when);
    std::filesystem::rename(w.Path("Clips/Data/Other/Pix/new.jpg"), w.Path(other));
    Refresh();
    EXPECT_EQ(pix->Slot(1)->Picture().pixelColor(0, 0), QColor(Qt::green));
}

TEST_F(GraphicsMode, AStoredPictureIsA24BitBitmapWithZeroPadding) {
    Start();
    // A one-bit picture whose row padding holds leftovers, as a decoder may leave it.
    QImage mono(5, 3, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    std::memset(mono.bits(), 0xA5, static_cast<size_t>(mono.sizeInBytes()));
    w.clipboard.ExternalImage(mono);
    GraphicsModeOn();
    Click("cmdSave");
    const std::string bmp = w.Read(Pix("1.jpg"));
    ASSERT_EQ(bmp.size(), 54u + 16 * 3); // rows of 15 bytes padded to 16
    EXPECT_EQ(bmp[28], 24) << "bits per pixel";
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(bmp[54 + row * 16 + 15], 0) << "padding of row " << row;
    const QImage back = pix->Slot(1)->Picture().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(back, mono.convertToFormat(QImage::Format_RGB32));
}

TEST_F(GraphicsMode, TheViewerIsCentredAtTheSizeItsPictureGivesIt) {
    Start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    w.clipboard.ExternalImage(Filled(200, 100, Qt::red));
    w.app->Show(FormId::frmPixView);
    auto* view = static_cast<frmPixView*>(w.app->Loaded(FormId::frmPixView));
    ASSERT_NE(view, nullptr);
    const QRect outer = view->frameGeometry();
    EXPECT_EQ(outer.size(), QSize(220, 140));
    EXPECT_LE(std::abs(outer.center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(outer.center().y() - screen.center().y()), 1);
    w.app->Unload(FormId::frmPixView);
    Drain();

    // Larger than the screen: scaled down in proportion, the whole window on the screen.
    w.clipboard.ExternalImage(Filled(screen.width() * 2, screen.height() + 20, Qt::red));
    w.app->Show(FormId::frmPixView);
    view = static_cast<frmPixView*>(w.app->Loaded(FormId::frmPixView));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(screen.contains(view->frameGeometry()))
        << view->frameGeometry().width() << "x" << view->frameGeometry().height();
    const QSize shown = view->ui.Image1->Picture().size();
    EXPECT_EQ(shown.width(), screen.width() - 20);
    EXPECT_NEAR(shown.height(), (screen.height() + 20) * shown.width() / (screen.width() * 2), 1);
    EXPECT_FALSE(view->ui.Image1->toolTip().isEmpty());

    // Esc and Enter close it as a click does.
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        w.app->Show(FormId::frmPixView);
        QTest::keyClick(w.app->Loaded(FormId::frmPixView), key);
        EXPECT_FALSE(w.app->IsLoaded(FormId::frmPixView)) << key;
        Drain();
    }
}

TEST_F(GraphicsMode, OneBitAndPalettePicturesShowInTheirColours) {
    Start();
    GraphicsModeOn();
    QImage mono(900, 700, QImage::Format_Mono); // as a one-colour PNG decodes
    mono.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    mono.fill(0);
    QImage palette(900, 700, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(0, 128, 0)});
    palette.fill(0);
    for (const QImage& picture : {mono, palette}) {
        w.clipboard.ExternalImage(picture);
        const QImage shown = Current()->grab().toImage();
        const QColor expected = picture.pixelColor(0, 0);
        for (QPoint p : {QPoint(50, 50), QPoint(100, 150), QPoint(190, 10)})
            EXPECT_EQ(shown.pixelColor(p), expected) << p.x() << "," << p.y();
    }
}

namespace {

// A click sent straight to the widget: nothing else runs meanwhile (QTest's may run events).
void SendClick(QWidget* target) {
    const QPointF at(5, 5);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, at, target->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    }
}

} // namespace

// Add To Collector writes off the window thread under the hourglass; until it is done no other
// command is taken (by click or call), so nothing is stored twice and the clipboard it stores
// from stays as it was. Then the window takes commands again.
TEST_F(GraphicsMode, APictureCommandAtWorkHoldsOffEveryOtherUntilItEnds) {
    Start();
    w.Write(Pix("Settings.ini"), "[Collector]\r\nPicNum=1\r\n");
    Store(1, Bitmap(Qt::blue));
    w.clipboard.ExternalImage(Filled(40, 30, Qt::red));
    GraphicsModeOn();
    pix->cmdSave_Click();
    EXPECT_TRUE(w.busy.busy);
    EXPECT_FALSE(pix->Idle());
    SendClick(Button("cmdSave"));
    SendClick(pix->Slot(1));
    SendClick(Button("cmdClear"));
    pix->cmdSave_Click();
    pix->imgN_Click(1);
    Settle();
    EXPECT_FALSE(w.busy.busy);
    EXPECT_TRUE(w.messages.shown.isEmpty()) << w.messages.shown.join("|").toStdString();
    EXPECT_EQ(w.Read(Pix("Settings.ini")), "[Collector]\r\nPicNum=2\r\n");
    EXPECT_FALSE(w.Exists(Pix("3.jpg")));
    EXPECT_EQ(w.clipboard.GetData().size(), QSize(40, 30));
    EXPECT_TRUE(Current()->isEnabled());
    EXPECT_EQ(Shown(), (std::set<int>{1, 2}));
    EXPECT_EQ(pix->Slot(2)->Picture().pixelColor(3, 3), QColor(Qt::red));

    SendClick(pix->Slot(1));
    Settle();
    EXPECT_EQ(w.clipboard.GetData().pixelColor(0, 0), QColor(Qt::blue));
    // A slot whose file went after it was shown says so and leaves the clipboard alone.
    std::filesystem::remove(w.Path(Pix("2.jpg")));
    ClickImage(pix->Slot(2));
    ASSERT_EQ(w.messages.shown.size(), 1);
    EXPECT_TRUE(w.messages.shown.front().contains("2.jpg"))
        << w.messages.shown.front().toStdString();
    EXPECT_EQ(w.clipboard.GetData().pixelColor(0, 0), QColor(Qt::blue));
}
