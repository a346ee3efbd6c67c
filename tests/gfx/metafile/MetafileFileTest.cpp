// Metafile files: enhanced and placeable old-style reading and writing, the
// format a metafile keeps, units per inch, copies, and damaged files.
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include "core/Exception.h"
#include "gfx/Metafile.h"
#include "gfx/Picture.h"
#include "gfx/formats/ByteReader.h"
#include "tests/gfx/BitmapTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& s)
{
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return TByteReader(b).U32(at);
}
int U16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return TByteReader(b).U16(at);
}

// A program-made metafile: a bitmap drawn at (0, 0), units per inch 1.
void MakeProgramMetafile(TMetafile& m, TBitmap& picture)
{
    picture.SetLayout(8, std::nullopt, 30, 20);
    std::vector<TPaletteEntry> entries;
    for (int i = 0; i < 256; ++i) entries.push_back({static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i), 0});
    picture.SetPalette(TPalette(std::move(entries)));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) picture.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 8 + y);
    m.SetWidth(30);
    m.SetHeight(20);
    {
        TMetafileCanvas c(m);
        c.Draw(0, 0, picture);
    }
    m.SetInch(1);
}

void ExpectBitmapAtOrigin(const TMetafile& m, const TBitmap& picture)
{
    TLogCanvas log;
    m.Draw(log, Rect(0, 0, m.Width(), m.Height()));
    ASSERT_EQ(log.Blits.size(), 1u);
    const auto& blit = log.Blits[0];
    EXPECT_NEAR(blit.Left, 0, 1e-9);
    EXPECT_NEAR(blit.Top, 0, 1e-9);
    EXPECT_NEAR(blit.Width, picture.Width(), 1e-9);
    EXPECT_NEAR(blit.Height, picture.Height(), 1e-9);
    EXPECT_EQ(blit.Bitmap.BitsPerPixel(), picture.BitsPerPixel());
    EXPECT_EQ(blit.Bitmap.Palette(), picture.Palette());
    for (int y = 0; y < picture.Height(); ++y)
        EXPECT_EQ(0, std::memcmp(blit.Bitmap.ScanLine(y), picture.ScanLine(y), static_cast<std::size_t>(picture.Width())));
}

TEST(MetafileFile, ProgramMetafileSavedAsEmfAndWmfReadsBack)
{
    TempDir dir;
    TMetafile m;
    TBitmap picture;
    MakeProgramMetafile(m, picture);

    m.SaveToFile(dir.File("a.emf"));
    m.SaveToFile(dir.File("a.WMF"));
    const std::string emf = dir.Read("a.emf"), wmf = dir.Read("a.WMF");
    EXPECT_EQ(U32(Bytes(emf), 0), 1u);
    EXPECT_EQ(U32(Bytes(wmf), 0), 0x9AC6CDD7u);

    TMetafile e, w;
    e.LoadFromFile(dir.File("a.emf"));
    w.LoadFromFile(dir.File("a.WMF"));
    EXPECT_TRUE(e.Enhanced());
    EXPECT_FALSE(w.Enhanced());
    for (TMetafile* back : {&e, &w}) {
        back->SetInch(1);
        EXPECT_EQ(back->Width(), 30);
        EXPECT_EQ(back->Height(), 20);
        ExpectBitmapAtOrigin(*back, picture);
    }
}

