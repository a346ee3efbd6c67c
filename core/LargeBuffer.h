#pragma once
// Large blocks of memory: pictures and the bytes of whole files. A 72 MB
// block touched through ordinary 4 KiB pages costs some 18,000 page faults,
// which on a virtual machine cost more than the copying itself; advising huge
// pages for the block before it is first touched makes that a few dozen.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictor {

inline constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Asks the system to back the whole huge pages inside [block, block + size)
// with huge pages; the ends stay ordinary pages. Only advice: where huge
// pages are off, the block is ordinary memory.
void AdviseHugePages(void* block, std::size_t size);

// Reserves room for size bytes in bytes (which must be empty), advising huge
// pages for a large buffer.
void ReserveLargeBuffer(std::vector<std::uint8_t>& bytes, std::size_t size);

} // namespace pictor
