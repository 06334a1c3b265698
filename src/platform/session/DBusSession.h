#pragma once
#include "platform/Session.h"

#include <QDBusConnection>

namespace quorrel {

// The running copy owns io.github.quorrel on the session bus and answers Show and Toggle on
// /io/github/quorrel (interface io.github.quorrel), so that any program can reach it too
// (gdbus call --session --dest io.github.quorrel --object-path /io/github/quorrel
// --method io.github.quorrel.Toggle).
class DBusSession : public Session {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.quorrel")
  public:
    explicit DBusSession(const QDBusConnection& bus) : bus_(bus) {}
    ~DBusSession() override;
    bool Claim(SessionRequest request) override;

  public slots:
    void Show() { emit Requested(SessionRequest::Show); }
    void Toggle() { emit Requested(SessionRequest::Toggle); }

  private:
    QDBusConnection bus_;
    bool owner_ = false;
};

} // namespace quorrel
