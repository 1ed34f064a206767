// Settings kept in a file of the user's XDG configuration directory.
#pragma once

#include <filesystem>
#include <memory>

#include "core/services/Settings.h"

class wxFileConfig;

namespace quillon {

class FileConfigSettings final : public Settings {
 public:
  // $XDG_CONFIG_HOME (or ~/.config) / Daskor / Korvel Quillon 3.0.conf
  static std::filesystem::path DefaultPath();

  explicit FileConfigSettings(const std::filesystem::path& file = DefaultPath());
  ~FileConfigSettings() override;

  int GetProfileInt(std::string_view section, std::string_view entry,
                    int defaultValue) const override;
  std::string GetProfileString(std::string_view section, std::string_view entry,
                               std::string_view defaultValue) const override;
  bool WriteProfileInt(std::string_view section, std::string_view entry, int value) override;
  bool WriteProfileString(std::string_view section, std::string_view entry,
                          std::string_view value) override;

 private:
  std::unique_ptr<wxFileConfig> config_;
};

}  // namespace quillon
