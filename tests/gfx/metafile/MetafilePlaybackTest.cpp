// Playback: how records reach a canvas (geometry on the pixel grid, mapping
// modes, world transforms, saved states, clipping, objects, text), and
// that damaged records are skipped while the rest is drawn.
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include "gfx/Metafile.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pictor::testing {
namespace {

std::unique_ptr<TMetafile> Load(const std::vector<std::uint8_t>& bytes)
{
    auto m = std::make_unique<TMetafile>();
    m->LoadFromBytes(bytes);
    return m;
}

// The builders' device: 1000 pixels on 100 mm; a frame of 100 mm is 1000
// device pixels, drawn into a 1000-pixel square at 1:1.
std::unique_ptr<TLogCanvas> Play(const std::vector<std::uint8_t>& bytes, TRect dest = Rect(0, 0, 1000, 1000))
{
    auto log = std::make_unique<TLogCanvas>();
    Load(bytes)->Draw(*log, dest);
    EXPECT_EQ(log->Depth, 0);
    EXPECT_FALSE(log->Unbalanced);
    return log;
}

void ExpectPoint(TPointF p, double x, double y)
{
    EXPECT_NEAR(p.X, x, 1e-6);
    EXPECT_NEAR(p.Y, y, 1e-6);
}

TEST(MetafilePlayback, LinesRunThroughPixelCentresAndRectanglesExcludeTheirFarEdges)
{
    TMetafile m;
    m.SetWidth(100);
    m.SetHeight(100);
    {
        TMetafileCanvas c(m);
        c.MoveTo(1, 2);
        c.LineTo(10, 2);
        c.Brush.Color = clLime;
        c.Rectangle(5, 6, 15, 16);
    }
    TLogCanvas log;
    m.Draw(log, Rect(0, 0, 100, 100));
    ASSERT_EQ(log.Strokes.size(), 2u);
    auto line = PointsOf(log.Strokes[0].Path);
    ASSERT_EQ(line.size(), 2u);
    ExpectPoint(line[0], 1.5, 2.5);
    ExpectPoint(line[1], 10.5, 2.5);
    EXPECT_NEAR(log.Strokes[0].Width, 1, 1e-9);
    EXPECT_EQ(log.Strokes[0].Pen.Cap, pcFlat);
    // The fill lies inside the pen's band, so no pixel is drawn twice.
    ASSERT_EQ(log.Fills.size(), 1u);
    auto fill = BoxOf(log.Fills[0].Path);
    EXPECT_NEAR(fill[0], 6, 1e-9);
    EXPECT_NEAR(fill[1], 7, 1e-9);
    EXPECT_NEAR(fill[2], 14, 1e-9);
    EXPECT_NEAR(fill[3], 15, 1e-9);
    EXPECT_EQ(log.Fills[0].Brush.Color, clLime);
    auto outline = BoxOf(log.Strokes[1].Path);
    EXPECT_NEAR(outline[0], 5.5, 1e-9);
    EXPECT_NEAR(outline[2], 14.5, 1e-9);
}

TEST(MetafilePlayback, StretchesTheFrameOntoTheDestination)
{
    TBitmap b;
    b.SetLayout(24, std::nullopt, 10, 10);
    TMetafile m;
    m.SetWidth(100);
    m.SetHeight(50);
    {
        TMetafileCanvas c(m);
        c.Draw(10, 20, b);
    }
    TLogCanvas log;
    m.Draw(log, Rect(100, 50, 300, 75));
    ASSERT_EQ(log.Blits.size(), 1u);
    EXPECT_DOUBLE_EQ(log.Blits[0].Left, 120);
    EXPECT_DOUBLE_EQ(log.Blits[0].Top, 60);
    EXPECT_DOUBLE_EQ(log.Blits[0].Width, 20);
    EXPECT_DOUBLE_EQ(log.Blits[0].Height, 5);
    // Playback is clipped to the destination.
    ASSERT_FALSE(log.Clips.empty());
    auto clip = BoxOf(log.Clips[0]);
    EXPECT_EQ(clip, (std::array<double, 4>{100, 50, 300, 75}));
}

TEST(MetafilePlayback, MappingModesAndWorldTransforms)
{
    // Anisotropic: window 0..200 onto viewport 0..1000 device pixels.
    // Without a pen a rectangle's fill is its whole box.
    auto noPen = [] { return U_EMRSELECTOBJECT_set(U_NULL_PEN | 0x80000000u); };
    TEmfBuilder aniso;
    aniso.Add(noPen())
        .Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC))
        .Add(U_EMRSETWINDOWORGEX_set(point32_set(100, 100)))
        .Add(U_EMRSETWINDOWEXTEX_set(sizel_set(200, 400)))
        .Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(1000, 1000)))
        .Add(U_EMRRECTANGLE_set(U_RECTL{100, 100, 120, 140}));
    auto log = Play(aniso.Build());
    ASSERT_EQ(log->Fills.size(), 1u);
    EXPECT_EQ(BoxOf(log->Fills[0].Path), (std::array<double, 4>{0, 0, 100, 100}));

    // Metric: 1 mm (100 units) is 10 device pixels; y runs upwards.
    TEmfBuilder metric;
    metric.Add(noPen()).Add(U_EMRSETMAPMODE_set(U_MM_HIMETRIC)).Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 100, -200}));
    log = Play(metric.Build());
    ASSERT_EQ(log->Fills.size(), 1u);
    EXPECT_EQ(BoxOf(log->Fills[0].Path), (std::array<double, 4>{0, 0, 10, 20}));

    // Isotropic keeps the aspect: the smaller scale wins.
    TEmfBuilder iso;
    iso.Add(noPen())
        .Add(U_EMRSETMAPMODE_set(U_MM_ISOTROPIC))
        .Add(U_EMRSETWINDOWEXTEX_set(sizel_set(100, 100)))
        .Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(400, 200)))
        .Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}));
    log = Play(iso.Build());
    ASSERT_EQ(log->Fills.size(), 1u);
    EXPECT_EQ(BoxOf(log->Fills[0].Path), (std::array<double, 4>{0, 0, 20, 20}));

    // A world transform, saved and restored with the device context.
    TEmfBuilder world;
    world.Add(noPen())
        .Add(U_EMRSAVEDC_set())
        .Add(U_EMRSETWORLDTRANSFORM_set(xform_set(2, 0, 0, 3, 10, 20)))
        .Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}))
        .Add(U_EMRRESTOREDC_set(-1))
        .Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}));
    log = Play(world.Build());
    ASSERT_EQ(log->Fills.size(), 2u);
    EXPECT_EQ(BoxOf(log->Fills[0].Path), (std::array<double, 4>{10, 20, 30, 50}));
    EXPECT_EQ(BoxOf(log->Fills[1].Path), (std::array<double, 4>{0, 0, 10, 10}));
}

