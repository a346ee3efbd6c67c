// Opening and saving: every format, the initial scale, the size in
// kilobytes, the folders, and files that cannot be read or written.
#include "FormFixture.h"

#include "core/FileIO.h"
#include "gfx/GIFImage.h"
#include "gfx/Icon.h"
#include "gfx/Metafile.h"
#include "gfx/Picture.h"
#include "gfx/PngImage.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <filesystem>

namespace pictor::testing {
namespace {

using FileTest = FormFixture;

TEST(FileRules, KilobytesRoundAndTheInitialScaleFitsTheLargerSide)
{
    const std::pair<std::uint64_t, const char*> sizes[] = {
        {0, "  0KB"},     {1, "  1KB"},     {512, "  1KB"},   {1024, "  1KB"}, {1535, "  1KB"},
        {1536, "  2KB"},  {2047, "  2KB"},  {2048, "  2KB"},  {2560, "  3KB"}, {5000000000ull, "  4882813KB"}};
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(TForm1::FileSizeText(bytes), text) << bytes;
    const std::pair<int, int> scales[] = {{1, 100},  {1024, 100}, {1025, 90}, {2048, 50},
                                          {3000, 30}, {4000, 20},  {10240, 10}, {20000, 10}};
    for (const auto& [m, p] : scales) EXPECT_EQ(TForm1::InitialScale(m), p) << m;
}

TEST_F(FileTest, ABitmapOpensAtItsOwnSizeAndSetsEverythingAPictureNeeds)
{
    Start();
    const std::string path = SaveBitmap("b.bmp", Photo(600, 400));
    form->FOpenDir = "/start";
    Open(path);
    ASSERT_EQ(openDialog->Runs().size(), 1u);
    EXPECT_EQ(openDialog->Runs()[0].InitialDir, "/start");
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picBitmap);
    EXPECT_EQ(form->TrackBar1->value(), 100);
    EXPECT_EQ(form->KestrelImage1.Width(), 600);
    EXPECT_EQ(form->KestrelImage1.Height(), 400);
    EXPECT_TRUE(form->KestrelImage1.Stretch());
    EXPECT_EQ(form->FOpenDir, dir.Path());
    EXPECT_EQ(form->FPictureFileName, path);
    EXPECT_TRUE(SamePixels(*form->FBaseBitmap, Photo(600, 400)));
    EXPECT_EQ(form->KestrelImage1View->size(), QSize(600, 400));
}

TEST_F(FileTest, ALargePictureOpensAtAReducedScaleAndTheSlidersReturnToRest)
{
    Start();
    Open(SaveBitmap("s.bmp", Photo(30, 20)));
    form->TrackBar2->setValue(130);
    form->TrackBar4->setValue(-12);
    Open(SaveBitmap("big.bmp", Photo(4000, 3000)));
    EXPECT_EQ(form->TrackBar1->value(), 20);
    EXPECT_EQ(Label(form->Label2), "表示倍率 ( 20 % )");
    EXPECT_EQ(form->KestrelImage1.Width(), 800);
    EXPECT_EQ(form->KestrelImage1.Height(), 600);
    EXPECT_EQ(form->TrackBar2->value(), 100);
    EXPECT_EQ(form->TrackBar4->value(), 0);
    EXPECT_EQ(Label(form->Label7), "ガンマ値 ( 1.00 )");
    EXPECT_NE(form->Caption().find("( 800 × 600 )"), std::string::npos);
}

TEST_F(FileTest, AJpegInCapitalsBecomesA24BitBitmap)
{
    Start();
    const std::string path = SaveJpeg("PHOTO.JPG", Photo(64, 48));
    Open(path);
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picBitmap);
    EXPECT_EQ(form->FBaseBitmap->PixelFormat(), pf24bit);
    EXPECT_NE(form->Caption().find("-  24 bit Color"), std::string::npos);
    EXPECT_TRUE(SamePixels(View(), *form->FBaseBitmap));
}

