// "Activate Password Protection": the password of a KVF file and the quality anyone may see
// without it.
#pragma once

#include <string>

#include <wx/dialog.h>

class wxSpinCtrl;
class wxTextCtrl;

namespace quillon {

class SavePasswordDialog final : public wxDialog {
 public:
  static constexpr int kTemplateId = 210;
  static constexpr int kPasswordId = 1079;
  static constexpr int kFreeQualityId = 1080;
  // What ShowModal returns for "Do &not use Password"; OK and Cancel return wxID_OK and
  // wxID_CANCEL.
  static constexpr int kNoPasswordId = 1082;

  // `freeQuality` is in 1/1024 of full quality; the dialog shows it in percent, and a value
  // outside 1..100 percent as 50.
  SavePasswordDialog(wxWindow* parent, const std::string& password, int freeQuality);

  // What was typed, as UTF-8, at most kMaxPasswordLength bytes.
  std::string Password() const;
  // The free quality chosen, in 1/1024 of full quality.
  int FreeQuality() const;

 private:
  wxTextCtrl* password_ = nullptr;
  wxSpinCtrl* freePercent_ = nullptr;
};

}  // namespace quillon
