#include "ui/SavePasswordDialog.h"

#include <cmath>

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "core/document/PictureDocument.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kTitleText = 62150;        // "Activate Password Protection"
constexpr StringId kPasswordText = 62151;     // "&Password:"
constexpr StringId kFreeQualityText = 62152;  // "&Quality without password (%):"
constexpr StringId kNoPasswordText = 62153;   // "Do &not use Password"
constexpr StringId kOkMnemonicText = 62108;   // "&OK"

constexpr int kFullQuality = 1024;
constexpr int kFallbackPercent = 50;

int percentOf(int freeQuality) {
  const long percent = std::lround(freeQuality * 100.0 / kFullQuality);
  return percent >= 1 && percent <= 100 ? static_cast<int>(percent) : kFallbackPercent;
}

}  // namespace

SavePasswordDialog::SavePasswordDialog(wxWindow* parent, const std::string& password,
                                       int freeQuality)
    : wxDialog(parent, kTemplateId, TableText(kTitleText)) {
  password_ = new wxTextCtrl(this, kPasswordId, wxString::FromUTF8(password), wxDefaultPosition,
                             wxSize(260, -1), wxTE_PASSWORD);
  password_->SetMaxLength(kMaxPasswordLength);
  freePercent_ = new wxSpinCtrl(this, kFreeQualityId, wxEmptyString, wxDefaultPosition,
                                wxDefaultSize, wxSP_ARROW_KEYS, 1, 100, percentOf(freeQuality));

  auto* fields = new wxFlexGridSizer(2, 6, 8);
  fields->Add(new wxStaticText(this, wxID_ANY, TableText(kPasswordText)), 0,
              wxALIGN_CENTER_VERTICAL);
  fields->Add(password_, 1, wxEXPAND);
  fields->Add(new wxStaticText(this, wxID_ANY, TableText(kFreeQualityText)), 0,
              wxALIGN_CENTER_VERTICAL);
  fields->Add(freePercent_);

  auto* ok = new wxButton(this, wxID_OK, TableText(kOkMnemonicText));
  auto* none = new wxButton(this, kNoPasswordId, TableText(kNoPasswordText));
  auto* cancel = new wxButton(this, wxID_CANCEL, TableText(kCancelText));
  ok->SetDefault();
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(ok);
  buttons->Add(none, 0, wxLEFT, 6);
  buttons->Add(cancel, 0, wxLEFT, 6);

  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(fields, 0, wxALL | wxEXPAND, 10);
  column->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 10);
  SetSizerAndFit(column);

  // A protection without a password would lock nothing.
  ok->Bind(wxEVT_UPDATE_UI,
           [this](wxUpdateUIEvent& event) { event.Enable(!password_->IsEmpty()); });
  none->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(kNoPasswordId); });
  password_->SetFocus();
  CentreOnParent();
}

std::string SavePasswordDialog::Password() const {
  return password_->GetValue().utf8_string().substr(0, kMaxPasswordLength);
}

int SavePasswordDialog::FreeQuality() const {
  return static_cast<int>(std::lround(freePercent_->GetValue() * kFullQuality / 100.0));
}

}  // namespace quillon
