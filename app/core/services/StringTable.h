// Message texts looked up by their numeric id.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

using StringId = std::uint32_t;

class StringTable {
 public:
  // Parses lines "<id><TAB><text>" ('#' starts a comment line; escapes \n, \t, \\).
  // Returns nothing when a line is malformed or an id repeats.
  static std::optional<StringTable> Parse(std::string_view source);

  // The text of `id`, or an empty string for an unknown id.
  const std::string& Load(StringId id) const;
  bool Contains(StringId id) const { return texts_.contains(id); }
  const std::map<StringId, std::string>& Entries() const { return texts_; }

 private:
  std::map<StringId, std::string> texts_;
};

}  // namespace quillon
