// Regions of metafiles: old-style region objects filled, painted, framed,
// inverted and selected as the clipping at the place the mapping gives
// them, enhanced regions framed and inverted; damaged regions and regions of
// too many rectangles skipped, in both formats, without losing the rest of
// the picture.
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include "gfx/Limits.h"
#include "gfx/Metafile.h"

#include <gtest/gtest.h>

namespace pictor::testing {
namespace {

// An L: a band from 10 to 20 with two rectangles, a wider one below it.
const std::vector<TWmfScan> kL = {{10, 20, {10, 30, 50, 60}}, {20, 40, {10, 60}}};

TEST(MetafileRegion, OldStyleRegionsAreFilledPaintedFramedAndInverted)
{
    const TBitmap b = Render({Brush(clRed),                          // 0
                              WmfRegionRecord(kL),                   // 1
                              WmfRecord(0x0228, {1, 0}),             // fill with red
                              Brush(clBlue),                         // 2
                              Select(2),                             // the current brush
                              WmfRegionRecord({{60, 70, {70, 90}}}), // 3
                              WmfRecord(0x012B, {3}),                // paint with it
                              Brush(clLime),                         // 4
                              WmfRecord(0x0429, {1, 4, 3, 2}),       // frame: 2 wide, 3 high
                              WmfRegionRecord({{45, 55, {70, 90}}}), // 5
                              WmfRecord(0x012A, {5})});              // invert

    // The fill covers the region and nothing beyond its right and bottom
    // edges; the frame lies inside its outline, and not where the bands meet.
    EXPECT_EQ(b.GetPixel(15, 15), clRed);
    EXPECT_EQ(b.GetPixel(27, 17), clRed);
    EXPECT_EQ(b.GetPixel(30, 12), clWhite);
    EXPECT_EQ(b.GetPixel(40, 12), clWhite);
    EXPECT_EQ(b.GetPixel(57, 36), clRed);
    EXPECT_EQ(b.GetPixel(60, 30), clWhite);
    EXPECT_EQ(b.GetPixel(30, 40), clWhite);
    EXPECT_EQ(b.GetPixel(9, 30), clWhite);
    const std::vector<std::pair<int, int>> frame = {{10, 30}, {11, 30}, {59, 30}, {58, 30}, {30, 39},
                                                    {30, 37}, {20, 10}, {20, 12}, {55, 10}, {40, 20},
                                                    {40, 22}, {29, 15}, {50, 15}};
    for (auto [x, y] : frame)
        EXPECT_EQ(b.GetPixel(x, y), clLime) << x << "," << y;
    const std::vector<std::pair<int, int>> inside = {{12, 30}, {57, 30}, {30, 36}, {20, 13},
                                                     {40, 23}, {20, 20}, {20, 22}, {12, 20}};
    for (auto [x, y] : inside)
        EXPECT_EQ(b.GetPixel(x, y), clRed) << x << "," << y;

    EXPECT_EQ(b.GetPixel(70, 60), clBlue);
    EXPECT_EQ(b.GetPixel(89, 69), clBlue);
    EXPECT_EQ(b.GetPixel(90, 65), clWhite);
    EXPECT_EQ(b.GetPixel(70, 45), clBlack);
    EXPECT_EQ(b.GetPixel(89, 54), clBlack);
    EXPECT_EQ(b.GetPixel(80, 55), clWhite);
}

TEST(MetafileRegion, SelectedRegionReplacesTheClippingAtTheMappedPlace)
{
    // Played at twice the size: the region's units are logical ones.
    const TBitmap b = Render({NullPen(), // 0
                              Select(0),
                              Brush(clBlack), // 1
                              Select(1),
                              WmfRegionRecord({{10, 20, {10, 30, 40, 50}}}), // 2
                              WmfRecord(0x0416, {5, 5, 0, 0}),               // clip to 0,0-5,5
                              WmfRecord(0x012C, {2}),                        // replaced by the region
                              Rectangle(0, 0, 100, 50),
                              WmfRecord(0x012C, {1}),  // a brush: ignored
                              WmfRecord(0x012C, {99}), // no object: ignored
                              Brush(clRed),            // 3
                              Select(3),
                              Rectangle(0, 50, 100, 100),           // clipped away
                              WmfRegionRecord({{60, 70, {0, 10}}}), // 4
                              Select(4),                            // selecting clips too
                              Rectangle(0, 0, 100, 100),
                              WmfRegionRecord({}),    // 5: empty
                              WmfRecord(0x012C, {5}), // clipping ends
                              Brush(clBlue),          // 6
                              Select(6),
                              Rectangle(80, 80, 100, 100)},
                             200);
    EXPECT_EQ(b.GetPixel(20, 20), clBlack);
    EXPECT_EQ(b.GetPixel(59, 39), clBlack);
    EXPECT_EQ(b.GetPixel(60, 30), clWhite);
    EXPECT_EQ(b.GetPixel(80, 30), clBlack);
    EXPECT_EQ(b.GetPixel(99, 39), clBlack);
    EXPECT_EQ(b.GetPixel(100, 30), clWhite);
    EXPECT_EQ(b.GetPixel(59, 40), clWhite);
    EXPECT_EQ(b.GetPixel(5, 5), clWhite); // inside the replaced rectangle
    EXPECT_EQ(b.GetPixel(50, 150), clWhite);
    EXPECT_EQ(b.GetPixel(0, 120), clRed);
    EXPECT_EQ(b.GetPixel(19, 139), clRed);
    EXPECT_EQ(b.GetPixel(20, 130), clWhite);
    EXPECT_EQ(b.GetPixel(25, 25), clBlack);
    EXPECT_EQ(b.GetPixel(199, 199), clBlue);
    EXPECT_EQ(b.GetPixel(160, 160), clBlue);
}

// A file that creates region, then a red brush, fills the region, selects it
// as the clipping and draws a rectangle with the brush.
std::unique_ptr<TLogCanvas> PlayWithRegion(const std::vector<std::uint16_t>& region)
{
    TMetafile m;
    m.LoadFromBytes(
        WmfFile({region, Brush(clRed), WmfRecord(0x0228, {0, 1}), WmfRecord(0x0429, {0, 1, 1, 1}),
                 WmfRecord(0x012C, {0}), Select(1), NullPen(), Select(2), Rectangle(0, 0, 50, 50)},
                Rect(0, 0, 100, 100), 96));
    auto log = std::make_unique<TLogCanvas>();
    m.Draw(*log, Rect(0, 0, 100, 100));
    return log;
}

TEST(MetafileRegion, DamagedOldStyleRegionsAreSkippedAndKeepTheirSlot)
{
    std::vector<std::vector<std::uint16_t>> bad;
    auto scansBeyond = WmfRegionRecord(kL);
    scansBeyond[3 + 5] = 1000; // scan count
    bad.push_back(scansBeyond);
    auto oddCount = WmfRegionRecord({{0, 10, {0, 10, 20}}});
    bad.push_back(oddCount);
    auto countsDisagree = WmfRegionRecord(kL);
    countsDisagree.back() = 4;
    bad.push_back(countsDisagree);
    auto cut = WmfRegionRecord(kL);
    cut.erase(cut.end() - 3, cut.end());
    cut[0] = static_cast<std::uint16_t>(cut.size());
    bad.push_back(cut);
    // Scans of 16,384 rectangles each (a scan counts its edges in 16 bits).
    std::vector<TWmfScan> atLimit;
    for (std::int64_t n = 0; n < kMaxRegionRects; n += 16384) {
        atLimit.push_back(
            {static_cast<std::int16_t>(n / 16384), static_cast<std::int16_t>(n / 16384 + 1), {}});
        for (int i = 0; i < 16384; ++i)
            atLimit.back().Edges.insert(atLimit.back().Edges.end(), {0, 10});
    }
    auto beyond = atLimit;
    beyond.push_back({20, 30, {0, 10}});
    bad.push_back(WmfRegionRecord(beyond));

    for (std::size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        auto log = PlayWithRegion(bad[i]);
        // Only the rectangle, red and unclipped: the brush is object 1.
        ASSERT_EQ(log->Fills.size(), 1u);
        EXPECT_EQ(log->Fills[0].Brush.Color, clRed);
        EXPECT_EQ(log->Clips.size(), 1u); // the destination
        EXPECT_EQ(log->Depth, 0);
    }

    // At the limit the region is played: filled, framed and clipped to.
    auto log = PlayWithRegion(WmfRegionRecord(atLimit));
    EXPECT_EQ(log->Fills.size(), 3u);
    EXPECT_EQ(log->Clips.size(), 2u);
}

// An enhanced record of type with fields, then a region of rects.
std::vector<std::uint8_t> EmfRegionRecord(std::uint32_t type, std::vector<std::uint32_t> fields,
                                          const std::vector<std::array<std::uint32_t, 4>>& rects)
{
    const auto count = static_cast<std::uint32_t>(rects.size());
    fields.insert(fields.end(), {32, 1, count, 16 * count, 0, 0, 100, 100});
    for (const auto& r : rects) fields.insert(fields.end(), r.begin(), r.end());
    return EmfRecord(type, fields);
}

std::uint32_t RegionSize(std::size_t rects)
{
    return static_cast<std::uint32_t>(32 + 16 * rects);
}

TEST(MetafileRegion, EnhancedRegionsAreFramedAndInverted)
{
    const std::vector<std::array<std::uint32_t, 4>> l = {{10, 10, 30, 20}, {10, 20, 60, 40}};
    TEmfBuilder builder;
    // Black stock brush, 2 wide and 3 high.
    builder.AddRaw(EmfRegionRecord(U_EMR_FRAMERGN, {0, 0, 60, 40, RegionSize(2), 0x80000004u, 2, 3}, l));
    builder.AddRaw(EmfRegionRecord(U_EMR_INVERTRGN, {70, 45, 90, 55, RegionSize(1)}, {{70, 45, 90, 55}}));
    TMetafile m;
    m.LoadFromBytes(builder.Build(U_RECTL{0, 0, 1000, 1000})); // 100 pixels
    TBitmap b;
    b.SetSize(100, 100);
    b.Canvas().StretchDraw(Rect(0, 0, 100, 100), m);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{10, 30}, {11, 30}, {59, 30}, {30, 39}, {20, 10}, {40, 22}})
        EXPECT_EQ(b.GetPixel(x, y), clBlack) << x << "," << y;
    for (auto [x, y] : std::vector<std::pair<int, int>>{{12, 30}, {20, 20}, {40, 23}, {60, 30}, {30, 40}})
        EXPECT_EQ(b.GetPixel(x, y), clWhite) << x << "," << y;
    EXPECT_EQ(b.GetPixel(70, 45), clBlack);
    EXPECT_EQ(b.GetPixel(89, 54), clBlack);
    EXPECT_EQ(b.GetPixel(90, 50), clWhite);
}

TEST(MetafileRegion, EnhancedRegionsOfTooManyRectanglesAreSkipped)
{
    for (std::size_t count : {std::size_t(kMaxRegionRects), std::size_t(kMaxRegionRects + 1)}) {
        SCOPED_TRACE(count);
        const std::vector<std::array<std::uint32_t, 4>> rects(count, {0, 0, 10, 10});
        TEmfBuilder b;
        b.AddRaw(EmfRegionRecord(U_EMR_FILLRGN, {0, 0, 10, 10, RegionSize(count), 0x80000004u}, rects));
        b.AddRaw(EmfRegionRecord(U_EMR_EXTSELECTCLIPRGN, {RegionSize(count), 5}, rects));
        b.Add(U_EMRRECTANGLE_set(U_RECTL{0, 0, 30, 30}));
        TMetafile m;
        m.LoadFromBytes(b.Build());
        TLogCanvas log;
        m.Draw(log, Rect(0, 0, 1000, 1000));
        const bool played = count <= std::size_t(kMaxRegionRects);
        EXPECT_EQ(log.Fills.size(), played ? 2u : 1u);
        EXPECT_EQ(log.Clips.size(), played ? 2u : 1u);
    }
}

} // namespace
} // namespace pictor::testing
