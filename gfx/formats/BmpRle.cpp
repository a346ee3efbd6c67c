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
        : FData(data), FKind(kind), FBitmap(bitmap), FWidth(bitmap.Width()), FHeight(bitmap.Height())
    {
    }

    void Run()
    {
        while (FY < FHeight) {
            Need(2);
            const unsigned a = FData.U8(FPos), b = FData.U8(FPos + 1);
            FPos += 2;
            if (a > 0) {
                Repeat(a, b);
            } else if (b == 0) { // end of line
                FX = 0;
                ++FY;
            } else if (b == 1) { // end of bitmap
                return;
            } else if (b == 2) { // move right dx, up dy
                Need(2);
                FX += FData.U8(FPos);
                FY += FData.U8(FPos + 1);
                FPos += 2;
                if (FX > FWidth || FY > FHeight || (FY == FHeight && FX > 0))
                    throw EInvalidGraphic("RLE の移動が画像の外へ出ます");
            } else {
                Literal(b);
            }
        }
    }

private:
    void Need(std::size_t n) const
    {
        if (!FData.Has(FPos, n)) throw EInvalidGraphic("RLE データが途中で終わっています");
    }

    void CheckRoom(unsigned count) const
    {
        if (FX + static_cast<int>(count) > FWidth) throw EInvalidGraphic("RLE の連続が行の端を越えます");
    }

    std::uint8_t* Row() { return FBitmap.ScanLine(FHeight - 1 - FY); }

    // A run of count pixels; value is the index (RLE8), the two alternating
    // indices (RLE4) or the blue byte (RLE24, green and red follow).
    void Repeat(unsigned count, unsigned value)
    {
        CheckRoom(count);
        std::uint8_t* row = Row();
        if (FKind == TRleKind::kRle24) {
            Need(2);
            std::uint32_t colour = value | std::uint32_t(FData.U16(FPos)) << 8;
            FPos += 2;
            for (unsigned i = 0; i < count; ++i) WriteRawPixel(row, FX++, 24, colour);
        } else if (FKind == TRleKind::kRle8) {
            for (unsigned i = 0; i < count; ++i) WriteRawPixel(row, FX++, 8, value);
        } else {
            for (unsigned i = 0; i < count; ++i) WriteRawPixel(row, FX++, 4, (i & 1) ? value & 0xF : value >> 4);
        }
    }

    // count pixels stored as they are, padded to an even number of bytes.
    void Literal(unsigned count)
    {
        CheckRoom(count);
        const std::size_t bytes = FKind == TRleKind::kRle24 ? 3 * count
                                  : FKind == TRleKind::kRle8 ? count : (count + 1) / 2;
        Need(bytes);
        const std::uint8_t* src = FData.Bytes(FPos, bytes).data();
        std::uint8_t* row = Row();
        for (unsigned i = 0; i < count; ++i) {
            std::uint32_t v;
            if (FKind == TRleKind::kRle24)
                v = src[3 * i] | std::uint32_t(src[3 * i + 1]) << 8 | std::uint32_t(src[3 * i + 2]) << 16;
            else if (FKind == TRleKind::kRle8)
                v = src[i];
            else
                v = (i & 1) ? src[i / 2] & 0xF : src[i / 2] >> 4;
            WriteRawPixel(row, FX++, FKind == TRleKind::kRle24 ? 24 : FKind == TRleKind::kRle8 ? 8 : 4, v);
        }
        // The padding byte may be missing at the very end of the file.
        FPos += std::min(bytes + (bytes & 1), FData.Size() - FPos);
    }

    TByteReader FData;
    TRleKind FKind;
    TBitmap& FBitmap;
    const int FWidth, FHeight;
    std::size_t FPos = 0;
    int FX = 0, FY = 0;
};

} // namespace

void DecodeRle(const TByteReader& data, TRleKind kind, TBitmap& bitmap)
{
    TRleDecoder(data, kind, bitmap).Run();
}

} // namespace pictor
