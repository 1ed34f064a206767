#include "ui/PrintOptionsDialog.h"

#include <algorithm>
#include <cmath>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/cmndata.h>
#include <wx/dcclient.h>
#include <wx/paper.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "core/display/PrintUnits.h"
#include "ui/PictureBitmap.h"
#include "ui/PicturePrintout.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kScalingLabel = 1167;  // "%% of the original size"
constexpr StringId kFitLabel = 1175;
constexpr StringId kCenterLabel = 1178;
constexpr StringId kFullLabel = 1182;
constexpr StringId kTitle = 1183;
constexpr StringId kPositionLabel = 1184;
constexpr StringId kLeftLabel = 1185;
constexpr StringId kTopLabel = 1186;
constexpr StringId kSizeLabel = 1187;
constexpr StringId kWidthLabel = 1188;
constexpr StringId kHeightLabel = 1189;
constexpr StringId kUnitLabel = 1190;
constexpr StringId kResolutionText = 1191;  // "Printer resolution: %d dpi"
constexpr StringId kPreviewLabel = 1192;
constexpr StringId kPreviewButton = 1193;
constexpr StringId kPrintButton = 1194;
constexpr StringId kCancelButton = 1195;

constexpr int kPreviewSide = 220;  // pixels of the page's longer side in the preview
constexpr int kPreviewPictureSide = 400;

// The resolution the printer data asks for; the qualities without a number in the usual
// resolution of that quality.
int PrinterDpi(const wxPrintData& data) {
  const wxPrintQuality quality = data.GetQuality();
  if (quality > 0) return quality;
  switch (quality) {
    case wxPRINT_QUALITY_MEDIUM:
      return 300;
    case wxPRINT_QUALITY_LOW:
      return 150;
    case wxPRINT_QUALITY_DRAFT:
      return 75;
    default:
      return 600;
  }
}

// The paper in inches, turned for landscape.
wxRealPoint PaperInches(const wxPrintData& data) {
  wxSize tenthsMm =
      wxThePrintPaperDatabase ? wxThePrintPaperDatabase->GetSize(data.GetPaperId()) : wxSize();
  if (tenthsMm.x <= 0 || tenthsMm.y <= 0) tenthsMm = data.GetPaperSize() * 10;
  if (tenthsMm.x <= 0 || tenthsMm.y <= 0) tenthsMm = wxSize(2100, 2970);  // A4
  wxRealPoint inches(TenthMillimetersToInches(tenthsMm.x), TenthMillimetersToInches(tenthsMm.y));
  if (data.GetOrientation() == wxLANDSCAPE) std::swap(inches.x, inches.y);
  return inches;
}

wxTextCtrl* LengthField(wxWindow* parent, int id) {
  return new wxTextCtrl(parent, id, wxString(), wxDefaultPosition, wxDefaultSize, wxTE_RIGHT);
}

}  // namespace

// The page as a white sheet with the picture in the box it gets.
class PrintOptionsDialog::PagePreview final : public wxWindow {
 public:
  PagePreview(wxWindow* parent, const PrintOptionsDialog& dialog, const Picture& picture)
      : wxWindow(parent, wxID_ANY), dialog_(dialog), picture_(picture) {
    const int longest = std::max(picture.GetWidth(), picture.GetHeight());
    zoom_.denominator = std::clamp(longest / kPreviewPictureSide, 1, 8);
    SetInitialSize(wxSize(kPreviewSide, kPreviewSide));
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) { Paint(); });
  }

 private:
  void Paint() {
    wxPaintDC dc(this);
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.Clear();
    const wxSize client = GetClientSize();
    const double width = dialog_.areaWidth_, height = dialog_.areaHeight_;
    if (width <= 0 || height <= 0) return;
    const double perInch = std::min((client.x - 8) / width, (client.y - 8) / height);
    const wxPoint page(int((client.x - width * perInch) / 2),
                       int((client.y - height * perInch) / 2));
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(page.x, page.y, int(width * perInch), int(height * perInch));

    const PrintBox& box = dialog_.placement_.box;
    const int shownWidth = zoom_.Scale(picture_.GetWidth());
    const int shownHeight = zoom_.Scale(picture_.GetHeight());
    if (box.width <= 0 || box.height <= 0 || shownWidth <= 0 || shownHeight <= 0) return;
    dc.SetClippingRegion(page.x, page.y, int(width * perInch), int(height * perInch));
    dc.SetDeviceOrigin(page.x + int(box.x * perInch), page.y + int(box.y * perInch));
    dc.SetUserScale(box.width * perInch / shownWidth, box.height * perInch / shownHeight);
    DrawPicturePart(dc, picture_, zoom_, {0, 0, shownWidth, shownHeight});
  }

  const PrintOptionsDialog& dialog_;
  const Picture& picture_;
  ZoomRatio zoom_;
};

