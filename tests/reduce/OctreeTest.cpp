#include "reduce/Octree.h"

#include "core/Exception.h"
#include "tests/reduce/ReduceTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

using namespace pictor;
using pictor::testing::Pixels;

namespace {

// A plain octree written straight from the rules, with none of TOctree's
// counters or shortcuts: only the node count is kept as it goes (for the
// bound after each pixel); everything else is recomputed by walking.
class ReferenceOctree {
public:
    void Add(TPackedColor color)
    {
        AddAt(FRoot, 0, color);
        if (FNodes > 100000) {
            FThreshold = 1;
            while (FNodes > 99000) {
                Trim(FRoot);
                ++FThreshold;
            }
        }
    }

    void Merge(int colors)
    {
        FThreshold = 1;
        while (CountLeaves(FRoot) > colors) {
            Trim(FRoot);
            FThreshold = 999999999;
            FindMin(FRoot);
            long long sums[3] = {0, 0, 0};
            CountSmall(FRoot, sums);
            const long long excess = CountNodes(FRoot) - colors;
            if (sums[2] < excess)
                FThreshold += 8;
            else if (sums[1] < excess)
                FThreshold += 4;
            else if (sums[0] < excess)
                FThreshold += 2;
        }
        int next = 0;
        Number(FRoot, next);
    }

    std::vector<TPaletteEntry> Palette() const
    {
        std::vector<TPaletteEntry> out;
        Collect(FRoot, out);
        return out;
    }

    int IndexOf(TPackedColor color) const
    {
        const Node* node = &FRoot;
        for (int depth = 0; !node->leaf; ++depth) node = node->kids[TOctreeNode::ChildSlot(depth, color)].get();
        return node->index;
    }

    int Nodes() const { return CountNodes(FRoot); }
    int Leaves() const { return CountLeaves(FRoot); }

private:
    struct Node {
        bool leaf = false;
        std::unique_ptr<Node> kids[8];
        long long count = 0, red = 0, green = 0, blue = 0;
        int index = 0;
    };

    void AddAt(Node& node, int depth, TPackedColor color)
    {
        ++node.count;
        node.red += RedOf(color);
        node.green += GreenOf(color);
        node.blue += BlueOf(color);
        if (node.leaf) return;
        auto& kid = node.kids[TOctreeNode::ChildSlot(depth, color)];
        if (!kid) {
            kid = std::make_unique<Node>();
            kid->leaf = depth == 5;
            ++FNodes;
        }
        AddAt(*kid, depth + 1, color);
    }

    static bool AllKidsLeaves(const Node& node)
    {
        for (const auto& kid : node.kids)
            if (kid && !kid->leaf) return false;
        return true;
    }

    void Trim(Node& node)
    {
        for (auto& kid : node.kids)
            if (kid) Trim(*kid);
        if (!node.leaf && AllKidsLeaves(node) && node.count <= FThreshold) {
            FNodes -= CountNodes(node) - 1;
            for (auto& kid : node.kids) kid.reset();
            node.leaf = true;
        }
    }

    void FindMin(const Node& node)
    {
        for (const auto& kid : node.kids)
            if (kid) FindMin(*kid);
        if (!node.leaf && AllKidsLeaves(node) && node.count < FThreshold) FThreshold = node.count;
    }

    void CountSmall(const Node& node, long long sums[3]) const
    {
        for (const auto& kid : node.kids)
            if (kid) CountSmall(*kid, sums);
        if (node.leaf) return;
        const int margins[3] = {2, 4, 8};
        for (int i = 0; i < 3; ++i)
            if (FThreshold + margins[i] >= node.count) sums[i] += node.count - 1;
    }

    static void Number(Node& node, int& next)
    {
        for (auto& kid : node.kids)
            if (kid) Number(*kid, next);
        if (node.leaf) node.index = next++;
    }

    static void Collect(const Node& node, std::vector<TPaletteEntry>& out)
    {
        for (const auto& kid : node.kids)
            if (kid) Collect(*kid, out);
        if (node.leaf)
            out.push_back(TPaletteEntry{static_cast<std::uint8_t>(node.red / node.count),
                                        static_cast<std::uint8_t>(node.green / node.count),
                                        static_cast<std::uint8_t>(node.blue / node.count), 0});
    }

    static int CountNodes(const Node& node)
    {
        int n = 1;
        for (const auto& kid : node.kids)
            if (kid) n += CountNodes(*kid);
        return n;
    }

