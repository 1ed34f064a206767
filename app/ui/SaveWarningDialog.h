// "Warning" before a JPEG picture is saved as JPEG 2000 or KVF where it would probably grow:
// OK saves, Cancel goes back to the file dialog, "&Help" shows the help on saving.
#pragma once

#include <wx/dialog.h>

#include "core/services/StringTable.h"

namespace quillon {

class SaveWarningDialog final : public wxDialog {
 public:
  static constexpr int kTemplateId = 278;
  static constexpr int kTextId = 1000;

  // The advice shown when no other text is given: "When compressing JPG images with Korvel,
  // you are recommended to choose a file size smaller than ..."
  static constexpr StringId kAdviceText = 62104;

  // An empty `text` shows the advice.
  SaveWarningDialog(wxWindow* parent, const wxString& text);

  // The text shown, before it is wrapped to the dialog's width.
  wxString Text() const { return text_; }
  // Opens the help page on saving; the warning stays open.
  void ShowHelp();

 private:
  wxString text_;
};

}  // namespace quillon