PrintOptionsDialog::PrintOptionsDialog(wxWindow* parent, const Picture& picture,
                                       const PrintSettings& settings, const wxPrintData& printer)
    : wxDialog(parent, wxID_ANY, TableText(kTitle)), picture_(picture), settings_(settings) {
  const wxRealPoint paper = PaperInches(printer);
  areaWidth_ = paper.x;
  areaHeight_ = paper.y;

  auto* options = new wxBoxSizer(wxVERTICAL);
  options->Add(PositionBox(), 0, wxEXPAND);
  options->Add(SizeBox(), 0, wxEXPAND | wxTOP, 8);
  options->Add(new wxStaticText(this, kResolution,
                                TableText(kResolutionText, {std::int64_t{PrinterDpi(printer)}})),
               0, wxTOP, 8);

  auto* previewBox = new wxStaticBoxSizer(wxVERTICAL, this, TableText(kPreviewLabel));
  preview_ = new PagePreview(previewBox->GetStaticBox(), *this, picture);
  previewBox->Add(preview_, 1, wxEXPAND | wxALL, 4);

  auto* columns = new wxBoxSizer(wxHORIZONTAL);
  columns->Add(options, 0, wxEXPAND);
  columns->Add(previewBox, 1, wxEXPAND | wxLEFT, 10);

  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  auto* previewButton = new wxButton(this, kPreview, TableText(kPreviewButton));
  auto* print = new wxButton(this, wxID_OK, TableText(kPrintButton));
  auto* cancel = new wxButton(this, wxID_CANCEL, TableText(kCancelButton));
  print->SetDefault();
  buttons->Add(previewButton);
  buttons->AddStretchSpacer();
  buttons->Add(print, 0, wxLEFT, 6);
  buttons->Add(cancel, 0, wxLEFT, 6);
  previewButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(kPreview); });

  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(columns, 1, wxEXPAND | wxALL, 10);
  sizer->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 10);
  SetSizerAndFit(sizer);

  Bind(wxEVT_TEXT, &PrintOptionsDialog::OnEdit, this);
  Bind(wxEVT_CHECKBOX, &PrintOptionsDialog::OnEdit, this);
  Bind(wxEVT_CHOICE, &PrintOptionsDialog::OnEdit, this);
  Bind(wxEVT_SLIDER, &PrintOptionsDialog::OnEdit, this);
  ShowPlacement();
  CentreOnParent();
}

wxSizer* PrintOptionsDialog::PositionBox() {
  auto* box = new wxStaticBoxSizer(wxVERTICAL, this, TableText(kPositionLabel));
  auto* grid = new wxFlexGridSizer(2, 4, 6);
  positionX_ = LengthField(box->GetStaticBox(), kPositionX);
  positionY_ = LengthField(box->GetStaticBox(), kPositionY);
  grid->Add(new wxStaticText(box->GetStaticBox(), wxID_ANY, TableText(kLeftLabel)), 0,
            wxALIGN_CENTER_VERTICAL);
  grid->Add(positionX_);
  grid->Add(new wxStaticText(box->GetStaticBox(), wxID_ANY, TableText(kTopLabel)), 0,
            wxALIGN_CENTER_VERTICAL);
  grid->Add(positionY_);
  box->Add(grid, 0, wxALL, 4);
  center_ = new wxCheckBox(box->GetStaticBox(), kCenter, TableText(kCenterLabel));
  box->Add(center_, 0, wxALL, 4);
  return box;
}

