// TImage: the picture control's model.
#include "gfx/Image.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/BitmapData.h"
#include "gfx/Canvas.h"
#include "gfx/DisplayStretch.h"
#include "gfx/PixelRows.h"

#include <algorithm>

namespace pictor {

TImage::TImage()
{
    FPicture.OnChange = [this] { PictureChanged(); };
}

TImage::~TImage()
{
    FPicture.OnChange = nullptr;
}

void TImage::SetWidth(int value) { SetBounds(value, FHeight); }
void TImage::SetHeight(int value) { SetBounds(FWidth, value); }

void TImage::SetBounds(int width, int height)
{
    if (width == FWidth && height == FHeight) return;
    FWidth = width;
    FHeight = height;
    if (OnResize) OnResize();
    Invalidate();
}

void TImage::SetStretch(bool value)
{
    if (value == FStretch) return;
    FStretch = value;
    Invalidate();
}

void TImage::SetAutoSize(bool value)
{
    if (value == FAutoSize) return;
    FAutoSize = value;
    if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0) SetBounds(FPicture.Width(), FPicture.Height());
}

void TImage::PictureChanged()
{
    if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0) SetBounds(FPicture.Width(), FPicture.Height());
    Invalidate();
}

TCanvas& TImage::Canvas()
{
    TGraphic* graphic = FPicture.Graphic();
    if (!graphic) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(std::max(FWidth, 0), std::max(FHeight, 0));
        FPicture.SetGraphic(std::move(bitmap));
        graphic = FPicture.Graphic();
    }
    auto* bitmap = dynamic_cast<TBitmap*>(graphic);
    if (!bitmap) throw EInvalidOperation("ビットマップを持っている時のみイメージの変更が可能です");
    return bitmap->Canvas();
}

void TImage::Invalidate()
{
    if (OnRepaint) OnRepaint();
}

void TImage::RenderTo(TBitmap& target, TColor background) const
{
    RenderAreaTo(target, TRect{0, 0, std::max(FWidth, 0), std::max(FHeight, 0)}, background);
}

bool TImage::RendersOnAnyThread() const
{
    const TGraphic* graphic = FPicture.Graphic();
    return !graphic || graphic->Empty() || dynamic_cast<const TBitmap*>(graphic) != nullptr;
}

void TImage::RenderAreaTo(TBitmap& target, const TRect& area, TColor background) const
{
    target.SetPixelFormat(pfDevice);
    target.SetSize(std::max(area.Width(), 0), std::max(area.Height(), 0));
    const std::uint32_t fill = PackedFromColor(background);
    for (int y = 0; y < target.Height(); ++y) FillRowRaw(target.ScanLine(y), 32, target.Width(), fill);

    const TGraphic* graphic = FPicture.Graphic();
    if (!graphic || graphic->Empty() || target.Empty()) return;
    // The picture's rectangle in the control, moved so that area starts at
    // the target's origin.
    TRect dest = FStretch ? TRect{0, 0, FWidth, FHeight} : TRect{0, 0, graphic->Width(), graphic->Height()};
    dest = TRect{dest.Left - area.Left, dest.Top - area.Top, dest.Right - area.Left, dest.Bottom - area.Top};
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic))
        StretchBitmapShown(*bitmap, target, dest);
    else
        DrawGraphicShown(*graphic, target, dest, fill);

    // Nothing shows outside the control, even where the picture (not
    // stretched) is larger than it.
    const int cl = -area.Left, ct = -area.Top, cr = FWidth - area.Left, cb = FHeight - area.Top;
    for (int y = 0; y < target.Height(); ++y) {
        std::uint8_t* row = target.ScanLine(y);
        if (y < ct || y >= cb) {
            FillRowRaw(row, 32, target.Width(), fill);
            continue;
        }
        if (cl > 0) FillRowRaw(row, 32, std::min(cl, target.Width()), fill);
        if (cr < target.Width()) {
            const int from = std::max(cr, 0);
            FillRowRaw(row + 4 * from, 32, target.Width() - from, fill);
        }
    }
}

} // namespace pictor