TEST_F(FileTest, APngOpensAsABitmapOfItsOwnDepthThatEveryCommandTakes)
{
    Start();
    TBitmap four = Photo(30, 20);
    four.SetPixelFormat(pf4bit);
    TPngImage png;
    png.Assign(four);
    png.SaveToFile(dir.File("P.PNG"));
    Open(dir.File("P.PNG"));
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picBitmap);
    EXPECT_EQ(form->FBaseBitmap->PixelFormat(), pf4bit);
    EXPECT_TRUE(SamePixels(*form->FBaseBitmap, four));
    EXPECT_NE(form->Caption().find("-  4 bit Color"), std::string::npos);
    form->N901->trigger();
    EXPECT_EQ(form->FBaseBitmap->Width(), 20);
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(FileTest, IconsAndMetafilesKeepTheirKindAndTheBaseIsTheirRendering)
{
    Start();
    dir.Write("i.ico", IconBytes());
    Open(dir.File("i.ico"));
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picIcon);
    EXPECT_EQ(form->FBaseBitmap->Width(), 16);
    EXPECT_EQ(form->FBaseBitmap->GetPixel(0, 0), RGBColor(200, 240, 0)); // rows bottom-up: y 15 on top

    Open(SaveMetafile("m.emf", 40, 30, [](TCanvas& c) {
        c.Brush.Color = clRed;
        c.FillRect(Rect(0, 0, 20, 30));
    }));
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picMetafile);
    EXPECT_EQ(dynamic_cast<const TMetafile*>(ViewGraphic())->Inch(), 1);
    EXPECT_EQ(form->FBaseBitmap->GetPixel(5, 5), clRed);
    EXPECT_EQ(form->FBaseBitmap->GetPixel(30, 5), clWhite);
}

TEST_F(FileTest, AFileThatCannotBeReadChangesNothing)
{
    Start();
    const std::string good = SaveBitmap("good.bmp", Photo(200, 100));
    Open(good);
    form->TrackBar1->setValue(50);
    form->TrackBar2->setValue(120);
    const std::string caption = form->Caption();
    const TBitmap shown = View();

    dir.Write("x.tif", "not really");
    dir.Write("bad.bmp", "BM broken");
    Open(dir.File("x.tif"));
    Open(dir.File("bad.bmp"));
    Open(dir.File("missing.jpg"));
    ASSERT_EQ(messages.Messages().size(), 3u);
    EXPECT_EQ(messages.Messages()[0], "拡張子 .tif の画像形式は処理できません");
    EXPECT_EQ(form->Caption(), caption);
    EXPECT_EQ(form->TrackBar1->value(), 50);
    EXPECT_EQ(form->TrackBar2->value(), 120);
    EXPECT_TRUE(SamePixels(View(), shown));
    EXPECT_EQ(form->KestrelImage1.Width(), 100);
    EXPECT_TRUE(form->KestrelImage1.Stretch());
    EXPECT_EQ(form->FPictureFileName, good);

    // Reloading a file that has become unreadable behaves the same way.
    std::filesystem::remove(good);
    form->O1->trigger();
    EXPECT_EQ(messages.Messages().size(), 4u);
    EXPECT_TRUE(SamePixels(View(), shown));
    // The window stays usable.
    form->TrackBar2->setValue(100);
    EXPECT_TRUE(SamePixels(View(), *form->FBaseBitmap));
}

