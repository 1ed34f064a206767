#include "core/services/MemorySettings.h"

namespace quillon {

namespace {
std::pair<std::string, std::string> key(std::string_view section, std::string_view entry) {
  return {std::string(section), std::string(entry)};
}
}  // namespace

int MemorySettings::GetProfileInt(std::string_view section, std::string_view entry,
                                  int defaultValue) const {
  const auto it = ints_.find(key(section, entry));
  return it == ints_.end() ? defaultValue : it->second;
}

std::string MemorySettings::GetProfileString(std::string_view section, std::string_view entry,
                                             std::string_view defaultValue) const {
  const auto it = strings_.find(key(section, entry));
  return it == strings_.end() ? std::string(defaultValue) : it->second;
}

bool MemorySettings::WriteProfileInt(std::string_view section, std::string_view entry, int value) {
  ints_[key(section, entry)] = value;
  return true;
}

bool MemorySettings::WriteProfileString(std::string_view section, std::string_view entry,
                                        std::string_view value) {
  strings_[key(section, entry)] = std::string(value);
  return true;
}

bool MemorySettings::Contains(std::string_view section, std::string_view entry) const {
  return ints_.contains(key(section, entry)) || strings_.contains(key(section, entry));
}

}  // namespace quillon
