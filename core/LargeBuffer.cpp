#include "core/LargeBuffer.h"

#include <sys/mman.h>

namespace pictor {

void AdviseHugePages(void* block, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t last = (start + size) / kHugePage * kHugePage;
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)block;
    (void)size;
#endif
}

void ReserveLargeBuffer(std::vector<std::uint8_t>& bytes, std::size_t size)
{
    bytes.reserve(size);
    if (bytes.capacity() >= 2 * kHugePage) AdviseHugePages(bytes.data(), bytes.capacity());
}

} // namespace pictor
