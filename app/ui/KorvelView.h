// The view of a picture document inside its child frame.
#pragma once

#include <wx/docview.h>
#include <wx/scrolwin.h>

namespace quillon {

class CPictureDoc;

class CKorvelView : public wxView {
 public:
  bool OnCreate(wxDocument* doc, long flags) override;
  void OnDraw(wxDC* dc) override;
  void OnUpdate(wxView* sender, wxObject* hint) override;
  bool OnClose(bool deleteWindow) override;

  CPictureDoc* GetPictureDoc() const;
  wxScrolledCanvas* Canvas() const { return canvas_; }

 private:
  wxScrolledCanvas* canvas_ = nullptr;

  wxDECLARE_DYNAMIC_CLASS(CKorvelView);
};

}  // namespace quillon
