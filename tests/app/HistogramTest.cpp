// The histogram window driven by the main window: H1 shows and closes it,
// the commands that change the picture redraw it while it is shown and never
// while it is hidden, and what it shows is the histogram of the view.
#include "FormFixture.h"

#include <QPushButton>
#include <QScrollBar>
#include <QWindow>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pictor::testing {
namespace {

// A metafile played back at its own size.
TBitmap Played(const TGraphic* graphic)
{
    TBitmap out;
    if (graphic == nullptr) return out;
    out.SetSize(graphic->Width(), graphic->Height());
    out.Canvas().Draw(0, 0, *graphic);
    return out;
}

class HistogramTest : public FormFixture {
protected:
    void StartWithPhoto()
    {
        Start();
        Open(SaveBitmap("p.bmp", Photo(64, 48)));
    }

    const TGraphic* Shown() const { return histogram->Image1.Picture().Graphic(); }

    // The histogram picture of the view as the main window asks for it.
    TBitmap ExpectedPicture()
    {
        TMetafile metafile;
        form->KestrelImage1.DrawHistogram(metafile, 2, 2, 0);
        return Played(&metafile);
    }

    // Empties Image1, runs action, and says whether the window drew again.
    bool Redraws(const std::function<void()>& action)
    {
        histogram->Image1.Picture().SetGraphic(nullptr);
        action();
        return Shown() != nullptr;
    }
};

TEST_F(HistogramTest, TheSwitchShowsAToolWindowWithTheViewsHistogramAndClosesIt)
{
    StartWithPhoto();
    EXPECT_FALSE(histogram->isVisible());
    EXPECT_FALSE(Shown());
    EXPECT_EQ(histogram->windowTitle().toStdString(), "Histgram");

    form->H1->trigger();
    EXPECT_TRUE(histogram->isVisible());
    // The main window's tool window: kept above it by the window manager,
    // and below the dialogs and message boxes that open over it, which a
    // window on top of every window would cover.
    EXPECT_EQ(histogram->windowType(), Qt::Tool);
    EXPECT_FALSE(histogram->windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_TRUE(histogram->windowHandle());
    EXPECT_EQ(histogram->windowHandle()->transientParent(), form->windowHandle());
    EXPECT_TRUE(form->H1->isChecked());
    const auto* metafile = dynamic_cast<const TMetafile*>(Shown());
    ASSERT_TRUE(metafile);
    EXPECT_EQ(metafile->Width(), 572);
    EXPECT_EQ(metafile->Height(), 350);
    EXPECT_EQ(metafile->Inch(), 1);
    EXPECT_TRUE(SamePixels(Played(metafile), ExpectedPicture()));

    histogram->SetLeft(300);
    histogram->SetTop(200);
    form->H1->trigger();
    EXPECT_FALSE(histogram->isVisible());
    EXPECT_FALSE(form->H1->isChecked());
    EXPECT_EQ(form->Parameter1.ReadInteger("HLeft"), 300);
    EXPECT_EQ(form->Parameter1.ReadInteger("HTop"), 200);

    // Shown again where it was closed, and H1 follows every time.
    form->H1->trigger();
    EXPECT_TRUE(form->H1->isChecked());
    EXPECT_EQ(histogram->Left(), 300);
    EXPECT_EQ(histogram->Top(), 200);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(HistogramTest, TheCeilingLabelShowsWholeAtTheDefaultSize)
{
    StartWithPhoto();
    form->H1->trigger();
    ASSERT_EQ(histogram->size(), QSize(286, 175));
    // The picture fills the window: nothing to scroll (the bar at the foot of
    // a window is the window manager's resize handle).
    EXPECT_TRUE(histogram->findChildren<QScrollBar*>().isEmpty());
    const TBitmap picture = Played(Shown());
    // The label (two digits over "%", from 174 pixels down) fits in the
    // picture: its last column is the background.
    for (int y = 170; y < 220; ++y) ASSERT_EQ(picture.GetPixel(571, y), clBtnFace) << y;
    // The window shows the picture as drawn at its own size, each screen
    // pixel the mean of the four it covers, so the label shows whole.
    const QImage shown = histogram->grab().toImage();
    for (int y = 80; y < 110; ++y)
        for (int x = 265; x < 286; ++x) {
            int sum[3] = {0, 0, 0};
            for (int i = 0; i < 4; ++i) {
                const TColor c = picture.GetPixel(2 * x + i % 2, 2 * y + i / 2);
                sum[0] += GetRValue(c), sum[1] += GetGValue(c), sum[2] += GetBValue(c);
            }
            ASSERT_EQ(shown.pixel(x, y), qRgb((sum[0] + 2) / 4, (sum[1] + 2) / 4, (sum[2] + 2) / 4)) << x << "," << y;
        }
}

TEST_F(HistogramTest, ClosingTheWindowItselfUnticksH1)
{
    StartWithPhoto();
    form->H1->trigger();
    ASSERT_TRUE(form->H1->isChecked());
    histogram->close();
    EXPECT_FALSE(histogram->isVisible());
    EXPECT_FALSE(form->H1->isChecked());
}

TEST_F(HistogramTest, EveryCommandThatChangesTheColoursRedrawsTheShownWindow)
{
    StartWithPhoto();
    const std::string path = form->FPictureFileName;
    form->H1->trigger();
    const std::vector<std::pair<std::string, std::function<void()>>> commands = {
        {"brightness", [&] { form->TrackBar2->setValue(130); }},
        {"contrast", [&] { form->TrackBar3->setValue(80); }},
        {"gamma", [&] { form->TrackBar4->setValue(10); }},
        {"undo", [&] { form->U1->trigger(); }},
        {"reload", [&] { form->O1->trigger(); }},
        {"open", [&] { Open(path); }},
        {"octree", [&] { form->Octree2561->trigger(); }},
        {"median cut", [&] { form->O1->trigger(), form->MedianCut2561->trigger(); }},
        {"by variance", [&] { form->O1->trigger(), form->MedianCutByVariance2561->trigger(); }},
        {"diffusion", [&] { form->O1->trigger(), form->MedianCut2562->trigger(); }},
        {"variance and diffusion", [&] { form->O1->trigger(), form->MedianCut2563->trigger(); }},
        {"fixed palette", [&] { form->O1->trigger(), form->N4->trigger(); }},
        {"8-bit conversion", [&] { form->O1->trigger(), form->PixelFormat2561->trigger(); }},
        {"trimming", [&] { form->A1->trigger(), form->T1->trigger(); }},
        {"scale OK", [&] { form->TrackBar1->setValue(50), form->Button1->click(); }},
    };
    for (const auto& [name, command] : commands) {
        EXPECT_TRUE(Redraws(command)) << name;
        EXPECT_TRUE(SamePixels(Played(Shown()), ExpectedPicture())) << name;
    }
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(HistogramTest, ARotationThatDropsPendingToneShowsTheHistogramOfWhatIsShown)
{
    StartWithPhoto();
    form->H1->trigger();
    for (QAction* item : {form->N901, form->N1801, form->N2701, form->R1}) {
        form->TrackBar2->setValue(140);
        item->trigger();
        EXPECT_EQ(form->TrackBar2->value(), 100);
        EXPECT_TRUE(SamePixels(Played(Shown()), ExpectedPicture())) << item->text().toStdString();
    }
}

TEST_F(HistogramTest, TheTrimmingAreaIsLiftedForTheCountAndPutBack)
{
    StartWithPhoto();
    form->A1->trigger();
    const TBitmap withArea = View();
    form->H1->trigger();
    EXPECT_TRUE(SamePixels(View(), withArea));
    EXPECT_TRUE(Redraws([&] { form->RefreshHistogram(); }));
    EXPECT_TRUE(SamePixels(View(), withArea));
    const TBitmap shown = Played(Shown());

    form->A1->trigger();
    EXPECT_TRUE(SamePixels(shown, ExpectedPicture()));
}

TEST_F(HistogramTest, AHiddenWindowIsNeverDrawn)
{
    StartWithPhoto();
    form->H1->trigger();
    form->H1->trigger();
    ASSERT_FALSE(histogram->isVisible());
    EXPECT_FALSE(Redraws([&] { form->RefreshHistogram(); }));
    EXPECT_FALSE(Redraws([&] { form->TrackBar2->setValue(130); }));
    EXPECT_FALSE(Redraws([&] { form->U1->trigger(); }));
    EXPECT_FALSE(Redraws([&] { form->O1->trigger(); }));
    EXPECT_FALSE(Redraws([&] { form->Octree2561->trigger(); }));
    EXPECT_FALSE(Redraws([&] { form->A1->trigger(), form->T1->trigger(); }));
    EXPECT_FALSE(Redraws([&] { form->N901->trigger(); }));
}

TEST_F(HistogramTest, WithoutAPictureTheWindowShowsTheEmptyFrame)
{
    Start();
    form->H1->trigger();
    ASSERT_TRUE(Shown());
    EXPECT_TRUE(SamePixels(Played(Shown()), ExpectedPicture()));
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(HistogramTest, ClosingTheMainWindowStoresTheShownWindowsPlacement)
{
    StartWithPhoto();
    form->H1->trigger();
    histogram->SetLeft(111);
    histogram->SetWidth(400);
    Stop();
    Start();
    EXPECT_EQ(form->Parameter1.ReadInteger("HLeft"), 111);
    EXPECT_EQ(form->Parameter1.ReadInteger("HWidth"), 400);
    EXPECT_FALSE(histogram->isVisible());
    EXPECT_FALSE(form->H1->isChecked());
}

} // namespace
} // namespace pictor::testing
