#include "ui/SaveDialogPanel.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "core/formats/jp2/Jpeg2000Reader.h"
#include "core/pipelines/SavePipeline.h"
#include "ui/QuillonApp.h"
#include "ui/SaveDialog.h"
#include "ui/SavePasswordDialog.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr int kFullQuality = 1024;
constexpr int kFirstType = static_cast<int>(PictureFormat::Jpeg2000);
constexpr int kLastType = static_cast<int>(PictureFormat::Png);
constexpr StringId kPngCompressionLabel = 61250;
const wxSize kSliderSize(140, -1);

constexpr StringId kCompressionGroup = 62110;  // "Compression"
constexpr StringId kOptionTexts[] = {
    62111,  // "L&ossless"
    62112,  // "&Quality:"
    62113,  // "1:"
    62114,  // "File &size (KB):"
};
constexpr StringId kKvfGroup = 62115;          // "Korvel"
constexpr StringId kEmbeddedText = 62116;      // "&Embedded"
constexpr StringId kBaselineText = 62117;      // "&Baseline"
constexpr StringId kPasswordButton = 62118;    // "&Password..."
constexpr StringId kPasswordOnText = 62119;    // "Password on, %d %% free"
constexpr StringId kNoPasswordText = 62120;    // "No password"
constexpr StringId kSortedByLabel = 62121;     // "Sorted by:"
constexpr StringId kCodingGroup = 62122;       // "Coding"
constexpr StringId kBinaryText = 62123;        // "&Binary Coding"
constexpr StringId kAsciiText = 62124;         // "&ASCII Coding"
constexpr StringId kTiffLabel = 62125;         // "Compression:"
constexpr StringId kTiffNone = 62126;          // "None"
constexpr StringId kTiffPackBits = 62127;      // "PackBits"
constexpr StringId kJpegQualityLabel = 62128;  // "JPEG quality:"
constexpr StringId kShowWarningsText = 62129;  // "Show w&arnings"

// A slider and a spin control that show the same 1..100 value.
void couple(wxSlider* slider, wxSpinCtrl* spin) {
  slider->Bind(wxEVT_SLIDER,
               [slider, spin](wxCommandEvent&) { spin->SetValue(slider->GetValue()); });
  spin->Bind(wxEVT_SPINCTRL, [slider, spin](wxSpinEvent&) { slider->SetValue(spin->GetValue()); });
}

wxStaticBoxSizer* group(wxWindow* parent, StringId title) {
  return new wxStaticBoxSizer(wxVERTICAL, parent, TableText(title));
}

struct Labelled {
  int id;
  StringId label;
};

// Two radio buttons in a box of their own; the second is chosen when `secondChosen`.
wxStaticBoxSizer* radioPair(wxWindow* parent, StringId title, Labelled first, Labelled second,
                            bool secondChosen, wxRadioButton*& firstButton,
                            wxRadioButton*& secondButton) {
  auto* pair = group(parent, title);
  wxWindow* box = pair->GetStaticBox();
  firstButton = new wxRadioButton(box, first.id, TableText(first.label), wxDefaultPosition,
                                  wxDefaultSize, wxRB_GROUP);
  secondButton = new wxRadioButton(box, second.id, TableText(second.label));
  (secondChosen ? secondButton : firstButton)->SetValue(true);
  pair->Add(firstButton, 0, wxALL, 2);
  pair->Add(secondButton, 0, wxALL, 2);
  return pair;
}

// A list behind its label; a selection outside the list chooses the first entry.
wxSizer* labelledChoice(wxWindow* parent, StringId label, int id,
                        std::initializer_list<StringId> entries, int selection, wxChoice*& choice) {
  wxArrayString texts;
  for (const StringId entry : entries) texts.Add(TableText(entry));
  choice = new wxChoice(parent, id, wxDefaultPosition, wxDefaultSize, texts);
  choice->SetSelection(selection >= 0 && selection < static_cast<int>(texts.size()) ? selection
                                                                                    : 0);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticText(parent, wxID_ANY, TableText(label)), 0,
           wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  row->Add(choice);
  return row;
}

// A positive decimal typed by the user, or `previous` for anything else.
double positiveOr(const wxTextCtrl* edit, double previous) {
  double value = 0.0;
  return edit->GetValue().ToCDouble(&value) && std::isfinite(value) && value > 0.0 ? value
                                                                                   : previous;
}

int rateSliderPosition(double rate) {
  return static_cast<int>(
      std::lround(std::clamp(rate, 1.0, double{SaveDialogPanel::kMaxSliderRate})));
}

