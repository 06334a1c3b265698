// Graphics mode over full-HD pictures: loading the 15 slots, Add To Collector with its refresh,
// and what 15 loaded pictures cost in resident memory. Each waits until the work it started off
// the window thread is done. The 8K figures and the window's stalls: bench/pictures_real.sh.
#include "app/App.h"
#include "pictures/frmPix.h"
#include "support/Fakes.h"
#include "ui/ImageBox.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <memory>
#include <string>

using namespace quorrel;

namespace {

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Until the window has the pictures (they are decoded, encoded and written off its thread).
void Settle(frmPix* pix) {
    while (!pix->Idle())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// A picture with some detail, so that nothing compresses or scales trivially.
QImage FullHd(int seed) {
    QImage picture(1920, 1080, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            line[x] = qRgb((x + seed) & 0xff, (y * 3 + seed) & 0xff, (x ^ y) & 0xff);
    }
    return picture;
}

// A program over the test fakes with collector "Work" open, holding `pictures` pictures.
struct World {
    explicit World(int pictures) {
        world.MakeCollector("Work");
        QDir().mkpath(QString::fromStdString(collector + "/Pix"));
        SetPicNum(pictures);
        for (int n = 1; n <= pictures; ++n)
            FullHd(n).save(QString::fromStdString(collector + "/Pix/" + std::to_string(n) + ".jpg"),
                           "BMP");
        world.app->Main();
        pix = world.app->Get<frmPix>(FormId::frmPix);
        Settle(pix);
    }
    void SetPicNum(int n) {
        Write(collector + "/Pix/Settings.ini",
              "[Collector]\r\nPicNum=" + std::to_string(n) + "\r\n");
    }
    test::World world;
    std::string collector = world.docs + "/Clips/Data/Work";
    test::FakeClipboard& clipboard = world.clipboard;
    frmPix* pix = nullptr;
};

long VmRssBytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb * 1024;
        }
        status.ignore(1 << 20, '\n');
    }
    return -1;
}

// Marks the stored pictures as changed, so that the next refresh decodes all of them again.
void Touch(const World& w) {
    for (int n = 1; n <= 15; ++n)
        std::filesystem::last_write_time(w.collector + "/Pix/" + std::to_string(n) + ".jpg",
                                         std::filesystem::file_time_type::clock::now());
}

// Resident memory that 15 loaded pictures add, against the pictures' own pixels.
void BM_SlotsResidentMemory(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<World>(15);
        w->pix->HidePictureSlots();
        for (int n = 1; n <= 15; ++n)
            w->pix->Slot(n)->SetPicture({});
        Touch(*w);
        ::malloc_trim(0);
        const long before = VmRssBytes();
        state.ResumeTiming();
        w->pix->RefreshPictureSlots();
        Settle(w->pix);
        state.PauseTiming();
        const long after = VmRssBytes();
        const double pixels = 15.0 * 1920 * 1080 * 4; // what whole pictures would take
        state.counters["rss_added_MB"] = (after - before) / 1e6;
        state.counters["pixels_MB"] = pixels / 1e6;
        state.counters["ratio"] = (after - before) / pixels;
        if (w->pix->Slot(15)->isHidden()) state.SkipWithError("slot 15 not shown");
        w.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SlotsResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// Every file new to the window: 15 full-HD bitmaps decoded.
void BM_RefreshPictureSlots(benchmark::State& state) {
    World w(15);
    for (auto _ : state) {
        state.PauseTiming();
        Touch(w);
        state.ResumeTiming();
        w.pix->RefreshPictureSlots();
        Settle(w.pix);
    }
    if (w.pix->Slot(15)->isHidden()) state.SkipWithError("slot 15 not shown");
}
BENCHMARK(BM_RefreshPictureSlots)->Unit(benchmark::kMillisecond);

// The same files again, nothing changed on disk (a mode switch).
void BM_RefreshUnchangedSlots(benchmark::State& state) {
    World w(15);
    for (auto _ : state)
        w.pix->RefreshPictureSlots();
}
BENCHMARK(BM_RefreshUnchangedSlots)->Unit(benchmark::kMillisecond);

// Add To Collector of a full-HD picture, with the refresh that follows: into a collector that
// holds `range(0)` pictures already.
void BM_AddToCollector(benchmark::State& state) {
    const int held = static_cast<int>(state.range(0));
    World w(held);
    w.clipboard.SetData(FullHd(99));
    for (auto _ : state) {
        state.PauseTiming();
        w.SetPicNum(held);
        state.ResumeTiming();
        w.pix->cmdSave_Click();
        Settle(w.pix);
    }
    if (!w.world.messages.shown.isEmpty())
        state.SkipWithError(w.world.messages.shown.front().toStdString().c_str());
}
BENCHMARK(BM_AddToCollector)->Arg(0)->Arg(14)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
