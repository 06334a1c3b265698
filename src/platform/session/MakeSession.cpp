#include "DBusSession.h"
#include "LocalSession.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace quorrel {

namespace {

// Without an address, libdbus looks for the user bus in the runtime folder and otherwise starts
// a bus of its own (dbus-launch), which outlives the program: only an address or that socket
// counts as a bus.
bool BusNamed() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

} // namespace

std::unique_ptr<Session> MakeSession() {
    if (BusNamed()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) return std::make_unique<DBusSession>(bus);
    }
    return std::make_unique<LocalSession>(
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation));
}

} // namespace quorrel
