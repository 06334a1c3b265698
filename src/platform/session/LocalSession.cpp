#include "LocalSession.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorrel {

namespace {
// How long a start waits for the lock's owner to listen, or to answer.
constexpr int kConnectWait = 5000;
constexpr int kAnswerWait = 10000;
// A request is one short word: a longer line is no request.
constexpr qsizetype kLongestLine = 64;

// The socket's address, or false where the path does not fit one.
bool AddressOf(const QString& path, sockaddr_un& address) {
    const QByteArray bytes = QFile::encodeName(path);
    address = {};
    address.sun_family = AF_UNIX;
    if (size_t(bytes.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()) + 1);
    return true;
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

} // namespace

LocalSession::LocalSession(const QString& folder)
    : lockPath_(folder + QStringLiteral("/quorrel.lock")),
      socketPath_(folder + QStringLiteral("/quorrel.socket")) {}

LocalSession::~LocalSession() {
    if (listenFd_ >= 0) {
        ::close(listenFd_);
        ::unlink(QFile::encodeName(socketPath_).constData());
    }
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
    sockaddr_un address;
    if (!AddressOf(socketPath_, address)) {
        qWarning("Quorrel: the path %s is too long for a socket", qPrintable(socketPath_));
        return true;
    }
    // A socket file left by a copy that crashed is ours to replace: we hold the lock.
    ::unlink(address.sun_path);
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // Only this user may connect: the mode is set before anyone can (listen comes after).
    if (listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(address.sun_path, 0600) != 0 || ::listen(listenFd_, 8) != 0) {
        qWarning("Quorrel: cannot listen on %s: %s", qPrintable(socketPath_), std::strerror(errno));
        if (listenFd_ >= 0) ::close(listenFd_);
        listenFd_ = -1;
        return true;
    }
    auto* notifier = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &LocalSession::Accept);
    return true;
}

void LocalSession::Accept() {
    int fd;
    while ((fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        auto line = std::make_shared<QByteArray>();
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier, fd, line] {
            char bytes[kLongestLine];
            const ssize_t got = ::recv(fd, bytes, sizeof bytes, 0);
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
            if (got > 0) line->append(bytes, got);
            const qsizetype end = line->indexOf('\n');
            if (got > 0 && end < 0 && line->size() < kLongestLine) return; // more to come
            // A whole line, an end or a failure: this connection is done.
            notifier->setEnabled(false);
            notifier->deleteLater();
            if (end >= 0) ::send(fd, "ok\n", 3, MSG_NOSIGNAL);
            ::close(fd);
            if (end < 0) return;
            const QByteArray word = line->left(end).trimmed();
            if (word == "toggle")
                emit Requested(SessionRequest::Toggle);
            else if (word == "show")
                emit Requested(SessionRequest::Show);
        });
    }
}

bool LocalSession::Send(SessionRequest request) const {
    sockaddr_un address;
    if (!AddressOf(socketPath_, address)) return false;
    const Fd s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (s.get() < 0 ||
        ::connect(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return false; // not listening yet, or gone
    const char* line = request == SessionRequest::Toggle ? "toggle\n" : "show\n";
    const ssize_t length = ssize_t(std::strlen(line));
    if (::send(s.get(), line, size_t(length), MSG_NOSIGNAL) != length) return false;
    // The answer comes when the running copy has taken the request in.
    QByteArray answer;
    const QDeadlineTimer deadline(kAnswerWait);
    while (!answer.contains('\n')) {
        pollfd p{s.get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        char bytes[16];
        const ssize_t got = ::recv(s.get(), bytes, sizeof bytes, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        answer.append(bytes, got);
    }
    return answer.left(answer.indexOf('\n')).trimmed() == "ok";
}

} // namespace quorrel
