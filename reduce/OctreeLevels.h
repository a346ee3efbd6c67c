// TOctreeLevels: an octree while a picture's pixels are added to it in bulk,
// held as one array per level instead of as linked nodes.
//
// A node is named by its level d (0 for the root to 6) and its path: the
// child slots from the root down to it, three bits each, so that the path of
// a node's child in slot s is 8 * path + s. Every node has a place in the
// arrays whether it exists or not (299,593 places in all), so finding,
// creating and merging nodes are index computations, and the walks of the
// trim passes run through memory in order.
//
// Pixels are not added to nodes one by one. Each full path (the 262,144
// places of level 6) gathers the count and the two low bits of each channel
// of its pixels in one 64-bit word; the gathered pixels reach the nodes only
// when the counts are needed (a trim, or handing the tree back as nodes). A
// fork's count and sums are always those of its children together, so they
// are worked out from the leaves then. Since trims look only at counts, and
// the counts at a trim cover exactly the pixels added before it, the tree is
// the one that adding the pixels one by one builds.
#pragma once

#include "reduce/OctreeMergePlan.h"

#include <array>
#include <cstdint>
#include <vector>

namespace pictor {

class TOctree;
class TOctreeNode;

class TOctreeLevels {
public:
    static constexpr int kDeepest = 6;

    // The tree below root (its nodes are left as they are).
    explicit TOctreeLevels(const TOctreeNode& root);

    // Adds rowCount rows of width 24-bit pixels (blue, green, red) in order.
    // After each pixel that made new nodes, tree.LimitNodes() keeps the node
    // count within the bound.
    void AddPixels(TOctree& tree, const std::uint8_t* const* rows, int rowCount, int width);

    std::int32_t NodeCount() const { return FNodeCount; }
    std::int32_t LeafCount() const { return FLeafCount; }

    // The facts for a merge plan of the present tree.
    TOctreeMergeFacts MergeFacts();
    // Merges every fork of at most threshold pixels, as trim passes with
    // thresholds up to it do.
    void Trim(std::int64_t threshold);
    // Makes the nodes below root, which must be a new root of tree: counts,
    // sums and leaves as here.
    void BuildNodes(TOctreeNode& root);

    // The path of a colour's leaf at level 6.
    static std::uint32_t PathOf(int red, int green, int blue);

private:
    enum TState : std::uint8_t { stAbsent, stFork, stLeaf };
    struct TSums {
        std::int64_t Count = 0, Red = 0, Green = 0, Blue = 0;
    };

    static std::size_t Place(int level, std::uint32_t path) { return kLevelStart[level] + path; }
    // Makes the missing nodes of a full path down to the first leaf on it.
    void AddPath(std::uint32_t path);
    // Adds what word has gathered for path to the path's leaf.
    void AddGathered(std::uint32_t path, std::uint64_t word);
    // Moves every gathered pixel into the leaves and the forks' sums.
    void Settle();
    void TakeNodes(const TOctreeNode& node, int level, std::uint32_t path);
    void MakeChildren(TOctreeNode& node, int level, std::uint32_t path);

    static constexpr std::array<std::size_t, kDeepest + 2> kLevelStart = {0,    1,     9,     73,
                                                                          585,  4681,  37449, 299593};

    std::vector<TState> FState;
    std::vector<TSums> FSums;
    // Per full path: bits 0-15, 16-31 and 32-47 the sums of the two low bits
    // of blue, green and red, bits 48-61 the pixel count (handed on to the
    // leaf when it reaches 2^13), bit 63 set once the path is known to exist.
    std::vector<std::uint64_t> FGathered;
    bool FGatheredAny = false;
    std::int32_t FNodeCount = 0;
    std::int32_t FLeafCount = 0;
};

} // namespace pictor
