#include "ui/LoadPasswordDialog.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "core/document/PictureDocument.h"
#include "ui/DialogButtons.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kRequestText = 62154;  // "Please give a password for complete decoding:"

}  // namespace

LoadPasswordDialog::LoadPasswordDialog(wxWindow* parent, const PasswordPrompt& prompt)
    : wxDialog(parent, kTemplateId, wxString::FromUTF8(prompt.title)) {
  auto* request = new wxStaticText(this, wxID_ANY, TableText(kRequestText));
  password_ = new wxTextCtrl(this, kPasswordId, wxEmptyString, wxDefaultPosition, wxSize(260, -1),
                             wxTE_PASSWORD);
  password_->SetMaxLength(kMaxPasswordLength);
  auto* quality = new wxStaticText(this, kQualityLineId, wxString::FromUTF8(prompt.qualityLine));

  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(request, 0, wxALL, 8);
  column->Add(password_, 0, wxLEFT | wxRIGHT | wxEXPAND, 8);
  column->Add(quality, 0, wxALL, 8);
  column->Add(OkCancelButtons(this), 0, wxALL | wxALIGN_RIGHT, 8);
  SetSizerAndFit(column);
  password_->SetFocus();
  CentreOnParent();
}

std::string LoadPasswordDialog::Password() const {
  return password_->GetValue().utf8_string();
}

}  // namespace quillon
