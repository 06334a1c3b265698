// Text mode speed: Add to Collector in a collector that already holds 32,766 clips, the whole
// command (the checks that no stored clip is overwritten, clip written, settings and indexes
// updated, Data re-read, list refilled); and what the start's recovery adds with 32,767 clips.
#include "support/Fakes.h"

#include "core/Store.h"
#include "text/frmMain.h"

#include <QApplication>
#include <QLineEdit>
#include <benchmark/benchmark.h>
#include <cstdio>
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
    main->ui.Text1->setText("a new clip for the benchmark");
    for (auto _ : st) {
        main->cmdAdd_Click();
        st.PauseTiming();
        if (!w.messages.shown.isEmpty()) st.SkipWithError("Add reported an error");
        w.Write("Clips/Data/Work/Settings.ini", "[Collector]\r\nClipNumber=32766\r\n");
        w.Write("Clips/Data/Work/Numb", numb);
        w.Write("Clips/Data/Work/Data", data);
        // A clip file listed nowhere would be looked up in the whole indexes (a crash's case).
        std::remove(w.Path("Clips/Data/Work/32767").c_str());
        st.ResumeTiming();
    }
}
BENCHMARK(BM_AddToCollectorWith32766Clips)->Unit(benchmark::kMillisecond)->Iterations(30);

// The recovery every start (and Open) runs on a collector that needs none: temporary folders
// looked for, the ends of Numb and Data read, ClipNumber's clip found listed.
static void BM_StartupRecoveryWith32767Clips(benchmark::State& st) {
    World w;
    std::vector<std::string> clips;
    for (int i = 1; i <= 32767; ++i)
        clips.push_back("clip number " + std::to_string(i));
    w.MakeCollector("Work", clips);
    const std::string collector = w.Path("Clips/Data/Work");
    for (auto _ : st) {
        RecoverCollectorsFolder(w.docs);
        RecoverCollector(collector);
    }
}
BENCHMARK(BM_StartupRecoveryWith32767Clips)->Unit(benchmark::kMillisecond);

// The same when a crash cut the last Add short: a part line at the end of Data and Numb's line
// missing, both repaired.
static void BM_StartupRepairWith32767Clips(benchmark::State& st) {
    World w;
    std::vector<std::string> clips;
    for (int i = 1; i <= 32767; ++i)
        clips.push_back("clip number " + std::to_string(i));
    w.MakeCollector("Work", clips);
    const std::string numb = w.Read("Clips/Data/Work/Numb");
    const std::string data = w.Read("Clips/Data/Work/Data");
    const std::string cutNumb = numb.substr(0, numb.size() - 7);  // "32767\r\n"
    const std::string cutData = data.substr(0, data.size() - 10); // a part of the last entry
    const std::string collector = w.Path("Clips/Data/Work");
    for (auto _ : st) {
        st.PauseTiming();
        w.Write("Clips/Data/Work/Numb", cutNumb);
        w.Write("Clips/Data/Work/Data", cutData);
        st.ResumeTiming();
        RecoverCollector(collector);
        st.PauseTiming();
        if (w.Read("Clips/Data/Work/Data") != data || w.Read("Clips/Data/Work/Numb") != numb)
            st.SkipWithError("not repaired");
        st.ResumeTiming();
    }
}
BENCHMARK(BM_StartupRepairWith32767Clips)->Unit(benchmark::kMillisecond)->Iterations(30);

// The start's store steps whole: Label read and checked, Open rewritten, recovery, Data read.
static void BM_StartStoreStepsWith32767Clips(benchmark::State& st) {
    World w;
    std::vector<std::string> clips;
    for (int i = 1; i <= 32767; ++i)
        clips.push_back("clip number " + std::to_string(i));
    w.MakeCollector("Work", clips);
    for (auto _ : st) {
        AppState state;
        state.DocumentsPath = w.docs;
        if (!OpenCollectorAtStart(state).empty()) st.SkipWithError("start reported a problem");
        benchmark::DoNotOptimize(ReadClipIndex(state.CollectorPath));
    }
}
BENCHMARK(BM_StartStoreStepsWith32767Clips)->Unit(benchmark::kMillisecond)->Iterations(30);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
