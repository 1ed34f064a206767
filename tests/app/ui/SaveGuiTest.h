// What the save dialog's GUI tests share: answers for modal dialogs without showing them.
#pragma once

#include <functional>
#include <vector>

#include <wx/dialog.h>
#include <wx/modalhook.h>

namespace quillon::test {

// While registered, every modal dialog is handed to `answer` instead of being shown, and
// ShowModal returns what `answer` returns. Counts the dialogs it answered.
class ModalAnswers final : public wxModalDialogHook {
 public:
  explicit ModalAnswers(std::function<int(wxDialog&)> answer) : answer_(std::move(answer)) {
    Register();
  }
  int count = 0;

 protected:
  int Enter(wxDialog* dialog) override {
    ++count;
    return answer_(*dialog);
  }

 private:
  std::function<int(wxDialog&)> answer_;
};

}  // namespace quillon::test
