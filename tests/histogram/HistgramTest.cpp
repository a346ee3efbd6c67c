// The histogram window with a stand-in for the main window: its form
// description, the placement restored at show and stored at close, H1 kept
// in step, and the trimming rectangle taken out while the picture is drawn.
#include "tests/support/QtTestApp.h"
#include "tests/support/FilledBitmap.h"

#include "gfx/Bitmap.h"
#include "gfx/Metafile.h"
#include "histogram/HistogramHost.h"
#include "histogram/Histgram.h"
#include "image/KestrelImg.h"
#include "param/Param.h"
#include "ui/ExceptionGuard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pictor {
namespace {

// The main window's part: a settings store with the first run's keys, an
// image control, the A1 and H1 check marks, and a trimming rectangle that
// inverts the whole picture, so that a histogram counted with it in shows.
class TFakeMainWindow : public THistogramHost {
public:
    TFakeMainWindow()
    {
        Settings.Add("Pictor.exe 環境設定ファイル --- このファイルは、編集しないで下さい。");
        Settings.WriteInteger("HLeft", 694);
        Settings.WriteInteger("HTop", 496);
        Settings.WriteInteger("HWidth", 294);
        Settings.WriteInteger("HHeight", 209);
        Settings.WriteInteger("HWindowState", 0);
    }

    TParameter& Parameter1() override { return Settings; }
    TKestrelImage& KestrelImage1() override { return Image; }
    bool A1Checked() const override { return A1; }
    void DrawTrimRect() override
    {
        ++TrimRectDrawn;
        auto* bitmap = dynamic_cast<TBitmap*>(Image.Picture().Graphic());
        if (bitmap == nullptr) return;
        for (int y = 0; y < bitmap->Height(); ++y)
            for (int x = 0; x < bitmap->Width(); ++x) bitmap->SetPixel(x, y, bitmap->GetPixel(x, y) ^ 0xFFFFFF);
    }
    void SetH1Checked(bool Checked) override
    {
        H1 = Checked;
        H1Changes.push_back(Checked);
    }

    TParameter Settings;
    TKestrelImage Image;
    bool A1 = false;
    bool H1 = false;
    int TrimRectDrawn = 0;
    std::vector<bool> H1Changes;
};

using testing::Filled;

// Image1's metafile played back at its own size.
TBitmap Played(const TForm2& form)
{
    auto* metafile = dynamic_cast<const TMetafile*>(form.Image1.Picture().Graphic());
    TBitmap out;
    if (metafile == nullptr) return out;
    out.SetSize(metafile->Width(), metafile->Height());
    out.Canvas().Draw(0, 0, *metafile);
    return out;
}

class HistgramTest : public ::testing::Test {
protected:
    void SetUp() override { testing::QtTestApp(); }
};

TEST_F(HistgramTest, FormDescription)
{
    TFakeMainWindow main;
    TForm2 form(main);
    EXPECT_EQ(form.windowTitle().toStdString(), "Histgram");
    EXPECT_FALSE(form.isVisible());
    // A tool window (above its main window), not one above every window.
    EXPECT_EQ(form.windowType(), Qt::Tool);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form.isWindow());
    EXPECT_EQ(form.Left(), 694);
    EXPECT_EQ(form.Top(), 496);
    EXPECT_EQ(form.Width(), 294);
    EXPECT_EQ(form.Height(), 209);
    EXPECT_EQ(form.size(), QSize(286, 175));
    EXPECT_EQ(form.WindowState(), 0);
    EXPECT_TRUE(form.Image1.Stretch());
    EXPECT_EQ(form.Image1.Width(), 286);
    EXPECT_EQ(form.Image1.Height(), 175);
    EXPECT_EQ(form.Image1.Picture().Graphic(), nullptr);
    // Nothing is read, drawn or ticked before the window is shown.
    EXPECT_TRUE(main.H1Changes.empty());
}

