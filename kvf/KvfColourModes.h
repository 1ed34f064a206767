// The colour modes a KVF file can carry: how many components are coded, their sample depth
// and the largest sample value assumed when the file does not state one.
#pragma once

#include <cstdint>

namespace kvf {

struct KvfColourMode {
  std::uint8_t mode;
  std::uint8_t components;
  std::uint8_t sampleBits;
  std::uint32_t defaultMaxValue;
  bool readable;  // false: the encoder accepts the mode, the reader refuses files with it
};

// The table entry of a mode, or null for a mode outside the table.
const KvfColourMode* FindKvfColourMode(std::uint32_t mode);

}  // namespace kvf
