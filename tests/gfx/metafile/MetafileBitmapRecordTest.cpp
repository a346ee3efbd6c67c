// Bitmaps in metafile records: pattern brushes fill with their bitmap tiled
// (monochrome ones in the text and background colours), every old-style
// bitmap record draws its bitmap with its raster operation, a 32-bit bitmap
// brings no fourth byte into the picture while ALPHABLEND blends by it, and
// outlined ellipses lie in whole pixels wherever the mapping puts them.
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include "gfx/Metafile.h"
#include "gfx/formats/Dib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace pictor::testing {
namespace {

using TRecords = std::vector<std::vector<std::uint16_t>>;
using TParams = std::vector<std::int16_t>;

constexpr TColor kYellow = RGBColor(255, 255, 0), kFuchsia = RGBColor(255, 0, 255);
constexpr TColor kAqua = RGBColor(0, 255, 255);
constexpr TColor kNavy = RGBColor(0, 0, 128), kSilver = RGBColor(192, 192, 192);

// Bytes as the 16-bit parameters of an old-style record (an odd length is
// padded with a zero byte).
TParams Words(const std::vector<std::uint8_t>& bytes)
{
    TParams words;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const int high = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        words.push_back(static_cast<std::int16_t>(bytes[i] | (high << 8)));
    }
    return words;
}

// The parameters of the parts one after another.
TParams Concat(TParams a, const TParams& b, const TParams& c = {})
{
    a.insert(a.end(), b.begin(), b.end());
    a.insert(a.end(), c.begin(), c.end());
    return a;
}

TParams ColorRef(TColor c)
{
    return {static_cast<std::int16_t>(c & 0xFFFF), static_cast<std::int16_t>(c >> 16)};
}

// A DIB with its header and colour table followed by its rows.
std::vector<std::uint8_t> PackedDib(const TBitmap& b)
{
    TDibBytes dib = EncodeDib(b);
    dib.Info.insert(dib.Info.end(), dib.Bits.begin(), dib.Bits.end());
    return dib.Info;
}

// The header of a device-dependent bitmap (word-aligned rows, top-down).
std::vector<std::uint8_t> Bitmap16Header(const TBitmap& b)
{
    const int bpp = b.BitsPerPixel(), rowBytes = (b.Width() * bpp + 15) / 16 * 2;
    return {0, 0, static_cast<std::uint8_t>(b.Width()), 0, static_cast<std::uint8_t>(b.Height()), 0,
            static_cast<std::uint8_t>(rowBytes), 0, 1, static_cast<std::uint8_t>(bpp)};
}

std::vector<std::uint8_t> Bitmap16Rows(const TBitmap& b)
{
    const int rowBytes = (b.Width() * b.BitsPerPixel() + 15) / 16 * 2;
    std::vector<std::uint8_t> rows;
    for (int y = 0; y < b.Height(); ++y) {
        const std::uint8_t* row = b.ScanLine(y);
        const int used = (b.Width() * b.BitsPerPixel() + 7) / 8;
        rows.insert(rows.end(), row, row + used);
        rows.resize(rows.size() + static_cast<std::size_t>(rowBytes - used), 0);
    }
    return rows;
}

std::vector<std::uint8_t> Bitmap16(const TBitmap& b)
{
    std::vector<std::uint8_t> out = Bitmap16Header(b);
    const std::vector<std::uint8_t> rows = Bitmap16Rows(b);
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// A 5 by 3 monochrome pattern whose own colours are red (0 bits) and lime.
TBitmap MonoPattern()
{
    TBitmap b;
    b.SetLayout(1, std::nullopt, 5, 3);
    b.SetPalette(TPalette({{255, 0, 0, 0}, {0, 255, 0, 0}}));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) b.SetPixel(x, y, (x * 2 + y) % 3 == 0 ? clLime : clRed);
    return b;
}

TBitmap ColourPattern()
{
    TBitmap b;
    b.SetLayout(24, std::nullopt, 3, 2);
    const TColor colours[6] = {clRed, clLime, clBlue, kYellow, kFuchsia, kAqua};
    for (int i = 0; i < 6; ++i) b.SetPixel(i % 3, i / 3, colours[i]);
    return b;
}

// A picture of 100 by 100 pixels from an enhanced metafile file of the
// builders' device (a frame of 10 mm).
TBitmap RenderEnhanced(const TEmfBuilder& builder)
{
    TMetafile m;
    m.LoadFromBytes(builder.Build(U_RECTL{0, 0, 1000, 1000}));
    TBitmap b;
    b.SetSize(100, 100);
    b.Canvas().StretchDraw(Rect(0, 0, 100, 100), m);
    return b;
}

