// The sliders, the Tag guard, the two OK buttons, undo and reload.
#include "FormFixture.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QWheelEvent>

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
