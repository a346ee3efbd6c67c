// TBitmap pixel formats: reading the format from the storage, and setting
// one, which re-encodes every pixel into new storage of the same size.
//
// Reading: the display form is pfDevice; 1, 4, 8 and 24 bits are what they
// are; 16 bits is pf15bit without masks, pf16bit with 5-6-5 masks, otherwise
// pfCustom; 32 bits is pf32bit without masks, otherwise pfCustom.
//
// Setting (the present format does nothing; pfCustom raises EInvalidGraphic):
//   pfDevice  the display form, 32 bits blue, green, red, unused (0);
//   pf1bit    the current palette when it has one or two entries, otherwise
//             black and white; each pixel takes the nearest entry;
//   pf4bit    the 16-colour system palette, nearest entry;
//   pf8bit    the halftone palette, nearest entry, no error diffusion (the
//             bitmap's own palette is not reused);
//   pf15bit   16 bits, 5-5-5, no masks;   pf16bit  16 bits, 5-6-5 masks;
//   pf24bit   exact;                      pf32bit  32 bits, no masks.
// The formats without their own palette take over the current palette as it
// is (it does not take part in the pixels, but stays with the bitmap and is
// written with it). Channel scaling is described in PixelRows.h.
#include "gfx/Bitmap.h"

#include "core/Exception.h"
#include "core/Parallel.h"
#include "gfx/BitmapData.h"
#include "gfx/ColorMatcher.h"

#include <vector>

namespace pictor {

namespace {

// Re-encodes every pixel of source into new storage of the given layout.
std::shared_ptr<TBitmap::TData> Convert(const TBitmap::TData& source, int bitsPerPixel,
                                       std::optional<TColorMasks> masks, bool device, TPalette palette,
                                       const TColorMatcher* matcher)
{
    auto result =
        NewBitmapData(bitsPerPixel, masks, device, std::move(palette), source.Width, source.Height, false);
    if (result->Pixels.empty()) return result;
    const TRowDecoder decoder(source.Layout());
    const TRowEncoder encoder(result->Layout(), matcher);
    // Rows are converted on their own, so bands of them can go to threads
    // of their own, each with its own row of colours.
    SplitWork(static_cast<std::size_t>(source.Height), static_cast<std::size_t>(source.Width),
              [&](std::size_t top, std::size_t bottom) {
                  std::vector<TPackedColor> colours(static_cast<std::size_t>(source.Width));
                  for (int y = static_cast<int>(top); y < static_cast<int>(bottom); ++y) {
                      decoder.Decode(source.Row(y), source.Width, colours.data());
                      encoder.Encode(colours.data(), source.Width, result->Row(y));
                      ClearRowPadding(*result, y);
                  }
              });
    return result;
}

} // namespace

TPixelFormat TBitmap::PixelFormat() const
{
    const TData& d = *FData;
    if (d.Device) return pfDevice;
    switch (d.BitsPerPixel) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16:
        if (!d.Masks) return pf15bit;
        return *d.Masks == kMasks565 ? pf16bit : pfCustom;
    case 24: return pf24bit;
    case 32: return d.Masks ? pfCustom : pf32bit;
    default: return pfCustom;
    }
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value == PixelFormat()) return;
    const TData& d = *FData;
    switch (value) {
    case pfCustom: throw EInvalidGraphic();
    case pfDevice:
    case pf32bit:
        if (d.BitsPerPixel == 32 && !d.Masks) {
            // The same bytes in the other storage form.
            Unshare();
            FData->Device = value == pfDevice;
            Changed();
            return;
        }
        ReplaceData(Convert(d, 32, std::nullopt, value == pfDevice, d.Palette, nullptr));
        return;
    case pf1bit: {
        TPalette palette = d.Palette.Count() >= 1 && d.Palette.Count() <= 2 ? d.Palette : MonochromePalette();
        ReplaceData(Convert(d, 1, std::nullopt, false, std::move(palette), nullptr));
        return;
    }
    case pf4bit:
        ReplaceData(Convert(d, 4, std::nullopt, false, SystemPalette16(), &TColorMatcher::System16()));
        return;
    case pf8bit:
        ReplaceData(Convert(d, 8, std::nullopt, false, HalftonePalette(), &TColorMatcher::Halftone()));
        return;
    case pf15bit: ReplaceData(Convert(d, 16, std::nullopt, false, d.Palette, nullptr)); return;
    case pf16bit: ReplaceData(Convert(d, 16, kMasks565, false, d.Palette, nullptr)); return;
    case pf24bit: ReplaceData(Convert(d, 24, std::nullopt, false, d.Palette, nullptr)); return;
    }
}

TBitmapHandleType TBitmap::HandleType() const
{
    return FData->Device ? bmDDB : bmDIB;
}

void TBitmap::SetHandleType(TBitmapHandleType value)
{
    if (value == HandleType()) return;
    if (value == bmDDB) {
        SetPixelFormat(pfDevice);
        return;
    }
    Unshare();
    FData->Device = false;
    Changed();
}

int TBitmap::BitsPerPixel() const { return FData->BitsPerPixel; }

std::optional<TColorMasks> TBitmap::Masks() const { return FData->Masks; }

void TBitmap::SetLayout(int bitsPerPixel, std::optional<TColorMasks> masks, int width, int height)
{
    switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw EInvalidGraphic("1 画素 " + std::to_string(bitsPerPixel) + " ビットの画像は扱えません");
    }
    if (masks && !MasksUsable(*masks, bitsPerPixel)) throw EInvalidGraphic("色マスクが不正です");
    // Above 8 bits every pixel is filled white, so only the padding needs
    // clearing; palette formats start at index 0.
    const bool white = bitsPerPixel > 8;
    auto data = NewBitmapData(bitsPerPixel, masks, false, FData->Palette, width, height, !white);
    if (white) {
        const std::uint32_t raw = WhiteRaw(*data);
        for (int y = 0; y < height; ++y) {
            FillRowRaw(data->Row(y), bitsPerPixel, width, raw);
            ClearRowPadding(*data, y);
        }
    }
    ReplaceData(std::move(data));
}

} // namespace pictor
