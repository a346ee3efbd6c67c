// Bright, Contrast and Gamma alone, and the main window's tone preview: a
// copy of the base picture followed by Gamma, Contrast and Bright with all
// three sliders away from rest.
#include "OpsBench.h"

#include <cmath>

namespace {

using namespace pictor;
using namespace pictor::bench;

template <typename Operation> void TonePass(benchmark::State& state, Operation operation)
{
    UseThreads(state);
    const TBitmap& photo = Photo(state.range(0));
    TKestrelImage image;
    LoadPrivateCopy(image, photo);
    // Each pass rewrites the picture in place; the next pass works on its
    // result, which costs the same.
    for (auto _ : state)
        operation(image);
    state.SetBytesProcessed(state.iterations() * photo.Width() * photo.Height() * 3);
}

void Bright(benchmark::State& state)
{
    TonePass(state, [](TKestrelImage& image) { image.Bright(120); });
}
void Contrast(benchmark::State& state)
{
    TonePass(state, [](TKestrelImage& image) { image.Contrast(130, 127); });
}
void Gamma(benchmark::State& state)
{
    TonePass(state, [](TKestrelImage& image) { image.Gamma(1.7L); });
}
PICTOR_ON_PHOTOS_THREADED(Bright);
PICTOR_ON_PHOTOS_THREADED(Contrast);
PICTOR_ON_PHOTOS_THREADED(Gamma);

// What one move of a tone slider costs: the view gets the base picture and
// the three passes run (gamma slider at 20, contrast 130, brightness 120).
void TonePreview(benchmark::State& state)
{
    UseThreads(state);
    const TBitmap& base = Photo(state.range(0));
    TKestrelImage image;
    const long double gamma = std::pow(10.0L, 20.0L / 60.0L);
    for (auto _ : state) {
        image.Picture().SetGraphic(&base);
        image.Gamma(gamma);
        image.Contrast(130, 127);
        image.Bright(120);
    }
}
PICTOR_ON_PHOTOS_THREADED(TonePreview);

} // namespace
