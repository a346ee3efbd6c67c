// Reading the BMP variants found in practice, built here byte by byte.
#include "tests/gfx/formats/BmpFileBuilder.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"

#include <gtest/gtest.h>

namespace pictor {
namespace {

using testing::TBmpFile;

TBitmap Read(const TBmpFile& file)
{
    TBitmap b;
    b.LoadFromBytes(file.Bytes());
    return b;
}

TColor C(std::uint32_t rgb)
{
    return RGBColor(static_cast<int>(rgb >> 16 & 0xFF), static_cast<int>(rgb >> 8 & 0xFF),
                    static_cast<int>(rgb & 0xFF));
}

// An 8-bit picture 3 wide and 2 high, bottom-up: bottom row 0 1 2, top row 2 1 0.
TBmpFile Pal8(std::uint32_t headerSize)
{
    TBmpFile f;
    f.headerSize = headerSize;
    f.width = 3;
    f.height = 2;
    f.bitsPerPixel = 8;
    f.palette = {0x102030, 0x405060, 0x708090};
    if (headerSize != 12) f.colorsUsed = 3;
    if (headerSize == 12) f.palette.resize(256, 0x010101);
    f.pixels = {0, 1, 2, 0, 2, 1, 0, 0};
    return f;
}

void ExpectPal8(const TBitmap& b)
{
    ASSERT_EQ(b.PixelFormat(), pf8bit);
    ASSERT_EQ(b.Width(), 3);
    ASSERT_EQ(b.Height(), 2);
    EXPECT_EQ(b.GetPixel(0, 1), C(0x102030));
    EXPECT_EQ(b.GetPixel(2, 1), C(0x708090));
    EXPECT_EQ(b.GetPixel(0, 0), C(0x708090));
    EXPECT_EQ(b.GetPixel(1, 0), C(0x405060));
}

TEST(BmpRead, EveryHeaderVersion)
{
    for (std::uint32_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
        SCOPED_TRACE(size);
        TBmpFile f = Pal8(size);
        if (size == 16) f.palette.resize(256, 0x010101); // no colour count in so short a header
        TBitmap b = Read(f);
        ExpectPal8(b);
        EXPECT_EQ(b.Palette().Count(), size == 12 || size == 16 ? 256 : 3);
    }
}

TEST(BmpRead, PaletteSizes)
{
    // biClrUsed 0: the full 2^depth entries.
    TBmpFile f = Pal8(40);
    f.colorsUsed = 0;
    f.palette.resize(256, 0x0000FF);
    EXPECT_EQ(Read(f).Palette().Count(), 256);
    // More entries than 256 declared: the first 256 are kept.
    f.colorsUsed = 300;
    f.palette.resize(300, 0x00FF00);
    EXPECT_EQ(Read(f).Palette().Count(), 256);
    // An absurd count is limited by the space before the pixels.
    f = Pal8(40);
    f.colorsUsed = 0xFFFFFFFF;
    TBitmap b = Read(f);
    EXPECT_EQ(b.Palette().Count(), 3);
    ExpectPal8(b);
    // An OS/2 1.x palette shorter than the depth allows ends at the pixels.
    f = Pal8(12);
    f.palette.resize(3);
    b = Read(f);
    EXPECT_EQ(b.Palette().Count(), 3);
    ExpectPal8(b);
    // Unused bytes between the palette and the pixels.
    f = Pal8(40);
    f.gap = 6;
    ExpectPal8(Read(f));
    // Indices beyond a short palette read black.
    f = Pal8(40);
    f.pixels[0] = 200;
    EXPECT_EQ(Read(f).GetPixel(0, 1), clBlack);
}

TEST(BmpRead, TopDownRows)
{
    TBmpFile f = Pal8(40);
    f.height = -2;
    TBitmap b = Read(f);
    EXPECT_EQ(b.GetPixel(0, 0), C(0x102030));
    EXPECT_EQ(b.GetPixel(0, 1), C(0x708090));
}

TEST(BmpRead, SmallDepths)
{
    TBmpFile f;
    f.width = 9;
    f.height = 1;
    f.bitsPerPixel = 1;
    f.palette = {0xFF0000, 0x0000FF};
    f.pixels = {0xA5, 0x80, 0, 0};
    TBitmap b = Read(f);
    EXPECT_EQ(b.PixelFormat(), pf1bit);
    EXPECT_EQ(b.GetPixel(0, 0), clBlue);
    EXPECT_EQ(b.GetPixel(1, 0), clRed);
    EXPECT_EQ(b.GetPixel(8, 0), clBlue);

    f.bitsPerPixel = 4;
    f.palette = {0, 0x111111, 0x222222};
    f.pixels = {0x12, 0x01, 0x20, 0x00, 0x10, 0, 0, 0};
    f.width = 9;
    b = Read(f);
    EXPECT_EQ(b.PixelFormat(), pf4bit);
    EXPECT_EQ(b.GetPixel(0, 0), C(0x111111));
    EXPECT_EQ(b.GetPixel(1, 0), C(0x222222));
    EXPECT_EQ(b.GetPixel(8, 0), C(0x111111));

    // 2 bits per pixel becomes 4 with the same indices.
    f.bitsPerPixel = 2;
    f.width = 5;
    f.palette = {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF};
    f.pixels = {0x1B, 0x80, 0, 0}; // 0 1 2 3 2
    b = Read(f);
    EXPECT_EQ(b.BitsPerPixel(), 4);
    EXPECT_EQ(b.Palette().Count(), 4);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b.ScanLine(0)[x / 2] >> (x % 2 ? 0 : 4) & 0xF, (x == 4 ? 2 : x));
}

TEST(BmpRead, TrueColourAndMasks)
{
    TBmpFile f;
    f.width = 2;
    f.bitsPerPixel = 24;
    f.pixels = {1, 2, 3, 4, 5, 6, 0, 0};
    TBitmap b = Read(f);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.GetPixel(1, 0), RGBColor(6, 5, 4));

