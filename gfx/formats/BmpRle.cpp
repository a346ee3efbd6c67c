#include "gfx/formats/BmpRle.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/PixelRows.h"
#include "gfx/formats/ByteReader.h"

#include <algorithm>

namespace pictor {

namespace {

class TRleDecoder {
public:
    TRleDecoder(const TByteReader& data, TRleKind kind, TBitmap& bitmap)
        : data_(data), kind_(kind), bitmap_(bitmap), width_(bitmap.Width()), height_(bitmap.Height())
    {
    }

    void Run()
    {
        while (y_ < height_) {
            Need(2);
            const unsigned a = data_.U8(pos_), b = data_.U8(pos_ + 1);
            pos_ += 2;
            if (a > 0) {
                Repeat(a, b);
            } else if (b == 0) { // end of line
                x_ = 0;
                ++y_;
            } else if (b == 1) { // end of bitmap
                return;
            } else if (b == 2) { // move right dx, up dy
                Need(2);
                x_ += data_.U8(pos_);
                y_ += data_.U8(pos_ + 1);
                pos_ += 2;
                if (x_ > width_ || y_ > height_ || (y_ == height_ && x_ > 0))
                    throw EInvalidGraphic("RLE の移動が画像の外へ出ます");
            } else {
                Literal(b);
            }
        }
    }

private:
    void Need(std::size_t n) const
    {
        if (!data_.Has(pos_, n)) throw EInvalidGraphic("RLE データが途中で終わっています");
    }

    void CheckRoom(unsigned count) const
    {
        if (x_ + static_cast<int>(count) > width_) throw EInvalidGraphic("RLE の連続が行の端を越えます");
    }

    std::uint8_t* Row() { return bitmap_.ScanLine(height_ - 1 - y_); }

    // A run of count pixels; value is the index (RLE8), the two alternating
    // indices (RLE4) or the blue byte (RLE24, green and red follow).
    void Repeat(unsigned count, unsigned value)
    {
        CheckRoom(count);
        std::uint8_t* row = Row();
        if (kind_ == TRleKind::kRle24) {
            Need(2);
            std::uint32_t colour = value | std::uint32_t(data_.U16(pos_)) << 8;
            pos_ += 2;
            for (unsigned i = 0; i < count; ++i) WriteRawPixel(row, x_++, 24, colour);
        } else if (kind_ == TRleKind::kRle8) {
            for (unsigned i = 0; i < count; ++i) WriteRawPixel(row, x_++, 8, value);
        } else {
            for (unsigned i = 0; i < count; ++i) WriteRawPixel(row, x_++, 4, (i & 1) ? value & 0xF : value >> 4);
        }
    }

    // count pixels stored as they are, padded to an even number of bytes.
    void Literal(unsigned count)
    {
        CheckRoom(count);
        const std::size_t bytes = kind_ == TRleKind::kRle24 ? 3 * count
                                  : kind_ == TRleKind::kRle8 ? count : (count + 1) / 2;
        Need(bytes);
        const std::uint8_t* src = data_.Bytes(pos_, bytes).data();
        std::uint8_t* row = Row();
        for (unsigned i = 0; i < count; ++i) {
            std::uint32_t v;
            if (kind_ == TRleKind::kRle24)
                v = src[3 * i] | std::uint32_t(src[3 * i + 1]) << 8 | std::uint32_t(src[3 * i + 2]) << 16;
            else if (kind_ == TRleKind::kRle8)
                v = src[i];
            else
                v = (i & 1) ? src[i / 2] & 0xF : src[i / 2] >> 4;
            WriteRawPixel(row, x_++, kind_ == TRleKind::kRle24 ? 24 : kind_ == TRleKind::kRle8 ? 8 : 4, v);
        }
        // The padding byte may be missing at the very end of the file.
        pos_ += std::min(bytes + (bytes & 1), data_.Size() - pos_);
    }

    TByteReader data_;
    TRleKind kind_;
    TBitmap& bitmap_;
    const int width_, height_;
    std::size_t pos_ = 0;
    int x_ = 0, y_ = 0;
};

} // namespace

void DecodeRle(const TByteReader& data, TRleKind kind, TBitmap& bitmap)
{
    TRleDecoder(data, kind, bitmap).Run();
}

} // namespace pictor
