// TBitmap storage: sizes, pixels, palette, copy on write, assignment, change
// notification.
#include "tests/gfx/BitmapTestSupport.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/Limits.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace pictor {
namespace {

using testing::MakeTestPicture;
using testing::SameColours;

TEST(Bitmap, NewBitmapIsEmptyInTheDisplayForm)
{
    TBitmap b;
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_TRUE(b.Palette().Empty());
    EXPECT_STREQ(b.ClassName(), "TBitmap");
    b.SetWidth(5);
    EXPECT_TRUE(b.Empty());
    b.SetHeight(1);
    EXPECT_FALSE(b.Empty());
}

TEST(Bitmap, NewAreaIsWhiteInEveryFormatAndOldPixelsStay)
{
    struct Case {
        int bpp;
        std::optional<TColorMasks> masks;
    } cases[] = {{1, {}}, {4, {}}, {8, {}}, {16, {}}, {16, TColorMasks{0xF800, 0x7E0, 0x1F}},
                 {16, TColorMasks{0xF00, 0xF0, 0xF}}, {24, {}}, {32, {}}, {32, TColorMasks{0xFF, 0xFF00, 0xFF0000}}};
    for (const Case& c : cases) {
        TBitmap b;
        b.SetLayout(c.bpp, c.masks, 11, 3); // white, or index 0 for palette formats
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x) b.SetPixel(x, y, clWhite);
        b.SetPixel(0, 0, clBlack);
        b.SetPixel(10, 2, clBlack);
        b.SetPixel(9, 2, clBlack);
        b.SetSize(13, 4); // wider and taller: the new columns and row are white
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 13; ++x) {
                bool black = (x == 0 && y == 0) || (y == 2 && (x == 9 || x == 10));
                ASSERT_EQ(b.GetPixel(x, y), black ? clBlack : clWhite) << c.bpp << " at " << x << "," << y;
            }
        b.SetSize(10, 3); // narrower: what is left keeps its pixels
        EXPECT_EQ(b.GetPixel(9, 2), clBlack);
        EXPECT_EQ(b.GetPixel(8, 2), clWhite);
        b.SetSize(16, 3); // and the freed columns come back white
        EXPECT_EQ(b.GetPixel(10, 2), clWhite) << c.bpp;
    }
    // Palette formats take the entry nearest white.
    TBitmap p;
    p.SetLayout(8, std::nullopt, 1, 1);
    p.SetPalette(TPalette(std::vector<TPaletteEntry>{{0, 0, 0, 0}, {250, 250, 240, 0}, {10, 10, 10, 0}}));
    p.SetSize(2, 1);
    EXPECT_EQ(p.ScanLine(0)[1], 1);
}

TEST(Bitmap, SizesBeyondTheLimitsAreRefusedAndChangeNothing)
{
    TBitmap b;
    b.SetSize(3, 2);
    EXPECT_THROW(b.SetSize(static_cast<int>(kMaxPictureSide) + 1, 1), EInvalidGraphic);
    EXPECT_THROW(b.SetSize(1, static_cast<int>(kMaxPictureSide) + 1), EInvalidGraphic);
    EXPECT_THROW(b.SetSize(-1, 5), EInvalidGraphic);
    EXPECT_THROW(b.SetSize(60000, 60000), EInvalidGraphic); // each side allowed, the area not
    EXPECT_THROW(b.SetLayout(8, std::nullopt, 60000, 60000), EInvalidGraphic);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    b.SetSize(static_cast<int>(kMaxPictureSide), 1);
    EXPECT_EQ(b.Width(), kMaxPictureSide);
}

TEST(Bitmap, PixelsAndRows)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(5, 3);
    EXPECT_EQ(b.RowStride(), 16);
    b.SetPixel(4, 2, RGBColor(1, 2, 3));
    const std::uint8_t* row = std::as_const(b).ScanLine(2);
    EXPECT_EQ(row[12], 3); // blue, green, red
    EXPECT_EQ(row[13], 2);
    EXPECT_EQ(row[14], 1);
    b.ScanLine(0)[0] = 9; // row 0 is the top row
    EXPECT_EQ(b.GetPixel(0, 0), RGBColor(255, 255, 9));
    EXPECT_EQ(b.GetPixel(5, 0), clBlack);
    EXPECT_EQ(b.GetPixel(-1, 0), clBlack);
    b.SetPixel(-1, 0, clRed); // outside: nothing
    b.SetPixel(0, 3, clRed);
    EXPECT_THROW(b.ScanLine(3), EInvalidGraphic);
    EXPECT_THROW(std::as_const(b).ScanLine(-1), EInvalidGraphic);

    // A 4-bit bitmap reaches only the first 16 entries of a longer palette.
    TBitmap p;
    p.SetLayout(4, std::nullopt, 2, 1);
    std::vector<TPaletteEntry> e(256, TPaletteEntry{0, 0, 0, 0});
    e[3] = {0, 250, 0, 0};
    e[200] = {0, 255, 0, 0};
    p.SetPalette(TPalette(e));
    p.SetPixel(1, 0, clLime);
    EXPECT_EQ(p.ScanLine(0)[0] & 0xF, 3);
}

