#include "ui/SecondWindowChooser.h"

#include <wx/listbox.h>
#include <wx/sizer.h>

#include "ui/DialogButtons.h"
#include "ui/TableText.h"

namespace quillon {

namespace {
constexpr StringId kChooserTitle = 34159;  // "Select Second Window ..."
}

SecondWindowChooser::SecondWindowChooser(wxWindow* parent, const wxArrayString& titles)
    : wxDialog(parent, wxID_ANY, TableText(kChooserTitle)) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  list_ = new wxListBox(this, 1047, wxDefaultPosition, wxSize(300, 160), titles, wxLB_SINGLE);
  if (!titles.empty()) list_->SetSelection(0);
  list_->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { EndModal(wxID_OK); });
  sizer->Add(list_, 1, wxALL | wxEXPAND, 10);
  sizer->Add(OkCancelButtons(this), 0, wxLEFT | wxRIGHT | wxBOTTOM | wxALIGN_RIGHT, 10);
  SetSizerAndFit(sizer);
  CentreOnParent();
}

std::optional<int> SecondWindowChooser::Chosen() const {
  const int selection = list_->GetSelection();
  if (selection == wxNOT_FOUND) return std::nullopt;
  return selection;
}

}  // namespace quillon