// The rate slider sets the edit to whole rates; a rate typed into the edit moves the slider to
// the nearest whole rate and keeps the decimals typed.
void couple(wxSlider* slider, wxTextCtrl* rate) {
  slider->Bind(wxEVT_SLIDER, [slider, rate](wxCommandEvent&) {
    rate->ChangeValue(wxString::FromCDouble(slider->GetValue(), 1));
  });
  rate->Bind(wxEVT_TEXT, [slider, rate](wxCommandEvent&) {
    const double typed = positiveOr(rate, 0.0);
    if (typed > 0.0) slider->SetValue(rateSliderPosition(typed));
  });
}

// What the KVF group says about the password protection.
wxString protectionText(bool passwordOn, int freePercent) {
  return passwordOn ? wxString::Format(TableText(kPasswordOnText), freePercent)
                    : TableText(kNoPasswordText);
}

}  // namespace

SaveDialogPanel::SaveDialogPanel(wxWindow* parent, SaveDialog& dialog)
    : wxPanel(parent), dialog_(dialog) {
  const SaveOptions& options = dialog_.options;

  auto* compression = group(this, kCompressionGroup);
  wxWindow* box = compression->GetStaticBox();
  const int ids[] = {kLosslessId, kQualityOptionId, kRateOptionId, kSizeOptionId};
  for (int i = 0; i < 4; ++i) {
    options_[i] = new wxRadioButton(box, ids[i], TableText(kOptionTexts[i]), wxDefaultPosition,
                                    wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
    options_[i]->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { EnableEdits(); });
  }
  options_[std::clamp(static_cast<int>(options.option), 0, 3)]->SetValue(true);
  const int quality = std::clamp(options.quality, 1, 100);
  qualitySlider_ =
      new wxSlider(box, kQualitySliderId, quality, 1, 100, wxDefaultPosition, kSliderSize);
  quality_ = new wxSpinCtrl(box, kQualityEditId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                            wxSP_ARROW_KEYS, 1, 100, quality);
  couple(qualitySlider_, quality_);
  rate_ = new wxTextCtrl(box, kRateEditId, wxString::FromCDouble(options.rate, 1));
  rateSlider_ = new wxSlider(box, kRateSliderId, rateSliderPosition(options.rate), 1,
                             kMaxSliderRate, wxDefaultPosition, kSliderSize);
  couple(rateSlider_, rate_);
  size_ = new wxTextCtrl(box, kSizeEditId, wxString::FromCDouble(options.sizeKb, 1));
  auto* grid = new wxFlexGridSizer(3, 4, 8);
  grid->Add(options_[0], 0, wxALIGN_CENTER_VERTICAL);
  grid->AddSpacer(0);
  grid->AddSpacer(0);
  grid->Add(options_[1], 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(quality_, 0, wxEXPAND);
  grid->Add(qualitySlider_, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
  grid->Add(options_[2], 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(rate_, 0, wxEXPAND);
  grid->Add(rateSlider_, 1, wxEXPAND | wxALIGN_CENTER_VERTICAL);
  grid->Add(options_[3], 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(size_, 0, wxEXPAND);
  compression->Add(grid, 0, wxALL, 4);
  compression_ = compression;

  auto* kvf = radioPair(this, kKvfGroup, {kEmbeddedId, kEmbeddedText}, {kBaselineId, kBaselineText},
                        options.scanMode == ScanMode::Baseline, embedded_, baseline_);
  box = kvf->GetStaticBox();
  auto* password = new wxButton(box, kPasswordButtonId, TableText(kPasswordButton));
  password->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EditPassword(); });
  protection_ = new wxStaticText(box, kProtectionTextId, wxEmptyString);
  protection_->SetMinSize(protection_->GetTextExtent(protectionText(true, 100)));
  kvf->Add(password, 0, wxALL, 2);
  kvf->Add(protection_, 0, wxALL, 2);
  kvf_ = kvf;

  jp2_ = labelledChoice(
      this, kSortedByLabel, kSortedById,
      {kProgressionQuality, kProgressionResolution, kProgressionPosition, kProgressionColour},
      static_cast<int>(options.progression), sortedBy_);
  pnm_ = radioPair(this, kCodingGroup, {kBinaryId, kBinaryText}, {kAsciiId, kAsciiText},
                   options.pnmCoding == PnmCoding::Plain, binary_, ascii_);
  tiff_ = labelledChoice(this, kTiffLabel, kTiffCompressionId, {kTiffNone, kTiffPackBits},
                         static_cast<int>(options.tiffCompression), tiffCompression_);

  auto* jpeg = new wxBoxSizer(wxHORIZONTAL);
  const int jpegQuality = std::clamp(options.jpegQuality, 1, 100);
  jpegQuality_ = new wxSpinCtrl(this, kJpegQualityEditId, wxEmptyString, wxDefaultPosition,
                                wxDefaultSize, wxSP_ARROW_KEYS, 1, 100, jpegQuality);
  jpegQualitySlider_ =
      new wxSlider(this, kJpegQualitySliderId, jpegQuality, 1, 100, wxDefaultPosition, kSliderSize);
  couple(jpegQualitySlider_, jpegQuality_);
  jpeg->Add(new wxStaticText(this, wxID_ANY, TableText(kJpegQualityLabel)), 0,
            wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  jpeg->Add(jpegQuality_, 0, wxALIGN_CENTER_VERTICAL);
  jpeg->Add(jpegQualitySlider_, 1, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
  jpeg_ = jpeg;

  auto* png = new wxBoxSizer(wxHORIZONTAL);
  pngCompression_ =
      new wxSpinCtrl(this, kPngCompressionId, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                     wxSP_ARROW_KEYS, 0, 9, std::clamp(options.pngCompression, 0, 9));
  png->Add(
      new wxStaticText(this, wxID_ANY,
                       wxString::FromUTF8(wxGetApp().Ui().Strings().Load(kPngCompressionLabel))),
      0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  png->Add(pngCompression_, 0, wxALIGN_CENTER_VERTICAL);
  png_ = png;

  showWarnings_ = new wxCheckBox(this, kShowWarningsId, TableText(kShowWarningsText));
  showWarnings_->SetValue(options.showWarnings);

  auto* side = new wxBoxSizer(wxVERTICAL);
  for (wxSizer* part : {kvf_, jp2_, pnm_, tiff_, jpeg_, png_}) side->Add(part, 0, wxALL, 4);
  side->Add(showWarnings_, 0, wxALL, 4);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(compression_, 0, wxALL, 4);
  row->Add(side, 1, wxALL, 4);
  SetSizer(row);

  Bind(wxEVT_UPDATE_UI, &SaveDialogPanel::OnUpdateUi, this);
  ShowProtection();
  EnableEdits();
  // Room for the largest type, so that changing the type never cuts a group off; the file
  // chooser keeps the size the panel has when it is attached.
  wxSize largest;
  for (int code = kFirstType; code <= kLastType; ++code) {
    SetType(static_cast<PictureFormat>(code));
    largest.IncTo(GetBestSize());
  }
  SetMinSize(largest);
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
  show(png_, type == PictureFormat::Png);
  // The panel keeps its size (room for every type): in the file chooser only the chooser may
  // size it, and a layout of the chooser by the toolkit would squeeze it.
  Layout();
}

void SaveDialogPanel::EnableEdits() {
  const bool quality = options_[1]->GetValue();
  quality_->Enable(quality);
  qualitySlider_->Enable(quality);
  rate_->Enable(options_[2]->GetValue());
  rateSlider_->Enable(options_[2]->GetValue());
  size_->Enable(options_[3]->GetValue());
}

void SaveDialogPanel::ShowProtection() {
  const int percent =
      static_cast<int>(std::lround(dialog_.options.freeQuality * 100.0 / kFullQuality));
  protection_->SetLabel(protectionText(dialog_.passwordOn, percent));
  Layout();
}

void SaveDialogPanel::OnUpdateUi(wxUpdateUIEvent& event) {
  // The type follows the filter the user picks in the dialog.
  if (auto* fileDialog = dynamic_cast<wxFileDialog*>(GetParent())) {
    const int code = fileDialog->GetFilterIndex() + static_cast<int>(PictureFormat::Jpeg2000);
    if (code <= kLastType && code != static_cast<int>(type_)) {
      SetType(static_cast<PictureFormat>(code));
      FollowExtension(*fileDialog);
    }
  }
  event.Skip();
}

void SaveDialogPanel::FollowExtension(wxFileDialog& fileDialog) {
  // The system's dialog leaves the typed name alone when the filter changes, and the
  // extension decides what is written; an extension of another type is replaced, any other
  // is the user's.
  wxFileName name(fileDialog.GetPath());
  if (!name.HasName() ||
      SaveFormatOfPath(name.GetFullName().utf8_string()) == PictureFormat::Unknown) {
    return;
  }
  name.SetExt(wxString::FromUTF8(std::string(SaveExtensionOf(type_).substr(1))));
  fileDialog.SetFilename(name.GetFullName());
}

void SaveDialogPanel::EditPassword() {
  SavePasswordDialog ask(this, dialog_.password, dialog_.options.freeQuality);
  switch (ask.ShowModal()) {
    case wxID_OK:
      dialog_.passwordOn = true;
      dialog_.password = ask.Password();
      dialog_.options.freeQuality = ask.FreeQuality();
      break;
    case SavePasswordDialog::kNoPasswordId:
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
  options.pngCompression = std::clamp(pngCompression_->GetValue(), 0, 9);
  options.showWarnings = showWarnings_->GetValue();
}

}  // namespace quillon