TEST(MetafileFile, EachFormatIsKeptUnderEmfAndPlaceableUnderWmf)
{
    TempDir dir;
    // Read from an old-style file: ".emf" keeps the old-style format.
    auto old = WmfFile({WmfRecord(0x02FA, {5, 0, 0, 0, 0}), WmfRecord(0x012D, {0}), // null pen
                        WmfRecord(0x041B, {100, 100, 0, 0})},
                       Rect(0, 0, 1440, 720), 1440);
    TMetafile w;
    w.LoadFromBytes(old);
    w.SetInch(1);
    w.SaveToFile(dir.File("w.emf"));
    auto saved = Bytes(dir.Read("w.emf"));
    EXPECT_EQ(U32(saved, 0), 0x9AC6CDD7u);
    // The header's units per inch and box hold the picture's size (1 inch,
    // too coarse for it, is written as the screen's 96).
    EXPECT_EQ(U16(saved, 14), 96);
    EXPECT_EQ(U16(saved, 10), 96);
    EXPECT_EQ(U16(saved, 12), 48);
    TMetafile again;
    again.LoadFromFile(dir.File("w.emf"));
    EXPECT_FALSE(again.Enhanced());
    EXPECT_EQ(again.Width(), 96);
    EXPECT_EQ(again.Height(), 48);
    TLogCanvas log;
    again.Draw(log, Rect(0, 0, 96, 48));
    ASSERT_EQ(log.Fills.size(), 1u);
    EXPECT_EQ(BoxOf(log.Fills[0].Path), (std::array<double, 4>{0, 0, 96.0 * 100 / 1440, 48.0 * 100 / 720}));

    // Unchanged, an old-style file is written back as it was read.
    TMetafile same;
    same.LoadFromBytes(old);
    EXPECT_EQ(same.SaveToBytes(), old);

    // Read from an enhanced file: ".emf" writes enhanced, ".wmf" placeable.
    TEmfBuilder b;
    b.Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}));
    TMetafile e;
    e.LoadFromBytes(b.Build());
    e.SaveToFile(dir.File("e.emf"));
    e.SaveToFile(dir.File("e.wmf"));
    EXPECT_EQ(U32(Bytes(dir.Read("e.emf")), 0), 1u);
    EXPECT_EQ(U32(Bytes(dir.Read("e.wmf")), 0), 0x9AC6CDD7u);
    EXPECT_TRUE(e.Enhanced());

    // Both files read back to the same picture: the rectangle (10 device
    // pixels of the builder's 254 dots per inch) at the same place.
    for (const char* name : {"e.emf", "e.wmf", "w.emf"}) {
        SCOPED_TRACE(name);
        TMetafile back;
        back.LoadFromFile(dir.File(name));
        back.SetInch(1);
        TLogCanvas backLog;
        back.Draw(backLog, Rect(0, 0, back.Width(), back.Height()));
        EXPECT_FALSE(backLog.Strokes.empty() && backLog.Fills.empty());
    }
    TMetafile fromEmf, fromWmf;
    fromEmf.LoadFromFile(dir.File("e.emf"));
    fromWmf.LoadFromFile(dir.File("e.wmf"));
    fromEmf.SetInch(1);
    fromWmf.SetInch(1);
    EXPECT_EQ(fromWmf.Width(), fromEmf.Width());
    EXPECT_EQ(fromWmf.Height(), fromEmf.Height());
    // At the picture's size the outline is on the same pixels; stretched, the
    // old-style copy (made at that size) may differ by one of its pixels.
    const TRect own = Rect(0, 0, fromEmf.Width(), fromEmf.Height());
    for (TRect dest : {own, Rect(0, 0, 1000, 1000)}) {
        TLogCanvas a, w2;
        fromEmf.Draw(a, dest);
        fromWmf.Draw(w2, dest);
        ASSERT_EQ(a.Strokes.size(), 1u);
        ASSERT_EQ(w2.Strokes.size(), 1u);
        const double pixel = double(dest.Width()) / own.Width();
        auto boxA = BoxOf(a.Strokes[0].Path), boxW = BoxOf(w2.Strokes[0].Path);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(boxA[i], boxW[i], dest == own ? 0.1 : pixel) << dest.Width();
        }
    }
}

TEST(MetafileFile, UnitsPerInchDecideThePixelSize)
{
    // The builder's device: 1000 pixels on 100 mm (254 dots per inch); the
    // frame is 50 by 25 mm.
    TEmfBuilder b;
    b.Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}));
    TMetafile m;
    m.LoadFromBytes(b.Build(U_RECTL{0, 0, 5000, 2500}));
    EXPECT_EQ(m.Inch(), 0);
    EXPECT_EQ(m.MMWidth(), 5000);
    EXPECT_EQ(m.Width(), 500);
    EXPECT_EQ(m.Height(), 250);
    m.SetInch(1);
    EXPECT_EQ(m.Width(), 189); // 50 mm at 96 dots per inch
    EXPECT_EQ(m.Height(), 94);
    m.SetWidth(378);
    EXPECT_EQ(m.MMWidth(), 10001);
    EXPECT_EQ(m.Width(), 378);

    // In a placeable header, a fine enough value is written as it is.
    m.SetInch(1440);
    auto wmf = m.SaveToBytes();
    EXPECT_EQ(U32(wmf, 0), 1u); // still enhanced
    TempDir dir;
    m.SaveToFile(dir.File("p.wmf"));
    auto placeable = Bytes(dir.Read("p.wmf"));
    EXPECT_EQ(U16(placeable, 14), 1440);
    EXPECT_EQ(U16(placeable, 10), 5670);
    EXPECT_EQ(U16(placeable, 12), 1417);
}

