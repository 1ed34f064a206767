// UiServices of the program: wx message boxes, the progress dialog, the busy cursor and the
// password prompt.
#pragma once

#include "core/services/UiServices.h"

class wxWindow;

namespace quillon {

class WxUiServices final : public UiServices {
 public:
  explicit WxUiServices(const StringTable& strings) : strings_(strings) {}

  const StringTable& Strings() const override { return strings_; }
  MessageAnswer ShowMessage(const Message& message) override;
  std::unique_ptr<Progress> BeginProgress(const std::string& caption) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  std::optional<std::string> AskPassword(const PasswordPrompt& prompt) override;
  std::optional<int> AskNumber(const std::string& title, const std::string& prompt, int minimum,
                               int maximum, int initial) override;

 private:
  const StringTable& strings_;
};

}  // namespace quillon
