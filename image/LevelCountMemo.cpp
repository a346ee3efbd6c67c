#include "image/LevelCountMemo.h"

namespace pictor {

const TLevelCounts* TLevelCountMemo::Find(std::uint64_t Version)
{
    if (Version == 0) return nullptr;
    for (TEntry& entry : entries_)
        if (entry.Version == Version) {
            entry.Used = ++uses_;
            return &entry.Counts;
        }
    return nullptr;
}

void TLevelCountMemo::Keep(std::uint64_t Version, const TLevelCounts& Counts)
{
    TEntry* slot = &entries_[0];
    for (TEntry& entry : entries_) {
        if (entry.Version == Version) {
            slot = &entry;
            break;
        }
        if (entry.Used < slot->Used) slot = &entry;
    }
    *slot = TEntry{Version, ++uses_, Counts};
}

} // namespace pictor