    static int CountLeaves(const Node& node)
    {
        if (node.leaf) return 1;
        int n = 0;
        for (const auto& kid : node.kids)
            if (kid) n += CountLeaves(*kid);
        return n;
    }

    Node FRoot;
    int FNodes = 1;
    long long FThreshold = 0;
};

// Checks every counter of every node against its child slots.
void ExpectCountersConsistent(const TOctree& tree)
{
    int nodes = 0, leaves = 0;
    auto check = [&](auto&& self, const TOctreeNode& node) -> void {
        ++nodes;
        if (node.Leaf()) ++leaves;
        int children = 0, leafChildren = 0;
        for (int slot = 0; slot < 8; ++slot) {
            const TOctreeNode* child = node.Child(slot);
            if (!child) continue;
            ++children;
            if (child->Leaf()) ++leafChildren;
            EXPECT_EQ(child->Parent(), &node);
            self(self, *child);
        }
        EXPECT_EQ(node.ChildCount(), children);
        EXPECT_EQ(node.LeafChildCount(), leafChildren);
        if (node.Leaf()) {
            EXPECT_EQ(children, 0);
        }
    };
    check(check, tree.Root());
    EXPECT_EQ(tree.NodeCount(), nodes);
    EXPECT_EQ(tree.LeafCount(), leaves);
}

// Returns true when the node bound was reached on the way.
bool ExpectSameAsReference(const std::vector<TPackedColor>& colors, int n)
{
    bool trimmed = false;
    ReferenceOctree reference;
    TOctree byColor;
    TOctree byRows;
    TOctree whole; // one call for every pixel: trims in the middle of it
    for (TPackedColor c : colors) {
        reference.Add(c);
        const int before = byColor.NodeCount();
        byColor.AddColor(c);
        EXPECT_LE(byColor.NodeCount(), TOctree::kNodeLimit);
        if (byColor.NodeCount() < before) trimmed = true;
    }
    const std::vector<std::uint8_t> pixels = Pixels(colors);
    // In uneven pieces, as rows of a picture would come.
    for (std::size_t done = 0; done < colors.size();) {
        const std::size_t piece = std::min<std::size_t>(colors.size() - done, 1 + done % 977);
        byRows.AddPixels(pixels.data() + 3 * done, static_cast<int>(piece));
        done += piece;
    }
    whole.AddPixels(pixels.data(), static_cast<int>(colors.size()));
    EXPECT_EQ(byColor.NodeCount(), reference.Nodes());
    EXPECT_EQ(byRows.NodeCount(), reference.Nodes());
    EXPECT_EQ(whole.NodeCount(), reference.Nodes());

    reference.Merge(n);
    byColor.MergeLeaves(n);
    byRows.MergeLeaves(n);
    whole.MergeLeaves(n);
    ExpectCountersConsistent(byColor);
    ExpectCountersConsistent(byRows);
    EXPECT_LE(byColor.LeafCount(), n);
    EXPECT_EQ(byColor.LeafCount(), reference.Leaves());

    const std::vector<TPaletteEntry> expected = reference.Palette();
    EXPECT_EQ(byColor.GetPalette().Entries(), expected);
    EXPECT_EQ(byRows.GetPalette().Entries(), expected);
    EXPECT_EQ(whole.GetPalette().Entries(), expected);
    for (TPackedColor c : colors) {
        const int index = reference.IndexOf(c);
        EXPECT_EQ(byColor.GetColorIndex(c), index);
        EXPECT_EQ(byRows.GetColorIndex(c), index);
        EXPECT_EQ(whole.GetColorIndex(c), index);
        if (byColor.GetColorIndex(c) != index) break;
    }
    return trimmed;
}

} // namespace

TEST(Octree, NodesCountThemselvesInTreeAndParent)
{
    TOctree tree;
    EXPECT_EQ(tree.NodeCount(), 1);
    EXPECT_EQ(tree.LeafCount(), 0);
    EXPECT_FALSE(tree.Root().Leaf());

    tree.AddColor(PackColor(255, 0, 0));
    EXPECT_EQ(tree.NodeCount(), 7); // root and one node on each of six levels
    EXPECT_EQ(tree.LeafCount(), 1);
    EXPECT_EQ(tree.Root().ChildCount(), 1);
    ASSERT_NE(tree.Root().Child(4), nullptr); // red bit 7 set: slot 4
    EXPECT_EQ(tree.Root().PixelCount(), 1);
    EXPECT_EQ(tree.Root().RedSum(), 255);

    tree.AddColor(PackColor(255, 0, 1)); // same top six bits
    EXPECT_EQ(tree.NodeCount(), 7);
    tree.AddColor(PackColor(0, 255, 255));
    EXPECT_EQ(tree.NodeCount(), 13);
    EXPECT_EQ(tree.LeafCount(), 2);
    EXPECT_EQ(tree.Root().Child(3)->PixelCount(), 1);
    ExpectCountersConsistent(tree);
}

