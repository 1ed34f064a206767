// Tag trees: hand-worked bit sequences, and the encoder's bits read back by the decoder.
#include "common/TagTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon::jp2 {
namespace {

struct BitString {
  std::string bits;
  void PutBit(int bit) { bits += bit != 0 ? '1' : '0'; }
};

struct BitStringReader {
  std::string bits;
  std::size_t at = 0;
  bool GetBit(int* bit) {
    if (at >= bits.size()) return false;
    *bit = bits[at++] == '1' ? 1 : 0;
    return true;
  }
};

class EncodedTree {
 public:
  EncodedTree(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& values)
      : nodes(TagTree::NodeCount(width, height)) {
    tree.Build(nodes.data(), width, height);
    tree.SetLeafValues(values.data());
  }
  std::string Encode(std::uint32_t leaf, std::uint32_t threshold) {
    BitString out;
    tree.Encode(out, leaf, threshold);
    return out.bits;
  }

  std::vector<TagTreeNode> nodes;
  TagTree tree;
};

TEST(TagTree, NodeCountsSumEveryLevelDownToTheRoot) {
  EXPECT_EQ(TagTree::NodeCount(0, 4), 0u);
  EXPECT_EQ(TagTree::NodeCount(1, 1), 1u);
  EXPECT_EQ(TagTree::NodeCount(2, 2), 5u);
  EXPECT_EQ(TagTree::NodeCount(5, 3), 15u + 6u + 2u + 1u);
  EXPECT_EQ(TagTree::NodeCount(1, 9), 9u + 5u + 3u + 2u + 1u);
}

// Leaves 1 2 / 3 1 under a root of 1, coded as the inclusion tree of two layers.
TEST(TagTree, TwoByTwoInclusionBitsByHand) {
  EncodedTree t(2, 2, {1, 2, 3, 1});
  // Layer 0: the root's 0 tells every leaf is at least 1; nothing more is sent.
  EXPECT_EQ(t.Encode(0, 1), "0");
  EXPECT_EQ(t.Encode(1, 1), "");
  EXPECT_EQ(t.Encode(2, 1), "");
  EXPECT_EQ(t.Encode(3, 1), "");
  // Layer 1: the root becomes known (1), leaf 0 is 1; leaves 1 and 2 are not below 2; leaf 3 is.
  EXPECT_EQ(t.Encode(0, 2), "11");
  EXPECT_EQ(t.Encode(1, 2), "0");
  EXPECT_EQ(t.Encode(2, 2), "0");
  EXPECT_EQ(t.Encode(3, 2), "1");
  // Layer 2: leaf 1 is 2, leaf 2 still not below 3.
  EXPECT_EQ(t.Encode(1, 3), "1");
  EXPECT_EQ(t.Encode(2, 3), "0");
  EXPECT_EQ(t.Encode(2, 4), "1");
  // A known leaf adds nothing.
  EXPECT_EQ(t.Encode(0, 5), "");
}

// A row 1 3 2 2 under parents 1 and 2 and a root of 1: a walk starts below what earlier walks
// of the layer settled, with the low those nodes established.
TEST(TagTree, ThreeLevelInclusionBitsByHand) {
  EncodedTree t(4, 1, {1, 3, 2, 2});
  const std::vector<std::vector<std::string>> layers = {
      {"0", "", "", ""},      // the root is not below 1; nothing more is sent
      {"111", "0", "0", ""},  // root, first parent and leaf 0 are 1; the second parent is not
      {"", "0", "11", "1"},   // the second parent and its leaves are 2
      {"", "1", "", ""},      // leaf 1 is 3
  };
  for (std::uint32_t layer = 0; layer < layers.size(); ++layer) {
    for (std::uint32_t leaf = 0; leaf < 4; ++leaf) {
      EXPECT_EQ(t.Encode(leaf, layer + 1), layers[layer][leaf])
          << "layer " << layer << " leaf " << leaf;
    }
  }
}

// Zero bit-planes are coded at once up to their value: zeros, then the terminating 1.
TEST(TagTree, ZeroBitPlaneValueSentInFull) {
  EncodedTree single(1, 1, {3});
  EXPECT_EQ(single.Encode(0, 4), "0001");

  // A 3x1 row 2 0 5: the parent's minimum 0 is sent once, the leaves only their surplus.
  EncodedTree row(3, 1, {2, 0, 5});
  EXPECT_EQ(row.Encode(0, 3), std::string("1") + "1" + "001");  // root, parent of 0 and 1, leaf 0
  EXPECT_EQ(row.Encode(1, 1), "1");
  EXPECT_EQ(row.Encode(2, 6), std::string("000001") + "1");  // its parent (5), then leaf 2
  EXPECT_EQ(row.Encode(2, 6), "");
}

TEST(TagTree, SetLeafValuesForgetsEarlierCoding) {
  EncodedTree t(1, 1, {0});
  EXPECT_EQ(t.Encode(0, 1), "1");
  std::uint32_t again = 0;
  t.tree.SetLeafValues(&again);
  EXPECT_EQ(t.Encode(0, 1), "1");
}

// Every leaf coded against rising thresholds, interleaved as packet headers do, and read back.
TEST(TagTree, DecoderRecoversEveryLeafFromTheEncodersBits) {
  const std::uint32_t width = 7, height = 5;
  std::vector<std::uint32_t> values(width * height);
  std::uint32_t seed = 12345;
  for (auto& value : values) {
    seed = seed * 1103515245u + 12345u;
    value = (seed >> 16) % 9;
  }
  EncodedTree encoder(width, height, values);
  BitString bits;
  for (std::uint32_t threshold = 1; threshold <= 10; ++threshold) {
    for (std::uint32_t leaf = 0; leaf < width * height; ++leaf)
      encoder.tree.Encode(bits, leaf, threshold);
  }

  std::vector<TagTreeNode> nodes(TagTree::NodeCount(width, height));
  TagTree decoder;
  decoder.Build(nodes.data(), width, height);
  decoder.ResetForDecoding();
  BitStringReader reader{bits.bits};
  for (std::uint32_t threshold = 1; threshold <= 10; ++threshold) {
    for (std::uint32_t leaf = 0; leaf < width * height; ++leaf) {
      bool below = false;
      ASSERT_TRUE(decoder.Decode(reader, leaf, threshold, &below));
      EXPECT_EQ(below, values[leaf] < threshold) << "leaf " << leaf << " threshold " << threshold;
    }
  }
  EXPECT_EQ(reader.at, bits.bits.size());
  for (std::uint32_t leaf = 0; leaf < width * height; ++leaf) {
    EXPECT_EQ(decoder.LeafValue(leaf), values[leaf]);
  }
}

TEST(TagTree, DecoderReportsTheEndOfInput) {
  std::vector<TagTreeNode> nodes(TagTree::NodeCount(2, 2));
  TagTree decoder;
  decoder.Build(nodes.data(), 2, 2);
  decoder.ResetForDecoding();
  BitStringReader reader{"00"};
  bool below = false;
  EXPECT_FALSE(decoder.Decode(reader, 0, 5, &below));
}

}  // namespace
}  // namespace quillon::jp2
