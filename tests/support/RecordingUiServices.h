// A UiServices that records what the code under test shows and answers from a script,
// so tests never block on a dialog.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/services/UiServices.h"

namespace quillon::test {

class RecordingUiServices final : public UiServices {
 public:
  explicit RecordingUiServices(const StringTable& strings) : strings_(strings) {}

  // Answers for message boxes and password prompts, in order; when the script runs out,
  // message boxes answer their first button and password prompts cancel.
  std::deque<MessageAnswer> answers;
  std::deque<std::optional<std::string>> passwords;

  std::vector<Message> messages;
  std::vector<PasswordPrompt> passwordPrompts;
  // Answers for number prompts; when the script runs out, OK with the value offered.
  std::deque<std::optional<int>> numbers;
  std::vector<std::string> numberPrompts;
  std::vector<std::string> progressCaptions;
  std::vector<int> progressPositions;
  int waitDepth = 0;
  int maxWaitDepth = 0;

  const StringTable& Strings() const override { return strings_; }

  // Called with each message as it is shown, to look at the program at that moment.
  std::function<void(const Message&)> onMessage;

  MessageAnswer ShowMessage(const Message& message) override {
    messages.push_back(message);
    if (onMessage) onMessage(message);
    if (!answers.empty()) {
      const MessageAnswer answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return message.buttons == MessageButtons::YesNo ||
                   message.buttons == MessageButtons::YesNoCancel
               ? MessageAnswer::Yes
               : MessageAnswer::Ok;
  }

  std::unique_ptr<Progress> BeginProgress(const std::string& caption) override {
    progressCaptions.push_back(caption);
    return std::make_unique<RecordingProgress>(progressPositions);
  }

  void BeginWaitCursor() override {
    ++waitDepth;
    if (waitDepth > maxWaitDepth) maxWaitDepth = waitDepth;
  }
  void EndWaitCursor() override { --waitDepth; }

  std::optional<std::string> AskPassword(const PasswordPrompt& prompt) override {
    passwordPrompts.push_back(prompt);
    if (passwords.empty()) return std::nullopt;
    auto answer = passwords.front();
    passwords.pop_front();
    return answer;
  }

  std::optional<int> AskNumber(const std::string&, const std::string& prompt, int, int,
                               int initial) override {
    numberPrompts.push_back(prompt);
    if (numbers.empty()) return initial;
    auto answer = numbers.front();
    numbers.pop_front();
    return answer;
  }

 private:
  class RecordingProgress final : public Progress {
   public:
    explicit RecordingProgress(std::vector<int>& positions) : positions_(positions) {}
    void SetRange(int lower, int) override { position_ = lower; }
    void SetPos(int position) override { positions_.push_back(position_ = position); }
    void StepIt() override { positions_.push_back(++position_); }

   private:
    std::vector<int>& positions_;
    int position_ = 0;
  };

  const StringTable& strings_;
};

}  // namespace quillon::test
