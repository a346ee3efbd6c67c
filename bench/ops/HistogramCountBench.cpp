// Histogram counting on 24-bit photographs: the counts per channel level
// that the histogram picture plots (64 bins, as the window shows them by
// default), without the drawing.
#include "OpsBench.h"

#include "image/HistogramData.h"

namespace {

using namespace pictor;
using namespace pictor::bench;

void HistogramCount(benchmark::State& state)
{
    UseThreads(state);
    const TBitmap& photo = Photo(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(CountChannels(photo, 2));
    state.SetBytesProcessed(state.iterations() * photo.Width() * photo.Height() * 3);
}
PICTOR_ON_PHOTOS_THREADED(HistogramCount);

} // namespace