TEST_F(FileTest, SavingChoosesTheFormatByTheLowerCasedExtension)
{
    Start();
    const std::string source = SaveBitmap("pic.bmp", Photo(40, 30));
    Open(source);
    form->TrackBar2->setValue(140); // shown, not made the base: not saved

    const std::string out = dir.Path() + "/out";
    std::filesystem::create_directory(out);
    for (const char* name : {"a.BMP", "b.emf", "c.wmf", "d.jpg", "e.jpeg", "f.ico", "g.txt", "h", "i.Png"}) {
        saveDialog->Answer(out + "/" + name);
        form->Save1->trigger();
        EXPECT_EQ(form->FSaveDir, out);
    }
    EXPECT_EQ(saveDialog->Runs()[0].FileName, "pic.bmp");
    EXPECT_EQ(saveDialog->Runs()[0].InitialDir, "");
    EXPECT_EQ(saveDialog->Runs()[1].InitialDir, out);

    TPicture read;
    read.LoadFromFile(out + "/a.BMP");
    EXPECT_TRUE(SamePixels(dynamic_cast<TBitmap&>(*read.Graphic()), Photo(40, 30)));
    TMetafile emf, wmf;
    emf.LoadFromFile(out + "/b.emf");
    EXPECT_TRUE(emf.Enhanced());
    EXPECT_EQ(emf.Width(), 40);
    wmf.LoadFromFile(out + "/c.wmf");
    EXPECT_FALSE(wmf.Enhanced());
    TJPEGImage jpeg;
    jpeg.LoadFromFile(out + "/d.jpg");
    EXPECT_EQ(jpeg.Width(), 40);
    EXPECT_TRUE(std::filesystem::exists(out + "/e.jpeg"));
    read.LoadFromFile(out + "/i.Png");
    EXPECT_TRUE(SamePixels(dynamic_cast<TPngImage&>(*read.Graphic()), Photo(40, 30)));
    // A name that writes nothing says so, naming what can be written.
    for (const char* none : {"f.ico", "g.txt", "h"}) EXPECT_FALSE(std::filesystem::exists(out + "/" + none)) << none;
    const std::string written = "保存できる拡張子は " + TPicture::WritableExtensionList() + " です。";
    EXPECT_EQ(messages.Messages(), (std::vector<std::string>{
                                       ".ico で保存できるのは、アイコンファイルから開いた画像だけです。",
                                       "拡張子 .txt では保存できません。" + written,
                                       "ファイル名に拡張子がありません。" + written,
                                   }));

    // A cancelled dialog changes nothing.
    form->FSaveDir = "/elsewhere";
    form->Save1->trigger();
    EXPECT_EQ(form->FSaveDir, "/elsewhere");
    EXPECT_EQ(messages.Messages().size(), 3u);
}

TEST_F(FileTest, AGifOpensAsItsFirstFrameAndIsSavedOnlyWith256ColoursOrFewer)
{
    Start();
    const std::string gif = dir.File("anim.GIF");
    std::filesystem::copy_file(std::string(PICTOR_TEST_DATA_DIR) + "/fuzz/gif/frames.gif", gif);
    Open(gif);
    ASSERT_TRUE(messages.Messages().empty());
    EXPECT_EQ(form->KestrelImage1.GetPictureType(), picBitmap);
    EXPECT_EQ(form->FBaseBitmap->BitsPerPixel(), 8);
    EXPECT_EQ(form->FBaseBitmap->Width(), 24);
    EXPECT_EQ(form->FBaseBitmap->GetPixel(0, 0), clWhite);            // the canvas
    EXPECT_EQ(form->FBaseBitmap->GetPixel(8, 6), RGBColor(255, 165, 0)); // the first frame
    EXPECT_NE(form->Caption().find("-  8 bit Color"), std::string::npos) << form->Caption();

    saveDialog->Answer(dir.File("copy.gif"));
    form->Save1->trigger();
    TGIFImage copy;
    copy.LoadFromFile(dir.File("copy.gif"));
    EXPECT_TRUE(SamePixels(copy, *form->FBaseBitmap));
    EXPECT_EQ(copy.FrameCount(), 1);

    // A 24-bit picture is refused with a message that says what to do, and
    // the file it was to replace stays as it was.
    Open(SaveBitmap("photo.bmp", Photo(40, 30)));
    dir.Write("old.gif", "old");
    form->FSaveDir = "/before";
    saveDialog->Answer(dir.File("old.gif"));
    form->Save1->trigger();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0], "24 ビットの画像は GIF ファイルに保存できません。先に 256 色以下に減色してください");
    EXPECT_EQ(dir.Read("old.gif"), "old");
    EXPECT_EQ(form->FSaveDir, "/before");
    // Reduced, it is written.
    form->Octree2561->trigger();
    saveDialog->Answer(dir.File("old.gif"));
    form->Save1->trigger();
    EXPECT_EQ(messages.Messages().size(), 1u);
    copy.LoadFromFile(dir.File("old.gif"));
    EXPECT_TRUE(SamePixels(copy, *form->FBaseBitmap));
}

