// The two windows as a person has them, for the window benchmarks: the main
// window at 1280 x 900 with the histogram window open, a benchmark
// photograph opened, everything driven through the event loop.
//
// A scenario posts what a user would send (key presses to a slider, a menu
// item chosen, a button clicked) and the loop runs until the screen is up to
// date: every repaint the view and the histogram window's picture asked for
// since has been painted, that is every exposed tile of them drawn.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class QEventLoop;
class QSlider;

namespace pictor {
class TForm1;
class TForm2;
} // namespace pictor

namespace pictor::ui {
class TImageView;
class TMessageCapture;
class TScriptedFileDialog;
} // namespace pictor::ui

namespace pictor::bench {

class TWindowRig : public QObject {
public:
    // The rig of the process, made on first use (the application object must
    // exist).
    static TWindowRig& Instance();
    // Closes the windows; before the application object goes.
    static void Destroy();
    ~TWindowRig() override;

    TForm1& Form() { return *FForm; }
    TForm2& Histogram() { return *FHistogram; }

    // The photograph files: photo-24mp.bmp, photo-2mp.bmp, photo-24mp.jpg
    // from bench/make-pictures.sh, or synthetic stand-ins written once to a
    // temporary folder where they are missing.
    static std::string PictureFile(const std::string& name);

    // Opens the file through File > Open unless it is open with the base
    // picture as loaded and every slider at rest; waits until painted.
    void Open(const std::string& path);
    // Marks the picture as changed, so that the next Open loads it again.
    void Touch() { FPristine = false; }
    // The answer of the next File > Open dialog.
    void AnswerOpen(const std::string& path);

    // Sets a slider in code (its handler runs at once) and waits until the
    // screen shows it: for untimed preparation.
    void Set(QSlider* slider, int position);

    struct TTimes {
        double WallMs = 0;     // from posting to the end of the last paint
        double ProcessMs = 0;  // processor time of every thread of the process
    };
    // Posts the user's input and runs the event loop until the screen is up
    // to date. Raises std::runtime_error when it is not within a minute.
    TTimes Run(const std::function<void()>& post);

    // Posts count presses of key to the slider, as the keyboard (or a drag,
    // a step per event) would queue them.
    static void PostKeys(QSlider* slider, int key, int count);
    // Posts a click on a menu item or button (anything with the given slot).
    static void PostCall(QObject* target, const std::function<void()>& call);

    // Tiles the main view has rendered so far.
    long long TilesRendered() const;
    // Messages shown since the rig was made (none is expected).
    std::size_t Messages() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TWindowRig();
    void CheckDone();

    std::unique_ptr<ui::TMessageCapture> FMessages;
    std::unique_ptr<TForm1> FForm;
    std::unique_ptr<TForm2> FHistogram;
    ui::TScriptedFileDialog* FOpenDialog = nullptr;
    ui::TImageView* FMainView = nullptr;
    ui::TImageView* FHistogramView = nullptr;
    std::string FSettingsDir;
    std::string FOpen;
    bool FPristine = false;

    // Repaints asked for by each picture control, and how many of them the
    // last paint of its view covered.
    long long FMainAsked = 0, FMainPainted = 0;
    long long FHistogramAsked = 0, FHistogramPainted = 0;
    long long FMainAskedBefore = 0;
    std::function<void()> FMainRepaint, FHistogramRepaint;
    QEventLoop* FLoop = nullptr;
};

} // namespace pictor::bench
