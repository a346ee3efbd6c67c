#include "reduce/Octree.h"

#include "core/Exception.h"
#include "reduce/OctreeMergePlan.h"

#include <algorithm>

namespace pictor {

// --- nodes ---------------------------------------------------------------------

TOctreeNode::TOctreeNode(TOctree& octree, TOctreeNode* parent) : FOctree(&octree), FParent(parent)
{
    ++FOctree->FNodeCount;
    if (FParent) ++FParent->FChildCount;
}

TOctreeNode::~TOctreeNode()
{
    --FOctree->FNodeCount;
    if (FLeaf) --FOctree->FLeafCount;
    if (FParent) {
        --FParent->FChildCount;
        if (FLeaf) --FParent->FLeafChildCount;
    }
    for (auto& child : FChildren) child.reset();
}

void TOctreeNode::SetLeaf(bool value)
{
    FLeaf = value;
    if (value) {
        ++FOctree->FLeafCount;
        if (FParent) ++FParent->FLeafChildCount;
    }
}

void TOctreeNode::AddColor(int depth, TPackedColor color)
{
    TOctreeNode* node = this;
    for (;;) {
        ++node->FPixelCount;
        node->FRedSum += RedOf(color);
        node->FGreenSum += GreenOf(color);
        node->FBlueSum += BlueOf(color);
        if (node->FLeaf) return;
        auto& child = node->FChildren[ChildSlot(depth, color)];
        if (!child) {
            child = std::make_unique<TOctreeNode>(*node->FOctree, node);
            if (depth == 5) child->SetLeaf(true);
        }
        node = child.get();
        ++depth;
    }
}

const TOctreeNode* TOctreeNode::NearestChild(TPackedColor color) const
{
    const TOctreeNode* best = nullptr;
    long long bestDistance = 0;
    for (const auto& child : FChildren) {
        if (!child) continue;
        const TPackedColor mean = child->GetColor();
        const long long dr = RedOf(mean) - RedOf(color);
        const long long dg = GreenOf(mean) - GreenOf(color);
        const long long db = BlueOf(mean) - BlueOf(color);
        const long long distance = dr * dr + dg * dg + db * db;
        if (!best || distance < bestDistance) {
            best = child.get();
            bestDistance = distance;
        }
    }
    return best;
}

int TOctreeNode::GetColorIndex(int depth, TPackedColor color) const
{
    const TOctreeNode* node = this;
    while (!node->FLeaf) {
        const TOctreeNode* child = node->FChildren[ChildSlot(depth, color)].get();
        if (!child) child = node->NearestChild(color);
        if (!child) return 0; // a tree that never received a colour
        node = child;
        ++depth;
    }
    return node->FColorIndex;
}

TPackedColor TOctreeNode::GetColor() const
{
    if (FPixelCount <= 0) return PackColor(0, 0, 0);
    return PackColor(static_cast<int>(FRedSum / FPixelCount), static_cast<int>(FGreenSum / FPixelCount),
                     static_cast<int>(FBlueSum / FPixelCount));
}

bool TOctreeNode::Traverse(TOctreeNodeVisitor& visitor, int depth)
{
    for (auto& child : FChildren)
        if (child && !child->Traverse(visitor, depth + 1)) return false;
    bool cont = true;
    visitor.Visit(*this, depth, cont);
    return cont;
}

void TOctreeNode::MergeChildren()
{
    for (auto& child : FChildren) child.reset();
    SetLeaf(true);
}

// --- visitors ------------------------------------------------------------------

void TColorIndexVisitor::Visit(TOctreeNode& node, int, bool&)
{
    if (!node.FLeaf) return;
    node.FColorIndex = node.FOctree->FColorCount++;
}

void TTrimNodeVisitor::Visit(TOctreeNode& node, int, bool&)
{
    if (node.Mergeable() && node.FPixelCount <= node.FOctree->FMinForkPixels) node.MergeChildren();
}

void TGetMinForkPixels::Visit(TOctreeNode& node, int, bool&)
{
    TOctree& tree = node.Octree();
    if (node.Mergeable() && node.PixelCount() < tree.FMinForkPixels) tree.FMinForkPixels = node.PixelCount();
}

void TCountSmallForkNodes::Visit(TOctreeNode& node, int, bool&)
{
    if (node.Leaf()) return;
    TOctree& tree = node.Octree();
    const std::int32_t p = node.PixelCount();
    static constexpr int kMargins[3] = {2, 4, 8};
    for (int i = 0; i < 3; ++i)
        if (tree.FMinForkPixels + kMargins[i] >= p) tree.FSmallForkPixels[i] += p - 1;
}

void TGetColorEntry::Visit(TOctreeNode& node, int, bool&)
{
    if (!node.Leaf()) return;
    TOctree& tree = node.Octree();
    const TPackedColor color = node.GetColor();
    TPaletteEntry& entry = tree.FLogPalette.palPalEntry[tree.FColorCount];
    entry.peRed = static_cast<std::uint8_t>(RedOf(color));
    entry.peGreen = static_cast<std::uint8_t>(GreenOf(color));
    entry.peBlue = static_cast<std::uint8_t>(BlueOf(color));
    entry.peFlags = 0;
    ++tree.FColorCount;
}

// --- the tree ------------------------------------------------------------------

TOctree::TOctree()
{
    // In the body: the root counts itself in FNodeCount, which must be set up.
    FRoot = std::make_unique<TOctreeNode>(*this, nullptr);
}

TOctree::~TOctree()
{
    FRoot.reset();
}

void TOctree::AddColor(TPackedColor color)
{
    MakeNodes();
    FRoot->AddColor(0, color);
    LimitNodes();
}

TOctreeNode& TOctree::Root() const
{
    // Making the nodes changes how the tree is held, not what it is.
    const_cast<TOctree*>(this)->MakeNodes();
    return *FRoot;
}

std::int32_t TOctree::NodeCount() const
{
    return FLevels ? FLevels->NodeCount() : FNodeCount;
}

std::int32_t TOctree::LeafCount() const
{
    return FLevels ? FLevels->LeafCount() : FLeafCount;
}

void TOctree::MakeNodes()
{
    if (!FLevels) return;
    try {
        FRoot = std::make_unique<TOctreeNode>(*this, nullptr);
        FLevels->BuildNodes(*FRoot);
    } catch (...) {
        FRoot.reset(); // the levels still hold the tree
        throw;
    }
    FLevels.reset();
}

void TOctree::Walk(TOctreeNodeVisitor& visitor)
{
    MakeNodes();
    FRoot->Traverse(visitor, 0);
}

TOctreeMergePlan TOctree::MergePlan()
{
    return TOctreeMergePlan(FLevels ? FLevels->MergeFacts() : MergeFactsOf(*FRoot));
}

void TOctree::LimitNodes()
{
    if (NodeCount() <= kNodeLimit) return;
    // Trim passes with the thresholds 1, 2, 3, ... until at most
    // kTrimmedNodes nodes remain: the last pass alone decides the outcome.
    const TOctreeMergePlan plan = MergePlan();
    const std::int64_t threshold = plan.ThresholdForNodes(kTrimmedNodes);
    Trim(static_cast<std::int32_t>(threshold));
    FMinForkPixels = static_cast<std::int32_t>(threshold + 1);
}

void TOctree::Trim(std::int32_t threshold)
{
    FMinForkPixels = threshold;
    if (FLevels) {
        FLevels->Trim(threshold);
        return;
    }
    TTrimNodeVisitor trim;
    Walk(trim);
}

void TOctree::AddPixels(const std::uint8_t* pixels, int count)
{
    AddPixels(&pixels, 1, count);
}

void TOctree::AddPixels(const std::uint8_t* const* rows, int rowCount, int width)
{
    if (rowCount <= 0 || width <= 0) return;
    if (!FLevels) {
        FLevels = std::make_unique<TOctreeLevels>(*FRoot);
        FRoot.reset(); // the nodes' counters go with them
    }
    FLevels->AddPixels(*this, rows, rowCount, width);
}

void TOctree::FindMinForkPixels()
{
    FMinForkPixels = kNoMergeableFork;
    TGetMinForkPixels visitor;
    Walk(visitor);
}

void TOctree::CountSmallForkPixels()
{
    for (auto& sum : FSmallForkPixels) sum = 0;
    TCountSmallForkNodes visitor;
    Walk(visitor);
}

void TOctree::MergeLeaves(int colors)
{
    PICTOR_ASSERT(colors >= 1 && colors <= 256);
    // The merge loop: a trim pass at the threshold; the threshold becomes
    // the smallest mergeable fork's pixel count; the estimate sums of the
    // forks within 2, 4 and 8 pixels of it are compared with the nodes still
    // to go, and the threshold grows by 8, 4, 2 or nothing; until at most
    // colors leaves remain. Passes only ever raise the threshold, so the
    // loop is followed on the plan and the tree trimmed once, at the last
    // pass's threshold. A tree held as levels is trimmed there, and only
    // the nodes that remain are made.
    TOctreeMergePlan plan = MergePlan();
    std::int64_t merged = 0; // threshold of the last pass, 0 before the first
    std::int64_t threshold = 1;
    while (plan.LeavesAfter(merged) > colors) {
        merged = threshold;
        const std::int64_t smallest = plan.NextMinMergeable(merged);
        const std::int64_t minFork = smallest < 0 ? kNoMergeableFork : smallest;
        static constexpr int kMargins[3] = {2, 4, 8};
        for (int i = 0; i < 3; ++i)
            FSmallForkPixels[i] = static_cast<std::int32_t>(plan.SmallForkSum(merged, minFork + kMargins[i]));
        const std::int64_t excess = plan.NodesAfter(merged) - colors;
        threshold = minFork;
        if (FSmallForkPixels[2] < excess)
            threshold += 8;
        else if (FSmallForkPixels[1] < excess)
            threshold += 4;
        else if (FSmallForkPixels[0] < excess)
            threshold += 2;
    }
    if (merged > 0) Trim(static_cast<std::int32_t>(merged));
    FMinForkPixels = static_cast<std::int32_t>(threshold);

    FColorCount = 0;
    TColorIndexVisitor numbering;
    Walk(numbering);
}

TPalette TOctree::GetPalette()
{
    MakeNodes();
    // The block has room for 256 entries: only a merged tree fits.
    PICTOR_ASSERT(FLeafCount <= 256);
    FColorCount = 0;
    FLogPalette.palVersion = 0x300;
    FLogPalette.palNumEntries = static_cast<std::uint16_t>(FLeafCount & 0xFFFF);
    TGetColorEntry visitor;
    Walk(visitor);
    return TPalette(FLogPalette.palPalEntry, FLogPalette.palNumEntries);
}

int TOctree::GetColorIndex(TPackedColor color) const
{
    return Root().GetColorIndex(0, color);
}

} // namespace pictor
