// Persistent program settings: integer and text entries in named sections.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

class Settings {
 public:
  virtual ~Settings() = default;

  virtual int GetProfileInt(std::string_view section, std::string_view entry,
                            int defaultValue) const = 0;
  virtual std::string GetProfileString(std::string_view section, std::string_view entry,
                                       std::string_view defaultValue) const = 0;
  // Return false when the store could not be written.
  virtual bool WriteProfileInt(std::string_view section, std::string_view entry, int value) = 0;
  virtual bool WriteProfileString(std::string_view section, std::string_view entry,
                                  std::string_view value) = 0;
};

}  // namespace quillon
