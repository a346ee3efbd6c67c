// TIcon: an icon file's bytes, its directory, and the shown image decoded to
// BGRA. The shown image is the largest one (by pixel count), ties going to
// the deepest colour, then to the first in the directory.
//
// Drawing composites the shown image over what the target holds: fully
// transparent pixels (mask bit set, or alpha 0) leave it as it was, partly
// transparent ones blend. On a bitmap canvas the target bitmap's pixels are
// read and written directly (the canvas's clipping does not apply); a canvas
// without a bitmap (a metafile canvas) receives the image flattened over
// white.
#include "gfx/Icon.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Canvas.h"
#include "gfx/formats/Ico.h"

#include <algorithm>

namespace pictor {

struct TIcon::Data {
    std::vector<std::uint8_t> Bytes;
    TIcoDirectory Directory;
    int Shown = 0;
    TBgraImage Image;
};

namespace {

// Source column (or row) sampled by destination pixel d of a span of
// destSize pixels showing sourceSize pixels: the one under d's centre.
int Sample(std::int64_t d, std::int64_t destSize, std::int64_t sourceSize)
{
    return static_cast<int>(((2 * d + 1) * sourceSize) / (2 * destSize));
}

void CompositeOnto(TBitmap& target, const TBgraImage& image, const TRect& rect)
{
    const int left = std::max(rect.Left, 0), right = std::min(rect.Right, target.Width());
    const int top = std::max(rect.Top, 0), bottom = std::min(rect.Bottom, target.Height());
    if (left >= right || top >= bottom) return;
    const int bits = target.BitsPerPixel();
    // 24 bits, and 32 bits without masks (also the display form), are
    // blue, green, red in the row; anything else goes pixel by pixel.
    const bool direct = bits == 24 || (bits == 32 && !target.Masks());
    const int step = bits / 8;
    for (int y = top; y < bottom; ++y) {
        const std::uint8_t* src = image.Row(Sample(y - rect.Top, rect.Height(), image.Height));
        std::uint8_t* row = direct ? target.ScanLine(y) : nullptr;
        for (int x = left; x < right; ++x) {
            const std::uint8_t* s = src + Sample(x - rect.Left, rect.Width(), image.Width) * 4;
            const unsigned alpha = s[3];
            if (alpha == 0) continue;
            if (direct) {
                std::uint8_t* d = row + static_cast<std::size_t>(x) * step;
                for (int i = 0; i < 3; ++i) d[i] = BlendChannel(s[i], d[i], alpha);
            } else {
                const TColor under = target.GetPixel(x, y);
                target.SetPixel(x, y,
                                RGBColor(BlendChannel(s[2], GetRValue(under), alpha),
                                         BlendChannel(s[1], GetGValue(under), alpha),
                                         BlendChannel(s[0], GetBValue(under), alpha)));
            }
        }
    }
    target.Changed();
}

// The image over white, as a 24-bit bitmap.
TBitmap FlattenOverWhite(const TBgraImage& image)
{
    TBitmap bitmap;
    bitmap.SetLayout(24, std::nullopt, image.Width, image.Height);
    for (int y = 0; y < image.Height; ++y) ComposeRowOverWhite(image.Row(y), image.Width, bitmap.ScanLine(y));
    return bitmap;
}

} // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

std::unique_ptr<TGraphic> TIcon::Clone() const
{
    auto copy = std::make_unique<TIcon>();
    copy->data_ = data_;
    return copy;
}

int TIcon::Width() const
{
    return data_ ? data_->Image.Width : 0;
}

int TIcon::Height() const
{
    return data_ ? data_->Image.Height : 0;
}

void TIcon::SetWidth(int value)
{
    if (value != Width()) throw EInvalidGraphic("icons cannot be resized");
}

void TIcon::SetHeight(int value)
{
    if (value != Height()) throw EInvalidGraphic("icons cannot be resized");
}

bool TIcon::Empty() const
{
    return !data_;
}

int TIcon::BitsPerPixel() const
{
    return data_ ? data_->Directory.Entries[static_cast<std::size_t>(data_->Shown)].BitsPerPixel : 0;
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (!data_ || rect.Width() <= 0 || rect.Height() <= 0) return;
    const TBgraImage& image = data_->Image;
    if (TBitmap* target = canvas.TargetBitmap()) {
        CompositeOnto(*target, image, rect);
        return;
    }
    const TBitmap flat = FlattenOverWhite(image);
    canvas.DrawBitmap(flat, Rect(0, 0, image.Width, image.Height), rect.Left, rect.Top, rect.Width(),
                      rect.Height(), cmSrcCopy);
}

void TIcon::Assign(const TGraphic& source)
{
    if (&source == this) return;
    if (const auto* icon = dynamic_cast<const TIcon*>(&source)) {
        data_ = icon->data_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::LoadFromBytes(std::span<const std::uint8_t> bytes)
{
    auto data = std::make_shared<Data>();
    data->Directory = ReadIcoDirectory(bytes);
    data->Shown = ChooseIcoImage(data->Directory);
    data->Image = DecodeIcoImage(bytes, data->Directory.Entries[data->Shown]);
    data->Bytes.assign(bytes.begin(), bytes.end());
    data_ = std::move(data);
    Changed();
}

std::vector<std::uint8_t> TIcon::SaveToBytes() const
{
    if (!data_) throw EInvalidGraphic("an empty icon cannot be saved");
    return data_->Bytes;
}

} // namespace pictor
