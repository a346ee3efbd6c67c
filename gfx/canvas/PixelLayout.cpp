#include "gfx/canvas/PixelLayout.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"

#include <bit>

namespace pictor::raster {

TPixelLayout::TPixelLayout(const TPixelLayout& other)
    : bpp_(other.bpp_),
      valueMask_(other.valueMask_),
      masks_{other.masks_[0], other.masks_[1], other.masks_[2]},
      red_(other.red_),
      green_(other.green_),
      blue_(other.blue_),
      palette_(other.palette_),
      colors_(other.colors_)
{
}

TPixelLayout& TPixelLayout::operator=(const TPixelLayout& other)
{
    if (this != &other) {
        TPixelLayout copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TPixelLayout TPixelLayout::Of(const TBitmap& bitmap)
{
    std::uint32_t r = 0, g = 0, b = 0;
    if (auto masks = bitmap.Masks()) {
        r = masks->Red;
        g = masks->Green;
        b = masks->Blue;
    }
    return Make(bitmap.BitsPerPixel(), r, g, b, bitmap.Palette());
}

TPixelLayout TPixelLayout::Make(int bitsPerPixel, std::uint32_t redMask, std::uint32_t greenMask,
                                std::uint32_t blueMask, const TPalette& palette)
{
    TPixelLayout layout;
    layout.bpp_ = bitsPerPixel;
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
        layout.valueMask_ = (1u << bitsPerPixel) - 1;
        if (!palette.Empty()) {
            layout.palette_ = palette;
        } else {
            // An indexed bitmap without a colour table of its own uses the
            // platform's table for its depth.
            layout.palette_ = bitsPerPixel == 1   ? MonochromePalette()
                              : bitsPerPixel == 4 ? SystemPalette16()
                                                  : HalftonePalette();
        }
        // Only the entries an index of this depth can reach take part.
        if (layout.palette_.Count() > (1 << bitsPerPixel))
            layout.palette_ = TPalette(layout.palette_.Entries().data(), 1 << bitsPerPixel);
        layout.colors_.assign(std::size_t(1) << bitsPerPixel, clBlack);
        int n = layout.palette_.Count();
        for (int i = 0; i < n; ++i) {
            const TPaletteEntry& e = layout.palette_[i];
            layout.colors_[static_cast<std::size_t>(i)] = RGBColor(e.peRed, e.peGreen, e.peBlue);
        }
        return layout;
    }
    case 16:
        if (redMask == 0 && greenMask == 0 && blueMask == 0) {
            redMask = 0x7C00;
            greenMask = 0x03E0;
            blueMask = 0x001F;
        }
        break;
    case 24:
        redMask = 0xFF0000;
        greenMask = 0x00FF00;
        blueMask = 0x0000FF;
        break;
    case 32:
        if (redMask == 0 && greenMask == 0 && blueMask == 0) {
            redMask = 0xFF0000;
            greenMask = 0x00FF00;
            blueMask = 0x0000FF;
        }
        break;
    default:
        throw EInvalidGraphic();
    }
    layout.masks_[0] = redMask;
    layout.masks_[1] = greenMask;
    layout.masks_[2] = blueMask;
    layout.red_ = ChannelOf(redMask);
    layout.green_ = ChannelOf(greenMask);
    layout.blue_ = ChannelOf(blueMask);
    layout.valueMask_ = redMask | greenMask | blueMask;
    return layout;
}

TPixelLayout::Channel TPixelLayout::ChannelOf(std::uint32_t mask)
{
    Channel c;
    if (mask == 0) return c;
    c.shift = std::countr_zero(mask);
    std::uint32_t field = mask >> c.shift;
    // A mask with holes counts up to its highest bit.
    c.bits = 32 - std::countl_zero(field);
    c.max = c.bits >= 32 ? 0xFFFFFFFFu : (1u << c.bits) - 1;
    return c;
}

std::uint32_t TPixelLayout::EncodeChannel(const Channel& c, int v8)
{
    if (c.bits == 0) return 0;
    if (c.bits == 8) return std::uint32_t(v8) << c.shift;
    std::uint64_t v = (std::uint64_t(v8) * c.max + 127) / 255;
    return static_cast<std::uint32_t>(v << c.shift);
}

int TPixelLayout::DecodeChannel(const Channel& c, std::uint32_t value)
{
    if (c.bits == 0) return 0;
    std::uint32_t v = (value >> c.shift) & c.max;
    if (c.bits == 8) return static_cast<int>(v);
    return static_cast<int>((std::uint64_t(v) * 255 + c.max / 2) / c.max);
}

std::uint32_t TPixelLayout::Encode(TColor color) const
{
    if (Indexed()) return NearestIndex(color);
    return (EncodeChannel(red_, GetRValue(color)) | EncodeChannel(green_, GetGValue(color)) |
            EncodeChannel(blue_, GetBValue(color))) &
           valueMask_;
}

TColor TPixelLayout::Decode(std::uint32_t value) const
{
    if (Indexed()) return colors_[value & valueMask_];
    return RGBColor(DecodeChannel(red_, value), DecodeChannel(green_, value), DecodeChannel(blue_, value));
}

std::uint32_t TPixelLayout::NearestIndex(TColor color) const
{
    color &= 0xFFFFFF;
    if (!cacheKeys_) {
        cacheKeys_ = std::make_unique<std::array<std::uint32_t, 4096>>();
        cacheKeys_->fill(0);
        cacheValues_ = std::make_unique<std::array<std::uint8_t, 4096>>();
    }
    std::size_t slot = (color * 2654435761u) >> 20;
    if ((*cacheKeys_)[slot] == color + 1) return (*cacheValues_)[slot];
    int index = std::max(0, palette_.NearestIndex(static_cast<std::uint8_t>(GetRValue(color)),
                                                  static_cast<std::uint8_t>(GetGValue(color)),
                                                  static_cast<std::uint8_t>(GetBValue(color))));
    (*cacheKeys_)[slot] = color + 1;
    (*cacheValues_)[slot] = static_cast<std::uint8_t>(index);
    return static_cast<std::uint32_t>(index);
}

bool TPixelLayout::SameValuesAs(const TPixelLayout& other) const
{
    if (bpp_ != other.bpp_) return false;
    if (Indexed()) return colors_ == other.colors_;
    return masks_[0] == other.masks_[0] && masks_[1] == other.masks_[1] && masks_[2] == other.masks_[2];
}

} // namespace pictor::raster
