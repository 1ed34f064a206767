#include "common/TagTree.h"

#include <algorithm>

namespace quillon::jp2 {

std::uint64_t TagTree::NodeCount(std::uint32_t width, std::uint32_t height) {
  if (width == 0 || height == 0) return 0;
  std::uint64_t w = width, h = height, total = 0;
  for (;;) {
    total += w * h;
    if (w == 1 && h == 1) return total;
    w = (w + 1) / 2;
    h = (h + 1) / 2;
  }
}

void TagTree::Build(TagTreeNode* nodes, std::uint32_t width, std::uint32_t height) {
  nodes_ = nodes;
  width_ = width;
  height_ = height;
  count_ = NodeCount(width, height);
  std::uint64_t levelStart = 0, w = width, h = height;
  while (count_ != 0) {
    const std::uint64_t parentStart = levelStart + w * h;
    const std::uint64_t pw = (w + 1) / 2;
    for (std::uint64_t y = 0; y < h; ++y) {
      for (std::uint64_t x = 0; x < w; ++x) {
        TagTreeNode& node = nodes_[levelStart + y * w + x];
        node = TagTreeNode{};
        const bool root = w == 1 && h == 1;
        node.parent = root ? -1 : static_cast<std::int32_t>(parentStart + (y / 2) * pw + x / 2);
      }
    }
    if (w == 1 && h == 1) break;
    levelStart = parentStart;
    w = pw;
    h = (h + 1) / 2;
  }
}

void TagTree::SetLeafValues(const std::uint32_t* values) {
  for (std::uint64_t i = 0; i < LeafCount(); ++i) nodes_[i].value = values[i];
  Recompute();
}

void TagTree::Recompute() {
  RecomputeMinima();
  for (std::uint64_t i = 0; i < count_; ++i) {
    nodes_[i].low = 0;
    nodes_[i].known = false;
  }
}

void TagTree::RecomputeMinima() {
  const std::uint64_t leaves = LeafCount();
  for (std::uint64_t i = leaves; i < count_; ++i) nodes_[i].value = kUnknown;
  for (std::uint64_t i = 0; i < count_; ++i) {
    const TagTreeNode& node = nodes_[i];
    if (node.parent >= 0) {
      TagTreeNode& parent = nodes_[node.parent];
      parent.value = std::min(parent.value, node.value);
    }
  }
}

void TagTree::ResetForDecoding() {
  for (std::uint64_t i = 0; i < count_; ++i) {
    nodes_[i].value = kUnknown;
    nodes_[i].low = 0;
    nodes_[i].known = false;
  }
}

}  // namespace quillon::jp2
