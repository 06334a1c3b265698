// Speed of the clip preview and of the collector dialogs on a full collector: 32,767 clips and
// 15 full-HD pictures. Runs over quiet stand-ins for the platform on an offscreen display.
#include "app/App.h"
#include "collectors/CollectorSteps.h"
#include "collectors/frmOpen.h"
#include "core/TextFile.h"
#include "support/Fakes.h"
#include "text/frmClipPrev.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace quorrel;
namespace fs = std::filesystem;

namespace {

constexpr int kClips = 32767;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A collector as the program leaves it after 32,767 clips and 15 pictures.
void MakeFullCollector(const std::string& folder, int pictureShade) {
    fs::create_directories(folder + "/Pix");
    std::string numb, data;
    for (int i = 1; i <= kClips; ++i) {
        const std::string n = std::to_string(i);
        WriteFile(folder + "/" + n, "clip number " + n + " with a line of some length\r\n");
        numb += n + "\r\n";
        data += n + ") clip number " + n + " with a line of some length\r\n";
    }
    WriteFile(folder + "/Numb", numb);
    WriteFile(folder + "/Data", data);
    WriteFile(folder + "/Settings.ini", "[Collector]\r\nClipNumber=32767\r\n");
    WriteFile(folder + "/Pix/Settings.ini", "[Pix]\r\nPicNum=15\r\n");
    for (int n = 1; n <= 15; ++n) {
        QImage img(1920, 1080, QImage::Format_RGB32);
        img.fill(QColor(pictureShade, n * 16, 255 - n * 16));
        QPainter(&img).drawText(100, 100, QString::number(n));
        img.save(QString::fromStdString(folder + "/Pix/" + std::to_string(n) + ".jpg"), "BMP");
    }
}

// One world of the program over a store with two full collectors, A (open) and B.
struct Bench {
    test::World world;
    std::string docs = world.docs;
    std::unique_ptr<App>& app = world.app;

    Bench() {
        const std::string data = docs + "/Clips/Data";
        MakeFullCollector(data + "/A", 40);
        MakeFullCollector(data + "/B", 200);
        WriteFile(data + "/Settings.ini",
                  "[Collector]\r\nLabel=A\r\nOpen=" + data + "/A/\r\nSkip=A\r\n");
        app->Main();
    }
};

Bench& World() {
    static Bench b;
    return b;
}

void Settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_ClipPreviewLoad(benchmark::State& state) {
    Bench& b = World();
    for (auto _ : state) {
        b.app->Form(FormId::frmClipPrev);
        state.PauseTiming();
        b.app->Unload(FormId::frmClipPrev);
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ClipPreviewLoad)->Unit(benchmark::kMillisecond);

void BM_ClipPreviewStep(benchmark::State& state) {
    Bench& b = World();
    auto* p = b.app->Get<frmClipPrev>(FormId::frmClipPrev);
    const bool next = state.range(0) != 0;
    for (auto _ : state) {
        if (next)
            p->cmdNext_Click();
        else
            p->cmdBack_Click();
    }
    b.app->Unload(FormId::frmClipPrev);
    Settle();
}
BENCHMARK(BM_ClipPreviewStep)->Arg(1)->Arg(0)->ArgName("next")->Unit(benchmark::kMicrosecond);

// Open alternates between the two collectors, so every picture is read afresh.
void BM_OpenFullCollector(benchmark::State& state) {
    Bench& b = World();
    bool toB = true;
    for (auto _ : state) {
        auto* d = b.app->Get<frmOpen>(FormId::frmOpen);
        d->ui.Combo1->setEditText(toB ? "B" : "A");
        d->cmdOk_Click();
        toB = !toB;
        state.PauseTiming();
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenFullCollector)->Unit(benchmark::kMillisecond);

// Save As of a whole collector; QUORREL_SAVEAS_SOURCE names another folder to copy (the
// side-by-side script passes the one it also copies with cp -a).
void BM_SaveAs(benchmark::State& state) {
    const char* env = std::getenv("QUORREL_SAVEAS_SOURCE");
    std::string docs, source;
    if (env) {
        char tmpl[] = "/tmp/quorrel-bench-XXXXXX";
        docs = ::mkdtemp(tmpl);
        fs::create_directories(docs + "/Clips/Data");
        source = env;
    } else {
        docs = World().docs;
        source = docs + "/Clips/Data/A";
    }
    int n = 0;
    for (auto _ : state) {
        const std::string name = "Copy" + std::to_string(++n);
        CopyCollector(docs, source, name);
        state.PauseTiming();
        DeleteFolder(docs + "/Clips/Data/" + name);
        state.ResumeTiming();
    }
    if (env) fs::remove_all(docs);
}
BENCHMARK(BM_SaveAs)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
