#include "LocalSession.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorrel {

namespace {
// How long a start waits for the lock's owner to listen, or to answer.
constexpr int kConnectWait = 5000;
constexpr int kAnswerWait = 10000;
} // namespace

LocalSession::LocalSession(const QString& folder)
    : lockPath_(folder + QStringLiteral("/quorrel.lock")),
      socketPath_(folder + QStringLiteral("/quorrel.socket")) {}

LocalSession::~LocalSession() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool LocalSession::Claim(SessionRequest request) {
    lockFd_ = ::open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) return true; // no runtime folder to meet in
    const QDeadlineTimer deadline(kConnectWait);
    // The lock's owner listens right after taking it: a start that lost the lock finds its
    // socket at once, or soon; if the owner ended meanwhile, the lock is free again.
    while (true) {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return Listen();
        if (Send(request)) return false;
        if (deadline.hasExpired()) {
            qWarning("Quorrel: another copy holds %s but does not answer", qPrintable(lockPath_));
            return false;
        }
        QThread::msleep(10);
    }
}

bool LocalSession::Listen() {
    // A socket file left by a copy that crashed is ours to replace: we hold the lock.
    QLocalServer::removeServer(socketPath_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath_)) {
        qWarning("Quorrel: cannot listen on %s: %s", qPrintable(socketPath_),
                 qPrintable(server_->errorString()));
        return true;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (!s->canReadLine()) return;
                const QByteArray line = s->readLine().trimmed();
                s->write("ok\n");
                s->flush();
                if (line == "toggle")
                    emit Requested(SessionRequest::Toggle);
                else if (line == "show")
                    emit Requested(SessionRequest::Show);
            });
        }
    });
    return true;
}

bool LocalSession::Send(SessionRequest request) const {
    QLocalSocket s;
    s.connectToServer(socketPath_);
    if (!s.waitForConnected(kConnectWait)) return false;
    s.write(request == SessionRequest::Toggle ? "toggle\n" : "show\n");
    if (!s.waitForBytesWritten(kConnectWait)) return false;
    // The answer comes when the running copy has taken the request in.
    while (!s.canReadLine())
        if (!s.waitForReadyRead(kAnswerWait)) return false;
    return s.readLine().trimmed() == "ok";
}

} // namespace quorrel