wxSizer* PrintOptionsDialog::SizeBox() {
  auto* box = new wxStaticBoxSizer(wxVERTICAL, this, TableText(kSizeLabel));
  wxWindow* parent = box->GetStaticBox();
  auto* grid = new wxFlexGridSizer(2, 4, 6);
  width_ = LengthField(parent, kWidth);
  height_ = LengthField(parent, kHeight);
  wxArrayString units;
  units.Add(TableText(PrintUnitName(PrintUnit::Inches)));
  units.Add(TableText(PrintUnitName(PrintUnit::Centimeters)));
  unit_ = new wxChoice(parent, kUnit, wxDefaultPosition, wxDefaultSize, units);
  grid->Add(new wxStaticText(parent, wxID_ANY, TableText(kWidthLabel)), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(width_);
  grid->Add(new wxStaticText(parent, wxID_ANY, TableText(kHeightLabel)), 0,
            wxALIGN_CENTER_VERTICAL);
  grid->Add(height_);
  grid->Add(new wxStaticText(parent, wxID_ANY, TableText(kUnitLabel)), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(unit_);
  box->Add(grid, 0, wxALL, 4);

  scaling_ = new wxSlider(parent, kScaling, settings_.size, kMinPrintSize, kMaxPrintSize);
  box->Add(scaling_, 0, wxEXPAND | wxLEFT | wxRIGHT, 4);
  auto* scalingRow = new wxBoxSizer(wxHORIZONTAL);
  scalingValue_ = new wxStaticText(parent, wxID_ANY, "1000", wxDefaultPosition, wxDefaultSize,
                                   wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
  scalingRow->Add(scalingValue_, 0, wxALIGN_CENTER_VERTICAL);
  // The table writes the per cent sign as a printf pattern does.
  scalingRow->Add(new wxStaticText(parent, wxID_ANY, " " + TableText(kScalingLabel, {})), 0,
                  wxALIGN_CENTER_VERTICAL);
  box->Add(scalingRow, 0, wxLEFT | wxRIGHT, 4);
  fit_ = new wxCheckBox(parent, kFitToPage, TableText(kFitLabel));
  full_ = new wxCheckBox(parent, kFullFormat, TableText(kFullLabel));
  box->Add(fit_, 0, wxALL, 4);
  box->Add(full_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 4);
  return box;
}

void PrintOptionsDialog::OnEdit(wxCommandEvent& event) {
  switch (event.GetId()) {
    case kPositionX:
      settings_.positionX = positionX_->GetValue().utf8_string();
      break;
    case kPositionY:
      settings_.positionY = positionY_->GetValue().utf8_string();
      break;
    case kWidth:
    case kHeight:
      TakeTypedSize(event.GetId());
      ShowPlacement(event.GetId());  // the field being typed in keeps what the user typed
      return;
    case kUnit: {
      // The position stays where it is on the paper.
      const int before = settings_.unit;
      settings_.unit = unit_->GetSelection();
      const auto convert = [&](std::string& text) {
        if (const std::optional<double> value = ParseLength(text)) {
          const double inches = ToInches(*value, PrintUnitOfIndex(before));
          text = FormatLength(FromInches(inches, PrintUnitOfIndex(settings_.unit)));
        }
      };
      convert(settings_.positionX);
      convert(settings_.positionY);
      break;
    }
    case kCenter:
      settings_.centerImage = center_->GetValue();
      break;
    case kFitToPage:
      settings_.fitToPage = fit_->GetValue();
      break;
    case kFullFormat:
      settings_.full = full_->GetValue();
      break;
    case kScaling:
      settings_.size = scaling_->GetValue();
      break;
    default:
      return;
  }
  ShowPlacement();
}

void PrintOptionsDialog::TakeTypedSize(int control) {
  const bool isWidth = control == kWidth;
  const std::optional<double> typed =
      ParseLength((isWidth ? width_ : height_)->GetValue().utf8_string());
  PrintSettings ownSize = settings_;
  ownSize.full = ownSize.fitToPage = false;
  ownSize.size = 100;
  const PrintBox own = PlacePicture(ownSize, ExtentOf(picture_), areaWidth_, areaHeight_).box;
  const double ownInches = isWidth ? own.width : own.height;
  if (!typed || *typed <= 0 || ownInches <= 0) return;
  const double percent = ToInches(*typed, PrintUnitOfIndex(settings_.unit)) / ownInches * 100.0;
  settings_.size = std::clamp(int(std::lround(percent)), kMinPrintSize, kMaxPrintSize);
}

void PrintOptionsDialog::ShowPlacement(int typing) {
  placement_ = PlacePicture(settings_, ExtentOf(picture_), areaWidth_, areaHeight_);
  // Fitting and full format change the size; the slider shows the size printed.
  if (settings_.fitToPage || settings_.full) {
    settings_.size =
        std::clamp(int(std::lround(placement_.sizePercent)), kMinPrintSize, kMaxPrintSize);
  }
  const PrintUnit unit = PrintUnitOfIndex(settings_.unit);
  const PrintBox& box = placement_.box;
  // ChangeValue and SetValue send no events, so none of this comes back to OnEdit.
  if (settings_.centerImage || settings_.full) {
    positionX_->ChangeValue(FormatLength(FromInches(box.x, unit)));
    positionY_->ChangeValue(FormatLength(FromInches(box.y, unit)));
  } else if (positionX_->GetValue().utf8_string() != settings_.positionX ||
             positionY_->GetValue().utf8_string() != settings_.positionY) {
    positionX_->ChangeValue(wxString::FromUTF8(settings_.positionX));
    positionY_->ChangeValue(wxString::FromUTF8(settings_.positionY));
  }
  if (typing != kWidth) width_->ChangeValue(FormatLength(FromInches(box.width, unit)));
  if (typing != kHeight) height_->ChangeValue(FormatLength(FromInches(box.height, unit)));
  unit_->SetSelection(static_cast<int>(unit));
  center_->SetValue(settings_.centerImage);
  fit_->SetValue(settings_.fitToPage);
  full_->SetValue(settings_.full);
  scaling_->SetValue(settings_.size);
  scalingValue_->SetLabel(wxString::Format("%d", settings_.size));

  const bool placed = !settings_.centerImage && !settings_.full;
  positionX_->Enable(placed);
  positionY_->Enable(placed);
  for (wxWindow* sizing : std::initializer_list<wxWindow*>{width_, height_, scaling_, fit_}) {
    sizing->Enable(!settings_.full);
  }
  preview_->Refresh();
}

}  // namespace quillon
