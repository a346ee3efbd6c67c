#include "reduce/OctreeLevels.h"

#include "reduce/Octree.h"

#include <algorithm>
#include <memory>

namespace pictor {

namespace {

constexpr std::uint32_t kFullPaths = 1u << (3 * TOctreeLevels::kDeepest);

// The gathering word of a full path.
constexpr std::uint64_t kKnown = std::uint64_t(1) << 63;
constexpr int kCountShift = 48;
constexpr std::uint64_t kCountMask = 0x3FFF;
constexpr std::uint64_t kOnePixel = std::uint64_t(1) << kCountShift;
// 2^13 pixels gathered: the low-bit sums (at most 3 each) still fit 16 bits.
constexpr std::uint64_t kCountFull = std::uint64_t(1) << 61;

// Bits 7 to 2 of a channel value spread three places apart: the channel's
// share of a full path (shifted by 2 for red, 1 for green).
constexpr std::array<std::uint32_t, 256> kSpread = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t v = 0; v < 256; ++v)
        for (int bit = 2; bit <= 7; ++bit) table[v] |= ((v >> bit) & 1) << (3 * (bit - 2));
    return table;
}();

// The bits 7 to 2 of one channel (shift 2 red, 1 green, 0 blue) that a full
// path stands for.
std::int64_t ChannelOf(std::uint32_t path, int shift)
{
    std::int64_t value = 0;
    for (int bit = 2; bit <= 7; ++bit)
        value |= static_cast<std::int64_t>((path >> (3 * (bit - 2) + shift)) & 1) << bit;
    return value;
}

// The path of the node at a level above a full path.
constexpr std::uint32_t PathAt(std::uint32_t fullPath, int level)
{
    return fullPath >> (3 * (TOctreeLevels::kDeepest - level));
}

} // namespace

std::uint32_t TOctreeLevels::PathOf(int red, int green, int blue)
{
    return (kSpread[static_cast<std::size_t>(red)] << 2) | (kSpread[static_cast<std::size_t>(green)] << 1) |
           kSpread[static_cast<std::size_t>(blue)];
}

TOctreeLevels::TOctreeLevels(const TOctreeNode& root)
    : FState(kLevelStart.back(), stAbsent), FSums(kLevelStart.back()), FGathered(kFullPaths, 0)
{
    TakeNodes(root, 0, 0);
}

void TOctreeLevels::TakeNodes(const TOctreeNode& node, int level, std::uint32_t path)
{
    const std::size_t at = Place(level, path);
    FState[at] = node.Leaf() ? stLeaf : stFork;
    FSums[at] = TSums{node.PixelCount(), node.RedSum(), node.GreenSum(), node.BlueSum()};
    ++FNodeCount;
    if (node.Leaf()) ++FLeafCount;
    for (int slot = 0; slot < 8; ++slot)
        if (const TOctreeNode* child = node.Child(slot))
            TakeNodes(*child, level + 1, path * 8 + static_cast<std::uint32_t>(slot));
}

void TOctreeLevels::AddPixels(TOctree& tree, const std::uint8_t* const* rows, int rowCount, int width)
{
    std::uint64_t* gathered = FGathered.data();
    FGatheredAny = true;
    for (int y = 0; y < rowCount; ++y) {
        const std::uint8_t* p = rows[y];
        for (int x = 0; x < width; ++x, p += 3) {
            const std::uint32_t blue = p[0], green = p[1], red = p[2];
            const std::uint32_t path = (kSpread[red] << 2) | (kSpread[green] << 1) | kSpread[blue];
            const std::uint64_t add = kOnePixel | (std::uint64_t(red & 3) << 32) |
                                      (std::uint64_t(green & 3) << 16) | (blue & 3);
            std::uint64_t word = gathered[path];
            if (word & kKnown) [[likely]] {
                word += add;
                if (word & kCountFull) [[unlikely]] {
                    AddGathered(path, word);
                    word = kKnown;
                }
                gathered[path] = word;
            } else {
                // The first pixel of this path here: its nodes may be new,
                // and with them the node count may pass the bound.
                const std::int32_t before = FNodeCount;
                AddPath(path);
                gathered[path] = word + add + kKnown;
                if (FNodeCount > before && FNodeCount > TOctree::kNodeLimit) {
                    // Settles what was gathered so far; the pixels after it
                    // gather anew.
                    tree.LimitNodes();
                    FGatheredAny = true;
                }
            }
        }
    }
}

void TOctreeLevels::AddPath(std::uint32_t path)
{
    for (int level = 0; FState[Place(level, PathAt(path, level))] != stLeaf; ++level) {
        const std::size_t child = Place(level + 1, PathAt(path, level + 1));
        if (FState[child] != stAbsent) continue;
        ++FNodeCount;
        if (level + 1 == kDeepest) {
            FState[child] = stLeaf;
            ++FLeafCount;
        } else {
            FState[child] = stFork;
        }
    }
}