// An enhanced pattern brush record (type) of bitmap at index 1.
std::vector<std::uint8_t> EmfPatternBrush(std::uint32_t type, const TBitmap& bitmap)
{
    const TDibBytes dib = EncodeDib(bitmap);
    const auto cbBmi = static_cast<std::uint32_t>(dib.Info.size());
    const auto cbBits = static_cast<std::uint32_t>(dib.Bits.size());
    std::vector<std::uint8_t> r = EmfRecord(type, {1, 0, 32, cbBmi, 32 + cbBmi, cbBits});
    r.insert(r.end(), dib.Info.begin(), dib.Info.end());
    r.insert(r.end(), dib.Bits.begin(), dib.Bits.end());
    Put32(r, 4, static_cast<std::uint32_t>(r.size()));
    return r;
}

TEST(MetafilePatternBrush, FillsWithItsBitmapTiledFromTheCanvasCorner)
{
    const TBitmap mono = MonoPattern(), colour = ColourPattern();
    // Text colour blue and background colour yellow are in force.
    auto monoColours = [&](int x, int y) { return mono.GetPixel(x % 5, y % 3) == clRed ? clBlue : kYellow; };
    auto ownMono = [&](int x, int y) { return mono.GetPixel(x % 5, y % 3); };
    auto ownColour = [&](int x, int y) { return colour.GetPixel(x % 3, y % 2); };
    const auto plainRows = Bitmap16Rows(mono);
    auto oldStyle = [](std::vector<std::uint16_t> brush, bool patBlt = false) {
        TRecords records = {WmfRecord(0x0209, ColorRef(clBlue)), WmfRecord(0x0201, ColorRef(kYellow)),
                            std::move(brush), Select(0), NullPen(), Select(1)};
        // A rectangle 10,10-50,40, or PATCOPY onto it.
        records.push_back(patBlt ? WmfRecord(0x061D, {0x0021, 0x00F0, 30, 40, 10, 10})
                                 : Rectangle(10, 10, 50, 40));
        return Render(records);
    };
    auto enhanced = [](std::uint32_t type, const TBitmap& pattern) {
        TEmfBuilder b;
        b.Add(U_EMRSETTEXTCOLOR_set(U_RGB(0, 0, 255)))
            .Add(U_EMRSETBKCOLOR_set(U_RGB(255, 255, 0)))
            .AddRaw(EmfPatternBrush(type, pattern))
            .Add(U_EMRSELECTOBJECT_set(1))
            .Add(U_EMRSELECTOBJECT_set(U_NULL_PEN))
            .Add(U_EMRRECTANGLE_set(U_RECTL{10, 10, 50, 40}));
        return RenderEnhanced(b);
    };
    struct Case {
        const char* name;
        TBitmap picture;
        std::function<TColor(int, int)> expected;
    };
    const Case cases[] = {
        {"DIB pattern", oldStyle(WmfRecord(0x0142, Concat({5, 0}, Words(PackedDib(colour))))), ownColour},
        {"DIB pattern by PATBLT", oldStyle(WmfRecord(0x0142, Concat({5, 0}, Words(PackedDib(colour)))), true),
         ownColour},
        {"plain pattern of a DIB", oldStyle(WmfRecord(0x0142, Concat({3, 0}, Words(PackedDib(mono))))),
         monoColours},
        {"plain pattern of a device bitmap",
         oldStyle(WmfRecord(0x0142, Concat({3, 0}, Words(Bitmap16(mono))))), monoColours},
        // CREATEPATTERNBRUSH: the header, its four bytes of bits pointer, 18
        // reserved bytes, the rows.
        {"CREATEPATTERNBRUSH",
         oldStyle(WmfRecord(0x01F9, Concat(Words(Bitmap16Header(mono)), TParams(11, 0), Words(plainRows)))),
         monoColours},
        {"enhanced DIB pattern", enhanced(U_EMR_CREATEDIBPATTERNBRUSHPT, mono), ownMono},
        {"enhanced monochrome brush", enhanced(U_EMR_CREATEMONOBRUSH, mono), monoColours},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 60; ++x) {
                const bool inside = x >= 10 && x < 50 && y >= 10 && y < 40;
                ASSERT_EQ(c.picture.GetPixel(x, y), inside ? c.expected(x, y) : clWhite) << x << "," << y;
            }
    }
}