TEST(MetafileFile, CopiesAreIndependentAndBitmapsDoNotTakeMetafiles)
{
    TMetafile m;
    TBitmap picture;
    MakeProgramMetafile(m, picture);
    TMetafile copy;
    copy.Assign(m);
    copy.SetInch(0);
    copy.SetWidth(60);
    EXPECT_EQ(m.Inch(), 1);
    EXPECT_EQ(m.Width(), 30);
    EXPECT_EQ(copy.Width(), 60);
    auto clone = m.Clone();
    EXPECT_EQ(clone->Width(), 30);
    EXPECT_EQ(dynamic_cast<TMetafile&>(*clone).SaveToBytes(), m.SaveToBytes());
    TBitmap bitmap;
    EXPECT_THROW(bitmap.Assign(m), EConvertError);
    EXPECT_THROW(m.Assign(bitmap), EConvertError);
}

TEST(MetafileFile, ConvertingBetweenTheFormats)
{
    TMetafile m;
    TBitmap picture;
    MakeProgramMetafile(m, picture);
    m.SetEnhanced(false);
    EXPECT_FALSE(m.Enhanced());
    EXPECT_EQ(m.Width(), 30);
    ExpectBitmapAtOrigin(m, picture);
    m.SetEnhanced(true);
    EXPECT_TRUE(m.Enhanced());
    EXPECT_EQ(m.Width(), 30);
    ExpectBitmapAtOrigin(m, picture);
}

TEST(MetafileFile, WidePicturesKeepTheirPixelsInOldStyleFiles)
{
    // 16-bit coordinates hold 3000 pixels only in fewer than sixteen units a
    // pixel.
    for (int width : {3000, 2999}) {
        SCOPED_TRACE(width);
        TBitmap picture = MakeTestPicture(width, 3, 6);
        TMetafile m;
        m.SetWidth(width);
        m.SetHeight(3);
        {
            TMetafileCanvas c(m);
            c.Draw(0, 0, picture);
        }
        m.SetInch(1);
        m.SetEnhanced(false);
        TMetafile back;
        back.LoadFromBytes(m.SaveToBytes());
        back.SetInch(1);
        ASSERT_EQ(back.Width(), width);
        ASSERT_EQ(back.Height(), 3);
        TBitmap rendered;
        rendered.SetSize(width, 3);
        rendered.Canvas().Draw(0, 0, back);
        EXPECT_TRUE(SameColours(rendered, picture));
    }

    // 40000 pixels do not fit at all: the old-style copy keeps the size and
    // shows the picture at the resolution that fits.
    TMetafile wide;
    wide.SetWidth(40000);
    wide.SetHeight(3);
    {
        TMetafileCanvas c(wide);
        c.Brush.Color = clRed;
        c.FillRect(Rect(0, 0, 20000, 3));
    }
    wide.SetInch(1);
    wide.SetEnhanced(false);
    wide.SetInch(1);
    EXPECT_EQ(wide.Width(), 40000);
    EXPECT_EQ(wide.Height(), 3);
    TBitmap rendered;
    rendered.SetSize(40000, 3);
    rendered.Canvas().Draw(0, 0, wide);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(rendered.GetPixel(19990, y), clRed);
        EXPECT_EQ(rendered.GetPixel(20010, y), clWhite);
    }
}

