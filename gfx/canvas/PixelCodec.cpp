#include "gfx/canvas/PixelCodec.h"

#include "gfx/ColorMatcher.h"

namespace pictor::raster {

TPixelCodec::TPixelCodec(const TBitmap& bitmap)
{
    const int bpp = bitmap.BitsPerPixel();
    layout_.BitsPerPixel = bpp;
    if (bpp <= 8) {
        palette_ = EffectivePalette(bpp, bitmap.PaletteRef());
        // Only the entries an index of this depth reaches take part.
        if (palette_.Count() > (1 << bpp)) palette_ = TPalette(palette_.Entries().data(), 1 << bpp);
        layout_.Palette = &palette_;
        valueMask_ = (1u << bpp) - 1;
        return;
    }
    if (bpp == 16 || bpp == 32) masks_ = bitmap.Masks();
    layout_.Masks = masks_;
    effectiveMasks_ = bpp == 24 ? kMasks888 : EffectiveMasks(bpp, masks_);
    valueMask_ = effectiveMasks_.Red | effectiveMasks_.Green | effectiveMasks_.Blue;
}

TPixelCodec::~TPixelCodec() = default;

bool TPixelCodec::HasSharedMatcher() const
{
    return palette_ == HalftonePalette() || palette_ == SystemPalette16();
}

const TColorMatcher& TPixelCodec::Matcher() const
{
    if (palette_ == HalftonePalette()) return TColorMatcher::Halftone();
    if (palette_ == SystemPalette16()) return TColorMatcher::System16();
    if (!matcher_) matcher_ = std::make_unique<TColorMatcher>(palette_);
    return *matcher_;
}

std::uint32_t TPixelCodec::EncodeCached(TPacked colour) const
{
    colour &= 0xFFFFFF;
    if (!cacheKeys_) {
        cacheKeys_ = std::make_unique<std::array<std::uint32_t, 4096>>();
        cacheKeys_->fill(0);
        cacheValues_ = std::make_unique<std::array<std::uint8_t, 4096>>();
    }
    const std::size_t slot = (colour * 2654435761u) >> 20;
    if ((*cacheKeys_)[slot] == colour + 1) return (*cacheValues_)[slot];
    const std::uint32_t index = EncodeRawPixel(layout_, colour);
    (*cacheKeys_)[slot] = colour + 1;
    (*cacheValues_)[slot] = static_cast<std::uint8_t>(index);
    return index;
}

bool TPixelCodec::SameValuesAs(const TPixelCodec& other) const
{
    if (BitsPerPixel() != other.BitsPerPixel()) return false;
    if (!Indexed()) return effectiveMasks_ == other.effectiveMasks_;
    // The colours every index means, black beyond a palette.
    const int reach = 1 << BitsPerPixel();
    for (int i = 0; i < reach; ++i) {
        if (Decode(static_cast<std::uint32_t>(i)) != other.Decode(static_cast<std::uint32_t>(i))) return false;
    }
    return true;
}

} // namespace pictor::raster
