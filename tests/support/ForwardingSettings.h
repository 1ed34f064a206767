// Settings that pass every call to a store owned elsewhere, so that one store can outlive
// several program starts in a test.
#pragma once

#include "core/services/Settings.h"

namespace quillon::test {

class ForwardingSettings final : public Settings {
 public:
  explicit ForwardingSettings(Settings& store) : store_(store) {}

  int GetProfileInt(std::string_view section, std::string_view entry,
                    int defaultValue) const override {
    return store_.GetProfileInt(section, entry, defaultValue);
  }
  std::string GetProfileString(std::string_view section, std::string_view entry,
                               std::string_view defaultValue) const override {
    return store_.GetProfileString(section, entry, defaultValue);
  }
  bool WriteProfileInt(std::string_view section, std::string_view entry, int value) override {
    return store_.WriteProfileInt(section, entry, value);
  }
  bool WriteProfileString(std::string_view section, std::string_view entry,
                          std::string_view value) override {
    return store_.WriteProfileString(section, entry, value);
  }

 private:
  Settings& store_;
};

}  // namespace quillon::test
