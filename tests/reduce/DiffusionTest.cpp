// BitmapFilter's window and DiffuseBitmap on whole bitmaps.
#include "reduce/Diffusion.h"

#include "core/Exception.h"
#include "reduce/MedianCut.h"
#include "reduce/StaticPalette.h"
#include "tests/reduce/ReduceTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <typeinfo>

using namespace pictor;
using namespace pictor::testing;

namespace {

// Floyd-Steinberg on a plain array of the whole picture: shares that fall
// outside the picture are dropped.
std::vector<TPackedColor> ReferenceDiffusion(int width, int height, const std::vector<TPackedColor>& colors,
                                             const TQuantizeColor& quantizer)
{
    std::vector<int> v; // red, green, blue per pixel
    for (TPackedColor c : colors) v.insert(v.end(), {RedOf(c), GreenOf(c), BlueOf(c)});
    std::vector<TPackedColor> out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int* cur = &v[static_cast<std::size_t>(y * width + x) * 3];
            TRGBTriple q;
            quantizer.Quantize(q, PackColor(cur[0], cur[1], cur[2]));
            out.push_back(PixelColor(q));
            const int e[3] = {q.rgbtRed - cur[0], q.rgbtGreen - cur[1], q.rgbtBlue - cur[2]};
            const int shares[4][3] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
            for (const auto& s : shares) {
                const int nx = x + s[0], ny = y + s[1];
                if (nx < 0 || nx >= width || ny >= height) continue;
                int* n = &v[static_cast<std::size_t>(ny * width + nx) * 3];
                for (int c = 0; c < 3; ++c) n[c] = std::clamp(n[c] - e[c] * s[2] / 16, 0, 255);
            }
        }
    }
    return out;
}

// Rounds every channel down to a multiple of 50: a quantiser of no class
// the library knows.
class CoarseQuantizer final : public TQuantizeColor {
public:
    void Quantize(TRGBTriple& dest, TPackedColor color) const override
    {
        dest = TRGBTriple{static_cast<std::uint8_t>(BlueOf(color) / 50 * 50),
                          static_cast<std::uint8_t>(GreenOf(color) / 50 * 50),
                          static_cast<std::uint8_t>(RedOf(color) / 50 * 50)};
    }
};

void ExpectNotTwentyFourBitsMessage(const std::function<void()>& call)
{
    try {
        call();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()), "BitmapFiletr accepts only 24Bit DIB");
        EXPECT_EQ(typeid(e), typeid(Exception));
    }
}

} // namespace

TEST(BitmapFilter, RefusesSourcesThatAreNotTwentyFourBits)
{
    for (int bits : {1, 8, 16, 32}) {
        TBitmap source;
        source.SetLayout(bits, std::nullopt, 4, 3);
        const TQuantizeToStaticColor quantizer;
        ExpectNotTwentyFourBitsMessage([&] { (void)DiffuseBitmap(source, quantizer); });
        ExpectNotTwentyFourBitsMessage([&] { (void)BitmapFilter(source, DiffusePixel, nullptr); });
    }
    TBitmap display; // the display's own form
    display.SetSize(2, 2);
    ExpectNotTwentyFourBitsMessage([&] { (void)DiffuseBitmap(display, TQuantizeToStaticColor()); });
}

TEST(BitmapFilter, WindowShowsElevenRowsWithZeroMargins)
{
    const int width = 4, height = 7;
    std::vector<TPackedColor> colors;
    for (int i = 0; i < width * height; ++i) colors.push_back(PackColor(i + 1, 100 + i, 200 - i));
    const auto source = Bitmap24(width, height, colors);

    struct Probe {
        int width, height;
        const std::vector<TPackedColor>* colors;
        int calls = 0;
        int mismatches = 0;
    } probe{width, height, &colors};
    auto proc = [](int x, int y, const TBitmapFilterWindow& window, TRGBTriple& out, void* data) {
        auto& p = *static_cast<Probe*>(data);
        EXPECT_EQ(p.calls, y * p.width + x); // row by row, left to right
        ++p.calls;
        for (int k = 0; k < kFilterSlots; ++k) {
            const int row = y - kFilterCurrentSlot + k;
            for (int d = -kFilterMarginPixels; d <= kFilterMarginPixels; ++d) {
                const int nx = x + d;
                const std::uint8_t* pixel = window[static_cast<std::size_t>(k)] + kFilterMarginBytes + 3 * d;
                const bool inside = row >= 0 && row < p.height && nx >= 0 && nx < p.width;
                const TPackedColor expected = inside ? (*p.colors)[static_cast<std::size_t>(row * p.width + nx)] : 0;
                if (PixelColor(pixel) != expected) ++p.mismatches;
            }
        }
        out = TRGBTriple{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7};
    };
    const auto result = BitmapFilter(*source, proc, &probe);
    EXPECT_EQ(probe.calls, width * height);
    EXPECT_EQ(probe.mismatches, 0);
    ASSERT_EQ(result->PixelFormat(), pf24bit);
    ASSERT_EQ(result->Width(), width);
    ASSERT_EQ(result->Height(), height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) EXPECT_EQ(PixelColor(result->ScanLine(y) + 3 * x), PackColor(7, y, x));
    EXPECT_EQ(Colors24(*source), colors);
}

