// Walks the box headers of a JP2 or JPX file held in memory, and reads big-endian fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillon::jp2::test {

inline std::uint32_t U32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  if (at + 4 > bytes.size()) return 0;
  return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
         (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

inline std::uint32_t U16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  if (at + 2 > bytes.size()) return 0;
  return (std::uint32_t{bytes[at]} << 8) | bytes[at + 1];
}

inline std::string Type(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  if (at + 4 > bytes.size()) return {};
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

struct Box {
  std::size_t at;  // of the box header
  std::uint32_t length;
  std::string type;
};

// The boxes from `from` up to `to` (a box's content: at + 8 to at + length); a box of
// length 0 runs to the end. Stops at a length that cannot be a box.
inline std::vector<Box> Boxes(const std::vector<std::uint8_t>& bytes, std::size_t from = 0,
                              std::size_t to = std::string::npos) {
  if (to == std::string::npos || to > bytes.size()) to = bytes.size();
  std::vector<Box> boxes;
  for (std::size_t at = from; at + 8 <= to;) {
    const std::uint32_t length = U32(bytes, at);
    boxes.push_back({at, length, Type(bytes, at + 4)});
    if (length == 0 || length < 8 || at + length > to) break;
    at += length;
  }
  return boxes;
}

// The types of the boxes in order, e.g. "jP  ,ftyp,jp2h,jp2c".
inline std::string BoxTypes(const std::vector<Box>& boxes) {
  std::string types;
  for (const Box& box : boxes) types += (types.empty() ? "" : ",") + box.type;
  return types;
}

// The box of a type inside a list, or nullptr.
inline const Box* Find(const std::vector<Box>& boxes, const std::string& type) {
  for (const Box& box : boxes) {
    if (box.type == type) return &box;
  }
  return nullptr;
}

}  // namespace quillon::jp2::test