TEST(MetafilePlayback, ObjectsCreatedSelectedAndDeleted)
{
    TEmfBuilder b;
    b.Add(U_EMRCREATEBRUSHINDIRECT_set(1, logbrush_set(U_BS_SOLID, colorref3_set(1, 2, 3), 0)))
        .Add(U_EMRCREATEPEN_set(2, logpen_set(U_PS_DASH, U_POINT{0, 0}, colorref3_set(4, 5, 6))))
        .Add(U_EMRSELECTOBJECT_set(1))
        .Add(U_EMRSELECTOBJECT_set(2))
        .Add(U_EMRDELETEOBJECT_set(1)) // stays selected
        .Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}))
        .Add(U_EMRSELECTOBJECT_set(1)) // deleted: nothing changes
        .Add(U_EMRSELECTOBJECT_set(999)) // beyond the table
        .Add(U_EMRSELECTOBJECT_set(U_NULL_BRUSH | 0x80000000u))
        .Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}));
    auto log = Play(b.Build());
    ASSERT_EQ(log->Fills.size(), 1u);
    EXPECT_EQ(log->Fills[0].Brush.Color, RGBColor(1, 2, 3));
    ASSERT_EQ(log->Strokes.size(), 2u);
    EXPECT_EQ(log->Strokes[0].Pen.Color, RGBColor(4, 5, 6));
    EXPECT_EQ(log->Strokes[0].Pen.Style, psDash);
}

