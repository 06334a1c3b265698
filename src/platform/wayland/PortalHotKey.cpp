#include "PortalHotKey.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLoggingCategory>
#include <utility>

Q_LOGGING_CATEGORY(lcPortalHotKey, "quorrel.hotkey.portal", QtWarningMsg)

namespace quorrel {
namespace {

// One shortcut as the portal takes and gives it: (id, properties), D-Bus type (sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& a, const PortalShortcut& s) {
    a.beginStructure();
    a << s.id << s.properties;
    a.endStructure();
    return a;
}

const QDBusArgument& operator>>(const QDBusArgument& a, PortalShortcut& s) {
    a.beginStructure();
    a >> s.id >> s.properties;
    a.endStructure();
    return a;
}

} // namespace
} // namespace quorrel

Q_DECLARE_METATYPE(quorrel::PortalShortcut)

namespace quorrel {
namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kResponse = QStringLiteral("Response");
const QString kToggle = QStringLiteral("toggle");

// A handle as the portal gives it: an object path, or its text from older portals.
QString HandleText(const QVariant& v) {
    if (v.canConvert<QDBusObjectPath>()) return v.value<QDBusObjectPath>().path();
    return v.toString();
}

// The shortcut proposed: left Super + Alt, written as the XDG shortcuts format writes keys
// (modifiers, then one key's name).
QList<PortalShortcut> Shortcuts() {
    return {{kToggle,
             {{QStringLiteral("description"), QStringLiteral("Show or hide Quorrel")},
              {QStringLiteral("preferred_trigger"), QStringLiteral("LOGO+Alt_L")}}}};
}

// What the desktop says it bound for the toggle ("" when it did not list it).
QString BoundTrigger(const QVariantMap& results) {
    const QVariant listed = results.value(QStringLiteral("shortcuts"));
    if (listed.userType() != qMetaTypeId<QDBusArgument>()) return QString();
    QList<PortalShortcut> bound;
    listed.value<QDBusArgument>() >> bound;
    for (const PortalShortcut& s : bound)
        if (s.id == kToggle) {
            const QString trigger =
                s.properties.value(QStringLiteral("trigger_description")).toString();
            return trigger.isEmpty() ? QStringLiteral("(no key yet)") : trigger;
        }
    return QString();
}

} // namespace

PortalHotKey::PortalHotKey(QDBusConnection bus) : bus_(std::move(bus)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    if (!bus_.isConnected()) {
        GiveUp(QStringLiteral("there is no session bus"));
        return;
    }
    // A portal that ends (a crash, the desktop's restart) takes the shortcut with it; the one
    // that starts after it is asked again.
    auto* watcher = new QDBusServiceWatcher(kPortal, bus_,
                                            QDBusServiceWatcher::WatchForUnregistration |
                                                QDBusServiceWatcher::WatchForRegistration,
                                            this);
    connect(watcher, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        portalEnded_ = true;
        GiveUp(QStringLiteral("the desktop portal ended"));
    });
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (!std::exchange(portalEnded_, false)) return;
        asking_ = true;
        Ask();
    });
    Ask();
}

void PortalHotKey::Ask() {
    Request(QStringLiteral("CreateSession"),
            {QVariantMap{{QStringLiteral("session_handle_token"), QStringLiteral("quorrel")},
                         {QStringLiteral("shortcuts"), QVariant::fromValue(Shortcuts())}}},
            SLOT(SessionCreated(uint, QVariantMap)));
}

void PortalHotKey::Listen(const QString& request, const char* slot, bool on) {
    if (on)
        bus_.connect(QString(), request, kRequest, kResponse, this, slot);
    else
        bus_.disconnect(QString(), request, kRequest, kResponse, this, slot);
}

void PortalHotKey::Request(const QString& method, QList<QVariant> args, const char* slot) {
    const QString token = QStringLiteral("quorrel_hotkey%1").arg(++serial_);
    QVariantMap options = args.takeLast().toMap();
    options.insert(QStringLiteral("handle_token"), token);
    args.append(options);
    // The request object the answer comes on is known before the call, so that an answer sent
    // before the call returns is not missed.
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    request_ = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    slot_ = slot;
    Listen(request_, slot_, true);
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kShortcuts, method);
    call.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    const int serial = serial_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, method, serial] {
        watcher->deleteLater();
        if (serial != serial_ || !asking_) return;
        QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            // No shortcut portal on this desktop: `quorrel --toggle`, bound in the desktop's
            // settings, is the way back to the window.
            GiveUp(method + QStringLiteral(": ") + reply.error().message());
            return;
        }
        if (reply.value().path() != request_) {
            // A portal that names its request otherwise: listen there instead.
            Listen(request_, slot_, false);
            request_ = reply.value().path();
            Listen(request_, slot_, true);
        }
    });
}

void PortalHotKey::SessionCreated(uint response, const QVariantMap& results) {
    Listen(request_, slot_, false);
    if (response != 0) {
        GiveUp(QStringLiteral("the desktop gave no shortcut session (%1)").arg(response));
        return;
    }
    session_ = HandleText(results.value(QStringLiteral("session_handle")));
    if (session_.isEmpty()) {
        GiveUp(QStringLiteral("the desktop named no shortcut session"));
        return;
    }
    bus_.connect(QString(), kPortalPath, kShortcuts, QStringLiteral("Activated"), this,
                 SLOT(Activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
    bus_.connect(QString(), session_, QStringLiteral("org.freedesktop.portal.Session"),
                 QStringLiteral("Closed"), this, SLOT(SessionClosed()));
    // KDE Plasma 5.27 binds the shortcuts given with the session and lists them; its
    // BindShortcuts only opens System Settings, which a start of the program must not do.
    if (!BoundTrigger(results).isEmpty()) {
        Bound(0, results);
        return;
    }
    Request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(Shortcuts()),
             QString(), QVariantMap()},
            SLOT(Bound(uint, QVariantMap)));
}

void PortalHotKey::Bound(uint response, const QVariantMap& results) {
    Listen(request_, slot_, false);
    if (response != 0) {
        GiveUp(QStringLiteral("the desktop did not bind the shortcut (%1)").arg(response));
        return;
    }
    asking_ = false;
    live_ = true;
    qCInfo(lcPortalHotKey) << "the desktop bound the shortcut" << BoundTrigger(results);
}

void PortalHotKey::Activated(const QDBusObjectPath& session, const QString& id, qulonglong,
                             const QVariantMap&) {
    if (live_ && session.path() == session_ && id == kToggle) emit Pressed();
}

void PortalHotKey::SessionClosed() {
    GiveUp(QStringLiteral("the desktop closed the shortcut session"));
}

void PortalHotKey::GiveUp(const QString& why) {
    if (!request_.isEmpty() && slot_) Listen(request_, slot_, false);
    ++serial_; // answers still to come are ignored
    asking_ = false;
    live_ = false;
    qCInfo(lcPortalHotKey) << "no hot key from the desktop:" << why;
}

} // namespace quorrel