TEST(Octree, ChildSlotReadsOneBitOfEachChannelPerLevel)
{
    const TPackedColor color = PackColor(0x80, 0x40, 0x20);
    EXPECT_EQ(TOctreeNode::ChildSlot(0, color), 4);
    EXPECT_EQ(TOctreeNode::ChildSlot(1, color), 2);
    EXPECT_EQ(TOctreeNode::ChildSlot(2, color), 1);
    EXPECT_EQ(TOctreeNode::ChildSlot(3, color), 0);
    EXPECT_EQ(TOctreeNode::ChildSlot(5, PackColor(4, 4, 4)), 7);
    EXPECT_EQ(TOctreeNode::ChildSlot(0, color | 0xFF000000u), 4); // top byte ignored
}

TEST(Octree, FewLeavesAreKeptAsTruncatedMeans)
{
    TOctree tree;
    // 10 and 11 (and 200/203) differ only in the two low bits: one leaf each.
    for (TPackedColor c : {PackColor(10, 20, 30), PackColor(11, 21, 31), PackColor(11, 21, 31),
                           PackColor(200, 100, 50), PackColor(203, 103, 51)})
        tree.AddColor(c);
    tree.MergeLeaves(256);
    ASSERT_EQ(tree.LeafCount(), 2);
    const TPalette palette = tree.GetPalette();
    ASSERT_EQ(palette.Count(), 2);
    // Leaves in path order: the dark colour's path starts with slot 0.
    EXPECT_EQ(palette[0], (TPaletteEntry{10, 20, 30, 0})); // (10+11+11)/3 = 10 truncated
    EXPECT_EQ(palette[1], (TPaletteEntry{201, 101, 50, 0}));
    EXPECT_EQ(tree.GetColorIndex(PackColor(11, 21, 31)), 0);
    EXPECT_EQ(tree.GetColorIndex(PackColor(203, 103, 51)), 1);
    EXPECT_EQ(tree.LogPalette().palVersion, 0x300);
    EXPECT_EQ(tree.LogPalette().palNumEntries, 2);
}

TEST(Octree, MergingStopsAtOrBelowTheLimit)
{
    std::mt19937 random(7);
    std::vector<TPackedColor> colors;
    for (int i = 0; i < 4000; ++i) colors.push_back(random() & 0xFFFFFF);
    for (int n : {1, 2, 3, 16, 255}) {
        TOctree tree;
        for (TPackedColor c : colors) tree.AddColor(c);
        tree.MergeLeaves(n);
        EXPECT_GE(tree.LeafCount(), 1);
        EXPECT_LE(tree.LeafCount(), n);
        const TPalette palette = tree.GetPalette();
        EXPECT_EQ(palette.Count(), tree.LeafCount());
        // The palette colour of every colour's index is the mean of its leaf.
        for (TPackedColor c : colors) {
            const int index = tree.GetColorIndex(c);
            ASSERT_GE(index, 0);
            ASSERT_LT(index, palette.Count());
        }
        ExpectCountersConsistent(tree);
    }
}

TEST(Octree, MergingOneLeafPerColourLimitCollapsesToTheRoot)
{
    TOctree tree;
    tree.AddColor(PackColor(0, 0, 0));
    tree.AddColor(PackColor(255, 255, 255));
    tree.MergeLeaves(1);
    EXPECT_TRUE(tree.Root().Leaf());
    EXPECT_EQ(tree.NodeCount(), 1);
    EXPECT_EQ(tree.GetPalette()[0], (TPaletteEntry{127, 127, 127, 0}));
    EXPECT_EQ(tree.GetColorIndex(PackColor(0, 0, 0)), 0);
}

