// TOctreeMergePlan: what trim passes would leave of an octree, worked out
// from its pixel counts without changing it.
//
// A node's pixel count is at least that of each of its children, and
// merging keeps counts as they are. So a trim pass with threshold t, run
// after any passes with lower thresholds, leaves exactly the tree in which
// every fork of at most t pixels has been merged (its descendants all have
// at most t pixels and are merged first, children before parents). The
// state after passes t1 < t2 < ... therefore depends on the last threshold
// alone, and the node count, the leaf count, the smallest mergeable fork and
// the estimate sums of that state follow from a few sorted tables of the
// present tree. TOctree uses this to find the threshold its loops end at
// and then runs the one pass that matters.
#pragma once

#include <cstdint>
#include <queue>
#include <utility>
#include <vector>

namespace pictor {

class TOctreeNode;

// The counts of every node of a tree that a plan needs.
struct TOctreeMergeFacts {
    struct TFork {
        // MaxForkChildPixels: the largest pixel count of a child that is a
        // fork, or 0.
        std::int64_t Pixels, Children, LeafChildren, MaxForkChildPixels;
    };

    std::vector<TFork> Forks; // any order
    std::int64_t Leaves = 0;
    std::int64_t Nodes = 0;
};

// The facts of the tree below root, gathered by a walk.
TOctreeMergeFacts MergeFactsOf(TOctreeNode& root);

class TOctreeMergePlan {
public:
    explicit TOctreeMergePlan(TOctreeMergeFacts facts);

    // Nodes and leaves left after merging every fork of at most t pixels.
    std::int64_t NodesAfter(std::int64_t t) const;
    std::int64_t LeavesAfter(std::int64_t t) const;
    // The smallest t >= 1 that leaves at most maxNodes nodes.
    std::int64_t ThresholdForNodes(std::int64_t maxNodes) const;
    // The smallest pixel count of a fork whose children are all leaves after
    // merging at t, or none (-1). Calls must come with t never decreasing.
    std::int64_t NextMinMergeable(std::int64_t t);
    // The sum of pixel count - 1 over the forks left after merging at t
    // whose pixel count is at most limit.
    std::int64_t SmallForkSum(std::int64_t t, std::int64_t limit) const;

private:
    // Count of values at most t in a sorted table.
    static std::int64_t CountAtMost(const std::vector<std::int64_t>& sorted, std::int64_t t);
    // Sum of weights of the entries at most t (prefix sums beside sorted keys).
    static std::int64_t SumAtMost(const std::vector<std::int64_t>& keys, const std::vector<std::int64_t>& prefix,
                                  std::int64_t t);

    std::int64_t FNodes = 0;
    std::int64_t FLeaves = 0;
    // Every fork's pixel count, sorted, and beside it sums over the forks
    // up to it: of children, of leaf children, of fork children, and of
    // pixels - 1. A leaf or fork whose parent has at most t pixels is
    // counted in the sums at t.
    std::vector<std::int64_t> FForkPixels;
    std::vector<std::int64_t> FChildrenPrefix;
    std::vector<std::int64_t> FLeafChildrenPrefix;
    std::vector<std::int64_t> FForkChildrenPrefix;
    std::vector<std::int64_t> FPixelsPrefix;
    // (largest pixel count of a child that is a fork, or 0; pixel count) of
    // every fork, sorted: a fork is mergeable after merging at t once the
    // first is at most t and while the second is above t.
    std::vector<std::pair<std::int64_t, std::int64_t>> FByMaxForkChild;
    std::size_t FNextCandidate = 0;
    std::priority_queue<std::int64_t, std::vector<std::int64_t>, std::greater<>> FCandidates;
};

} // namespace pictor