TEST_F(FileTest, IconsAndMetafilesAreSavedAsThemselves)
{
    Start();
    dir.Write("i.ico", IconBytes());
    Open(dir.File("i.ico"));
    saveDialog->Answer(dir.File("copy.ico"));
    form->Save1->trigger();
    EXPECT_EQ(dir.Read("copy.ico"), IconBytes());
    saveDialog->Answer(dir.File("icon.bmp"));
    form->Save1->trigger();
    TBitmap rendered;
    rendered.LoadFromFile(dir.File("icon.bmp"));
    EXPECT_TRUE(SamePixels(rendered, *form->FBaseBitmap));

    Open(SaveMetafile("m.wmf", 40, 30, [](TCanvas& c) { c.Rectangle(2, 2, 30, 20); }));
    saveDialog->Answer(dir.File("again.emf"));
    form->Save1->trigger();
    TMetafile again;
    again.LoadFromFile(dir.File("again.emf"));
    EXPECT_FALSE(again.Enhanced()); // read old-style, written old-style
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(FileTest, AFailedSaveKeepsTheFolderAndTheOldFile)
{
    Start();
    Open(SaveBitmap("p.bmp", Photo(20, 10)));
    saveDialog->Answer(dir.File("no/such/folder/x.bmp"));
    form->FSaveDir = "/before";
    form->Save1->trigger();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(form->FSaveDir, "/before");
}

TEST_F(FileTest, ADiskThatFillsUpMidwayLeavesEveryOldFileWholeAndSaysSo)
{
    Start();
    const char* names[] = {"a.bmp", "b.emf", "c.wmf", "d.jpg", "e.ico"};
    auto saveAll = [&] {
        for (const char* name : names) {
            saveDialog->Answer(dir.File(name));
            form->Save1->trigger();
        }
    };
    Open(SaveBitmap("p.bmp", Photo(40, 30)));
    for (const char* name : names) dir.Write(name, "old");
    SetWriteFaultAfterBytes(30);
    saveAll(); // four failures, and the icon refused from a bitmap
    SetWriteFaultAfterBytes(std::nullopt);
    EXPECT_EQ(messages.Messages().size(), 5u);
    for (const char* name : names) EXPECT_EQ(dir.Read(name), "old") << name;

    dir.Write("i.ico", IconBytes());
    Open(dir.File("i.ico"));
    SetWriteFaultAfterBytes(IconBytes().size() - 1);
    saveDialog->Answer(dir.File("e.ico"));
    form->Save1->trigger();
    SetWriteFaultAfterBytes(std::nullopt);
    EXPECT_EQ(messages.Messages().size(), 6u);
    EXPECT_EQ(dir.Read("e.ico"), "old");

    const std::vector<std::string> expected = {"a.bmp", "b.emf", "c.wmf", "d.jpg", "e.ico", "i.ico", "p.bmp"};
    std::vector<std::string> entries = dir.Entries();
    std::erase_if(entries, [](const std::string& e) { return e.ends_with(".ini"); });
    EXPECT_EQ(entries, expected);
}

TEST_F(FileTest, AFileDroppedOnTheWindowOpensLikeTheMenu)
{
    Start();
    const std::string path = SaveBitmap("dropped.bmp", Photo(50, 40));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 200), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.get(), &drop);
    EXPECT_EQ(form->FPictureFileName, path);
    EXPECT_EQ(form->KestrelImage1.Width(), 50);

    // Two files at once, or something not a file, are not taken.
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile("/a.bmp"), QUrl::fromLocalFile("/b.bmp")});
    QDragEnterEvent refused(QPoint(300, 200), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QCoreApplication::sendEvent(form.get(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(FileTest, CopyTakesThePictureAsShownAndPasteOpensAnImageAsAFileWouldBe)
{
    Start();
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    EXPECT_FALSE(form->P1->isEnabled());
    const std::string path = SaveBitmap("p.bmp", Photo(60, 40));
    Open(path);

    // Copy: the view with its unconfirmed tone, without the trimming outline.
    form->TrackBar2->setValue(130);
    form->A1->trigger();
    const TBitmap withOutline = View();
    form->C1->trigger();
    EXPECT_TRUE(SamePixels(View(), withOutline));
    form->A1->trigger();
    const QImage copied = clipboard->image();
    ASSERT_EQ(copied.size(), QSize(60, 40));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const TColor c = View().GetPixel(x, y);
            ASSERT_EQ(copied.pixel(x, y), qRgb(GetRValue(c), GetGValue(c), GetBValue(c))) << x << "," << y;
        }
    EXPECT_TRUE(form->P1->isEnabled());

    // Paste: a new 24-bit picture with everything that opening sets; a
    // transparent pixel lies on white.
    QImage image(1500, 300, QImage::Format_ARGB32);
    image.fill(qRgb(10, 120, 230));
    image.setPixel(3, 2, qRgba(0, 0, 0, 0));
    clipboard->setImage(image);
    form->TrackBar4->setValue(12);
    form->P1->trigger();
    ASSERT_EQ(form->KestrelImage1.GetPictureType(), picBitmap);
    EXPECT_EQ(form->FBaseBitmap->PixelFormat(), pf24bit);
    EXPECT_EQ(form->FBaseBitmap->GetPixel(0, 0), RGBColor(10, 120, 230));
    EXPECT_EQ(form->FBaseBitmap->GetPixel(3, 2), clWhite);
    EXPECT_TRUE(SamePixels(View(), *form->FBaseBitmap));
    EXPECT_EQ(form->TrackBar2->value(), 100);
    EXPECT_EQ(form->TrackBar4->value(), 0);
    EXPECT_EQ(form->TrackBar1->value(), TForm1::InitialScale(1500));
    EXPECT_EQ(form->KestrelImage1.Width(), 1500 * TForm1::InitialScale(1500) / 100);
    EXPECT_EQ(form->Caption(), "(クリップボード)  ( 900 × 180 )  -  24 bit Color");
    EXPECT_EQ(form->FOpenDir, dir.Path());

    // Nothing to reload from; the save dialog offers no name.
    form->O1->trigger();
    EXPECT_EQ(form->FBaseBitmap->Width(), 1500);
    saveDialog->Answer(std::nullopt);
    form->Save1->trigger();
    EXPECT_EQ(saveDialog->Runs().back().FileName, "");
    // Opening a file names the file again.
    Open(path);
    EXPECT_EQ(form->Caption().rfind(path, 0), 0u);

    // Without an image on the clipboard there is nothing to paste.
    clipboard->setText("no picture");
    EXPECT_FALSE(form->P1->isEnabled());
    EXPECT_TRUE(messages.Messages().empty());
}

TEST_F(FileTest, LoadPictureWithAnEmptyNameDoesNothing)
{
    Start();
    const std::string path = SaveBitmap("d.bmp", Photo(50, 40));
    form->LoadPicture(path);
    EXPECT_EQ(form->FPictureFileName, path);
    form->LoadPicture("");
    EXPECT_EQ(form->FPictureFileName, path);
}

} // namespace
} // namespace pictor::testing
