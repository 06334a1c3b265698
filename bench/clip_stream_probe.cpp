// Reads the clipboard as the program does and reports, once the first copy has been taken or
// given up, how it ended and the peak resident memory of the process. bench/clipboard_stream.sh
// starts it beside an owner that streams a copy without end.
#include "platform/x11/X11Clipboard.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto cb = quorrel::X11Clipboard::Connect();
    if (!cb) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const auto report = [&] {
        if (cb->GetText().isEmpty() && cb->TextProblem().isEmpty()) return;
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        std::printf("text %lld characters, problem \"%s\", peak resident %ld MB\n",
                    static_cast<long long>(cb->GetText().size()),
                    cb->TextProblem().toUtf8().constData(), u.ru_maxrss / 1024);
        app.quit();
    };
    QObject::connect(cb.get(), &quorrel::Clipboard::changed, &app, report);
    QTimer::singleShot(0, &app, report);
    return app.exec();
}
