#include "ui/OpenDialogPanel.h"

#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "core/document/FileIoContext.h"
#include "core/formats/jp2/Jpeg2000Reader.h"
#include "core/pipelines/OpenPipeline.h"
#include "core/pipelines/PictureProbe.h"
#include "core/services/FormatMessage.h"
#include "ui/OpenDialog.h"
#include "ui/PictureBitmap.h"
#include "ui/QuillonApp.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr int kPreviewSide = 160;
constexpr StringId kRangeQuality = 135;       // "1 (worst) ... 100 (best)"
constexpr StringId kRangeLegacy = 134;        // "1 (worst) ... 15 (best)"
constexpr StringId kCompressionInfo = 61224;  // "Compression:\t1:%.2f\nProgression:\t%s"
constexpr StringId kFileSizeLabel = 62140;    // "File Size:"
constexpr StringId kFileSizeText = 62141;     // "File Size:\t%llu Bytes"
constexpr StringId kInfoLabel = 62142;        // "Image Size:\nColor Res. :"
constexpr StringId kPreviewText = 62143;      // "&Preview"
constexpr StringId kOptionsGroup = 62144;     // "Loading Options"
constexpr StringId kOptionTexts[] = {
    62145,  // "&Best Quality"
    62146,  // "&Quality"
    62147,  // "&Reconst. Rate 1:"
    62148,  // "&File Size:"
};

wxString fileSizeText(unsigned long long bytes) {
  return wxString::Format(TableText(kFileSizeText), bytes);
}

// The widest information the panel shows for common files, so that the column is wide
// enough before the first file is selected and the layout does not jump.
wxString widestInfo() {
  const StringTable& strings = wxGetApp().Ui().Strings();
  return wxString::FromUTF8(
      FormatMessage(strings.Load(kProbeImageSize),
                    {std::int64_t{65535}, std::int64_t{65535}, std::int64_t{24}}) +
      "\n" +
      FormatMessage(strings.Load(kCompressionInfo),
                    {999.99, strings.Load(kProgressionResolution)}));
}

}  // namespace