TEST(MetafileBitmapRecord, OldStyleBitmapRecordsDrawWithTheirRasterOperation)
{
    // A 2 by 2 bitmap of four colours, inverted onto white (SRCINVERT) at
    // 10,10, stretched to 20 by 20 where the record stretches. The device
    // bitmaps run top-down, the DIBs bottom-up: both show the same picture.
    TBitmap source;
    source.SetLayout(24, std::nullopt, 2, 2);
    const TColor colours[4] = {RGBColor(200, 30, 40), RGBColor(10, 150, 90), RGBColor(60, 70, 220),
                               RGBColor(250, 240, 5)};
    for (int i = 0; i < 4; ++i) source.SetPixel(i % 2, i / 2, colours[i]);
    const auto dib = Words(PackedDib(source)), ddb = Words(Bitmap16(source));
    const TParams invert = {0x0046, 0x0066};
    struct Case {
        const char* name;
        std::vector<std::uint16_t> record;
        int size;
        bool inverted;
    };
    const Case cases[] = {
        {"STRETCHDIB", WmfRecord(0x0F43, Concat(invert, {0, 2, 2, 0, 0, 20, 20, 10, 10}, dib)), 20, true},
        {"DIBSTRETCHBLT", WmfRecord(0x0B41, Concat(invert, {2, 2, 0, 0, 20, 20, 10, 10}, dib)), 20, true},
        {"DIBBITBLT", WmfRecord(0x0940, Concat(invert, {0, 0, 2, 2, 10, 10}, dib)), 2, true},
        {"SETDIBTODEV", WmfRecord(0x0D33, Concat({0, 2, 0, 0, 0, 2, 2, 10, 10}, dib)), 2, false},
        {"BITBLT", WmfRecord(0x0922, Concat(invert, {0, 0, 2, 2, 10, 10}, ddb)), 2, true},
        {"STRETCHBLT", WmfRecord(0x0B23, Concat(invert, {2, 2, 0, 0, 20, 20, 10, 10}, ddb)), 20, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TBitmap picture = Render({c.record});
        for (int i = 0; i < 4; ++i) {
            const int x = 10 + (i % 2) * c.size / 2 + c.size / 4, y = 10 + (i / 2) * c.size / 2 + c.size / 4;
            EXPECT_EQ(picture.GetPixel(x, y), c.inverted ? ~colours[i] & 0xFFFFFF : colours[i]) << i;
        }
        EXPECT_EQ(picture.GetPixel(10 + c.size, 10), clWhite);
        EXPECT_EQ(picture.GetPixel(9, 10), clWhite);
    }

    // A monochrome device bitmap takes the text colour for 0 bits and the
    // background colour for 1 bits.
    TBitmap mono = MonoPattern();
    const TBitmap picture = Render({WmfRecord(0x0209, ColorRef(kNavy)), WmfRecord(0x0201, ColorRef(kSilver)),
                                    WmfRecord(0x0922, Concat({0x0020, 0x00CC, 0, 0, 3, 5, 10, 10},
                                                             Words(Bitmap16(mono))))});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const TColor expected = mono.GetPixel(x, y) == clRed ? kNavy : kSilver;
            EXPECT_EQ(picture.GetPixel(10 + x, 10 + y), expected) << x << "," << y;
        }
}

