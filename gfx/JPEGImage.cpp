// TJPEGImage: keeps either the compressed bytes of a file (decoded once, on
// first use, into a 24-bit bitmap) or the 24-bit copy of a bitmap assigned to
// it (encoded when saved, with the quality and options set at that time).
// Copies share the data: it never changes once made, except for the cached
// decoded bitmap.
#include "gfx/JPEGImage.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/formats/Jpeg.h"

namespace pictor {

struct TJPEGImage::TData {
    // A file's compressed stream and its header (empty when the picture came
    // from a bitmap).
    std::vector<std::uint8_t> Bytes;
    TJpegHeader Header;
    // The picture at 24 bits per pixel: the assigned bitmap, or the decoded
    // stream once something asked for it.
    std::unique_ptr<TBitmap> Picture;
};

namespace {

// Decodes the whole stream into a new 24-bit bitmap. Rows that an error kept
// the decoder from reaching stay white.
std::unique_ptr<TBitmap> DecodeToBitmap(std::span<const std::uint8_t> bytes)
{
    TJpegDecoder decoder(bytes);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetLayout(24, std::nullopt, decoder.Header().Width, decoder.Header().Height);
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(bitmap->Height()));
    for (int y = 0; y < bitmap->Height(); ++y) rows[y] = bitmap->ScanLine(y);
    decoder.Decode(rows);
    return bitmap;
}

} // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

std::unique_ptr<TGraphic> TJPEGImage::Clone() const
{
    auto copy = std::make_unique<TJPEGImage>();
    copy->Assign(*this);
    return copy;
}

int TJPEGImage::Width() const
{
    if (!FData) return 0;
    return FData->Bytes.empty() ? FData->Picture->Width() : FData->Header.Width;
}

int TJPEGImage::Height() const
{
    if (!FData) return 0;
    return FData->Bytes.empty() ? FData->Picture->Height() : FData->Header.Height;
}

void TJPEGImage::SetWidth(int value)
{
    if (value != Width()) throw EInvalidGraphic("JPEG 画像の大きさは変えられません");
}

void TJPEGImage::SetHeight(int value)
{
    if (value != Height()) throw EInvalidGraphic("JPEG 画像の大きさは変えられません");
}

bool TJPEGImage::Empty() const
{
    return Width() == 0 || Height() == 0;
}

const TBitmap& TJPEGImage::Bitmap() const
{
    if (!FData) {
        static const TBitmap empty;
        return empty;
    }
    if (!FData->Picture) FData->Picture = DecodeToBitmap(FData->Bytes);
    return *FData->Picture;
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (Empty()) return;
    Bitmap().Draw(canvas, rect);
}

void TJPEGImage::Assign(const TGraphic& source)
{
    if (&source == this) return;
    if (const auto* jpeg = dynamic_cast<const TJPEGImage*>(&source)) {
        FData = jpeg->FData;
        CompressionQuality = jpeg->CompressionQuality;
        ProgressiveEncoding = jpeg->ProgressiveEncoding;
        Grayscale = jpeg->Grayscale;
        Changed();
        return;
    }
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
        auto data = std::make_shared<TData>();
        data->Picture = std::make_unique<TBitmap>(*bitmap);
        if (data->Picture->PixelFormat() != pf24bit) data->Picture->SetPixelFormat(pf24bit);
        FData = std::move(data);
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

bool TJPEGImage::AssignTo(TGraphic& dest) const
{
    auto* bitmap = dynamic_cast<TBitmap*>(&dest);
    if (!bitmap) return false;
    if (Empty())
        bitmap->Clear();
    else
        bitmap->Assign(Bitmap());
    return true;
}

void TJPEGImage::LoadFromBytes(std::span<const std::uint8_t> bytes)
{
    // The header is read (and checked) now; the scans when first needed.
    const TJpegHeader header = TJpegDecoder(bytes).Header();
    auto data = std::make_shared<TData>();
    data->Bytes.assign(bytes.begin(), bytes.end());
    data->Header = header;
    FData = std::move(data);
    Changed();
}

std::vector<std::uint8_t> TJPEGImage::SaveToBytes() const
{
    if (FData && !FData->Bytes.empty()) return FData->Bytes;
    const TBitmap& picture = Bitmap();
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(picture.Height()));
    for (int y = 0; y < picture.Height(); ++y) rows[y] = picture.ScanLine(y);
    TJpegEncodeOptions options;
    options.Quality = CompressionQuality;
    options.Progressive = ProgressiveEncoding;
    options.Grayscale = Grayscale;
    return EncodeJpeg(picture.Width(), picture.Height(), rows, options);
}

} // namespace pictor
