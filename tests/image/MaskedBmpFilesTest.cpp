// BMP files that describe their pixels with colour masks, as image editors
// write them, take every operation the way the file of the same picture
// without masks does: same format, same pixels.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "tests/image/ImageTestSupport.h"
#include "tests/support/Corpus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace pictor;
using namespace pictor::testing;

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> AfterOperation(const fs::path& file, const std::function<void(TKestrelImage&)>& op)
{
    TKestrelImage image;
    image.Picture().LoadFromFile(file.string());
    TAmendLog log;
    log.Attach(image);
    op(image);
    EXPECT_EQ(log.Events.size(), 2u) << file.filename() << ": the operation did not complete";
    return PictureBitmap(image).SaveToBytes();
}

TEST(MaskedBmpFiles, TurnTrimAndToneLikeThePlainFile)
{
    const auto file = [](const std::string& name) { return CorpusFile("bmp/bmpsuite-2.8/g/" + name + ".bmp"); };

    // rgb32bf keeps red, green and blue in unusual places (FF000000, 00000FF0,
    // 00FF0000); the "bfdef" files carry the usual masks.
    const std::pair<const char*, const char*> files[] = {
        {"rgb32bf", "rgb32"}, {"rgb32bfdef", "rgb32"}, {"rgb16bfdef", "rgb16"}};
    const std::pair<const char*, std::function<void(TKestrelImage&)>> operations[] = {
        {"Turn", [](TKestrelImage& i) { i.Turn(90); }},
        {"Mirror", [](TKestrelImage& i) { i.Reverse(); }},
        {"Trimming", [](TKestrelImage& i) { i.Trimming(Rect(5, 3, 100, 50), true); }},
        {"Shrink", [](TKestrelImage& i) { i.Shrink(50, 30); }},
        {"Bright", [](TKestrelImage& i) { i.Bright(80); }},
        {"Contrast", [](TKestrelImage& i) { i.Contrast(120, 127); }},
        {"Gamma", [](TKestrelImage& i) { i.Gamma(1.5L); }},
    };
    for (const auto& [masked, plain] : files) {
        for (const auto& [name, op] : operations) {
            SCOPED_TRACE(std::string(masked) + " " + name);
            EXPECT_EQ(AfterOperation(file(masked), op), AfterOperation(file(plain), op));
        }
    }
}

} // namespace
