// The Floyd-Steinberg step on hand-made working rows.
#include "reduce/Diffusion.h"
#include "reduce/StaticPalette.h"

#include <gtest/gtest.h>

#include <vector>

using namespace pictor;

namespace {

// Eleven zero-filled working rows of a picture width pixels wide.
class RawWindow {
public:
    explicit RawWindow(int width) : FRows(kFilterSlots, std::vector<std::uint8_t>((width + 10) * 3, 0)) {}

    // The slot addresses for the current pixel x.
    TBitmapFilterWindow At(int x)
    {
        TBitmapFilterWindow window;
        for (int k = 0; k < kFilterSlots; ++k) window[static_cast<std::size_t>(k)] = FRows[k].data() + 3 * x;
        return window;
    }
    // Pixel x (-5 to width + 4) of the row in slot k.
    std::uint8_t* Pixel(int slot, int x) { return FRows[slot].data() + kFilterMarginBytes + 3 * x; }
    void Fill(int slot, int x, int red, int green, int blue)
    {
        std::uint8_t* p = Pixel(slot, x);
        p[0] = static_cast<std::uint8_t>(blue);
        p[1] = static_cast<std::uint8_t>(green);
        p[2] = static_cast<std::uint8_t>(red);
    }
    TRGBTriple Get(int slot, int x) { return TRGBTriple{Pixel(slot, x)[0], Pixel(slot, x)[1], Pixel(slot, x)[2]}; }
    const std::vector<std::vector<std::uint8_t>>& Rows() const { return FRows; }

private:
    std::vector<std::vector<std::uint8_t>> FRows;
};

// Answers with the colours it is given, one per call, and notes what it was
// asked.
class ScriptedQuantizer final : public TQuantizeColor {
public:
    explicit ScriptedQuantizer(std::vector<TRGBTriple> answers) : FAnswers(std::move(answers)) {}
    void Quantize(TRGBTriple& dest, TPackedColor color) const override
    {
        asked.push_back(color);
        dest = FAnswers[FNext++ % FAnswers.size()];
    }
    mutable std::vector<TPackedColor> asked;

private:
    std::vector<TRGBTriple> FAnswers;
    mutable std::size_t FNext = 0;
};

void Step(RawWindow& w, int x, const TQuantizeColor& quantizer, TRGBTriple& out)
{
    DiffusePixel(x, 0, w.At(x), out, const_cast<TQuantizeColor*>(&quantizer));
}

} // namespace

TEST(DiffusePixel, MidGreySpreadsOnlyTheRedError)
{
    RawWindow w(3);
    for (int x = 0; x < 3; ++x) {
        w.Fill(5, x, 128, 128, 128);
        w.Fill(6, x, 128, 128, 128);
    }
    const TQuantizeToStaticColor quantizer;
    TRGBTriple out;
    Step(w, 1, quantizer, out);
    EXPECT_EQ(out, (TRGBTriple{128, 128, 153}));
    // Error +25 on red: 7/16 -> 10, 3/16 -> 4, 5/16 -> 7, 1/16 -> 1.
    EXPECT_EQ(w.Get(5, 2), (TRGBTriple{128, 128, 118}));
    EXPECT_EQ(w.Get(6, 0), (TRGBTriple{128, 128, 124}));
    EXPECT_EQ(w.Get(6, 1), (TRGBTriple{128, 128, 121}));
    EXPECT_EQ(w.Get(6, 2), (TRGBTriple{128, 128, 127}));
    EXPECT_EQ(w.Get(5, 0), (TRGBTriple{128, 128, 128})); // behind: untouched

    Step(w, 2, quantizer, out);
    EXPECT_EQ(out, (TRGBTriple{128, 128, 102})); // 118 is quantised to 102
}

TEST(DiffusePixel, PaletteColourLeavesNeighboursAlone)
{
    RawWindow w(2);
    w.Fill(5, 0, 153, 85, 192);
    w.Fill(5, 1, 7, 8, 9);
    w.Fill(6, 0, 10, 11, 12);
    w.Fill(6, 1, 13, 14, 15);
    const auto before = w.Rows();
    TRGBTriple out;
    Step(w, 0, TQuantizeToStaticColor(), out);
    EXPECT_EQ(out, (TRGBTriple{192, 85, 153}));
    EXPECT_EQ(w.Rows(), before);
}

TEST(DiffusePixel, SharesTruncateTowardZeroAndClampAfterEach)
{
    RawWindow w(3);
    for (int x = 0; x < 3; ++x) {
        w.Fill(5, x, 250, 10, 100);
        w.Fill(6, x, 250, 10, 100);
    }
    // Pixel 0: red error -40, green +15, blue 0.
    ScriptedQuantizer quantizer({TRGBTriple{100, 25, 210}, TRGBTriple{100, 10, 255}});
    TRGBTriple out;
    Step(w, 0, quantizer, out);
    EXPECT_EQ(out, (TRGBTriple{100, 25, 210}));
    // Right: 250 - (-40 * 7) div 16 = 250 + 17 = 267, stored as 255; green
    // 10 - (15 * 7) div 16 = 10 - 6.
    EXPECT_EQ(w.Get(5, 1), (TRGBTriple{100, 4, 255}));
    // Below: 250 + 12 -> 255; green 10 - 75 div 16 = 10 - 4.
    EXPECT_EQ(w.Get(6, 0), (TRGBTriple{100, 6, 255}));
    EXPECT_EQ(w.Get(6, 1), (TRGBTriple{100, 10, 252})); // 250 + 2 (-40 div 16 truncated)
    EXPECT_EQ(w.Get(6, -1), (TRGBTriple{0, 0, 7}));     // the margin: 0 + 7, 0 - 2 clamped to 0

    Step(w, 1, quantizer, out);
    EXPECT_EQ(quantizer.asked[1], PackColor(255, 4, 100));
    // Red error 255 - 255 = 0 this time; green error 10 - 4 = +6.
    EXPECT_EQ(w.Get(6, 0), (TRGBTriple{100, 5, 255}));
}

TEST(DiffusePixel, LaterSharesStartFromTheClampedValue)
{
    RawWindow w(2);
    w.Fill(5, 0, 200, 0, 0);
    w.Fill(5, 1, 0, 0, 0);
    w.Fill(6, 0, 250, 0, 0);
    // Pixel 0 pushes the pixel below it up to 255 (250 + 12, clamped); pixel
    // 1's share then starts from 255, not from 262.
    ScriptedQuantizer quantizer({TRGBTriple{0, 0, 160}, TRGBTriple{0, 0, 40}});
    TRGBTriple out;
    Step(w, 0, quantizer, out);
    EXPECT_EQ(w.Get(6, 0).rgbtRed, 255);
    EXPECT_EQ(w.Get(5, 1).rgbtRed, 17); // 0 + 17
    Step(w, 1, quantizer, out);         // error 40 - 17 = +23: 3/16 of it is 4
    EXPECT_EQ(w.Get(6, 0).rgbtRed, 255 - 4);
}

TEST(DiffusePixel, ClampByteBoundsBothEnds)
{
    EXPECT_EQ(ClampByte(-1), 0);
    EXPECT_EQ(ClampByte(-100000), 0);
    EXPECT_EQ(ClampByte(0), 0);
    EXPECT_EQ(ClampByte(255), 255);
    EXPECT_EQ(ClampByte(256), 255);
    EXPECT_EQ(ClampByte(130), 130);
}
