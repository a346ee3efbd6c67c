// The picture control showing a 24-megapixel picture stretched to a fifth of
// its size, as the view repaints it.
#include "gfx/Bitmap.h"
#include "gfx/Image.h"

#include <benchmark/benchmark.h>

namespace {

using namespace pictor;

void RenderFifth(benchmark::State& state)
{
    TBitmap b;
    b.SetPixelFormat(static_cast<TPixelFormat>(state.range(0)));
    b.SetSize(6000, 4000);
    TImage image;
    image.Picture().SetGraphic(&b);
    image.SetStretch(true);
    image.SetBounds(1200, 800);
    TBitmap shown;
    for (auto _ : state) {
        image.RenderTo(shown);
        benchmark::DoNotOptimize(shown.ScanLine(0));
    }
}

BENCHMARK(RenderFifth)->Arg(pf24bit)->Arg(pf8bit)->Arg(pfDevice)->Unit(benchmark::kMillisecond);

} // namespace