TEST(MetafileFile, DamagedFilesAreRefusedAndLeaveTheMetafileAsItWas)
{
    TMetafile m;
    TBitmap picture;
    MakeProgramMetafile(m, picture);
    const auto before = m.SaveToBytes();

    TEmfBuilder b;
    b.Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}));
    const auto good = b.Build();
    std::vector<std::vector<std::uint8_t>> bad;
    bad.push_back({});
    bad.push_back(Bytes("not a metafile at all, just text"));
    bad.push_back(std::vector<std::uint8_t>(good.begin(), good.begin() + 60)); // header cut
    auto oversized = good;
    Put32(oversized, 4, 1 << 30); // header larger than the file
    bad.push_back(oversized);
    auto unaligned = good;
    Put32(unaligned, 4, U32(good, 4) + 1);
    bad.push_back(unaligned);
    auto noSize = good;
    for (int i = 8; i < 40; ++i) noSize[static_cast<std::size_t>(i)] = 0; // neither frame nor bounds
    Put32(noSize, 16, 0xFFFFFFFF);
    bad.push_back(noSize);
    auto hugeFrame = good;
    Put32(hugeFrame, 32, 0x7FFFFFFF);
    bad.push_back(hugeFrame);
    auto wmf = WmfFile({WmfRecord(0x0201, {0, 0})}, Rect(0, 0, 0, 0), 1440); // no box, window or drawing
    bad.push_back(wmf);
    auto wrongHeader = WmfFile({}, Rect(0, 0, 100, 100), 96);
    wrongHeader[22 + 2] = 7; // header words
    bad.push_back(wrongHeader);

    for (std::size_t i = 0; i < bad.size(); ++i) {
        EXPECT_THROW(m.LoadFromBytes(bad[i]), EInvalidGraphic) << i;
        EXPECT_EQ(m.SaveToBytes(), before) << i;
    }
}

TEST(MetafileFile, FilesCutShortKeepTheirCompleteRecords)
{
    TEmfBuilder b;
    b.Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10})).Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 20, 20}));
    auto file = b.Build();
    file.resize(file.size() - 20 - 10); // the end record and half the second rectangle
    TMetafile m;
    m.LoadFromBytes(file);
    TLogCanvas log;
    m.Draw(log, Rect(0, 0, 1000, 1000));
    EXPECT_EQ(log.Fills.size(), 1u);
    auto types = EmfRecordTypes(m.SaveToBytes());
    EXPECT_EQ(types.back(), U_EMR_EOF);

    auto wmf = WmfFile({WmfRecord(0x041B, {10, 10, 0, 0}), WmfRecord(0x041B, {20, 20, 0, 0})},
                       Rect(0, 0, 100, 100), 96);
    wmf.resize(wmf.size() - 6 - 4);
    TMetafile w;
    w.LoadFromBytes(wmf);
    TLogCanvas wlog;
    w.Draw(wlog, Rect(0, 0, 100, 100));
    EXPECT_EQ(wlog.Fills.size(), 1u);
}

TEST(MetafileFile, PlainOldStyleFilesAreSizedByTheirWindow)
{
    auto plain = WmfFile({WmfRecord(0x020C, {720, 1440}), WmfRecord(0x041B, {100, 100, 0, 0})}, TRect{}, 0);
    TMetafile m;
    m.LoadFromBytes(plain);
    EXPECT_FALSE(m.Enhanced());
    EXPECT_EQ(m.Width(), 96); // twips
    EXPECT_EQ(m.Height(), 48);
}

TEST(MetafileFile, ThePictureHolderLoadsAndSavesBothExtensions)
{
    TempDir dir;
    TEmfBuilder b;
    b.Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}));
    const auto emf = b.Build();
    const auto wmf = WmfFile({WmfRecord(0x041B, {100, 100, 0, 0})}, Rect(0, 0, 1440, 720), 1440);
    dir.Write("a.EMF", std::string(emf.begin(), emf.end()));
    dir.Write("b.wmf", std::string(wmf.begin(), wmf.end()));
    dir.Write("broken.wmf", "broken");
    TPicture picture;
    picture.LoadFromFile(dir.File("a.EMF"));
    auto* m = dynamic_cast<TMetafile*>(picture.Graphic());
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->Enhanced());
    picture.SaveToFile(dir.File("c.wmf"));
    EXPECT_EQ(U32(Bytes(dir.Read("c.wmf")), 0), 0x9AC6CDD7u);
    picture.LoadFromFile(dir.File("b.wmf"));
    m = dynamic_cast<TMetafile*>(picture.Graphic());
    ASSERT_NE(m, nullptr);
    EXPECT_FALSE(m->Enhanced());
    EXPECT_THROW(picture.LoadFromFile(dir.File("broken.wmf")), EInvalidGraphic);
    EXPECT_EQ(picture.Graphic(), m);
    EXPECT_EQ(picture.Width(), 96);
}

} // namespace
} // namespace pictor::testing
