// Coefficient words and their trees. A word holds the magnitude in bits 0..14, the sign in
// bit 15, the OR of its descendants' magnitudes in bits 16..30 (the root's own included)
// and the coder's already-significant mark in bit 31. Tree t of a channel holds 4^levels
// words in heap order: word 0 the low-pass coefficient, words 1..3 its coarsest details,
// the children of word k >= 1 the words 4k..4k+3.
#pragma once

#include <cstdint>
#include <span>

namespace kvfcodec {

inline constexpr uint32_t kMagnitude = 0x7FFF;
inline constexpr uint32_t kSign = 0x8000;
inline constexpr uint32_t kSignificant = 0x80000000u;

struct TreeShape {
  int levels;
  int64_t trees;  // all channels
  int64_t wordsPerTree() const { return int64_t{1} << (2 * levels); }
};

// ORs every word's magnitude into its ancestors' bits 16..30 and the root's into its own.
void propagateMagnitudes(std::span<uint32_t> tree);

// Visits, in one tree, the nodes at depth `depth` that the walk for plane `mask` reaches:
// a node's children are entered only when it has the plane's bit or its descendant bit.
// visit(word, leaf) returns false to stop the whole walk; walkTree then returns false.
template <typename Visit>
bool walkTree(uint32_t* tree, int levels, int depth, uint32_t mask, Visit& visit) {
  struct Walker {
    uint32_t* tree;
    int levels, depth;
    uint32_t mask;
    Visit& visit;
    bool node(int64_t k, int d) {
      uint32_t& w = tree[k];
      if (d == depth) return visit(w, d == levels);
      if ((w & (mask | (mask << 16))) == 0) return true;
      const int64_t first = k == 0 ? 1 : 4 * k;
      for (int64_t c = first; c < 4 * k + 4; ++c)
        if (!node(c, d + 1)) return false;
      return true;
    }
  };
  return Walker{tree, levels, depth, mask, visit}.node(0, 0);
}

// The symbol the encoder sends for a word at plane mask (clearing the sign once sent).
int symbolFor(uint32_t& word, uint32_t mask);
// What the decoder learns from a symbol.
void applySymbol(uint32_t& word, uint32_t mask, int symbol);

}  // namespace kvfcodec
