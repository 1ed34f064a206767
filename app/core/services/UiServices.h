// What the picture code asks of the user interface: message boxes, progress, the wait
// cursor and the password prompt. The program, the converter and the tests each supply one.
#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

#include "core/services/FormatMessage.h"
#include "core/services/StringTable.h"

namespace quillon {

enum class MessageIcon { None, Information, Exclamation, Question, Stop };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct Message {
  std::optional<StringId> id;  // set when the text came from the string table
  std::string text;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  // More about a failure, such as a library's own words for it; shown below the text.
  std::string details{};
};

// The password prompt of a protected file: the window title (the file name) and the line
// that tells what the picture looks like without the password.
struct PasswordPrompt {
  std::string title;
  std::string qualityLine;
};

// A running progress display; closed when destroyed.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void SetRange(int lower, int upper) = 0;
  virtual void SetPos(int position) = 0;
  virtual void StepIt() = 0;
};

class UiServices {
 public:
  virtual ~UiServices() = default;

  virtual const StringTable& Strings() const = 0;
  virtual MessageAnswer ShowMessage(const Message& message) = 0;
  // Starts a progress display with the given caption (already formatted).
  virtual std::unique_ptr<Progress> BeginProgress(const std::string& caption) = 0;
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // Asks for a password; nothing when the user cancels.
  virtual std::optional<std::string> AskPassword(const PasswordPrompt& prompt) = 0;
  // Asks for a whole number from `minimum` to `maximum`; nothing when the user cancels.
  virtual std::optional<int> AskNumber(const std::string& title, const std::string& prompt,
                                       int minimum, int maximum, int initial) = 0;

  // A message from the string table, its pattern filled with `args`.
  MessageAnswer MessageBox(StringId id, MessageIcon icon,
                           MessageButtons buttons = MessageButtons::Ok,
                           std::initializer_list<MessageArg> args = {}) {
    return ShowMessage({id, FormatMessage(Strings().Load(id), args), icon, buttons});
  }
  MessageAnswer MessageBox(std::string text, MessageIcon icon,
                           MessageButtons buttons = MessageButtons::Ok) {
    return ShowMessage({std::nullopt, std::move(text), icon, buttons});
  }
};

// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
 public:
  explicit WaitCursor(UiServices& ui) : ui_(ui) { ui_.BeginWaitCursor(); }
  ~WaitCursor() { ui_.EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  UiServices& ui_;
};

}  // namespace quillon
