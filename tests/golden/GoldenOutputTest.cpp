// Every operation's output on fixed pictures, pinned by a hash of its bytes
// (size, depth, palette and whole rows with their padding) taken from the
// straightforward code before any of it was made faster. A speed-up that
// changes a single bit of any result fails here.
#include "core/Parallel.h"
#include "gfx/Bitmap.h"
#include "image/KestrelImg.h"
#include "image/ReductionModes.h"
#include "reduce/Reduce.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

using namespace pictor;

namespace {

std::uint64_t Fnv(std::uint64_t hash, const void* bytes, std::size_t count)
{
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    for (std::size_t i = 0; i < count; ++i)
        hash = (hash ^ p[i]) * 0x100000001b3ULL;
    return hash;
}

std::uint64_t Fnv(std::uint64_t hash, int value)
{
    return Fnv(hash, &value, sizeof value);
}

std::string Hex(std::uint64_t hash)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string HashOf(const TBitmap& bitmap)
{
    std::uint64_t h = 0xcbf29ce484222325ULL;
    h = Fnv(h, bitmap.Width());
    h = Fnv(h, bitmap.Height());
    h = Fnv(h, bitmap.BitsPerPixel());
    h = Fnv(h, static_cast<int>(bitmap.PixelFormat()));
    for (const TPaletteEntry& e : bitmap.PaletteRef().Entries())
        h = Fnv(h, e.peRed | e.peGreen << 8 | e.peBlue << 16 | e.peFlags << 24);
    for (int y = 0; y < bitmap.Height(); ++y)
        h = Fnv(h, bitmap.ScanLine(y), static_cast<std::size_t>(bitmap.RowStride()));
    return Hex(h);
}

std::string HashOf(const std::vector<std::uint8_t>& bytes)
{
    return Hex(Fnv(0xcbf29ce484222325ULL, bytes.data(), bytes.size()));
}

// Smooth shading, waves and noise: tens of thousands of colours on an odd
// width, so that rows have padding and every quantiser reaches its limits.
TBitmap Photo()
{
    TBitmap b;
    b.SetLayout(24, std::nullopt, 317, 211);
    std::uint32_t seed = 12345;
    for (int y = 0; y < b.Height(); ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < b.Width(); ++x) {
            const double wave = 50 * std::sin(x / 23.0) * std::cos(y / 17.0);
            const double channel[3] = {40 + y * 0.8 + wave, 70 + x * 0.5 - wave / 2,
                                       30 + (x + y) * 0.4 + wave / 3};
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1664525u + 1013904223u;
                const int v = static_cast<int>(std::lround(channel[c])) + static_cast<int>(seed >> 28) - 8;
                row[3 * x + c] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    return b;
}

// Few colours in blocks (below every quantiser's limit).
TBitmap Blocks()
{
    TBitmap b;
    b.SetLayout(24, std::nullopt, 97, 61);
    for (int y = 0; y < b.Height(); ++y) {
        std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < b.Width(); ++x) {
            const int block = (x / 8) * 9 + y / 8;
            row[3 * x] = static_cast<std::uint8_t>(block * 37);
            row[3 * x + 1] = static_cast<std::uint8_t>(block * 91);
            row[3 * x + 2] = static_cast<std::uint8_t>(block * 13);
        }
    }
    return b;
}

// The bitmap an operation of the control leaves, started from picture.
std::string AfterOperation(const TBitmap& picture, const std::function<void(TKestrelImage&)>& operation)
{
    TKestrelImage image;
    image.Picture().SetGraphic(&picture);
    operation(image);
    return HashOf(dynamic_cast<const TBitmap&>(*image.Picture().Graphic()));
}

std::string InFormat(const TBitmap& picture, TPixelFormat format)
{
    TBitmap b = picture;
    b.SetPixelFormat(format);
    return HashOf(b);
}

// Prints the hashes when they differ, ready to paste after a deliberate
// change of output.
void ExpectHashes(const std::vector<std::string>& got, const std::vector<std::string>& expected)
{
    std::string list;
    for (const std::string& h : got)
        list += "\n        \"" + h + "\",";
    EXPECT_EQ(got, expected) << "hashes now:" << list;
}

TEST(GoldenOutput, FixedPicturesAreWhatTheyWere)
{
    ExpectHashes({HashOf(Photo()), HashOf(Blocks())}, {
                                                          "4195649509e0109f",
                                                          "89a6307a39411cbc",
                                                      });
}

void ExpectToneHashes()
{
    const TBitmap photo = Photo();
    TBitmap eight = photo;
    eight.SetPixelFormat(pf8bit);
    ExpectHashes(
        {
            AfterOperation(photo, [](TKestrelImage& i) { i.Bright(137); }),
            AfterOperation(photo, [](TKestrelImage& i) { i.Bright(63); }),
            AfterOperation(photo, [](TKestrelImage& i) { i.Contrast(145, 127); }),
            AfterOperation(photo, [](TKestrelImage& i) { i.Contrast(55, 80); }),
            AfterOperation(photo, [](TKestrelImage& i) { i.Gamma(1.7L); }),
            AfterOperation(photo, [](TKestrelImage& i) { i.Gamma(0.45L); }),
            // The window's preview: gamma slider 20, contrast 130, brightness 120.
            AfterOperation(photo,
                           [](TKestrelImage& i) {
                               i.Gamma(std::pow(10.0L, 20.0L / 60.0L));
                               i.Contrast(130, 127);
                               i.Bright(120);
                           }),
            AfterOperation(eight, [](TKestrelImage& i) { i.Bright(120); }),
        },
        {
            "9b7b1fcbe1dbfa34",
            "7396e60244870e5e",
            "95c231577cbd56ee",
            "20797c992e4a0fde",
            "265bfd635ef89edf",
            "2c01fad864b22e62",
            "63fed717aacccb05",
            "3d48ed6d30bfe14a",
        });
}

void ExpectResamplingHashes()
{
    const TBitmap photo = Photo();
    TBitmap eight = photo;
    eight.SetPixelFormat(pf8bit);
    ExpectHashes(
        {
            AfterOperation(photo, [](TKestrelImage& i) { i.Enlarge(475, 316); }),
            AfterOperation(photo, [](TKestrelImage& i) { i.Enlarge(1000, 213); }),
            AfterOperation(eight, [](TKestrelImage& i) { i.Enlarge(400, 300); }),
            AfterOperation(photo, [](TKestrelImage& i) { i.Shrink(158, 105); }),
            AfterOperation(photo, [](TKestrelImage& i) { i.Shrink(100, 37); }),
            AfterOperation(eight, [](TKestrelImage& i) { i.Shrink(120, 90); }),
        },
        {
            "dd85218671772764",
            "cb7444886783ad36",
            "f1bcbe1c93234ed8",
            "190a8be5931cd39a",
            "c762c4d0865df6dd",
            "ecebf1e403e43cf0",
        });
}

void ExpectMoveHashes()
{
    std::vector<std::string> got;
    for (const TPixelFormat format : {pf24bit, pf8bit, pf32bit, pf16bit, pf4bit, pf1bit}) {
        TBitmap picture = Photo();
        picture.SetPixelFormat(format);
        for (const int angle : {90, 180, 270})
            got.push_back(AfterOperation(picture, [angle](TKestrelImage& i) { i.Turn(angle); }));
        got.push_back(AfterOperation(picture, [](TKestrelImage& i) { i.Reverse(); }));
        got.push_back(AfterOperation(picture, [](TKestrelImage& i) {
            i.Trimming(TRect{52, 35, 264, 175}, true);
        }));
        got.push_back(AfterOperation(picture, [](TKestrelImage& i) {
            i.Trimming(TRect{3, 1, 8, 200}, true);
        }));
    }
    ExpectHashes(got, {
                          "5330ba78aedac7a3", "345199c89e3b938b", "cf0002c4f1068c6f", "cc7dc75d40e6206f",
                          "b2c2c345e74e89f4", "ecba3e8178ad765d", "5aaf51f8ce3e9483", "a2ff20cb4fc10e69",
                          "baaf28dc52030017", "7df17a99a7e6b7ad", "ce36f1c6b3afb4c9", "22047a21fdebc82d",
                          "ba264990b57e25b4", "68e6073b268a24b8", "30c6ae2b68962cb0", "e6036d0d33b33c4c",
                          "8ecde28340fa4b8d", "cfa1666c71c07eb4", "7a3f2020996b4bb4", "54cf80045638e16c",
                          "04b213cf14cec05c", "cbf2fa11ee9c7364", "4b9b930b8d76a7a5", "c7e842920b039ce4",
                          "b6d2ac727c323f40", "65db7b0d9ce9940f", "d681807054950164", "cd85335e9549d04f",
                          "45fee30a11bacfd2", "81248c81a60689ce", "272c32f0c6306d82", "fd0b30df759ac7ae",
                          "1912c88f1ceff642", "2b3df0e739be7d1a", "a768c9d98ce8e6e3", "b0c0757e96b192be",
                      });
}

TEST(GoldenOutput, Tone)
{
    ExpectToneHashes();
}

TEST(GoldenOutput, Resampling)
{
    ExpectResamplingHashes();
}

TEST(GoldenOutput, TurnsMirrorAndTrimming)
{
    ExpectMoveHashes();
}

TEST(GoldenOutput, Reduction)
{
    std::vector<std::string> got;
    for (const TBitmap& picture : {Photo(), Blocks()}) {
        for (int mode = 0; mode <= 5; ++mode)
            got.push_back(AfterOperation(
                picture, [mode](TKestrelImage& i) { i.ReduceColors(static_cast<std::uint8_t>(mode)); }));
        got.push_back(HashOf(*OctreeQuantize(picture, 16)));
        got.push_back(HashOf(*MedianCutQuantize(picture, 5)));
    }
    ExpectHashes(got, {
                          "601812c5c473821e",
                          "900ce72a5235b8e7",
                          "a51c958be0f5e155",
                          "7cc95e1c18b8bf30",
                          "85602ca083df7863",
                          "9c54bc689cca8c88",
                          "5b563598ec001c24",
                          "4189edce2ea88a13",
                          "d98f1c483670b93e",
                          "5ae913844d8ba7cb",
                          "b04c2a4dff2f59d3",
                          "729e6447c39c21d7",
                          "d736693faed9f888",
                          "006e41c0a5ae0936",
                          "c03e92756890a562",
                          "3dbad19411903c53",
                      });
}

// The quality reductions have no earlier code to agree with: their bytes are
// pinned so that every machine of one architecture, and any number of
// threads, gives the same, and so that changing them is a decision.
void ExpectQualityHashes()
{
    std::vector<std::string> got;
    for (const TBitmap& picture : {Photo(), Blocks()}) {
        for (int mode : {rmQuality, rmQualityDiffusion})
            got.push_back(AfterOperation(
                picture, [mode](TKestrelImage& i) { i.ReduceColors(static_cast<std::uint8_t>(mode)); }));
        got.push_back(AfterOperation(picture, [](TKestrelImage& i) { i.ReduceColors(rmQualityDiffusion, 16); }));
    }
    ExpectHashes(got, {
                          "85893307f94228be",
                          "2a6966093b2ee072",
                          "ab70068b818adfff",
                          "8c473f412968ccdd",
                          "8c473f412968ccdd",
                          "f982434c51115dce",
                      });
}

TEST(GoldenOutput, QualityReduction)
{
    ExpectQualityHashes();
}

void ExpectFormatHashes()
{
    const TBitmap photo = Photo();
    std::vector<std::string> got;
    for (const TPixelFormat format : {pf8bit, pf16bit, pf15bit, pf32bit, pfDevice, pf4bit, pf1bit}) {
        TBitmap there = photo;
        there.SetPixelFormat(format);
        got.push_back(HashOf(there));
        got.push_back(InFormat(there, pf24bit));
        got.push_back(HashOf(there.SaveToBytes()));
        TBitmap copy = there;
        copy.SetSize(400, 150);
        got.push_back(HashOf(copy));
    }
    got.push_back(HashOf(photo.SaveToBytes()));
    // (JPEG bytes are left out: they belong to the installed codec.)
    ExpectHashes(got, {
                          "41b960337c476259", "56f2cc614d329061", "d97a721d547d72ad", "ed9891f0aea94d8b",
                          "a9c819e45aedb0fc", "2dcf9c1d84d4eb6c", "5625ef4cbe836448", "80f3f600c5691513",
                          "c8e710673ea69d7e", "4af0838e35bfabcc", "ec049d558ab6f36e", "57ffbf2e81e29dd0",
                          "1a842754c936ffc4", "4195649509e0109f", "57d258bda0a2f10f", "f5209bb21acde1e3",
                          "80cb911543a0a64f", "4195649509e0109f", "57d258bda0a2f10f", "f91abf280c675a60",
                          "40f1a7cecd52e609", "f8402138ab687705", "22018d59c1ec04fe", "a7f0de650d7342c5",
                          "76e2805039338bff", "7e9fafb6d2d98b66", "94f349bf9da4516b", "1680a83de850e16a",
                          "e586f3d4c8dd96dd",
                      });
}

TEST(GoldenOutput, PixelFormatsAndFiles)
{
    ExpectFormatHashes();
    const TBitmap photo = Photo();
    TBitmap read;
    read.LoadFromBytes(photo.SaveToBytes());
    EXPECT_EQ(HashOf(read), HashOf(photo));
}

// The same bytes when the operations split their rows over threads: three
// threads with no least share, so that even these small pictures are cut
// into bands (and the quarter turns into bands of whole tiles).
TEST(GoldenOutput, SameBytesOnThreeThreads)
{
    struct TThreeThreads {
        TThreeThreads()
        {
            SetOperationThreads(3);
            SetThreadGrain(1);
        }
        ~TThreeThreads()
        {
            SetOperationThreads(0);
            SetThreadGrain(kDefaultThreadGrain);
        }
    } threads;
    ExpectToneHashes();
    ExpectResamplingHashes();
    ExpectMoveHashes();
    ExpectFormatHashes();
    ExpectQualityHashes();
}

} // namespace
