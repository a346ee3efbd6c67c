// GIF files: first frames of made and real-world files against an
// independent decoder, the palette the canvas and transparency need, frame
// counts, refusals, and the writer's round trip at every palette depth.
#include "tests/gfx/BitmapTestSupport.h"

#include "core/Exception.h"
#include "core/FileIO.h"
#include "gfx/GIFImage.h"
#include "gfx/Picture.h"
#include "gfx/PixelRows.h"
#include "tests/support/Corpus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace pictor {
namespace {

namespace fs = std::filesystem;

const fs::path kTestFiles = fs::path(PICTOR_TEST_DATA_DIR) / "fuzz" / "gif";

struct TGifCase {
    const char* Name;
    int Width, Height, Frames;
    std::uint64_t Hash;
};

// From tests/gfx/make-gif-files.py: Pillow's decoding of each first frame on
// a white canvas of the screen's size, and Pillow's frame count.
const TGifCase kReferences[] = {
    {"clipped.gif", 5, 4, 1, 0x26e811edce71ea12ull},
    {"frames.gif", 24, 18, 3, 0x377f1e70c7b9d425ull},
    {"full-nearest.gif", 17, 16, 1, 0x91c8b0130be70195ull},
    {"full-unused.gif", 17, 16, 1, 0xd4d37da1487e0917ull},
    {"interlaced.gif", 37, 29, 1, 0xe2cd2ebb4764f4c1ull},
    {"mono.gif", 13, 7, 1, 0x32f5d785b5201fdeull},
    {"no-terminator.gif", 16, 12, 1, 0x9f109aeedcad0824ull},
    {"transparent.gif", 16, 12, 1, 0x9f109aeedcad0824ull},
    {"regression-issue-208-block-type-beta.gif", 8, 8, 1, 0x7ee9ff4f3b8d0325ull},
    {"regression-issue-208-block-type.gif", 8, 8, 1, 0x7ee9ff4f3b8d0325ull},
    {"regression-issue-209-extension-block-type.gif", 1, 1, 1, 0xf998341be47bae14ull},
    {"samples-2x2.gif", 2, 2, 1, 0x8ad41870674154fbull},
    {"samples-alpha_gif_a.gif", 256, 256, 1, 0x65d83aa067922325ull},
    {"samples-anim-gr.gif", 100, 50, 2, 0xd6a11837b6be7f8dull},
    {"samples-beacon.gif", 6, 6, 2, 0x4832df843a2d2a21ull},
    {"samples-beacon_icc.gif", 6, 6, 2, 0x4832df843a2d2a21ull},
    {"samples-beacon_xmp.gif", 6, 6, 2, 0x4832df843a2d2a21ull},
    {"samples-gifplayer-muybridge.gif", 472, 298, 380, 0x79c44078182d7efeull},
    {"samples-interlaced.gif", 540, 330, 1, 0xc1e6e49d70063783ull},
    {"samples-moon_impact.gif", 116, 100, 14, 0x9b78406805a1b9f3ull},
    {"samples-sample_1.gif", 10, 10, 1, 0x0920ebd1538778d1ull},
    {"samples-sample_big.gif", 1000, 175, 259, 0xc98520ca034d68acull},
    {"samples-set_hsts.gif", 1, 1, 1, 0xf998341be47bae14ull},
};

// 64-bit FNV-1a over red, green and blue of every pixel, rows top down.
std::uint64_t RgbHash(const TBitmap& b)
{
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const TColor c = b.GetPixel(x, y);
            for (int shift : {0, 8, 16}) h = (h ^ ((c >> shift) & 0xFF)) * 0x100000001b3ull;
        }
    return h;
}

const TGifCase* Reference(const std::string& name)
{
    for (const TGifCase& c : kReferences)
        if (name == c.Name) return &c;
    return nullptr;
}

TEST(GifRead, FirstFramesMatchAnIndependentDecoderAndTheRestRefuseCleanly)
{
    std::vector<fs::path> files = testing::CorpusFiles("gif/image-gif");
    for (const auto& e : fs::directory_iterator(kTestFiles)) files.push_back(e.path());
    std::erase_if(files, [](const fs::path& file) { return file.extension() != ".gif"; });

    std::set<std::string> refused;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        TGIFImage gif;
        try {
            gif.LoadFromFile(file.string());
        } catch (const EInvalidGraphic&) {
            refused.insert(file.filename().string());
            continue;
        }
        EXPECT_EQ(gif.BitsPerPixel(), 8);
        const TGifCase* expected = Reference(file.filename().string());
        if (!expected) continue;  // beyond-table.gif: its own test below
        EXPECT_EQ(gif.Width(), expected->Width);
        EXPECT_EQ(gif.Height(), expected->Height);
        EXPECT_EQ(gif.FrameCount(), expected->Frames);
        EXPECT_EQ(RgbHash(gif), expected->Hash);
    }
    const std::set<std::string> expectedRefused = {
        "truncated.gif", "crashtest-issue-117-out-of-range.gif", "crashtest-issue-96-small-codesize-2.gif",
        "crashtest-issue-96-small-codesize.gif", "stall-issue-101-infinite-empty-loop.gif"};
    EXPECT_EQ(refused, expectedRefused);
}

