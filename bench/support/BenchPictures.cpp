#include "bench/support/BenchPictures.h"

#include "core/FileIO.h"
#include "gfx/JPEGImage.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>

namespace pictor::bench {

namespace {

// Smooth gradients and soft shapes with a little noise: about as many
// distinct colours per megapixel as a photograph with noise.
TBitmap SyntheticPhoto(int width, int height)
{
    TBitmap b;
    b.SetLayout(24, std::nullopt, width, height);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 3.0);
    const double sx = 6000.0 / width, sy = 4000.0 / height;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = b.ScanLine(y);
        const double fy = y * sy;
        for (int x = 0; x < width; ++x) {
            const double fx = x * sx;
            const double wave = 40 * std::sin(fx / 310.0) * std::cos(fy / 270.0);
            const double channel[3] = {60 + fy / 40 + wave, 90 + fx / 50 - wave / 2,
                                       50 + (fx + fy) / 70 + wave / 3};
            for (int c = 0; c < 3; ++c) {
                const long v = std::lround(channel[c] + noise(random));
                row[3 * x + c] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    return b;
}

TBitmap LoadOrMake(const std::string& file, int width, int height)
{
    const std::string path = PicturesFolder() + "/" + file;
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        TBitmap b;
        b.LoadFromBytes(ReadWholeFile(path));
        if (b.Width() == width && b.Height() == height) {
            b.SetPixelFormat(pf24bit);
            benchmark::AddCustomContext(file, path);
            return b;
        }
    }
    benchmark::AddCustomContext(file, "synthetic (run bench/make-pictures.sh for the photographs)");
    return SyntheticPhoto(width, height);
}

} // namespace

std::string PicturesFolder()
{
    if (const char* dir = std::getenv("PICTOR_BENCH_PICTURES"); dir && *dir) return dir;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache)
        return std::string(cache) + "/pictor-bench";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : ".") + "/.cache/pictor-bench";
}

const TBitmap& Photo(TPictureSize size)
{
    static std::mutex lock;
    static std::map<TPictureSize, TBitmap> photos;
    const std::lock_guard guard(lock);
    auto found = photos.find(size);
    if (found == photos.end()) {
        const bool big = size == TPictureSize::Mega24;
        found = photos
                    .emplace(size, big ? LoadOrMake("photo-24mp.bmp", 6000, 4000)
                                       : LoadOrMake("photo-2mp.bmp", 1740, 1160))
                    .first;
    }
    return found->second;
}

const TBitmap& Photo(std::int64_t megapixels)
{
    return Photo(megapixels == 2 ? TPictureSize::Mega2 : TPictureSize::Mega24);
}

const std::vector<std::uint8_t>& PhotoJpegBytes()
{
    static const std::vector<std::uint8_t> bytes = [] {
        const std::string path = PicturesFolder() + "/photo-24mp.jpg";
        std::error_code error;
        if (std::filesystem::exists(path, error)) return ReadWholeFile(path);
        TJPEGImage jpeg;
        jpeg.Assign(Photo(TPictureSize::Mega24));
        return jpeg.SaveToBytes();
    }();
    return bytes;
}

} // namespace pictor::bench
