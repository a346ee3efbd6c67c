// Broken and hostile BMP files: each is refused with EInvalidGraphic, the
// bitmap keeps what it held, and nothing crashes, hangs or allocates wildly.
#include "tests/gfx/BitmapTestSupport.h"
#include "tests/gfx/formats/BmpFileBuilder.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace pictor {
namespace {

using testing::MakeTestPicture;
using testing::SameColours;
using testing::TBmpFile;

TBmpFile Valid()
{
    TBmpFile f;
    f.width = 2;
    f.height = 2;
    f.bitsPerPixel = 8;
    f.palette = {0xFF0000, 0x00FF00};
    f.colorsUsed = 2;
    f.pixels = {0, 1, 0, 0, 1, 0, 0, 0};
    return f;
}

TBmpFile Rle8()
{
    TBmpFile f = Valid();
    f.compression = 1;
    f.pixels = {2, 1, 0, 0, 2, 0, 0, 1};
    return f;
}

void ExpectRefused(const std::vector<std::uint8_t>& bytes, const std::string& what)
{
    TBitmap b = MakeTestPicture(3, 2);
    const TBitmap before = b;
    int changes = 0;
    b.OnChange = [&](TGraphic&) { ++changes; };
    try {
        b.LoadFromBytes(bytes);
        ADD_FAILURE() << what << ": loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(std::string(e.what()).rfind("画像フォーマットが不正です", 0), 0u) << what;
    }
    EXPECT_TRUE(b.SharesPixelsWith(before)) << what;
    EXPECT_EQ(changes, 0) << what;
}

TEST(BmpMalformed, BrokenHeadersAndSizes)
{
    ASSERT_NO_THROW(TBitmap().LoadFromBytes(Valid().Bytes()));
    ASSERT_NO_THROW(TBitmap().LoadFromBytes(Rle8().Bytes()));

    const std::vector<std::pair<const char*, std::function<void(TBmpFile&)>>> faults = {
        {"magic", [](TBmpFile& f) { f.magic = "MB"; }},
        {"OS/2 icon", [](TBmpFile& f) { f.magic = "IC"; }},
        {"header size 66", [](TBmpFile& f) { f.headerSize = 66; }},
        {"header size 200", [](TBmpFile& f) { f.headerSize = 200; }},
        {"width 0", [](TBmpFile& f) { f.width = 0; }},
        {"width negative", [](TBmpFile& f) { f.width = -2; }},
        {"height 0", [](TBmpFile& f) { f.height = 0; }},
        {"height most negative", [](TBmpFile& f) { f.height = INT32_MIN; }},
        {"planes", [](TBmpFile& f) { f.planes = 3; }},
        {"depth 3", [](TBmpFile& f) { f.bitsPerPixel = 3; }},
        {"depth 64", [](TBmpFile& f) { f.bitsPerPixel = 64; }},
        {"depth huge", [](TBmpFile& f) { f.bitsPerPixel = 0xFFFF; }},
        {"JPEG inside", [](TBmpFile& f) { f.compression = 4; }},
        {"PNG inside", [](TBmpFile& f) { f.compression = 5; }},
        {"unknown compression", [](TBmpFile& f) { f.compression = 9; }},
        {"CMYK", [](TBmpFile& f) { f.compression = 11; }},
        {"RLE8 at 24 bits", [](TBmpFile& f) { f.compression = 1, f.bitsPerPixel = 24; }},
        {"RLE4 at 8 bits", [](TBmpFile& f) { f.compression = 2; }},
        {"bit fields at 8 bits", [](TBmpFile& f) { f.compression = 3, f.masks = {1, 2, 4}; }},
        {"overlapping masks", [](TBmpFile& f) { f.compression = 3, f.bitsPerPixel = 16, f.masks = {0xFF0, 0xF, 0xF0}; }},
        {"masks not one run", [](TBmpFile& f) { f.compression = 3, f.bitsPerPixel = 32, f.masks = {0xF0F, 0, 0}; }},
        {"mask beyond 16 bits", [](TBmpFile& f) { f.compression = 3, f.bitsPerPixel = 16, f.masks = {0x10000, 0, 1}; }},
        {"masks cut off", [](TBmpFile& f) { f.compression = 3, f.bitsPerPixel = 16, f.palette.clear(), f.pixels.clear(); }},
        {"pixels one byte short", [](TBmpFile& f) { f.pixels.pop_back(); }},
        {"no pixels", [](TBmpFile& f) { f.pixels.clear(); }},
        {"offset beyond the file", [](TBmpFile& f) { f.offBits = 100000; }},
        {"offset inside the headers", [](TBmpFile& f) { f.offBits = 20; }},
        {"offset most", [](TBmpFile& f) { f.offBits = 0xFFFFFFFF; }},
        {"side beyond the limit", [](TBmpFile& f) { f.width = 70000; }},
        {"area beyond the limit", [](TBmpFile& f) { f.width = 60000, f.height = 60000; }},
        {"large picture, small file", [](TBmpFile& f) { f.width = 8000, f.height = 8000; }},
        {"OS/2 Huffman", [](TBmpFile& f) { f.headerSize = 64, f.compression = 3, f.bitsPerPixel = 1; }},
    };
    for (const auto& [what, fault] : faults) {
        TBmpFile f = Valid();
        fault(f);
        ExpectRefused(f.Bytes(), what);
    }
    ExpectRefused({}, "empty file");
    ExpectRefused({'B', 'M'}, "file header only partly there");
    std::vector<std::uint8_t> cut = Valid().Bytes();
    cut.resize(14 + 20);
    ExpectRefused(cut, "information header cut off");
}

TEST(BmpMalformed, BrokenRunLengthCoding)
{
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> faults = {
        {"run past the row", {3, 1, 0, 1}},
        {"literal past the row", {0, 3, 1, 1, 1, 0, 0, 1}},
        {"run after the row is full", {2, 1, 1, 1, 0, 1}},
        {"move past the right edge", {0, 2, 3, 0, 0, 1}},
        {"move past the top", {0, 2, 0, 3, 0, 1}},
        {"move to the top row's end", {0, 2, 1, 2, 0, 1}},
        {"ends without end of bitmap", {2, 1, 0, 0}},
        {"ends in a run", {2}},
        {"ends in a literal", {0, 4, 1}},
        {"ends in a move", {0, 2, 1}},
        {"nothing", {}},
    };
    for (const auto& [what, data] : faults) {
        TBmpFile f = Rle8();
        f.pixels = data;
        ExpectRefused(f.Bytes(), what);
    }
    TBmpFile topDown = Rle8();
    topDown.height = -2;
    ExpectRefused(topDown.Bytes(), "top-down RLE");

    // A large picture that a few bytes describe is within the limits and
    // loads; the skipped pixels are index 0.
    TBmpFile sparse = Rle8();
    sparse.width = 4000;
    sparse.height = 3000;
    sparse.pixels = {0, 2, 255, 255, 0, 1};
    TBitmap b;
    b.LoadFromBytes(sparse.Bytes());
    EXPECT_EQ(b.Width(), 4000);
    EXPECT_EQ(b.ScanLine(0)[3999], 0);
}

TEST(BmpMalformed, EveryCutAndManyMutationsAreHandled)
{
    std::vector<std::vector<std::uint8_t>> files;
    for (std::uint32_t headerSize : {12u, 40u, 64u, 124u}) {
        TBmpFile f = Valid();
        f.headerSize = headerSize;
        if (headerSize == 12) f.palette.resize(256);
        files.push_back(f.Bytes());
    }
    files.push_back(Rle8().Bytes());
    TBmpFile masked = Valid();
    masked.bitsPerPixel = 16, masked.compression = 3, masked.masks = {0xF800, 0x7E0, 0x1F}, masked.palette.clear();
    files.push_back(masked.Bytes());

    std::mt19937 rng(99);
    int loaded = 0, refused = 0;
    auto attempt = [&](const std::vector<std::uint8_t>& bytes) {
        TBitmap b;
        try {
            b.LoadFromBytes(bytes);
            ++loaded;
            (void)b.GetPixel(b.Width() - 1, b.Height() - 1);
        } catch (const EInvalidGraphic&) {
            ++refused;
        }
    };
    for (const auto& file : files) {
        for (std::size_t n = 0; n < file.size(); ++n) attempt({file.begin(), file.begin() + static_cast<long>(n)});
        for (int i = 0; i < 3000; ++i) {
            std::vector<std::uint8_t> m = file;
            for (int k = 0; k < 1 + static_cast<int>(rng() % 4); ++k) {
                std::size_t at = rng() % m.size();
                m[at] = rng() % 3 == 0 ? static_cast<std::uint8_t>(0xFF) : static_cast<std::uint8_t>(rng());
            }
            attempt(m);
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(loaded, 0);
}

} // namespace
} // namespace pictor
