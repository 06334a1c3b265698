// The X11 clipboard service against a real X server (Xvfb) and real programs on the clipboard:
// every change is announced exactly once, the program's own writes after they are done, and
// another program's copy is read without the window thread ever waiting for it.
#include "platform/x11/X11Clipboard.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>
#include <QtEndian>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <xcb/xcb.h>

using namespace quorrel;

namespace {

// A private X server for the whole suite: Xvfb tells its display number once it is ready.
class XServer {
  public:
    XServer() {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) return;
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24",
                   "-noreset", "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The number and its line end come in separate writes: read up to the line end, or the
        // server dies on a closed pipe.
        std::string number;
        char ch;
        while (read(fds[0], &ch, 1) == 1 && ch != '\n')
            number += ch;
        close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~XServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& Display() const { return display_; }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

XServer* server = nullptr;

struct X11Clip : ::testing::Test {
    static void SetUpTestSuite() {
        server = new XServer;
        if (!server->Display().empty()) qputenv("DISPLAY", server->Display().c_str());
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        if (server->Display().empty() ||
            QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            GTEST_SKIP() << "needs Xvfb and xclip";
        cb = X11Clipboard::Connect();
        ASSERT_TRUE(cb);
        QObject::connect(cb.get(), &Clipboard::changed, [this] {
            ++notices;
            seen.append(cb->GetText());
        });
    }
    void TearDown() override {
        cb.reset();
        for (QProcess* p : owners) {
            p->kill();
            p->waitForFinished();
            delete p;
        }
    }

    // Another program copies TEXT and keeps serving it until it loses the clipboard.
    QProcess* Copy(const QByteArray& text, const QStringList& extra = {}) {
        auto* p = new QProcess;
        p->start(QStringLiteral("xclip"),
                 QStringList{"-quiet", "-selection", "clipboard", "-i"} + extra);
        p->waitForStarted();
        p->write(text);
        p->closeWriteChannel();
        owners.push_back(p);
        return p;
    }
    // What another program pastes.
    static QByteArray Paste(const QString& target = QStringLiteral("UTF8_STRING")) {
        QProcess p;
        p.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-o", "-t", target});
        p.waitForFinished(10000);
        return p.readAllStandardOutput();
    }
    bool WaitText(const QString& text, int ms = 5000) {
        return QTest::qWaitFor([&] { return cb->GetText() == text; }, ms);
    }
    // A later copy by another program, once seen, shows that no notice is still on its way.
    void Settle() {
        const int before = notices;
        const QString text = QStringLiteral("settled %1").arg(++settles);
        Copy(text.toUtf8());
        ASSERT_TRUE(WaitText(text));
        EXPECT_EQ(notices, before + 1) << seen.join("|").toStdString();
        notices = before;
        seen.removeLast();
    }

    std::unique_ptr<X11Clipboard> cb;
    std::vector<QProcess*> owners;
    int notices = 0;
    int settles = 0;
    QStringList seen;
};

} // namespace

TEST_F(X11Clip, OwnWritesAreAnnouncedOnceAfterTheyAreDone) {
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    auto owner = [other] {
        xcb_intern_atom_reply_t* a =
            xcb_intern_atom_reply(other, xcb_intern_atom(other, 0, 9, "CLIPBOARD"), nullptr);
        xcb_get_selection_owner_reply_t* o =
            xcb_get_selection_owner_reply(other, xcb_get_selection_owner(other, a->atom), nullptr);
        const xcb_window_t w = o->owner;
        free(a);
        free(o);
        return w;
    };
    xcb_window_t ownerWhenAnnounced = 1;
    QObject::connect(cb.get(), &Clipboard::changed, [&] { ownerWhenAnnounced = owner(); });

    cb->SetText(QStringLiteral("mine"));
    EXPECT_EQ(notices, 1); // before SetText returned
    EXPECT_EQ(seen, QStringList{"mine"});
    EXPECT_NE(ownerWhenAnnounced, xcb_window_t(XCB_NONE)); // the write was done first
    EXPECT_EQ(Paste(), "mine");
    // Qt and GTK programs ask for the list first and paste only a text target they find there.
    const QList<QByteArray> offered = Paste(QStringLiteral("TARGETS")).split('\n');
    for (const char* t : {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT"})
        EXPECT_TRUE(offered.contains(t)) << t << " not offered";
    // TIMESTAMP names the server time the clipboard was taken, which only grows.
    const auto taken = [] {
        const QByteArray t = Paste(QStringLiteral("TIMESTAMP"));
        return t.size() >= 4 ? qFromLittleEndian<quint32>(t.constData()) : 0u;
    };
    const quint32 first = taken();
    EXPECT_NE(first, 0u);
    cb->SetText(QStringLiteral("mine"));
    EXPECT_EQ(notices, 2);
    EXPECT_GE(taken(), first);
    notices = 1;
    seen.removeLast();

    cb->Clear();
    EXPECT_EQ(notices, 2);
    EXPECT_EQ(ownerWhenAnnounced, xcb_window_t(XCB_NONE));
    EXPECT_EQ(Paste(), "");

    QImage picture(7, 5, QImage::Format_RGB32);
    picture.fill(Qt::red);
    cb->SetData(picture);
    EXPECT_EQ(notices, 3);
    EXPECT_TRUE(cb->GetFormat());
    const QImage back = QImage::fromData(Paste(QStringLiteral("image/png")), "PNG");
    EXPECT_EQ(back.size(), QSize(7, 5));
    EXPECT_EQ(back.pixel(3, 3), QColor(Qt::red).rgb());

    Settle(); // no late echo of any of the three
    EXPECT_EQ(notices, 3);
    xcb_disconnect(other);
}

TEST_F(X11Clip, AnotherProgramsCopyIsAnnouncedOnceWithItsText) {
    Copy("one\ntwo");
    ASSERT_TRUE(WaitText(QStringLiteral("one\ntwo")));
    EXPECT_FALSE(cb->GetFormat());
    Settle();
    EXPECT_EQ(notices, 1);
    // A copy into PRIMARY (a mere selection) is no clipboard change.
    QProcess primary;
    primary.start(QStringLiteral("xclip"), {"-quiet", "-selection", "primary", "-i"});
    primary.waitForStarted();
    primary.write("selected");
    primary.closeWriteChannel();
    Settle();
    EXPECT_EQ(notices, 1);
    primary.kill();
    primary.waitForFinished();
}

TEST_F(X11Clip, LatinOneStringAndUtf8OnlyOwnersGiveTheirText) {
    Copy("caf\xe9", {"-t", "STRING"});
    EXPECT_TRUE(WaitText(QStringLiteral("caf\u00e9")));
    Copy("caf\xc3\xa9 2", {"-t", "text/plain;charset=utf-8"});
    EXPECT_TRUE(WaitText(QStringLiteral("caf\u00e9 2")));
}

TEST_F(X11Clip, ACopyIsKeptWhenItsProgramQuits) {
    QProcess once;
    once.start(QStringLiteral("xclip"), {"-quiet", "-l", "1", "-selection", "clipboard", "-i"});
    once.waitForStarted();
    once.write("kept");
    once.closeWriteChannel();
    ASSERT_TRUE(WaitText(QStringLiteral("kept")));
    // It served us once and quit.
    ASSERT_TRUE(once.state() == QProcess::NotRunning || once.waitForFinished(5000));
    EXPECT_EQ(Paste(), "kept");
    Settle();
    EXPECT_EQ(notices, 1); // taking it over is no change
}

TEST_F(X11Clip, AnOwnerThatNeverAnswersHoldsNothingUp) {
    QProcess hang;
    hang.start(QStringLiteral(QUORREL_CLIP_OWNER), {"hang"});
    ASSERT_TRUE(hang.waitForReadyRead(5000));
    // The program's own write does not wait for the silent owner.
    QElapsedTimer t;
    t.start();
    cb->SetText(QStringLiteral("mine"));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(Paste(), "mine");
    hang.kill();
    hang.waitForFinished();

    hang.start(QStringLiteral(QUORREL_CLIP_OWNER), {"hang"});
    ASSERT_TRUE(hang.waitForReadyRead(5000));
    // Given up after a while: no text, no picture; the next copy is read as usual.
    EXPECT_TRUE(QTest::qWaitFor([&] { return notices == 2; }, 6000));
    EXPECT_EQ(cb->GetText(), "");
    Copy("after");
    EXPECT_TRUE(WaitText(QStringLiteral("after")));
    hang.kill();
    hang.waitForFinished();
}

TEST_F(X11Clip, AnOwnerBusyWithAnotherReaderIsAskedOnceMore) {
    QProcess busy;
    busy.start(QStringLiteral(QUORREL_CLIP_OWNER), {"busy", "1500", "late text"});
    // First counted as empty after the patience runs out, then read on the second try.
    EXPECT_TRUE(WaitText(QStringLiteral("late text"), 15000));
    EXPECT_EQ(seen, (QStringList{"", "late text"}));
    busy.kill();
    busy.waitForFinished();
}

TEST_F(X11Clip, APictureIsTakenWholeOrNotAtAll) {
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "JPEG"));
    Copy(jpeg, {"-t", "image/jpeg"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return cb->GetFormat(); }, 5000));
    EXPECT_EQ(cb->GetData().size(), QSize(64, 48));
    // Cut off halfway, as by a program that died while writing it: no picture, and why.
    Copy(jpeg.left(jpeg.size() / 2), {"-t", "image/jpeg"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return notices == 2; }, 5000));
    EXPECT_FALSE(cb->GetFormat());
    EXPECT_TRUE(cb->GetData().isNull());
    EXPECT_FALSE(cb->PictureProblem().isEmpty());
}

