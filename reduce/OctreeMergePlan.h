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

class TOctree;

class TOctreeMergePlan {
public:
    explicit TOctreeMergePlan(TOctree& tree);

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
    std::vector<std::int64_t> FForkPixels;          // sorted
    std::vector<std::int64_t> FChildrenPrefix;      // beside FForkPixels
    std::vector<std::int64_t> FPixelsPrefix;        // sum of pixels - 1, beside FForkPixels
    std::vector<std::int64_t> FForkParentPixels;    // sorted
    std::vector<std::int64_t> FLeafParentPixels;    // sorted
    // (largest pixel count of a child that is a fork, or 0; pixel count) of
    // every fork, sorted: a fork is mergeable after merging at t once the
    // first is at most t and while the second is above t.
    std::vector<std::pair<std::int64_t, std::int64_t>> FByMaxForkChild;
    std::size_t FNextCandidate = 0;
    std::priority_queue<std::int64_t, std::vector<std::int64_t>, std::greater<>> FCandidates;
};

} // namespace pictor
