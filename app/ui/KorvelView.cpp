#include "ui/KorvelView.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

#include "ui/ChildFrame.h"
#include "ui/KorvelApp.h"
#include "ui/MainFrame.h"
#include "ui/PictureBitmap.h"
#include "ui/PictureDoc.h"

namespace quillon {

wxIMPLEMENT_DYNAMIC_CLASS(CKorvelView, wxView);

namespace {

class PictureCanvas final : public wxScrolledCanvas {
 public:
  PictureCanvas(wxWindow* parent, CKorvelView& view) : wxScrolledCanvas(parent), view_(view) {
    SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_APPWORKSPACE));
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
      wxPaintDC dc(this);
      DoPrepareDC(dc);
      view_.OnDraw(&dc);
    });
  }

 private:
  CKorvelView& view_;
};

}  // namespace

bool CKorvelView::OnCreate(wxDocument* doc, long flags) {
  if (!wxView::OnCreate(doc, flags)) return false;
  CMainFrame* parent = wxGetApp().MainFrame();
  auto* frame = new CChildFrame(doc, this, parent, wxID_ANY, doc->GetTitle());
  canvas_ = new PictureCanvas(frame, *this);
  SetFrame(frame);
  frame->Show();
  return true;
}

CPictureDoc* CKorvelView::GetPictureDoc() const {
  return static_cast<CPictureDoc*>(GetDocument());
}

void CKorvelView::OnDraw(wxDC* dc) {
  const Picture& picture = GetPictureDoc()->Data().GetPicture();
  const wxImage image = ToImage(picture);
  if (image.IsOk()) dc->DrawBitmap(wxBitmap(image), 0, 0);
}

void CKorvelView::OnUpdate(wxView*, wxObject*) {
  if (!canvas_) return;
  const Picture& picture = GetPictureDoc()->Data().GetPicture();
  canvas_->SetVirtualSize(picture.GetWidth(), picture.GetHeight());
  canvas_->SetScrollRate(1, 1);
  canvas_->Refresh();
}

bool CKorvelView::OnClose(bool deleteWindow) {
  if (!wxView::OnClose(deleteWindow)) return false;
  Activate(false);
  if (deleteWindow) {
    GetFrame()->Destroy();
    SetFrame(nullptr);
  }
  return true;
}

}  // namespace quillon
