// The window at the speed of its operations: what a person waits for, from
// the input the event loop receives to the screen brought up to date (the
// view's exposed tiles and the histogram window's picture painted), with the
// main window at 1280 x 900 and the histogram window open, on the benchmark
// photographs (bench/make-pictures.sh). Every row runs on one thread and on
// two (argument threads).
#include "app/Frame.h"
#include "bench/window/WindowRig.h"
#include "core/Parallel.h"
#include "ui/ExceptionGuard.h"

#include <QAction>
#include <QPushButton>
#include <QSlider>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <stdexcept>

namespace {

using namespace pictor;
using pictor::bench::TWindowRig;

std::string BitmapFile(std::int64_t megapixels)
{
    return TWindowRig::PictureFile(megapixels == 2 ? "photo-2mp.bmp" : "photo-24mp.bmp");
}

// Starts a row: its threads (argument threadsArgument), the rig, and the
// picture opened as loaded.
TWindowRig& Prepare(benchmark::State& state, const std::string& file, int threadsArgument)
{
    SetOperationThreads(static_cast<int>(state.range(threadsArgument)));
    TWindowRig& rig = TWindowRig::Instance();
    rig.Open(file);
    return rig;
}

// Times one iteration: its wall-clock time is the benchmark's; the processor
// time of all threads is summed into the counter process_ms. False (and the
// row skipped) when the screen was not brought up to date.
bool Time(benchmark::State& state, TWindowRig& rig, const std::function<void()>& post)
{
    try {
        const TWindowRig::TTimes times = rig.Run(post);
        state.SetIterationTime(times.WallMs / 1000.0);
        state.counters["process_ms"] += times.ProcessMs;
        return true;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return false;
    }
}

// The counters per iteration: processor time, tiles rendered; an error
// message shown fails the row.
void Report(benchmark::State& state, TWindowRig& rig, long long tilesBefore)
{
    state.counters["process_ms"] = benchmark::Counter(state.counters["process_ms"], benchmark::Counter::kAvgIterations);
    state.counters["tiles"] = benchmark::Counter(static_cast<double>(rig.TilesRendered() - tilesBefore),
                                                 benchmark::Counter::kAvgIterations);
    if (rig.Messages() != 0) state.SkipWithError("the window showed an error message");
}

QSlider* ToneSlider(TForm1& form, std::int64_t number)
{
    return number == 2 ? form.TrackBar2 : number == 3 ? form.TrackBar3 : form.TrackBar4;
}

// One step of a tone slider (TrackBar2, 3 or 4: argument slider) by the
// arrow key, from rest (all three sliders at rest) or away from it
// (brightness 130, contrast 120, gamma 10: all three passes run).
void ToneStep(benchmark::State& state)
{
    TWindowRig& rig = Prepare(state, BitmapFile(state.range(0)), 2);
    TForm1& form = rig.Form();
    const bool away = state.range(3) != 0;
    rig.Set(form.TrackBar2, away ? 130 : 100);
    rig.Set(form.TrackBar3, away ? 120 : 100);
    rig.Set(form.TrackBar4, away ? 10 : 0);
    QSlider* slider = ToneSlider(form, state.range(1));
    const int start = slider->value();
    const long long tiles = rig.TilesRendered();
    for (auto _ : state) {
        rig.Set(slider, start);
        if (!Time(state, rig, [slider] { TWindowRig::PostKeys(slider, Qt::Key_Right, 1); })) break;
    }
    Report(state, rig, tiles);
    rig.Set(form.TrackBar2, 100);
    rig.Set(form.TrackBar3, 100);
    rig.Set(form.TrackBar4, 0);
}

// A drag of the brightness slider: 30 steps (100 to 160) queued at once, as
// fast as the event loop takes them, until the last one is on screen.
void Drag(benchmark::State& state)
{
    TWindowRig& rig = Prepare(state, BitmapFile(state.range(0)), 1);
    TForm1& form = rig.Form();
    const long long tiles = rig.TilesRendered();
    for (auto _ : state) {
        rig.Set(form.TrackBar2, 100);
        if (!Time(state, rig, [&] { TWindowRig::PostKeys(form.TrackBar2, Qt::Key_Right, 30); })) break;
        if (form.TrackBar2->value() != 160) state.SkipWithError("the drag did not reach 160");
    }
    Report(state, rig, tiles);
    rig.Set(form.TrackBar2, 100);
}

// File > Open until the first paint: the 24-megapixel JPEG (file 0), its
// BMP (1) or the 2-megapixel BMP (2).
void Open(benchmark::State& state)
{
    static const std::array<const char*, 3> files = {"photo-24mp.jpg", "photo-24mp.bmp", "photo-2mp.bmp"};
    const std::string file = TWindowRig::PictureFile(files.at(static_cast<std::size_t>(state.range(0))));
    SetOperationThreads(static_cast<int>(state.range(1)));
    TWindowRig& rig = TWindowRig::Instance();
    const long long tiles = rig.TilesRendered();
    for (auto _ : state) {
        rig.AnswerOpen(file);
        if (!Time(state, rig, [&] { TWindowRig::PostCall(rig.Form().Open1, [&] { rig.Form().Open1->trigger(); }); }))
            break;
    }
    rig.Touch();
    Report(state, rig, tiles);
}

// One step of the display-scale slider (arrow key: one line step of 10 %).
void ScaleStep(benchmark::State& state)
{
    TWindowRig& rig = Prepare(state, BitmapFile(state.range(0)), 1);
    QSlider* scale = rig.Form().TrackBar1;
    const int start = scale->value();
    const long long tiles = rig.TilesRendered();
    for (auto _ : state) {
        rig.Set(scale, start);
        if (!Time(state, rig, [scale] { TWindowRig::PostKeys(scale, Qt::Key_Right, 1); })) break;
    }
    Report(state, rig, tiles);
    rig.Set(scale, start);
}

// The scale OK button one step above the scale the picture opened at.
void ScaleOk(benchmark::State& state)
{
    const std::string file = BitmapFile(state.range(0));
    TWindowRig& rig = Prepare(state, file, 1);
    TForm1& form = rig.Form();
    const long long tiles = rig.TilesRendered();
    for (auto _ : state) {
        rig.Open(file);
        rig.Set(form.TrackBar1, form.TrackBar1->value() + 10);
        const bool painted = Time(state, rig, [&] { TWindowRig::PostCall(form.Button1, [&] { form.Button1->click(); }); });
        rig.Touch();
        if (!painted) break;
    }
    Report(state, rig, tiles);
}

// A menu command until painted: the six reductions (0 to 5), the 8-bit
// conversion (6), the turns by 90 and 180 degrees (7, 8) and the mirror (9).
void Command(benchmark::State& state)
{
    const std::string file = BitmapFile(state.range(0));
    TWindowRig& rig = Prepare(state, file, 2);
    TForm1& form = rig.Form();
    const std::array<QAction*, 10> items = {form.Octree2561,  form.MedianCut2561, form.MedianCutByVariance2561,
                                            form.MedianCut2562, form.MedianCut2563, form.N4,
                                            form.PixelFormat2561, form.N901,        form.N1801,
                                            form.R1};
    QAction* item = items.at(static_cast<std::size_t>(state.range(1)));
    const long long tiles = rig.TilesRendered();
    for (auto _ : state) {
        rig.Open(file);
        const bool painted = Time(state, rig, [item] { TWindowRig::PostCall(item, [item] { item->trigger(); }); });
        rig.Touch();
        if (!painted) break;
    }
    Report(state, rig, tiles);
}

template <class B>
B* Timed(B* b)
{
    return b->Unit(benchmark::kMillisecond)->UseManualTime();
}

BENCHMARK(ToneStep)->ArgsProduct({{24, 2}, {2, 3, 4}, {1, 2}, {0, 1}})->ArgNames({"mp", "slider", "threads", "away"})
    ->Apply([](benchmark::internal::Benchmark* b) { Timed(b); });
BENCHMARK(Drag)->ArgsProduct({{24, 2}, {1, 2}})->ArgNames({"mp", "threads"})
    ->Apply([](benchmark::internal::Benchmark* b) { Timed(b); });
BENCHMARK(Open)->ArgsProduct({{0, 1, 2}, {1, 2}})->ArgNames({"file", "threads"})
    ->Apply([](benchmark::internal::Benchmark* b) { Timed(b); });
BENCHMARK(ScaleStep)->ArgsProduct({{24, 2}, {1, 2}})->ArgNames({"mp", "threads"})
    ->Apply([](benchmark::internal::Benchmark* b) { Timed(b); });
BENCHMARK(ScaleOk)->ArgsProduct({{24, 2}, {1, 2}})->ArgNames({"mp", "threads"})
    ->Apply([](benchmark::internal::Benchmark* b) { Timed(b); });
BENCHMARK(Command)->ArgsProduct({{24, 2}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2}})
    ->ArgNames({"mp", "command", "threads"})
    ->Apply([](benchmark::internal::Benchmark* b) { Timed(b); });

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    pictor::ui::TApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TWindowRig::Destroy();
    return 0;
}
