// The hot key through the desktop's shortcut portal, against a stand-in portal on a private bus:
// the session it asks for, the shortcut it binds, presses that reach it, and each way the
// portal can fail it (refused, absent, gone), after which the window must not hide on focus loss.
#include "platform/wayland/PortalHotKey.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace quorrel;

// Outside any unnamed namespace: QtDBus finds the stand-in's slot types by their names.
struct PortalTestShortcut {
    QString id;
    QVariantMap properties;
};
QDBusArgument& operator<<(QDBusArgument& a, const PortalTestShortcut& s) {
    a.beginStructure();
    a << s.id << s.properties;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, PortalTestShortcut& s) {
    a.beginStructure();
    a >> s.id >> s.properties;
    a.endStructure();
    return a;
}

Q_DECLARE_METATYPE(PortalTestShortcut)

namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsIface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The desktop's portal as the tests need it: it answers on the request object named by the
// caller's handle_token, before the call returns (as a quick portal may), and keeps what it was
// asked.
class StandInPortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
  public:
    explicit StandInPortal(QDBusConnection bus) : bus_(bus) {}
    uint bindResponse = 0;
    bool listOnCreate = false; // as KDE Plasma 5.27: binds what comes with the session
    QString session;
    QList<PortalTestShortcut> created, bound;
    int binds = 0;

  public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options) {
        created = Decode(options.value(QStringLiteral("shortcuts")));
        session =
            QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                .arg(Sender(), options.value(QStringLiteral("session_handle_token")).toString());
        QVariantMap results{{QStringLiteral("session_handle"), session}};
        if (listOnCreate) results.insert(QStringLiteral("shortcuts"), Encode(created));
        return Answer(options, 0, results);
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& handle,
                                  const QList<PortalTestShortcut>& shortcuts, const QString&,
                                  const QVariantMap& options) {
        ++binds;
        if (handle.path() != session) return Answer(options, 2, {});
        bound = shortcuts;
        return Answer(options, bindResponse, {{QStringLiteral("shortcuts"), Encode(bound)}});
    }

  public:
    void Activate(const QString& sessionPath, const QString& id) {
        QDBusMessage s =
            QDBusMessage::createSignal(kPortalPath, kShortcutsIface, QStringLiteral("Activated"));
        s << QVariant::fromValue(QDBusObjectPath(sessionPath)) << id << qulonglong(1)
          << QVariantMap();
        bus_.send(s);
    }
    void CloseSession() {
        bus_.send(QDBusMessage::createSignal(
            session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Closed")));
    }

  private:
    QString Sender() const {
        return message().service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    }
    QDBusObjectPath Answer(const QVariantMap& options, uint response, const QVariantMap& results) {
        const QString request =
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                .arg(Sender(), options.value(QStringLiteral("handle_token")).toString());
        QDBusMessage s = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        s << response << results;
        bus_.send(s);
        return QDBusObjectPath(request);
    }
    static QList<PortalTestShortcut> Decode(const QVariant& v) {
        QList<PortalTestShortcut> list;
        if (v.userType() == qMetaTypeId<QDBusArgument>()) v.value<QDBusArgument>() >> list;
        return list;
    }
    static QVariant Encode(const QList<PortalTestShortcut>& list) {
        QDBusArgument a;
        a << list;
        return QVariant::fromValue(a);
    }
    QDBusConnection bus_;
};

// A session bus of the test's own, which starts no services, and two programs on it: Quorrel
// and the portal.
class PortalHotKeyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qDBusRegisterMetaType<PortalTestShortcut>();
        qDBusRegisterMetaType<QList<PortalTestShortcut>>();
        ASSERT_TRUE(dir.isValid());
        QFile conf(dir.filePath(QStringLiteral("bus.conf")));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("<busconfig><type>session</type><listen>unix:dir=" + dir.path().toUtf8() +
                   "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                   "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                   "<allow own=\"*\"/></policy></busconfig>");
        conf.close();
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--config-file=") + conf.fileName(),
                      QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!daemon.waitForStarted(10000)) GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_TRUE(QTest::qWaitFor([&] { return daemon.canReadLine(); }, 10000))
            << "dbus-daemon gave no address";
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        ourBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("quorrel")));
        portalBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("portal")));
        ASSERT_TRUE(ourBus->isConnected() && portalBus->isConnected());
        portal = std::make_unique<StandInPortal>(*portalBus);
    }
    void TearDown() override {
        hotKey.reset();
        portal.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("quorrel"));
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        daemon.terminate();
        daemon.waitForFinished(5000);
    }
    void OfferPortal() {
        ASSERT_TRUE(
            portalBus->registerObject(kPortalPath, portal.get(), QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(portalBus->registerService(kPortal));
    }
    void Start() {
        hotKey = std::make_unique<PortalHotKey>(*ourBus);
        presses = std::make_unique<QSignalSpy>(hotKey.get(), &HotKey::Pressed);
    }
    bool Settled() {
        return QTest::qWaitFor([&] { return !hotKey->Asking(); }, 10000);
    }

    QTemporaryDir dir;
    QProcess daemon;
    std::unique_ptr<QDBusConnection> ourBus, portalBus;
    std::unique_ptr<StandInPortal> portal;
    std::unique_ptr<PortalHotKey> hotKey;
    std::unique_ptr<QSignalSpy> presses;
};

TEST_F(PortalHotKeyTest, BindsSuperAltInItsSessionAndEachActivationOfItIsOnePress) {
    OfferPortal();
    Start();
    EXPECT_FALSE(hotKey->IsLive()) << "live before the desktop bound anything";
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(hotKey->IsLive());
    ASSERT_EQ(portal->binds, 1);
    ASSERT_EQ(portal->bound.size(), 1);
    EXPECT_EQ(portal->bound[0].id, QStringLiteral("toggle"));
    EXPECT_EQ(portal->bound[0].properties.value(QStringLiteral("preferred_trigger")).toString(),
              QStringLiteral("LOGO+Alt_L"));
    EXPECT_FALSE(
        portal->bound[0].properties.value(QStringLiteral("description")).toString().isEmpty());

    // Another session's or another shortcut's activation is not ours; signals arrive in order, so
    // once the last one (ours) is in, the others were seen and passed over.
    portal->Activate(portal->session + QStringLiteral("x"), QStringLiteral("toggle"));
    portal->Activate(portal->session, QStringLiteral("other"));
    portal->Activate(portal->session, QStringLiteral("toggle"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses->size() >= 1; }, 10000));
    portal->Activate(portal->session, QStringLiteral("toggle"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses->size() >= 2; }, 10000));
    EXPECT_EQ(presses->size(), 2);

    // The desktop ends the session: nothing brings the window back any more.
    portal->CloseSession();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hotKey->IsLive(); }, 10000));
}

