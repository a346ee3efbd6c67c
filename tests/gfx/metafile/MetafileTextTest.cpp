// Text records played into bitmaps: the direction an escapement gives under
// mappings whose y axis runs up or down, fonts condensed and expanded to
// their width, characters lifted by per-character vertical offsets, and the
// Symbol and Wingdings fonts drawn as the characters their codes mean, in
// enhanced and old-style files.
#include "tests/gfx/canvas/CanvasTestSupport.h"
#include "tests/gfx/metafile/MetafileTestSupport.h"

#include "gfx/Metafile.h"
#include "tests/gfx/BitmapTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace pictor::testing {
namespace {

using canvastest::InkOf;
using canvastest::TInkBox;

constexpr int kSide = 200;

TBitmap Played(const TMetafile& m)
{
    TBitmap b;
    b.SetSize(kSide, kSide);
    b.Canvas().StretchDraw(Rect(0, 0, kSide, kSide), m);
    return b;
}

// --- enhanced records ----------------------------------------------------------------

// An enhanced picture of kSide device pixels a side, drawn at 1:1.
TBitmap PlayEmf(const TEmfBuilder& b)
{
    TMetafile m;
    m.LoadFromBytes(b.Build(U_RECTL{0, 0, kSide * 10, kSide * 10}));
    return Played(m);
}

// A mapping whose y axis runs up: logical (x, y) is device (x, kSide - y).
void YUp(TEmfBuilder& b)
{
    b.Add(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC))
        .Add(U_EMRSETWINDOWEXTEX_set(sizel_set(kSide, -kSide)))
        .Add(U_EMRSETWINDOWORGEX_set(point32_set(0, kSide)))
        .Add(U_EMRSETVIEWPORTEXTEX_set(sizel_set(kSide, kSide)));
}

// Selects a font (object 1) and draws text transparently from its baseline.
void EmfFont(TEmfBuilder& b, int height, int width, int escapement, const std::u16string& face)
{
    U_LOGFONT lf = logfont_set(height, width, escapement, escapement, 400, 0, 0, 0, 1, 0, 0, 0, 0, nullptr);
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    b.Add(U_EMREXTCREATEFONTINDIRECTW_set(1, reinterpret_cast<const char*>(&lf), nullptr))
        .Add(U_EMRSELECTOBJECT_set(1))
        .Add(U_EMRSETBKMODE_set(U_TRANSPARENT))
        .Add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE));
}

// EXTTEXTOUTW at logical (x, y) with an advance per character (none: the
// font's own), and with a vertical offset per character (ETO_PDY) when dy
// is given.
std::vector<std::uint8_t> EmfText(int x, int y, const std::u16string& text, const std::vector<int>& dx = {},
                                  const std::vector<int>& dy = {})
{
    const std::uint32_t n = static_cast<std::uint32_t>(text.size());
    const std::uint32_t offString = 76, offDx = dx.empty() ? 0 : offString + (2 * n + 3) / 4 * 4;
    std::vector<std::uint32_t> words = {0, 0, 0xFFFFFFFF, 0xFFFFFFFF, 1, 0, 0, // bounds, compatible mode
                                        static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), n, offString,
                                        dy.empty() ? 0u : U_ETO_PDY, 0, 0, 0, 0, offDx};
    for (std::uint32_t i = 0; i < n; i += 2)
        words.push_back(text[i] | (i + 1 < n ? std::uint32_t(text[i + 1]) << 16 : 0));
    for (std::size_t i = 0; i < dx.size(); ++i) {
        words.push_back(static_cast<std::uint32_t>(dx[i]));
        if (!dy.empty()) words.push_back(static_cast<std::uint32_t>(dy[i]));
    }
    return EmfRecord(U_EMR_EXTTEXTOUTW, words);
}

// --- old-style records -------------------------------------------------------------

// A placeable picture of kSide pixels a side.
TBitmap PlayWmf(std::vector<std::vector<std::uint16_t>> records)
{
    records.insert(records.begin(), WmfRecord(0x0102, {1})); // transparent background
    TMetafile m;
    m.LoadFromBytes(WmfFile(records, Rect(0, 0, kSide, kSide), 96));
    return Played(m);
}

