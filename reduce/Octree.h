// TOctree: a palette of at most N colours (2 to 256) for a 24-bit picture.
//
// Every pixel colour descends an eight-way tree that splits colour space on
// bits 7 down to 2 of each channel; leaves carry pixel counts and channel
// sums. When the tree holds more leaves than N, the smallest subtrees (by
// pixel count) are merged into their parents under a threshold that grows
// adaptively, and each remaining leaf becomes one palette entry: the
// truncated mean colour of its pixels. Every walk over the nodes is a
// post-order traversal driven by one of the visitors below; a whole
// picture's pixels are added to the tree held level by level
// (TOctreeLevels), which merges in the same way.
#pragma once

#include "gfx/Palette.h"
#include "reduce/OctreeLevels.h"
#include "reduce/OctreeMergePlan.h"
#include "reduce/QuantizeColor.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace pictor {

class TOctree;
class TOctreeNode;

// Looks at one node of a walk; clearing cont ends the walk.
class TOctreeNodeVisitor {
public:
    TOctreeNodeVisitor() = default;
    virtual ~TOctreeNodeVisitor() = default;
    TOctreeNodeVisitor(const TOctreeNodeVisitor&) = delete;
    TOctreeNodeVisitor& operator=(const TOctreeNodeVisitor&) = delete;

    virtual void Visit(TOctreeNode& node, int depth, bool& cont) = 0;
};

// Numbers the leaves 0, 1, 2, ... in walk order.
class TColorIndexVisitor final : public TOctreeNodeVisitor {
public:
    void Visit(TOctreeNode& node, int depth, bool& cont) override;
};

// Merges a fork whose children are all leaves into one leaf when its pixel
// count is at most the tree's threshold.
class TTrimNodeVisitor final : public TOctreeNodeVisitor {
public:
    void Visit(TOctreeNode& node, int depth, bool& cont) override;
};

// Lowers the tree's threshold to the pixel count of a mergeable fork below it.
class TGetMinForkPixels final : public TOctreeNodeVisitor {
public:
    void Visit(TOctreeNode& node, int depth, bool& cont) override;
};

// Adds pixel count - 1 of every fork within margin 2, 4 or 8 of the threshold
// to the tree's estimate sums.
class TCountSmallForkNodes final : public TOctreeNodeVisitor {
public:
    void Visit(TOctreeNode& node, int depth, bool& cont) override;
};

// Writes each leaf's colour into the next entry of the tree's palette block.
class TGetColorEntry final : public TOctreeNodeVisitor {
public:
    void Visit(TOctreeNode& node, int depth, bool& cont) override;
};

class TOctreeNode {
public:
    // Counts itself in the tree's node count and in the parent's child count.
    TOctreeNode(TOctree& octree, TOctreeNode* parent);
    // Takes itself out of the counters, then frees its children.
    ~TOctreeNode();
    TOctreeNode(const TOctreeNode&) = delete;
    TOctreeNode& operator=(const TOctreeNode&) = delete;

    // Setting true counts the node as a leaf of the tree and of its parent.
    void SetLeaf(bool value);
    // Adds one pixel here and below; depth is this node's level (root 0).
    void AddColor(int depth, TPackedColor color);
    // The palette index of the leaf that color reaches. Where the colour's
    // slot is empty (a colour that was never added), the descent goes on in
    // the existing child whose mean colour is nearest; a tree without any
    // leaf answers 0.
    int GetColorIndex(int depth, TPackedColor color) const;
    // The truncated mean colour of the pixels added through the node; black
    // when there are none.
    TPackedColor GetColor() const;
    // Post-order walk: children in slot order, then the node itself. False
    // when a visitor ended the walk.
    bool Traverse(TOctreeNodeVisitor& visitor, int depth);

    // The child slot of a colour at a level: 4 * red bit + 2 * green bit +
    // blue bit, bit 7 - depth of each channel.
    static int ChildSlot(int depth, TPackedColor color)
    {
        const int shift = 7 - depth;
        return (((color >> (16 + shift)) & 1) << 2) | (((color >> (8 + shift)) & 1) << 1) |
               ((color >> shift) & 1);
    }

    bool Leaf() const { return FLeaf; }
    TOctree& Octree() const { return *FOctree; }
    TOctreeNode* Parent() const { return FParent; }
    TOctreeNode* Child(int slot) const { return FChildren[slot].get(); }
    std::int32_t PixelCount() const { return FPixelCount; }
    std::int64_t RedSum() const { return FRedSum; }
    std::int64_t GreenSum() const { return FGreenSum; }
    std::int64_t BlueSum() const { return FBlueSum; }
    std::int32_t ColorIndex() const { return FColorIndex; }
    std::int32_t ChildCount() const { return FChildCount; }
    std::int32_t LeafChildCount() const { return FLeafChildCount; }
    // A fork (not a leaf) all of whose children are leaves.
    bool Mergeable() const { return !FLeaf && FChildCount == FLeafChildCount; }

private:
    friend class TOctree;
    friend class TOctreeLevels;
    friend class TColorIndexVisitor;
    friend class TTrimNodeVisitor;