TEST(BitmapFilter, ChangesToLaterRowsWaitUntilTheyAreCurrent)
{
    const auto source = Bitmap24(3, 8, std::vector<TPackedColor>(24, PackColor(10, 10, 10)));
    // Each pixel adds 1 to the blue of the pixel two rows below it and
    // scribbles on the top row and the margins; it puts out the current
    // blue and a byte of the newest row's left margin.
    auto proc = [](int, int, const TBitmapFilterWindow& window, TRGBTriple& out, void*) {
        std::uint8_t* cur = window[kFilterCurrentSlot] + kFilterMarginBytes;
        out = TRGBTriple{cur[0], window[kFilterSlots - 1][0], 0};
        window[kFilterCurrentSlot + 2][kFilterMarginBytes] += 1;
        window[0][0] = 0xEE;
        window[kFilterCurrentSlot][0] = 0xEE;
    };
    const auto result = BitmapFilter(*source, proc, nullptr);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(result->ScanLine(y)[3 * x], y < 2 ? 10 : 11) << x << "," << y;
            EXPECT_EQ(result->ScanLine(y)[3 * x + 1], 0) << "a row entering the window starts zeroed";
        }
    }
    EXPECT_EQ(Colors24(*source), std::vector<TPackedColor>(24, PackColor(10, 10, 10)));
}

TEST(DiffuseBitmap, UniformMidGreyOnTheFixedPalette)
{
    const auto source = Bitmap24(6, 3, std::vector<TPackedColor>(18, PackColor(128, 128, 128)));
    const auto result = DiffuseBitmap(*source, TQuantizeToStaticColor());
    const std::vector<TPackedColor> colors = Colors24(*result);
    EXPECT_EQ(colors[0], PackColor(153, 128, 128));
    EXPECT_EQ(colors[1], PackColor(102, 128, 128)); // 128 - 10 = 118 before quantising
    for (TPackedColor c : colors) {
        EXPECT_EQ(GreenOf(c), 128);
        EXPECT_EQ(BlueOf(c), 128);
    }
}

TEST(DiffuseBitmap, MatchesPlainReferenceAndTheGeneralFilter)
{
    std::mt19937 random(2024);
    const struct {
        int width, height;
    } sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {17, 13}, {64, 40}};
    const auto colors = ClusteredColors(random, 64 * 40, 6, 40);

    TMedianCut medianCut;
    for (TPackedColor c : colors) medianCut.AddColor(c);
    medianCut.MakePalette(4, false);
    const TMedianCutQuantizeColor byMedianCut(medianCut);
    const TQuantizeToStaticColor fixed;
    const CoarseQuantizer coarse;
    const TQuantizeColor* quantizers[] = {&fixed, &byMedianCut, &coarse};

    for (const auto& size : sizes) {
        const std::vector<TPackedColor> picture(colors.begin(), colors.begin() + size.width * size.height);
        const auto source = Bitmap24(size.width, size.height, picture);
        for (const TQuantizeColor* quantizer : quantizers) {
            const auto expected = ReferenceDiffusion(size.width, size.height, picture, *quantizer);
            EXPECT_EQ(Colors24(*DiffuseBitmap(*source, *quantizer)), expected) << size.width << "x" << size.height;
            EXPECT_EQ(Colors24(*BitmapFilter(*source, DiffusePixel, const_cast<TQuantizeColor*>(quantizer))),
                      expected);
        }
        EXPECT_EQ(Colors24(*source), picture);
    }

    // Channels at and near both ends, where the shares push values past
    // 0 and 255 and clamping decides.
    std::vector<TPackedColor> extremes;
    const int ends[] = {0, 1, 3, 20, 235, 252, 254, 255};
    for (int i = 0; i < 31 * 7; ++i)
        extremes.push_back(PackColor(ends[random() % 8], ends[random() % 8], static_cast<int>(random() % 256)));
    const auto source = Bitmap24(31, 7, extremes);
    for (const TQuantizeColor* quantizer : quantizers)
        EXPECT_EQ(Colors24(*DiffuseBitmap(*source, *quantizer)), ReferenceDiffusion(31, 7, extremes, *quantizer));
}

TEST(DiffuseBitmap, EmptySourcesGiveEmptyResults)
{
    for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 4}, std::pair{4, 0}}) {
        TBitmap source;
        source.SetLayout(24, std::nullopt, w, h);
        const auto result = DiffuseBitmap(source, TQuantizeToStaticColor());
        EXPECT_EQ(result->Width(), w);
        EXPECT_EQ(result->Height(), h);
        EXPECT_EQ(result->PixelFormat(), pf24bit);
    }
}
