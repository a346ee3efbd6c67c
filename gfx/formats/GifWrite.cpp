// Writing GIF files: a GIF89a header, a logical screen of the bitmap's size
// with the global colour table, one image descriptor at (0, 0), not
// interlaced, the LZW data and the trailer. No extensions.
//
// The colour table holds the palette as it stands (a 1-, 4- or 8-bit bitmap
// without a palette of its own: the one its indices are shown with), padded
// with black entries to the smallest power of two, at least 2, that holds
// the palette and every index the pixels use (an index beyond the palette
// shows as black, and so it still does). A 16-entry palette gives a 4-bit
// table. Reading the file gives back the same indices and palette, padding
// included, at 8 bits per pixel.
#include "gfx/formats/Gif.h"

#include "core/Exception.h"
#include "gfx/Bitmap.h"
#include "gfx/PixelRows.h"

#include <gif_lib.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>

namespace pictor {

namespace {

// giflib writes through this. Nothing may be thrown through giflib's C
// frames, so a failed allocation is noted and reported once giflib returns.
struct TSink {
    std::vector<std::uint8_t>* Out;
    bool OutOfMemory = false;
};

int WriteSink(GifFileType* gif, const GifByteType* data, int count)
{
    auto& sink = *static_cast<TSink*>(gif->UserData);
    if (count <= 0) return 0;
    try {
        sink.Out->insert(sink.Out->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        sink.OutOfMemory = true;
        return 0;
    }
    return count;
}

struct TFreeMap {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Closing writes the trailer and frees giflib's state.
struct TCloseWriter {
    void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};

// The pixels of row y as one index per byte.
void UnpackRow(const TBitmap& bitmap, int y, std::vector<GifPixelType>& line)
{
    const std::uint8_t* row = bitmap.ScanLine(y);
    const int bpp = bitmap.BitsPerPixel();
    for (int x = 0; x < bitmap.Width(); ++x)
        line[static_cast<std::size_t>(x)] = static_cast<GifPixelType>(ReadRawPixel(row, x, bpp));
}

} // namespace

std::vector<std::uint8_t> WriteGif(const TBitmap& bitmap)
{
    if (bitmap.Empty()) throw EInvalidGraphic("空の画像は GIF ファイルに保存できません");
    const int width = bitmap.Width(), height = bitmap.Height(), bpp = bitmap.BitsPerPixel();
    if (bpp > 8)
        throw EInvalidGraphic::WithMessage(std::to_string(bpp) +
                                           " ビットの画像は GIF ファイルに保存できません。"
                                           "先に 256 色以下に減色してください");
    if (width > 65535 || height > 65535)
        throw EInvalidGraphic("GIF ファイルに保存できる画像は幅も高さも 65535 画素までです");

    const TPalette& palette = EffectivePalette(bpp, bitmap.PaletteRef());
    const int needed = std::max({2, palette.Count(), IndicesUsed(bitmap)});
    int tableBits = 1;
    while ((1 << tableBits) < needed) ++tableBits;
    std::vector<GifColorType> colors(std::size_t(1) << tableBits, GifColorType{0, 0, 0});
    for (int i = 0; i < palette.Count(); ++i)
        colors[static_cast<std::size_t>(i)] = GifColorType{palette[i].peRed, palette[i].peGreen, palette[i].peBlue};
    const std::unique_ptr<ColorMapObject, TFreeMap> map(
        GifMakeMapObject(static_cast<int>(colors.size()), colors.data()));
    if (!map) throw std::bad_alloc();

    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> out;
    TSink sink{&out};
    bool ok = true;
    {
        int error = 0;
        const std::unique_ptr<GifFileType, TCloseWriter> gif(EGifOpen(&sink, WriteSink, &error));
        if (!gif) throw std::bad_alloc();
        EGifSetGifVersion(gif.get(), true);
        ok = EGifPutScreenDesc(gif.get(), width, height, 8, 0, map.get()) == GIF_OK &&
             EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) == GIF_OK;
        // giflib masks the line it is given in place: it gets a copy.
        for (int y = 0; ok && y < height; ++y) {
            UnpackRow(bitmap, y, line);
            ok = EGifPutLine(gif.get(), line.data(), width) == GIF_OK;
        }
    }
    if (sink.OutOfMemory) throw std::bad_alloc();
    if (!ok) throw EInvalidGraphic("GIF ファイルを作れません");
    return out;
}

} // namespace pictor
