// TRecordView: a bounds-checked, little-endian view of one metafile record
// (or of any byte range). Every read checks its range against the view's
// size and raises TBadRecord when it does not fit, so a record whose counts
// or offsets point outside itself is skipped instead of being read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace pictor {

// A record that cannot be read as its type says. Metafile playback catches it
// and skips the record.
struct TBadRecord {};

class TRecordView {
public:
    TRecordView() = default;
    TRecordView(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit TRecordView(std::span<const std::uint8_t> bytes) : data_(bytes.data()), size_(bytes.size()) {}

    std::size_t Size() const { return size_; }
    const std::uint8_t* Data() const { return data_; }

    // True when count items of itemSize bytes start at offset inside the view
    // (computed without overflow).
    bool Has(std::uint64_t offset, std::uint64_t count, std::uint64_t itemSize = 1) const
    {
        if (offset > size_) return false;
        if (itemSize != 0 && count > (size_ - offset) / itemSize) return false;
        return true;
    }
    void Need(std::uint64_t offset, std::uint64_t count, std::uint64_t itemSize = 1) const
    {
        if (!Has(offset, count, itemSize)) throw TBadRecord{};
    }

    std::uint8_t U8(std::size_t offset) const
    {
        Need(offset, 1);
        return data_[offset];
    }
    std::uint16_t U16(std::size_t offset) const
    {
        Need(offset, 2);
        return static_cast<std::uint16_t>(data_[offset] | (data_[offset + 1] << 8));
    }
    std::int16_t I16(std::size_t offset) const { return static_cast<std::int16_t>(U16(offset)); }
    std::uint32_t U32(std::size_t offset) const
    {
        Need(offset, 4);
        return static_cast<std::uint32_t>(data_[offset]) | (static_cast<std::uint32_t>(data_[offset + 1]) << 8) |
               (static_cast<std::uint32_t>(data_[offset + 2]) << 16) |
               (static_cast<std::uint32_t>(data_[offset + 3]) << 24);
    }
    std::int32_t I32(std::size_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
    float F32(std::size_t offset) const
    {
        std::uint32_t bits = U32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    // A sub-view of count bytes at offset.
    TRecordView Sub(std::uint64_t offset, std::uint64_t count) const
    {
        Need(offset, count);
        return TRecordView(data_ + offset, static_cast<std::size_t>(count));
    }
    // The bytes from offset to the end.
    TRecordView From(std::uint64_t offset) const
    {
        Need(offset, 0);
        return TRecordView(data_ + offset, size_ - static_cast<std::size_t>(offset));
    }

    // Copies a libuemf record structure (or any trivially copyable layout) out
    // of the view at offset.
    template <class T>
    T Get(std::size_t offset = 0) const
    {
        Need(offset, sizeof(T));
        T value;
        std::memcpy(&value, data_ + offset, sizeof(T));
        return value;
    }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

} // namespace pictor
