// A dialog that asks for a whole number in a range with an edit field and a spin control;
// the enhancement level of the regions is asked with it.
#pragma once

#include <wx/dialog.h>

class wxSpinCtrl;

namespace quillon {

class NumberDialog : public wxDialog {
 public:
  NumberDialog(wxWindow* parent, const wxString& title, const wxString& prompt, int minimum,
               int maximum, int initial);
  int Value() const;

 private:
  wxSpinCtrl* spin_ = nullptr;
};

}  // namespace quillon
