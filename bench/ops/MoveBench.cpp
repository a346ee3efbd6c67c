// Turn by 90 and 180 degrees, Reverse, and Trimming of the middle two thirds,
// through the image control on 24-bit photographs.
#include "OpsBench.h"

#include "gfx/Types.h"

namespace {

using namespace pictor;
using namespace pictor::bench;

// Threaded: registered with a threads argument (trimming does not split its
// rows and has none).
template <typename Operation> void PixelMoving(benchmark::State& state, Operation operation, bool threaded = true)
{
    if (threaded) UseThreads(state);
    const TBitmap& photo = Photo(state.range(0));
    TKestrelImage image;
    for (auto _ : state) {
        state.PauseTiming();
        LoadPrivateCopy(image, photo);
        state.ResumeTiming();
        operation(image, photo.Width(), photo.Height());
    }
}

void Turn90(benchmark::State& state)
{
    PixelMoving(state, [](TKestrelImage& image, int, int) { image.Turn(90); });
}
void Turn180(benchmark::State& state)
{
    PixelMoving(state, [](TKestrelImage& image, int, int) { image.Turn(180); });
}
void Reverse(benchmark::State& state)
{
    PixelMoving(state, [](TKestrelImage& image, int, int) { image.Reverse(); });
}
// The middle two thirds of each side, in picture pixels.
void Trimming(benchmark::State& state)
{
    PixelMoving(state, [](TKestrelImage& image, int w, int h) {
        image.Trimming(TRect{w / 6, h / 6, w - w / 6 - 1, h - h / 6 - 1}, true);
    }, false);
}
PICTOR_ON_PHOTOS_THREADED(Turn90);
PICTOR_ON_PHOTOS_THREADED(Turn180);
PICTOR_ON_PHOTOS_THREADED(Reverse);
PICTOR_ON_PHOTOS(Trimming);

} // namespace
