// Damaged copies of well-formed metafiles: bytes flipped, fields set to
// extreme values, files cut. Each loads and plays or is refused with the
// invalid-graphic error; none may crash (the sanitizer build runs this
// too).
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include "core/Exception.h"
#include "gfx/Metafile.h"
#include "tests/gfx/BitmapTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace pictor::testing {
namespace {

// A metafile that uses most kinds of records the recorder writes.
std::vector<std::uint8_t> RichMetafile(bool enhanced)
{
    TBitmap eight;
    eight.SetLayout(8, std::nullopt, 9, 7);
    std::vector<TPaletteEntry> entries(256);
    for (int i = 0; i < 256; ++i) entries[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), 0, 0, 0};
    eight.SetPalette(TPalette(std::move(entries)));
    TBitmap picture = MakeTestPicture(11, 5);
    TMetafile m;
    m.SetWidth(60);
    m.SetHeight(40);
    {
        TMetafileCanvas c(m);
        c.Brush.Color = clBtnFace;
        c.FillRect(Rect(0, 0, 60, 40));
        c.Pen.Color = clBlue;
        c.MoveTo(1, 1);
        c.LineTo(50, 30);
        c.Brush.Style = bsDiagCross;
        c.Rectangle(3, 3, 30, 20);
        c.Brush.Style = bsSolid;
        c.Ellipse(10, 10, 40, 35);
        c.Polygon({{5, 5}, {20, 30}, {40, 2}});
        c.Draw(2, 2, eight);
        c.StretchDraw(Rect(30, 10, 55, 30), picture);
        c.Font.SetSize(9);
        c.TextOut(4, 20, "255 %");
        TPath clip;
        clip.AddEllipse(0, 0, 50, 30);
        c.SaveClip();
        c.IntersectClip(clip, frWinding);
        TPath curve;
        curve.MoveTo({0, 0});
        curve.BezierTo({10, 40}, {40, -10}, {59, 39});
        c.StrokePath(curve, c.Pen, 2);
        c.RestoreClip();
    }
    m.SetEnhanced(enhanced);
    return m.SaveToBytes();
}

void Exercise(const std::vector<std::uint8_t>& bytes)
{
    TMetafile m;
    try {
        m.LoadFromBytes(bytes);
    } catch (const EInvalidGraphic&) {
        return;
    }
    TLogCanvas log(64, 64);
    m.Draw(log, Rect(0, 0, 64, 48));
    ASSERT_EQ(log.Depth, 0);
    TBitmap target;
    target.SetSize(64, 48);
    target.Canvas().StretchDraw(Rect(0, 0, 64, 48), m);
    TMetafile back;
    back.LoadFromBytes(m.SaveToBytes());
}

void Damage(const std::vector<std::uint8_t>& original, unsigned seed, int rounds)
{
    std::mt19937 rng(seed);
    const std::uint32_t extremes[] = {0, 1, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0x0000FFFFu, 0x00010000u};
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::uint8_t> bytes = original;
        const int kind = static_cast<int>(rng() % 3);
        if (kind == 0) {
            for (int k = 1 + static_cast<int>(rng() % 6); k > 0; --k) bytes[rng() % bytes.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
        } else if (kind == 1) {
            const std::size_t at = (rng() % (bytes.size() / 2)) * 2;
            const std::uint32_t v = rng() % 2 ? extremes[rng() % std::size(extremes)] : static_cast<std::uint32_t>(rng());
            for (std::size_t i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        } else {
            bytes.resize(rng() % bytes.size());
        }
        SCOPED_TRACE(round);
        Exercise(bytes);
        if (::testing::Test::HasFatalFailure()) return;
    }
}

TEST(MetafileDamage, DamagedEnhancedMetafilesNeverCrash)
{
    Damage(RichMetafile(true), 11, 1500);
}

TEST(MetafileDamage, DamagedOldStyleMetafilesNeverCrash)
{
    Damage(RichMetafile(false), 23, 1500);
}

TEST(MetafileDamage, DamagedOldStyleRegionsNeverCrash)
{
    const std::vector<TWmfScan> scans = {{10, 20, {10, 30, 50, 60}}, {20, 40, {10, 60}}, {40, 45, {0, 5}}};
    const auto file = WmfFile({WmfRecord(0x02FC, {0, 0xFF, 0, 0}), WmfRegionRecord(scans), WmfRecord(0x0228, {1, 0}),
                               WmfRecord(0x0429, {1, 0, 3, 2}), WmfRecord(0x012A, {1}), WmfRecord(0x012C, {1}),
                               WmfRecord(0x012B, {1}), WmfRecord(0x01F0, {1}), WmfRecord(0x012C, {1})},
                              Rect(0, 0, 60, 40), 96);
    Damage(file, 31, 1500);
}

} // namespace
} // namespace pictor::testing
