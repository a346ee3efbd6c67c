// Enlarge to 150 % (bilinear) and Shrink to 50 % (area average) through the
// image control.
#include "OpsBench.h"

namespace {

using namespace pictor;
using namespace pictor::bench;

template <typename Operation> void Resampling(benchmark::State& state, Operation operation)
{
    UseThreads(state);
    const TBitmap& photo = Photo(state.range(0));
    TKestrelImage image;
    for (auto _ : state) {
        state.PauseTiming();
        LoadPrivateCopy(image, photo);
        state.ResumeTiming();
        operation(image, photo.Width(), photo.Height());
    }
}

void Enlarge150(benchmark::State& state)
{
    Resampling(state, [](TKestrelImage& image, int w, int h) { image.Enlarge(w * 3 / 2, h * 3 / 2); });
}
void Shrink50(benchmark::State& state)
{
    Resampling(state, [](TKestrelImage& image, int w, int h) { image.Shrink(w / 2, h / 2); });
}
PICTOR_ON_PHOTOS_THREADED(Enlarge150);
PICTOR_ON_PHOTOS_THREADED(Shrink50);

} // namespace
