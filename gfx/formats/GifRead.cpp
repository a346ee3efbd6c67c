// Reading GIF files: the first frame, composed onto a white canvas of the
// logical screen's size.
//
// The result is always an 8-bit bitmap. Its palette is the frame's local
// colour table, or the global one (a file with neither is refused), changed
// only where the picture needs it:
// - indices of visible pixels beyond the table (the decoder does not stop
//   them) get black entries, so they show as black and stay distinct;
// - the transparent index of the graphic control extension that precedes the
//   frame becomes white, so transparent pixels are white;
// - when the frame does not cover the whole screen, the canvas around it
//   takes the transparent entry, else the first white entry, else a white
//   entry added at the end when the table has fewer than 256, else an entry
//   that no visible pixel uses, made white. A 256-entry table whose every
//   entry shows in the frame and none of them white leaves no exact choice:
//   the canvas then takes the entry nearest to white.
//
// Interlaced frames are put back in row order. A frame reaching past the
// screen is clipped to it. The screen and the whole frame must be within
// the picture limits (gfx/Limits.h) before anything is allocated or decoded,
// so the decoding work is bounded by the frame's size. Later frames are
// neither decoded nor checked; a file that ends right after the first
// frame's last data block still reads.
#include "gfx/formats/Gif.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/Limits.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace pictor {

namespace {

// giflib reads through this: the file's bytes and then one zero byte, which
// stands for a missing block terminator after the first frame's data.
// Reading that byte is no error by itself; any failure after it is reported
// as a file that ends too early.
struct TSource {
    std::span<const std::uint8_t> Bytes;
    std::size_t Position = 0;
    bool PastEnd() const { return Position > Bytes.size(); }
};

int ReadSource(GifFileType* gif, GifByteType* out, int count)
{
    auto& source = *static_cast<TSource*>(gif->UserData);
    const std::size_t available = source.Bytes.size() + 1 - std::min(source.Position, source.Bytes.size() + 1);
    const std::size_t n = std::min(available, static_cast<std::size_t>(std::max(count, 0)));
    for (std::size_t i = 0; i < n; ++i, ++source.Position)
        out[i] = source.Position < source.Bytes.size() ? source.Bytes[source.Position] : 0;
    return static_cast<int>(n);
}

struct TCloseReader {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using TReader = std::unique_ptr<GifFileType, TCloseReader>;

[[noreturn]] void Fail(const std::string& detail)
{
    throw EInvalidGraphic(detail);
}

[[noreturn]] void Truncated()
{
    Fail("GIF ファイルが途中で終わっています");
}

// The reason for one of giflib's reading error codes.
[[noreturn]] void FailWith(int error, const TSource& source)
{
    if (source.PastEnd()) Truncated();
    switch (error) {
    case D_GIF_ERR_NOT_GIF_FILE: Fail("GIF ファイルではありません");
    case D_GIF_ERR_NOT_ENOUGH_MEM: throw std::bad_alloc();
    case D_GIF_ERR_WRONG_RECORD: Fail("GIF のブロックの種類が不正です");
    case D_GIF_ERR_IMAGE_DEFECT: Fail("GIF の画素データが壊れています");
    case D_GIF_ERR_EOF_TOO_SOON: Fail("GIF の画素データが画像の終わりより前に終わっています");
    case D_GIF_ERR_DATA_TOO_BIG: Fail("GIF の画素データが画像より多くあります");
    case D_GIF_ERR_READ_FAILED:
    case D_GIF_ERR_NO_SCRN_DSCR:
    case D_GIF_ERR_NO_IMAG_DSCR:
        // Short reads inside the file: a block that claims more bytes than
        // follow it, or an LZW code size above 8.
        Fail("GIF のブロックが不正です");
    default: Fail("GIF ファイルを読めません (giflib エラー " + std::to_string(error) + ")");
    }
}

std::string SizeText(int width, int height)
{
    return std::to_string(width) + " × " + std::to_string(height);
}

// Skips the extensions before the first image descriptor and reads it; the
// transparent index of the last graphic control extension on the way, or -1.
int ReadUpToFirstFrame(GifFileType* gif, const TSource& source)
{
    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) FailWith(gif->Error, source);
        if (type == TERMINATE_RECORD_TYPE) Fail("GIF ファイルに画像がありません");
        if (type == IMAGE_DESC_RECORD_TYPE) break;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) FailWith(gif->Error, source);
        if (code == GRAPHICS_EXT_FUNC_CODE) {
            // A malformed control block is ignored, as other readers do.
            GraphicsControlBlock control{};
            transparent = block && DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK
                              ? control.TransparentColor
                              : -1;
        }
        while (block)
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) FailWith(gif->Error, source);
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR) FailWith(gif->Error, source);
    return transparent;
}

// The canvas entry for the area around the frame (see the top of the file);
// may add or change an entry of palette.
int BackgroundIndex(std::vector<TPaletteEntry>& palette, int transparent, const std::array<bool, 256>& used)
{
    const TPaletteEntry white{255, 255, 255, 0};
    if (transparent >= 0) return transparent;
    const auto found = std::find(palette.begin(), palette.end(), white);
    if (found != palette.end()) return static_cast<int>(found - palette.begin());
    if (palette.size() < 256) {
        palette.push_back(white);
        return static_cast<int>(palette.size()) - 1;
    }
    const auto unused = std::find(used.begin(), used.end(), false);
    if (unused != used.end()) {
        const int index = static_cast<int>(unused - used.begin());
        palette[static_cast<std::size_t>(index)] = white;
        return index;
    }
    return TPalette(palette).NearestIndex(255, 255, 255);
}

} // namespace

