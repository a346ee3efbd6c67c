// Pixel-format conversions of the photographs between 24 bits and 8, 16 and
// 32 bits, both ways (on one thread and on two), and BMP, JPEG and PNG
// reading and writing.
#include "OpsBench.h"

#include "gfx/JPEGImage.h"
#include "gfx/PngImage.h"

namespace {

using namespace pictor;
using namespace pictor::bench;

void From24(benchmark::State& state)
{
    UseThreads(state, 2);
    const TBitmap& photo = Photo(state.range(0));
    const auto format = static_cast<TPixelFormat>(state.range(1));
    for (auto _ : state) {
        TBitmap bitmap = photo;
        bitmap.SetPixelFormat(format);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
}

void To24(benchmark::State& state)
{
    UseThreads(state, 2);
    TBitmap source = Photo(state.range(0));
    source.SetPixelFormat(static_cast<TPixelFormat>(state.range(1)));
    for (auto _ : state) {
        TBitmap bitmap = source;
        bitmap.SetPixelFormat(pf24bit);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
}

void Conversions(benchmark::internal::Benchmark* b)
{
    b->ArgsProduct({{24, 2}, {pf8bit, pf16bit, pf32bit}, {1, 2}})->ArgNames({"mp", "format", "threads"});
    b->Unit(benchmark::kMillisecond)->UseRealTime();
}
BENCHMARK(From24)->Apply(Conversions);
BENCHMARK(To24)->Apply(Conversions);

// The 24-bit photographs written and read in the file format of T: BMP for
// TBitmap, PNG (RGB, libpng's default compression) for TPngImage.
template <class T>
void WriteFile(benchmark::State& state)
{
    T picture;
    picture.Assign(Photo(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(picture.SaveToBytes());
}
template <class T>
void ReadFile(benchmark::State& state)
{
    T source;
    source.Assign(Photo(state.range(0)));
    const std::vector<std::uint8_t> bytes = source.SaveToBytes();
    for (auto _ : state) {
        T picture;
        picture.LoadFromBytes(bytes);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
}
void BmpWrite(benchmark::State& state) { WriteFile<TBitmap>(state); }
void BmpRead(benchmark::State& state) { ReadFile<TBitmap>(state); }
void PngWrite(benchmark::State& state) { WriteFile<TPngImage>(state); }
void PngRead(benchmark::State& state) { ReadFile<TPngImage>(state); }
PICTOR_ON_PHOTOS(BmpWrite);
PICTOR_ON_PHOTOS(BmpRead);
PICTOR_ON_PHOTOS(PngWrite);
PICTOR_ON_PHOTOS(PngRead);

// JPEG at quality 90 from and to a 24-bit bitmap, 24 megapixels.
void JpegWrite(benchmark::State& state)
{
    const TBitmap& photo = Photo(TPictureSize::Mega24);
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.Assign(photo);
        benchmark::DoNotOptimize(jpeg.SaveToBytes());
    }
}
void JpegRead(benchmark::State& state)
{
    const std::vector<std::uint8_t>& bytes = PhotoJpegBytes();
    for (auto _ : state) {
        TJPEGImage jpeg;
        jpeg.LoadFromBytes(bytes);
        TBitmap bitmap;
        bitmap.Assign(jpeg);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
}
BENCHMARK(JpegWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JpegRead)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
