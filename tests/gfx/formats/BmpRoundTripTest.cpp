// Writing BMP files and reading them back: every depth keeps its pixels, its
// palette (size and order) and its masks.
#include "tests/gfx/BitmapTestSupport.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/PixelRows.h"
#include "gfx/formats/ByteReader.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pictor {
namespace {

using testing::MakeTestPicture;
using testing::SameColours;

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return TByteReader(b).U32(at);
}

void ExpectSameRows(const TBitmap& a, const TBitmap& b)
{
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    ASSERT_EQ(a.BitsPerPixel(), b.BitsPerPixel());
    const std::size_t used = (static_cast<std::size_t>(a.Width()) * a.BitsPerPixel() + 7) / 8;
    for (int y = 0; y < a.Height(); ++y)
        ASSERT_EQ(0, std::memcmp(a.ScanLine(y), b.ScanLine(y), used)) << "row " << y;
}

TEST(BmpRoundTrip, EveryFormatKeepsPixelsPaletteAndMasks)
{
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        for (int width : {1, 2, 3, 5, 8, 31, 33}) {
            TBitmap b = MakeTestPicture(width, 7, static_cast<unsigned>(width));
            b.SetPixelFormat(f);
            TBitmap r;
            r.LoadFromBytes(b.SaveToBytes());
            EXPECT_EQ(r.PixelFormat(), f);
            EXPECT_EQ(r.Palette(), b.Palette()) << f;
            EXPECT_EQ(r.Masks(), b.Masks());
            ExpectSameRows(b, const_cast<const TBitmap&>(r));
        }
    }
}

TEST(BmpRoundTrip, PaletteCountAndOrderAreWrittenAsTheyAre)
{
    TBitmap b;
    b.SetLayout(8, std::nullopt, 4, 2);
    std::vector<TPaletteEntry> e = {{9, 8, 7, 0}, {200, 100, 50, 0}, {1, 2, 3, 0}};
    b.SetPalette(TPalette(e));
    b.ScanLine(0)[1] = 2;
    b.ScanLine(1)[3] = 1;
    std::vector<std::uint8_t> bytes = b.SaveToBytes();
    EXPECT_EQ(U32At(bytes, 46), 3u); // biClrUsed
    EXPECT_EQ(U32At(bytes, 10), 14u + 40 + 12);
    TBitmap r;
    r.LoadFromBytes(bytes);
    EXPECT_EQ(r.Palette(), b.Palette());
    EXPECT_TRUE(SameColours(r, b));

    // A 4-bit bitmap may hold a longer palette than its indices reach.
    TBitmap p4;
    p4.SetLayout(4, std::nullopt, 3, 1);
    p4.SetPalette(HalftonePalette());
    r.LoadFromBytes(p4.SaveToBytes());
    EXPECT_EQ(r.Palette(), HalftonePalette());

    // True-colour pictures keep a palette they carry.
    TBitmap t = MakeTestPicture(3, 3);
    t.SetPalette(TPalette(e));
    r.LoadFromBytes(t.SaveToBytes());
    EXPECT_EQ(r.Palette(), t.Palette());
    EXPECT_EQ(r.PixelFormat(), pf24bit);
}

TEST(BmpRoundTrip, PaletteBitmapWithoutPaletteIsWrittenWithItsDefault)
{
    for (int bpp : {1, 4, 8}) {
        TBitmap b;
        b.SetLayout(bpp, std::nullopt, 7, 2);
        for (int x = 0; x < 7; ++x) b.SetPixel(x, 1, RGBColor(x * 40, 255 - x * 30, 128));
        TBitmap r;
        r.LoadFromBytes(b.SaveToBytes());
        EXPECT_EQ(r.BitsPerPixel(), bpp);
        EXPECT_EQ(r.Palette().Count(), 1 << bpp);
        EXPECT_TRUE(SameColours(r, b));
    }
}

TEST(BmpRoundTrip, DisplayFormAndCustomMasks)
{
    TBitmap d = MakeTestPicture(5, 4);
    d.SetPixelFormat(pfDevice);
    std::vector<std::uint8_t> bytes = d.SaveToBytes();
    EXPECT_EQ(bytes[28], 32);     // biBitCount
    EXPECT_EQ(U32At(bytes, 30), 0u); // BI_RGB
    TBitmap r;
    r.LoadFromBytes(bytes);
    EXPECT_EQ(r.PixelFormat(), pf32bit);
    EXPECT_TRUE(SameColours(r, d));

    // Masks that only move the 8-bit channels come back as the plain format
    // with the same colours.
    for (auto [bpp, masks] : {std::pair{16, TColorMasks{0xF00, 0xF0, 0xF}},
                              std::pair{32, TColorMasks{0x3FF00000, 0xFFC00, 0x3FF}},
                              std::pair{32, TColorMasks{0xFF, 0xFF00, 0xFF0000}}}) {
        TBitmap m;
        m.SetLayout(bpp, masks, 6, 3);
        for (int x = 0; x < 6; ++x) m.SetPixel(x, 0, RGBColor(x * 50, 0, 255 - x * 50));
        bytes = m.SaveToBytes();
        EXPECT_EQ(U32At(bytes, 30), 3u); // BI_BITFIELDS
        r.LoadFromBytes(bytes);
        if (masks.Red == 0xFF) {
            EXPECT_EQ(r.PixelFormat(), pf32bit);
            EXPECT_TRUE(SameColours(r, m));
            continue;
        }
        EXPECT_EQ(r.Masks(), std::optional(masks));
        ExpectSameRows(m, const_cast<const TBitmap&>(r));
    }
}

TEST(BmpRoundTrip, EmptyBitmapIsNotWritten)
{
    EXPECT_THROW(TBitmap().SaveToBytes(), EInvalidGraphic);
}

} // namespace
} // namespace pictor