// The palette entries the reader adds or changes, file by file (see the top
// of GifRead.cpp): count, the canvas's entry and its colour.
TEST(GifRead, TheCanvasAndTransparencyGetAWhiteEntryWithoutChangingAVisiblePixel)
{
    struct TCase {
        const char* Name;
        int Entries;
        int X, Y, CanvasIndex;  // a pixel of the canvas outside the frame
        TColor Canvas;
    };
    const TCase cases[] = {
        {"frames.gif", 3, 0, 0, 2, clWhite},           // 2 entries, no white: one added
        {"clipped.gif", 4, 0, 0, 3, clWhite},          // the transparent entry
        {"full-unused.gif", 256, 16, 5, 7, clWhite},   // full, entry 7 not shown: made white
        {"full-nearest.gif", 256, 16, 5, 127, RGBColor(127, 128, 100)},  // all shown: nearest white
        {"beyond-table.gif", 32, 8, 2, 1, clWhite},    // the table's own white entry
        {"mono.gif", 2, -1, -1, -1, clBlack},          // the frame covers the screen
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TGIFImage gif;
        gif.LoadFromFile((kTestFiles / c.Name).string());
        EXPECT_EQ(gif.PaletteRef().Count(), c.Entries);
        if (c.CanvasIndex < 0) continue;
        EXPECT_EQ(gif.ScanLine(c.Y)[c.X], c.CanvasIndex);
        EXPECT_EQ(gif.GetPixel(c.X, c.Y), c.Canvas);
    }
    // Indices beyond the two-entry table stay as they are and show black.
    TGIFImage beyond;
    beyond.LoadFromFile((kTestFiles / "beyond-table.gif").string());
    EXPECT_EQ(beyond.ScanLine(3)[7], 31);
    EXPECT_EQ(beyond.GetPixel(7, 3), clBlack);
    EXPECT_EQ(beyond.GetPixel(0, 0), RGBColor(10, 20, 30));
}

std::vector<std::uint8_t> Le16(int v)
{
    return {static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>(v >> 8)};
}

