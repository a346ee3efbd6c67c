#include "gfx/PngImage.h"

#include "gfx/formats/Png.h"

namespace pictor {

std::unique_ptr<TGraphic> TPngImage::Clone() const
{
    return std::make_unique<TPngImage>(*this);
}

void TPngImage::LoadFromBytes(std::span<const std::uint8_t> bytes)
{
    TBitmap loaded;
    ReadPng(bytes, loaded);
    Assign(loaded);
}

std::vector<std::uint8_t> TPngImage::SaveToBytes() const
{
    return WritePng(*this);
}

} // namespace pictor