// Sharing, and the pixels version that caches of what is worked out from the
// pixels rely on: shared by copies, new with every write access.
TEST(Bitmap, CopiesShareUntilOneWrites)
{
    const TBitmap original = MakeTestPicture(9, 4);
    auto writers = std::vector<std::pair<const char*, void (*)(TBitmap&)>>{
        {"ScanLine", [](TBitmap& b) { b.ScanLine(1)[0] ^= 0xFF; }},
        {"Canvas", [](TBitmap& b) { b.Canvas().FillRect(TRect{0, 0, 2, 2}); }},
        {"PrepareOverwrite", [](TBitmap& b) { b.PrepareOverwrite(MakeTestPicture(9, 4)); }},
        {"SetPixel", [](TBitmap& b) { b.SetPixel(2, 2, clRed); }},
        {"SetPalette", [](TBitmap& b) { b.SetPalette(SystemPalette16()); }},
        {"SetSize", [](TBitmap& b) { b.SetSize(3, 3); }},
        {"SetPixelFormat", [](TBitmap& b) { b.SetPixelFormat(pf8bit); }},
        {"SetHandleType", [](TBitmap& b) { b.SetHandleType(bmDDB); }},
        {"SetLayout", [](TBitmap& b) { b.SetLayout(8, std::nullopt, 9, 4); }},
        {"Clear", [](TBitmap& b) { b.Clear(); }},
    };
    for (auto& [name, write] : writers) {
        TBitmap copy = original;
        TBitmap assigned;
        assigned.Assign(original);
        auto clone = original.Clone();
        EXPECT_TRUE(copy.SharesPixelsWith(original));
        EXPECT_TRUE(assigned.SharesPixelsWith(original));
        EXPECT_TRUE(static_cast<TBitmap&>(*clone).SharesPixelsWith(original));
        (void)std::as_const(copy).ScanLine(0); // reading never unshares
        EXPECT_TRUE(copy.SharesPixelsWith(original));
        EXPECT_EQ(copy.PixelsVersion(), original.PixelsVersion());

        write(copy);
        EXPECT_FALSE(copy.SharesPixelsWith(original)) << name;
        EXPECT_NE(copy.PixelsVersion(), original.PixelsVersion()) << name;
        EXPECT_TRUE(SameColours(assigned, original)) << name;
        EXPECT_EQ(original.PixelFormat(), pf24bit);
        EXPECT_TRUE(original.Palette().Empty());
        write(assigned);
        EXPECT_TRUE(SameColours(static_cast<TBitmap&>(*clone), MakeTestPicture(9, 4))) << name;
    }
    // A bitmap whose copies are gone writes in place, under a new version;
    // storage of its size is kept for overwriting.
    TBitmap alone = MakeTestPicture(2, 2);
    const std::uint8_t* before = std::as_const(alone).ScanLine(0);
    { TBitmap gone = alone; }
    const std::uint64_t version = alone.PixelsVersion();
    EXPECT_EQ(alone.ScanLine(0), before);
    EXPECT_NE(alone.PixelsVersion(), version);
    TBitmap layout;
    layout.SetLayout(32, std::nullopt, 2, 2); // as many bytes as 24 bits with row padding
    alone.PrepareOverwrite(layout);
    EXPECT_EQ(std::as_const(alone).ScanLine(0), before);
    EXPECT_EQ(alone.PixelFormat(), pf32bit);
    EXPECT_EQ(alone.RowStride(), 8);
}

TEST(Bitmap, ChangeNotification)
{
    TBitmap b;
    int changes = 0;
    b.OnChange = [&](TGraphic& g) {
        EXPECT_EQ(&g, &b);
        ++changes;
    };
    b.SetSize(4, 4);
    EXPECT_EQ(changes, 1);
    b.SetSize(4, 4); // no change, no notification
    EXPECT_EQ(changes, 1);
    b.SetPixelFormat(pf8bit);
    b.SetPixelFormat(pf8bit);
    EXPECT_EQ(changes, 2);
    b.SetPalette(SystemPalette16());
    b.SetPixel(1, 1, clRed);
    b.Assign(MakeTestPicture(2, 2));
    EXPECT_EQ(changes, 5);
    b.ScanLine(0)[0] = 1; // row writes say nothing
    EXPECT_EQ(changes, 5);
    TBitmap copy = b;
    EXPECT_FALSE(copy.OnChange); // the handler is not copied
}

class TFakeGraphic : public TGraphic {
public:
    explicit TFakeGraphic(bool convertible) : FConvertible(convertible) {}
    const char* ClassName() const override { return "TFake"; }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TFakeGraphic>(FConvertible); }
    int Width() const override { return 2; }
    int Height() const override { return 1; }
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Empty() const override { return false; }
    void Draw(TCanvas&, const TRect&) const override {}
    void LoadFromBytes(std::span<const std::uint8_t>) override {}
    std::vector<std::uint8_t> SaveToBytes() const override { return {}; }
    bool AssignTo(TGraphic& dest) const override
    {
        auto* b = dynamic_cast<TBitmap*>(&dest);
        if (!FConvertible || !b) return false;
        b->SetPixelFormat(pf24bit);
        b->SetSize(2, 1);
        b->SetPixel(0, 0, clRed);
        return true;
    }

private:
    bool FConvertible;
};

TEST(Bitmap, AssignFromOtherGraphics)
{
    TBitmap b = MakeTestPicture(3, 3);
    b.Assign(TFakeGraphic(true));
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.GetPixel(0, 0), clRed);
    try {
        b.Assign(TFakeGraphic(false));
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TFake to a TBitmap");
    }
    EXPECT_EQ(b.Width(), 2);
    TFakeGraphic fake(false);
    EXPECT_THROW(fake.Assign(b), EConvertError);
    b.Assign(b); // itself: nothing
    EXPECT_EQ(b.GetPixel(0, 0), clRed);
}

TEST(Bitmap, ClearDropsEverything)
{
    TBitmap b = MakeTestPicture(3, 3);
    b.SetPixelFormat(pf8bit);
    b.Clear();
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.PixelFormat(), pfDevice);
    EXPECT_TRUE(b.Palette().Empty());
}

} // namespace
} // namespace pictor
