// Builds ICC profile headers and tag tables for the profile check tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::jp2::test {

struct IccProfileFields {
  std::string deviceClass = "scnr";
  std::string colourSpace = "RGB ";
  std::string connectionSpace = "XYZ ";
  std::string signature = "acsp";
  std::vector<std::string> tags = {"rTRC", "gTRC", "bTRC", "rXYZ", "gXYZ", "bXYZ"};
  int sizeAdjustment = 0;  // added to the size written in the header
};

inline void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

inline void PutText(std::vector<std::uint8_t>& bytes, std::size_t at, const std::string& text) {
  for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(text[i]);
}

inline std::vector<std::uint8_t> MakeIccProfile(const IccProfileFields& fields) {
  std::vector<std::uint8_t> bytes(132 + 12 * fields.tags.size(), 0);
  PutU32(bytes, 0, static_cast<std::uint32_t>(bytes.size() + fields.sizeAdjustment));
  PutText(bytes, 12, fields.deviceClass);
  PutText(bytes, 16, fields.colourSpace);
  PutText(bytes, 20, fields.connectionSpace);
  PutText(bytes, 36, fields.signature);
  PutU32(bytes, 128, static_cast<std::uint32_t>(fields.tags.size()));
  for (std::size_t i = 0; i < fields.tags.size(); ++i) PutText(bytes, 132 + 12 * i, fields.tags[i]);
  return bytes;
}

}  // namespace quillon::jp2::test
