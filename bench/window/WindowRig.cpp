#include "bench/window/WindowRig.h"

#include "app/Frame.h"
#include "bench/support/BenchPictures.h"
#include "gfx/Bitmap.h"
#include "histogram/Histgram.h"
#include "ui/ExceptionGuard.h"
#include "ui/FileDialogs.h"
#include "ui/ImageView.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QSlider>
#include <QTimer>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace pictor::bench {

namespace {

// A screen that is not up to date after this long means a scenario waits
// for a repaint nobody asked for.
constexpr int kTimeoutMs = 60000;

std::string TemporaryFolder()
{
    static const std::string folder = [] {
        const std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("pictor-window-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    return folder;
}

} // namespace

namespace {
std::unique_ptr<TWindowRig>& TheRig()
{
    static std::unique_ptr<TWindowRig> rig;
    return rig;
}
} // namespace

TWindowRig& TWindowRig::Instance()
{
    if (!TheRig()) TheRig().reset(new TWindowRig);
    return *TheRig();
}

void TWindowRig::Destroy()
{
    TheRig().reset();
}

TWindowRig::TWindowRig() : FMessages(std::make_unique<ui::TMessageCapture>())
{
    FSettingsDir = TemporaryFolder();
    FForm = std::make_unique<TForm1>();
    FHistogram = std::make_unique<TForm2>(FForm->HistogramHost());
    FForm->SetHistogramWindow(FHistogram.get());
    FForm->Parameter1.SetDir(FSettingsDir);
    FForm->Parameter1.SetFileName("pictor.ini");
    auto open = std::make_unique<ui::TScriptedFileDialog>();
    FOpenDialog = open.get();
    FForm->OpenDialog1 = std::move(open);

    FForm->show();
    FForm->SetWidth(1280);
    FForm->SetHeight(900);
    FForm->H1->trigger();

    FMainView = FForm->KestrelImage1View;
    FHistogramView = FHistogram->findChild<ui::TImageView*>();
    if (!FHistogramView) throw std::runtime_error("the histogram window has no view");
    FMainView->installEventFilter(this);
    FHistogramView->installEventFilter(this);
    // Every repaint request of the two picture controls is counted on its
    // way to the view.
    FMainRepaint = FForm->KestrelImage1.OnRepaint;
    FHistogramRepaint = FHistogram->Image1.OnRepaint;
    FForm->KestrelImage1.OnRepaint = [this] {
        ++FMainAsked;
        FMainRepaint();
    };
    FHistogram->Image1.OnRepaint = [this] {
        ++FHistogramAsked;
        FHistogramRepaint();
    };
    QCoreApplication::processEvents();
}

TWindowRig::~TWindowRig()
{
    // The views take their own handlers off the controls as they go, which
    // for the main window happens after its control has gone: the handlers
    // are put back as the views set them.
    FForm->KestrelImage1.OnRepaint = FMainRepaint;
    FHistogram->Image1.OnRepaint = FHistogramRepaint;
    FHistogram.reset();
    FForm.reset();
}

std::string TWindowRig::PictureFile(const std::string& name)
{
    const std::string path = PicturesFolder() + "/" + name;
    std::error_code error;
    if (std::filesystem::exists(path, error)) return path;
    const std::string stand = TemporaryFolder() + "/" + name;
    if (std::filesystem::exists(stand, error)) return stand;
    if (name == "photo-24mp.jpg") {
        const std::vector<std::uint8_t>& bytes = PhotoJpegBytes();
        std::ofstream(stand, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
    } else {
        Photo(name == "photo-2mp.bmp" ? TPictureSize::Mega2 : TPictureSize::Mega24).SaveToFile(stand);
    }
    return stand;
}

void TWindowRig::Open(const std::string& path)
{
    if (FOpen == path && FPristine && FForm->TrackBar2->value() == 100 && FForm->TrackBar3->value() == 100 && FForm->TrackBar4->value() == 0)
        return;
    AnswerOpen(path);
    Run([this] { PostCall(FForm->Open1, [this] { FForm->Open1->trigger(); }); });
    FOpen = path;
    FPristine = true;
}

void TWindowRig::AnswerOpen(const std::string& path)
{
    FOpenDialog->Answer(path);
}

void TWindowRig::Set(QSlider* slider, int position)
{
    if (slider->value() == position) return;
    Run([slider, position] { PostCall(slider, [slider, position] { slider->setValue(position); }); });
}

namespace {

double ProcessMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

} // namespace

TWindowRig::TTimes TWindowRig::Run(const std::function<void()>& post)
{
    QEventLoop loop;
    FLoop = &loop;
    FMainAskedBefore = FMainAsked;
    QTimer timeout;
    timeout.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    timeout.start(kTimeoutMs);
    const double processStart = ProcessMs();
    const auto start = std::chrono::steady_clock::now();
    post();
    // The event loop proper: steps the loop has queued are what a running
    // program sees.
    loop.exec();
    const auto end = std::chrono::steady_clock::now();
    const double processEnd = ProcessMs();
    FLoop = nullptr;
    if (timedOut) throw std::runtime_error("the screen was not brought up to date");
    return TTimes{std::chrono::duration<double, std::milli>(end - start).count(), processEnd - processStart};
}

void TWindowRig::PostKeys(QSlider* slider, int key, int count)
{
    for (int i = 0; i < count; ++i)
        QCoreApplication::postEvent(slider, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
}

void TWindowRig::PostCall(QObject* target, const std::function<void()>& call)
{
    QMetaObject::invokeMethod(target, call, Qt::QueuedConnection);
}

bool TWindowRig::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        // A paint draws the control as it is now: it covers every request
        // made so far. The loop ends once this event (the window's whole
        // repaint) is through.
        if (watched == FMainView) FMainPainted = FMainAsked;
        if (watched == FHistogramView) FHistogramPainted = FHistogramAsked;
        CheckDone();
    }
    return QObject::eventFilter(watched, event);
}

void TWindowRig::CheckDone()
{
    if (!FLoop) return;
    if (FMainAsked > FMainAskedBefore && FMainPainted >= FMainAsked && FHistogramPainted >= FHistogramAsked)
        FLoop->quit();
}

long long TWindowRig::TilesRendered() const
{
    return FMainView->TilesRendered();
}

std::size_t TWindowRig::Messages() const
{
    return FMessages->Messages().size();
}

} // namespace pictor::bench