// 8-bit text as 16-bit words, padded with a zero.
std::vector<std::int16_t> Words(const std::string& bytes)
{
    std::vector<std::int16_t> w;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const auto lo = static_cast<std::uint8_t>(bytes[i]);
        const auto hi = i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[i + 1]) : 0;
        w.push_back(static_cast<std::int16_t>(lo | hi << 8));
    }
    return w;
}

// CREATEFONTINDIRECT (object 0) and its selection.
std::vector<std::vector<std::uint16_t>> WmfFont(int height, int width, int charSet, const std::string& face)
{
    std::vector<std::int16_t> p = {static_cast<std::int16_t>(height), static_cast<std::int16_t>(width), 0, 0, 400, 0,
                                   static_cast<std::int16_t>(charSet << 8), 0, 0};
    for (std::int16_t w : Words(face + '\0')) p.push_back(w);
    return {WmfRecord(0x02FB, p), WmfRecord(0x012D, {0})};
}

// TEXTOUT of bytes with its top-left at (x, y).
std::vector<std::uint16_t> WmfTextOut(int x, int y, const std::string& bytes)
{
    std::vector<std::int16_t> p = {static_cast<std::int16_t>(bytes.size())};
    for (std::int16_t w : Words(bytes)) p.push_back(w);
    p.push_back(static_cast<std::int16_t>(y));
    p.push_back(static_cast<std::int16_t>(x));
    return WmfRecord(0x0521, p);
}

// EXTTEXTOUT of bytes with an advance and a vertical offset (ETO_PDY) per byte.
std::vector<std::uint16_t> WmfExtTextOut(int x, int y, const std::string& bytes, const std::vector<int>& dx,
                                         const std::vector<int>& dy)
{
    std::vector<std::int16_t> p = {static_cast<std::int16_t>(y), static_cast<std::int16_t>(x),
                                   static_cast<std::int16_t>(bytes.size()), 0x2000};
    for (std::int16_t w : Words(bytes)) p.push_back(w);
    for (std::size_t i = 0; i < dx.size(); ++i) {
        p.push_back(static_cast<std::int16_t>(dx[i]));
        p.push_back(static_cast<std::int16_t>(dy[i]));
    }
    return WmfRecord(0x0A32, p);
}

// --- the rules ---------------------------------------------------------------------

TEST(MetafileText, EscapementTurnsTheBaselineAsTheMappingRuns)
{
    // The baseline starts at device (100, 100). An escapement turns it
    // counter-clockwise in logical units, so when the y axis runs up an
    // escapement of 2700 reads upwards on screen, as the platform draws
    // (and records the text's bounds); the glyphs stay upright along it,
    // their tops to the left of a line that reads upwards.
    struct Case {
        bool yUp;
        int escapement;
        bool upwards;
    };
    for (const Case& c : {Case{false, 900, true}, Case{false, 2700, false}, Case{true, 2700, true},
                          Case{true, 900, false}}) {
        SCOPED_TRACE(::testing::Message() << "y up " << c.yUp << ", escapement " << c.escapement);
        TEmfBuilder b;
        if (c.yUp) YUp(b);
        EmfFont(b, -20, 0, c.escapement, u"Arial");
        b.AddRaw(EmfText(100, 100, u"Wavy text"));
        const TInkBox ink = InkOf(PlayEmf(b), clWhite);
        ASSERT_GT(ink.Count, 50);
        if (c.upwards) {
            EXPECT_LE(ink.Bottom, 101);
            EXPECT_LT(ink.Top, 60);
            EXPECT_LT(ink.Left, 90);
            EXPECT_LE(ink.Right, 106);
        } else {
            EXPECT_GE(ink.Top, 99);
            EXPECT_GT(ink.Bottom, 140);
            EXPECT_GE(ink.Left, 94);
            EXPECT_GT(ink.Right, 110);
        }
    }
}