TEST_F(HistgramTest, ShowAndCloseKeepH1AndThePlacementInStep)
{
    TFakeMainWindow main;
    main.Settings.WriteInteger("HLeft", 100);
    main.Settings.WriteInteger("HTop", 120);
    main.Settings.WriteInteger("HWidth", 408);
    main.Settings.WriteInteger("HHeight", 284);
    const TBitmap black = Filled(8, 8, clBlack);
    main.Image.Picture().SetGraphic(&black);

    TForm2 form(main);
    form.show();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(main.H1);
    EXPECT_EQ(form.Left(), 100);
    EXPECT_EQ(form.Top(), 120);
    EXPECT_EQ(form.Width(), 408);
    EXPECT_EQ(form.Height(), 284);
    // Image1 fills the client area and holds the main window's call.
    EXPECT_EQ(form.size(), QSize(400, 250));
    EXPECT_EQ(form.Image1.Width(), 400);
    EXPECT_EQ(form.Image1.Height(), 250);
    auto* metafile = dynamic_cast<const TMetafile*>(form.Image1.Picture().Graphic());
    ASSERT_NE(metafile, nullptr);
    EXPECT_EQ(metafile->Width(), 572);
    EXPECT_EQ(metafile->Height(), 350);
    EXPECT_EQ(metafile->Inch(), 1);
    EXPECT_EQ(main.TrimRectDrawn, 0);

    // Moved and resized by the user, then closed.
    form.setGeometry(30, 40, 300, 200);
    EXPECT_TRUE(form.close());
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(main.H1);
    EXPECT_EQ(main.Settings.ReadInteger("HLeft"), 30);
    EXPECT_EQ(main.Settings.ReadInteger("HTop"), 40);
    EXPECT_EQ(main.Settings.ReadInteger("HWidth"), 308);
    EXPECT_EQ(main.Settings.ReadInteger("HHeight"), 234);
    EXPECT_EQ(main.Settings.ReadInteger("HWindowState"), 0);
    // The keys are rewritten in place: header and five keys still.
    EXPECT_EQ(main.Settings.Count(), 6);

    // Shown again: the stored placement comes back exactly.
    form.setGeometry(0, 0, 50, 50);
    form.show();
    EXPECT_EQ(form.Left(), 30);
    EXPECT_EQ(form.Top(), 40);
    EXPECT_EQ(form.Width(), 308);
    EXPECT_EQ(form.Height(), 234);
    EXPECT_EQ(main.H1Changes, (std::vector<bool>{true, false, true}));
    form.close();
}

TEST_F(HistgramTest, ClosingWhileMaximisedKeepsTheNormalPlacement)
{
    TFakeMainWindow main;
    TForm2 form(main);
    form.show();
    form.setWindowState(Qt::WindowMaximized);
    ASSERT_EQ(form.WindowState(), 2);
    main.Settings.WriteInteger("HLeft", 11);
    EXPECT_TRUE(form.close());
    EXPECT_EQ(main.Settings.ReadInteger("HLeft"), 11);
    EXPECT_EQ(main.Settings.ReadInteger("HWidth"), 294);
    EXPECT_EQ(main.Settings.ReadInteger("HWindowState"), 2);
    EXPECT_FALSE(main.H1);

    // The next showing restores the state.
    form.show();
    EXPECT_EQ(form.WindowState(), 2);
    form.close();
}

TEST_F(HistgramTest, TrimmingRectangleIsTakenOutWhileCounting)
{
    TFakeMainWindow main;
    // The picture is black; the shown rectangle (inverting everything here)
    // makes it white.
    const TBitmap black = Filled(8, 8, clBlack);
    main.Image.Picture().SetGraphic(&black);
    main.A1 = true;
    main.DrawTrimRect();
    main.TrimRectDrawn = 0;

    TForm2 form(main);
    form.show();
    EXPECT_EQ(main.TrimRectDrawn, 2);
    // Put back: the picture is white again.
    auto* bitmap = dynamic_cast<TBitmap*>(main.Image.Picture().Graphic());
    EXPECT_EQ(bitmap->GetPixel(3, 3), clWhite);
    // The histogram is of black: the red curve starts at the top of bin 0.
    const TBitmap picture = Played(form);
    ASSERT_EQ(picture.Width(), 572);
    EXPECT_EQ(picture.GetPixel(34, 18), clRed);
    form.close();
}

TEST_F(HistgramTest, FailuresAtShowLeaveTheWindowConsistent)
{
    ui::TMessageCapture messages;
    TFakeMainWindow main;
    main.Settings.Clear();
    main.Settings.WriteInteger("HLeft", 5);
    main.Settings.WriteString("HTop", "abc");
    main.Settings.WriteInteger("HWidth", 300);
    main.Settings.WriteInteger("HHeight", 300);
    main.Settings.WriteInteger("HWindowState", 0);
    // A picture too large to render: drawing the histogram fails.
    TMetafile huge;
    huge.SetWidth(60000);
    huge.SetHeight(60000);
    { TMetafileCanvas canvas(huge); }
    main.Image.Picture().SetGraphic(&huge);
    main.A1 = true;

    TForm2 form(main);
    form.show();
    // The first failure is reported; nothing of the placement is applied.
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_NE(messages.Messages()[0].find("abc"), std::string::npos);
    EXPECT_EQ(form.Left(), 694);
    EXPECT_EQ(form.Width(), 294);
    // The window is shown, so H1 is ticked; the rectangle went back in.
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(main.H1);
    EXPECT_EQ(main.TrimRectDrawn, 2);
    EXPECT_EQ(form.Image1.Picture().Graphic(), nullptr);
    form.close();
    EXPECT_FALSE(main.H1);
}

TEST_F(HistgramTest, MissingKeyIsReportedAndTheHistogramStillDrawn)
{
    ui::TMessageCapture messages;
    TFakeMainWindow main;
    main.Settings.Clear();
    TForm2 form(main);
    form.show();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "Name 'HLeft' is not found in parameters.");
    EXPECT_TRUE(main.H1);
    EXPECT_NE(dynamic_cast<const TMetafile*>(form.Image1.Picture().Graphic()), nullptr);
    form.close();
    EXPECT_EQ(main.Settings.ReadInteger("HLeft"), 694);
}

} // namespace
} // namespace pictor
