// The header of KVF files of versions 0 and 1: "WV", version, size, filter, threshold and
// levels, channels and colour flag, and (version 1) a 16-bit stamp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kvfcodec {

struct LegacyHeader {
  int version = 1;
  int width = 0, height = 0;
  int filter = 0;
  int levels = 0;
  int threshold = 1;  // a power of two
  int channels = 1;
  int colour = 0;
  int stamp = 0;
};

inline constexpr size_t kHeaderBytesV0 = 10;
inline constexpr size_t kHeaderBytesV1 = 12;
inline constexpr uint16_t kStamp = 0x4B51;

inline size_t headerBytes(const LegacyHeader& h) {
  return h.version == 0 ? kHeaderBytesV0 : kHeaderBytesV1;
}

// Parses the header at the start of bytes; checks only the fields' own ranges.
[[nodiscard]] int parseHeader(std::span<const uint8_t> bytes, LegacyHeader& header);

// Fails unless size, channels, filter and levels can describe a picture this library
// decodes: done before anything is sized from them.
[[nodiscard]] int validateHeader(const LegacyHeader& header);

// Appends the version 1 header (with or without the stamp).
void appendHeader(const LegacyHeader& header, std::vector<uint8_t>& out, bool withStamp);

// The threshold nibble: 1 + floor(log2 t) for t >= 2, else 1.
int thresholdNibble(int threshold);

// Reads the header at the start of a file.
[[nodiscard]] int readHeaderFile(const char* path, LegacyHeader& header);

}  // namespace kvfcodec
