// Clipboard latency on the real X11 clipboard: from another program's copy (xclip, its start
// included) to Text1 showing the text. Needs a display: bench/startup.sh starts one.
#include "app/App.h"
#include "platform/Platform.h"
#include "text/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>

using namespace quorrel;

static void BM_OtherProgramsCopyToText1(benchmark::State& st) {
    QTemporaryDir dir;
    const std::string docs = dir.path().toStdString();
    std::filesystem::create_directories(docs + "/Clips/Data/Work");
    std::ofstream(docs + "/Clips/Data/Settings.ini") << "[Collector]\r\nLabel=Work\r\n";
    std::ofstream(docs + "/Clips/Data/Work/Settings.ini") << "[Collector]\r\nClipNumber=0\r\n";
    auto platform = MakeRealPlatform();
    PlatformServices s = platform->Services();
    s.specialFolderPath = [docs](int) { return docs; };
    App app(s);
    app.Main();
    auto* text1 = app.Get<frmMain>(FormId::frmMain)->ui.Text1;
    int n = 0;
    for (auto _ : st) {
        const QString text = QStringLiteral("copied text %1").arg(++n);
        QEventLoop loop;
        QObject::connect(text1, &QLineEdit::textChanged, &loop, [&](const QString& t) {
            if (t == text) loop.quit();
        });
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        QElapsedTimer t;
        t.start();
        QProcess xclip;
        xclip.setStandardOutputFile(QProcess::nullDevice());
        xclip.setStandardErrorFile(QProcess::nullDevice());
        xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-i"});
        xclip.write(text.toUtf8());
        xclip.closeWriteChannel();
        loop.exec();
        st.SetIterationTime(t.nsecsElapsed() / 1e9);
        if (text1->text() != text) st.SkipWithError("the copy never reached Text1");
        xclip.waitForFinished(1000);
    }
}
BENCHMARK(BM_OtherProgramsCopyToText1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
