// TBitmap: a raster picture, device-independent at 1, 4, 8, 16, 24 or 32 bits
// per pixel (16 and 32 optionally with colour masks) with an optional palette,
// or in the display's own form (32 bits per pixel: blue, green, red, unused).
//
// Rows are stored top-down with 4-byte aligned strides; ScanLine(0) is the top
// row. Copies (copy constructor, Assign, Clone) share the pixel data until one
// of them asks for a writable row or otherwise changes its pixels.
#pragma once

#include "gfx/Graphic.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace pictor {

class TCanvas;
struct TPixelLayout;

// Colour masks of a 16- or 32-bit bitmap.
struct TColorMasks {
    std::uint32_t Red = 0;
    std::uint32_t Green = 0;
    std::uint32_t Blue = 0;
    friend bool operator==(const TColorMasks&, const TColorMasks&) = default;
};

class TBitmap : public TGraphic {
public:
    // A new bitmap: 0 by 0, in the display's form.
    TBitmap();
    // Shares the pixel data with other (copy on write); the canvas and the
    // change handler are not copied.
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap() override;

    const char* ClassName() const override { return "TBitmap"; }
    std::unique_ptr<TGraphic> Clone() const override;

    int Width() const override;
    int Height() const override;
    // Changing the size keeps the pixels of the common top-left area; the
    // newly covered area is white (or the palette entry nearest white).
    // Sizes beyond gfx/Limits.h raise EInvalidGraphic.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    void SetSize(int width, int height);
    bool Empty() const override;

    // Draws the bitmap into rect; a differing size is stretched by nearest
    // pixel (each destination pixel centre sampled).
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    // From a TBitmap: shares its pixels, format, palette and storage form.
    // Other graphics convert themselves through AssignTo (a JPEG decodes to
    // 24 bits); otherwise EConvertError.
    void Assign(const TGraphic& source) override;

    // BMP file reading and writing (gfx/formats/Bmp.h).
    void LoadFromBytes(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> SaveToBytes() const override;

    // --- pixel format and storage -------------------------------------------
    TPixelFormat PixelFormat() const;
    // Re-encodes the pixels (see Bitmap.cpp for the rules of each format);
    // pfCustom raises EInvalidGraphic; the present format does nothing.
    void SetPixelFormat(TPixelFormat value);
    TBitmapHandleType HandleType() const;
    // bmDIB switches the display form to a 32-bit device-independent bitmap
    // (the pixels are kept); bmDDB is SetPixelFormat(pfDevice).
    void SetHandleType(TBitmapHandleType value);
    // Bits per pixel of the storage: 1, 4, 8, 16, 24 or 32 (32 in the
    // display form).
    int BitsPerPixel() const;
    // Colour masks of a 16- or 32-bit bitmap, when it has them.
    std::optional<TColorMasks> Masks() const;

    // Makes the bitmap device-independent with exactly this layout: bits per
    // pixel (1, 4, 8, 16, 24, 32), optional masks (16 and 32 only) and size.
    // Pixels are white (index 0 for palette formats); the palette is kept.
    // For the file readers and for tests of unusual layouts.
    void SetLayout(int bitsPerPixel, std::optional<TColorMasks> masks, int width, int height);

    // --- pixels ----------------------------------------------------------------
    // Row y (0 = top): writable; unshares the pixel data first.
    std::uint8_t* ScanLine(int y);
    // Row y for reading; never copies.
    const std::uint8_t* ScanLine(int y) const;
    // Bytes from one row to the next (4-byte aligned).
    int RowStride() const;

    // A pixel's colour, decoded from any format; out of range gives clBlack.
    TColor GetPixel(int x, int y) const;
    // Writes the pixel in the bitmap's own format (palette formats take the
    // nearest entry); out of range does nothing.
    void SetPixel(int x, int y, TColor color);

    // --- palette -------------------------------------------------------------
    TPalette Palette() const override;
    // The bitmap's own palette without a copy (valid until the bitmap
    // changes); empty when it has none.
    const TPalette& PaletteRef() const;
    // The bitmap keeps its own copy. For 1-, 4- and 8-bit bitmaps this is the
    // colour table the indices refer to.
    void SetPalette(const TPalette& palette) override;

    // The canvas that draws on this bitmap (created on first use, owned by
    // the bitmap).
    TCanvas& Canvas();

    // Drops the picture: 0 by 0, display form, no palette.
    void Clear();

    // True when this bitmap and other share their pixel data (for tests).
    bool SharesPixelsWith(const TBitmap& other) const;

    // A number that names the present pixels and palette, for caches of what
    // is worked out from them: copies that share their pixels have the same
    // one, and every write access (a writable row, a pixel, the palette, the
    // size, the format, new storage) gives the bitmap a number never used
    // before in the process.
    std::uint64_t PixelsVersion() const;

    // Takes Layout's pixel format, storage form, palette and size, with pixel
    // bytes left as they come, for a caller that then writes every byte of
    // every row (the padding too). Storage of the same number of bytes that
    // no copy shares is kept: no allocation, and no fresh pages to fault in.
    void PrepareOverwrite(const TBitmap& Layout);

    // Storage, shared between copies until a write (see Bitmap.cpp).
    struct Data;

private:
    friend TPixelLayout BitmapLayout(const TBitmap& bitmap);
    // Before every change of the pixels or palette in place: gives this
    // bitmap its own Data and the Data a new version.
    void Unshare();
    void ReplaceData(std::shared_ptr<Data> data);

    std::shared_ptr<Data> data_;
    std::unique_ptr<TCanvas> canvas_;
};

} // namespace pictor