// A 16-bit PNG of 8192 x 8192 pixels (within what is taken) decodes to 512 MB, twice what an
// 8-bit one does: it is taken all the same and kept as an 8-bit picture.
TEST_F(X11Clip, ASixteenBitPictureOfTheLargestSizeIsTakenAsAnEightBitOne) {
    QFile f(QStringLiteral(QUORREL_TEST_DATA "/pix_16bit_8192.png"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    Copy(f.readAll(), {"-t", "image/png"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return notices == 1; }, 60000));
    EXPECT_EQ(cb->PictureProblem(), QString());
    const QImage picture = cb->GetData();
    EXPECT_EQ(picture.size(), QSize(8192, 8192));
    EXPECT_EQ(picture.depth(), 32);
    EXPECT_EQ(picture.pixelColor(8191, 8191), QColor(0x20, 0xC0, 0x40));
}

TEST_F(X11Clip, APasswordIsMarkedAndNotKeptWhenItsOwnerQuits) {
    QProcess secret;
    secret.start(QStringLiteral(QUORREL_CLIP_OWNER), {"secret", "hunter2"});
    ASSERT_TRUE(WaitText(QStringLiteral("hunter2")));
    EXPECT_TRUE(cb->IsSecret());
    secret.kill();
    secret.waitForFinished();
    EXPECT_TRUE(WaitText(QString()));
    EXPECT_EQ(Paste(), "");
}

// What a program about to quit does (GTK and Qt alike): asks the clipboard manager to save the
// clipboard and waits for its answer: the property it names when it saved, XCB_NONE when it
// refused, and XCB_NONE too after 5 s without an answer.
xcb_atom_t HandOver() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const auto atom = [c](const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_NONE;
        free(r);
        return a;
    };
    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER"), save = atom("SAVE_TARGETS");
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w,
                      xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_convert_selection(c, w, manager, save, save, XCB_CURRENT_TIME);
    xcb_flush(c);
    std::optional<xcb_atom_t> answer;
    QElapsedTimer t;
    t.start();
    while (!answer && t.elapsed() < 5000) {
        if (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_SELECTION_NOTIFY)
                answer = reinterpret_cast<xcb_selection_notify_event_t*>(e)->property;
            free(e);
        } else {
            pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
            poll(&p, 1, 50);
        }
    }
    xcb_disconnect(c);
    return answer.value_or(XCB_NONE);
}