void ReadGif(std::span<const std::uint8_t> bytes, TBitmap& result)
{
    TSource source{bytes};
    int error = 0;
    TReader reader(DGifOpen(&source, ReadSource, &error));
    if (!reader) FailWith(error, source);
    GifFileType* gif = reader.get();

    const int width = gif->SWidth, height = gif->SHeight;
    if (width <= 0 || height <= 0) Fail("GIF の画面の大きさが 0 です");
    if (!PictureSizeAllowed(width, height)) Fail("GIF の画面 " + SizeText(width, height) + " は大きすぎます");

    const int transparentIndex = ReadUpToFirstFrame(gif, source);
    const GifImageDesc frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!map) Fail("GIF に色テーブルがありません");
    // The whole frame is decoded, also what lies off the screen.
    if (!PictureSizeAllowed(frame.Width, frame.Height))
        Fail("GIF のフレーム " + SizeText(frame.Width, frame.Height) + " は大きすぎます");

    result.SetLayout(8, std::nullopt, width, height);
    // The frame's rectangle on the screen.
    const int left = std::min(frame.Left, width), right = std::min(frame.Left + frame.Width, width);
    const int top = std::min(frame.Top, height), bottom = std::min(frame.Top + frame.Height, height);
    std::array<bool, 256> used{};
    if (frame.Width > 0 && frame.Height > 0) {
        // Non-interlaced: one pass over every row. Interlaced: rows 0, 8,
        // 16, ..., then 4, 12, ..., then 2, 6, ..., then the odd rows.
        static constexpr int kInterlacedStart[] = {0, 4, 2, 1}, kInterlacedStep[] = {8, 8, 4, 2};
        const int passes = frame.Interlace ? 4 : 1;
        std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
        for (int pass = 0; pass < passes; ++pass) {
            const int start = frame.Interlace ? kInterlacedStart[pass] : 0;
            const int step = frame.Interlace ? kInterlacedStep[pass] : 1;
            for (int y = start; y < frame.Height; y += step) {
                if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) FailWith(gif->Error, source);
                if (frame.Top + y >= height) continue;
                std::uint8_t* row = result.ScanLine(frame.Top + y);
                for (int x = left; x < right; ++x) {
                    const GifPixelType index = line[static_cast<std::size_t>(x - frame.Left)];
                    row[x] = index;
                    used[index] = true;
                }
            }
        }
    }

    std::vector<TPaletteEntry> palette;
    for (int i = 0; i < map->ColorCount; ++i)
        palette.push_back(TPaletteEntry{map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue, 0});
    const auto highest = std::find(used.rbegin(), used.rend(), true);
    const std::size_t reach = static_cast<std::size_t>(used.rend() - highest);
    if (reach > palette.size()) palette.resize(reach);
    const int transparent = transparentIndex < static_cast<int>(palette.size()) ? transparentIndex : -1;
    if (transparent >= 0) palette[static_cast<std::size_t>(transparent)] = TPaletteEntry{255, 255, 255, 0};

    if (left > 0 || top > 0 || right < width || bottom < height) {
        const auto background = static_cast<std::uint8_t>(BackgroundIndex(palette, transparent, used));
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = result.ScanLine(y);
            if (y < top || y >= bottom || right <= left) {
                std::memset(row, background, static_cast<std::size_t>(width));
            } else {
                std::memset(row, background, static_cast<std::size_t>(left));
                std::memset(row + right, background, static_cast<std::size_t>(width - right));
            }
        }
    }
    result.SetPalette(TPalette(std::move(palette)));
}

int CountGifFrames(std::span<const std::uint8_t> bytes)
{
    // Header (6 bytes) and logical screen descriptor (7), then the global
    // colour table when the descriptor's flags announce one.
    if (bytes.size() < 13 || std::memcmp(bytes.data(), "GIF", 3) != 0) return 0;
    const std::size_t size = bytes.size();
    std::size_t p = 13;
    if (bytes[10] & 0x80) p += 3u << ((bytes[10] & 7) + 1);

    // Skips a chain of data sub-blocks up to its terminator; false when the
    // bytes end first.
    auto skipSubBlocks = [&] {
        while (p < size) {
            const std::size_t length = bytes[p++];
            if (length == 0) return true;
            p += length;
        }
        return false;
    };
    int frames = 0;
    while (p < size) {
        const std::uint8_t introducer = bytes[p++];
        if (introducer == 0x21) {  // extension: label, sub-blocks
            ++p;
            if (!skipSubBlocks()) break;
        } else if (introducer == 0x2C) {  // image descriptor: 9 more bytes,
            if (size - p < 9) break;      // a local colour table, LZW code size, sub-blocks
            const std::uint8_t flags = bytes[p + 8];
            p += 9;
            if (flags & 0x80) p += 3u << ((flags & 7) + 1);
            ++frames;
            ++p;
            if (!skipSubBlocks()) break;
        } else {  // the trailer (0x3B), or something no reader could go on from
            break;
        }
    }
    return frames;
}

} // namespace pictor
