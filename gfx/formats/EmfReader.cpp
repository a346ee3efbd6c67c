// Enhanced metafile files: validation of the record framing on reading, and
// the stream written back with an up-to-date header.
#include "gfx/formats/MetafileFormats.h"

#include "core/Exception.h"
#include "gfx/Limits.h"
#include "gfx/formats/ByteReader.h"
#include "gfx/formats/ByteWriter.h"

extern "C" {
#include <uemf.h>
#include <uemf_safe.h>
}

#include <algorithm>
#include <cstring>

namespace pictor {

namespace {

// Record types for which libuemf has no content check of its own (it would
// print a warning); ours is the framing check plus the checks of playback,
// which skips all of these.
bool LibraryChecks(std::uint32_t type, const TByteReader& record)
{
    switch (type) {
    case 69: case 96: case 97: case 102: case 103: case 105: case 106: case 107:
    case 109: case 110: case 111: case 112: case 113: case 117: case 119: case 120: case 121:
        return false;
    case U_EMR_EXTSELECTCLIPRGN:
        // A region of no bytes (back to no clipping) is valid, but the
        // library's region check refuses it.
        return record.Size() >= 16 && record.U32(8) != 0;
    default:
        return type >= 1 && type <= 122;
    }
}


bool SizeAllowed(int mmWidth, int mmHeight, const TReferenceDevice& device)
{
    auto fits = [](std::int64_t v) { return v >= 0 && v <= kMaxPictureSide; };
    return mmWidth > 0 && mmHeight > 0 && fits(MulDiv(mmWidth, kScreenDpi, kHundredthMMPerInch)) &&
           fits(MulDiv(mmHeight, kScreenDpi, kHundredthMMPerInch)) &&
           fits(device.PixelsFromHundredthMMX(mmWidth)) && fits(device.PixelsFromHundredthMMY(mmHeight));
}

} // namespace

bool LooksLikeEmf(std::span<const std::uint8_t> bytes)
{
    TByteReader v(bytes);
    return v.Has(0, kEmfMinHeaderSize) && v.U32(0) == kEmrHeader && v.U32(40) == kEmfSignature;
}

std::shared_ptr<TMetafile::TData> ReadEmf(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() > kMaxMetafileBytes) throw EInvalidGraphic("メタファイルが大きすぎます");
    if (!LooksLikeEmf(bytes)) throw EInvalidGraphic();
    const TByteReader file(bytes);
    const std::uint32_t headerSize = file.U32(4);
    if (headerSize < kEmfMinHeaderSize || headerSize % 4 != 0 || headerSize > file.Size())
        throw EInvalidGraphic();
    const TByteReader header = file.Sub(0, headerSize);
    if (!U_emf_record_safe(reinterpret_cast<const char*>(header.Data()))) throw EInvalidGraphic();

    auto data = std::make_shared<TMetafile::TData>();
    data->Enhanced = true;
    TReferenceDevice device{header.I32(72), header.I32(76), header.I32(80), header.I32(84)};
    // A device of up to a million pixels and a kilometre a side; anything
    // else is taken for the screen.
    auto sane = [](int v) { return v > 0 && v <= 1000000; };
    if (sane(device.PixelsX) && sane(device.PixelsY) && sane(device.MillimetersX) && sane(device.MillimetersY))
        data->Device = device;

    // The frame; files that leave it empty are sized by their drawing bounds.
    std::int64_t left = header.I32(24), top = header.I32(28), right = header.I32(32), bottom = header.I32(36);
    if (right <= left || bottom <= top) {
        std::int64_t bl = header.I32(8), bt = header.I32(12), br = header.I32(16), bb = header.I32(20);
        if (br < bl || bb < bt) throw EInvalidGraphic("大きさのないメタファイルです");
        left = data->Device.HundredthMMFromPixelsX(static_cast<int>(std::clamp<std::int64_t>(bl, -1 << 24, 1 << 24)));
        top = data->Device.HundredthMMFromPixelsY(static_cast<int>(std::clamp<std::int64_t>(bt, -1 << 24, 1 << 24)));
        right = data->Device.HundredthMMFromPixelsX(static_cast<int>(std::clamp<std::int64_t>(br + 1, -1 << 24, 1 << 24)));
        bottom = data->Device.HundredthMMFromPixelsY(static_cast<int>(std::clamp<std::int64_t>(bb + 1, -1 << 24, 1 << 24)));
    }
    if (right - left > INT32_MAX || bottom - top > INT32_MAX) throw EInvalidGraphic("メタファイルが大きすぎます");
    data->FrameLeft = static_cast<int>(left);
    data->FrameTop = static_cast<int>(top);
    data->MMWidth = static_cast<int>(right - left);
    data->MMHeight = static_cast<int>(bottom - top);
    if (!SizeAllowed(data->MMWidth, data->MMHeight, data->Device)) throw EInvalidGraphic("メタファイルの大きさが不正です");

