#include "platform/FileConfigSettings.h"

#include <cstdlib>
#include <system_error>

#include <wx/fileconf.h>

namespace quillon {

namespace {

constexpr const char* kVendor = "Daskor";
constexpr const char* kApplication = "Korvel Quillon 3.0";

wxString keyOf(std::string_view section, std::string_view entry) {
  return wxString::FromUTF8(section.data(), section.size()) + "/" +
         wxString::FromUTF8(entry.data(), entry.size());
}

}  // namespace

std::filesystem::path FileConfigSettings::DefaultPath() {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  return base / kVendor / (std::string(kApplication) + ".conf");
}

FileConfigSettings::FileConfigSettings(const std::filesystem::path& file) {
  std::error_code ignored;  // an unwritable place shows up when writing
  std::filesystem::create_directories(file.parent_path(), ignored);
  config_ = std::make_unique<wxFileConfig>(kApplication, kVendor, wxString(file.string()),
                                           wxString(), wxCONFIG_USE_LOCAL_FILE);
}

FileConfigSettings::~FileConfigSettings() = default;

int FileConfigSettings::GetProfileInt(std::string_view section, std::string_view entry,
                                      int defaultValue) const {
  long value = defaultValue;
  config_->Read(keyOf(section, entry), &value, defaultValue);
  return static_cast<int>(value);
}

std::string FileConfigSettings::GetProfileString(std::string_view section, std::string_view entry,
                                                 std::string_view defaultValue) const {
  const wxString fallback = wxString::FromUTF8(defaultValue.data(), defaultValue.size());
  return config_->Read(keyOf(section, entry), fallback).utf8_string();
}

bool FileConfigSettings::WriteProfileInt(std::string_view section, std::string_view entry,
                                         int value) {
  return config_->Write(keyOf(section, entry), static_cast<long>(value)) && config_->Flush();
}

bool FileConfigSettings::WriteProfileString(std::string_view section, std::string_view entry,
                                            std::string_view value) {
  return config_->Write(keyOf(section, entry), wxString::FromUTF8(value.data(), value.size())) &&
         config_->Flush();
}

}  // namespace quillon
