// TIcon: the shown image, compositing over bitmaps and onto canvases without
// one, saving unchanged, the picture holder's icon files, bad input, and the
// real icons of the corpus.
#include "gfx/Icon.h"

#include "core/Exception.h"
#include "core/FileIO.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/formats/Png.h"
#include "tests/gfx/formats/IconTestSupport.h"
#include "tests/support/Corpus.h"
#include "tests/support/InertCanvas.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace pictor {
namespace {

using namespace testing;

// Pixel (x, y) of an icon drawn at (0, 0) into a fresh bitmap of its size.
TBitmap RenderOverWhite(const TIcon& icon)
{
    TBitmap bitmap;
    bitmap.SetSize(icon.Width(), icon.Height());
    icon.Draw(bitmap.Canvas(), Rect(0, 0, icon.Width(), icon.Height()));
    return bitmap;
}

std::unique_ptr<TIcon> LoadIcon(const TBytes& bytes)
{
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromBytes(bytes);
    return icon;
}

const std::vector<TBgr> kPalette = {{0, 0, 0}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}};

TEST(Icon, EveryImageKindRendersWithItsTransparency)
{
    // Left column masked (transparent), elsewhere red; for 32 bits a half-
    // transparent blue column at x = 1.
    struct TKind {
        int Bits;
        bool Png;
    };
    for (const TKind kind : {TKind{1, false}, TKind{4, false}, TKind{8, false}, TKind{24, false}, TKind{32, false},
                             TKind{32, true}}) {
        SCOPED_TRACE(kind.Bits * (kind.Png ? -1 : 1));
        TBytes image;
        if (kind.Png)
            image = PngIconImage(5, 4, [](int x, int) { return x == 0 ? 0u : x == 1 ? 0x800000FFu : 0xFFFF0000u; });
        else if (kind.Bits == 32)
            image = DibIconImage(
                5, 4, 32, {}, [](int x, int) { return x == 0 ? 0u : x == 1 ? 0x800000FFu : 0xFFFF0000u; },
                [](int, int) { return false; });
        else if (kind.Bits == 24)
            image = DibIconImage(5, 4, 24, {}, [](int x, int) { return x == 0 ? 0u : 0xFF0000u; },
                                 [](int x, int) { return x == 0; });
        else
            image = DibIconImage(5, 4, kind.Bits,
                                 kind.Bits == 1 ? std::vector<TBgr>{{0, 0, 0}, {0, 0, 255}} : kPalette,
                                 [](int x, int) { return x == 0 ? 0u : 1u; }, [](int x, int) { return x == 0; });
        const auto held = LoadIcon(BuildIcon({{image, 5, 4, kind.Bits}}));
        const TIcon& icon = *held;
        EXPECT_EQ(icon.Width(), 5);
        EXPECT_EQ(icon.Height(), 4);
        const TBitmap out = RenderOverWhite(icon);
        EXPECT_EQ(out.GetPixel(0, 2), clWhite);
        EXPECT_EQ(out.GetPixel(3, 2), clRed);
        if (kind.Bits == 32) {
            EXPECT_EQ(out.GetPixel(1, 2), RGBColor(127, 127, 255));
        }
    }
}

TEST(Icon, ShowsTheLargestImageThenTheDeepest)
{
    auto solid = [](int size, int bits, std::uint32_t colour) {
        return TIconPart{DibIconImage(size, size, bits, {{0, 0, 0}, {255, 255, 255}},
                                      [=](int, int) { return colour; }, [](int, int) { return false; }),
                         size, size, bits};
    };
    const auto held = LoadIcon(BuildIcon({solid(16, 32, 0xFF0000FFu), solid(32, 1, 1), solid(32, 24, 0x00FF00u),
                                           solid(24, 32, 0xFFFF0000u)}));
    const TIcon& icon = *held;
    EXPECT_EQ(icon.Width(), 32);
    EXPECT_EQ(icon.Height(), 32);
    EXPECT_EQ(RenderOverWhite(icon).GetPixel(10, 10), clLime);
}