TEST(MetafilePlayback, TextWithAlignmentColoursAndAdvances)
{
    TEmfBuilder b;
    U_LOGFONT lf = logfont_set(-20, 0, 0, 0, 700, 1, 0, 0, 1, 0, 0, 0, 0, nullptr);
    std::uint16_t face[] = {'S', 'e', 'r', 'i', 'f', 0};
    std::memcpy(lf.lfFaceName, face, sizeof face);
    std::uint16_t text[] = {'A', 0x3042, 0xD83D, 0xDE00}; // A, Hiragana a, an emoji (two units)
    std::uint32_t dx[] = {10, 20, 30, 0};
    char* et = emrtext_set(point32_set(100, 200), 4, 2, text, 0, U_RECTL{0, 0, 0, 0}, dx);
    b.Add(U_EMREXTCREATEFONTINDIRECTW_set(1, reinterpret_cast<const char*>(&lf), nullptr))
        .Add(U_EMRSELECTOBJECT_set(1))
        .Add(U_EMRSETTEXTCOLOR_set(colorref3_set(255, 0, 0)))
        .Add(U_EMRSETBKMODE_set(U_TRANSPARENT))
        .Add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE | U_TA_CENTER))
        .Add(U_EMREXTTEXTOUTW_set(U_RECTL{0, 0, -1, -1}, U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(et)));
    std::free(et);
    auto log = Play(b.Build());
    ASSERT_EQ(log->Texts.size(), 1u);
    const TTextRun& run = log->Texts[0];
    EXPECT_EQ(run.Text, "A\xE3\x81\x82\xF0\x9F\x98\x80");
    ExpectPoint(run.Origin, 100, 200);
    EXPECT_EQ(run.HAlign, taCenter);
    EXPECT_EQ(run.VAlign, tvBaseline);
    EXPECT_EQ(run.Color, clRed);
    EXPECT_FALSE(run.Opaque);
    EXPECT_EQ(run.Font.Name, "Serif");
    EXPECT_EQ(run.Font.Height, -20);
    EXPECT_TRUE(run.Font.Bold);
    EXPECT_TRUE(run.Font.Italic);
    EXPECT_EQ(run.Advances, (std::vector<double>{10, 20, 30}));
}

TEST(MetafilePlayback, ClippingFollowsSavedStates)
{
    TEmfBuilder b;
    b.Add(U_EMRSAVEDC_set())
        .Add(U_EMRINTERSECTCLIPRECT_set(U_RECTL{10, 10, 20, 20}))
        .Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 30, 30}))
        .Add(U_EMRRESTOREDC_set(-1))
        .Add(U_EMRRESTOREDC_set(-1)) // nothing left to restore: ignored
        .Add(U_EMRRESTOREDC_set(5))
        .Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 30, 30}));
    auto log = Play(b.Build());
    // The destination, then the rectangle.
    ASSERT_EQ(log->Clips.size(), 2u);
    EXPECT_EQ(BoxOf(log->Clips[1]), (std::array<double, 4>{10, 10, 20, 20}));
    EXPECT_EQ(log->Fills.size(), 2u);
}

TEST(MetafilePlayback, DeepNestingOfSavedStatesIsBounded)
{
    TEmfBuilder b;
    for (int i = 0; i < 5000; ++i) b.Add(U_EMRSAVEDC_set());
    b.Add(U_EMRINTERSECTCLIPRECT_set(U_RECTL{10, 10, 20, 20}));
    for (int i = 0; i < 5000; ++i) b.Add(U_EMRRESTOREDC_set(-1));
    b.Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 30, 30}));
    auto log = Play(b.Build());
    EXPECT_EQ(log->Fills.size(), 1u);
}