    // 16 bits without masks is 5-5-5.
    f.bitsPerPixel = 16;
    f.pixels = {0xFF, 0x7F, 0x00, 0x7C};
    b = Read(f);
    EXPECT_EQ(b.PixelFormat(), pf15bit);
    EXPECT_EQ(b.GetPixel(0, 0), clWhite);
    EXPECT_EQ(b.GetPixel(1, 0), clRed);

    struct Case {
        std::uint32_t headerSize, compression;
        std::uint16_t bpp;
        std::vector<std::uint32_t> masks;
        TPixelFormat format;
    } cases[] = {
        {40, 3, 16, {0x7C00, 0x3E0, 0x1F}, pf15bit},              // standard masks: none kept
        {40, 3, 16, {0xF800, 0x7E0, 0x1F}, pf16bit},
        {40, 3, 16, {0, 0, 0}, pf15bit},                          // no masks at all: the default
        {40, 6, 16, {0xF00, 0xF0, 0xF, 0xF000}, pfCustom},        // with alpha: 4-4-4 kept
        {40, 3, 32, {0xFF0000, 0xFF00, 0xFF}, pf32bit},
        {40, 6, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, pf32bit},
        // 8-bit channels elsewhere, 5-bit ones in another order: re-packed.
        {52, 3, 32, {0xFF, 0xFF00, 0xFF0000}, pf32bit},
        {56, 3, 32, {0xFF000000, 0xFF0000, 0xFF00, 0xFF}, pf32bit},
        {124, 3, 32, {0xFF000000, 0xFF0, 0xFF0000, 0}, pf32bit},
        {40, 3, 16, {0x1F, 0x3E0, 0x7C00}, pf15bit},
        {40, 3, 16, {0x1F, 0x7E0, 0xF800}, pfCustom},
        {40, 3, 32, {0x7F, 0x7F00, 0x7F0000}, pfCustom},
        {108, 3, 16, {0xF800, 0x7E0, 0x1F, 0}, pf16bit},
        {124, 3, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, pfCustom},
        {124, 0, 32, {0xFF, 0xFF00, 0xFF0000, 0}, pf32bit},       // BI_RGB: masks in the header unused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.headerSize << "/" << c.compression << "/" << c.masks[0]);
        TBmpFile m;
        m.headerSize = c.headerSize;
        m.compression = c.compression;
        m.bitsPerPixel = c.bpp;
        m.masks = c.masks;
        m.width = 1;
        m.pixels = {0xFF, 0xFF, 0xFF, 0xFF};
        b = Read(m);
        EXPECT_EQ(b.PixelFormat(), c.format);
        EXPECT_EQ(b.GetPixel(0, 0), clWhite);
    }
    // Moved channels land in their usual places; custom masks read through
    // the masks.
    TBmpFile r;
    r.headerSize = 124;
    r.compression = 3;
    r.bitsPerPixel = 32;
    r.masks = {0xFF00, 0xFF0000, 0xFF000000, 0xFF};
    r.pixels = {0x44, 0x11, 0x22, 0x33};
    b = Read(r);
    EXPECT_EQ(b.GetPixel(0, 0), RGBColor(0x11, 0x22, 0x33));
    EXPECT_EQ(std::vector<std::uint8_t>(b.ScanLine(0), b.ScanLine(0) + 4),
              (std::vector<std::uint8_t>{0x33, 0x22, 0x11, 0}));
    r.bitsPerPixel = 16;
    r.masks = {0x1F, 0x3E0, 0x7C00};
    r.pixels = {0x1F, 0x00, 0, 0};
    b = Read(r);
    EXPECT_EQ(b.GetPixel(0, 0), clRed);
    EXPECT_EQ(b.ScanLine(0)[1], 0x7C);
    r.masks = {0xF00, 0xF0, 0xF};
    r.pixels = {0x00, 0x0F, 0, 0};
    EXPECT_EQ(Read(r).GetPixel(0, 0), clRed);
}

