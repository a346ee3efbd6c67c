// Recording into a metafile: the records a TMetafileCanvas writes for the
// toolkit's drawing calls, the size and frame of the result, the bounded
// object table, and bitmaps kept at their own layout.
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include "gfx/Metafile.h"
#include "gfx/metafile/MetafileData.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

std::vector<std::uint32_t> TypesOf(const TMetafile& m)
{
    return EmfRecordTypes(m.SaveToBytes());
}

TEST(MetafileRecord, NaturalRecordsForTheToolkitCalls)
{
    TMetafile m;
    m.SetWidth(200);
    m.SetHeight(100);
    {
        TMetafileCanvas c(m);
        EXPECT_EQ(c.Width(), 200);
        EXPECT_EQ(c.Height(), 100);
        c.MoveTo(1, 2);
        c.LineTo(30, 2);
        EXPECT_EQ(c.PenPos(), (TPoint{30, 2}));
        c.Rectangle(5, 5, 50, 40);
        c.Ellipse(10, 10, 20, 30);
        c.Polyline({{0, 0}, {10, 10}, {20, 0}});
        c.Polygon({{0, 0}, {10, 10}, {20, 0}});
        c.Brush.Color = clRed;
        c.FillRect(Rect(0, 0, 10, 10));
    }
    const auto types = TypesOf(m);
    EXPECT_EQ(types.front(), U_EMR_HEADER);
    EXPECT_EQ(types.back(), U_EMR_EOF);
    EXPECT_EQ(Count(types, U_EMR_MOVETOEX), 1);
    EXPECT_EQ(Count(types, U_EMR_LINETO), 1);
    EXPECT_EQ(Count(types, U_EMR_RECTANGLE), 1);
    EXPECT_EQ(Count(types, U_EMR_ELLIPSE), 1);
    EXPECT_EQ(Count(types, U_EMR_POLYLINE16), 1);
    EXPECT_EQ(Count(types, U_EMR_POLYGON16), 1);
    EXPECT_EQ(Count(types, U_EMR_BITBLT), 1);
    EXPECT_TRUE(m.Enhanced());
    EXPECT_FALSE(m.Empty());
    EXPECT_EQ(m.Width(), 200);
    EXPECT_EQ(m.Height(), 100);
    EXPECT_EQ(m.Inch(), 0);
    // 200 pixels at 96 dots per inch.
    EXPECT_EQ(m.MMWidth(), 5292);
    EXPECT_EQ(m.MMHeight(), 2646);
}

TEST(MetafileRecord, SizeSurvivesPixelsToMillimetresAndBack)
{
    for (int size : {1, 2, 3, 17, 96, 100, 573, 1024, 4000, 65536}) {
        TMetafile m;
        m.SetWidth(size);
        m.SetHeight(size + 1);
        EXPECT_EQ(m.Width(), size);
        EXPECT_EQ(m.Height(), size + 1);
        m.SetInch(1);
        EXPECT_EQ(m.Width(), size);
        EXPECT_EQ(m.Height(), size + 1);
        { TMetafileCanvas c(m); }
        m.SetInch(0);
        EXPECT_EQ(m.Width(), size);
    }
}

TEST(MetafileRecord, WithoutASizeTheFrameIsTheDrawing)
{
    TMetafile m;
    {
        TMetafileCanvas c(m);
        c.Rectangle(10, 20, 110, 70);
    }
    EXPECT_EQ(m.Width(), 100);
    EXPECT_EQ(m.Height(), 50);
}

