// ReduceColors: reduces a picture of more than 8 bits per pixel to an 8-bit
// picture with a palette of at most 256 colours, by one of the eight
// reduction drivers, and puts the driver's bitmap in its place.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "reduce/Reduce.h"

namespace pictor {

namespace {

// The largest palette the octree may make, and the depth of the median
// cut's box division (2^8 = 256 colours).
constexpr int kOctreeColors = 256;
constexpr int kMedianCutDepth = 8;
// The palette size of the quality reductions.
constexpr int kQualityColors = 256;

std::unique_ptr<TBitmap> ReduceBy(std::uint8_t mode, const TBitmap& bitmap)
{
    switch (mode) {
    case 0: return OctreeQuantize(bitmap, kOctreeColors);
    case 1: return MedianCutQuantize(bitmap, kMedianCutDepth);
    case 2: return MedianCutByVarianceQuantize(bitmap, kMedianCutDepth);
    case 3: return MedianCutDiffusionQuantize(bitmap, kMedianCutDepth);
    case 4: return MedianCutByVarianceDiffusionQuantize(bitmap, kMedianCutDepth);
    case rmQuality: return QualityQuantize(bitmap, kQualityColors);
    case rmQualityDiffusion: return QualityDiffusionQuantize(bitmap, kQualityColors);
    default: return StaticColorDiffusionQuantize(bitmap);
    }
}

} // namespace

void TKestrelImage::ReduceColors(std::uint8_t Mode)
{
    BeginOperation("Reduce");
    if (GetPictureType() != picBitmap) return;
    if (Mode >= kReduceModeCount) return;
    // A picture of 8 bits or fewer is never reduced again.
    TBitmap* bitmap = DeviceIndependentBitmap(9);
    if (bitmap == nullptr) return;
    // The picture's own bitmap is about to be replaced: it is not set back.
    bitmap->SetPixelFormat(pf24bit);
    Picture().SetGraphic(ReduceBy(Mode, *bitmap));
    DoAmended();
}

} // namespace pictor
