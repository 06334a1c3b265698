// What being the session's one copy adds to a start: on the session bus, a connection of its own
// (an upper bound: Qt may share one it opened anyway), taking the name and giving it back; with
// no bus, the lock and the socket in the runtime folder. Run it on a bus of its own:
//   dbus-run-session -- build/bench/bench_session
#include "platform/session/DBusSession.h"
#include "platform/session/LocalSession.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace quorrel;

static void FirstStartOnTheSessionBus(benchmark::State& state) {
    int n = 0;
    for (auto _ : state) {
        const QString name = QStringLiteral("bench%1").arg(++n);
        {
            QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
            if (!bus.isConnected()) {
                state.SkipWithError("no session bus");
                break;
            }
            DBusSession session(bus);
            if (!session.Claim(SessionRequest::Show)) state.SkipWithError("the name is taken");
        }
        QDBusConnection::disconnectFromBus(name);
    }
}
BENCHMARK(FirstStartOnTheSessionBus)->Unit(benchmark::kMillisecond);

static void FirstStartWithoutABus(benchmark::State& state) {
    QTemporaryDir dir;
    for (auto _ : state) {
        LocalSession session(dir.path());
        if (!session.Claim(SessionRequest::Show)) state.SkipWithError("the lock is taken");
    }
}
BENCHMARK(FirstStartWithoutABus)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
