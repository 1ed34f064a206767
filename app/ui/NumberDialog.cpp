#include "ui/NumberDialog.h"

#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>

#include "ui/DialogButtons.h"

namespace quillon {

NumberDialog::NumberDialog(wxWindow* parent, const wxString& title, const wxString& prompt,
                           int minimum, int maximum, int initial)
    : wxDialog(parent, wxID_ANY, title) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(new wxStaticText(this, wxID_ANY, prompt), 0, wxALL, 10);
  // The spin control keeps the value inside the range, so OK never stores one outside it.
  spin_ = new wxSpinCtrl(this, 1077, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                         wxSP_ARROW_KEYS, minimum, maximum, initial);
  sizer->Add(spin_, 0, wxLEFT | wxRIGHT | wxEXPAND, 10);
  sizer->Add(OkCancelButtons(this), 0, wxALL | wxALIGN_RIGHT, 10);
  SetSizerAndFit(sizer);
  CentreOnParent();
}

int NumberDialog::Value() const {
  return spin_->GetValue();
}

}  // namespace quillon
