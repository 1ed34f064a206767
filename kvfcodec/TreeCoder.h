// Codes coefficient trees symbol by symbol through the adaptive model and the arithmetic
// coder, in a given order of (plane, depth) passes. The zerotree coder and the
// integer-filter coder differ only in that order and in how their streams end.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "ArithmeticCoder.h"
#include "CoefficientTrees.h"

namespace kvfcodec {

struct Pass {
  uint32_t mask;
  int depth;
};

// Planes from the threshold down, each with every depth from the roots to the leaves.
std::vector<Pass> planeOrder(int threshold, int planeLimit, int levels);
// Diagonal order: pass i holds every depth j and plane k with j + k = i.
std::vector<Pass> diagonalOrder(int threshold, int planeLimit, int levels);

// The number of planes a threshold gives (threshold down to 1), at most the limit.
int planeCount(int threshold, int planeLimit);

struct EncodedTrees {
  uint32_t symbols = 0;
};

// Codes the words (the encoder's copy: signs are cleared as they are sent) until every
// pass is done or the output reaches budget bytes.
EncodedTrees encodeTrees(std::span<uint32_t> words, const TreeShape& shape,
                         const std::vector<Pass>& passes, size_t budget,
                         ArithmeticEncoder& encoder);

struct DecodedTrees {
  uint32_t symbols = 0;   // symbols kept
  bool complete = false;  // every pass decoded
  uint32_t lastMask = 0;  // the plane of the last symbol kept
};

// Where a decoded symbol stands against the end of the coded data.
enum class SymbolEnd {
  Coded,      // the encoder coded it, and so every symbol before it
  Last,       // the encoder's last symbol
  Undecided,  // coded only if the stream turns out to hold every pass
  Beyond,     // not coded: the data ended before it
};

// Mirrors encodeTrees; place() is asked after every symbol with the count decoded so far.
// Undecided symbols are applied provisionally and taken back when a later one is Beyond.
DecodedTrees decodeTrees(std::span<uint32_t> words, const TreeShape& shape,
                         const std::vector<Pass>& passes, ArithmeticDecoder& decoder,
                         const std::function<SymbolEnd(uint32_t symbols)>& place);

}  // namespace kvfcodec
