#pragma once
// Byte buffers of whole files. A 72 MB picture file read or written through
// ordinary 4 KiB pages costs some 18,000 page faults, which on a virtual
// machine cost more than the copying itself; advising huge pages for the
// buffer before it is first touched makes that a few dozen.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pictor {

// Reserves room for size bytes in bytes (which must be empty) and, for a
// large buffer, asks the system to back it with huge pages. Only advice:
// where huge pages are off, the buffer is ordinary memory.
void ReserveLargeBuffer(std::vector<std::uint8_t>& bytes, std::size_t size);

} // namespace pictor
