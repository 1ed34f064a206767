// The view of a picture document: paints the picture at an integer zoom, scrolls it, feeds
// the status panes, and dithers for screens of 256 colours or fewer.
#pragma once

#include <memory>

#include <wx/docview.h>
#include <wx/scrolwin.h>

#include "core/display/ZoomRatio.h"
#include "core/picture/Picture.h"
#include "ui/RegionEditor.h"

namespace quillon {

class PictureDocAdapter;

class PictureView : public wxView {
 public:
  bool OnCreate(wxDocument* doc, long flags) override;
  void OnDraw(wxDC* dc) override;
  void OnUpdate(wxView* sender, wxObject* hint) override;
  bool OnClose(bool deleteWindow) override;
  void OnActivateView(bool activate, wxView* activeView, wxView* deactiveView) override;

  PictureDocAdapter* GetPictureDoc() const;
  // The document's title; a second or later window on the same document adds ":2", ":3"...
  wxString WindowTitle() const;
  wxScrolledCanvas* Canvas() const { return canvas_; }
  ZoomRatio Zoom() const { return zoom_; }

  // One zoom step; false (after a beep) at the ends.
  bool ZoomIn();
  bool ZoomOut();
  // Whether paints use the dithered copy; forced on for tests of small displays.
  bool Dithering() const;
  const Picture* DitheredCopy() const { return dithered_.get(); }
  int DitherBuilds() const { return ditherBuilds_; }

  // The status pane texts for the cursor at client position (x, y).
  void ShowPixelUnder(int x, int y);
  ScrollPoint ScrollPosition() const;
  RegionEditor& Regions() { return regions_; }

 private:
  void OnZoomIn(wxCommandEvent& event);
  void OnZoomOut(wxCommandEvent& event);
  void OnNewWindow(wxCommandEvent& event);
  void OnRegionCommand(wxCommandEvent& event);
  void OnUpdateRegionCommand(wxUpdateUIEvent& event);
  void ApplyZoom(ZoomRatio before);
  void UpdateScrollSizes();
  void BuildDitheredCopy();

  wxScrolledCanvas* canvas_ = nullptr;
  ZoomRatio zoom_;
  std::unique_ptr<Picture> dithered_;
  bool ditheredValid_ = false;
  int ditherBuilds_ = 0;
  RegionEditor regions_{*this};
  int windowNumber_ = 1;  // among the windows on the same document

  wxDECLARE_DYNAMIC_CLASS(PictureView);
  wxDECLARE_EVENT_TABLE();
};

}  // namespace quillon
