// TJPEGImage: a JPEG picture. It keeps the compressed bytes and decodes them
// on demand into a 24-bit bitmap; a bitmap assigned to it is encoded when it
// is saved (by default quality 90, baseline, colour).
#pragma once

#include "gfx/Graphic.h"

#include <memory>

namespace pictor {

class TBitmap;

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;

    const char* ClassName() const override { return "TJPEGImage"; }
    std::unique_ptr<TGraphic> Clone() const override;

    // Known from the header, without decoding.
    int Width() const override;
    int Height() const override;
    void SetWidth(int value) override;   // EInvalidGraphic: a JPEG is not resized
    void SetHeight(int value) override;
    bool Empty() const override;

    int CompressionQuality = 90;
    bool ProgressiveEncoding = false;
    bool Grayscale = false;

    void Draw(TCanvas& canvas, const TRect& rect) const override;
    // From a TBitmap (any format): keeps a 24-bit copy, encoded when saved with
    // the settings then in force. From a TJPEGImage: copies (data shared).
    void Assign(const TGraphic& source) override;
    // Into a TBitmap: the decoded picture at 24 bits per pixel.
    bool AssignTo(TGraphic& dest) const override;

    // The decoded picture (24 bits per pixel, full size), decoded once; an
    // empty bitmap for an empty JPEG. EInvalidGraphic when the stream fails
    // before its first row (damage later leaves the rest white).
    const TBitmap& Bitmap() const;

    void LoadFromBytes(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> SaveToBytes() const override;

    struct TData;

private:
    std::shared_ptr<TData> FData;
};

} // namespace pictor