TEST(BmpRead, RunLengthCoding)
{
    // RLE8, 5 by 3: a run, a literal with padding, end of line, a delta,
    // end of bitmap; skipped pixels keep index 0.
    TBmpFile f;
    f.width = 5;
    f.height = 3;
    f.bitsPerPixel = 8;
    f.compression = 1;
    f.palette = {0x000000, 0x111111, 0x222222, 0x333333};
    f.pixels = {2, 1, 0, 3, 2, 3, 2, 0, 0, 0, // bottom: 1 1 2 3 2
                0, 2, 1, 1,                   // delta: to x 1 of the top row
                1, 3, 0, 1};                  // one 3, end of bitmap
    TBitmap b = Read(f);
    ASSERT_EQ(b.PixelFormat(), pf8bit);
    const int bottom[] = {1, 1, 2, 3, 2};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b.ScanLine(2)[x], bottom[x]);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b.ScanLine(1)[x], 0);
    EXPECT_EQ(b.ScanLine(0)[1], 3);
    EXPECT_EQ(b.ScanLine(0)[0], 0);

    // RLE4: a run alternating two indices, then an odd literal with padding.
    f.bitsPerPixel = 4;
    f.compression = 2;
    f.height = 1;
    f.width = 6;
    f.pixels = {3, 0x12, 0, 3, 0x32, 0x10, 0, 1};
    b = Read(f);
    ASSERT_EQ(b.PixelFormat(), pf4bit);
    const int row[] = {1, 2, 1, 3, 2, 1};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(b.ScanLine(0)[x / 2] >> (x % 2 ? 0 : 4) & 0xF, row[x]) << x;

    // OS/2 RLE24.
    TBmpFile t;
    t.headerSize = 64;
    t.bitsPerPixel = 24;
    t.compression = 4;
    t.width = 3;
    t.pixels = {2, 0x30, 0x20, 0x10, 1, 1, 2, 3, 0, 1};
    b = Read(t);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.GetPixel(1, 0), RGBColor(0x10, 0x20, 0x30));
    EXPECT_EQ(b.GetPixel(2, 0), RGBColor(3, 2, 1));
}

TEST(BmpRead, FirstPictureOfAnOs2BitmapArray)
{
    std::vector<std::uint8_t> inner = Pal8(40).Bytes();
    // Offsets inside count from the start of the whole file.
    std::uint32_t off = inner[10] | inner[11] << 8;
    off += 14;
    inner[10] = static_cast<std::uint8_t>(off);
    inner[11] = static_cast<std::uint8_t>(off >> 8);
    std::vector<std::uint8_t> file = {'B', 'A', 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    file.insert(file.end(), inner.begin(), inner.end());
    TBitmap b;
    b.LoadFromBytes(file);
    ExpectPal8(b);
}

} // namespace
} // namespace pictor
