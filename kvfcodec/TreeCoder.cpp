#include "TreeCoder.h"

#include <algorithm>
#include <bit>

namespace kvfcodec {

int planeCount(int threshold, int planeLimit) {
  const int planes = std::bit_width(static_cast<unsigned>(std::max(threshold, 0)));
  const int limit = planeLimit >= 1 && planeLimit <= 15 ? planeLimit : 15;
  return std::min(planes, limit);
}

std::vector<Pass> planeOrder(int threshold, int planeLimit, int levels) {
  std::vector<Pass> passes;
  uint32_t mask = static_cast<uint32_t>(std::max(threshold, 0));
  for (int p = 0; p < planeCount(threshold, planeLimit); ++p, mask >>= 1)
    for (int j = 0; j <= levels; ++j) passes.push_back({mask, j});
  return passes;
}

std::vector<Pass> diagonalOrder(int threshold, int planeLimit, int levels) {
  std::vector<Pass> passes;
  const int planes = std::bit_width(static_cast<unsigned>(std::max(threshold, 0)));
  const int coded = planeCount(threshold, planeLimit);
  for (int i = 0; i < planes + levels; ++i)
    for (int j = 0; j <= levels; ++j) {
      const int k = i - j;
      if (k >= 0 && k < coded) passes.push_back({uint32_t{1} << (planes - k - 1), j});
    }
  return passes;
}

EncodedTrees encodeTrees(std::span<uint32_t> words, const TreeShape& shape,
                         const std::vector<Pass>& passes, size_t budget,
                         ArithmeticEncoder& encoder) {
  AdaptiveModel model;
  EncodedTrees result;
  for (const Pass& pass : passes) {
    auto visit = [&](uint32_t& word, bool leaf) {
      const int symbol = symbolFor(word, pass.mask);
      encoder.encode(model.interval(symbol, leaf));
      model.update(symbol);
      ++result.symbols;
      return encoder.size() < budget;
    };
    for (int64_t t = 0; t < shape.trees; ++t)
      if (!walkTree(words.data() + t * shape.wordsPerTree(), shape.levels, pass.depth, pass.mask,
                    visit))
        return result;
  }
  return result;
}

DecodedTrees decodeTrees(std::span<uint32_t> words, const TreeShape& shape,
                         const std::vector<Pass>& passes, ArithmeticDecoder& decoder,
                         const std::function<SymbolEnd(uint32_t symbols)>& place) {
  struct Provisional {
    uint32_t* word;
    uint32_t before;
  };
  AdaptiveModel model;
  DecodedTrees result;
  std::vector<Provisional> provisional;
  uint32_t decoded = 0;
  for (const Pass& pass : passes) {
    auto visit = [&](uint32_t& word, bool leaf) {
      const int symbol = decoder.decode(model, leaf);
      const SymbolEnd end = place(++decoded);
      if (end == SymbolEnd::Beyond) {
        for (auto p = provisional.rbegin(); p != provisional.rend(); ++p) *p->word = p->before;
        return false;
      }
      if (end == SymbolEnd::Undecided) {
        provisional.push_back({&word, word});
      } else {
        provisional.clear();
        result.symbols = decoded;
        result.lastMask = pass.mask;
      }
      applySymbol(word, pass.mask, symbol);
      model.update(symbol);
      return end != SymbolEnd::Last;
    };
    for (int64_t t = 0; t < shape.trees; ++t)
      if (!walkTree(words.data() + t * shape.wordsPerTree(), shape.levels, pass.depth, pass.mask,
                    visit))
        return result;
  }
  // Every pass decoded: the provisional symbols were the stream's last ones.
  result.symbols = decoded;
  if (!passes.empty()) result.lastMask = passes.back().mask;
  result.complete = true;
  return result;
}

}  // namespace kvfcodec
