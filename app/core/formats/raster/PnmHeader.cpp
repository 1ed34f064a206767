#include "core/formats/raster/PnmHeader.h"

namespace quillon {

namespace {

constexpr std::uint32_t kMaxSampleValue = 65535;
constexpr std::uint32_t kMaxDimension = 0x7FFFFFFF;

bool IsSpace(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

bool PnmTokenizer::Next(std::uint32_t limit, std::uint32_t& value) {
  while (pos_ < bytes_.size()) {
    if (IsSpace(bytes_[pos_])) {
      ++pos_;
    } else if (bytes_[pos_] == '#') {
      while (pos_ < bytes_.size() && bytes_[pos_] != '\n' && bytes_[pos_] != '\r') ++pos_;
    } else {
      break;
    }
  }
  if (pos_ >= bytes_.size() || bytes_[pos_] < '0' || bytes_[pos_] > '9') return false;
  std::uint64_t number = 0;
  while (pos_ < bytes_.size() && bytes_[pos_] >= '0' && bytes_[pos_] <= '9') {
    number = number * 10 + (bytes_[pos_] - '0');
    if (number > limit) number = limit;
    ++pos_;
  }
  value = static_cast<std::uint32_t>(number);
  return true;
}

bool ParsePnmHeader(std::span<const std::uint8_t> bytes, PnmHeader& header) {
  if (bytes.size() < 2 || bytes[0] != 'P') return false;
  header = PnmHeader{};
  header.type = static_cast<char>(bytes[1]);
  if (header.type != '2' && header.type != '3' && header.type != '5' && header.type != '6') {
    return false;
  }
  PnmTokenizer tokens(bytes, 2);
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t maxValue = 0;
  // A value at the limit may have been saturated: it is refused as too large.
  if (!tokens.Next(kMaxDimension, width) || !tokens.Next(kMaxDimension, height) ||
      !tokens.Next(kMaxSampleValue + 1, maxValue)) {
    return false;
  }
  if (width == 0 || height == 0 || width == kMaxDimension || height == kMaxDimension ||
      maxValue == 0 || maxValue > kMaxSampleValue) {
    return false;
  }
  header.width = width;
  header.height = height;
  header.maxValue = maxValue;
  // Exactly one white-space character separates the header from raw samples.
  header.dataOffset = tokens.Position();
  if (header.dataOffset < bytes.size()) {
    if (!IsSpace(bytes[header.dataOffset])) return false;
    ++header.dataOffset;
  }
  return true;
}

}  // namespace quillon
