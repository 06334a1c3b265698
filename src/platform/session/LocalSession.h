#pragma once
#include "platform/Session.h"

#include <QString>

namespace quorrel {

// Without a session bus: the copy that holds the lock on quorrel.lock in the runtime folder
// listens on quorrel.socket beside it; a second start writes its request there ("show" or
// "toggle", one line) and waits for "ok". Plain Unix sockets: Qt's local sockets would bring
// its network library and a dozen more into every start.
class LocalSession : public Session {
    Q_OBJECT
  public:
    explicit LocalSession(const QString& folder);
    ~LocalSession() override;
    bool Claim(SessionRequest request) override;

  private:
    bool Listen();
    void Accept();
    bool Send(SessionRequest request) const;
    QString lockPath_, socketPath_;
    int lockFd_ = -1;
    int listenFd_ = -1;
};

} // namespace quorrel
