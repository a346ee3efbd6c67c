// PNG pictures: the PNG test suite read as an independent decoder reads it,
// damaged streams refused without a word on the terminal, and bitmaps of
// every depth written and read back unchanged.
#include "tests/gfx/BitmapTestSupport.h"

#include "core/Exception.h"
#include "core/FileIO.h"
#include "gfx/Picture.h"
#include "gfx/PngImage.h"
#include "gfx/PixelRows.h"
#include "gfx/formats/ByteReader.h"
#include "gfx/formats/ByteWriter.h"
#include "gfx/formats/Png.h"
#include "tests/support/Corpus.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace pictor {
namespace {

namespace fs = std::filesystem;
using testing::MakeTestPicture;
using testing::SameColours;
using TBytes = std::vector<std::uint8_t>;

// The PNG test suite (names starting with "x" are its damaged files), and
// what an independent decoder made of each good file
// (tests/data/png/make-pngsuite-reference.py).
const fs::path kPngSuiteReference = fs::path(PICTOR_TEST_DATA_DIR) / "png" / "pngsuite-reference.tsv";

struct TReference {
    int Bits = 0;
    int PaletteEntries = 0;
    std::string Hash;
};

std::map<std::string, TReference> ReadReferences()
{
    std::map<std::string, TReference> references;
    std::ifstream in(kPngSuiteReference);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name;
        TReference r;
        fields >> name >> r.Bits >> r.PaletteEntries >> r.Hash;
        references[name] = r;
    }
    return references;
}

// FNV-1a 64 of the picture's colours as red, green, blue bytes, rows top
// down: the reference script's hash.
std::string ColourHash(const TBitmap& bitmap)
{
    std::uint64_t h = 0xCBF29CE484222325u;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const TColor c = bitmap.GetPixel(x, y);
            for (std::uint8_t b : {GetRValue(c), GetGValue(c), GetBValue(c)}) h = (h ^ b) * 0x100000001B3u;
        }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

TEST(PngCorpus, GoodFilesReadAsTheReferenceAndDamagedOnesAreRefusedQuietly)
{
    const std::map<std::string, TReference> references = ReadReferences();
    ASSERT_FALSE(references.empty());
    int good = 0, damaged = 0;
    ::testing::internal::CaptureStderr();
    for (const fs::path& file : pictor::testing::CorpusFiles("png/pngsuite")) {
        const std::string name = file.filename().string();
        if (file.extension() != ".png") continue;
        SCOPED_TRACE(name);
        TPicture picture;
        if (name[0] == 'x') {
            ++damaged;
            try {
                picture.LoadFromFile(file.string());
                ADD_FAILURE() << "read";
            } catch (const EInvalidGraphic& e) {
                EXPECT_EQ(std::string(e.what()).rfind("画像フォーマットが不正です: PNG", 0), 0u) << e.what();
            }
            continue;
        }
        ++good;
        const auto reference = references.find(name);
        ASSERT_NE(reference, references.end()) << "no reference: run " << kPngSuiteReference.parent_path();
        picture.LoadFromFile(file.string());
        const auto* png = dynamic_cast<const TPngImage*>(picture.Graphic());
        ASSERT_NE(png, nullptr);
        EXPECT_EQ(png->BitsPerPixel(), reference->second.Bits);
        EXPECT_EQ(png->PaletteRef().Count(), reference->second.PaletteEntries);
        EXPECT_EQ(ColourHash(*png), reference->second.Hash);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_GT(good, 0);
    EXPECT_GT(damaged, 0);
}

// --- damaged streams made here ------------------------------------------------

std::uint32_t BigEndian32(const TBytes& b, std::size_t at)
{
    return TByteReader(b).U32BigEndian(at);
}

// Offset of the first chunk of the kind (its length field).
std::size_t ChunkAt(const TBytes& png, const char* kind)
{
    for (std::size_t at = 8; at + 8 <= png.size(); at += 12 + BigEndian32(png, at))
        if (std::equal(kind, kind + 4, png.begin() + at + 4)) return at;
    ADD_FAILURE() << "no " << kind;
    return 0;
}

// The chunk's CRC made right again after its data was changed (CRC-32 of
// its type and data, bit by bit).
void FixCrc(TBytes& png, std::size_t chunk)
{
    const std::uint32_t length = BigEndian32(png, chunk);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = chunk + 4; i < chunk + 8 + length; ++i) {
        crc ^= png[i];
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    crc ^= 0xFFFFFFFFu;
    Put32BigEndian(png, chunk + 8 + length, crc);
}

TBytes WithSize(TBytes png, std::uint32_t width, std::uint32_t height)
{
    const std::size_t ihdr = ChunkAt(png, "IHDR");
    Put32BigEndian(png, ihdr + 8, width);
    Put32BigEndian(png, ihdr + 12, height);
    FixCrc(png, ihdr);
    return png;
}

TEST(PngRead, DamagedStreamsAreRefusedAndLeaveThePictureAsItWas)
{
    const TBytes good = WritePng(MakeTestPicture(40, 30));
    TBytes badCrc = good;
    badCrc[ChunkAt(badCrc, "IDAT") + 20] ^= 0x55;
    TBytes badData = badCrc;
    FixCrc(badData, ChunkAt(badData, "IDAT"));
    const struct {
        const char* Name;
        TBytes Bytes;
    } cases[] = {
        {"empty", {}},
        {"a BMP", MakeTestPicture(2, 2).SaveToBytes()},
        {"signature only", TBytes(good.begin(), good.begin() + 8)},
        {"cut in the image data", TBytes(good.begin(), good.begin() + ChunkAt(good, "IDAT") + 30)},
        {"cut before the end chunk", TBytes(good.begin(), good.end() - 12)},
        {"image data CRC", badCrc},
        {"image data", badData},
        {"wider than the limit", WithSize(good, 65537, 1)},
        {"more pixels than the limit", WithSize(good, 65536, 2049)},
        {"zero height", WithSize(good, 40, 0)},
    };
    ::testing::internal::CaptureStderr();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TPngImage png;
        png.Assign(MakeTestPicture(3, 2));
        EXPECT_THROW(png.LoadFromBytes(c.Bytes), EInvalidGraphic);
        EXPECT_EQ(png.Width(), 3);
        EXPECT_EQ(png.BitsPerPixel(), 24);
    }
    // A damaged ancillary chunk is skipped, and libpng's warning not printed.
    TBytes badText = good;
    const std::size_t idat = ChunkAt(badText, "IDAT");
    const std::uint8_t text[] = {0, 0, 0, 3, 't', 'E', 'X', 't', 'a', 0, 'b', 1, 2, 3, 4};
    badText.insert(badText.begin() + idat, std::begin(text), std::end(text));
    TPngImage png;
    png.LoadFromBytes(badText);
    EXPECT_TRUE(SameColours(png, MakeTestPicture(40, 30)));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// --- writing -------------------------------------------------------------------

TBytes Saved(const TBitmap& bitmap)
{
    TPngImage png;
    png.Assign(bitmap);
    return png.SaveToBytes();
}

TEST(PngWrite, EveryFormatReadsBackWithItsPixelsDepthAndPalette)
{
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfDevice}) {
        for (int width : {1, 3, 8, 33}) {
            SCOPED_TRACE(::testing::Message() << "format " << f << ", width " << width);
            TBitmap b = MakeTestPicture(width, 5, static_cast<unsigned>(width));
            b.SetPixelFormat(f);
            TPngImage r;
            r.LoadFromBytes(Saved(b));
            EXPECT_TRUE(SameColours(r, b));
            if (b.BitsPerPixel() <= 8) {
                EXPECT_EQ(r.PixelFormat(), f);
                EXPECT_EQ(r.Palette(), b.Palette());
            } else {
                EXPECT_EQ(r.PixelFormat(), pf24bit);
            }
        }
    }
}

