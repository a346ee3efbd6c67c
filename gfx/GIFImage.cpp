#include "gfx/GIFImage.h"

#include "gfx/formats/Gif.h"

#include <algorithm>

namespace pictor {

std::unique_ptr<TGraphic> TGIFImage::Clone() const
{
    return std::make_unique<TGIFImage>(*this);
}

void TGIFImage::Assign(const TGraphic& source)
{
    TBitmap::Assign(source);
    const auto* gif = dynamic_cast<const TGIFImage*>(&source);
    FFrameCount = gif ? gif->FFrameCount : Empty() ? 0 : 1;
}

void TGIFImage::LoadFromBytes(std::span<const std::uint8_t> bytes)
{
    TBitmap loaded;
    ReadGif(bytes, loaded);
    // The first frame has been read, so the count is at least 1 whatever
    // the rest of the file holds.
    FFrameCount = std::max(1, CountGifFrames(bytes));
    TBitmap::operator=(loaded);
}

std::vector<std::uint8_t> TGIFImage::SaveToBytes() const
{
    return WriteGif(*this);
}

} // namespace pictor