TEST(MetafilePlayback, PathsFillStrokeAndClip)
{
    TEmfBuilder b;
    b.Add(U_EMRBEGINPATH_set())
        .Add(U_EMRMOVETOEX_set(point32_set(0, 0)))
        .Add(U_EMRLINETO_set(point32_set(100, 0)))
        .Add(U_EMRLINETO_set(point32_set(100, 100)))
        .Add(U_EMRCLOSEFIGURE_set())
        .Add(U_EMRENDPATH_set())
        .Add(U_EMRSTROKEANDFILLPATH_set(U_RECTL{0, 0, 0, 0}))
        .Add(U_EMRBEGINPATH_set())
        .Add(U_EMRELLIPSE_set(U_RECTL{0, 0, 50, 50}))
        .Add(U_EMRENDPATH_set())
        .Add(U_EMRSELECTCLIPPATH_set(U_RGN_COPY))
        .Add(U_EMRFILLPATH_set(U_RECTL{0, 0, 0, 0})); // the path was used up
    auto log = Play(b.Build());
    ASSERT_EQ(log->Fills.size(), 1u);
    ASSERT_EQ(log->Strokes.size(), 1u);
    EXPECT_EQ(BoxOf(log->Fills[0].Path), (std::array<double, 4>{0, 0, 100, 100}));
    ASSERT_EQ(log->Clips.size(), 2u);
    EXPECT_EQ(BoxOf(log->Clips[1]), (std::array<double, 4>{0, 0, 50, 50}));
}

TEST(MetafilePlayback, DamagedRecordsAreSkippedAndTheRestDrawn)
{
    TEmfBuilder b;
    // A polyline claiming a million points in a record of three.
    std::vector<std::uint8_t> polyline = EmfRecord(U_EMR_POLYLINE16, {0, 0, 0, 0, 1000000, 0, 0, 0});
    // A polypolygon whose counts add up to more than its points.
    std::vector<std::uint8_t> polypolygon = EmfRecord(U_EMR_POLYPOLYGON16, {0, 0, 0, 0, 2, 2, 2, 5, 0, 0});
    // A bitmap whose offsets point outside its record.
    std::vector<std::uint8_t> blit(80, 0);
    Put32(blit, 0, U_EMR_STRETCHDIBITS);
    Put32(blit, 4, 80);
    Put32(blit, 48, 76);
    Put32(blit, 52, 40);
    Put32(blit, 56, 4000);
    Put32(blit, 60, 100);
    // Text whose string lies beyond the record.
    std::vector<std::uint8_t> text = EmfRecord(U_EMR_EXTTEXTOUTW, {0, 0, 0, 0, 1, 0, 0, 5, 6, 50, 9000, 0,
                                                                   0, 0, 0, 0, 0, 0});
    b.AddRaw(polyline)
        .AddRaw(polypolygon)
        .AddRaw(blit)
        .AddRaw(text)
        .Add(U_EMRCREATEPEN_set(60000, logpen_set(U_PS_SOLID, U_POINT{1, 1}, colorref3_set(1, 1, 1))))
        .Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 10, 10}));
    TLogCanvas log;
    Load(b.Build())->Draw(log, Rect(0, 0, 1000, 1000));
    EXPECT_TRUE(log.Blits.empty());
    EXPECT_TRUE(log.Texts.empty());
    EXPECT_EQ(log.Fills.size(), 1u);
}

// A bitmap header of 8192 by 8192 pixels, 4 bits, run-length encoded, with
// a two-colour table; the rows are just the end-of-bitmap code, so the record
// is tiny but decodes to 64 megapixels.
std::vector<std::uint8_t> HugeRleDib()
{
    std::vector<std::uint8_t> dib(40 + 8 + 4, 0);
    Put32(dib, 0, 40);
    Put32(dib, 4, 8192);
    Put32(dib, 8, 8192);
    dib[12] = 1;
    dib[14] = 4;
    Put32(dib, 16, 2); // 4-bit run lengths
    Put32(dib, 20, 4); // bytes of the rows
    Put32(dib, 32, 2); // colours used
    dib[48 + 1] = 1;                // 00 01: end of bitmap
    return dib;
}

// Counts bitmap transfers without keeping the bitmaps.
class TBlitCounter : public TLogCanvas {
public:
    void DrawBitmap(const TBitmap&, const TRect&, double, double, double, double, std::uint32_t) override { ++Count; }
    int Count = 0;
};

