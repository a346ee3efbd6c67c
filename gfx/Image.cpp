// TImage: the picture control's model.
#include "gfx/Image.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/BitmapData.h"
#include "gfx/Canvas.h"
#include "gfx/PixelRows.h"

#include <algorithm>
#include <vector>

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

namespace {

// Copies bitmap into target (display form) over dest, a rectangle of target
// in its own pixels, by nearest pixel. Only the sampled source pixels are
// decoded, so a large picture shown small costs little.
void StretchBitmap(const TBitmap& bitmap, TBitmap& target, const TRect& dest)
{
    const int sw = bitmap.Width(), sh = bitmap.Height();
    const int dw = dest.Width(), dh = dest.Height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    const int x0 = std::max(0, dest.Left), x1 = std::min(target.Width(), dest.Right);
    const int y0 = std::max(0, dest.Top), y1 = std::min(target.Height(), dest.Bottom);
    if (x0 >= x1 || y0 >= y1) return;

    std::vector<int> xs(static_cast<std::size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x) xs[static_cast<std::size_t>(x - x0)] = NearestSample(x - dest.Left, dw, sw);
    TRowDecoder decoder(BitmapLayout(bitmap));
    TRowEncoder encoder(TPixelLayout{32, std::nullopt, nullptr});
    std::vector<TPacked> colours(xs.size());
    int lastSource = -1;
    for (int y = y0; y < y1; ++y) {
        const int sy = NearestSample(y - dest.Top, dh, sh);
        if (sy != lastSource) {
            decoder.Gather(bitmap.ScanLine(sy), xs.data(), static_cast<int>(xs.size()), colours.data());
            lastSource = sy;
        }
        encoder.Encode(colours.data(), static_cast<int>(xs.size()), target.ScanLine(y) + 4 * x0);
    }
}

} // namespace

void TImage::RenderTo(TBitmap& target, TColor background) const
{
    RenderAreaTo(target, TRect{0, 0, std::max(width_, 0), std::max(height_, 0)}, background);
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
        StretchBitmap(*bitmap, target, dest);
    else
        graphic->Draw(target.Canvas(), dest);

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
