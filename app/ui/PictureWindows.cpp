#include "ui/PictureWindows.h"

#include <wx/docview.h>

#include "ui/PictureDocAdapter.h"
#include "ui/PictureView.h"
#include "ui/QuillonApp.h"

namespace quillon {

std::vector<PictureView*> OpenPictureViews() {
  std::vector<PictureView*> views;
  wxDocManager* manager = wxGetApp().DocManager();
  if (!manager) return views;
  for (wxDocument* doc : manager->GetDocumentsVector()) {
    for (wxView* view : doc->GetViewsVector()) {
      if (auto* picture = dynamic_cast<PictureView*>(view); picture && picture->GetFrame()) {
        views.push_back(picture);
      }
    }
  }
  return views;
}

PictureView* ActivePictureView() {
  wxDocManager* manager = wxGetApp().DocManager();
  return manager ? dynamic_cast<PictureView*>(manager->GetCurrentView()) : nullptr;
}

PictureView* PictureViewTitled(const wxString& title) {
  for (PictureView* view : OpenPictureViews()) {
    if (view->WindowTitle() == title) return view;
  }
  return nullptr;
}

const Picture& PictureOf(const PictureView& view) {
  return view.GetPictureDoc()->Data().GetPicture();
}

}  // namespace quillon