TEST(Octree, MergeStepsComputeThresholdAndEstimates)
{
    TOctree tree;
    // Two level-5 forks: one of 2 pixels (two leaves), one of 5 pixels.
    for (TPackedColor c : {PackColor(0, 0, 0), PackColor(0, 0, 4), PackColor(255, 255, 255),
                           PackColor(255, 255, 255), PackColor(255, 255, 251), PackColor(255, 255, 251),
                           PackColor(255, 255, 251)})
        tree.AddColor(c);
    tree.FindMinForkPixels();
    EXPECT_EQ(tree.MinForkPixels(), 2);
    tree.CountSmallForkPixels();
    // Within 2 of the smallest: the five forks of the dark chain (2 pixels
    // each, 5 * 1); within 4 also the five of the light chain (5 * 4).
    EXPECT_EQ(tree.SmallForkPixels(0), 5);
    EXPECT_EQ(tree.SmallForkPixels(1), 5 + 5 * 4);
    EXPECT_EQ(tree.SmallForkPixels(2), 5 + 5 * 4 + 6); // and the root's 7
}

TEST(Octree, FindMinForkPixelsWithoutMergeableForkGivesSentinel)
{
    TOctree tree;
    tree.AddColor(PackColor(1, 2, 3));
    tree.AddColor(PackColor(201, 2, 3));
    tree.MergeLeaves(1); // down to the root alone
    tree.FindMinForkPixels();
    EXPECT_EQ(tree.MinForkPixels(), TOctree::kNoMergeableFork);
}

TEST(Octree, MatchesPlainReferenceOnRandomPictures)
{
    std::mt19937 random(12345);
    for (int round = 0; round < 6; ++round) {
        // Clustered colours, as photographs have them.
        std::vector<TPackedColor> colors;
        const int clusters = 1 + round * 7;
        std::vector<TPackedColor> centres;
        for (int i = 0; i < clusters; ++i) centres.push_back(random() & 0xFFFFFF);
        std::uniform_int_distribution<int> spread(-24, 24);
        for (int i = 0; i < 6000; ++i) {
            const TPackedColor c = centres[random() % centres.size()];
            colors.push_back(PackColor(std::clamp(RedOf(c) + spread(random), 0, 255),
                                       std::clamp(GreenOf(c) + spread(random), 0, 255),
                                       std::clamp(BlueOf(c) + spread(random), 0, 255)));
        }
        SCOPED_TRACE(round);
        EXPECT_FALSE(ExpectSameAsReference(colors, round == 0 ? 2 : 256 - round * 40));
    }
}

TEST(Octree, MemoryBoundMergesInPixelOrderLikeTheReference)
{
    // Enough distinct colours to pass 100,000 nodes several times.
    std::mt19937 random(99);
    std::vector<TPackedColor> colors;
    for (int i = 0; i < 120000; ++i) {
        // Mostly noise, with recurring colours so that trimmed leaves keep
        // receiving pixels afterwards.
        if (i % 3 == 0 && i > 0)
            colors.push_back(colors[random() % static_cast<unsigned>(i)]);
        else
            colors.push_back(random() & 0xFFFFFF);
    }
    EXPECT_TRUE(ExpectSameAsReference(colors, 256));
}

TEST(Octree, AddColorAndAddPixelsMixAcrossTheBound)
{
    // Pieces added alternately one by one and in bulk, with looks at the
    // tree between them, build the tree of adding every pixel one by one.
    std::mt19937 random(5);
    std::vector<TPackedColor> colors;
    for (int i = 0; i < 150000; ++i)
        colors.push_back(i % 4 == 0 && i > 0 ? colors[random() % static_cast<unsigned>(i)] : random() & 0xFFFFFF);
    const std::vector<std::uint8_t> pixels = Pixels(colors);

    TOctree byColor, mixed;
    for (TPackedColor c : colors) byColor.AddColor(c);
    std::size_t done = 0;
    for (int piece = 0; done < colors.size(); ++piece) {
        const std::size_t count = std::min<std::size_t>(colors.size() - done, 7000 + 1000 * (piece % 5));
        if (piece % 2 == 0) {
            mixed.AddPixels(pixels.data() + 3 * done, static_cast<int>(count));
        } else {
            for (std::size_t i = done; i < done + count; ++i) mixed.AddColor(colors[i]);
        }
        done += count;
        if (piece % 3 == 0) {
            EXPECT_EQ(mixed.Root().PixelCount(), static_cast<std::int32_t>(done));
            ExpectCountersConsistent(mixed);
        }
    }
    ASSERT_EQ(mixed.NodeCount(), byColor.NodeCount());
    ASSERT_EQ(mixed.LeafCount(), byColor.LeafCount());
    EXPECT_EQ(mixed.Root().RedSum(), byColor.Root().RedSum());
    byColor.MergeLeaves(200);
    mixed.MergeLeaves(200);
    EXPECT_EQ(mixed.GetPalette().Entries(), byColor.GetPalette().Entries());
    for (std::size_t i = 0; i < colors.size(); i += 7)
        ASSERT_EQ(mixed.GetColorIndex(colors[i]), byColor.GetColorIndex(colors[i]));
}