void TOctreeLevels::AddGathered(std::uint32_t path, std::uint64_t word)
{
    const auto count = static_cast<std::int64_t>((word >> kCountShift) & kCountMask);
    if (count == 0) return;
    // The path's leaf is the deepest node on it.
    int level = kDeepest;
    while (FState[Place(level, PathAt(path, level))] == stAbsent) --level;
    TSums& sums = FSums[Place(level, PathAt(path, level))];
    sums.Count += count;
    sums.Red += count * ChannelOf(path, 2) + static_cast<std::int64_t>((word >> 32) & 0xFFFF);
    sums.Green += count * ChannelOf(path, 1) + static_cast<std::int64_t>((word >> 16) & 0xFFFF);
    sums.Blue += count * ChannelOf(path, 0) + static_cast<std::int64_t>(word & 0xFFFF);
}

void TOctreeLevels::Settle()
{
    if (!FGatheredAny) return;
    FGatheredAny = false;
    for (std::uint32_t path = 0; path < kFullPaths; ++path) {
        const std::uint64_t word = FGathered[path];
        if ((word & ~kKnown) == 0) continue;
        AddGathered(path, word);
        FGathered[path] = word & kKnown;
    }
    for (int level = kDeepest - 1; level >= 0; --level) {
        const std::size_t end = kLevelStart[static_cast<std::size_t>(level) + 1];
        for (std::size_t at = kLevelStart[static_cast<std::size_t>(level)]; at < end; ++at) {
            if (FState[at] != stFork) continue;
            const std::size_t first = Place(level + 1, static_cast<std::uint32_t>(at - kLevelStart[level]) * 8);
            TSums sums;
            for (std::size_t child = first; child < first + 8; ++child) {
                if (FState[child] == stAbsent) continue;
                sums.Count += FSums[child].Count;
                sums.Red += FSums[child].Red;
                sums.Green += FSums[child].Green;
                sums.Blue += FSums[child].Blue;
            }
            FSums[at] = sums;
        }
    }
}

TOctreeMergeFacts TOctreeLevels::MergeFacts()
{
    Settle();
    TOctreeMergeFacts facts;
    facts.Nodes = FNodeCount;
    facts.Leaves = FLeafCount;
    for (int level = 0; level < kDeepest; ++level) {
        const std::size_t start = kLevelStart[static_cast<std::size_t>(level)];
        const std::size_t end = kLevelStart[static_cast<std::size_t>(level) + 1];
        for (std::size_t at = start; at < end; ++at) {
            if (FState[at] != stFork) continue;
            std::int64_t children = 0, leafChildren = 0, maxForkChild = 0;
            const std::size_t first = Place(level + 1, static_cast<std::uint32_t>(at - start) * 8);
            for (std::size_t child = first; child < first + 8; ++child) {
                if (FState[child] == stLeaf) {
                    ++children;
                    ++leafChildren;
                } else if (FState[child] == stFork) {
                    ++children;
                    maxForkChild = std::max(maxForkChild, FSums[child].Count);
                }
            }
            facts.Forks.push_back({FSums[at].Count, children, leafChildren, maxForkChild});
        }
    }
    return facts;
}

void TOctreeLevels::Trim(std::int64_t threshold)
{
    Settle();
    // Deepest forks first: a fork of at most threshold pixels has only such
    // nodes below it, which are leaves by the time it is reached.
    for (int level = kDeepest - 1; level >= 0; --level) {
        const std::size_t start = kLevelStart[static_cast<std::size_t>(level)];
        const std::size_t end = kLevelStart[static_cast<std::size_t>(level) + 1];
        for (std::size_t at = start; at < end; ++at) {
            if (FState[at] != stFork || FSums[at].Count > threshold) continue;
            const std::size_t first = Place(level + 1, static_cast<std::uint32_t>(at - start) * 8);
            for (std::size_t child = first; child < first + 8; ++child) {
                if (FState[child] == stAbsent) continue;
                FState[child] = stAbsent;
                FSums[child] = TSums{};
                --FNodeCount;
                --FLeafCount;
            }
            FState[at] = stLeaf;
            ++FLeafCount;
        }
    }
}

void TOctreeLevels::BuildNodes(TOctreeNode& root)
{
    Settle();
    MakeChildren(root, 0, 0);
}

void TOctreeLevels::MakeChildren(TOctreeNode& node, int level, std::uint32_t path)
{
    const std::size_t at = Place(level, path);
    node.FPixelCount = static_cast<std::int32_t>(FSums[at].Count);
    node.FRedSum = FSums[at].Red;
    node.FGreenSum = FSums[at].Green;
    node.FBlueSum = FSums[at].Blue;
    if (FState[at] == stLeaf) {
        node.SetLeaf(true);
        return;
    }
    for (std::uint32_t slot = 0; slot < 8; ++slot) {
        if (FState[Place(level + 1, path * 8 + slot)] == stAbsent) continue;
        node.FChildren[slot] = std::make_unique<TOctreeNode>(*node.FOctree, &node);
        MakeChildren(*node.FChildren[slot], level + 1, path * 8 + slot);
    }
}

} // namespace pictor