    // Frees every child and becomes a leaf; the counts and sums already
    // cover the children's pixels.
    void MergeChildren();
    const TOctreeNode* NearestChild(TPackedColor color) const;

    bool FLeaf = false;
    TOctree* FOctree;
    TOctreeNode* FParent;
    std::unique_ptr<TOctreeNode> FChildren[8];
    std::int32_t FPixelCount = 0;
    std::int64_t FRedSum = 0;
    std::int64_t FGreenSum = 0;
    std::int64_t FBlueSum = 0;
    std::int32_t FColorIndex = 0;
    std::int32_t FChildCount = 0;
    std::int32_t FLeafChildCount = 0;
};

// The palette block handed to the palette object: version, entry count and
// room for 256 entries.
struct TOctreeLogPalette {
    std::uint16_t palVersion = 0;
    std::uint16_t palNumEntries = 0;
    TPaletteEntry palPalEntry[256] = {};
};

class TOctree {
public:
    // After every AddColor the tree holds at most kNodeLimit nodes; passing
    // it trims the tree to kTrimmedNodes or fewer.
    static constexpr int kNodeLimit = 100000;
    static constexpr int kTrimmedNodes = 99000;
    // The threshold FindMinForkPixels leaves when no fork is mergeable.
    static constexpr int kNoMergeableFork = 999999999;

    TOctree();
    ~TOctree();
    TOctree(const TOctree&) = delete;
    TOctree& operator=(const TOctree&) = delete;

    // Adds one pixel, then keeps the node count within the bound.
    void AddColor(TPackedColor color);
    // Adds count 24-bit pixels (blue, green, red, one after another) in
    // order. The tree is exactly the one that AddColor of each would build.
    // Meanwhile the tree is held as a TOctreeLevels; the first call that
    // needs nodes (anything but AddPixels, NodeCount and LeafCount) makes
    // them, and merging before that makes only the nodes that remain.
    void AddPixels(const std::uint8_t* pixels, int count);
    // The same for rowCount rows of width pixels each, in row order.
    void AddPixels(const std::uint8_t* const* rows, int rowCount, int width);
    // Merges until at most colors (1 to 256) leaves remain, then numbers the
    // leaves in walk order.
    void MergeLeaves(int colors);
    // A palette with one entry per leaf, entry k for the leaf numbered k.
    // Valid after MergeLeaves.
    TPalette GetPalette();
    // The palette index of a colour; valid after MergeLeaves.
    int GetColorIndex(TPackedColor color) const;

    // Steps of MergeLeaves.
    void FindMinForkPixels();
    void CountSmallForkPixels();

    TOctreeNode& Root() const;
    std::int32_t NodeCount() const;
    std::int32_t LeafCount() const;
    std::int32_t MinForkPixels() const { return FMinForkPixels; }
    // The estimate sum for margin 2 (index 0), 4 (1) or 8 (2).
    std::int32_t SmallForkPixels(int margin) const { return FSmallForkPixels[margin]; }
    const TOctreeLogPalette& LogPalette() const { return FLogPalette; }

private:
    friend class TOctreeNode;
    friend class TOctreeLevels;
    friend class TColorIndexVisitor;
    friend class TTrimNodeVisitor;
    friend class TGetMinForkPixels;
    friend class TCountSmallForkNodes;
    friend class TGetColorEntry;

    // The memory bound, checked after each pixel.
    void LimitNodes();
    // One trim pass at the threshold.
    void Trim(std::int32_t threshold);
    TOctreeMergePlan MergePlan();
    void Walk(TOctreeNodeVisitor& visitor);
    // Makes the nodes of a tree held as levels.
    void MakeNodes();

    // Null while FLevels holds the tree.
    std::unique_ptr<TOctreeNode> FRoot;
    std::int32_t FNodeCount = 0;
    std::int32_t FLeafCount = 0;
    TOctreeLogPalette FLogPalette;
    std::int32_t FColorCount = 0;
    std::int32_t FMinForkPixels = 0;
    std::int32_t FSmallForkPixels[3] = {0, 0, 0};

    // The tree while AddPixels works on it, or null.
    std::unique_ptr<TOctreeLevels> FLevels;
};

} // namespace pictor
