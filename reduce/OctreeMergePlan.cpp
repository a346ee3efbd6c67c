#include "reduce/OctreeMergePlan.h"

#include "reduce/Octree.h"

#include <algorithm>

namespace pictor {

namespace {

// Gathers the counts of every node of a tree.
class TMergeFactsVisitor final : public TOctreeNodeVisitor {
public:
    TOctreeMergeFacts Facts;

    void Visit(TOctreeNode& node, int, bool&) override
    {
        ++Facts.Nodes;
        if (node.Leaf()) {
            ++Facts.Leaves;
            return;
        }
        std::int64_t maxForkChild = 0;
        for (int slot = 0; slot < 8; ++slot) {
            const TOctreeNode* child = node.Child(slot);
            if (child && !child->Leaf()) maxForkChild = std::max<std::int64_t>(maxForkChild, child->PixelCount());
        }
        Facts.Forks.push_back({node.PixelCount(), node.ChildCount(), node.LeafChildCount(), maxForkChild});
    }
};

} // namespace

TOctreeMergeFacts MergeFactsOf(TOctreeNode& root)
{
    TMergeFactsVisitor visitor;
    root.Traverse(visitor, 0);
    return std::move(visitor.Facts);
}

TOctreeMergePlan::TOctreeMergePlan(TOctreeMergeFacts facts)
{
    FNodes = facts.Nodes;
    FLeaves = facts.Leaves;
    std::vector<TOctreeMergeFacts::TFork> forks = std::move(facts.Forks);
    std::sort(forks.begin(), forks.end(), [](const auto& a, const auto& b) { return a.Pixels < b.Pixels; });
    const std::size_t n = forks.size();
    FForkPixels.reserve(n);
    FChildrenPrefix.reserve(n);
    FLeafChildrenPrefix.reserve(n);
    FForkChildrenPrefix.reserve(n);
    FPixelsPrefix.reserve(n);
    FByMaxForkChild.reserve(n);
    std::int64_t children = 0, leafChildren = 0, pixels = 0;
    for (const auto& f : forks) {
        FForkPixels.push_back(f.Pixels);
        children += f.Children;
        leafChildren += f.LeafChildren;
        pixels += f.Pixels - 1;
        FChildrenPrefix.push_back(children);
        FLeafChildrenPrefix.push_back(leafChildren);
        FForkChildrenPrefix.push_back(children - leafChildren);
        FPixelsPrefix.push_back(pixels);
        FByMaxForkChild.emplace_back(f.MaxForkChildPixels, f.Pixels);
    }
    std::sort(FByMaxForkChild.begin(), FByMaxForkChild.end());
}

std::int64_t TOctreeMergePlan::CountAtMost(const std::vector<std::int64_t>& sorted, std::int64_t t)
{
    return std::upper_bound(sorted.begin(), sorted.end(), t) - sorted.begin();
}

std::int64_t TOctreeMergePlan::SumAtMost(const std::vector<std::int64_t>& keys,
                                         const std::vector<std::int64_t>& prefix, std::int64_t t)
{
    const std::int64_t n = CountAtMost(keys, t);
    return n == 0 ? 0 : prefix[static_cast<std::size_t>(n - 1)];
}

std::int64_t TOctreeMergePlan::NodesAfter(std::int64_t t) const
{
    // A node goes exactly when its parent is merged: every child of a fork
    // of at most t pixels goes.
    return FNodes - SumAtMost(FForkPixels, FChildrenPrefix, t);
}

std::int64_t TOctreeMergePlan::LeavesAfter(std::int64_t t) const
{
    // Leaves whose parent stays, and merged forks whose parent stays.
    return FLeaves - SumAtMost(FForkPixels, FLeafChildrenPrefix, t) + CountAtMost(FForkPixels, t) -
           SumAtMost(FForkPixels, FForkChildrenPrefix, t);
}

std::int64_t TOctreeMergePlan::ThresholdForNodes(std::int64_t maxNodes) const
{
    // The node count only drops at a fork's pixel count.
    for (std::int64_t pixels : FForkPixels)
        if (pixels >= 1 && NodesAfter(pixels) <= maxNodes) return pixels;
    return FForkPixels.empty() ? 1 : std::max<std::int64_t>(1, FForkPixels.back());
}

std::int64_t TOctreeMergePlan::NextMinMergeable(std::int64_t t)
{
    while (FNextCandidate < FByMaxForkChild.size() && FByMaxForkChild[FNextCandidate].first <= t)
        FCandidates.push(FByMaxForkChild[FNextCandidate++].second);
    while (!FCandidates.empty() && FCandidates.top() <= t) FCandidates.pop();
    return FCandidates.empty() ? -1 : FCandidates.top();
}

std::int64_t TOctreeMergePlan::SmallForkSum(std::int64_t t, std::int64_t limit) const
{
    if (limit <= t) return 0;
    return SumAtMost(FForkPixels, FPixelsPrefix, limit) - SumAtMost(FForkPixels, FPixelsPrefix, t);
}

} // namespace pictor