OpenDialogPanel::OpenDialogPanel(wxWindow* parent, OpenDialog& dialog)
    : wxPanel(parent), dialog_(dialog), timer_(this) {
  previewCheck_ = new wxCheckBox(this, 1010, TableText(kPreviewText));
  previewCheck_->SetValue(dialog_.preview);
  previewFrame_ = new wxPanel(this, 1017, wxDefaultPosition, wxSize(kPreviewSide, kPreviewSide),
                              wxBORDER_SUNKEN);
  previewFrame_->Bind(wxEVT_PAINT, &OpenDialogPanel::PaintPreview, this);
  fileSize_ = new wxStaticText(this, 1016, TableText(kFileSizeLabel));
  info_ = new wxStaticText(this, 1018, TableText(kInfoLabel));

  auto* group = new wxStaticBoxSizer(wxVERTICAL, this, TableText(kOptionsGroup));
  wxWindow* box = group->GetStaticBox();
  const int ids[] = {1024, 1025, 1026, 1027};
  for (int i = 0; i < 4; ++i) {
    options_[i] = new wxRadioButton(box, ids[i], TableText(kOptionTexts[i]), wxDefaultPosition,
                                    wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
  }
  quality_ = new wxSpinCtrl(box, 1028, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                            wxSP_ARROW_KEYS, 1, 100, dialog_.quality);
  rate_ = new wxTextCtrl(box, 1022, wxString::FromUTF8(dialog_.rateText));
  size_ = new wxTextCtrl(box, 1023, wxString::FromUTF8(dialog_.sizeText));
  range_ = new wxStaticText(box, 1032, TableText(kRangeQuality));
  options_[static_cast<int>(dialog_.loadType) & 3]->SetValue(true);

  auto* grid = new wxFlexGridSizer(2, 4, 8);
  grid->Add(options_[0], 0, wxALIGN_CENTER_VERTICAL);
  grid->AddSpacer(0);
  for (int i = 1; i < 4; ++i) {
    wxWindow* edit = i == 1 ? static_cast<wxWindow*>(quality_) : i == 2 ? rate_ : size_;
    grid->Add(options_[i], 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(edit, 0, wxEXPAND);
  }
  group->Add(grid, 0, wxALL, 4);
  group->Add(range_, 0, wxALL, 4);

  auto* left = new wxBoxSizer(wxVERTICAL);
  left->Add(previewCheck_);
  left->Add(previewFrame_, 0, wxTOP, 4);
  // The information column keeps room for the widest common text, so that what a selection
  // writes there stays clear of the loading options.
  auto* middle = new wxBoxSizer(wxVERTICAL);
  middle->Add(fileSize_);
  middle->Add(info_, 0, wxTOP, 4);
  const wxSize widest = info_->GetTextExtent(widestInfo());
  const wxSize fileSizeWidest = fileSize_->GetTextExtent(fileSizeText(9'999'999'999ULL));
  middle->SetMinSize(wxSize(std::max(widest.x, fileSizeWidest.x) + 8, -1));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(left, 0, wxALL, 4);
  row->Add(middle, 1, wxALL, 4);
  row->Add(group, 0, wxALL, 4);
  SetSizerAndFit(row);

  for (wxRadioButton* option : options_) {
    option->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { EnableEdits(); });
  }
  previewCheck_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { SelectionChanged(selected_); });
  Bind(wxEVT_TIMER, [this](wxTimerEvent&) { LoadPreview(); });
  Bind(wxEVT_UPDATE_UI, &OpenDialogPanel::OnUpdateUi, this);
  EnableEdits();
}

void OpenDialogPanel::EnableEdits() {
  quality_->Enable(options_[1]->GetValue());
  rate_->Enable(options_[2]->GetValue());
  size_->Enable(options_[3]->GetValue());
}

void OpenDialogPanel::OnUpdateUi(wxUpdateUIEvent& event) {
  // The dialog refreshes its extra controls whenever the selection changes.
  if (auto* fileDialog = dynamic_cast<wxFileDialog*>(GetParent())) {
    const wxString current = fileDialog->GetCurrentlySelectedFilename();
    if (current != selected_) SelectionChanged(current);
  }
  event.Skip();
}

void OpenDialogPanel::SelectionChanged(const wxString& path) {
  selected_ = path;
  preview_ = wxImage();
  previewFrame_->Refresh();
  timer_.Stop();
  const StringTable& strings = wxGetApp().Ui().Strings();
  if (path.empty() || !wxFileName::FileExists(path)) {
    fileSize_->SetLabel(TableText(kFileSizeLabel));
    info_->SetLabel(wxString());
    Layout();
    return;
  }
  fileSize_->SetLabel(
      fileSizeText(static_cast<unsigned long long>(wxFileName::GetSize(path).GetValue())));
  info_->SetLabel(wxString::FromUTF8(ProbeText(path.utf8_string(), strings)));
  const FileDispatch file = DispatchFile(path.utf8_string());
  range_->SetLabel(TableText(file.kvf == KvfGeneration::Legacy ? kRangeLegacy : kRangeQuality));
  Layout();
  if (previewCheck_->GetValue()) timer_.StartOnce(kPreviewDelayMs);
}

void OpenDialogPanel::LoadPreview() {
  timer_.Stop();
  if (selected_.empty()) return;
  PictureDocument scratch;
  QuillonApp& app = wxGetApp();
  FileIoContext context{app.Ui(), app.Disk(), false};
  OpenRequest request;
  request.preview = true;
  if (OpenPicture(selected_.utf8_string(), scratch, context, request)) {
    preview_ = ToImage(scratch.GetPicture());
  }
  previewFrame_->Refresh();
}

void OpenDialogPanel::PaintPreview(wxPaintEvent&) {
  wxPaintDC dc(previewFrame_);
  if (!preview_.IsOk()) return;
  // Scaled to fit the frame, keeping the aspect ratio, centred.
  const wxSize area = previewFrame_->GetClientSize();
  const double scale =
      std::min(double(area.x) / preview_.GetWidth(), double(area.y) / preview_.GetHeight());
  const int w = std::max(1, int(preview_.GetWidth() * scale));
  const int h = std::max(1, int(preview_.GetHeight() * scale));
  dc.DrawBitmap(wxBitmap(preview_.Scale(w, h, wxIMAGE_QUALITY_BILINEAR)), (area.x - w) / 2,
                (area.y - h) / 2);
}

void OpenDialogPanel::TransferToDialog() {
  for (int i = 0; i < 4; ++i) {
    if (options_[i]->GetValue()) dialog_.loadType = static_cast<LoadType>(i);
  }
  dialog_.quality = std::clamp(quality_->GetValue(), 1, 100);
  double rate = 0.0;
  if (rate_->GetValue().ToCDouble(&rate) && rate > 0.0) {
    dialog_.rateText = wxString::FromCDouble(rate, 1).utf8_string();
  }
  dialog_.sizeText = size_->GetValue().utf8_string();
  dialog_.preview = previewCheck_->GetValue();
}

wxString OpenDialogPanel::InfoText() const {
  return info_->GetLabel();
}
wxString OpenDialogPanel::FileSizeText() const {
  return fileSize_->GetLabel();
}

}  // namespace quillon