// A GIF89a header and screen of w by h, a 2-entry global table when withTable,
// then body.
std::vector<std::uint8_t> GifBytes(int w, int h, bool withTable, const std::vector<std::uint8_t>& body)
{
    std::vector<std::uint8_t> b = {'G', 'I', 'F', '8', '9', 'a'};
    for (int v : {w, h})
        for (std::uint8_t byte : Le16(v)) b.push_back(byte);
    b.insert(b.end(), {static_cast<std::uint8_t>(withTable ? 0x80 : 0), 0, 0});
    if (withTable) b.insert(b.end(), {0, 0, 0, 255, 255, 255});
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// An image descriptor at (0, 0) of w by h, without a local table, and a
// little LZW data that does not matter for the refusals below.
std::vector<std::uint8_t> Frame(int w, int h)
{
    std::vector<std::uint8_t> b = {0x2C, 0, 0, 0, 0};
    for (int v : {w, h})
        for (std::uint8_t byte : Le16(v)) b.push_back(byte);
    b.insert(b.end(), {0, 2, 2, 0x4C, 0x01, 0, 0x3B});
    return b;
}

TEST(GifRead, DamagedOrHostileFilesAreRefusedWithAReasonBeforeAllocating)
{
    const std::pair<std::vector<std::uint8_t>, const char*> cases[] = {
        {{'G', 'I', 'F', '8', '9'}, "途中で終わっています"},
        {{'P', 'N', 'G', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, "GIF ファイルではありません"},
        {GifBytes(0, 5, true, Frame(1, 1)), "画面の大きさが 0"},
        {GifBytes(65535, 65535, true, Frame(1, 1)), "画面 65535 × 65535 は大きすぎます"},
        {GifBytes(2, 2, true, Frame(65535, 4000)), "フレーム 65535 × 4000 は大きすぎます"},
        {GifBytes(2, 2, false, Frame(2, 2)), "色テーブルがありません"},
        {GifBytes(2, 2, true, {0x3B}), "画像がありません"},
        {GifBytes(2, 2, true, {0x21, 0xF9, 4, 1, 0, 0}), "途中で終わっています"},
        {GifBytes(2, 2, true, {0x99}), "ブロックの種類が不正です"},
    };
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason);
        TGIFImage gif;
        try {
            gif.LoadFromBytes(bytes);
            ADD_FAILURE() << "read";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
        EXPECT_TRUE(gif.Empty());
        EXPECT_EQ(gif.FrameCount(), 0);
    }
}

TEST(GifWrite, PalettePicturesReadBackWithTheSameIndicesAndPalettePaddedToAPowerOfTwo)
{
    struct TCase {
        int Bits, Entries, TableBits;
        int HighIndex;  // written at one pixel; beyond the palette it shows black
    };
    const TCase cases[] = {{1, 2, 1, 1}, {4, 16, 4, 15}, {4, 5, 3, 4}, {8, 256, 8, 255},
                           {8, 16, 4, 15}, {8, 37, 6, 36}, {8, 3, 8, 200}, {4, 0, 4, 9}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Bits) + " bits, " + std::to_string(c.Entries) + " entries");
        TBitmap b;
        b.SetLayout(c.Bits, std::nullopt, 19, 7);
        std::vector<TPaletteEntry> entries;
        for (int i = 0; i < c.Entries; ++i)
            entries.push_back({static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(255 - i), 99, 0});
        b.SetPalette(TPalette(entries));
        const int reach = std::max(1, c.Entries);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 19; ++x)
                WriteRawPixel(b.ScanLine(y), x, c.Bits, static_cast<std::uint32_t>((x * 3 + y) % reach));
        WriteRawPixel(b.ScanLine(6), 18, c.Bits, static_cast<std::uint32_t>(c.HighIndex));

        TGIFImage gif;
        gif.Assign(b);
        const std::vector<std::uint8_t> bytes = gif.SaveToBytes();
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
        EXPECT_EQ(bytes[10] & 7, c.TableBits - 1);
        TGIFImage read;
        read.LoadFromBytes(bytes);
        EXPECT_EQ(read.FrameCount(), 1);
        ASSERT_EQ(read.BitsPerPixel(), 8);
        const TPalette& written = EffectivePalette(c.Bits, b.PaletteRef());
        ASSERT_EQ(read.PaletteRef().Count(), 1 << c.TableBits);
        for (int i = 0; i < read.PaletteRef().Count(); ++i)
            EXPECT_EQ(read.PaletteRef()[i], i < written.Count() ? written[i] : TPaletteEntry{}) << i;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 19; ++x)
                ASSERT_EQ(read.ScanLine(y)[x], ReadRawPixel(b.ScanLine(y), x, c.Bits)) << x << "," << y;
        EXPECT_TRUE(testing::SameColours(read, b));
    }
}

TEST(GifWrite, APictureOfMoreThan8BitsAsksForAColourReductionFirst)
{
    for (TPixelFormat format : {pf15bit, pf24bit, pf32bit, pfDevice}) {
        TGIFImage gif;
        gif.Assign(testing::MakeTestPicture(5, 4));
        gif.SetPixelFormat(format);
        const std::string bits = std::to_string(gif.BitsPerPixel());
        try {
            (void)gif.SaveToBytes();
            ADD_FAILURE() << format;
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(std::string(e.what()),
                      bits + " ビットの画像は GIF ファイルに保存できません。先に 256 色以下に減色してください");
        }
    }
    TGIFImage empty;
    EXPECT_THROW((void)empty.SaveToBytes(), EInvalidGraphic);
}

TEST(GifPicture, LoadsByExtensionInAnyCaseAndIsABitmap)
{
    for (const char* extension : {"gif", "GIF", "Gif"}) {
        std::unique_ptr<TGraphic> graphic = TPicture::CreateForExtension(extension);
        ASSERT_NE(dynamic_cast<TGIFImage*>(graphic.get()), nullptr) << extension;
    }
    TPicture picture;
    picture.LoadFromFile((kTestFiles / "frames.gif").string());
    const auto* gif = dynamic_cast<const TGIFImage*>(picture.Graphic());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(gif->FrameCount(), 3);
    // Copies keep the class and the count; a bitmap assigned is one frame.
    TPicture copy;
    copy.Assign(picture);
    EXPECT_EQ(dynamic_cast<const TGIFImage&>(*copy.Graphic()).FrameCount(), 3);
    TGIFImage fromBitmap;
    fromBitmap.Assign(TBitmap(*gif));
    EXPECT_EQ(fromBitmap.FrameCount(), 1);
    EXPECT_TRUE(fromBitmap.SharesPixelsWith(*gif));
}

} // namespace
} // namespace pictor
