#include "ui/ProgressDialog.h"

#include <algorithm>

#include <wx/app.h>
#include <wx/gauge.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace quillon {

ProgressDialog::ProgressDialog(const wxString& caption)
    : caption_(caption), pacer_(ProgressPacer::Clock::now()) {}

ProgressDialog::~ProgressDialog() {
  if (disabledOwner_) disabledOwner_->Enable();
  if (dialog_) dialog_->Destroy();
}

void ProgressDialog::SetRange(int lower, int upper) {
  pacer_.SetRange(lower, upper);
}

void ProgressDialog::SetPos(int position) {
  Apply(pacer_.SetPos(position, ProgressPacer::Clock::now()));
}

void ProgressDialog::StepIt() {
  Apply(pacer_.StepIt(ProgressPacer::Clock::now()));
}

void ProgressDialog::Apply(ProgressPacer::Action action) {
  if (action == ProgressPacer::Action::None) return;
  if (action == ProgressPacer::Action::Show) {
    wxWindow* owner = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    dialog_ = new wxDialog(owner, wxID_ANY, caption_, wxDefaultPosition, wxDefaultSize, wxCAPTION);
    gauge_ = new wxGauge(dialog_, 1003, 100, wxDefaultPosition, wxSize(300, -1));
    percent_ = new wxStaticText(dialog_, 1004, " 0 %");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(gauge_, 0, wxALL | wxEXPAND, 10);
    sizer->Add(percent_, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxALIGN_CENTER_HORIZONTAL, 10);
    dialog_->SetSizerAndFit(sizer);
    dialog_->CentreOnParent();
    dialog_->Show();
    // The owner takes no input while the work runs on its thread.
    if (owner && owner->IsEnabled()) {
      owner->Disable();
      disabledOwner_ = owner;
    }
  }
  Refresh();
}

void ProgressDialog::Refresh() {
  const int span = pacer_.Upper() - pacer_.Lower();
  const int value = span == 0 ? 0 : (pacer_.Position() - pacer_.Lower()) * 100 / span;
  gauge_->SetValue(std::clamp(value, 0, 100));
  percent_->SetLabel(wxString::FromUTF8(pacer_.PercentText()));
  // Paint the dialog and keep the program responsive while the work runs on this thread.
  wxTheApp->Yield(true);
}

}  // namespace quillon
