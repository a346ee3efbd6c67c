// Old-style metafile files, placeable or plain: validation of the header and
// of the record framing, and the bounding box and units per inch that size
// the picture.
#include "gfx/formats/MetafileFormats.h"

#include "core/Exception.h"
#include "gfx/Limits.h"
#include "gfx/formats/ByteReader.h"
#include "gfx/formats/ByteWriter.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace pictor {

namespace {

// A plain file sets its own window in units of unknown size; we take them
// for twips, the unit most such files use. A file that sets no window draws
// in device pixels.
constexpr int kPlainWindowUnitsPerInch = 1440;
constexpr int kPlainPixelUnitsPerInch = 96;
// A placeable header with 0 units per inch.
constexpr int kDefaultPlaceableUnitsPerInch = 1440;

bool IsWmfHeader(const TByteReader& v, std::size_t at)
{
    if (!v.Has(at, kWmfHeaderSize)) return false;
    std::uint16_t type = v.U16(at);
    std::uint16_t headerWords = v.U16(at + 2);
    std::uint16_t version = v.U16(at + 4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

struct TBounds {
    std::int64_t Left = INT64_MAX, Top = INT64_MAX, Right = INT64_MIN, Bottom = INT64_MIN;
    void Add(std::int64_t x, std::int64_t y)
    {
        Left = std::min(Left, x);
        Top = std::min(Top, y);
        Right = std::max(Right, x);
        Bottom = std::max(Bottom, y);
    }
    bool Valid() const { return Left <= Right && Top <= Bottom; }
};

// The window that a plain file sets first, or else the bounds of the points
// that its drawing records name.
bool FindBox(const TByteReader& records, TRect& box, int& inch)
{
    std::optional<std::pair<int, int>> origin, extent;
    TBounds drawing;
    std::size_t at = 0;
    while (records.Has(at, 6)) {
        const std::uint32_t words = records.U32(at);
        const std::uint16_t function = records.U16(at + 4);
        if (words < 3 || !records.Has(at, words, 2) || function == 0) break;
        const TByteReader r = records.Sub(at, std::uint64_t(words) * 2);
        at += std::size_t(words) * 2;
        try {
            switch (function) {
            case 0x020B: if (!origin) origin = {r.I16(8), r.I16(6)}; break;
            case 0x020C: if (!extent) extent = {r.I16(8), r.I16(6)}; break;
            case 0x0213: case 0x0214: drawing.Add(r.I16(8), r.I16(6)); break;
            case 0x041B: case 0x0418: case 0x061C:
                drawing.Add(r.I16(r.Size() - 2), r.I16(r.Size() - 4));
                drawing.Add(r.I16(r.Size() - 6), r.I16(r.Size() - 8));
                break;
            case 0x0A32: drawing.Add(r.I16(8), r.I16(6)); break;
            case 0x0521: { // text: its position, and cells of 10 by 24 units after it
                const std::size_t count = r.U16(6);
                const std::size_t after = 8 + ((count + 1) & ~std::size_t(1));
                const int y = r.I16(after), x = r.I16(after + 2);
                drawing.Add(x, y);
                drawing.Add(x + 10 * static_cast<std::int64_t>(count), y + 24);
                break;
            }
            case 0x0324: case 0x0325: {
                int n = r.U16(6);
                for (int i = 0; i < n; ++i) drawing.Add(r.I16(8 + 4 * i), r.I16(10 + 4 * i));
                break;
            }
            default: break;
            }
        } catch (const TBadRecord&) {
        }
    }
    if (extent && extent->first != 0 && extent->second != 0) {
        int ox = origin ? origin->first : 0, oy = origin ? origin->second : 0;
        int x1 = ox, x2 = ox + extent->first, y1 = oy, y2 = oy + extent->second;
        box = Rect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
        inch = kPlainWindowUnitsPerInch;
        return true;
    }
    if (drawing.Valid()) {
        box = Rect(static_cast<int>(drawing.Left), static_cast<int>(drawing.Top),
                   static_cast<int>(std::max(drawing.Right, drawing.Left + 1)),
                   static_cast<int>(std::max(drawing.Bottom, drawing.Top + 1)));
        inch = kPlainPixelUnitsPerInch;
        return true;
    }
    return false;
}


} // namespace

bool LooksLikeWmf(std::span<const std::uint8_t> bytes)
{
    TByteReader v(bytes);
    if (v.Has(0, 4) && v.U32(0) == kPlaceableKey) return IsWmfHeader(v, kPlaceableHeaderSize);
    return IsWmfHeader(v, 0);
}

std::shared_ptr<TMetafile::TData> ReadWmf(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > kMaxMetafileBytes) throw EInvalidGraphic("メタファイルが大きすぎます");
    if (!LooksLikeWmf(bytes)) throw EInvalidGraphic();
    const TByteReader file(bytes);
    const bool placeable = file.U32(0) == kPlaceableKey;
    const std::size_t start = placeable ? kPlaceableHeaderSize : 0;

    // The records: complete and inside the file; a file cut short keeps the
    // records before the cut.
    const TByteReader body = file.From(start + kWmfHeaderSize);
    auto stream = std::make_shared<std::vector<std::uint8_t>>(file.Data() + start,
                                                              file.Data() + start + kWmfHeaderSize);
    std::size_t at = 0;
    std::size_t records = 0;
    std::uint32_t largest = 3;
    while (body.Has(at, 6)) {
        const std::uint32_t words = body.U32(at);
        const std::uint16_t function = body.U16(at + 4);
        if (function == 0) break;
        if (words < 3 || !body.Has(at, words, 2)) break;
        if (++records > kMaxMetafileRecords) throw EInvalidGraphic("メタファイルのレコードが多すぎます");
        stream->insert(stream->end(), body.Data() + at, body.Data() + at + std::size_t(words) * 2);
        largest = std::max(largest, words);
        at += std::size_t(words) * 2;
    }
    static const std::uint8_t eof[6] = {3, 0, 0, 0, 0, 0};
    stream->insert(stream->end(), eof, eof + sizeof eof);
    Put32(*stream, 6, static_cast<std::uint32_t>(stream->size() / 2));
    Put32(*stream, 12, std::max(largest, file.U32(start + 12)));

    auto data = std::make_shared<TMetafile::TData>();
    data->Enhanced = false;
    TRect box;
    int inch = 0;
    if (placeable) {
        int l = file.I16(6), t = file.I16(8), r = file.I16(10), b = file.I16(12);
        box = Rect(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b));
        inch = file.U16(14);
        if (inch == 0) inch = kDefaultPlaceableUnitsPerInch;
    }
    if (box.Width() <= 0 || box.Height() <= 0) {
        if (!FindBox(TByteReader(*stream).From(kWmfHeaderSize), box, inch))
            throw EInvalidGraphic("大きさのないメタファイルです");
    }
    data->Box = box;
    data->BoxInch = inch;
    data->MMWidth = MulDiv(box.Width(), kHundredthMMPerInch, inch);
    data->MMHeight = MulDiv(box.Height(), kHundredthMMPerInch, inch);
    data->Inch = inch;
    auto pixels = [](int mm) { return MulDiv(mm, kScreenDpi, kHundredthMMPerInch); };
    if (data->MMWidth <= 0 || data->MMHeight <= 0 || pixels(data->MMWidth) > kMaxPictureSide ||
        pixels(data->MMHeight) > kMaxPictureSide)
        throw EInvalidGraphic("メタファイルの大きさが不正です");
    data->Stream = std::move(stream);
    return data;
}

} // namespace pictor