TEST(MetafileRecord, ObjectTableStaysBoundedAndColoursStayRight)
{
    TMetafile m;
    m.SetWidth(100);
    m.SetHeight(100);
    {
        TMetafileCanvas c(m);
        for (int i = 0; i < 1000; ++i) {
            c.Pen.Color = RGBColor(i & 255, i >> 8, 7);
            c.MoveTo(0, i % 100);
            c.LineTo(99, i % 100);
        }
    }
    std::vector<std::uint8_t> file = m.SaveToBytes();
    const int handles = file[56] | (file[57] << 8);
    EXPECT_LE(handles, 70);
    TLogCanvas log;
    m.Draw(log, Rect(0, 0, 100, 100));
    ASSERT_EQ(log.Strokes.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(log.Strokes[static_cast<std::size_t>(i)].Pen.Color, RGBColor(i & 255, i >> 8, 7)) << i;
}

// A bitmap of the given layout with every pixel value distinct enough.
TBitmap Pattern(int bpp, std::optional<TColorMasks> masks, int w, int h)
{
    TBitmap b;
    b.SetLayout(bpp, masks, w, h);
    if (bpp <= 8) {
        std::vector<TPaletteEntry> entries;
        for (int i = 0; i < (1 << bpp); ++i)
            entries.push_back({static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(255 - i),
                               static_cast<std::uint8_t>(i * 11), 0});
        b.SetPalette(TPalette(std::move(entries)));
    }
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int i = 0; i < (w * bpp + 7) / 8; ++i) row[i] = static_cast<std::uint8_t>(i * 29 + y * 13 + 5);
    }
    return b;
}

TEST(MetafileRecord, BitmapsKeepTheirLayoutPaletteAndPixels)
{
    struct Case {
        int bpp;
        std::optional<TColorMasks> masks;
    };
    const Case cases[] = {{1, {}}, {4, {}}, {8, {}}, {16, {}}, {16, TColorMasks{0xF800, 0x07E0, 0x001F}}, {24, {}},
                          {32, {}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.bpp);
        TBitmap source = Pattern(k.bpp, k.masks, 13, 7);
        TMetafile m;
        m.SetWidth(40);
        m.SetHeight(30);
        {
            TMetafileCanvas c(m);
            c.Draw(3, 4, source);
        }
        TLogCanvas log;
        m.Draw(log, Rect(0, 0, 40, 30));
        ASSERT_EQ(log.Blits.size(), 1u);
        const auto& blit = log.Blits[0];
        EXPECT_EQ(blit.Bitmap.BitsPerPixel(), k.bpp);
        EXPECT_EQ(blit.Bitmap.Masks(), source.Masks());
        EXPECT_EQ(blit.Bitmap.Palette(), source.Palette());
        ASSERT_EQ(blit.Bitmap.Width(), 13);
        ASSERT_EQ(blit.Bitmap.Height(), 7);
        for (int y = 0; y < 7; ++y)
            EXPECT_EQ(0, std::memcmp(blit.Bitmap.ScanLine(y), source.ScanLine(y), (13 * k.bpp + 7) / 8)) << y;
        EXPECT_EQ(blit.Src, Rect(0, 0, 13, 7));
        EXPECT_DOUBLE_EQ(blit.Left, 3);
        EXPECT_DOUBLE_EQ(blit.Top, 4);
        EXPECT_DOUBLE_EQ(blit.Width, 13);
        EXPECT_DOUBLE_EQ(blit.Height, 7);
        EXPECT_EQ(blit.Rop, 0x00CC0020u);
    }
}

TEST(MetafileRecord, CopyRectRecordsOnlyTheSourceRectangle)
{
    TBitmap source = Pattern(4, {}, 20, 10);
    TMetafile m;
    m.SetWidth(20);
    m.SetHeight(10);
    {
        TMetafileCanvas c(m);
        c.CopyRect(Rect(0, 0, 5, 3), source.Canvas(), Rect(3, 2, 8, 5));
    }
    TLogCanvas log;
    m.Draw(log, Rect(0, 0, 20, 10));
    ASSERT_EQ(log.Blits.size(), 1u);
    const TBitmap& b = log.Blits[0].Bitmap;
    ASSERT_EQ(b.Width(), 5);
    ASSERT_EQ(b.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(b.GetPixel(x, y), source.GetPixel(x + 3, y + 2));
}

} // namespace
} // namespace pictor::testing
