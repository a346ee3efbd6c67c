// The sliders, the Tag guard, the two OK buttons, undo and reload.
#include "FormFixture.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QWheelEvent>

#include <cmath>

namespace pictor::testing {
namespace {

class ToneTest : public FormFixture {
protected:
    // Records the Kinds that the image control announces, and passes them on
    // to the window.
    void Record()
    {
        auto amend = form->KestrelImage1.OnAmend;
        form->KestrelImage1.OnAmend = [this, amend](TKestrelImage& s, const std::string& k) {
            kinds.push_back(k);
            amend(s, k);
        };
    }
    std::vector<std::string> kinds;
};

TEST_F(ToneTest, ToneSlidersRebuildTheViewFromTheBaseEveryTime)
{
    Start();
    Open(SaveBitmap("t.bmp", Photo(60, 40)));
    const TBitmap base = *form->FBaseBitmap;
    Record();
    form->TrackBar2->setValue(120);
    EXPECT_EQ(Label(form->Label3), "明るさ ( 120 % )");
    EXPECT_EQ(kinds, (std::vector<std::string>{"Gamma", "Contrast", "Bright"}));
    EXPECT_FALSE(SamePixels(View(), base));
    EXPECT_TRUE(SamePixels(*form->FBaseBitmap, base));
    form->TrackBar2->setValue(100);
    EXPECT_TRUE(SamePixels(View(), base));

    form->TrackBar3->setValue(150);
    EXPECT_EQ(Label(form->Label5), "コントラスト ( 150 % )");
    form->TrackBar4->setValue(-30);
    EXPECT_EQ(Label(form->Label7), "ガンマ値 ( 0.32 )");
    form->TrackBar4->setValue(30);
    EXPECT_EQ(Label(form->Label7), "ガンマ値 ( 3.16 )");
    form->TrackBar4->setValue(500); // clamped
    EXPECT_EQ(form->TrackBar4->value(), 30);
}

// A step of any tone slider, from rest and away from it: the three
// operations announce themselves in order, those away from their neutral
// value complete, the view is the base through them, and the histogram
// window is drawn once.
TEST_F(ToneTest, AStepAnnouncesTheThreeOperationsAndRedrawsTheHistogramOnce)
{
    Start();
    // 61 pixels a row leave row padding at 24 bits.
    Open(SaveBitmap("t.bmp", Photo(61, 40)));
    form->H1->trigger();
    int histogramRepaints = 0;
    histogram->Image1.OnRepaint = [&] { ++histogramRepaints; };
    std::vector<std::string> events;
    form->KestrelImage1.OnAmend = [&](TKestrelImage& s, const std::string& k) {
        events.push_back("Amend " + k);
        form->KestrelImage1Amend(s, k);
    };
    form->KestrelImage1.OnAmended = [&](TKestrelImage& s, const std::string& k) {
        events.push_back("Amended " + k);
        form->KestrelImage1Amended(s, k);
    };
    struct Start {
        int Bright, Contrast, Gamma;
    };
    for (const Start start : {Start{100, 100, 0}, Start{130, 120, 10}}) {
        for (QSlider* slider : {form->TrackBar2, form->TrackBar3, form->TrackBar4}) {
            form->TrackBar2->setValue(start.Bright);
            form->TrackBar3->setValue(start.Contrast);
            form->TrackBar4->setValue(start.Gamma);
            events.clear();
            histogramRepaints = 0;
            slider->setValue(slider->value() + slider->singleStep());

            const int bright = form->TrackBar2->value(), contrast = form->TrackBar3->value();
            const long double gamma = std::pow(10.0L, form->TrackBar4->value() / 60.0L);
            std::vector<std::string> expected{"Amend Gamma"};
            if (form->TrackBar4->value() != 0) expected.push_back("Amended Gamma");
            expected.push_back("Amend Contrast");
            if (contrast != 100) expected.push_back("Amended Contrast");
            expected.push_back("Amend Bright");
            if (bright != 100) expected.push_back("Amended Bright");
            const std::string at = slider->objectName().toStdString() + " from " + std::to_string(start.Bright);
            EXPECT_EQ(events, expected) << at;
            TKestrelImage reference;
            reference.Picture().SetGraphic(form->FBaseBitmap.get());
            reference.Gamma(gamma);
            reference.Contrast(contrast, 127);
            reference.Bright(bright);
            EXPECT_TRUE(SamePixels(View(), reference.Picture().Bitmap())) << at;
            EXPECT_EQ(histogramRepaints, 1) << at;
        }
    }
    EXPECT_TRUE(messages.Messages().empty());
}

// Steps queued for the running event loop (a drag, a held key) rebuild the
// view once, and leave what taking them one by one leaves, also when a
// command comes between them.
TEST_F(ToneTest, QueuedStepsLeaveWhatEachStepWouldHaveLeft)
{
    Start();
    Open(SaveBitmap("t.bmp", Photo(60, 40)));
    form->H1->trigger();
    const TBitmap base = *form->FBaseBitmap;
    Record();
    int completed = 0;
    form->KestrelImage1.OnAmended = [&](TKestrelImage& s, const std::string& k) {
        ++completed;
        form->KestrelImage1Amended(s, k);
    };
    auto press = [&](int count) {
        for (int i = 0; i < count; ++i)
            QCoreApplication::postEvent(form->TrackBar2, new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
    };
    auto run = [] {
        QEventLoop loop;
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        loop.exec();
        // The work the steps left waits behind them.
        QCoreApplication::processEvents();
    };
    auto brightened = [](const TBitmap& from, int value) {
        TKestrelImage image;
        image.Picture().SetGraphic(&from);
        image.Bright(value);
        return image.Picture().Bitmap();
    };

    press(10);
    run();
    EXPECT_EQ(form->TrackBar2->value(), 120);
    EXPECT_EQ(Label(form->Label3), "明るさ ( 120 % )");
    EXPECT_EQ(completed, 1);
    EXPECT_TRUE(SamePixels(View(), brightened(base, 120)));
    EXPECT_TRUE(SamePixels(*form->FBaseBitmap, base));
    TMetafile expected;
    form->KestrelImage1.DrawHistogram(expected, 2, 2, 0);
    TBitmap shown, drawn;
    shown.SetSize(572, 350);
    shown.Canvas().Draw(0, 0, *histogram->Image1.Picture().Graphic());
    drawn.SetSize(572, 350);
    drawn.Canvas().Draw(0, 0, expected);
    EXPECT_TRUE(SamePixels(shown, drawn));

    // The tone OK button between two runs of steps takes the view of the
    // first run as the base.
    form->TrackBar2->setValue(100);
    press(5);
    QMetaObject::invokeMethod(form->Button2, [this] { form->Button2->click(); }, Qt::QueuedConnection);
    press(5);
    run();
    const TBitmap firstRun = brightened(base, 110);
    EXPECT_TRUE(SamePixels(*form->FBaseBitmap, firstRun));
    EXPECT_EQ(form->TrackBar2->value(), 110);
    EXPECT_TRUE(SamePixels(View(), brightened(firstRun, 110)));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(ToneTest, ResettingTheSlidersRewritesTheLabelsButNotTheView)
{
    Start();
    Open(SaveBitmap("t.bmp", Photo(60, 40)));
    form->TrackBar2->setValue(130);
    form->TrackBar3->setValue(80);
    form->TrackBar4->setValue(6);
    const TBitmap shown = View();
    Record();
    form->ResetToneSliders();
    EXPECT_TRUE(kinds.empty());
    EXPECT_EQ(form->Tag, 0);
    EXPECT_EQ(Label(form->Label3), "明るさ ( 100 % )");
    EXPECT_EQ(Label(form->Label7), "ガンマ値 ( 1.00 )");
    EXPECT_TRUE(SamePixels(View(), shown));
}

TEST_F(ToneTest, TheToneOkButtonMakesTheViewTheBase)
{
    Start();
    Open(SaveBitmap("t.bmp", Photo(60, 40)));
    const TBitmap original = *form->FBaseBitmap;
    form->Button2->click(); // at rest: nothing
    EXPECT_TRUE(SamePixels(*form->FBaseBitmap, original));
    form->TrackBar2->setValue(80);
    const TBitmap darker = View();
    form->Button2->click();
    EXPECT_TRUE(SamePixels(*form->FBaseBitmap, darker));
    EXPECT_EQ(form->TrackBar2->value(), 100);
    EXPECT_TRUE(SamePixels(View(), darker));

    // Undo goes back to the last base only.
    form->TrackBar3->setValue(140);
    form->U1->trigger();
    EXPECT_TRUE(SamePixels(View(), darker));
    EXPECT_EQ(form->TrackBar3->value(), 100);

    // Reload goes back to the file.
    form->TrackBar1->setValue(50);
    form->O1->trigger();
    EXPECT_TRUE(SamePixels(View(), original));
    EXPECT_EQ(form->TrackBar1->value(), 100);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(ToneTest, TheScaleSliderResizesTheViewAndNeverStaysAtZero)
{
    Start();
    Open(SaveBitmap("t.bmp", Photo(400, 300)));
    form->TrackBar1->setValue(0);
    EXPECT_EQ(form->TrackBar1->value(), 10);
    EXPECT_EQ(Label(form->Label2), "表示倍率 ( 10 % )");
    EXPECT_EQ(form->KestrelImage1.Width(), 40);
    form->TrackBar1->setValue(150);
    EXPECT_EQ(form->KestrelImage1.Width(), 600);
    EXPECT_EQ(form->KestrelImage1.Height(), 450);
    EXPECT_EQ(View().Width(), 400); // only shown larger
}

TEST_F(ToneTest, CtrlWheelOverThePictureMovesTheScaleSliderAStepANotch)
{
    Start();
    Open(SaveBitmap("t.bmp", Photo(400, 300)));
    // Turns of the wheel over the picture, in eighths of a degree. The
    // picture passes them on to the scroll box's viewport, where they end.
    auto turn = [&](int angle, Qt::KeyboardModifiers keys = Qt::ControlModifier) {
        QWheelEvent wheel(QPointF(20, 20), QPointF(20, 20), QPoint(), QPoint(0, angle), Qt::NoButton, keys,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(form->ScrollBox1->viewport(), &wheel);
    };
    turn(120);
    EXPECT_EQ(form->TrackBar1->value(), 110);
    EXPECT_EQ(form->KestrelImage1.Width(), 440);
    EXPECT_EQ(Label(form->Label2), "表示倍率 ( 110 % )");
    turn(-360);
    EXPECT_EQ(form->TrackBar1->value(), 80);
    turn(60), turn(60); // a notch in halves
    EXPECT_EQ(form->TrackBar1->value(), 90);
    turn(120, Qt::NoModifier); // scrolls, does not zoom
    EXPECT_EQ(form->TrackBar1->value(), 90);
    // The slider's limits and its rule that the scale never stays at 0.
    turn(-120 * 12);
    EXPECT_EQ(form->TrackBar1->value(), 10);
    turn(120 * 25);
    EXPECT_EQ(form->TrackBar1->value(), 200);
}

TEST_F(ToneTest, TheScaleOkButtonResamplesAndKeepsTheTone)
{
    Start();
    Open(SaveBitmap("t.bmp", Photo(400, 300)));
    form->TrackBar2->setValue(120);
    form->TrackBar1->setValue(150);
    form->Button1->click();
    EXPECT_EQ(form->FBaseBitmap->Width(), 600);
    EXPECT_EQ(form->FBaseBitmap->Height(), 450);
    EXPECT_EQ(form->TrackBar1->value(), 100);
    EXPECT_EQ(form->TrackBar2->value(), 120);
    EXPECT_EQ(form->KestrelImage1.Width(), 600);
    EXPECT_NE(form->Caption().find("( 600 × 450 )"), std::string::npos);
    EXPECT_FALSE(SamePixels(View(), *form->FBaseBitmap)); // brightened again

    form->TrackBar1->setValue(50);
    form->Button1->click();
    EXPECT_EQ(form->FBaseBitmap->Width(), 300);
    EXPECT_EQ(form->FBaseBitmap->Height(), 225);
}

TEST_F(ToneTest, TheScaleOkButtonRefusesASizeOfNothing)
{
    Start();
    Open(SaveBitmap("tiny.bmp", Photo(8, 30)));
    form->TrackBar1->setValue(10); // shown 0 by 3
    const TBitmap base = *form->FBaseBitmap;
    form->Button1->click();
    EXPECT_TRUE(messages.Messages().empty());
    EXPECT_EQ(form->TrackBar1->value(), 10);
    EXPECT_TRUE(SamePixels(*form->FBaseBitmap, base));
    EXPECT_TRUE(SamePixels(View(), base));
}

TEST_F(ToneTest, IconsAndMetafilesAtAnotherScale)
{
    Start();
    dir.Write("i.ico", IconBytes());
    Open(dir.File("i.ico"));
    form->TrackBar2->setValue(130); // an icon takes no tone
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picIcon);
    form->TrackBar1->setValue(200);
    form->Button1->click();
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picIcon);
    EXPECT_EQ(form->KestrelImage1.Width(), 16);
    EXPECT_EQ(form->TrackBar1->value(), 100);
    form->U1->trigger(); // undo does nothing on an icon
    EXPECT_EQ(form->TrackBar2->value(), 130);
}

} // namespace
} // namespace pictor::testing
