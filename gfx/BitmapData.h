// The storage behind a TBitmap, shared by copies until one of them writes.
// Internal to the graphics layer.
#pragma once

#include "gfx/Bitmap.h"
#include "gfx/PixelRows.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace pictor {

// size bytes from malloc, or for large blocks from aligned_alloc with huge
// pages advised; release with std::free. Raises std::bad_alloc.
void* AllocatePixelStorage(std::size_t size);

// Leaves new elements uninitialised, so that storage about to be overwritten
// row by row is not cleared first. Large blocks are aligned to 2 MiB and
// offered to the kernel as huge pages: a 24-megapixel picture then costs a
// few dozen page faults instead of tens of thousands.
template <class T>
struct TUninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = TUninitialisedAllocator<U>;
    };
    TUninitialisedAllocator() = default;
    template <class U>
    TUninitialisedAllocator(const TUninitialisedAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) { ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...); }

    T* allocate(std::size_t n) { return static_cast<T*>(AllocatePixelStorage(n * sizeof(T))); }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }
};

// The pixel bytes of a bitmap: grown uninitialised, copied in one block.
class TPixelBytes : public std::vector<std::uint8_t, TUninitialisedAllocator<std::uint8_t>> {
public:
    using Base = std::vector<std::uint8_t, TUninitialisedAllocator<std::uint8_t>>;
    TPixelBytes() = default;
    TPixelBytes(const TPixelBytes& other) : Base() { CopyFrom(other); }
    TPixelBytes(TPixelBytes&&) noexcept = default;
    TPixelBytes& operator=(const TPixelBytes& other)
    {
        if (this != &other) CopyFrom(other);
        return *this;
    }
    TPixelBytes& operator=(TPixelBytes&&) noexcept = default;
    ~TPixelBytes() = default;

private:
    void CopyFrom(const TPixelBytes& other)
    {
        resize(other.size());
        if (!other.empty()) std::memcpy(data(), other.data(), other.size());
    }
};

// A version number never handed out before (TBitmap::PixelsVersion).
std::uint64_t NewPixelsVersion();

struct TBitmap::Data {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 32;
    bool Device = true;                // the display's form (32 bits: blue, green, red, unused)
    std::optional<TColorMasks> Masks;  // 16 and 32 bits, device-independent only
    TPalette Palette;
    int Stride = 0;
    // Height rows of Stride bytes, top row first.
    TPixelBytes Pixels;
    // Changed before every write in place (TBitmap::Unshare); a copy made to
    // be written gets a new one there too.
    std::uint64_t Version = NewPixelsVersion();

    std::uint8_t* Row(int y) { return Pixels.data() + static_cast<std::size_t>(y) * Stride; }
    const std::uint8_t* Row(int y) const { return Pixels.data() + static_cast<std::size_t>(y) * Stride; }

    // How the rows' bytes are coded (the palette is the effective one).
    TPixelLayout Layout() const;
};

// How the rows of bitmap are coded (valid while the bitmap is unchanged).
TPixelLayout BitmapLayout(const TBitmap& bitmap);

// Raises EInvalidGraphic when width by height is beyond gfx/Limits.h.
void CheckPictureSize(std::int64_t width, std::int64_t height);

// New storage of the given layout and size, every byte 0 (also the padding);
// with cleared false the bytes are left as they come, for a caller that
// writes every row whole (see ClearRowPadding).
std::shared_ptr<TBitmap::Data> NewBitmapData(int bitsPerPixel, std::optional<TColorMasks> masks, bool device,
                                             TPalette palette, int width, int height, bool cleared = true);

// Zeroes the bytes of row y after its last pixel.
void ClearRowPadding(TBitmap::Data& data, int y);

// Sets pixels [0, width) of row to the stored value raw; other bits of the
// row are left alone.
void FillRowRaw(std::uint8_t* row, int bitsPerPixel, int width, std::uint32_t raw);

// The stored value of white (for palette layouts the entry nearest white).
std::uint32_t WhiteRaw(const TBitmap::Data& data);

} // namespace pictor
