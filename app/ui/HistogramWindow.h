// The colour histogram window: the 256 counts of one channel of the active picture as a
// graph, with the bin under the mouse and the largest count.
#pragma once

#include <vector>

#include "core/analysis/ColourHistogram.h"
#include "ui/ToolWindow.h"

class wxChoice;
class wxPanel;
class wxStaticText;

namespace quillon {

class HistogramWindow : public ToolWindow {
 public:
  explicit HistogramWindow(wxWindow* parent);

  // Shows the active picture window's picture; `changed` says its pixels changed since it
  // was last counted.
  void FollowActivePicture(bool changed = false);

  wxChoice* Channels() const { return channels_; }
  wxPanel* Graph() const { return graph_; }
  wxString ValueText() const;
  wxString CountText() const;
  wxString MaximumText() const;
  // What the mouse at x inside the graph reads out.
  void ShowBinAt(int x);

 private:
  void ShowChannel();
  void PaintGraph();
  // The bin under the graph position x, or -1 outside.
  int BinAt(int x) const;

  wxChoice* channels_ = nullptr;
  wxPanel* graph_ = nullptr;
  wxStaticText* value_ = nullptr;
  wxStaticText* count_ = nullptr;
  wxStaticText* maximum_ = nullptr;
  std::vector<HistogramChannel> offered_;
  HistogramChannel channel_ = HistogramChannel::Luminance;
  const Picture* picture_ = nullptr;
  const Histogram* shown_ = nullptr;
  HistogramCache cache_;
};

}  // namespace quillon
