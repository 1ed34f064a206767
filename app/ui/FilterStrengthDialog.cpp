#include "ui/FilterStrengthDialog.h"

#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

#include "ui/DialogButtons.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kSmoothTitle = 62300;
constexpr StringId kSharpenTitle = 62301;
constexpr StringId kStrengthLabel = 62302;
constexpr StringId kLowLabel = 62303;
constexpr StringId kHighLabel = 62304;
constexpr StringId kMediumLabel = 62305;

// Dialog ids the smoothing and sharpening dialogs always had.
constexpr int kSmoothTemplateId = 167;
constexpr int kSharpenTemplateId = 1538;

struct Choice {
  FilterStrength strength;
  StringId label;
};
constexpr std::array<Choice, 3> kChoices{{{FilterStrength::Low, kLowLabel},
                                          {FilterStrength::Medium, kMediumLabel},
                                          {FilterStrength::High, kHighLabel}}};

}  // namespace

FilterStrengthDialog::FilterStrengthDialog(wxWindow* parent, KernelFilter filter)
    : wxDialog(parent, filter == KernelFilter::Smooth ? kSmoothTemplateId : kSharpenTemplateId,
               TableText(filter == KernelFilter::Smooth ? kSmoothTitle : kSharpenTitle)) {
  auto* box = new wxStaticBoxSizer(wxVERTICAL, this, TableText(kStrengthLabel));
  for (std::size_t i = 0; i < kChoices.size(); ++i) {
    choices_[i] = new wxRadioButton(box->GetStaticBox(), wxID_ANY, TableText(kChoices[i].label),
                                    wxDefaultPosition, wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
    box->Add(choices_[i], 0, wxALL, 4);
  }
  SetStrength(FilterStrength::Low);
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(box, 0, wxALL | wxEXPAND, 10);
  column->Add(OkCancelButtons(this), 0, wxLEFT | wxRIGHT | wxBOTTOM | wxALIGN_RIGHT, 10);
  SetSizerAndFit(column);
  CentreOnParent();
}

FilterStrength FilterStrengthDialog::Strength() const {
  for (std::size_t i = 0; i < kChoices.size(); ++i) {
    if (choices_[i]->GetValue()) return kChoices[i].strength;
  }
  return FilterStrength::Low;
}

void FilterStrengthDialog::SetStrength(FilterStrength strength) {
  for (std::size_t i = 0; i < kChoices.size(); ++i) {
    if (kChoices[i].strength == strength) choices_[i]->SetValue(true);
  }
}

}  // namespace quillon
