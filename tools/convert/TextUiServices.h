// The converter's user interface: messages on standard error, questions answered from the
// command line, progress on standard error when that is a terminal.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "core/services/UiServices.h"

namespace quillon::convert {

struct TextAnswers {
  bool yes = false;                     // Yes/OK to every question, else No/Cancel
  std::optional<std::string> password;  // the answer to every password prompt
};

class TextUiServices final : public UiServices {
 public:
  // `showProgress`: draw progress lines on `err` (only sensible for a terminal).
  TextUiServices(const StringTable& strings, std::ostream& err, bool showProgress,
                 TextAnswers answers);

  const StringTable& Strings() const override { return strings_; }
  MessageAnswer ShowMessage(const Message& message) override;
  std::unique_ptr<Progress> BeginProgress(const std::string& caption) override;
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  std::optional<std::string> AskPassword(const PasswordPrompt& prompt) override;
  std::optional<int> AskNumber(const std::string& title, const std::string& prompt, int minimum,
                               int maximum, int initial) override;

  // Messages shown so far; a failure that showed none still needs a word from the caller.
  int MessageCount() const { return messageCount_; }
  // Prints one line of the converter's own on standard error.
  void Report(const std::string& text);

 private:
  const StringTable& strings_;
  std::ostream& err_;
  bool showProgress_;
  TextAnswers answers_;
  int messageCount_ = 0;
};

}  // namespace quillon::convert
