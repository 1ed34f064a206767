#include "ui/HistogramWindow.h"

#include <algorithm>

#include <wx/choice.h>
#include <wx/dcbuffer.h>
#include <wx/panel.h>
#include <wx/pen.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "core/services/SettingsTable.h"
#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"
#include "ui/PictureWindows.h"
#include "ui/TableText.h"

namespace quillon {

namespace {

constexpr StringId kTitle = 34155;         // "Colors"
constexpr StringId kValueLabel = 34156;    // "Color Value:"
constexpr StringId kCountLabel = 34157;    // "Count:"
constexpr StringId kMaximumLabel = 34158;  // "Maximal Value:"
constexpr StringId kFirstChannel = 33100;  // "Luminance", "Red", "Green", "Blue", "Color palette"
constexpr StringId kValueText = 33105;     // "Color value:\t%d"
constexpr StringId kCountText = 33106;     // "Count:\t\t%d"
constexpr StringId kMaximumText = 33107;   // "Maximum Value:\t%d"
constexpr int kGraphMargin = 4;

wxPen PenOf(HistogramChannel channel) {
  switch (channel) {
    case HistogramChannel::Red:
      return wxPen(*wxRED);
    case HistogramChannel::Green:
      return wxPen(wxColour(0, 160, 0));
    case HistogramChannel::Blue:
      return wxPen(*wxBLUE);
    default:
      return wxPen(*wxBLACK);
  }
}

}  // namespace

HistogramWindow::HistogramWindow(wxWindow* parent)
    : ToolWindow(parent, TableText(kTitle), setting::kHistogramPosition) {
  auto* panel = new wxPanel(this);
  channels_ = new wxChoice(panel, 1059);
  channels_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
    const int index = channels_->GetSelection();
    if (index >= 0 && std::size_t(index) < offered_.size()) channel_ = offered_[std::size_t(index)];
    ShowChannel();
  });
  graph_ = new wxPanel(panel, 1062, wxDefaultPosition, wxSize(256 + 2 * kGraphMargin, 160),
                       wxBORDER_SUNKEN);
  graph_->SetBackgroundStyle(wxBG_STYLE_PAINT);
  graph_->Bind(wxEVT_PAINT, [this](wxPaintEvent&) { PaintGraph(); });
  graph_->Bind(wxEVT_MOTION, [this](wxMouseEvent& event) { ShowBinAt(event.GetX()); });
  value_ = new wxStaticText(panel, 1063, TableText(kValueLabel));
  count_ = new wxStaticText(panel, 1064, TableText(kCountLabel));
  maximum_ = new wxStaticText(panel, 1065, TableText(kMaximumLabel));

  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(channels_, 0, wxALL | wxEXPAND, 8);
  sizer->Add(graph_, 1, wxLEFT | wxRIGHT | wxEXPAND, 8);
  // Wide enough for the longest read-out, so the texts do not cut off as the mouse moves.
  const wxSize textSize = value_->GetTextExtent(TableText(kMaximumText, {std::int64_t{99999999}}));
  for (wxStaticText* text : {value_, count_, maximum_}) {
    text->SetMinSize(wxSize(textSize.x + 40, -1));
    sizer->Add(text, 0, wxLEFT | wxRIGHT | wxTOP, 8);
  }
  sizer->AddSpacer(8);
  panel->SetSizer(sizer);
  auto* frameSizer = new wxBoxSizer(wxVERTICAL);
  frameSizer->Add(panel, 1, wxEXPAND);
  SetSizerAndFit(frameSizer);
}

wxString HistogramWindow::ValueText() const {
  return value_->GetLabel();
}
wxString HistogramWindow::CountText() const {
  return count_->GetLabel();
}
wxString HistogramWindow::MaximumText() const {
  return maximum_->GetLabel();
}

void HistogramWindow::FollowActivePicture(bool changed) {
  PictureView* view = ActivePictureView();
  picture_ = view ? &PictureOf(*view) : nullptr;
  if (changed || !picture_) cache_.Drop();
  offered_ = picture_ ? HistogramChannelsOf(*picture_) : std::vector<HistogramChannel>{};
  // The chosen channel stays while the picture offers it; otherwise the first one.
  if (std::find(offered_.begin(), offered_.end(), channel_) == offered_.end()) {
    channel_ = HistogramChannel::Luminance;
  }
  channels_->Clear();
  for (HistogramChannel channel : offered_) {
    channels_->Append(TableText(kFirstChannel + StringId(channel)));
  }
  if (!offered_.empty()) {
    channels_->SetSelection(
        int(std::find(offered_.begin(), offered_.end(), channel_) - offered_.begin()));
  }
  ShowChannel();
}

void HistogramWindow::ShowChannel() {
  shown_ = picture_ ? &cache_.Get(*picture_, channel_) : nullptr;
  maximum_->SetLabel(shown_ ? TableText(kMaximumText, {std::int64_t{shown_->maximum}})
                            : TableText(kMaximumLabel));
  value_->SetLabel(TableText(kValueLabel));
  count_->SetLabel(TableText(kCountLabel));
  graph_->Refresh();
}

int HistogramWindow::BinAt(int x) const {
  const int width = graph_->GetClientSize().x - 2 * kGraphMargin;
  if (width <= 0 || x < kGraphMargin || x >= kGraphMargin + width) return -1;
  return std::min(255, (x - kGraphMargin) * 256 / width);
}

void HistogramWindow::ShowBinAt(int x) {
  const int bin = BinAt(x);
  if (!shown_ || bin < 0) return;
  value_->SetLabel(TableText(kValueText, {std::int64_t{bin}}));
  count_->SetLabel(TableText(kCountText, {std::int64_t{shown_->counts[std::size_t(bin)]}}));
}

void HistogramWindow::PaintGraph() {
  wxAutoBufferedPaintDC dc(graph_);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  if (!shown_ || shown_->maximum == 0) return;
  const wxSize client = graph_->GetClientSize();
  const int width = client.x - 2 * kGraphMargin;
  const int height = client.y - 2 * kGraphMargin;
  if (width <= 0 || height <= 0) return;
  dc.SetPen(PenOf(channel_));
  const int bottom = kGraphMargin + height;
  // Each bin is a column as wide as the frame gives it, at least one pixel.
  for (int bin = 0; bin < 256; ++bin) {
    const int left = kGraphMargin + bin * width / 256;
    const int right = std::max(left + 1, kGraphMargin + (bin + 1) * width / 256);
    const int bar = int(std::uint64_t(shown_->counts[std::size_t(bin)]) * std::uint64_t(height) /
                        shown_->maximum);
    if (bar == 0) continue;
    for (int x = left; x < right; ++x) dc.DrawLine(x, bottom, x, bottom - bar);
  }
}

}  // namespace quillon
