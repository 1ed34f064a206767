// The 47 probability states of the MQ arithmetic coder (T.800 Table C.2), shared by the
// encoder and the decoder, each with either more probable symbol: 94 words, entry 2 x state +
// MPS. A word holds the probability estimate Qe in bits 0 to 14, the MPS in bit 16, and the
// entry that follows an LPS (with the MPS switched where the state says so) in bits 17 to 23
// and an MPS in bits 24 to 30. A context is one such word, so that a decision reads Qe and the MPS
// with a single load.
#pragma once

#include <array>
#include <cstdint>

namespace quillon::jp2 {

inline constexpr int kMqStateCount = 47;

namespace mq_detail {

struct StateRow {
  std::uint16_t qe;
  std::uint8_t nextMps;
  std::uint8_t nextLps;
  std::uint8_t switchMps;
};

inline constexpr StateRow kRows[kMqStateCount] = {
    {0x5601, 1, 1, 1},   {0x3401, 2, 6, 0},   {0x1801, 3, 9, 0},   {0x0AC1, 4, 12, 0},
    {0x0521, 5, 29, 0},  {0x0221, 38, 33, 0}, {0x5601, 7, 6, 1},   {0x5401, 8, 14, 0},
    {0x4801, 9, 14, 0},  {0x3801, 10, 14, 0}, {0x3001, 11, 17, 0}, {0x2401, 12, 18, 0},
    {0x1C01, 13, 20, 0}, {0x1601, 29, 21, 0}, {0x5601, 15, 14, 1}, {0x5401, 16, 14, 0},
    {0x5101, 17, 15, 0}, {0x4801, 18, 16, 0}, {0x3801, 19, 17, 0}, {0x3401, 20, 18, 0},
    {0x3001, 21, 19, 0}, {0x2801, 22, 19, 0}, {0x2401, 23, 20, 0}, {0x2201, 24, 21, 0},
    {0x1C01, 25, 22, 0}, {0x1801, 26, 23, 0}, {0x1601, 27, 24, 0}, {0x1401, 28, 25, 0},
    {0x1201, 29, 26, 0}, {0x1101, 30, 27, 0}, {0x0AC1, 31, 28, 0}, {0x09C1, 32, 29, 0},
    {0x08A1, 33, 30, 0}, {0x0521, 34, 31, 0}, {0x0441, 35, 32, 0}, {0x02A1, 36, 33, 0},
    {0x0221, 37, 34, 0}, {0x0141, 38, 35, 0}, {0x0111, 39, 36, 0}, {0x0085, 40, 37, 0},
    {0x0049, 41, 38, 0}, {0x0025, 42, 39, 0}, {0x0015, 43, 40, 0}, {0x0009, 44, 41, 0},
    {0x0005, 45, 42, 0}, {0x0001, 45, 43, 0}, {0x5601, 46, 46, 0},
};

inline constexpr int kEntryCount = 2 * kMqStateCount;

constexpr std::uint32_t Pack(int entry) {
  const int index = entry / 2;
  const int mps = entry % 2;
  const StateRow& row = kRows[index];
  const int afterLps = 2 * row.nextLps + (mps ^ row.switchMps);
  const int afterMps = 2 * row.nextMps + mps;
  return std::uint32_t{row.qe} | (static_cast<std::uint32_t>(mps) << 16) |
         (static_cast<std::uint32_t>(afterLps) << 17) |
         (static_cast<std::uint32_t>(afterMps) << 24);
}

constexpr std::array<std::uint32_t, kEntryCount> PackAll() {
  std::array<std::uint32_t, kEntryCount> table{};
  for (int i = 0; i < kEntryCount; ++i) table[i] = Pack(i);
  return table;
}

}  // namespace mq_detail

inline constexpr std::array<std::uint32_t, mq_detail::kEntryCount> kMqStates = mq_detail::PackAll();

constexpr std::uint32_t MqQe(std::uint32_t state) {
  return state & 0x7FFF;
}
constexpr std::uint32_t MqMps(std::uint32_t state) {
  return (state >> 16) & 1;
}
constexpr std::uint32_t MqAfterLps(std::uint32_t state) {
  return kMqStates[(state >> 17) & 0x7F];
}
constexpr std::uint32_t MqAfterMps(std::uint32_t state) {
  return kMqStates[(state >> 24) & 0x7F];
}

// A context: its state and more probable symbol as one word of kMqStates.
struct MqContext {
  std::uint32_t state = kMqStates[0];

  void Reset(int index) { state = kMqStates[2 * index]; }
};

// The 19 contexts of the block coder (T.800 Annex D): 0 to 8 zero coding, 9 to 13 sign
// coding, 14 to 16 magnitude refinement, 17 run length, 18 uniform.
inline constexpr int kBlockContextCount = 19;
inline constexpr int kSignContextBase = 9;
inline constexpr int kRefinementContextBase = 14;
inline constexpr int kRunLengthContext = 17;
inline constexpr int kUniformContext = 18;

// The initial states: all 0 except zero coding context 0 at 4, run length at 3, uniform at 46.
inline void ResetBlockContexts(MqContext* contexts) {
  for (int i = 0; i < kBlockContextCount; ++i) contexts[i].Reset(0);
  contexts[0].Reset(4);
  contexts[kRunLengthContext].Reset(3);
  contexts[kUniformContext].Reset(46);
}

}  // namespace quillon::jp2