    // The records: complete, inside the file, accepted by the record checks.
    auto stream = std::make_shared<std::vector<std::uint8_t>>(header.Data(), header.Data() + headerSize);
    std::size_t records = 1;
    std::size_t at = headerSize;
    while (file.Has(at, 8)) {
        const std::uint32_t type = file.U32(at);
        const std::uint32_t size = file.U32(at + 4);
        if (size < 8 || size % 4 != 0 || !file.Has(at, size)) break; // cut short or broken: keep what came before
        const TByteReader record = file.Sub(at, size);
        at += size;
        if (type == kEmrHeader) continue;
        if (type == kEmrEof) {
            if (size < 20) break;
            const std::uint32_t count = record.U32(8);
            const std::uint32_t offset = record.U32(12);
            if (count > 0 && count <= static_cast<std::uint32_t>(TPalette::kMaxEntries) && record.Has(offset, count, 4)) {
                std::vector<TPaletteEntry> entries(count);
                for (std::uint32_t i = 0; i < count; ++i)
                    entries[i] = TPaletteEntry{record.U8(offset + 4 * i), record.U8(offset + 4 * i + 1),
                                               record.U8(offset + 4 * i + 2), 0};
                data->Palette = TPalette(std::move(entries));
            }
            break;
        }
        if (LibraryChecks(type, record) && !U_emf_record_safe(reinterpret_cast<const char*>(record.Data())))
            continue; // a record that does not hold what its type says is left out
        if (++records > kMaxMetafileRecords) throw EInvalidGraphic("メタファイルのレコードが多すぎます");
        stream->insert(stream->end(), record.Data(), record.Data() + size);
    }
    // The end record is written afresh (with the palette) by WriteEmf; keep a
    // plain one so the stream is complete.
    static const std::uint8_t eof[20] = {14, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 20, 0, 0, 0};
    stream->insert(stream->end(), eof, eof + sizeof eof);
    Put32(*stream, 48, static_cast<std::uint32_t>(stream->size()));
    Put32(*stream, 52, static_cast<std::uint32_t>(records + 1));
    Put32(*stream, 68, 0); // the palette lives in the data until written
    data->Stream = std::move(stream);
    return data;
}

std::vector<std::uint8_t> WriteEmf(const TMetafile::TData& data)
{
    if (!data.Stream || data.Stream->size() < kEmfMinHeaderSize + 20) return {};
    std::vector<std::uint8_t> out(*data.Stream);
    out.resize(out.size() - 20); // the end record, rewritten below
    const std::uint32_t paletteCount = static_cast<std::uint32_t>(data.Palette.Count());
    const std::uint32_t eofSize = 20 + 4 * paletteCount;
    const std::size_t eofAt = out.size();
    out.resize(out.size() + eofSize, 0);
    Put32(out, eofAt, kEmrEof);
    Put32(out, eofAt + 4, eofSize);
    Put32(out, eofAt + 8, paletteCount);
    Put32(out, eofAt + 12, 16);
    for (std::uint32_t i = 0; i < paletteCount; ++i) {
        const TPaletteEntry& e = data.Palette[static_cast<int>(i)];
        out[eofAt + 16 + 4 * i] = e.peRed;
        out[eofAt + 17 + 4 * i] = e.peGreen;
        out[eofAt + 18 + 4 * i] = e.peBlue;
        out[eofAt + 19 + 4 * i] = 0;
    }
    Put32(out, eofAt + eofSize - 4, eofSize);

    Put32(out, 24, static_cast<std::uint32_t>(data.FrameLeft));
    Put32(out, 28, static_cast<std::uint32_t>(data.FrameTop));
    Put32(out, 32, static_cast<std::uint32_t>(data.FrameLeft + data.MMWidth));
    Put32(out, 36, static_cast<std::uint32_t>(data.FrameTop + data.MMHeight));
    Put32(out, 48, static_cast<std::uint32_t>(out.size()));
    Put32(out, 68, paletteCount);
    return out;
}

} // namespace pictor
