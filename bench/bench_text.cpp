// Text mode speed: Add to Collector in a collector that already holds 32,766 clips, the whole
// command (the checks that no stored clip is overwritten, clip written, settings and indexes
// updated, Data re-read, list refilled); what the start's recovery adds with 32,767 clips; and
// finding a clip among them by typing in the clip list's box.
#include "support/Fakes.h"

#include "core/Store.h"
#include "text/ClipFind.h"
#include "text/frmMain.h"
#include "ui/StoreText.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
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

// Finding a clip by typing in the clip list's box among 32,767 clips: one key, from the key press
// to the drop-down on show with what was found. The first key after the list was filled also
// makes the searchable texts; a key that extends the search looks only among what was found.
static std::vector<std::string> FirstLines() {
    static const char* const words[] = {"deploy",   "invoice", "Meeting",  "ssh",   "https://",
                                        "password", "TODO",    "grep -rn", "Lorem", "café"};
    std::vector<std::string> clips;
    for (int i = 1; i <= 32767; ++i)
        clips.push_back(std::string(words[i % 10]) + " clip " + std::to_string(i) +
                        " with a first line as long as most are, about sixty characters\r\n"
                        "and two more lines, which the search reads from the clip's file\r\n"
                        "once the first key is typed: " +
                        words[(i / 10) % 10]);
    return clips;
}

static void FindByKeys(benchmark::State& st, bool refill, const char* keys) {
    World w;
    const std::vector<std::string> clips = FirstLines();
    w.MakeCollector("Work", clips);
    w.app->Main();
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    auto* combo = main->ui.Combo1;
    const QStringList items = FromStore(ReadClipIndex(w.app->State().CollectorPath));
    auto* popup = main->findChild<QCompleter*>(QStringLiteral("ClipFind"))->popup();
    combo->setFocus();
    for (auto _ : st) {
        st.PauseTiming();
        if (refill) {
            main->ResetClipList(QString::fromLatin1(kClipListPrompt));
            main->AddClipItems(items);
        }
        combo->setEditText(QString::fromLatin1(kClipListPrompt));
        QTest::keyClicks(combo, QString::fromLatin1(keys).chopped(1));
        st.ResumeTiming();
        QTest::keyClick(combo, keys[std::strlen(keys) - 1]);
        QCoreApplication::processEvents(); // the drop-down lays out and paints
        st.PauseTiming();
        if (!popup->isVisible() || popup->model()->rowCount() == 0)
            st.SkipWithError("nothing was offered");
        st.ResumeTiming();
    }
    st.counters["found"] = popup->model()->rowCount();
}

// From the first key after the list was filled until the clips' texts are read (off the window
// thread) and searched.
static void BM_ReadClipTextsOf32767Clips(benchmark::State& st) {
    World w;
    w.MakeCollector("Work", FirstLines());
    w.app->Main();
    auto* main = w.app->Get<frmMain>(FormId::frmMain);
    auto* combo = main->ui.Combo1;
    const QStringList items = FromStore(ReadClipIndex(w.app->State().CollectorPath));
    auto* finder = main->findChild<ClipFinder*>();
    combo->setFocus();
    for (auto _ : st) {
        st.PauseTiming();
        main->ResetClipList(QString::fromLatin1(kClipListPrompt));
        main->AddClipItems(items);
        combo->setEditText(QString::fromLatin1(kClipListPrompt));
        QSignalSpy read(finder, &ClipFinder::Refound);
        st.ResumeTiming();
        QTest::keyClick(combo, 'x');
        if (!read.wait(30000)) st.SkipWithError("the texts were never read");
    }
}
BENCHMARK(BM_ReadClipTextsOf32767Clips)->Unit(benchmark::kMillisecond)->Iterations(5);

// "e": the first key, found in most clips (the longest drop-down).
static void BM_FindFirstKeyAmong32767Clips(benchmark::State& st) {
    FindByKeys(st, false, "e");
}
BENCHMARK(BM_FindFirstKeyAmong32767Clips)->Unit(benchmark::kMillisecond)->Iterations(30);

// The same right after the list was filled: the searchable texts are made first.
static void BM_FindFirstKeyAfterTheListWasFilled(benchmark::State& st) {
    FindByKeys(st, true, "e");
}
BENCHMARK(BM_FindFirstKeyAfterTheListWasFilled)->Unit(benchmark::kMillisecond)->Iterations(30);

// The third key of "ssh": among what "ss" found.
static void BM_FindNextKeyAmong32767Clips(benchmark::State& st) {
    FindByKeys(st, false, "ssh");
}
BENCHMARK(BM_FindNextKeyAmong32767Clips)->Unit(benchmark::kMillisecond)->Iterations(30);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
