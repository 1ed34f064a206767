// What the packet tests share: a tile's packet structure carved from one allocation, a sink
// that keeps the bytes, and the big-endian fields of hand-made codestreams.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "encoder/TilePackets.h"

namespace quillon::jp2::test {

// Plans the packets on a sizing arena, allocates, and carves; *block keeps the memory.
inline void CarveTilePackets(const TilePacketPlan& plan, const MemoryCallbacks& memory,
                             TilePackets* packets, OwnedBlock* block) {
  WorkArena sizing;
  packets->Plan(plan, sizing);
  ASSERT_TRUE(AllocateZeroed(memory, sizing.Layout(), block).ok());
  WorkArena carving(block->data);
  packets->Plan(plan, carving);
}

class VectorSink final : public PacketSink {
 public:
  Status WriteBytes(const std::uint8_t* bytes, std::uint32_t count) override {
    data.insert(data.end(), bytes, bytes + count);
    return Status();
  }
  std::vector<std::uint8_t> data;
};

inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value));
}

inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value >> 16);
  Put16(out, value & 0xFFFF);
}

// QCD without quantization (one exponent per band), then the one tile-part of tile 0 holding
// the packets, then EOC.
inline void AppendReversibleTile(std::vector<std::uint8_t>& out, int guardBits,
                                 const std::vector<int>& exponents,
                                 const std::vector<std::uint8_t>& packets) {
  Put16(out, 0xFF5C);
  Put16(out, static_cast<std::uint32_t>(3 + exponents.size()));
  out.push_back(static_cast<std::uint8_t>(guardBits << 5));
  for (const int exponent : exponents) out.push_back(static_cast<std::uint8_t>(exponent << 3));
  Put16(out, 0xFF90);
  Put16(out, 10);
  Put16(out, 0);
  Put32(out, static_cast<std::uint32_t>(14 + packets.size()));
  out.insert(out.end(), {0, 1});
  Put16(out, 0xFF93);
  out.insert(out.end(), packets.begin(), packets.end());
  Put16(out, 0xFFD9);
}

}  // namespace quillon::jp2::test
