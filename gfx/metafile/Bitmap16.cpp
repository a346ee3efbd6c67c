#include "gfx/metafile/Bitmap16.h"

#include "gfx/Limits.h"
#include "gfx/Palette.h"

#include <algorithm>
#include <cstring>

namespace pictor::mf {

TBitmap16Header ReadBitmap16Header(const TRecordView& r, std::size_t at)
{
    TBitmap16Header h;
    h.Width = r.I16(at + 2);
    h.Height = r.I16(at + 4);
    h.RowBytes = r.I16(at + 6);
    const int planes = r.U8(at + 8);
    h.BitsPerPixel = r.U8(at + 9);
    switch (h.BitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw TBadRecord{};
    }
    if (planes != 1 || h.Width <= 0 || h.Height <= 0 || !PictureSizeAllowed(h.Width, h.Height))
        throw TBadRecord{};
    if (h.RowBytes < (h.Width * h.BitsPerPixel + 7) / 8) throw TBadRecord{};
    return h;
}

TBitmap DecodeBitmap16(const TRecordView& r, const TBitmap16Header& header, std::size_t bitsAt,
                       const TPalette& palette)
{
    // Rows are as long as the header says; some writers give the length of
    // a DIB's rows but store the word-aligned rows of a device bitmap, which
    // is what the record then has room for.
    const auto bits = static_cast<std::size_t>(header.Width) * static_cast<std::size_t>(header.BitsPerPixel);
    const std::size_t used = (bits + 7) / 8, aligned = (bits + 15) / 16 * 2;
    const auto rows = static_cast<std::uint64_t>(header.Height);
    auto rowBytes = static_cast<std::size_t>(header.RowBytes);
    if (!r.Has(bitsAt, rows, rowBytes) && aligned < rowBytes) rowBytes = aligned;
    r.Need(bitsAt, rows, rowBytes);
    TBitmap bitmap;
    bitmap.SetLayout(header.BitsPerPixel, std::nullopt, header.Width, header.Height);
    switch (header.BitsPerPixel) {
    case 1: bitmap.SetPalette(MonochromePalette()); break;
    case 4: bitmap.SetPalette(SystemPalette16()); break;
    case 8: bitmap.SetPalette(palette.Empty() ? HalftonePalette() : palette); break;
    default: break;
    }
    for (int y = 0; y < header.Height; ++y)
        std::memcpy(bitmap.ScanLine(y), r.Data() + bitsAt + rowBytes * static_cast<std::size_t>(y), used);
    return bitmap;
}

bool StartsDib(const TRecordView& r, std::size_t at)
{
    const std::uint32_t size = r.U32(at);
    return size == 12 || (size >= 16 && size <= 124);
}

} // namespace pictor::mf
