// The MQ decoder's own form of the probability states (kMqStates): a context word holds Qe in
// bits 0 to 14 and its entry (2 x state + MPS) in bits 17 to 23, so that the word shifted right
// by 15 is four times the entry, and one table row of four words per entry gives the word that
// follows a decision, indexed by the decision's LPS bit and, in bit 1, whether A stayed at least
// 0x8000 (the state is kept). A decision then picks its next state with one load and no select.
#pragma once

#include <array>
#include <cstdint>

#include "common/MqStateTable.h"

namespace quillon::jp2 {

struct MqDecoderContext {
  std::uint32_t word = 0;
};

namespace mq_decoder_detail {

constexpr std::uint32_t WordOf(std::uint32_t entry) {
  return MqQe(kMqStates[entry]) | (entry << 17);
}

constexpr std::array<std::uint32_t, 4 * kMqStates.size()> BuildNextWords() {
  std::array<std::uint32_t, 4 * kMqStates.size()> next{};
  for (std::uint32_t entry = 0; entry < kMqStates.size(); ++entry) {
    const std::uint32_t afterLps = WordOf((kMqStates[entry] >> 17) & 0x7F);
    next[4 * entry] = WordOf(kMqStates[entry] >> 24);  // a more probable symbol, renormalized
    next[4 * entry + 1] = afterLps;
    next[4 * entry + 2] = WordOf(entry);  // a more probable symbol that leaves A at 0x8000 or more
    next[4 * entry + 3] = afterLps;       // never reached: a less probable symbol renormalizes
  }
  return next;
}

// Every entry of kMqStates differs, so a context's entry is found from its word.
constexpr bool EntriesDiffer() {
  for (std::size_t i = 0; i < kMqStates.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (kMqStates[i] == kMqStates[j]) return false;
    }
  }
  return true;
}
static_assert(EntriesDiffer());

}  // namespace mq_decoder_detail

inline constexpr std::array<std::uint32_t, 4 * kMqStates.size()> kMqDecoderNext =
    mq_decoder_detail::BuildNextWords();

constexpr std::uint32_t MqDecoderQe(std::uint32_t word) {
  return word & 0x7FFF;
}
constexpr std::uint32_t MqDecoderMps(std::uint32_t word) {
  return (word >> 17) & 1;
}
// The row of kMqDecoderNext of the context's entry.
constexpr std::uint32_t MqDecoderNextRow(std::uint32_t word) {
  return word >> 15;
}

// The decoder's context in the state of the shared context.
constexpr MqDecoderContext MqDecoderContextOf(MqContext context) {
  std::uint32_t entry = 0;
  while (entry + 1 < kMqStates.size() && kMqStates[entry] != context.state) ++entry;
  return {mq_decoder_detail::WordOf(entry)};
}

// The block coder's 19 contexts in their initial states (ResetBlockContexts).
inline void ResetBlockContexts(MqDecoderContext* contexts) {
  static const std::array<MqDecoderContext, kBlockContextCount> initial = [] {
    MqContext shared[kBlockContextCount];
    ResetBlockContexts(shared);
    std::array<MqDecoderContext, kBlockContextCount> words;
    for (int i = 0; i < kBlockContextCount; ++i) words[i] = MqDecoderContextOf(shared[i]);
    return words;
  }();
  for (int i = 0; i < kBlockContextCount; ++i) contexts[i] = initial[i];
}

}  // namespace quillon::jp2
