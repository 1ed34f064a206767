// The password prompt of a protected KVF file (template 211): the file name as title, the
// request for the password and the quality the picture has without it.
#pragma once

#include <string>

#include <wx/dialog.h>

#include "core/services/UiServices.h"

class wxTextCtrl;

namespace quillon {

class LoadPasswordDialog final : public wxDialog {
 public:
  static constexpr int kTemplateId = 211;
  static constexpr int kPasswordId = 1001;
  static constexpr int kQualityLineId = 1002;

  LoadPasswordDialog(wxWindow* parent, const PasswordPrompt& prompt);

  // What was typed, as UTF-8.
  std::string Password() const;

 private:
  wxTextCtrl* password_ = nullptr;
};

}  // namespace quillon
