#include "core/LargeBuffer.h"

#include <sys/mman.h>

namespace pictor {

void ReserveLargeBuffer(std::vector<std::uint8_t>& bytes, std::size_t size)
{
    bytes.reserve(size);
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (bytes.capacity() < 2 * kHugePage) return;
#ifdef MADV_HUGEPAGE
    // The whole huge pages inside the block; the ends stay ordinary pages.
    const auto start = reinterpret_cast<std::uintptr_t>(bytes.data());
    const std::uintptr_t first = (start + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t last = (start + bytes.capacity()) / kHugePage * kHugePage;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

} // namespace pictor