TEST(PngWrite, PaletteBitmapsTakeTheSmallestDepthThatHoldsTheirPalette)
{
    const struct {
        int Bits;
        int Entries;
        int HighestIndex;  // the pixels use 0 .. HighestIndex
        int PngDepth;
        int ReadBits;
    } cases[] = {
        {8, 2, 1, 1, 1},   {8, 3, 2, 2, 4},   {8, 16, 15, 4, 4}, {8, 17, 16, 8, 8},
        {8, 256, 255, 8, 8}, {4, 2, 1, 1, 1}, {4, 5, 4, 4, 4},   {1, 1, 0, 1, 1},
        // Indices beyond the palette show black: the palette grows by black
        // entries to reach them.
        {8, 4, 200, 8, 8},
        // A 4-bit bitmap's indices reach only the first 16 of 256 entries.
        {4, 256, 15, 4, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.Bits << " bits, " << c.Entries << " entries");
        TBitmap b;
        b.SetLayout(c.Bits, std::nullopt, 7, 3);
        std::vector<TPaletteEntry> entries;
        for (int i = 0; i < c.Entries; ++i) {
            const auto v = static_cast<std::uint8_t>(i);
            entries.push_back(TPaletteEntry{static_cast<std::uint8_t>(v * 7), static_cast<std::uint8_t>(255 - v),
                                            static_cast<std::uint8_t>(v * 13), 0});
        }
        b.SetPalette(TPalette(entries));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x)
                WriteRawPixel(b.ScanLine(y), x, c.Bits, (x + 7u * y) * 37 % (c.HighestIndex + 1));
        WriteRawPixel(b.ScanLine(2), 6, c.Bits, static_cast<std::uint32_t>(c.HighestIndex));

        const TBytes bytes = Saved(b);
        EXPECT_EQ(ReadPngInfo(bytes).BitsPerPixel, c.PngDepth);
        TPngImage r;
        r.LoadFromBytes(bytes);
        EXPECT_EQ(r.BitsPerPixel(), c.ReadBits);
        EXPECT_TRUE(SameColours(r, b));
        const int kept = std::min({c.Entries, 1 << c.Bits, r.PaletteRef().Count()});
        EXPECT_EQ(r.PaletteRef().Count(), std::max(std::min(c.Entries, 1 << c.Bits), c.HighestIndex + 1));
        for (int i = 0; i < kept; ++i) EXPECT_EQ(r.PaletteRef()[i], entries[i]) << i;
    }
}

} // namespace
} // namespace pictor