TEST_F(X11Clip, APasswordHandedOverByAQuittingProgramIsNotKept) {
    QProcess plain;
    plain.start(QStringLiteral(QUORREL_CLIP_OWNER), {"only", "UTF8_STRING", "handed over"});
    ASSERT_TRUE(WaitText(QStringLiteral("handed over")));
    // Saved: the program is the clipboard manager (it may take a moment to become one).
    ASSERT_TRUE(QTest::qWaitFor([] { return HandOver() != XCB_NONE; }, 5000));
    plain.kill();
    plain.waitForFinished();
    EXPECT_EQ(Paste(), "handed over");

    QProcess secret;
    secret.start(QStringLiteral(QUORREL_CLIP_OWNER), {"secret", "hunter2"});
    ASSERT_TRUE(WaitText(QStringLiteral("hunter2")));
    EXPECT_EQ(HandOver(), xcb_atom_t(XCB_NONE)); // refused
    secret.kill();
    secret.waitForFinished();
    EXPECT_TRUE(WaitText(QString()));
    EXPECT_EQ(Paste(), "");
}

TEST_F(X11Clip, LargeTextsTravelWholeBothWays) {
    QByteArray big;
    for (int i = 0; big.size() < 6 * 1024 * 1024; ++i)
        big += "line " + QByteArray::number(i) + " of a large copy\n";
    Copy(big);
    ASSERT_TRUE(WaitText(QString::fromUtf8(big), 20000));
    cb->SetText(QString::fromUtf8(big) + QStringLiteral("mine"));
    EXPECT_EQ(Paste(), big + "mine");
}

