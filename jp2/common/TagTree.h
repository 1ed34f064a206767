// Tag trees (T.800 B.10.2): a quad-tree of minima over a grid of leaf values, coded
// incrementally against rising thresholds. The nodes live in caller storage so that encoder
// and decoder carve them from their working memory.
#pragma once

#include <cstdint>

namespace quillon::jp2 {

struct TagTreeNode {
  std::uint32_t value = 0;  // the encoder's minimum; the decoder's value once known
  std::uint32_t low = 0;    // what the coded bits have established so far
  std::int32_t parent = -1;
  bool known = false;
};

class TagTree {
 public:
  static constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;

  // Nodes a width x height tree needs (0 for an empty grid).
  static std::uint64_t NodeCount(std::uint32_t width, std::uint32_t height);

  // Builds the tree over nodes (NodeCount entries); leaves start at 0, in raster order.
  void Build(TagTreeNode* nodes, std::uint32_t width, std::uint32_t height);

  // Encoder: sets the leaves' values (raster order), recomputes the minima and forgets all
  // coded state.
  void SetLeafValues(const std::uint32_t* values);
  // Encoder: sets one leaf; call Recompute once after the last one.
  void SetLeaf(std::uint32_t index, std::uint32_t value) { nodes_[index].value = value; }
  void Recompute();
  // Encoder: recomputes the minima over changed leaves, keeping the coded state; valid when
  // no changed leaf goes below the thresholds coded so far.
  void RecomputeMinima();

  // The nodes in caller storage, for saving and restoring the coded state.
  TagTreeNode* Nodes() const { return nodes_; }
  std::uint64_t NodeTotal() const { return count_; }

  // Decoder: forgets all values and coded state.
  void ResetForDecoding();

  // Writes the bits that tell whether leaf's value is below threshold; writer.PutBit(int).
  template <typename Writer>
  void Encode(Writer& writer, std::uint32_t leaf, std::uint32_t threshold);

  // Reads those bits; reader.GetBit(int*) returns false when the input ends. *below tells
  // whether the leaf's value is below threshold.
  template <typename Reader>
  bool Decode(Reader& reader, std::uint32_t leaf, std::uint32_t threshold, bool* below);

  std::uint32_t LeafValue(std::uint32_t leaf) const { return nodes_[leaf].value; }
  std::uint32_t LeafCount() const { return width_ * height_; }

 private:
  // Calls step(node, low) from the root down to leaf, low starting at what the node above
  // established; step raises low and returns false to stop the walk. The settled nodes at the
  // top of the path are skipped, as stepping them would change nothing: known ones, whose
  // ancestors are known, and those a walk against the threshold passed. That holds as long as
  // a tree's thresholds do not fall between walks that leave nodes unknown, as packet headers
  // code them: by layer, and zero bit-planes leaf by leaf up to the known value.
  template <typename Settled, typename Step>
  bool WalkDown(std::uint32_t leaf, Settled settled, Step step);

  static constexpr int kMaxDepth = 34;  // 32-bit extents halve to one node in 33 levels
  TagTreeNode* nodes_ = nullptr;
  std::uint32_t width_ = 0, height_ = 0;
  std::uint64_t count_ = 0;
};

template <typename Settled, typename Step>
bool TagTree::WalkDown(std::uint32_t leaf, Settled settled, Step step) {
  // The unsettled nodes from leaf up, then stepped from the top one down.
  std::int32_t path[kMaxDepth];
  int depth = 0;
  auto above = static_cast<std::int32_t>(leaf);
  while (above >= 0 && !settled(nodes_[above])) {
    path[depth++] = above;
    above = nodes_[above].parent;
  }
  std::uint32_t low = above >= 0 ? nodes_[above].low : 0;
  for (int i = depth - 1; i >= 0; --i) {
    TagTreeNode& node = nodes_[path[i]];
    // A node is at least what its parent is known to be.
    if (low > node.low) node.low = low;
    low = node.low;
    if (!step(node, low)) return false;
    node.low = low;
  }
  return true;
}

template <typename Writer>
void TagTree::Encode(Writer& writer, std::uint32_t leaf, std::uint32_t threshold) {
  const auto settled = [threshold](const TagTreeNode& node) {
    return node.known || node.low >= threshold;
  };
  WalkDown(leaf, settled, [&](TagTreeNode& node, std::uint32_t& low) {
    while (low < threshold) {
      if (low >= node.value) {
        if (!node.known) {
          writer.PutBit(1);
          node.known = true;
        }
        break;
      }
      writer.PutBit(0);
      ++low;
    }
    return true;
  });
}

template <typename Reader>
bool TagTree::Decode(Reader& reader, std::uint32_t leaf, std::uint32_t threshold, bool* below) {
  const auto settled = [threshold](const TagTreeNode& node) {
    return node.value <= node.low || node.low >= threshold;
  };
  const bool complete = WalkDown(leaf, settled, [&](TagTreeNode& node, std::uint32_t& low) {
    while (low < threshold && low < node.value) {
      int bit = 0;
      if (!reader.GetBit(&bit)) return false;
      if (bit != 0) {
        node.value = low;
        break;
      }
      ++low;
    }
    return true;
  });
  if (!complete) return false;
  *below = nodes_[leaf].value < threshold;
  return true;
}

}  // namespace quillon::jp2