TBytes HalfMaskedIcon()
{
    // 4 by 4: the left half masked, the right half opaque blue; row 3 of the
    // right half semi-transparent green.
    return BuildIcon({{DibIconImage(4, 4, 32, {},
                                    [](int x, int y) {
                                        return x < 2 ? 0u : y == 3 ? 0x4000FF00u : 0xFF0000FFu;
                                    },
                                    [](int, int) { return false; }),
                       4, 4, 32}});
}

TEST(Icon, CompositesOverWhatTheTargetHoldsInAnyFormat)
{
    const auto held = LoadIcon(HalfMaskedIcon());
    const TIcon& icon = *held;
    for (TPixelFormat format : {pfDevice, pf24bit, pf32bit, pf8bit, pf16bit}) {
        SCOPED_TRACE(format);
        TBitmap target;
        target.SetSize(8, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) target.SetPixel(x, y, clRed);
        if (format != pfDevice) target.SetPixelFormat(format);
        const TColor background = target.GetPixel(0, 0);
        int changes = 0;
        target.OnChange = [&](TGraphic&) { ++changes; };
        // Stretched to 8 by 8 at (0, 0): each icon pixel covers 2 by 2.
        icon.Draw(target.Canvas(), Rect(0, 0, 8, 8));
        EXPECT_GE(changes, 1);
        EXPECT_EQ(target.GetPixel(1, 1), background);  // transparent: untouched
        EXPECT_EQ(target.GetPixel(3, 5), background);
        if (format != pf8bit) {
            EXPECT_EQ(target.GetPixel(5, 1), clBlue);
            const TColor blended = target.GetPixel(6, 7);  // 64/255 green over red
            EXPECT_NEAR(GetRValue(blended), 191, 8);
            EXPECT_NEAR(GetGValue(blended), 64, 8);
        }
    }
}

TEST(Icon, DrawingClipsToTheTarget)
{
    const auto held = LoadIcon(HalfMaskedIcon());
    const TIcon& icon = *held;
    TBitmap target;
    target.SetSize(3, 3);
    icon.Draw(target.Canvas(), Rect(-1, -2, 3, 2));  // only the lower-right part lands
    EXPECT_EQ(target.GetPixel(2, 0), clBlue);
    EXPECT_EQ(target.GetPixel(0, 0), clWhite);
    EXPECT_EQ(target.GetPixel(2, 2), clWhite);
}

// A canvas without a bitmap: records what it is asked to draw.
class TRecordingCanvas : public testing::TInertCanvas {
public:
    TRecordingCanvas() : TInertCanvas(100, 100) {}
    void DrawBitmap(const TBitmap& bitmap, const TRect& srcRect, double destLeft, double destTop,
                    double destWidth, double destHeight, std::uint32_t rop) override
    {
        Drawn = bitmap;
        Source = srcRect;
        Dest = {destLeft, destTop, destWidth, destHeight};
        Rop = rop;
    }

    TBitmap Drawn;
    TRect Source;
    std::array<double, 4> Dest{};
    std::uint32_t Rop = 0;
};

TEST(Icon, CanvasWithoutBitmapGetsTheImageOverWhite)
{
    const auto held = LoadIcon(HalfMaskedIcon());
    const TIcon& icon = *held;
    TRecordingCanvas canvas;
    icon.Draw(canvas, Rect(10, 20, 18, 28));
    EXPECT_EQ(canvas.Rop, std::uint32_t(cmSrcCopy));
    EXPECT_EQ(canvas.Source, Rect(0, 0, 4, 4));
    EXPECT_EQ(canvas.Dest, (std::array<double, 4>{10, 20, 8, 8}));
    EXPECT_EQ(canvas.Drawn.GetPixel(0, 0), clWhite);
    EXPECT_EQ(canvas.Drawn.GetPixel(3, 0), clBlue);
    EXPECT_NEAR(GetRValue(canvas.Drawn.GetPixel(3, 3)), 191, 2);
}

