// The header of a PGM or PPM file and the tokens of plain sample data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillon {

struct PnmHeader {
  char type = 0;  // '2', '3', '5' or '6'
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint32_t maxValue = 0;
  std::size_t dataOffset = 0;  // first byte after the header

  bool Colour() const { return type == '3' || type == '6'; }
  bool Plain() const { return type == '2' || type == '3'; }
  int Channels() const { return Colour() ? 3 : 1; }
};

// Reads decimal numbers separated by white space; "#" starts a comment up to the line end.
class PnmTokenizer {
 public:
  PnmTokenizer(std::span<const std::uint8_t> bytes, std::size_t position)
      : bytes_(bytes), pos_(position) {}

  // The next number, saturated at `limit`; false at the end of the data or at anything else.
  [[nodiscard]] bool Next(std::uint32_t limit, std::uint32_t& value);
  std::size_t Position() const { return pos_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_;
};

// Parses magic, width, height and maximum value. False for anything else, for a size of 0
// and for a maximum value outside 1..65535.
[[nodiscard]] bool ParsePnmHeader(std::span<const std::uint8_t> bytes, PnmHeader& header);

}  // namespace quillon
