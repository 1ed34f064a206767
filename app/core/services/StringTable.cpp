#include "core/services/StringTable.h"

#include <charconv>

namespace quillon {

namespace {

std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

}  // namespace

std::optional<StringTable> StringTable::Parse(std::string_view source) {
  StringTable table;
  while (!source.empty()) {
    const std::size_t end = source.find('\n');
    std::string_view line = source.substr(0, end);
    source.remove_prefix(end == std::string_view::npos ? source.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;

    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    StringId id = 0;
    const auto [ptr, ec] = std::from_chars(line.data(), line.data() + tab, id);
    if (ec != std::errc{} || ptr != line.data() + tab) return std::nullopt;
    auto text = unescape(line.substr(tab + 1));
    if (!text || !table.texts_.emplace(id, std::move(*text)).second) return std::nullopt;
  }
  return table;
}

const std::string& StringTable::Load(StringId id) const {
  static const std::string kEmpty;
  const auto it = texts_.find(id);
  return it == texts_.end() ? kEmpty : it->second;
}

}  // namespace quillon