TEST_F(PortalHotKeyTest, APortalThatBindsWithTheSessionIsNotAskedAgain) {
    portal->listOnCreate = true;
    OfferPortal();
    Start();
    ASSERT_TRUE(Settled());
    EXPECT_TRUE(hotKey->IsLive());
    EXPECT_EQ(portal->binds, 0) << "BindShortcuts would open System Settings on KDE Plasma 5.27";
    ASSERT_EQ(portal->created.size(), 1);
    EXPECT_EQ(portal->created[0].id, QStringLiteral("toggle"));
    portal->Activate(portal->session, QStringLiteral("toggle"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return presses->size() == 1; }, 10000));
}

TEST_F(PortalHotKeyTest, NoHotKeyWhenThePortalRefusesIsAbsentOrEnds) {
    portal->bindResponse = 2;
    OfferPortal();
    Start();
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(hotKey->IsLive()) << "live though the desktop refused the shortcut";

    // No portal on the bus (sway, GNOME before 48 answer alike: no such interface).
    portalBus->unregisterService(kPortal);
    Start();
    ASSERT_TRUE(Settled()) << "still asking a portal that is not there";
    EXPECT_FALSE(hotKey->IsLive());

    // A portal that ends takes the shortcut with it.
    portal->bindResponse = 0;
    ASSERT_TRUE(portalBus->registerService(kPortal));
    Start();
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(hotKey->IsLive());
    portalBus->unregisterService(kPortal);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !hotKey->IsLive(); }, 10000));

    // The desktop's portal starts again: the shortcut is asked for anew, and works.
    ASSERT_TRUE(portalBus->registerService(kPortal));
    ASSERT_TRUE(QTest::qWaitFor([&] { return hotKey->IsLive(); }, 10000));
    portal->Activate(portal->session, QStringLiteral("toggle"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return presses->size() == 1; }, 10000));
}

} // namespace

#include "PortalHotKeyTest.moc"