TEST(Octree, OneColourInBulkKeepsExactSums)
{
    // Far more pixels of one path than its gathering word holds at once.
    std::vector<TPackedColor> colors;
    for (int i = 0; i < 50000; ++i) colors.push_back(PackColor(200 + i % 4, 101 + (i / 4) % 3, 55 - i % 2));
    TOctree tree;
    tree.AddPixels(Pixels(colors).data(), static_cast<int>(colors.size()));
    std::int64_t red = 0, green = 0, blue = 0;
    for (TPackedColor c : colors) {
        red += RedOf(c);
        green += GreenOf(c);
        blue += BlueOf(c);
    }
    EXPECT_EQ(tree.NodeCount(), 7);
    EXPECT_EQ(tree.Root().PixelCount(), 50000);
    EXPECT_EQ(tree.Root().RedSum(), red);
    EXPECT_EQ(tree.Root().GreenSum(), green);
    EXPECT_EQ(tree.Root().BlueSum(), blue);
    tree.MergeLeaves(2);
    EXPECT_EQ(tree.GetPalette()[0], (TPaletteEntry{static_cast<std::uint8_t>(red / 50000),
                                                   static_cast<std::uint8_t>(green / 50000),
                                                   static_cast<std::uint8_t>(blue / 50000), 0}));
}

TEST(Octree, UnaddedColourDescendsToNearestChild)
{
    TOctree tree;
    tree.AddColor(PackColor(0, 0, 0));
    tree.AddColor(PackColor(250, 250, 250));
    tree.AddColor(PackColor(250, 0, 0));
    tree.MergeLeaves(256);
    const TPalette palette = tree.GetPalette();
    // Colours in empty slots go to the existing child whose mean is nearest.
    EXPECT_EQ(palette[tree.GetColorIndex(PackColor(10, 200, 240))], (TPaletteEntry{250, 250, 250, 0}));
    EXPECT_EQ(palette[tree.GetColorIndex(PackColor(0, 0, 200))], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(palette[tree.GetColorIndex(PackColor(200, 10, 3))], (TPaletteEntry{250, 0, 0, 0}));
    // Deeper down too: same top bit as black, but nothing else there.
    EXPECT_EQ(palette[tree.GetColorIndex(PackColor(100, 100, 100))], (TPaletteEntry{0, 0, 0, 0}));

    TOctree empty;
    empty.MergeLeaves(256);
    EXPECT_EQ(empty.GetColorIndex(PackColor(1, 2, 3)), 0);
    EXPECT_EQ(empty.GetPalette().Count(), 0);
}

TEST(Octree, RefusesLimitsOutsideThePaletteAndUnmergedPalettes)
{
    TOctree tree;
    tree.AddColor(PackColor(1, 2, 3));
    EXPECT_THROW(tree.MergeLeaves(0), EAssertionFailed);
    EXPECT_THROW(tree.MergeLeaves(257), EAssertionFailed);

    TOctree big;
    for (int i = 0; i < 300; ++i) big.AddColor(PackColor(i % 256, (i * 4) % 256, i < 256 ? 0 : 128));
    ASSERT_GT(big.LeafCount(), 256);
    EXPECT_THROW((void)big.GetPalette(), EAssertionFailed);
}

TEST(Octree, VisitorCanEndTheWalk)
{
    struct StopAtFirstLeaf : TOctreeNodeVisitor {
        int visited = 0;
        void Visit(TOctreeNode& node, int, bool& cont) override
        {
            ++visited;
            if (node.Leaf()) cont = false;
        }
    };
    TOctree tree;
    tree.AddColor(PackColor(0, 0, 0));
    tree.AddColor(PackColor(255, 255, 255));
    StopAtFirstLeaf visitor;
    EXPECT_FALSE(tree.Root().Traverse(visitor, 0));
    EXPECT_EQ(visitor.visited, 1);
}