TEST(Icon, SavesTheFileUnchangedAlsoAfterAssignAndClone)
{
    const TBytes bytes = BuildIcon({{PngIconImage(3, 3, [](int, int) { return 0xFF123456u; }), 3, 3, 32},
                                    {DibIconImage(2, 2, 24, {}, [](int, int) { return 0u; }, [](int, int) { return 0; }),
                                     2, 2, 24}});
    TIcon icon;
    EXPECT_TRUE(icon.Empty());
    EXPECT_THROW(icon.SaveToBytes(), EInvalidGraphic);
    icon.LoadFromBytes(bytes);
    EXPECT_EQ(icon.SaveToBytes(), bytes);
    TIcon copy;
    int changes = 0;
    copy.OnChange = [&](TGraphic&) { ++changes; };
    copy.Assign(icon);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(copy.SaveToBytes(), bytes);
    EXPECT_EQ(icon.Clone()->SaveToBytes(), bytes);
    EXPECT_THROW(copy.SetWidth(4), EInvalidGraphic);
    TBitmap bitmap;
    EXPECT_THROW(copy.Assign(bitmap), EConvertError);

    TempDir dir;
    icon.SaveToFile(dir.File("x.ico"));
    TIcon read;
    read.LoadFromFile(dir.File("x.ico"));
    EXPECT_EQ(read.SaveToBytes(), bytes);
}

// --- the corpus ---------------------------------------------------------------

// The reference picture, flattened over white.
TBgraImage ReadReference(const std::filesystem::path& path)
{
    TBgraImage image = DecodePng(ReadWholeFile(path.string()), 4096, 4096 * 4096);
    for (std::size_t i = 0; i < image.Pixels.size(); i += 4) {
        const unsigned a = image.Pixels[i + 3];
        for (int c = 0; c < 3; ++c) image.Pixels[i + c] = std::uint8_t((image.Pixels[i + c] * a + 255 * (255 - a) + 127) / 255);
    }
    return image;
}

TEST(IconCorpus, EveryIconLoadsOrIsRejectedCleanlyAndMatchesItsReference)
{
    int loaded = 0, rejected = 0, compared = 0;
    for (const std::filesystem::path& path : CorpusFiles("ico")) {
        if (path.extension() != ".ico" && path.extension() != ".cur") continue;
        SCOPED_TRACE(path.string());
        TIcon icon;
        try {
            icon.LoadFromFile(path.string());
        } catch (const EInvalidGraphic& e) {
            ++rejected;
            EXPECT_NE(std::string(e.what()).find("画像フォーマットが不正です: "), std::string::npos) << e.what();
            EXPECT_NE(path.string().find("corrupt"), std::string::npos) << "rejected: " << e.what();
            continue;
        }
        ++loaded;
        EXPECT_EQ(icon.SaveToBytes(), ReadWholeFile(path.string()));
        // The reference: <name>.png, or <name><width>.png for one image of
        // a multi-size icon.
        std::filesystem::path reference = path;
        reference.replace_extension(".png");
        if (!std::filesystem::exists(reference))
            reference = path.parent_path() / (path.stem().string() + std::to_string(icon.Width()) + ".png");
        if (!std::filesystem::exists(reference)) continue;
        const TBgraImage expected = ReadReference(reference);
        if (expected.Width != icon.Width() || expected.Height != icon.Height()) continue;
        ++compared;
        const TBitmap out = RenderOverWhite(icon);
        int worst = 0;
        for (int y = 0; y < expected.Height; ++y)
            for (int x = 0; x < expected.Width; ++x) {
                const TColor c = out.GetPixel(x, y);
                const std::uint8_t* e = expected.Pixel(x, y);
                worst = std::max({worst, std::abs(GetBValue(c) - e[0]), std::abs(GetGValue(c) - e[1]),
                                  std::abs(GetRValue(c) - e[2])});
            }
        EXPECT_LE(worst, 2);
    }
    EXPECT_GT(loaded, 100);
    EXPECT_GT(compared, 80);
    std::cout << "icons loaded " << loaded << ", rejected " << rejected << ", compared " << compared << "\n";
}

} // namespace
} // namespace pictor
