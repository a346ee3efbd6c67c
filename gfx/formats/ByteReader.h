// TByteReader: the bounds-checked, little-endian reader of every file format
// and metafile record. It views bytes it does not own; every read checks its
// range against the view's size (without overflow) and raises TBadRecord
// when it does not fit, so a header, table or record whose counts or offsets
// point outside itself is never read past. Metafile playback skips such a
// record; the file readers turn it into their own "cut short" message. PNG's
// own numbers are big-endian: U32BigEndian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace pictor {

// Bytes that do not hold what they claim: a read outside the view, or a
// record that cannot be read as its type says.
struct TBadRecord {};

class TByteReader {
public:
    TByteReader() = default;
    TByteReader(const std::uint8_t* data, std::size_t size) : FData(data), FSize(size) {}
    explicit TByteReader(std::span<const std::uint8_t> bytes) : FData(bytes.data()), FSize(bytes.size()) {}

    std::size_t Size() const { return FSize; }
    const std::uint8_t* Data() const { return FData; }

    // True when count items of itemSize bytes start at offset inside the view.
    bool Has(std::uint64_t offset, std::uint64_t count, std::uint64_t itemSize = 1) const
    {
        if (offset > FSize) return false;
        if (itemSize != 0 && count > (FSize - offset) / itemSize) return false;
        return true;
    }
    void Need(std::uint64_t offset, std::uint64_t count, std::uint64_t itemSize = 1) const
    {
        if (!Has(offset, count, itemSize)) throw TBadRecord{};
    }

    std::uint8_t U8(std::uint64_t offset) const
    {
        Need(offset, 1);
        return FData[offset];
    }
    std::uint16_t U16(std::uint64_t offset) const
    {
        Need(offset, 2);
        return static_cast<std::uint16_t>(FData[offset] | (FData[offset + 1] << 8));
    }
    std::int16_t I16(std::uint64_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
    std::uint32_t U32(std::uint64_t offset) const
    {
        Need(offset, 4);
        return static_cast<std::uint32_t>(FData[offset]) | (static_cast<std::uint32_t>(FData[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(FData[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(FData[offset + 3]) << 24);
    }
    std::int32_t I32(std::uint64_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    std::uint32_t U32BigEndian(std::uint64_t offset) const
    {
        Need(offset, 4);
        return (static_cast<std::uint32_t>(FData[offset]) << 24) |
               (static_cast<std::uint32_t>(FData[offset + 1]) << 16) |
               (static_cast<std::uint32_t>(FData[offset + 2]) << 8) | static_cast<std::uint32_t>(FData[offset + 3]);
    }
    float F32(std::uint64_t offset) const
    {
        std::uint32_t bits = U32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // The count bytes at offset.
    std::span<const std::uint8_t> Bytes(std::uint64_t offset, std::uint64_t count) const
    {
        Need(offset, count);
        return {FData + offset, static_cast<std::size_t>(count)};
    }
    // A reader of the count bytes at offset.
    TByteReader Sub(std::uint64_t offset, std::uint64_t count) const { return TByteReader(Bytes(offset, count)); }
    // A reader of the bytes from offset to the end.
    TByteReader From(std::uint64_t offset) const
    {
        Need(offset, 0);
        return TByteReader(FData + offset, FSize - static_cast<std::size_t>(offset));
    }

    // Copies a libuemf record structure (or any trivially copyable layout) out
    // of the view at offset.
    template <class T>
    T Get(std::uint64_t offset = 0) const
    {
        Need(offset, sizeof(T));
        T value;
        std::memcpy(&value, FData + offset, sizeof(T));
        return value;
    }

private:
    const std::uint8_t* FData = nullptr;
    std::size_t FSize = 0;
};

} // namespace pictor
