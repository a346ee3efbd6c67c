// TBitmap: storage, copy on write, size, pixels, palette and assignment.
// Pixel formats and their conversions are in BitmapFormat.cpp.
//
// Copy on write: copies share one Data until one of them asks for a writable
// row, sets a pixel, the palette, the size or the format; that one then gets
// its own Data (a full copy for a row or pixel write; a new Data anyway for
// the others), so writing through one bitmap never shows in another.
#include "gfx/Bitmap.h"

#include "core/Exception.h"
#include "core/LargeBuffer.h"
#include "gfx/BitmapCanvas.h"
#include "gfx/BitmapData.h"
#include "gfx/Limits.h"
#include "gfx/formats/Bmp.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <string>

namespace pictor {

// --- storage helpers ------------------------------------------------------------

TPixelLayout TBitmap::Data::Layout() const
{
    TPixelLayout layout;
    layout.BitsPerPixel = BitsPerPixel;
    layout.Masks = Masks;
    if (BitsPerPixel <= 8) layout.Palette = &EffectivePalette(BitsPerPixel, Palette);
    return layout;
}

std::uint64_t NewPixelsVersion()
{
    // Bitmaps of different threads (pictor-cli's inputs) draw from one count.
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

TPixelLayout BitmapLayout(const TBitmap& bitmap)
{
    return bitmap.data_->Layout();
}

void* AllocatePixelStorage(std::size_t size)
{
    void* block = nullptr;
    if (size >= 2 * kHugePage) {
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        block = std::aligned_alloc(kHugePage, rounded);
        if (block != nullptr) AdviseHugePages(block, rounded);
    } else {
        block = std::malloc(size == 0 ? 1 : size);
    }
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void CheckPictureSize(std::int64_t width, std::int64_t height)
{
    if (!PictureSizeAllowed(width, height))
        throw EInvalidGraphic("画像の大きさ " + std::to_string(width) + " × " + std::to_string(height) +
                              " は扱えません");
}

std::shared_ptr<TBitmap::Data> NewBitmapData(int bitsPerPixel, std::optional<TColorMasks> masks, bool device,
                                             TPalette palette, int width, int height, bool cleared)
{
    CheckPictureSize(width, height);
    auto data = std::make_shared<TBitmap::Data>();
    data->Width = width;
    data->Height = height;
    data->BitsPerPixel = bitsPerPixel;
    data->Device = device;
    data->Masks = masks;
    data->Palette = std::move(palette);
    data->Stride = RowStrideFor(bitsPerPixel, width);
    const std::size_t size = static_cast<std::size_t>(data->Stride) * static_cast<std::size_t>(height);
    if (cleared)
        data->Pixels.assign(size, 0);
    else
        data->Pixels.resize(size);
    return data;
}

void ClearRowPadding(TBitmap::Data& data, int y)
{
    const std::size_t used = (static_cast<std::size_t>(data.Width) * data.BitsPerPixel + 7) / 8;
    // A bitmap 0 pixels wide has no row storage at all.
    if (static_cast<std::size_t>(data.Stride) > used)
        std::memset(data.Row(y) + used, 0, static_cast<std::size_t>(data.Stride) - used);
}

void FillRowRaw(std::uint8_t* row, int bitsPerPixel, int width, std::uint32_t raw)
{
    if (width <= 0) return;
    switch (bitsPerPixel) {
    case 8: std::memset(row, static_cast<int>(raw & 0xFF), static_cast<std::size_t>(width)); return;
    case 1:
    case 4: {
        int fullBytes = width * bitsPerPixel / 8;
        std::uint8_t pattern = bitsPerPixel == 1 ? ((raw & 1) ? 0xFF : 0x00)
                                                 : static_cast<std::uint8_t>((raw & 0xF) * 0x11);
        std::memset(row, pattern, static_cast<std::size_t>(fullBytes));
        for (int x = fullBytes * 8 / bitsPerPixel; x < width; ++x) WriteRawPixel(row, x, bitsPerPixel, raw);
        return;
    }
    default: {
        int bytes = bitsPerPixel / 8;
        for (int i = 0; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(raw >> (8 * i));
        // Doubling copies: each pass copies what is already filled.
        std::size_t total = static_cast<std::size_t>(width) * bytes, done = static_cast<std::size_t>(bytes);
        while (done < total) {
            std::size_t n = std::min(done, total - done);
            std::memcpy(row + done, row, n);
            done += n;
        }
        return;
    }
    }
}

std::uint32_t WhiteRaw(const TBitmap::Data& data)
{
    return EncodeRawPixel(data.Layout(), 0xFFFFFF);
}

namespace {

// Copies the first count pixels of src into dst; other bits of dst are kept.
void CopyRowPixels(std::uint8_t* dst, const std::uint8_t* src, int bitsPerPixel, int count)
{
    std::size_t bits = static_cast<std::size_t>(count) * bitsPerPixel;
    std::memcpy(dst, src, bits / 8);
    if (int rest = static_cast<int>(bits % 8)) {
        std::uint8_t mask = static_cast<std::uint8_t>(0xFF00 >> rest);
        dst[bits / 8] = static_cast<std::uint8_t>((dst[bits / 8] & ~mask) | (src[bits / 8] & mask));
    }
}

} // namespace

// --- construction and sharing ---------------------------------------------------

TBitmap::TBitmap() : data_(NewBitmapData(32, std::nullopt, true, TPalette(), 0, 0)) {}

TBitmap::TBitmap(const TBitmap& other) : TGraphic(), data_(other.data_) {}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    if (this != &other) ReplaceData(other.data_);
    return *this;
}

TBitmap::~TBitmap() = default;

std::unique_ptr<TGraphic> TBitmap::Clone() const
{
    return std::make_unique<TBitmap>(*this);
}

void TBitmap::Unshare()
{
    if (data_.use_count() > 1) data_ = std::make_shared<Data>(*data_);
    data_->Version = NewPixelsVersion();
}

void TBitmap::ReplaceData(std::shared_ptr<Data> data)
{
    data_ = std::move(data);
    Changed();
}

bool TBitmap::SharesPixelsWith(const TBitmap& other) const
{
    return data_ == other.data_;
}

std::uint64_t TBitmap::PixelsVersion() const
{
    return data_->Version;
}

void TBitmap::PrepareOverwrite(const TBitmap& Layout)
{
    const Data& layout = *Layout.data_;
    if (data_.use_count() > 1 || data_->Pixels.size() != layout.Pixels.size()) {
        ReplaceData(NewBitmapData(layout.BitsPerPixel, layout.Masks, layout.Device, layout.Palette, layout.Width,
                                  layout.Height, false));
        return;
    }
    Data& data = *data_;
    data.Width = layout.Width;
    data.Height = layout.Height;
    data.BitsPerPixel = layout.BitsPerPixel;
    data.Device = layout.Device;
    data.Masks = layout.Masks;
    data.Palette = layout.Palette;
    data.Stride = layout.Stride;
    data.Version = NewPixelsVersion();
    Changed();
}

void TBitmap::Assign(const TGraphic& source)
{
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
        if (bitmap != this) ReplaceData(bitmap->data_);
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::Clear()
{
    ReplaceData(NewBitmapData(32, std::nullopt, true, TPalette(), 0, 0));
}

// --- size ----------------------------------------------------------------------------

int TBitmap::Width() const { return data_->Width; }
int TBitmap::Height() const { return data_->Height; }
bool TBitmap::Empty() const { return data_->Width == 0 || data_->Height == 0; }

void TBitmap::SetWidth(int value) { SetSize(value, data_->Height); }
void TBitmap::SetHeight(int value) { SetSize(data_->Width, value); }

void TBitmap::SetSize(int width, int height)
{
    const Data& old = *data_;
    if (width == old.Width && height == old.Height) return;
    // Whole-byte pixels are all written below, so only the padding needs
    // clearing; smaller pixels share bytes with the padding bits.
    const bool wholeBytes = old.BitsPerPixel >= 8;
    auto data = NewBitmapData(old.BitsPerPixel, old.Masks, old.Device, old.Palette, width, height, !wholeBytes);
    std::uint32_t white = WhiteRaw(*data);
    int commonWidth = std::min(width, old.Width), commonHeight = std::min(height, old.Height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = data->Row(y);
        if (y < commonHeight) {
            CopyRowPixels(row, old.Row(y), old.BitsPerPixel, commonWidth);
            if (wholeBytes) {
                const std::size_t start = static_cast<std::size_t>(commonWidth) * (old.BitsPerPixel / 8);
                FillRowRaw(row + start, data->BitsPerPixel, width - commonWidth, white);
            } else {
                for (int x = commonWidth; x < width; ++x) WriteRawPixel(row, x, data->BitsPerPixel, white);
            }
        } else {
            FillRowRaw(row, data->BitsPerPixel, width, white);
        }
        if (wholeBytes) ClearRowPadding(*data, y);
    }
    ReplaceData(std::move(data));
}

// --- pixels ----------------------------------------------------------------------------

namespace {

[[noreturn]] void RowOutOfRange(int y, int height)
{
    throw EInvalidGraphic("行 " + std::to_string(y) + " は範囲外です (高さ " + std::to_string(height) + ")");
}

} // namespace

std::uint8_t* TBitmap::ScanLine(int y)
{
    if (y < 0 || y >= data_->Height) RowOutOfRange(y, data_->Height);
    Unshare();
    return data_->Row(y);
}

const std::uint8_t* TBitmap::ScanLine(int y) const
{
    if (y < 0 || y >= data_->Height) RowOutOfRange(y, data_->Height);
    return data_->Row(y);
}

int TBitmap::RowStride() const { return data_->Stride; }

TColor TBitmap::GetPixel(int x, int y) const
{
    const Data& d = *data_;
    if (x < 0 || y < 0 || x >= d.Width || y >= d.Height) return clBlack;
    return ColorFromPacked(DecodeRawPixel(d.Layout(), ReadRawPixel(d.Row(y), x, d.BitsPerPixel)));
}

void TBitmap::SetPixel(int x, int y, TColor color)
{
    if (x < 0 || y < 0 || x >= data_->Width || y >= data_->Height) return;
    Unshare();
    Data& d = *data_;
    WriteRawPixel(d.Row(y), x, d.BitsPerPixel, EncodeRawPixel(d.Layout(), PackedFromColor(color)));
    Changed();
}

// --- palette ---------------------------------------------------------------------------

TPalette TBitmap::Palette() const { return data_->Palette; }

const TPalette& TBitmap::PaletteRef() const { return data_->Palette; }

void TBitmap::SetPalette(const TPalette& palette)
{
    if (palette == data_->Palette) return;
    Unshare();
    data_->Palette = palette;
    Changed();
}

// --- canvas, drawing, files ------------------------------------------------------------

TCanvas& TBitmap::Canvas()
{
    if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(*this);
    return *canvas_;
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (Empty()) return;
    canvas.DrawBitmap(*this, TRect{0, 0, Width(), Height()}, rect.Left, rect.Top, rect.Width(), rect.Height(),
                      cmSrcCopy);
}

void TBitmap::LoadFromBytes(std::span<const std::uint8_t> bytes)
{
    TBitmap loaded;
    ReadBmp(bytes, loaded);
    ReplaceData(loaded.data_);
}

std::vector<std::uint8_t> TBitmap::SaveToBytes() const
{
    return WriteBmp(*this);
}

} // namespace pictor
