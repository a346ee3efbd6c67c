// Turn and Reverse: exact quarter, half and three-quarter turns and the
// left-right mirror of a bitmap picture in its own format and palette.
#include "image/KestrelImg.h"

#include "gfx/Bitmap.h"
#include "image/KestrelImgSupport.h"
#include "image/LevelCountMemo.h"

namespace pictor {

void TKestrelImage::CarryLevelCounts(std::uint64_t SourceVersion)
{
    const TLevelCounts* counts = FLevelCounts->Find(SourceVersion);
    if (counts == nullptr) return;
    const TLevelCounts same = *counts;
    FLevelCounts->Keep(PictureBitmap()->PixelsVersion(), same);
}

void TKestrelImage::Turn(int Angle)
{
    BeginOperation("Turn");
    if (GetPictureType() != picBitmap) return;
    if (Angle % 360 == 0) return;
    if (Angle % 90 != 0) return;
    int turn = ((Angle / 90) % 4) * 90;
    if (turn < 0) turn += 360;

    TControlLayoutKeeper layout(*this);
    try {
        TBitmap& source = *PictureBitmap();
        source.SetHandleType(bmDIB);
        const int width = source.Width();
        const int height = source.Height();
        const bool half = turn == 180;
        const std::uint64_t sourceVersion = source.PixelsVersion();
        std::unique_ptr<TBitmap> bitmap = NewBitmapLike(source, half ? width : height, half ? height : width);
        MoveBitmapPixels(source,
                         turn == 90 ? TPixelMapping::Turn90 : half ? TPixelMapping::Turn180 : TPixelMapping::Turn270,
                         *bitmap);
        if (!half) {
            SetWidth(layout.Height());
            SetHeight(layout.Width());
        }
        Picture().SetGraphic(std::move(bitmap));
        CarryLevelCounts(sourceVersion);
    } catch (...) {
        layout.RestoreAll();
        throw;
    }
    layout.RestoreFlags();
    DoAmended();
}

void TKestrelImage::Reverse()
{
    BeginOperation("Reverse");
    if (GetPictureType() != picBitmap) return;
    TBitmap& source = *PictureBitmap();
    source.SetHandleType(bmDIB);
    const std::uint64_t sourceVersion = source.PixelsVersion();
    std::unique_ptr<TBitmap> bitmap = NewBitmapLike(source, source.Width(), source.Height());
    MoveBitmapPixels(source, TPixelMapping::Mirror, *bitmap);
    Picture().SetGraphic(std::move(bitmap));
    CarryLevelCounts(sourceVersion);
    DoAmended();
}

} // namespace pictor
