#include "gfx/canvas/PixelCodec.h"

#include "gfx/ColorMatcher.h"

namespace pictor::raster {

TPixelCodec::TPixelCodec(const TBitmap& bitmap)
{
    const int bpp = bitmap.BitsPerPixel();
    FLayout.BitsPerPixel = bpp;
    if (bpp <= 8) {
        FPalette = EffectivePalette(bpp, bitmap.PaletteRef());
        // Only the entries an index of this depth reaches take part.
        if (FPalette.Count() > (1 << bpp)) FPalette = TPalette(FPalette.Entries().data(), 1 << bpp);
        FLayout.Palette = &FPalette;
        FValueMask = (1u << bpp) - 1;
        return;
    }
    if (bpp == 16 || bpp == 32) FMasks = bitmap.Masks();
    FLayout.Masks = FMasks;
    FEffectiveMasks = bpp == 24 ? kMasks888 : EffectiveMasks(bpp, FMasks);
    FValueMask = FEffectiveMasks.Red | FEffectiveMasks.Green | FEffectiveMasks.Blue;
}

TPixelCodec::~TPixelCodec() = default;

bool TPixelCodec::HasSharedMatcher() const
{
    return FPalette == HalftonePalette() || FPalette == SystemPalette16();
}

const TColorMatcher& TPixelCodec::Matcher() const
{
    if (FPalette == HalftonePalette()) return TColorMatcher::Halftone();
    if (FPalette == SystemPalette16()) return TColorMatcher::System16();
    if (!FMatcher) FMatcher = std::make_unique<TColorMatcher>(FPalette);
    return *FMatcher;
}

std::uint32_t TPixelCodec::EncodeCached(TPackedColor colour) const
{
    colour &= 0xFFFFFF;
    if (!FCacheKeys) {
        FCacheKeys = std::make_unique<std::array<std::uint32_t, 4096>>();
        FCacheKeys->fill(0);
        FCacheValues = std::make_unique<std::array<std::uint8_t, 4096>>();
    }
    const std::size_t slot = (colour * 2654435761u) >> 20;
    if ((*FCacheKeys)[slot] == colour + 1) return (*FCacheValues)[slot];
    const std::uint32_t index = EncodeRawPixel(FLayout, colour);
    (*FCacheKeys)[slot] = colour + 1;
    (*FCacheValues)[slot] = static_cast<std::uint8_t>(index);
    return index;
}

bool TPixelCodec::SameValuesAs(const TPixelCodec& other) const
{
    if (BitsPerPixel() != other.BitsPerPixel()) return false;
    if (!Indexed()) return FEffectiveMasks == other.FEffectiveMasks;
    // The colours every index means, black beyond a palette.
    const int reach = 1 << BitsPerPixel();
    for (int i = 0; i < reach; ++i) {
        if (Decode(static_cast<std::uint32_t>(i)) != other.Decode(static_cast<std::uint32_t>(i))) return false;
    }
    return true;
}

} // namespace pictor::raster
