#pragma once
// The hot key on Wayland desktops whose portal offers global shortcuts (KDE Plasma 5.27, GNOME 48
// and later): Xwayland sees no key while a native window has the focus, so the press comes from
// the desktop through org.freedesktop.portal.GlobalShortcuts. Left Super + Alt is proposed; the
// desktop may let the user choose another. Live once the desktop has bound it, and no longer
// once the desktop closes the session or its portal goes away.
#include "platform/HotKey.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QString>
#include <QVariantMap>

namespace quorrel {

class PortalHotKey : public HotKey {
    Q_OBJECT
  public:
    // Asks the portal on BUS for the shortcut; the answer comes later, through signals.
    explicit PortalHotKey(QDBusConnection bus);
    bool IsLive() const override { return live_; }
    // The portal has not answered yet: the shortcut may still become live.
    bool Asking() const { return asking_; }

  private slots:
    void SessionCreated(uint response, const QVariantMap& results);
    void Bound(uint response, const QVariantMap& results);
    void Activated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                   const QVariantMap& options);
    void SessionClosed();

  private:
    // Calls the portal's METHOD with ARGS, the options last, under a fresh handle_token, and
    // hands the answer, which comes as a Response signal of a request object, to SLOT.
    void Request(const QString& method, QList<QVariant> args, const char* slot);
    void Listen(const QString& request, const char* slot, bool on);
    void GiveUp(const QString& why);
    void Ask(); // a shortcut session with the toggle in it

    QDBusConnection bus_;
    QString session_;
    QString request_; // the request object whose answer is awaited
    const char* slot_ = nullptr;
    int serial_ = 0;
    bool live_ = false;
    bool asking_ = true;
    bool portalEnded_ = false; // a portal that starts again is asked again
};

} // namespace quorrel
