#include "image/LevelCountMemo.h"

namespace pictor {

const TLevelCounts* TLevelCountMemo::Find(std::uint64_t Version)
{
    if (Version == 0) return nullptr;
    for (TEntry& entry : FEntries)
        if (entry.Version == Version) {
            entry.Used = ++FUses;
            return &entry.Counts;
        }
    return nullptr;
}

void TLevelCountMemo::Keep(std::uint64_t Version, const TLevelCounts& Counts)
{
    TEntry* slot = &FEntries[0];
    for (TEntry& entry : FEntries) {
        if (entry.Version == Version) {
            slot = &entry;
            break;
        }
        if (entry.Used < slot->Used) slot = &entry;
    }
    *slot = TEntry{Version, ++FUses, Counts};
}

} // namespace pictor
