// The little-endian writer of every file format: integers put at a place in
// a byte vector or pushed onto its end (PNG's big-endian numbers:
// Put32BigEndian). Reading goes through TByteReader (ByteReader.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictor {

inline void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    Put16(bytes, at, static_cast<std::uint16_t>(value));
    Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

inline void Put32BigEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

inline void Push16(std::vector<std::uint8_t>& bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Push32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    Push16(bytes, static_cast<std::uint16_t>(value));
    Push16(bytes, static_cast<std::uint16_t>(value >> 16));
}

} // namespace pictor