TEST(MetafileText, FontWidthCondensesAndExpandsTheGlyphs)
{
    // The same line at average character widths of 0 (the face's own), 6
    // and 12 pixels: the glyphs keep their height and take the width.
    for (bool enhanced : {true, false}) {
        SCOPED_TRACE(enhanced ? "enhanced" : "old-style");
        auto ink = [&](int width) {
            if (enhanced) {
                TEmfBuilder b;
                EmfFont(b, -20, width, 0, u"Arial");
                b.AddRaw(EmfText(10, 100, u"mmmm nnnn"));
                return InkOf(PlayEmf(b), clWhite);
            }
            auto records = WmfFont(-20, width, 0, "Arial");
            records.push_back(WmfTextOut(10, 90, "mmmm nnnn"));
            return InkOf(PlayWmf(records), clWhite);
        };
        const TInkBox own = ink(0), narrow = ink(6), wide = ink(12);
        const int ownWidth = own.Right - own.Left, narrowWidth = narrow.Right - narrow.Left,
                  wideWidth = wide.Right - wide.Left;
        EXPECT_LT(narrowWidth, ownWidth);
        EXPECT_GT(wideWidth, ownWidth);
        EXPECT_NEAR(wideWidth, 2 * narrowWidth, narrowWidth / 10.0);
        EXPECT_EQ(narrow.Bottom - narrow.Top, own.Bottom - own.Top);
        EXPECT_EQ(wide.Bottom - wide.Top, own.Bottom - own.Top);
    }
}

TEST(MetafileText, VerticalOffsetsLiftTheFollowingCharacters)
{
    // "II" with advances of 30 and the second character 12 units towards
    // the font's ascent: up on screen, also when the y axis runs up.
    struct Case {
        const char* name;
        std::function<TBitmap()> play;
    };
    const Case cases[] = {
        {"enhanced",
         [] {
             TEmfBuilder b;
             EmfFont(b, -30, 0, 0, u"Arial");
             b.AddRaw(EmfText(100, 100, u"II", {30, 30}, {12, 0}));
             return PlayEmf(b);
         }},
        {"enhanced, y up",
         [] {
             TEmfBuilder b;
             YUp(b);
             EmfFont(b, -30, 0, 0, u"Arial");
             b.AddRaw(EmfText(100, 100, u"II", {30, 30}, {12, 0}));
             return PlayEmf(b);
         }},
        {"old-style",
         [] {
             auto records = WmfFont(-30, 0, 0, "Arial");
             records.push_back(WmfRecord(0x012E, {24})); // baseline alignment
             records.push_back(WmfExtTextOut(100, 100, "II", {30, 30}, {12, 0}));
             return PlayWmf(records);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TBitmap b = c.play();
        const TInkBox first = InkOf(b, clWhite, 90, 130), second = InkOf(b, clWhite, 130, 170);
        ASSERT_GT(first.Count, 20);
        ASSERT_EQ(second.Count, first.Count);
        EXPECT_LE(first.Bottom, 100);
        EXPECT_EQ(second.Top, first.Top - 12);
        EXPECT_EQ(second.Bottom, first.Bottom - 12);
    }
}

TEST(MetafileText, SymbolFontsDrawTheCharactersTheirCodesMean)
{
    // Each played text against the characters it stands for, drawn
    // directly at the same place in the face that has them.
    auto direct = [](const char* face, const std::string& text) {
        TBitmap b;
        b.SetSize(kSide, kSide);
        TCanvas& c = b.Canvas();
        c.Brush.Style = bsClear;
        c.Font.Name = face;
        c.Font.Height = -30;
        c.TextOut(20, 40, text);
        return b;
    };
    auto oldStyle = [](const char* face, int charSet, const std::string& bytes) {
        auto records = WmfFont(-30, 0, charSet, face);
        records.push_back(WmfTextOut(20, 40, bytes));
        return PlayWmf(records);
    };
    TEmfBuilder privateRange;
    EmfFont(privateRange, -30, 0, 0, u"Arial");
    privateRange.Add(U_EMRSETTEXTALIGN_set(U_TA_TOP)).AddRaw(EmfText(20, 40, u"\uF061\uF0B7"));

    struct Case {
        const char* name;
        TBitmap played, expected;
    };
    const Case cases[] = {
        // Greek and mathematics of the Symbol font, in its own character set.
        {"Symbol", oldStyle("Symbol", 2, "a\xD6\xB3"), direct("Symbola", "\u03B1\u221A\u2265")},
        // Pictures of Wingdings; its codes above 0x7F are codes too, whatever
        // character set the font claims.
        {"Wingdings", oldStyle("Wingdings", 1, "J\x80\xFC"), direct("Symbola", "\u263A\u24EA\u2714")},
        // Symbol codes in the private range, in any face.
        {"private range", PlayEmf(privateRange), direct("Arial", "\u03B1\u2022")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_GT(InkOf(c.expected, clWhite).Count, 50);
        EXPECT_TRUE(SameColours(c.played, c.expected));
    }
}

} // namespace
} // namespace pictor::testing
