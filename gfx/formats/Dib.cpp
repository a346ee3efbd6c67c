// Device-independent bitmaps inside metafile records. A DIB is a BMP file
// without its 14-byte file header, so both directions go through the BMP
// reader and writer: the record's header, colour table and rows are put
// behind a file header and read, and a bitmap's BMP file is taken apart.
// Colour tables of palette indices are turned into colours first.
#include "gfx/formats/Dib.h"

#include "core/Exception.h"
#include "gfx/Limits.h"
#include "gfx/Palette.h"
#include "gfx/formats/ByteWriter.h"
#include "gfx/formats/Bmp.h"

#include <algorithm>

namespace pictor {

namespace {

constexpr std::size_t kFileHeaderSize = 14;


// The header (with masks) and colour table of info as a BMP file's start;
// a table of palette indices becomes one of colours.
std::vector<std::uint8_t> FileStart(const TByteReader& info, TDibColors colors, const TPalette& palette,
                                    std::size_t& tableEnd)
{
    const std::uint32_t headerSize = info.U32(0);
    if (headerSize != 12 && (headerSize < 16 || headerSize > 124)) throw TBadRecord{};
    const bool core = headerSize == 12;
    const int bpp = core ? info.U16(10) : info.U16(14);
    const std::uint32_t compression = core ? 0 : info.U32(16);
    const std::uint32_t used = (core || headerSize < 36) ? 0 : info.U32(32);
    std::size_t tableAt = headerSize + ((compression == 3 && headerSize == 40) ? 12 : 0);
    tableAt += (compression == 6 && headerSize == 40) ? 16 : 0;
    std::size_t entries = bpp <= 8 ? (used != 0 ? std::min<std::size_t>(used, std::size_t(1) << bpp)
                                                : std::size_t(1) << bpp)
                                   : std::min<std::size_t>(used, 256);
    const std::size_t entrySize = colors == TDibColors::PaletteIndex ? 2 : core ? 3 : 4;
    info.Need(tableAt, entries, entrySize);
    tableEnd = tableAt + entries * entrySize;

    // Sized once and filled in place: the table written is of colours, three
    // bytes an entry in a core header and four otherwise, whatever the record
    // holds.
    const std::size_t outEntrySize = core ? 3 : 4;
    std::vector<std::uint8_t> file(kFileHeaderSize + tableAt + entries * outEntrySize, 0);
    file[0] = 'B';
    file[1] = 'M';
    std::uint8_t* out = file.data() + kFileHeaderSize;
    std::copy_n(info.Data(), tableAt, out);
    out += tableAt;
    if (colors == TDibColors::Rgb) {
        std::copy_n(info.Data() + tableAt, entries * entrySize, out);
    } else {
        const TPalette& source = palette.Empty() ? HalftonePalette() : palette;
        for (std::size_t i = 0; i < entries; ++i, out += outEntrySize) {
            int index = info.U16(tableAt + 2 * i);
            TPaletteEntry e = index < source.Count() ? source[index] : TPaletteEntry{};
            out[0] = e.peBlue;
            out[1] = e.peGreen;
            out[2] = e.peRed;
        }
    }
    Put32(file, 10, static_cast<std::uint32_t>(file.size()));
    return file;
}

TBitmap Read(const std::vector<std::uint8_t>& file)
{
    TBitmap bitmap;
    try {
        ReadBmp(file, bitmap);
    } catch (const EInvalidGraphic&) {
        throw TBadRecord{};
    }
    return bitmap;
}

} // namespace

std::int64_t DibPixelCount(const TByteReader& info)
{
    const std::uint32_t headerSize = info.U32(0);
    std::int64_t w, h;
    if (headerSize == 12) {
        w = info.U16(4);
        h = info.U16(6);
    } else {
        w = info.I32(4);
        h = info.I32(8);
    }
    if (h < 0) h = -h;
    if (w <= 0 || h == 0 || !PictureSizeAllowed(w, h)) throw TBadRecord{};
    return w * h;
}

TBitmap DecodeDib(const TByteReader& info, const TByteReader& bits, TDibColors colors, const TPalette& palette)
{
    std::size_t tableEnd = 0;
    std::vector<std::uint8_t> file = FileStart(info, colors, palette, tableEnd);
    file.insert(file.end(), bits.Data(), bits.Data() + bits.Size());
    Put32(file, 2, static_cast<std::uint32_t>(std::min<std::size_t>(file.size(), UINT32_MAX)));
    return Read(file);
}

TBitmap DecodePackedDib(const TByteReader& dib, TDibColors colors, const TPalette& palette)
{
    std::size_t tableEnd = 0;
    FileStart(dib, colors, palette, tableEnd);
    return DecodeDib(dib, dib.From(tableEnd), colors, palette);
}

TDibBytes EncodeDib(const TBitmap& bitmap)
{
    std::vector<std::uint8_t> file = WriteBmp(bitmap);
    const std::uint32_t offBits = TByteReader(file).U32(10);
    TDibBytes out;
    out.Info.assign(file.begin() + kFileHeaderSize, file.begin() + offBits);
    out.Bits.assign(file.begin() + offBits, file.end());
    return out;
}

} // namespace pictor