TEST(MetafilePlayback, BitmapsDecodedByOnePlaybackAreBounded)
{
    // Five records of 64 megapixels each: the first four (256 megapixels)
    // are drawn, the fifth is skipped, and the next playback starts afresh.
    // A bitmap too large to decode at all takes nothing from the budget.
    const std::vector<std::uint8_t> dib = HugeRleDib();
    std::vector<std::uint8_t> tooLarge = dib;
    Put32(tooLarge, 4, 65536);
    Put32(tooLarge, 8, 4096); // 256 megapixels, beyond one picture

    auto emfRecord = [](const std::vector<std::uint8_t>& bitmap) {
        std::vector<std::uint8_t> blit(80 + bitmap.size(), 0);
        std::copy(bitmap.begin(), bitmap.end(), blit.begin() + 80);
        Put32(blit, 0, U_EMR_STRETCHDIBITS);
        Put32(blit, 4, static_cast<std::uint32_t>(blit.size()));
        Put32(blit, 40, 1); // source 1 by 1
        Put32(blit, 44, 1);
        Put32(blit, 48, 80);
        Put32(blit, 52, 48);
        Put32(blit, 56, 128);
        Put32(blit, 60, 4);
        Put32(blit, 68, 0x00CC0020);
        Put32(blit, 72, 10);
        Put32(blit, 76, 10);
        return blit;
    };
    auto wmfRecord = [](const std::vector<std::uint8_t>& bitmap) {
        std::vector<std::int16_t> params = {0x0020, 0x00CC, 0, 1, 1, 0, 0, 10, 10, 0, 0};
        for (std::size_t i = 0; i < bitmap.size(); i += 2)
            params.push_back(static_cast<std::int16_t>(bitmap[i] | (bitmap[i + 1] << 8)));
        return WmfRecord(0x0F43, params);
    };

    TEmfBuilder b;
    b.AddRaw(emfRecord(tooLarge));
    for (int i = 0; i < 5; ++i) b.AddRaw(emfRecord(dib));
    auto emf = Load(b.Build());
    std::vector<std::vector<std::uint16_t>> records{wmfRecord(tooLarge)};
    for (int i = 0; i < 5; ++i) records.push_back(wmfRecord(dib));
    auto wmf = Load(WmfFile(records, Rect(0, 0, 100, 100), 96));

    for (int pass = 0; pass < 2; ++pass) {
        TBlitCounter counter;
        emf->Draw(counter, Rect(0, 0, 100, 100));
        EXPECT_EQ(counter.Count, 4);
    }
    TBlitCounter counter;
    wmf->Draw(counter, Rect(0, 0, 100, 100));
    EXPECT_EQ(counter.Count, 4);
}

TEST(MetafilePlayback, OldStyleRecordsMapTheirWindowOntoTheDestination)
{
    // Placeable, 1000 units per inch, box 0..1000: a picture an inch square.
    auto file = WmfFile({WmfRecord(0x020B, {0, 0}),           // window origin
                         WmfRecord(0x020C, {500, 500}),       // window extent: half the box
                         WmfRecord(0x02FC, {0, 0x00FF, 0, 0}), // red solid brush
                         WmfRecord(0x012D, {0}),
                         WmfRecord(0x02FA, {5, 0, 0, 0, 0}), // null pen
                         WmfRecord(0x012D, {1}),
                         WmfRecord(0x041B, {100, 100, 0, 0}), // rectangle 0,0-100,100
                         WmfRecord(0x02FA, {0, 0, 0, 0, 0}), // black pen
                         WmfRecord(0x012D, {2}),
                         WmfRecord(0x0325, {2, 0, 0, 500, 500})},
                        Rect(0, 0, 1000, 1000), 1000);
    auto m = Load(file);
    EXPECT_FALSE(m->Enhanced());
    EXPECT_EQ(m->Inch(), 1000);
    EXPECT_EQ(m->Width(), 96);
    TLogCanvas log;
    m->Draw(log, Rect(0, 0, 200, 200));
    ASSERT_EQ(log.Fills.size(), 1u);
    EXPECT_EQ(BoxOf(log.Fills[0].Path), (std::array<double, 4>{0, 0, 40, 40}));
    EXPECT_EQ(log.Fills[0].Brush.Color, clRed);
    ASSERT_EQ(log.Strokes.size(), 1u);
    auto line = PointsOf(log.Strokes[0].Path);
    ExpectPoint(line[1], 200.5, 200.5);
}

} // namespace
} // namespace pictor::testing