TEST(MetafileBitmapRecord, ThirtyTwoBitBitmapsBringNoAlphaButAlphaBlendBlends)
{
    // Three pixels, premultiplied: opaque red, half-transparent grey
    // (128, 128, 128 at alpha 128) and wholly transparent.
    TBitmap source;
    source.SetLayout(32, std::nullopt, 3, 1);
    const std::uint8_t pixels[12] = {0, 0, 255, 255, 128, 128, 128, 128, 0, 0, 0, 0};
    std::copy(pixels, pixels + 12, source.ScanLine(0));
    const TDibBytes dib = EncodeDib(source);
    const auto cbBmi = static_cast<std::uint32_t>(dib.Info.size());
    const auto cbBits = static_cast<std::uint32_t>(dib.Bits.size());
    auto withBitmap = [&](std::vector<std::uint8_t> r, std::size_t at) {
        r.insert(r.end(), dib.Info.begin(), dib.Info.end());
        r.insert(r.end(), dib.Bits.begin(), dib.Bits.end());
        Put32(r, 4, static_cast<std::uint32_t>(r.size()));
        for (std::uint32_t v : {static_cast<std::uint32_t>(r.size() - cbBmi - cbBits), cbBmi,
                                static_cast<std::uint32_t>(r.size() - cbBits), cbBits})
            Put32(r, at, v), at += 4;
        return r;
    };
    // STRETCHDIBITS to 10,10 and ALPHABLEND to 10,20 (constant alpha 255,
    // per-pixel alpha), both at 1:1; ALPHABLEND again at 10,30 with constant
    // alpha 128 and no per-pixel alpha.
    std::vector<std::uint32_t> stretch(18, 0);
    stretch[4] = stretch[5] = 10;
    stretch[8] = 3, stretch[9] = 1, stretch[15] = 0x00CC0020, stretch[16] = 3, stretch[17] = 1;
    auto blend = [&](int y, std::uint32_t function) {
        std::vector<std::uint32_t> words(25, 0);
        words[4] = 10, words[5] = static_cast<std::uint32_t>(y), words[6] = 3, words[7] = 1;
        words[8] = function, words[23] = 3, words[24] = 1;
        return withBitmap(EmfRecord(U_EMR_ALPHABLEND, words), 84);
    };
    TEmfBuilder b;
    b.AddRaw(withBitmap(EmfRecord(U_EMR_STRETCHDIBITS, stretch), 48))
        .AddRaw(blend(20, 0x01FF0000u))
        .AddRaw(blend(30, 0x00800000u));
    TBitmap picture = RenderEnhanced(b);
    ASSERT_EQ(picture.BitsPerPixel(), 32);
    for (int y : {10, 20, 30})
        for (int x = 9; x < 14; ++x)
            EXPECT_EQ(std::as_const(picture).ScanLine(y)[4 * x + 3], 0) << x << "," << y;
    EXPECT_EQ(picture.GetPixel(10, 10), clRed);
    EXPECT_EQ(picture.GetPixel(11, 10), RGBColor(128, 128, 128));
    EXPECT_EQ(picture.GetPixel(12, 10), clBlack);
    // Over white: S + (1 - alpha) D.
    EXPECT_EQ(picture.GetPixel(10, 20), clRed);
    EXPECT_EQ(picture.GetPixel(11, 20), RGBColor(255, 255, 255));
    EXPECT_EQ(picture.GetPixel(12, 20), clWhite);
    // Half of each pixel over half of white.
    EXPECT_EQ(picture.GetPixel(10, 30), RGBColor(255, 127, 127));
    EXPECT_EQ(picture.GetPixel(11, 30), RGBColor(191, 191, 191));
    EXPECT_EQ(picture.GetPixel(12, 30), RGBColor(127, 127, 127));
}

TEST(MetafileBitmapRecord, OutlinedEllipsesLieInWholePixels)
{
    // A window of 1000 units onto 300 pixels: the circles' boxes fall
    // between pixels, at a different place each. Every outline is the same
    // five-pixel circle, symmetric within its own box.
    // (No box edge falls half-way between pixels: 0.3 times the units never
    // ends in .5.)
    const int steps[6] = {0, 1, 2, 3, 4, 6};
    TRecords records;
    for (int i : steps) {
        const auto l = static_cast<std::int16_t>(100 + 61 * i), t = static_cast<std::int16_t>(100 + 41 * i);
        const auto r = static_cast<std::int16_t>(l + 17), b = static_cast<std::int16_t>(t + 17);
        records.push_back(WmfRecord(0x0418, {b, r, t, l}));
    }
    TMetafile m;
    m.LoadFromBytes(WmfFile(records, Rect(0, 0, 1000, 1000), 96 * 10 / 3));
    TBitmap picture;
    picture.SetSize(300, 300);
    picture.Canvas().StretchDraw(Rect(0, 0, 300, 300), m);
    for (int i : steps) {
        SCOPED_TRACE(i);
        const int left = static_cast<int>(std::floor((100 + 61 * i) * 0.3 + 0.5));
        const int top = static_cast<int>(std::floor((100 + 41 * i) * 0.3 + 0.5));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) {
                const bool ring = (y == 0 || y == 4) ? x >= 1 && x <= 3 : x == 0 || x == 4;
                EXPECT_EQ(picture.GetPixel(left + x, top + y), ring ? clBlack : clWhite) << x << "," << y;
            }
    }
}

} // namespace
} // namespace pictor::testing
