#include "image/KestrelImgSupport.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Image.h"

namespace pictor {

std::unique_ptr<TBitmap> NewBitmapLike(const TBitmap& Source, int Width, int Height)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(Source.PixelFormat());
    bitmap->SetWidth(Width);
    bitmap->SetHeight(Height);
    bitmap->SetPalette(Source.Palette());
    return bitmap;
}

void CopyBitmapArea(const TBitmap& Source, const TRect& Area, TBitmap& Target)
{
    const int bits = Target.BitsPerPixel();
    PICTOR_ASSERT(bits == Source.BitsPerPixel() && PixelMoveSupports(bits));
    PICTOR_ASSERT(Area.Left >= 0 && Area.Top >= 0 && Area.Right <= Source.Width() && Area.Bottom <= Source.Height());
    PICTOR_ASSERT(Area.Width() <= Target.Width() && Area.Height() <= Target.Height());
    const std::vector<const std::uint8_t*> sourceRows = ReadRows(Source);
    const std::vector<std::uint8_t*> targetRows = WriteRows(Target);
    CopyPixelBlock(bits, sourceRows.data(), Area.Left, Area.Top, Area.Width(), Area.Height(), targetRows.data());
}

void MoveBitmapPixels(const TBitmap& Source, TPixelMapping Mapping, TBitmap& Target)
{
    const int bits = Target.BitsPerPixel();
    PICTOR_ASSERT(bits == Source.BitsPerPixel() && PixelMoveSupports(bits));
    const bool swapped = Mapping == TPixelMapping::Turn90 || Mapping == TPixelMapping::Turn270;
    PICTOR_ASSERT(Target.Width() == (swapped ? Source.Height() : Source.Width()) &&
                  Target.Height() == (swapped ? Source.Width() : Source.Height()));
    const std::vector<const std::uint8_t*> sourceRows = ReadRows(Source);
    const std::vector<std::uint8_t*> targetRows = WriteRows(Target);
    MovePixels(Mapping, bits, sourceRows.data(), Source.Width(), Source.Height(), targetRows.data());
}

TControlLayoutKeeper::TControlLayoutKeeper(TImage& Control)
    : FControl(Control), FAutoSize(Control.AutoSize()), FStretch(Control.Stretch()), FWidth(Control.Width()),
      FHeight(Control.Height())
{
    FControl.SetAutoSize(false);
    FControl.SetStretch(false);
}

void TControlLayoutKeeper::RestoreFlags()
{
    FControl.SetStretch(FStretch);
    FControl.SetAutoSize(FAutoSize);
}

void TControlLayoutKeeper::RestoreAll()
{
    FControl.SetWidth(FWidth);
    FControl.SetHeight(FHeight);
    RestoreFlags();
}

} // namespace pictor
