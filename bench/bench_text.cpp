// Text mode speed: Add to Collector in a collector that already holds 32,766 clips, the whole
// command (clip written, settings and indexes updated, Data re-read, list refilled).
#include "support/Fakes.h"

#include "text/frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <string>

using namespace quorrel;
using namespace quorrel::test;

static void BM_AddToCollectorWith32766Clips(benchmark::State& st) {
    World w;
    std::vector<std::string> clips;
    for (int i = 1; i <= 32766; ++i)
        clips.push_back("clip number " + std::to_string(i));
    w.MakeCollector("Work", clips);
    const std::string numb = w.Read("Clips/Data/Work/Numb");
    const std::string data = w.Read("Clips/Data/Work/Data");
    w.app->Main();
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    main->Ctl<QLineEdit>("Text1")->setText("a new clip for the benchmark");
    for (auto _ : st) {
        main->cmdAdd_Click();
        st.PauseTiming();
        if (!w.messages.shown.isEmpty()) st.SkipWithError("Add reported an error");
        w.Write("Clips/Data/Work/Settings.ini", "[Collector]\r\nClipNumber=32766\r\n");
        w.Write("Clips/Data/Work/Numb", numb);
        w.Write("Clips/Data/Work/Data", data);
        st.ResumeTiming();
    }
}
BENCHMARK(BM_AddToCollectorWith32766Clips)->Unit(benchmark::kMillisecond)->Iterations(30);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
