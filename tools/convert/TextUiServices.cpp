#include "tools/convert/TextUiServices.h"

namespace quillon::convert {

namespace {

constexpr const char* kPrefix = "quillon-convert: ";

// Redraws one line "caption: NN%" on a terminal whenever the percentage changes.
class TerminalProgress final : public Progress {
 public:
  TerminalProgress(std::ostream& err, std::string caption)
      : err_(err), caption_(std::move(caption)) {}
  ~TerminalProgress() override {
    if (shown_ >= 0) err_ << "\r\033[K" << std::flush;
  }

  void SetRange(int lower, int upper) override {
    lower_ = lower;
    upper_ = upper;
    position_ = lower;
    Draw();
  }
  void SetPos(int position) override {
    position_ = position;
    Draw();
  }
  void StepIt() override {
    ++position_;
    Draw();
  }

 private:
  void Draw() {
    const long long span = (long long)upper_ - lower_;
    long long percent = span > 0 ? ((long long)position_ - lower_) * 100 / span : 0;
    percent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
    if (percent == shown_) return;
    shown_ = int(percent);
    err_ << '\r' << caption_ << ": " << shown_ << '%' << std::flush;
  }

  std::ostream& err_;
  std::string caption_;
  int lower_ = 0, upper_ = 100, position_ = 0;
  int shown_ = -1;
};

class SilentProgress final : public Progress {
 public:
  void SetRange(int, int) override {}
  void SetPos(int) override {}
  void StepIt() override {}
};

bool IsQuestion(MessageButtons buttons) {
  return buttons != MessageButtons::Ok;
}

}  // namespace

TextUiServices::TextUiServices(const StringTable& strings, std::ostream& err, bool showProgress,
                               TextAnswers answers)
    : strings_(strings), err_(err), showProgress_(showProgress), answers_(std::move(answers)) {}

void TextUiServices::Report(const std::string& text) {
  err_ << kPrefix << text << '\n';
}

MessageAnswer TextUiServices::ShowMessage(const Message& message) {
  ++messageCount_;
  Report(message.text);
  if (!message.details.empty()) Report(message.details);
  if (!IsQuestion(message.buttons)) return MessageAnswer::Ok;
  const bool okCancel = message.buttons == MessageButtons::OkCancel;
  if (answers_.yes) {
    Report(okCancel ? "answered OK (--yes)" : "answered Yes (--yes)");
    return okCancel ? MessageAnswer::Ok : MessageAnswer::Yes;
  }
  Report(okCancel ? "answered Cancel (--yes answers OK)" : "answered No (--yes answers Yes)");
  return okCancel ? MessageAnswer::Cancel : MessageAnswer::No;
}

std::unique_ptr<Progress> TextUiServices::BeginProgress(const std::string& caption) {
  if (!showProgress_) return std::make_unique<SilentProgress>();
  return std::make_unique<TerminalProgress>(err_, caption);
}

std::optional<std::string> TextUiServices::AskPassword(const PasswordPrompt& prompt) {
  // Readers ask once per file and fail on a wrong password, so every file may get it.
  if (answers_.password) return answers_.password;
  Report(prompt.title + " is protected; without --password it opens at the free quality");
  if (!prompt.qualityLine.empty()) Report(prompt.qualityLine);
  return std::nullopt;
}

std::optional<int> TextUiServices::AskNumber(const std::string& title, const std::string& prompt,
                                             int minimum, int maximum, int initial) {
  Report(title + ": " + prompt + " (" + std::to_string(minimum) + " to " + std::to_string(maximum) +
         "): answered " + std::to_string(initial));
  return initial;
}

}  // namespace quillon::convert