TEST_F(X11Clip, ACopyMadeWhileALargeOneArrivesIsTheOneShown) {
    // xclip goes on sending the large copy after it lost the clipboard: its late pieces must
    // never be taken for the next copy, nor make the next copy count as empty.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    xcb_intern_atom_reply_t* a =
        xcb_intern_atom_reply(other, xcb_intern_atom(other, 0, 9, "CLIPBOARD"), nullptr);
    const xcb_atom_t clipboard = a->atom;
    free(a);
    auto owner = [&] {
        xcb_get_selection_owner_reply_t* o = xcb_get_selection_owner_reply(
            other, xcb_get_selection_owner(other, clipboard), nullptr);
        const xcb_window_t w = o ? o->owner : 0;
        free(o);
        return w;
    };
    QByteArray big;
    for (int i = 0; big.size() < 24 * 1024 * 1024; ++i)
        big += "line " + QByteArray::number(i) + " of a large copy\n";
    const QString large = QString::fromUtf8(big);
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    file.write(big);
    file.flush();
    for (int round = 1; round <= 5; ++round) {
        const xcb_window_t before = owner();
        Copy({}, {file.fileName()});
        ASSERT_TRUE(QTest::qWaitFor([&] { return owner() != before; }, 5000));
        const QString small = QStringLiteral("small %1").arg(round);
        Copy(small.toUtf8());
        EXPECT_TRUE(WaitText(small, 15000))
            << "round " << round << ": shown " << cb->GetText().left(40).toStdString();
        for (const QString& s : std::as_const(seen))
            EXPECT_TRUE(s.isEmpty() || s == large || s.startsWith(QStringLiteral("small")))
                << "round " << round << ": a text never copied: " << s.left(40).toStdString()
                << " (" << s.size() << " characters)";
        seen.clear();
    }
    xcb_disconnect(other);
}

TEST_F(X11Clip, AtExitTheClipboardIsHandedToTheClipboardManager) {
    cb.reset(); // the manager runs first, as it does on a desktop
    QProcess manager;
    manager.start(QStringLiteral(QUORREL_CLIP_OWNER), {"manager"});
    ASSERT_TRUE(manager.waitForReadyRead(5000));
    manager.readAll();
    cb = X11Clipboard::Connect();
    ASSERT_TRUE(cb);
    cb->SetText(QStringLiteral("left behind"));
    EXPECT_EQ(Paste(), "left behind");
    cb.reset();
    EXPECT_EQ(Paste(), "left behind"); // from the manager now
    manager.kill();
    manager.waitForFinished();
}

