// TGIFImage: a bitmap read from or written to a GIF file. It is a TBitmap in
// every other respect (8 bits per pixel as read; the picture control treats
// it as a bitmap), and remembers how many frames its file held: only the
// first is shown (gfx/formats/Gif.h).
#pragma once

#include "gfx/Bitmap.h"

namespace pictor {

class TGIFImage : public TBitmap {
public:
    TGIFImage() = default;
    TGIFImage(const TGIFImage& other) = default;

    const char* ClassName() const override { return "TGIFImage"; }
    std::unique_ptr<TGraphic> Clone() const override;

    // From a TGIFImage: its pixels and frame count. From any other bitmap
    // (or a graphic that converts to one): its pixels, one frame.
    void Assign(const TGraphic& source) override;

    // The first frame composed on white (gfx/formats/Gif.h); a failed read
    // leaves the picture as it was.
    void LoadFromBytes(std::span<const std::uint8_t> bytes) override;
    // A single-frame GIF89a file. A bitmap of more than 8 bits per pixel
    // raises EInvalidGraphic asking for a colour reduction first.
    std::vector<std::uint8_t> SaveToBytes() const override;

    // Frames in the file that was read: 1 for a picture assigned from a
    // bitmap, 0 while empty.
    int FrameCount() const { return FFrameCount; }

private:
    int FFrameCount = 0;
};

} // namespace pictor
