#include "DBusSession.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace quorrel {

namespace {
const QString kName = QStringLiteral("io.github.quorrel");
const QString kPath = QStringLiteral("/io/github/quorrel");
// A copy in the middle of its own start (or of a long command) answers when it gets to it.
constexpr int kAnswerWait = 10000;
} // namespace

DBusSession::~DBusSession() {
    if (owner_) bus_.unregisterService(kName);
}

bool DBusSession::Claim(SessionRequest request) {
    // The object is there before the name, so that a call right after the name is taken finds it.
    if (!bus_.registerObject(kPath, this, QDBusConnection::ExportAllSlots)) return true;
    // The bus gives the name to one process only: of two starts at the same moment, one wins.
    // If the owner ends between its refusal and our call, the name is free to take again.
    for (int round = 0; round < 3; ++round) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> own =
            bus_.interface()->registerService(kName, QDBusConnectionInterface::DontQueueService,
                                              QDBusConnectionInterface::DontAllowReplacement);
        if (!own.isValid()) break;
        if (own.value() == QDBusConnectionInterface::ServiceRegistered) return owner_ = true;
        const QDBusMessage answer =
            bus_.call(QDBusMessage::createMethodCall(kName, kPath, kName,
                                                     request == SessionRequest::Toggle
                                                         ? QStringLiteral("Toggle")
                                                         : QStringLiteral("Show")),
                      QDBus::Block, kAnswerWait);
        if (answer.type() == QDBusMessage::ReplyMessage) return false;
        const QString error = answer.errorName();
        if (error != QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") &&
            error != QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
            // A copy runs but is busy past the wait: it has the request queued; do not start
            // a second one beside it.
            qWarning("Quorrel: the running copy did not answer: %s",
                     qPrintable(answer.errorMessage()));
            return false;
        }
    }
    bus_.unregisterObject(kPath);
    return true;
}

} // namespace quorrel