TEST_F(X11Clip, APasteServedInPiecesGoesOnWhenItsNextStepCameDuringAWrite) {
    // Another program pastes a large text in pieces; its request for the next piece arrives
    // while the program is changing the clipboard (the server is held meanwhile, so that it
    // comes at that very moment). It was set aside and then left unanswered: the paste hung.
    cb->SetText(QString(1 << 20, QLatin1Char('p')));
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    auto atom = [other](const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            other, xcb_intern_atom(other, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r->atom;
        free(r);
        return a;
    };
    const xcb_atom_t clipboard = atom("CLIPBOARD"), utf8 = atom("UTF8_STRING"),
                     prop = atom("PASTED"), incr = atom("INCR");
    const xcb_window_t w = xcb_generate_id(other);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(other, 0, w, xcb_setup_roots_iterator(xcb_get_setup(other)).data->root, 0, 0,
                      1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &mask);
    // The next event of the pasting program, waited for at most `ms`.
    auto next = [other](int ms) -> xcb_generic_event_t* {
        QElapsedTimer t;
        t.start();
        for (;;) {
            if (xcb_generic_event_t* ev = xcb_poll_for_event(other)) return ev;
            const int left = ms - int(t.elapsed());
            if (left <= 0) return nullptr;
            pollfd fd{xcb_get_file_descriptor(other), POLLIN, 0};
            poll(&fd, 1, left);
        }
    };
    xcb_convert_selection(other, w, clipboard, utf8, prop, XCB_CURRENT_TIME);
    xcb_flush(other);
    bool notified = false;
    while (xcb_generic_event_t* ev = next(5000)) {
        notified = (ev->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
        free(ev);
        if (notified) break;
    }
    ASSERT_TRUE(notified);
    xcb_get_property_reply_t* first = xcb_get_property_reply(
        other, xcb_get_property(other, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 1), nullptr);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->type, incr);
    free(first);

    xcb_grab_server(other);
    xcb_flush(other);
    std::thread paster([&] {
        // The program's write is waiting for the server by now: the request for the first piece
        // reaches it together with the answer it waits for.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        xcb_delete_property(other, w, prop);
        xcb_ungrab_server(other);
        xcb_flush(other);
    });
    cb->SetText(QStringLiteral("written meanwhile"));
    paster.join();
    bool piece = false;
    while (xcb_generic_event_t* ev = next(6000)) {
        const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(ev);
        piece = (ev->response_type & 0x7f) == XCB_PROPERTY_NOTIFY && p->atom == prop &&
                p->state == XCB_PROPERTY_NEW_VALUE;
        free(ev);
        if (piece) break;
    }
    EXPECT_TRUE(piece) << "the first piece never came";
    xcb_disconnect(other);
}

// Clipboard races: every change of owner is stamped with the server time of what it answers.

TEST_F(X11Clip, AQuittingProgramsCopyNeverReplacesANewerOne) {
    // Program A copies and quits; program B copies up to 2 ms later. Taking A's copy over as of
    // "now" replaced B's (B lost the clipboard), or dropped B's notice that came along with the
    // take-over (A's text shown while B's was on the clipboard).
    for (int round = 0; round < 20; ++round) {
        const QString a = QStringLiteral("A %1").arg(round), b = QStringLiteral("B %1").arg(round);
        QProcess p;
        p.start(QStringLiteral(QUORREL_CLIP_OWNER),
                {"handoff", a, b, QString::number(round % 10 * 200)});
        ASSERT_TRUE(p.waitForReadyRead(5000));
        ASSERT_TRUE(WaitText(a)) << "round " << round;
        p.write("go\n");
        p.closeWriteChannel();
        EXPECT_TRUE(WaitText(b, 3000))
            << "round " << round << ": shown " << cb->GetText().toStdString();
        EXPECT_EQ(Paste(), b.toUtf8()) << "round " << round;
        p.kill();
        p.waitForFinished();
    }
}

TEST_F(X11Clip, ALateNoticeOfALostClipboardLeavesANewerWriteServed) {
    cb->SetText(QStringLiteral("one"));
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    xcb_intern_atom_reply_t* a =
        xcb_intern_atom_reply(other, xcb_intern_atom(other, 0, 9, "CLIPBOARD"), nullptr);
    const xcb_atom_t clipboard = a->atom;
    free(a);
    const xcb_window_t w = xcb_generate_id(other);
    xcb_create_window(other, 0, w, xcb_setup_roots_iterator(xcb_get_setup(other)).data->root, 0, 0,
                      1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_grab_server(other);
    free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));
    std::thread copier([&] {
        // The program's write is waiting for the server by now: another program takes the
        // clipboard before it, and the notice that the program lost it arrives after the write.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        xcb_set_selection_owner(other, w, clipboard, XCB_CURRENT_TIME);
        xcb_ungrab_server(other);
        xcb_flush(other);
    });
    cb->SetText(QStringLiteral("two"));
    copier.join();
    EXPECT_EQ(Paste(), "two") << "the late notice left the program serving nothing";
    Settle();
    EXPECT_EQ(seen, (QStringList{"one", "two"}));
    xcb_disconnect(other);
}

TEST_F(X11Clip, ACopyBeyondTheLimitIsGivenUpWhileItArrivesAndTheNextIsTaken) {
    cb = X11Clipboard::Connect(4 << 20);
    ASSERT_TRUE(cb);
    QObject::connect(cb.get(), &Clipboard::changed, [this] { seen.append(cb->GetText()); });
    // A copy streamed without end was taken whole, that is never, growing until memory ran out.
    QProcess stream;
    stream.start(QStringLiteral(QUORREL_CLIP_OWNER), {"stream", "0"});
    ASSERT_TRUE(stream.waitForReadyRead(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !cb->TextProblem().isEmpty(); }, 10000))
        << "the endless copy was never given up";
    EXPECT_EQ(cb->GetText(), "");
    EXPECT_EQ(cb->TextProblem(),
              "The text on the Clipboard is too large to keep (more than 4 MB).");
    // The next copy, just under the limit, is read whole while the stream goes on.
    const QByteArray under((4 << 20) - 1, 'u');
    Copy(under);
    EXPECT_TRUE(WaitText(QString::fromLatin1(under), 10000));
    EXPECT_EQ(cb->TextProblem(), "");
    // A finite one over the limit is given up the same way.
    QProcess finite;
    finite.start(QStringLiteral(QUORREL_CLIP_OWNER), {"stream", "5"});
    ASSERT_TRUE(finite.waitForReadyRead(5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !cb->TextProblem().isEmpty(); }, 10000));
    EXPECT_EQ(seen, (QStringList{"", under, ""}));
    for (QProcess* p : {&stream, &finite}) {
        p->kill();
        p->waitForFinished();
    }
}
