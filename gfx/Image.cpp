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
    picture_.OnChange = [this] { PictureChanged(); };
}

TImage::~TImage()
{
    picture_.OnChange = nullptr;
}

void TImage::SetWidth(int value) { SetBounds(value, height_); }
void TImage::SetHeight(int value) { SetBounds(width_, value); }

void TImage::SetBounds(int width, int height)
{
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    if (OnResize) OnResize();
    Invalidate();
}

void TImage::SetStretch(bool value)
{
    if (value == stretch_) return;
    stretch_ = value;
    Invalidate();
}

void TImage::SetAutoSize(bool value)
{
    if (value == autoSize_) return;
    autoSize_ = value;
    if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0) SetBounds(picture_.Width(), picture_.Height());
}

void TImage::PictureChanged()
{
    if (autoSize_ && picture_.Width() > 0 && picture_.Height() > 0) SetBounds(picture_.Width(), picture_.Height());
    Invalidate();
}

TCanvas& TImage::Canvas()
{
    TGraphic* graphic = picture_.Graphic();
    if (!graphic) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(std::max(width_, 0), std::max(height_, 0));
        picture_.SetGraphic(std::move(bitmap));
        graphic = picture_.Graphic();
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
    RenderAreaTo(target, TRect{0, 0, std::max(width_, 0), std::max(height_, 0)}, background);
}

bool TImage::RendersOnAnyThread() const
{
    const TGraphic* graphic = picture_.Graphic();
    return !graphic || graphic->Empty() || dynamic_cast<const TBitmap*>(graphic) != nullptr;
}

void TImage::RenderAreaTo(TBitmap& target, const TRect& area, TColor background) const
{
    target.SetPixelFormat(pfDevice);
    target.SetSize(std::max(area.Width(), 0), std::max(area.Height(), 0));
    const std::uint32_t fill = PackedFromColor(background);
    for (int y = 0; y < target.Height(); ++y) FillRowRaw(target.ScanLine(y), 32, target.Width(), fill);

    const TGraphic* graphic = picture_.Graphic();
    if (!graphic || graphic->Empty() || target.Empty()) return;
    // The picture's rectangle in the control, moved so that area starts at
    // the target's origin.
    TRect dest = stretch_ ? TRect{0, 0, width_, height_} : TRect{0, 0, graphic->Width(), graphic->Height()};
    dest = TRect{dest.Left - area.Left, dest.Top - area.Top, dest.Right - area.Left, dest.Bottom - area.Top};
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic))
        StretchBitmapShown(*bitmap, target, dest);
    else
        DrawGraphicShown(*graphic, target, dest, fill);

    // Nothing shows outside the control, even where the picture (not
    // stretched) is larger than it.
    const int cl = -area.Left, ct = -area.Top, cr = width_ - area.Left, cb = height_ - area.Top;
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
