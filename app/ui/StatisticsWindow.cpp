#include "ui/StatisticsWindow.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "core/analysis/PictureComparison.h"
#include "core/analysis/StructuralSimilarity.h"
#include "core/services/SettingsTable.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"
#include "ui/PictureWindows.h"
#include "ui/QuillonApp.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kTitle = 34146;            // "Statistics"
constexpr StringId kOriginalLabel = 34147;    // "Original Image:"
constexpr StringId kComparedLabel = 34148;    // "Compared Image:"
constexpr StringId kFirstValueLabel = 34149;  // "MAE:", then RMS, MSE, SNR, PSNR, SSIM

}  // namespace

StatisticsWindow::StatisticsWindow(wxWindow* parent)
    : ToolWindow(parent, TableText(kTitle), setting::kStatisticsPosition) {
  auto* panel = new wxPanel(this);
  auto* grid = new wxFlexGridSizer(2, wxSize(12, 6));
  grid->AddGrowableCol(1);
  grid->Add(new wxStaticText(panel, wxID_ANY, TableText(kOriginalLabel)), 0,
            wxALIGN_CENTER_VERTICAL);
  originals_ = new wxChoice(panel, 1066);
  originals_->SetMinSize(wxSize(220, -1));
  originals_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { Recompute(); });
  grid->Add(originals_, 1, wxEXPAND);
  grid->Add(new wxStaticText(panel, wxID_ANY, TableText(kComparedLabel)));
  compared_ = new wxStaticText(panel, 1067, wxString());
  grid->Add(compared_, 1, wxEXPAND);
  for (int i = 0; i < kValues; ++i) {
    grid->Add(new wxStaticText(panel, wxID_ANY, TableText(kFirstValueLabel + StringId(i))));
    values_[std::size_t(i)] =
        new wxStaticText(panel, 1068 + i, wxString(), wxDefaultPosition, wxSize(160, -1));
    grid->Add(values_[std::size_t(i)], 1, wxEXPAND);
  }
  auto* border = new wxBoxSizer(wxVERTICAL);
  border->Add(grid, 1, wxALL | wxEXPAND, 10);
  panel->SetSizer(border);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(panel, 1, wxEXPAND);
  SetSizerAndFit(sizer);
}

wxString StatisticsWindow::ComparedTitle() const {
  return compared_->GetLabel();
}

wxString StatisticsWindow::ValueText(int index) const {
  return values_[std::size_t(index)]->GetLabel();
}

void StatisticsWindow::FollowActivePicture() {
  const wxString chosen = originals_->GetStringSelection();
  originals_->Clear();
  int widest = 0;
  for (PictureView* view : OpenPictureViews()) {
    originals_->Append(view->WindowTitle());
    widest = std::max(widest, originals_->GetTextExtent(view->WindowTitle()).x);
  }
  const int index = originals_->FindString(chosen, true);
  originals_->SetSelection(index != wxNOT_FOUND ? index : originals_->IsEmpty() ? wxNOT_FOUND : 0);
  PictureView* active = ActivePictureView();
  compared_->SetLabel(active ? active->WindowTitle() : wxString());
  Recompute();
  // Long titles widen the window rather than being cut off. The toolkit does not grow the
  // list's best size as entries are added; the room beside the text is for its arrow.
  constexpr int kArrowRoom = 64;
  originals_->SetMinSize(wxSize(std::max(220, widest + kArrowRoom), -1));
  compared_->InvalidateBestSize();
  GetSizer()->SetSizeHints(this);
  Fit();
}

void StatisticsWindow::Recompute() {
  PictureView* original = PictureViewTitled(originals_->GetStringSelection());
  PictureView* active = ActivePictureView();
  const double infinity = std::numeric_limits<double>::infinity();
  ComparisonMeasures measures{0, 0, 0, infinity, infinity};
  double ssim = 1.0;
  if (original && active && original != active) {
    WaitCursor wait(wxGetApp().Ui());
    measures = CompareWithReference(PictureOf(*original), PictureOf(*active));
    ssim = StructuralSimilarity(PictureOf(*original), PictureOf(*active));
  }
  const double shown[kValues] = {measures.mae, measures.rms,  measures.mse,
                                 measures.snr, measures.psnr, ssim};
  for (int i = 0; i < kValues; ++i) {
    const char* format = i == 3 || i == 4 ? "%lg dB" : i == 5 ? "%.6f" : "%lg";
    values_[std::size_t(i)]->SetLabel(wxString::Format(format, shown[i]));
  }
}

}  // namespace quillon
