// Settings held in memory only: for tests and for runs that must not touch the user's files.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "core/services/Settings.h"

namespace quillon {

class MemorySettings final : public Settings {
 public:
  int GetProfileInt(std::string_view section, std::string_view entry,
                    int defaultValue) const override;
  std::string GetProfileString(std::string_view section, std::string_view entry,
                               std::string_view defaultValue) const override;
  bool WriteProfileInt(std::string_view section, std::string_view entry, int value) override;
  bool WriteProfileString(std::string_view section, std::string_view entry,
                          std::string_view value) override;

  bool Contains(std::string_view section, std::string_view entry) const;

 private:
  using Key = std::pair<std::string, std::string>;
  // Numbers and texts live apart, as the persistent store keeps their kinds apart.
  std::map<Key, int> ints_;
  std::map<Key, std::string> strings_;
};

}  // namespace quillon
