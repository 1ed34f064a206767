#include "ui/SaveDialogPanel.h"

#include <algorithm>
#include <cmath>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "ui/MySaveDialog2.h"
#include "ui/SavePassDlg.h"

namespace quillon {

namespace {

constexpr int kFullQuality = 1024;

// A slider and a spin control that show the same 1..100 value.
void couple(wxSlider* slider, wxSpinCtrl* spin) {
  slider->Bind(wxEVT_SLIDER, [slider, spin](wxCommandEvent&) { spin->SetValue(slider->GetValue()); });
  spin->Bind(wxEVT_SPINCTRL, [slider, spin](wxSpinEvent&) { slider->SetValue(spin->GetValue()); });
}

wxStaticBoxSizer* group(wxWindow* parent, const wxString& title) {
  return new wxStaticBoxSizer(wxVERTICAL, parent, title);
}

// A positive decimal typed by the user, or `previous` for anything else.
double positiveOr(const wxTextCtrl* edit, double previous) {
  double value = 0.0;
  return edit->GetValue().ToCDouble(&value) && std::isfinite(value) && value > 0.0 ? value
                                                                                   : previous;
}

}  // namespace

SaveDialogPanel::SaveDialogPanel(wxWindow* parent, CMySaveDialog2& dialog)
    : wxPanel(parent), dialog_(dialog) {
  const SaveOptions& options = dialog_.options;

  auto* compression = group(this, "Compression");
  wxWindow* box = compression->GetStaticBox();
  const char* labels[] = {"L&ossless", "&Quality:", "1:", "File &size (KB):"};
  const int ids[] = {kLosslessId, kQualityOptionId, kRateOptionId, kSizeOptionId};
  for (int i = 0; i < 4; ++i) {
    options_[i] = new wxRadioButton(box, ids[i], labels[i], wxDefaultPosition, wxDefaultSize,
                                    i == 0 ? wxRB_GROUP : 0);
    options_[i]->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { EnableEdits(); });
  }
  options_[std::clamp(static_cast<int>(options.option), 0, 3)]->SetValue(true);
  const int quality = std::clamp(options.quality, 1, 100);
  qualitySlider_ = new wxSlider(box, kQualitySliderId, quality, 1, 100);
  quality_ = new wxSpinCtrl(box, kQualityEditId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                            wxSP_ARROW_KEYS, 1, 100, quality);
  couple(qualitySlider_, quality_);
  rate_ = new wxTextCtrl(box, kRateEditId, wxString::FromCDouble(options.rate, 1));
  size_ = new wxTextCtrl(box, kSizeEditId, wxString::FromCDouble(options.sizeKb, 1));
  auto* grid = new wxFlexGridSizer(3, 4, 8);
  grid->Add(options_[0]);
  grid->AddSpacer(0);
  grid->AddSpacer(0);
  grid->Add(options_[1]);
  grid->Add(quality_);
  grid->Add(qualitySlider_, 1, wxEXPAND);
  grid->Add(options_[2]);
  grid->Add(rate_);
  grid->AddSpacer(0);
  grid->Add(options_[3]);
  grid->Add(size_);
  compression->Add(grid, 0, wxALL, 4);
  compression_ = compression;

  auto* kvf = group(this, "Korvel");
  box = kvf->GetStaticBox();
  embedded_ = new wxRadioButton(box, kEmbeddedId, "&Embedded", wxDefaultPosition, wxDefaultSize,
                                wxRB_GROUP);
  baseline_ = new wxRadioButton(box, kBaselineId, "&Baseline");
  (options.scanMode == ScanMode::Baseline ? baseline_ : embedded_)->SetValue(true);
  auto* password = new wxButton(box, kPasswordButtonId, "&Password...");
  password->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EditPassword(); });
  protection_ = new wxStaticText(box, kProtectionTextId, wxEmptyString);
  kvf->Add(embedded_, 0, wxALL, 2);
  kvf->Add(baseline_, 0, wxALL, 2);
  kvf->Add(password, 0, wxALL, 2);
  kvf->Add(protection_, 0, wxALL, 2);
  kvf_ = kvf;

  auto* jp2 = new wxBoxSizer(wxHORIZONTAL);
  const wxString orders[] = {"Quality", "Resolution", "Position", "Color"};
  sortedBy_ = new wxChoice(this, kSortedById, wxDefaultPosition, wxDefaultSize, 4, orders);
  sortedBy_->SetSelection(std::clamp(static_cast<int>(options.progression), 0, 3));
  jp2->Add(new wxStaticText(this, wxID_ANY, "Sorted by:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  jp2->Add(sortedBy_);
  jp2_ = jp2;

  auto* pnm = group(this, "Coding");
  box = pnm->GetStaticBox();
  binary_ = new wxRadioButton(box, kBinaryId, "&Binary Coding", wxDefaultPosition, wxDefaultSize,
                              wxRB_GROUP);
  ascii_ = new wxRadioButton(box, kAsciiId, "&ASCII Coding");
  (options.pnmCoding == PnmCoding::Plain ? ascii_ : binary_)->SetValue(true);
  pnm->Add(binary_, 0, wxALL, 2);
  pnm->Add(ascii_, 0, wxALL, 2);
  pnm_ = pnm;

  auto* tiff = new wxBoxSizer(wxHORIZONTAL);
  const wxString methods[] = {"None", "PackBits"};
  tiffCompression_ = new wxChoice(this, kTiffCompressionId, wxDefaultPosition, wxDefaultSize, 2,
                                  methods);
  tiffCompression_->SetSelection(options.tiffCompression == TiffCompression::PackBits ? 1 : 0);
  tiff->Add(new wxStaticText(this, wxID_ANY, "Compression:"), 0,
            wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  tiff->Add(tiffCompression_);
  tiff_ = tiff;

  auto* jpeg = new wxBoxSizer(wxHORIZONTAL);
  const int jpegQuality = std::clamp(options.jpegQuality, 1, 100);
  jpegQuality_ = new wxSpinCtrl(this, kJpegQualityEditId, wxEmptyString, wxDefaultPosition,
                                wxDefaultSize, wxSP_ARROW_KEYS, 1, 100, jpegQuality);
  jpegQualitySlider_ = new wxSlider(this, kJpegQualitySliderId, jpegQuality, 1, 100);
  couple(jpegQualitySlider_, jpegQuality_);
  jpeg->Add(new wxStaticText(this, wxID_ANY, "JPEG quality:"), 0,
            wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  jpeg->Add(jpegQuality_);
  jpeg->Add(jpegQualitySlider_, 1, wxEXPAND);
  jpeg_ = jpeg;

  showWarnings_ = new wxCheckBox(this, kShowWarningsId, "Show w&arnings");
  showWarnings_->SetValue(options.showWarnings);

  auto* side = new wxBoxSizer(wxVERTICAL);
  for (wxSizer* part : {kvf_, jp2_, pnm_, tiff_, jpeg_}) side->Add(part, 0, wxALL | wxEXPAND, 4);
  side->Add(showWarnings_, 0, wxALL, 4);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(compression_, 0, wxALL, 4);
  row->Add(side, 1, wxALL, 4);
  SetSizer(row);

  Bind(wxEVT_UPDATE_UI, &SaveDialogPanel::OnUpdateUi, this);
  ShowProtection();
  EnableEdits();
  SetType(options.type);
}

void SaveDialogPanel::SetType(PictureFormat type) {
  type_ = type;
  const bool wavelet = type == PictureFormat::Jpeg2000 || type == PictureFormat::Kvf;
  wxSizer* root = GetSizer();
  const auto show = [root](wxSizer* part, bool shown) { root->Show(part, shown, true); };
  show(compression_, wavelet);
  show(kvf_, type == PictureFormat::Kvf);
  show(jp2_, type == PictureFormat::Jpeg2000);
  show(pnm_, type == PictureFormat::Pgm || type == PictureFormat::Ppm);
  show(tiff_, type == PictureFormat::Tiff);
  show(jpeg_, type == PictureFormat::Jpeg);
  Layout();
  Fit();
  if (GetParent()) GetParent()->Layout();
}

void SaveDialogPanel::EnableEdits() {
  const bool quality = options_[1]->GetValue();
  quality_->Enable(quality);
  qualitySlider_->Enable(quality);
  rate_->Enable(options_[2]->GetValue());
  size_->Enable(options_[3]->GetValue());
}

void SaveDialogPanel::ShowProtection() {
  const int percent =
      static_cast<int>(std::lround(dialog_.options.freeQuality * 100.0 / kFullQuality));
  protection_->SetLabel(dialog_.passwordOn
                            ? wxString::Format("Password on, %d %% free", percent)
                            : wxString("No password"));
}

void SaveDialogPanel::OnUpdateUi(wxUpdateUIEvent& event) {
  // The type follows the filter the user picks in the dialog.
  if (auto* fileDialog = dynamic_cast<wxFileDialog*>(GetParent())) {
    const int code = fileDialog->GetFilterIndex() + static_cast<int>(PictureFormat::Jpeg2000);
    if (code <= static_cast<int>(PictureFormat::Jpeg) && code != static_cast<int>(type_)) {
      SetType(static_cast<PictureFormat>(code));
    }
  }
  event.Skip();
}

void SaveDialogPanel::EditPassword() {
  CSavePassDlg ask(this, dialog_.password, dialog_.options.freeQuality);
  switch (ask.ShowModal()) {
    case wxID_OK:
      dialog_.passwordOn = true;
      dialog_.password = ask.Password();
      dialog_.options.freeQuality = ask.FreeQuality();
      break;
    case CSavePassDlg::kNoPasswordId:
      dialog_.passwordOn = false;
      dialog_.password.clear();
      break;
    default:
      break;
  }
  ShowProtection();
}

void SaveDialogPanel::TransferToDialog() {
  SaveOptions& options = dialog_.options;
  if (type_ != PictureFormat::Unknown) options.type = type_;
  for (int i = 0; i < 4; ++i) {
    if (options_[i]->GetValue()) options.option = static_cast<SaveOption>(i);
  }
  options.quality = std::clamp(quality_->GetValue(), 1, 100);
  options.rate = positiveOr(rate_, options.rate);
  options.sizeKb = positiveOr(size_, options.sizeKb);
  options.scanMode = baseline_->GetValue() ? ScanMode::Baseline : ScanMode::Embedded;
  options.progression = static_cast<SortedBy>(std::max(0, sortedBy_->GetSelection()));
  options.pnmCoding = ascii_->GetValue() ? PnmCoding::Plain : PnmCoding::Raw;
  options.tiffCompression =
      tiffCompression_->GetSelection() == 1 ? TiffCompression::PackBits : TiffCompression::None;
  options.jpegQuality = std::clamp(jpegQuality_->GetValue(), 1, 100);
  options.showWarnings = showWarnings_->GetValue();
}

}  // namespace quillon
